#include "ProcessPage.h"

#include "RewriteFile.h"

namespace {

bool unchangedSincePreScan(const PageLocation &page, const TextAbsence &absence)
{
    return absence && FileStamp::read(page) == absence;
}

} // namespace

RewriteResult ProcessPage(const PageLocation &page, const TextAbsence &absence,
                          const ReplacementTexts &texts, const std::function<void()> &yield,
                          RunJournal *journal)
{
    if (unchangedSincePreScan(page, absence))
        return {RewriteResult::Status::Unchanged, {}};
    return RewriteFile(page, texts, yield, journal);
}

RewriteResult PreviewPage(const PageLocation &page, const TextAbsence &absence,
                          const ReplacementTexts &texts, const std::function<void()> &yield)
{
    if (unchangedSincePreScan(page, absence))
        return {RewriteResult::Status::Unchanged, {}};
    return PreviewRewrite(page, texts, yield);
}

#include "ProcessPage.h"

#include "RewriteFile.h"

RewriteResult ProcessPage(const PageLocation &page, const TextAbsence &absence,
                          const ReplacementTexts &texts, const std::function<void()> &yield,
                          RunJournal *journal)
{
    if (absence && FileStamp::read(page) == absence)
        return {RewriteResult::Status::Unchanged, {}};
    return RewriteFile(page, texts, yield, journal);
}

#include "run/ProcessPage.h"

#include "run/RewriteFile.h"

RewriteResult ProcessPage(const PageLocation &page, const TextAbsence &absence,
                          const ReplacementTexts &texts, const std::function<void()> &yield,
                          ReplacementGroup *group,
                          std::optional<std::chrono::steady_clock::time_point> lockDeadline)
{
    if (absence)
        return {RewriteResult::Status::Unchanged, {}};
    return RewriteFile(page, texts, yield, group, lockDeadline);
}

RewriteResult PreviewPage(const PageLocation &page, const TextAbsence &absence,
                          const ReplacementTexts &texts, const std::function<void()> &yield,
                          std::optional<std::chrono::steady_clock::time_point> lockDeadline)
{
    if (absence)
        return {RewriteResult::Status::Unchanged, {}};
    return PreviewRewrite(page, texts, yield, lockDeadline);
}

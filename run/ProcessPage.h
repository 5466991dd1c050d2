#pragma once

#include "PageLocation.h"
#include "PreScanVerdict.h"
#include "RewriteResult.h"

#include <chrono>
#include <functional>
#include <optional>

class ReplacementTexts;
class RunJournal;

/// A listed page's turn in a run: the run's one decision per page. A page the read-ahead found
/// free of the search text is done after one stat, if it is still that file, unchanged (the
/// stamp compares identity, size and both times); every other page, and one changed since its
/// pre-scan, is rewritten with every check made again (RewriteFile), a page another program
/// keeps locked waited for until lockDeadline.
RewriteResult ProcessPage(const PageLocation &page, const TextAbsence &absence,
                          const ReplacementTexts &texts, const std::function<void()> &yield,
                          RunJournal *journal = nullptr,
                          std::optional<std::chrono::steady_clock::time_point> lockDeadline = {});

/// The same decision in a dry run: a page that would be rewritten is counted instead
/// (PreviewRewrite), and nothing is written.
RewriteResult PreviewPage(const PageLocation &page, const TextAbsence &absence,
                          const ReplacementTexts &texts, const std::function<void()> &yield,
                          std::optional<std::chrono::steady_clock::time_point> lockDeadline = {});

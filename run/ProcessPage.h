#pragma once

#include "file/PageLocation.h"
#include "run/PreScanVerdict.h"
#include "run/RewriteResult.h"

#include <chrono>
#include <functional>
#include <optional>

class ReplacementTexts;
class ReplacementGroup;

/// A listed page's turn in a run: the run's one decision per page. A page the read-ahead found
/// free of the search text is done: the verdict stands as of the moment the page was read, as
/// if the run had reached the page then, so it takes no second look (a change made since is
/// another program's, made after the run passed by). Every other page is read afresh and
/// rewritten with every check made (RewriteFile), a page another program keeps locked waited
/// for until lockDeadline; with a group, a changed page waits there to take its place.
RewriteResult ProcessPage(const PageLocation &page, const TextAbsence &absence,
                          const ReplacementTexts &texts, const std::function<void()> &yield,
                          ReplacementGroup *group = nullptr,
                          std::optional<std::chrono::steady_clock::time_point> lockDeadline = {});

/// The same decision in a dry run: a page that would be rewritten is counted instead
/// (PreviewRewrite), and nothing is written.
RewriteResult PreviewPage(const PageLocation &page, const TextAbsence &absence,
                          const ReplacementTexts &texts, const std::function<void()> &yield,
                          std::optional<std::chrono::steady_clock::time_point> lockDeadline = {});

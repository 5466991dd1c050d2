#pragma once

#include "file/PageLocation.h"
#include "run/PreScanVerdict.h"

#include <functional>
#include <stop_token>

class QString;
class ReplacementTexts;

/// Reads the page as RewriteFile's pre-scan does and tells whether the search text can occur
/// in it, writing nothing. Meant to run ahead of RewriteFile on a worker thread: texts may be
/// shared with other threads (ReplacementTexts is safe to share), and nothing else
/// is shared. A stop request on stop ends the scan of a large file early; the verdict is then
/// Failed. yield, when set, is called now and then while a large file is read.
PreScanVerdict PreScanFile(const PageLocation &page, const ReplacementTexts &texts,
                           std::stop_token stop = {}, const std::function<void()> &yield = {});

/// The same for the file at path, its folder opened by its path.
PreScanVerdict PreScanFile(const QString &path, const ReplacementTexts &texts,
                           std::stop_token stop = {}, const std::function<void()> &yield = {});

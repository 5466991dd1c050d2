#pragma once

#include "file/PageLocation.h"
#include "run/PreviewOutput.h"
#include "run/RewriteResult.h"

#include <chrono>
#include <functional>
#include <optional>

class QString;
class ReplacementTexts;
class ReplacementGroup;
class RunJournal;

/// Rewrites one file with every occurrence of the search text replaced (see LineReplacer),
/// keeping every other byte, every line terminator and the file's metadata exactly.
/// The new text goes to a scratch file beside the file, which replaces the file atomically
/// only when at least one replacement was made; a file without a replacement is never written.
/// On failure the file is left exactly as it was and no scratch file remains. A symbolic link
/// at path is never followed: it is refused as not a regular file, its target untouched.
/// yield, when set, is called now and then while a large file is worked on.
RewriteResult RewriteFile(const QString &path, const ReplacementTexts &texts,
                          const std::function<void()> &yield = {});

/// The same for a page of a run, reached through its open folder (see FolderChain). With a
/// journal, a page is replaced only once its original and entry are on the disk there; when
/// that fails, the page is left as it was and the failure says why. A page another program
/// keeps locked is waited for until lockDeadline (see SourceFile::open()), then left as Locked.
/// With a journal and a group, a page that changes is not put in place here: it is handed to
/// group, complete, its entry noted, and the result is Pending (see ReplacementGroup).
RewriteResult RewriteFile(const PageLocation &page, const ReplacementTexts &texts,
                          const std::function<void()> &yield, RunJournal *journal = nullptr,
                          std::optional<std::chrono::steady_clock::time_point> lockDeadline = {},
                          ReplacementGroup *group = nullptr);

/// The same rewrite of a page of a run counted instead of written (a dry run): the same checks,
/// refusals and line failures, the result Changed with the replacements the page would get,
/// and nothing written anywhere (no scratch file, no journal). What only writing shows (a full
/// disk, a folder that may not be written, an owner that cannot be kept) it cannot foresee.
RewriteResult PreviewRewrite(const PageLocation &page, const ReplacementTexts &texts,
                             const std::function<void()> &yield,
                             std::optional<std::chrono::steady_clock::time_point> lockDeadline = {},
                             qsizetype keptBytes = PreviewOutput::KeptBytes);

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

/// Rewrites one file with every occurrence of the search text replaced (see LineReplacer),
/// keeping every other byte, every line terminator and the file's metadata exactly.
/// The new text goes to a scratch file beside the file, which replaces the file atomically
/// only when at least one replacement was made; a file without a replacement is never written.
/// On failure the file is left exactly as it was and no scratch file remains. A symbolic link
/// at path is never followed: it is refused as not a regular file, its target untouched.
/// yield, when set, is called now and then while a large file is worked on.
RewriteResult RewriteFile(const QString &path, const ReplacementTexts &texts,
                          const std::function<void()> &yield = {});

/// The same for a page of a run, reached through its open folder (see FolderChain). A page
/// another program keeps locked is waited for until lockDeadline (see SourceFile::open()), then
/// left as Locked. With a group (a run that keeps the undo journal), a page that changes is not
/// put in place here: its original is kept in the group's journal, and the page, rewritten
/// into its complete scratch file and its entry noted, is handed to the group, which puts it
/// in place once both are on the disk: the result is Pending (see ReplacementGroup). Locked
/// too, without a reason, for a page that waits in the group already (listed twice).
RewriteResult RewriteFile(const PageLocation &page, const ReplacementTexts &texts,
                          const std::function<void()> &yield, ReplacementGroup *group = nullptr,
                          std::optional<std::chrono::steady_clock::time_point> lockDeadline = {});

/// The same rewrite of a page of a run counted instead of written (a dry run): the same checks,
/// refusals and line failures, the result Changed with the replacements the page would get,
/// and nothing written anywhere (no scratch file, no journal). What only writing shows (a full
/// disk, a folder that may not be written, an owner that cannot be kept) it cannot foresee.
RewriteResult PreviewRewrite(const PageLocation &page, const ReplacementTexts &texts,
                             const std::function<void()> &yield,
                             std::optional<std::chrono::steady_clock::time_point> lockDeadline = {},
                             qsizetype keptBytes = PreviewOutput::KeptBytes);

#pragma once

#include "file/HeldFolder.h"
#include "file/ScratchFile.h"
#include "file/SourceFile.h"
#include "run/RewriteResult.h"

#include <QByteArray>

#include <optional>

/// A page of a run between its rewrite and its replacement: its folder held, the page open and
/// locked as it was read, the complete scratch file beside it, and the name of its original in
/// the journal. It takes its place when its group's entries are durable (ReplacementGroup).
struct PendingPage
{
    PendingPage(const PageLocation &page, const QString &root) : folder(page, root) {}

    HeldFolder folder;
    SourceFile source;
    std::optional<ScratchFile> scratch;
    QByteArray kept;      ///< the original's name in the journal (RunJournal::lastKept())
    RewriteResult result; ///< Changed with its replacements, until a step fails
};

#include "run/RewriteFile.h"

#include "file/FileFailure.h"
#include "file/FolderChain.h"
#include "file/ScratchFile.h"
#include "file/SourceFile.h"
#include "journal/RunJournal.h"
#include "run/PendingPage.h"
#include "run/PreviewOutput.h"
#include "run/ReplacementGroup.h"
#include "run/ScratchUnitSink.h"
#include "text/LineReader.h"
#include "text/LineReplacer.h"
#include "text/ReplacementTexts.h"
#include "text/SearchPreScan.h"

#include <QScopeGuard>
#include <QString>

#include <cstring>
#include <new>
#include <optional>

namespace {

using Status = RewriteResult::Status;

RewriteResult failed(const Failure &failure)
{
    return {Status::Failed, failure};
}

// Why a file that holds the search text (or may, see SearchPreScan) cannot be rewritten, if
// it cannot.
std::optional<Failure> refusal(const SourceFile &source, const ReplacementTexts::Encoded &texts)
{
    switch (texts.problem) {
    case EncodingProblem::UnknownCharset:
        return FileFailure::unknownCharset(texts.name);
    case EncodingProblem::UnsupportedCharset:
        return FileFailure::unsupportedCharset(texts.name);
    case EncodingProblem::MatchInsideCharacter:
        return FileFailure::matchInsideCharacter(texts.name, texts.startCharacters);
    case EncodingProblem::None:
        break;
    }
    if (!texts.replacement)
        return FileFailure::replacementNotWritable(texts.name);
    if (source.isReadOnly())
        return FileFailure::readOnly();
    if (source.hasOtherLinks())
        return FileFailure::otherHardLinks();
    return std::nullopt;
}

// The unit of ASCII character c in a file of encoding, in the file's byte order.
template <typename Unit> Unit unitOf(char c, const FileEncoding &encoding)
{
    const QByteArray bytes = AsciiUnit(c, encoding);
    Q_ASSERT(bytes.size() == qsizetype(sizeof(Unit)));
    Unit unit;
    std::memcpy(&unit, bytes.constData(), sizeof unit);
    return unit;
}

template <typename Unit, typename Output>
bool writeUnits(Output &out, std::basic_string_view<Unit> text)
{
    return out.write(text.data(), qsizetype(text.size() * sizeof(Unit)));
}

// Why a line could not be replaced, for an outcome that is not a result.
template <typename Output> Failure lineFailure(ReplaceOutcome outcome, const Output &out)
{
    switch (outcome) {
    case ReplaceOutcome::Endless:
        return FileFailure::endlessReplacement();
    case ReplaceOutcome::WorkLimit:
        return FileFailure::lineWorkLimit();
    case ReplaceOutcome::PendingLimit:
        return FileFailure::linePendingLimit();
    default:
        return out.error();
    }
}

// Copies the file from its current position to the scratch file line by line, each line
// replaced and followed by its own line break. A line goes through in the reader's pieces and
// the replacer's window, so a page that is one huge line takes no more memory than another.
// Status Changed means the scratch file differs; the result counts the replacements. Output is
// the ScratchFile, or a dry run's PreviewOutput.
template <typename Unit, typename Output>
RewriteResult rewriteLines(QIODevice &in, Output &out, const ReplacementTexts::Encoded &texts,
                           const FileEncoding &encoding, const std::function<void()> &yield)
{
    // Built for each page: the texts are shared between threads, a replacer's buffers are not.
    const auto unitsOf = [](const QByteArray &bytes) {
        return std::basic_string_view<Unit>(reinterpret_cast<const Unit *>(bytes.constData()),
                                            std::size_t(bytes.size()) / sizeof(Unit));
    };
    LineReplacer<Unit> replacer(unitsOf(*texts.search), unitsOf(*texts.replacement));
    LineReader<Unit> reader(in, unitOf<Unit>('\r', encoding), unitOf<Unit>('\n', encoding));
    ScratchUnitSink<Unit, Output> sink(out);
    typename LineReader<Unit>::Piece piece;
    bool lineOpen = false;
    qint64 replacements = 0;
    qint64 nextYield = SearchPreScan::YieldEveryBytes;
    while (reader.next(piece)) {
        if (!lineOpen)
            replacer.begin(sink);
        lineOpen = replacer.take(piece.units) && !piece.endsLine;
        if (!lineOpen) {
            const ReplaceOutcome outcome = replacer.finish();
            if (outcome != ReplaceOutcome::Unchanged && outcome != ReplaceOutcome::Replaced)
                return failed(lineFailure(outcome, out));
            replacements += qint64(replacer.replacements());
            if (!writeUnits(out, piece.lineBreak))
                return failed(out.error());
        }
        if (yield && reader.bytesRead() >= nextYield) {
            nextYield = reader.bytesRead() + SearchPreScan::YieldEveryBytes;
            yield();
        }
    }
    if (reader.failed())
        return failed(FileFailure::cannotRead(in.errorString()));
    const QByteArray trailing = reader.trailingBytes();
    if (!out.write(trailing.constData(), trailing.size()))
        return failed(out.error());
    return {replacements > 0 ? Status::Changed : Status::Unchanged, {}, replacements};
}

// Writes the rewritten file into the open scratch file, the byte order mark as it was.
template <typename Output>
RewriteResult writeScratch(QIODevice &in, Output &out, const ReplacementTexts &texts,
                           const SearchPreScan::Result &scan, const std::function<void()> &yield)
{
    if (!in.seek(0))
        return failed(FileFailure::cannotRead(in.errorString()));
    const QByteArray mark = in.read(scan.byteOrderMarkLength);
    if (mark.size() != scan.byteOrderMarkLength)
        return failed(FileFailure::cannotRead(in.errorString()));
    if (!out.write(mark.constData(), mark.size()))
        return failed(out.error());
    const ReplacementTexts::Encoded &encoded = texts.encoded(scan.encoding);
    if (IsUtf16(scan.encoding))
        return rewriteLines<char16_t, Output>(in, out, encoded, scan.encoding, yield);
    return rewriteLines<char, Output>(in, out, encoded, scan.encoding, yield);
}

// The file holds the search text and may be rewritten: rewrite it into a scratch file beside
// it and put that in its place (a run without the undo journal). Any failure before the rename
// leaves the file as it was, and the scratch file is removed however this returns.
RewriteResult replaceThroughScratch(const PageLocation &page, SourceFile &source,
                                    const ReplacementTexts &texts,
                                    const SearchPreScan::Result &scan,
                                    const std::function<void()> &yield)
{
    ScratchFile scratch(page);
    if (!scratch.open())
        return failed(scratch.error());
    const RewriteResult written = writeScratch(source.device(), scratch, texts, scan, yield);
    if (written.status != Status::Changed)
        return written;
    if (!scratch.flush())
        return failed(scratch.error());
    if (!source.copyMetadataTo(scratch))
        return failed(source.error());
    if (!scratch.sync())
        return failed(scratch.error());
    source.closeBeforeReplacement();
    if (!scratch.commit([&source] { return source.unchangedOnDisk(); }))
        return failed(scratch.error());
    return written;
}

// The page holds the search text and may be rewritten: rewrite it into its scratch file and
// note its entry, for its group to put in place. Status Pending, or why it failed. The scratch
// file's buffer goes with the flush: a waiting page holds no more than its descriptors.
RewriteResult writePending(PendingPage &pending, const ReplacementTexts &texts,
                           const SearchPreScan::Result &scan, const std::function<void()> &yield,
                           RunJournal &journal)
{
    ScratchFile &scratch = pending.scratch.emplace(pending.folder.location());
    if (!scratch.open())
        return failed(scratch.error());
    const RewriteResult written =
        writeScratch(pending.source.device(), scratch, texts, scan, yield);
    if (written.status != Status::Changed)
        return written;
    if (!scratch.flush())
        return failed(scratch.error());
    if (!pending.source.copyMetadataTo(scratch))
        return failed(pending.source.error());
    if (!journal.note(scratch.handle()))
        return failed(FileFailure::notJournaled(journal.error()));
    scratch.startWriteBack();
    pending.result = written;
    return {Status::Pending, {}, written.replacements};
}

// Whether the open page is to be rewritten: the scan to rewrite it by, or how its turn ends.
struct Examined
{
    std::optional<SearchPreScan::Result> scan;
    RewriteResult result;
};

Examined examine(SourceFile &source, const ReplacementTexts &texts,
                 const std::function<void()> &yield)
{
    SearchPreScan preScan(texts, yield);
    const std::optional<SearchPreScan::Result> scan = preScan.scan(source.device(), source.size());
    if (!scan)
        return {{}, failed(FileFailure::cannotRead(source.device().errorString()))};
    if (!scan->occurs)
        return {{}, {Status::Unchanged, {}}};
    if (const std::optional<Failure> reason = refusal(source, texts.encoded(scan->encoding)))
        return {{}, failed(*reason)};
    return {scan, {}};
}

RewriteResult notOpened(const SourceFile &source)
{
    return {source.lockedOut() ? Status::Locked : Status::Failed, source.error()};
}

// Kept before the new text is read from it, and looked at right before: the hard link moves
// the change time, which from then on tells of other writers again (rereadAfterLink()).
std::optional<Failure> keepOriginal(const PageLocation &page, SourceFile &source,
                                    RunJournal &journal)
{
    if (!journal.open())
        return FileFailure::notJournaled(journal.error());
    if (!source.unchangedOnDisk())
        return FileFailure::modifiedMeanwhile();
    if (!journal.keepOriginal(page, source.handle(), source.size()))
        return FileFailure::notJournaled(journal.error());
    return std::nullopt;
}

// A page of a group keeps its folder held, and itself open (and on POSIX locked), until the
// group puts it in place. Its original, once kept, is let go of unless the page joins the group.
RewriteResult rewriteIntoGroup(const PageLocation &listed, const ReplacementTexts &texts,
                               const std::function<void()> &yield, ReplacementGroup &group,
                               std::optional<SourceFile::Clock::time_point> lockDeadline)
{
    const auto pending = std::make_shared<PendingPage>(listed, group.root());
    if (!pending->folder.held())
        return failed(pending->folder.error());
    const PageLocation &page = pending->folder.location();
    SourceFile &source = pending->source;
    if (!source.open(page, yield, lockDeadline))
        return notOpened(source);
    // The run's own lock, where the system's lock does not show it (Windows).
    if (group.holds(source.stamp().identity()))
        return {Status::Locked, {}};
    const Examined examined = examine(source, texts, yield);
    if (!examined.scan)
        return examined.result;
    RunJournal &journal = group.journal();
    if (const std::optional<Failure> reason = keepOriginal(page, source, journal))
        return failed(*reason);
    pending->kept = journal.lastKept();
    auto forget = qScopeGuard([&] { journal.forgetUnlessPlaced(page, pending->kept); });
    if (!source.rereadAfterLink())
        return failed(source.error());
    const RewriteResult result = writePending(*pending, texts, *examined.scan, yield, journal);
    if (result.status == Status::Pending) {
        group.add(page.path, pending);
        forget.dismiss();
    }
    return result;
}

// A failed allocation costs this file, not the run: everything of the file is let go of on the
// way out, the scratch file removed. With preview, the page is rewritten into it instead, with
// the same checks and refusals up to there, and nothing is written.
RewriteResult rewriteLocated(const PageLocation &page, const ReplacementTexts &texts,
                             const std::function<void()> &yield, ReplacementGroup *group,
                             std::optional<SourceFile::Clock::time_point> lockDeadline,
                             PreviewOutput *preview = nullptr)
try {
    if (group)
        return rewriteIntoGroup(page, texts, yield, *group, lockDeadline);
    SourceFile source;
    if (!source.open(page, yield, lockDeadline))
        return notOpened(source);
    const Examined examined = examine(source, texts, yield);
    if (!examined.scan)
        return examined.result;
    if (preview)
        return writeScratch(source.device(), *preview, texts, *examined.scan, yield);
    return replaceThroughScratch(page, source, texts, *examined.scan, yield);
} catch (const std::bad_alloc &) {
    return failed(FileFailure::outOfMemory());
}

} // namespace

RewriteResult RewriteFile(const PageLocation &page, const ReplacementTexts &texts,
                          const std::function<void()> &yield, ReplacementGroup *group,
                          std::optional<std::chrono::steady_clock::time_point> lockDeadline)
{
    return rewriteLocated(page, texts, yield, group, lockDeadline);
}

RewriteResult PreviewRewrite(const PageLocation &page, const ReplacementTexts &texts,
                             const std::function<void()> &yield,
                             std::optional<std::chrono::steady_clock::time_point> lockDeadline,
                             qsizetype keptBytes)
{
    PreviewOutput preview(keptBytes);
    return rewriteLocated(page, texts, yield, nullptr, lockDeadline, &preview);
}

RewriteResult RewriteFile(const QString &path, const ReplacementTexts &texts,
                          const std::function<void()> &yield)
{
    FolderChain folders;
    Failure error;
    const std::optional<PageLocation> page = folders.locate(path, error);
    if (!page)
        return failed(error);
    return RewriteFile(*page, texts, yield);
}

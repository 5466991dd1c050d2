// Windows: Qt for the folders and the entries, Win32 (WindowsFileReplace.h) for the original
// kept from the open page, the flushes and the hold on the run's folder.
#include "journal/RunJournal.h"

#include "file/ContentHash.h"
#include "file/FileStamp.h"
#include "file/windows/WindowsFileReplace.h"
#include "journal/JournalFolder.h"
#include "journal/JournalLayout.h"
#include "journal/windows/WindowsJournalSteps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <io.h>

namespace {

constexpr qint64 ChunkBytes = qint64(1) << 20;

// QFileDevice::handle() is a C runtime descriptor on Windows; Win32 wants the HANDLE behind it.
void *win32Handle(int fd)
{
    return reinterpret_cast<void *>(_get_osfhandle(fd));
}

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
}

// The scratch file is open for writing only; a handle of its own reads it.
std::optional<QByteArray> hashOf(int scratchFd)
{
    void *reader = ReopenForReading(win32Handle(scratchFd));
    const int fd = reader ? _open_osfhandle(reinterpret_cast<intptr_t>(reader), _O_RDONLY) : -1;
    if (reader && fd < 0)
        CloseHeld(reader);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return std::nullopt;
    ContentHash hash(ContentHash::kept());
    for (QByteArray chunk; !(chunk = file.read(ChunkBytes)).isEmpty();)
        hash.addData(chunk.constData(), chunk.size());
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return hash.result();
}

// An entry is on the disk before the page is replaced: written, then flushed through its handle.
bool writeFlushed(const QString &path, const QByteArray &bytes, QString &error)
{
    QFile file(path);
    std::wstring flushError;
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        error = file.errorString();
        file.remove();
        return false;
    }
    if (!FlushToDisk(win32Handle(file.handle()), flushError)) {
        error = QString::fromStdWString(flushError);
        file.remove();
        return false;
    }
    return true;
}

} // namespace

RunJournal::RunJournal(const QString &root, const QString &search, const QString &replacement,
                       const QString &home)
    : m_root(root), m_search(search), m_replacement(replacement), m_home(home)
{}

RunJournal::~RunJournal()
{
    if (m_fd < 0)
        return;
    settleIfClean();
    _close(m_fd);
}

// The run's folder, with the chosen folder and the run's number written down for the undo in
// run.json, which stays open, undeletable, while the run goes on: that is what tells other runs
// to leave the folder alone (JournalFolder). Made under the journal's lock, so that no other
// run prunes or takes a number meanwhile. NTFS journals the names it makes; run.json's text
// is flushed.
bool RunJournal::open()
{
    if (m_fd >= 0)
        return true;
    const auto making = FileFailure::JournalStep::MakeFolder;
    const QDir home(m_home);
    JournalFolder journal;
    if (!QDir().mkpath(m_home) || !journal.open(m_home) || !journal.holdLock(JournalLayout::lock))
        return fail(making, -1);
    JournalHome::prune(m_home);
    const QString name = JournalHome::newRunName();
    if (!home.mkdir(name))
        return fail(making, -1);
    const QString path = home.filePath(name);
    const QString note = path + u'/' + JournalLayout::runNote;
    const QByteArray run =
        JournalHome::runNote(m_root, JournalHome::nextSequence(m_home), m_search, m_replacement);
    std::wstring error;
    void *held = CreateHeld(nativePath(note), run.toStdString(), error);
    m_fd = held ? _open_osfhandle(reinterpret_cast<intptr_t>(held), _O_RDONLY) : -1;
    if (m_fd < 0) {
        if (held)
            CloseHeld(held);
        QFile::remove(note);
        home.rmdir(name);
        return held ? fail(making, -1) : fail(making, QString::fromStdWString(error));
    }
    m_path = path;
    m_bytes = run.size();
    return true;
}

bool RunJournal::keepOriginal(const PageLocation &page, int sourceFd, qint64 size)
{
    if (!open())
        return false;
    void *source = win32Handle(sourceFd);
    WindowsFileFacts facts;
    std::wstring error;
    if (!ReadFileFacts(source, facts, error))
        return fail(FileFailure::JournalStep::LookAtOriginal, QString::fromStdWString(error));
    // The time is the one thing of the original that a copy does not keep: it goes in the entry.
    std::int64_t seconds = 0, nanoseconds = 0;
    UnixTimeOf(facts.lastWrite, seconds, nanoseconds);
    JournalEntry entry{page.path, JournalLayout::original(++m_count).toLatin1(), false,
                       size,      FileStamp::Time{seconds, nanoseconds},         {}};
    const QString kept = m_path + u'/' + QString::fromLatin1(entry.kept);
    const KeptOriginal how =
        KeepOriginal(source, nativePath(page.path), nativePath(kept), quint64(size), error);
    entry.copied = how == KeptOriginal::Copied;
    if (how == KeptOriginal::Failed || how == KeptOriginal::LinkLeftBehind) {
        const QString reason = QString::fromStdWString(error);
        return fail(FileFailure::JournalStep::CopyOriginal,
                    how == KeptOriginal::Failed ? reason : FileFailure::linkLeftInJournal(reason));
    }
    m_open.append({entry});
    m_bytes += size;
    return true;
}

// The page is later told by what FileStamp reads on Windows: its size and its time of last
// write to the millisecond (identity goes by path there, so device and inode stay 0), and the
// hash. ReplaceFileW keeps the scratch file's time of last write; set once more by hand, it is
// also one that closing the scratch file no longer moves.
bool RunJournal::note(int scratchFd)
{
    const auto step = FileFailure::JournalStep::WriteEntry;
    if (m_open.isEmpty())
        return fail(step, QStringLiteral("no original kept"));
    WindowsFileFacts facts;
    std::wstring error;
    if (!ReadFileFacts(win32Handle(scratchFd), facts, error) ||
        !SetLastWrite(win32Handle(scratchFd), facts.lastWrite, error))
        return fail(step, QString::fromStdWString(error));
    const std::optional<QByteArray> hash = hashOf(scratchFd);
    if (!hash)
        return fail(step, -1);
    std::int64_t seconds = 0, nanoseconds = 0;
    UnixTimeOf(facts.lastWrite, seconds, nanoseconds);
    Open &open = m_open.last();
    open.entry.written = {
        0, 0, qint64(facts.size), {seconds, nanoseconds - nanoseconds % 1000000}, *hash};
    open.noted = true;
    return true;
}

// NTFS journals the name it makes; the group's text is flushed (writeFlushed removes a file
// it could not finish).
bool RunJournal::writeGroupFile(const Group &group)
{
    QString reason;
    return writeFlushed(m_path + u'/' + group.name, group.bytes, reason) ||
           fail(FileFailure::JournalStep::WriteEntry, reason);
}

// A kept hard link cannot go while the page is still open (Qt shares no deletion): it then stays
// until the next run or undo lets go of it (JournalHome::recover).
void RunJournal::forgetUnlessPlaced(const PageLocation &page, const QByteArray &kept)
{
    const qsizetype i = m_fd < 0 || kept.isEmpty() ? -1 : openIndex(kept);
    if (i < 0)
        return;
    const Open open = m_open.takeAt(i);
    const std::optional<FileStamp> now = FileStamp::read(page);
    if (open.noted && now && open.entry.written.matches(*now))
        return;
    countForgotten(open, QFile::remove(m_path + u'/' + QString::fromLatin1(kept)));
}

#include "file/ScratchFile.h"

#include "file/FileFailure.h"
#include "file/windows/ScratchFileNative.h"
#include "file/windows/WindowsFileReplace.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <io.h>

using FileFailure::ScratchStep;

namespace {

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// ".tagmender-", six random letters or digits, ".tmp": whoever finds one left behind (after a
// power cut, say) can tell whose it is and that it may go.
QString scratchName()
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = QStringLiteral(".tagmender-");
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return name + QStringLiteral(".tmp");
}

// How ReplaceWithScratch failed, in the words users read; the scratch file is shown as it is
// named on the disk, for whoever has to look for it.
Failure replaceFailure(const ReplaceFailure &failure, const std::wstring &scratchPath)
{
    using Ending = ReplaceFailure::Ending;
    const QString reason = QString::fromStdWString(failure.reason);
    const QString scratch = QString::fromStdWString(scratchPath);
    switch (failure.ending) {
    case Ending::StoppedHalfWay:
        return FileFailure::replaceStoppedHalfWay(reason);
    case Ending::RenamedInPlace:
        return FileFailure::replacedByRename(reason);
    case Ending::OnlyInScratch:
        return FileFailure::keptOnlyInScratch(reason, QString::fromStdWString(failure.renameReason),
                                              scratch);
    case Ending::AttributesNotKept:
        return FileFailure::attributesNotKept(reason);
    case Ending::Refused:
    case Ending::FolderInPlace:
        break;
    }
    return FileFailure::scratchFailed(
        ScratchStep::Replace,
        (failure.ending == Ending::FolderInPlace ? FileFailure::folderInPlace() : reason) +
            (failure.scratchLeft ? FileFailure::scratchNotRemoved(scratch) : QString()));
}

} // namespace

// ReplaceFileW given a symbolic link would put the new text in the link's place and leave the
// file it points to unchanged; the file that was read is the one to replace.
// Scratch files always have a name here.
void ScratchFile::setAlwaysNamed(bool) {}

// Qt opens the scratch file without delete sharing, so the console's control thread, the one
// that would call this, cannot remove it. One left so is never taken for a page (".tmp").
void ScratchFile::removeUnfinished() {}

ScratchFile::Native::Native(const PageLocation &page)
{
    const QFileInfo info(page.path);
    const QString resolved = info.isSymbolicLink() ? info.canonicalFilePath() : QString();
    m_target = resolved.isEmpty() ? info.absoluteFilePath() : resolved;
}

ScratchFile::Native::~Native()
{
    m_file.close();
    std::wstring ignored;
    if (m_created && !m_handedOver)
        DeleteScratch(nativePath(m_file.fileName()), ignored);
}

// NewOnly creates the file exclusively (CREATE_NEW), so an existing file of the same name is
// never opened or truncated; a name that is taken only means another try.
bool ScratchFile::Native::open()
{
    const QDir folder = QFileInfo(m_target).absoluteDir();
    for (int attempt = 0; attempt < 16; ++attempt) {
        m_file.setFileName(folder.filePath(scratchName()));
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_created = true;
            return true;
        }
        if (!m_file.exists())
            break;
    }
    return fail(ScratchStep::Create, m_file.errorString());
}

bool ScratchFile::Native::write(const void *data, qsizetype size)
{
    if (!m_error.isEmpty())
        return false;
    if (size == 0)
        return true;
    if (m_file.write(static_cast<const char *>(data), size) != size)
        return fail(ScratchStep::Write, m_file.errorString());
    return true;
}

bool ScratchFile::Native::flush()
{
    if (!m_error.isEmpty())
        return false;
    if (!m_file.flush())
        return fail(ScratchStep::Write, m_file.errorString());
    return true;
}

// The file is open for writing only; Qt shares it for reading, so a second handle reads it.
// QFile moves its position back as it cuts.
bool ScratchFile::Native::takeBack(void *data, qsizetype size)
{
    if (!flush())
        return false;
    const ScratchStep step = ScratchStep::ReadBack;
    const qint64 end = m_file.pos();
    QFile reader(m_file.fileName());
    if (size > end || !reader.open(QIODevice::ReadOnly) || !reader.seek(end - size) ||
        reader.read(static_cast<char *>(data), size) != size)
        return fail(step, reader.errorString());
    if (!m_file.resize(end - size))
        return fail(ScratchStep::CutShort, m_file.errorString());
    return true;
}

// QFileDevice::handle() is a C runtime descriptor on Windows; Win32 wants the HANDLE behind it.
bool ScratchFile::Native::setModified(const FileStamp::Time &time)
{
    if (!flush())
        return false;
    std::wstring error;
    const auto handle = reinterpret_cast<void *>(_get_osfhandle(m_file.handle()));
    if (!SetLastWrite(handle, FileTimeOf(time.seconds, time.nanoseconds), error))
        return fail(ScratchStep::SetTime, QString::fromStdWString(error));
    return true;
}

// FlushFileBuffers has no asynchronous form; the sync writes all.
void ScratchFile::Native::startWriteBack() {}

bool ScratchFile::Native::sync()
{
    if (!flush())
        return false;
    std::wstring error;
    const auto handle = reinterpret_cast<void *>(_get_osfhandle(m_file.handle()));
    if (!FlushToDisk(handle, error))
        return fail(ScratchStep::WriteToDisk, QString::fromStdWString(error));
    return true;
}

bool ScratchFile::Native::commit(const std::function<bool()> &unchanged)
{
    if (!flush())
        return false;
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        return fail(ScratchStep::Write, m_file.errorString());
    if (!unchanged()) {
        m_error = FileFailure::modifiedMeanwhile();
        return false;
    }
    // From here on ReplaceWithScratch decides whether the scratch file may be deleted: after
    // some failures it holds the only copy of the file's text.
    m_handedOver = true;
    const std::wstring scratch = nativePath(m_file.fileName());
    ReplaceFailure failure;
    if (!ReplaceWithScratch(nativePath(m_target), scratch, failure)) {
        m_error = replaceFailure(failure, scratch);
        return false;
    }
    return true;
}

bool ScratchFile::Native::fail(ScratchStep step, const QString &reason)
{
    if (m_error.isEmpty())
        m_error = FileFailure::scratchFailed(step, reason);
    return false;
}

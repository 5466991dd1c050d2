// Windows: each folder held open without delete sharing (it cannot be renamed, removed or
// replaced while held), and every name in it opened as the reparse point it may be, then
// looked at through that handle: a link or junction is never followed.
#include "journal/JournalFolder.h"

#include "file/FileFailure.h"
#include "journal/JournalLayout.h"
#include "journal/windows/WindowsJournalSteps.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <io.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

struct JournalFolder::Native
{
    HANDLE folder = INVALID_HANDLE_VALUE;
    HANDLE lock = INVALID_HANDLE_VALUE; ///< the file holdLock() locked
};

namespace {

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
}

// The name opened as itself, a reparse point too; INVALID_HANDLE_VALUE with the last error set.
HANDLE openAsItself(const QString &path, DWORD access, DWORD share, DWORD creation = OPEN_EXISTING)
{
    return CreateFileW(nativePath(path).c_str(), access, share, nullptr, creation,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The kind of what handle is open on; Other for anything that does not answer.
JournalFolder::Kind kindOf(HANDLE handle, DWORD *links = nullptr)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return JournalFolder::Kind::Other;
    if (links)
        *links = info.nNumberOfLinks;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return JournalFolder::Kind::Folder;
    return GetFileType(handle) == FILE_TYPE_DISK ? JournalFolder::Kind::File
                                                 : JournalFolder::Kind::Other;
}

HANDLE openFolder(const QString &path)
{
    const HANDLE folder =
        openAsItself(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (kindOf(folder) == JournalFolder::Kind::Folder)
        return folder;
    if (folder != INVALID_HANDLE_VALUE)
        CloseHandle(folder);
    return INVALID_HANDLE_VALUE;
}

} // namespace

JournalFolder::JournalFolder() : d(std::make_unique<Native>()) {}

JournalFolder::~JournalFolder()
{
    if (d->lock != INVALID_HANDLE_VALUE)
        CloseHandle(d->lock);
    if (d->folder != INVALID_HANDLE_VALUE)
        CloseHandle(d->folder);
}

bool JournalFolder::open(const QString &path)
{
    m_path = path;
    d->folder = openFolder(path);
    return d->folder != INVALID_HANDLE_VALUE;
}

// The parent is held, so the name is looked up in the very folder it opened.
bool JournalFolder::open(const JournalFolder &parent, const QString &name)
{
    m_path = parent.m_path + u'/' + name;
    d->folder =
        parent.d->folder == INVALID_HANDLE_VALUE ? INVALID_HANDLE_VALUE : openFolder(m_path);
    return d->folder != INVALID_HANDLE_VALUE;
}

QList<JournalFolder::Item> JournalFolder::items() const
{
    QList<Item> items;
    WIN32_FIND_DATAW found;
    const HANDLE search =
        d->folder == INVALID_HANDLE_VALUE
            ? INVALID_HANDLE_VALUE
            : FindFirstFileExW(nativePath(m_path + QStringLiteral("/*")).c_str(), FindExInfoBasic,
                               &found, FindExSearchNameMatch, nullptr, 0);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        const QString name = QString::fromWCharArray(found.cFileName);
        const DWORD attributes = found.dwFileAttributes;
        if (name == u"." || name == u"..")
            continue;
        const Kind kind = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? Kind::Other
                          : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? Kind::Folder
                          : (attributes & FILE_ATTRIBUTE_DEVICE) != 0      ? Kind::Other
                                                                           : Kind::File;
        items.append({name, kind, qint64(found.nFileSizeHigh) << 32 | found.nFileSizeLow});
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return items;
}

int JournalFolder::links(const QString &name) const
{
    const HANDLE file = openAsItself(m_path + u'/' + name, FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    DWORD links = 0;
    const bool plain = kindOf(file, &links) == Kind::File;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return plain ? int(links) : 0;
}

bool JournalFolder::openFile(const QString &name, QFile &file, QString &error) const
{
    const HANDLE handle = openAsItself(m_path + u'/' + name, GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (handle == INVALID_HANDLE_VALUE) {
        error = FileFailure::cannotOpen(int(GetLastError())).text;
        return false;
    }
    const int fd = kindOf(handle) == Kind::File
                       ? _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY)
                       : -1;
    if (fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    error = FileFailure::notRegular().text;
    if (fd >= 0)
        _close(fd);
    else
        CloseHandle(handle);
    return false;
}

// DeleteFileW removes a link itself, never what it leads to.
bool JournalFolder::remove(const QString &name) const
{
    return JournalLayout::isOwn(name) && DeleteFileW(nativePath(m_path + u'/' + name).c_str()) != 0;
}

bool JournalFolder::removeFolder(const QString &name) const
{
    return RemoveDirectoryW(nativePath(m_path + u'/' + name).c_str()) != 0;
}

// A run holds its run.json open, undeletable, while it goes on (RunJournal::open).
bool JournalFolder::lockUnlessBusy()
{
    return d->folder != INVALID_HANDLE_VALUE &&
           !IsHeld(nativePath(m_path + u'/' + JournalLayout::runNote));
}

bool JournalFolder::holdLock(const QString &name)
{
    d->lock = openAsItself(m_path + u'/' + name, GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    OVERLAPPED whole = {};
    return kindOf(d->lock) == Kind::File &&
           LockFileEx(d->lock, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole) != 0;
}

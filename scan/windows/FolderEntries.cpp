// A folder's entries as Windows lists them.
#include "scan/FolderHandle.h"
#include "scan/FolderListing.h"
#include "scan/PageName.h"

#include <QFile>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// FindFirstFileEx rather than QDir: it reports why a folder cannot be listed, and its attributes
// carry the hidden, system and reparse-point marks that QDir does not all honour.
void FolderListing::readEntries(const FolderHandle &folder)
{
    QString query = folder.native().path;
    if (!query.endsWith(u'\\'))
        query += u'\\';
    query += u'*';
    WIN32_FIND_DATAW data;
    const HANDLE handle =
        FindFirstFileExW(reinterpret_cast<const wchar_t *>(query.utf16()), FindExInfoBasic, &data,
                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // An empty drive root has no "." entry, so nothing at all matches "*" there.
        if (error != ERROR_FILE_NOT_FOUND)
            fail(qt_error_string(int(error)));
        return;
    }
    do {
        const DWORD attributes = data.dwFileAttributes;
        const bool folderEntry = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Junctions and links to folders are never entered; of file reparse points only links
        // are left out, since cloud and deduplicated files are ordinary files to the user.
        const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                          (folderEntry || data.dwReserved0 == IO_REPARSE_TAG_SYMLINK);
        // Not fromWCharArray(), which takes a leading U+FEFF for a byte order mark and drops
        // it: "\uFEFFindex.htm" would be listed as index.htm, another file.
        const QString name(reinterpret_cast<const QChar *>(data.cFileName));
        if ((attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0 ||
            name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        if (link) {
            noteLink(name, QFile::encodeName(name), folderEntry, IsPageName(name));
            continue;
        }
        if (folderEntry)
            m_subfolders.append(name);
        else if ((attributes & FILE_ATTRIBUTE_DEVICE) == 0 && IsPageName(name))
            m_files.append(name);
    } while (FindNextFileW(handle, &data));
    const DWORD error = GetLastError();
    FindClose(handle);
    if (error != ERROR_NO_MORE_FILES)
        fail(qt_error_string(int(error)));
}

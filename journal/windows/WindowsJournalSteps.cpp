#include "journal/windows/WindowsJournalSteps.h"

#ifdef _WIN32

#include "file/windows/WindowsFileReplace.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>

namespace {

// Whether the file open as a is the one open as b, which share a volume: the same ID, size and
// time of last write. Not the volume's serial number: Wine gives each drive letter a serial of
// its own, though C: and Z: may lie on one Linux file system, and a hard link between them
// works there.
bool sameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION first, second;
    return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow &&
           first.nFileSizeHigh == second.nFileSizeHigh &&
           first.nFileSizeLow == second.nFileSizeLow &&
           CompareFileTime(&first.ftLastWriteTime, &second.ftLastWriteTime) == 0;
}

enum class Link { Made, NotMade, LeftBehind };

// A hard link is made by name, and another file may have taken the page's name since it was
// opened: the link counts only when it leads to the very file open as source. One that does
// not is removed again, which fails while another program has that file open without delete
// sharing: then the name is taken, and a copy cannot be kept under it either.
Link linkOriginal(HANDLE source, const std::wstring &path, const std::wstring &kept)
{
    if (!CreateHardLinkW(kept.c_str(), ExtendedPath(path).c_str(), nullptr))
        return Link::NotMade;
    const HANDLE link = CreateFileW(kept.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const bool same = link != INVALID_HANDLE_VALUE && sameFile(source, link);
    if (link != INVALID_HANDLE_VALUE)
        CloseHandle(link);
    if (same)
        return Link::Made;
    return DeleteFileW(kept.c_str()) ? Link::NotMade : Link::LeftBehind;
}

// Reads through source at explicit offsets; its position is put back afterwards.
DWORD copyOriginal(HANDLE source, const std::wstring &kept, std::uint64_t size)
{
    LARGE_INTEGER position = {}, zero = {};
    if (!SetFilePointerEx(source, zero, &position, FILE_CURRENT))
        return GetLastError();
    const HANDLE copy = CreateFileW(kept.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (copy == INVALID_HANDLE_VALUE)
        return GetLastError();
    constexpr DWORD ChunkBytes = DWORD(1) << 20;
    std::string buffer(ChunkBytes, '\0');
    DWORD code = ERROR_SUCCESS;
    for (std::uint64_t offset = 0; code == ERROR_SUCCESS && offset < size;) {
        OVERLAPPED at = {};
        at.Offset = DWORD(offset & 0xffffffffu);
        at.OffsetHigh = DWORD(offset >> 32);
        const DWORD wanted = DWORD(std::min<std::uint64_t>(ChunkBytes, size - offset));
        DWORD got = 0, written = 0;
        if (!ReadFile(source, buffer.data(), wanted, &got, &at))
            code = GetLastError();
        else if (got == 0) // shorter than it was when opened
            code = ERROR_HANDLE_EOF;
        else if (!WriteFile(copy, buffer.data(), got, &written, nullptr) || written != got)
            code = GetLastError() != ERROR_SUCCESS ? GetLastError() : DWORD(ERROR_DISK_FULL);
        offset += got;
    }
    if (code == ERROR_SUCCESS && !FlushFileBuffers(copy))
        code = GetLastError();
    CloseHandle(copy);
    SetFilePointerEx(source, position, nullptr, FILE_BEGIN);
    if (code != ERROR_SUCCESS)
        DeleteFileW(kept.c_str());
    return code;
}

} // namespace

// The link costs no space and no time, but needs the journal on the page's volume and a file
// system with hard links (not FAT, not every network share); anything else gets the copy,
// which reports what stands in the way if it fails too.
KeptOriginal KeepOriginal(void *source, const std::wstring &path, const std::wstring &kept,
                          std::uint64_t size, std::wstring &error)
{
    const HANDLE file = static_cast<HANDLE>(source);
    const std::wstring to = ExtendedPath(kept);
    const Link link = linkOriginal(file, path, to);
    if (link == Link::Made)
        return KeptOriginal::Linked;
    if (link == Link::LeftBehind) {
        error = SystemMessage(GetLastError());
        return KeptOriginal::LinkLeftBehind;
    }
    const DWORD code = copyOriginal(file, to, size);
    if (code == ERROR_SUCCESS)
        return KeptOriginal::Copied;
    error = SystemMessage(code);
    return KeptOriginal::Failed;
}

void *CreateHeld(const std::wstring &path, const std::string &bytes, std::wstring &error)
{
    const std::wstring name = ExtendedPath(path);
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = SystemMessage(GetLastError());
        return nullptr;
    }
    DWORD written = 0;
    if (WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
        written == bytes.size() && FlushFileBuffers(file))
        return file;
    error = SystemMessage(GetLastError());
    CloseHandle(file);
    DeleteFileW(name.c_str());
    return nullptr;
}

// Deleting needs every handle open on the file to share deletion; CreateHeld's does not.
bool IsHeld(const std::wstring &path)
{
    const HANDLE file = CreateFileW(ExtendedPath(path).c_str(), DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return false;
}

void *ReopenForReading(void *handle)
{
    const HANDLE reader = ReOpenFile(static_cast<HANDLE>(handle), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
    return reader == INVALID_HANDLE_VALUE ? nullptr : reader;
}

void CloseHeld(void *handle)
{
    CloseHandle(static_cast<HANDLE>(handle));
}

#endif // _WIN32

#include "file/windows/WindowsFileReplace.h"

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>

namespace {

// A virus scanner, an indexer or a backup agent opens a file that has just been written, often
// without FILE_SHARE_DELETE, and holds it for some milliseconds up to a few hundred. Ten tries
// 100 ms apart wait that out without stalling a run for long on a file that stays locked.
constexpr int Attempts = 10;
constexpr DWORD PauseMilliseconds = 100;

// FILETIME counts steps of 100 ns from 1601.
constexpr std::int64_t StepsPerSecond = 10000000;
constexpr std::int64_t SecondsFrom1601To1970 = 11644473600;

// winerror.h defines these as long; compared with DWORDs they must be DWORDs too.
constexpr DWORD RemoveReplacedFailed = ERROR_UNABLE_TO_REMOVE_REPLACED;
constexpr DWORD MoveReplacementFailed = ERROR_UNABLE_TO_MOVE_REPLACEMENT;
constexpr DWORD MoveReplacementFailed2 = ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;

// Errors that another program's open handle causes and that go away when it closes it.
// ERROR_ACCESS_DENIED is among them: a file that a scanner is deleting or that is still
// delete-pending reports it. A file that stays denied costs one second before its error.
// ERROR_UNABLE_TO_REMOVE_REPLACED means that ReplaceFileW could not move the old file out of
// the way and left both files under their own names, so trying again is safe.
bool isTransient(DWORD code)
{
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED || code == RemoveReplacedFailed;
}

// Calls step (a Win32 call that sets the last error on failure) until it succeeds, fails for a
// reason that waiting does not cure, or the attempts are used up. Returns the last error, or
// ERROR_SUCCESS.
template <typename Step> DWORD withRetries(Step step)
{
    for (int attempt = 1;; ++attempt) {
        if (step())
            return ERROR_SUCCESS;
        const DWORD code = GetLastError();
        if (!isTransient(code) || attempt == Attempts)
            return code;
        Sleep(PauseMilliseconds);
    }
}

std::wstring systemMessage(DWORD code)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::wstring message = length > 0 ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    // The system's messages end in a full stop and a line break; ours go on after them.
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    if (message.empty())
        message = L"error " + std::to_wstring(code);
    return message;
}

// Win32 file functions take paths longer than MAX_PATH only with the \\?\ prefix, which also
// turns off their normalisation; the paths given here are absolute and clean already.
std::wstring extendedPath(const std::wstring &path)
{
    if (path.size() < MAX_PATH || path.starts_with(L"\\\\?\\"))
        return path;
    if (path.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

bool fileIsGone(const std::wstring &path)
{
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// ReplaceFileW stopped half-way. Its documentation and the system's messages for these two
// codes disagree on where the old file is when no backup name is given: the messages say it
// kept (1176) or changed (1177) its name, the documentation says it is gone (1176) or under a
// name of the system's choosing (1177). Both agree that the scratch file, the complete new
// text, is still under its own name. So look: if the file is still at its path nothing is
// lost; if not, the scratch file is all that is left of it and must take its place, and must
// never be deleted.
bool recoverHalfReplaced(const std::wstring &target, const std::wstring &scratch, DWORD code,
                         ReplaceFailure &failure)
{
    using Ending = ReplaceFailure::Ending;
    failure.ending = Ending::StoppedHalfWay;
    failure.reason = systemMessage(code);
    if (!fileIsGone(extendedPath(target))) {
        std::wstring ignored;
        DeleteScratch(scratch, ignored);
        return false;
    }
    const std::wstring from = extendedPath(scratch);
    const std::wstring to = extendedPath(target);
    const DWORD moved = withRetries(
        [&] { return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0; });
    failure.ending = moved == ERROR_SUCCESS ? Ending::RenamedInPlace : Ending::OnlyInScratch;
    if (moved != ERROR_SUCCESS)
        failure.renameReason = systemMessage(moved);
    return false;
}

// Windows' ReplaceFileW gives the new file the old one's attributes; Wine's renames the scratch
// file into place, so a hidden or system page would come out plain there. What is missing is
// put back; the archive bit stays as the system set it, for the new text is a change to back
// up. On Windows nothing is missing and this costs one look at the attributes.
bool keepAttributes(const std::wstring &path, DWORD original, ReplaceFailure &failure)
{
    constexpr DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    constexpr DWORD settable = kept | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                               FILE_ATTRIBUTE_TEMPORARY;
    const DWORD now = GetFileAttributesW(path.c_str());
    if (original == INVALID_FILE_ATTRIBUTES || now == INVALID_FILE_ATTRIBUTES ||
        (original & kept & ~now) == 0)
        return true;
    if (SetFileAttributesW(path.c_str(), (now | (original & kept)) & settable))
        return true;
    failure.ending = ReplaceFailure::Ending::AttributesNotKept;
    failure.reason = systemMessage(GetLastError());
    return false;
}

} // namespace

bool WindowsFileFacts::isReadOnly() const
{
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool ReadFileFacts(void *handle, WindowsFileFacts &facts, std::wstring &error)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(static_cast<HANDLE>(handle), &info)) {
        error = systemMessage(GetLastError());
        return false;
    }
    const auto join = [](DWORD high, DWORD low) { return std::uint64_t(high) << 32 | low; };
    facts.attributes = info.dwFileAttributes;
    facts.links = info.nNumberOfLinks;
    facts.volume = info.dwVolumeSerialNumber;
    facts.index = join(info.nFileIndexHigh, info.nFileIndexLow);
    facts.size = join(info.nFileSizeHigh, info.nFileSizeLow);
    facts.lastWrite = join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    FILE_BASIC_INFO basic;
    facts.changed = GetFileInformationByHandleEx(static_cast<HANDLE>(handle), FileBasicInfo, &basic,
                                                 sizeof basic)
                        ? std::uint64_t(basic.ChangeTime.QuadPart)
                        : 0;
    return true;
}

bool ReadFileFacts(const std::wstring &path, WindowsFileFacts &facts, std::wstring &error)
{
    const HANDLE handle = CreateFileW(extendedPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = systemMessage(GetLastError());
        return false;
    }
    const bool read = ReadFileFacts(handle, facts, error);
    CloseHandle(handle);
    return read;
}

bool SameFileVersion(const WindowsFileFacts &a, const WindowsFileFacts &b)
{
    return a.volume == b.volume && a.index == b.index && a.size == b.size &&
           a.lastWrite == b.lastWrite;
}

std::uint64_t FileTimeOf(std::int64_t seconds, std::int64_t nanoseconds)
{
    return std::uint64_t((seconds + SecondsFrom1601To1970) * StepsPerSecond + nanoseconds / 100);
}

void UnixTimeOf(std::uint64_t fileTime, std::int64_t &seconds, std::int64_t &nanoseconds)
{
    seconds = std::int64_t(fileTime / StepsPerSecond) - SecondsFrom1601To1970;
    nanoseconds = std::int64_t(fileTime % StepsPerSecond) * 100;
}

bool SetLastWrite(void *handle, std::uint64_t fileTime, std::wstring &error)
{
    FILETIME time;
    time.dwLowDateTime = DWORD(fileTime & 0xffffffffu);
    time.dwHighDateTime = DWORD(fileTime >> 32);
    if (SetFileTime(static_cast<HANDLE>(handle), nullptr, nullptr, &time))
        return true;
    error = systemMessage(GetLastError());
    return false;
}

bool FlushToDisk(void *handle, std::wstring &error)
{
    if (FlushFileBuffers(static_cast<HANDLE>(handle)))
        return true;
    error = systemMessage(GetLastError());
    return false;
}

// Why ReplaceFileW and not MoveFileExW(MOVEFILE_REPLACE_EXISTING), which QSaveFile uses: a
// rename gives the file the scratch file's security descriptor (inherited from the folder),
// attributes and creation time, and drops its alternate data streams (the "downloaded from
// the Internet" mark among them). ReplaceFileW first merges all of these from the old file
// into the scratch file, then swaps the names, so the file keeps them with its new text.
//
// Flags: none. REPLACEFILE_IGNORE_MERGE_ERRORS and REPLACEFILE_IGNORE_ACL_ERRORS would let the
// replacement go ahead with the ACL or the attributes lost (without WRITE_DAC, say); losing
// them silently is what this function exists to prevent, so such a file fails instead and
// stays as it was. REPLACEFILE_WRITE_THROUGH is documented as not supported; the scratch file
// was flushed to the disk by the caller, and NTFS journals the renames themselves.
//
// Backup name: none. With one, Windows would leave the old text under that name on success,
// to be deleted afterwards (a delete that a scanner can block, leaving a stray file behind);
// without one the old file is simply gone on success. The price is the muddle of the two
// half-way failures, which recoverHalfReplaced sorts out by looking at the disk.
bool ReplaceWithScratch(const std::wstring &target, const std::wstring &scratch,
                        ReplaceFailure &failure)
{
    const std::wstring replaced = extendedPath(target);
    const std::wstring replacement = extendedPath(scratch);
    // Windows refuses to replace a folder, but Wine moves it aside under a name of its own and
    // puts the file in its place; one that another program put there is left where it is.
    const DWORD original = GetFileAttributesW(replaced.c_str());
    const bool folder =
        original != INVALID_FILE_ATTRIBUTES && (original & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const DWORD code = folder ? DWORD(ERROR_ACCESS_DENIED) : withRetries([&] {
        return ReplaceFileW(replaced.c_str(), replacement.c_str(), nullptr, 0, nullptr, nullptr) !=
               0;
    });
    if (code == ERROR_SUCCESS)
        return keepAttributes(replaced, original, failure);
    if (code == MoveReplacementFailed || code == MoveReplacementFailed2)
        return recoverHalfReplaced(target, scratch, code, failure);
    // Any other error leaves both files under their own names (the old one untouched).
    using Ending = ReplaceFailure::Ending;
    failure.ending = folder ? Ending::FolderInPlace : Ending::Refused;
    failure.reason = folder ? std::wstring() : systemMessage(code);
    std::wstring ignored;
    failure.scratchLeft = !DeleteScratch(scratch, ignored);
    return false;
}

bool DeleteScratch(const std::wstring &scratch, std::wstring &error)
{
    const std::wstring path = extendedPath(scratch);
    const DWORD code = withRetries([&] { return DeleteFileW(path.c_str()) != 0; });
    if (code == ERROR_SUCCESS || code == ERROR_FILE_NOT_FOUND)
        return true;
    error = systemMessage(code);
    return false;
}

std::wstring SystemMessage(std::uint32_t code)
{
    return systemMessage(code);
}

std::wstring ExtendedPath(const std::wstring &path)
{
    return extendedPath(path);
}

#endif // _WIN32

#pragma once

// Windows only: the file operations a rewrite needs beyond what Qt offers, in plain Win32 and
// standard C++ (no Qt), so that a MinGW cross compiler can check them on any build machine.
// Paths are absolute, with backslashes (QDir::toNativeSeparators); longer ones than MAX_PATH
// are given the \\?\ prefix here. Handles are Win32 HANDLEs passed as void *, so that this
// header does not pull <windows.h> into its includers.

#include <cstdint>
#include <string>

/// What a rewrite needs to know of a file: whether it may be replaced, and which file and
/// which version of it a path named at one moment.
struct WindowsFileFacts
{
    std::uint32_t attributes = 0; ///< FILE_ATTRIBUTE_* bits
    std::uint32_t links = 0;      ///< number of hard links (names) of the file
    std::uint32_t volume = 0;     ///< serial number of the volume that holds the file
    std::uint64_t index = 0;      ///< the file's ID on its volume
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0; ///< FILETIME of the last write
    /// FILETIME of the last change to the file's bytes, times, attributes or names (NTFS's change
    /// time); 0 where the file system keeps none
    std::uint64_t changed = 0;

    /// True when the read-only attribute is set: ReplaceFileW would refuse the file.
    bool isReadOnly() const;
};

/// Reads the facts of the file open as handle. On failure error holds the system's message.
bool ReadFileFacts(void *handle, WindowsFileFacts &facts, std::wstring &error);

/// Reads the facts of the file at path. It is opened for its attributes only, which no share
/// mode of another program's handle can refuse. On failure error holds the system's message.
bool ReadFileFacts(const std::wstring &path, WindowsFileFacts &facts, std::wstring &error);

/// True when two readings found the same file, with the same size and time of last write.
bool SameFileVersion(const WindowsFileFacts &a, const WindowsFileFacts &b);

/// A FILETIME (100-nanosecond steps since 1601) for a moment in seconds and nanoseconds since
/// 1970, and back: the journal keeps times as POSIX does, to the nanosecond.
std::uint64_t FileTimeOf(std::int64_t seconds, std::int64_t nanoseconds);
void UnixTimeOf(std::uint64_t fileTime, std::int64_t &seconds, std::int64_t &nanoseconds);

/// Sets the time of last write of the file open as handle (which needs write access), leaving
/// its other times. On failure error holds the system's message.
bool SetLastWrite(void *handle, std::uint64_t fileTime, std::wstring &error);

/// Forces what was written through handle to the disk (FlushFileBuffers). The handle must
/// have write access. On failure error holds the system's message.
bool FlushToDisk(void *handle, std::wstring &error);

/// How ReplaceWithScratch failed, in the system's words; the file layer words it for users.
struct ReplaceFailure
{
    enum class Ending {
        Refused,        ///< both files kept their names, the old one untouched
        FolderInPlace,  ///< refused: a folder has taken the file's place
        StoppedHalfWay, ///< ReplaceFileW stopped half-way with the file still as it was
        /// ReplaceFileW took the old file away; the new text took its place by a rename, which
        /// may lose its permissions, attributes and alternate data streams
        RenamedInPlace,
        /// ReplaceFileW took the old file away and the new text could not take its place: the
        /// scratch file holds the only copy of the file's text
        OnlyInScratch,
        AttributesNotKept ///< replaced, but its hidden or system attribute could not be set again
    };
    Ending ending = Ending::Refused;
    std::wstring reason;       ///< the system's message (none for FolderInPlace)
    std::wstring renameReason; ///< for OnlyInScratch: why the rename failed
    bool scratchLeft = false;  ///< for Refused and FolderInPlace: the scratch file is still there
};

/// Puts the closed file scratch in the place of target, in the same folder, keeping target's
/// attributes, ACL, alternate data streams and creation time (ReplaceFileW). Retries for
/// about a second while another program holds either file open, so it may block the calling
/// thread that long. On failure failure says how it ended, and the scratch file has been
/// removed, except when it holds the only copy of the file's text or could not be removed.
bool ReplaceWithScratch(const std::wstring &target, const std::wstring &scratch,
                        ReplaceFailure &failure);

/// Deletes the scratch file, retrying like ReplaceWithScratch; a file already gone counts as
/// deleted. On failure error holds the system's message.
bool DeleteScratch(const std::wstring &scratch, std::wstring &error);

/// The system's message for a Win32 error code, without its closing full stop.
std::wstring SystemMessage(std::uint32_t code);

/// path with the \\?\ prefix where it is MAX_PATH long or longer, else path itself.
std::wstring ExtendedPath(const std::wstring &path);

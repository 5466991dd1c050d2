#pragma once

// Windows only: the undo journal's steps in plain Win32 and standard C++ (no Qt), beside the
// file layer's (file/windows/WindowsFileReplace.h), so that a MinGW cross compiler can check them
// on any build machine. Handles are Win32 HANDLEs passed as void *, as there.

#include <cstdint>
#include <string>

/// How KeepOriginal kept the original, or why not.
enum class KeptOriginal {
    Linked,        ///< as a hard link to the file opened
    Copied,        ///< as a copy
    Failed,        ///< not at all; nothing is left at kept
    LinkLeftBehind ///< not at all: a link to a file that took the page's name stays at kept
};

/// Keeps the original of the file open as source, which path named when it was opened, under
/// kept, a new name in the journal's folder: a hard link to that very file where the volume
/// allows one (the link is made by name, then checked to be that file), else a copy of its size
/// bytes read through source and flushed to the disk. source's position is left as it was. On
/// failure error holds the system's message (for LinkLeftBehind, why the link stays).
KeptOriginal KeepOriginal(void *source, const std::wstring &path, const std::wstring &kept,
                          std::uint64_t size, std::wstring &error);

/// Makes the new file path with bytes in it, flushed to the disk, and returns it still open,
/// shared for reading only: as long as it is open nobody can delete it (see IsHeld). A run
/// holds its journal folder so. nullptr on failure, with error holding the system's message.
void *CreateHeld(const std::wstring &path, const std::string &bytes, std::wstring &error);

/// True when the file at path is open in a way that keeps it from being deleted.
bool IsHeld(const std::wstring &path);

/// A handle of its own for reading the file open as handle from its start, or nullptr.
void *ReopenForReading(void *handle);

/// Lets go of a handle that this header handed out.
void CloseHeld(void *handle);

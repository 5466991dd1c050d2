// A console program over the Win32 file replacement. The Linux build only links it, which
// proves that every function the rewrite calls exists; on Windows it is a manual check:
//   replace_probe FILE              shows what a rewrite reads of FILE
//   replace_probe FILE SCRATCH      puts SCRATCH in the place of FILE, as a rewrite does
//   replace_probe --delete SCRATCH  deletes SCRATCH, as a failed rewrite does
// Worth trying on a file with the read-only attribute, an ACL of its own, an alternate data
// stream (echo x > page.htm:extra), more than one hard link, or one held open by an editor.

#include "WindowsFileReplace.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int failed(const std::wstring &path, const std::wstring &error)
{
    std::fwprintf(stderr, L"%ls: %ls\n", path.c_str(), error.c_str());
    return 1;
}

void print(const std::wstring &path, const WindowsFileFacts &facts)
{
    std::wprintf(
        L"%ls: %llu bytes, attributes 0x%lx%ls, %lu link(s), file %lx:%llx\n", path.c_str(),
        static_cast<unsigned long long>(facts.size), static_cast<unsigned long>(facts.attributes),
        facts.isReadOnly() ? L" (read-only)" : L"", static_cast<unsigned long>(facts.links),
        static_cast<unsigned long>(facts.volume), static_cast<unsigned long long>(facts.index));
}

int show(const std::wstring &path)
{
    WindowsFileFacts facts;
    std::wstring error;
    if (!ReadFileFacts(path, facts, error))
        return failed(path, error);
    print(path, facts);
    return 0;
}

// Flushes the scratch file through a handle of its own, as the rewrite flushes its open one.
bool flushScratch(const std::wstring &scratch, std::wstring &error)
{
    const HANDLE handle = CreateFileW(scratch.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = L"cannot open it";
        return false;
    }
    WindowsFileFacts facts;
    const bool flushed = FlushToDisk(handle, error) && ReadFileFacts(handle, facts, error);
    CloseHandle(handle);
    if (flushed)
        print(scratch, facts);
    return flushed;
}

int replace(const std::wstring &target, const std::wstring &scratch)
{
    WindowsFileFacts before, now;
    std::wstring error;
    if (!ReadFileFacts(target, before, error))
        return failed(target, error);
    print(target, before);
    if (!flushScratch(scratch, error))
        return failed(scratch, error);
    if (!ReadFileFacts(target, now, error))
        return failed(target, error);
    if (!SameFileVersion(before, now))
        return failed(target, L"changed by another program meanwhile");
    if (!ReplaceWithScratch(target, scratch, error))
        return failed(target, error);
    return show(target);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 2)
        return show(argv[1]);
    if (argc == 3 && std::wstring(argv[1]) == L"--delete") {
        std::wstring error;
        return DeleteScratch(argv[2], error) ? 0 : failed(argv[2], error);
    }
    if (argc == 3)
        return replace(argv[1], argv[2]);
    std::fwprintf(stderr, L"usage: replace_probe FILE [SCRATCH] | --delete SCRATCH\n");
    return 2;
}

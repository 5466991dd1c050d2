// The Win32 file replacement and the undo journal's keeping run for real, one row at a time:
// under Wine by CTest on Linux, by hand on Windows. Each row builds its files in rows\ROW below
// the working folder, calls the code a rewrite calls, and checks the bytes, names and attributes
// left on the disk.
//   replace_rows ROW   exit 0 passed, 1 failed
// The row disk_full needs rows\disk_full to be a small, empty disk of its own.

#include "WindowsFileReplace.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string OldText = "<p>old text</p>\r\n";
const std::string NewText = "<p>the new text</p>\n";
const std::wstring Scratch = L".tagmender-r0w5cr.tmp"; // as Windows scratch files are named

int failures = 0;

void check(bool ok, const std::wstring &what)
{
    if (!ok) {
        std::fwprintf(stderr, L"FAIL: %ls\n", what.c_str());
        ++failures;
    }
}

// The helpers' own calls use the \\?\ form, so that they reach long paths too; the code under
// test is given the plain path and must add the prefix itself.
std::wstring raw(const std::wstring &path)
{
    return L"\\\\?\\" + path;
}

// Writes bytes into a new file, flushed as the rewrite flushes its scratch file. On a failed
// write, error (when given) is the system's error code.
bool put(const std::wstring &path, const std::string &bytes, DWORD *error = nullptr)
{
    const HANDLE file = CreateFileW(raw(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool done = true;
    DWORD written = 0;
    for (std::size_t at = 0; done && at < bytes.size(); at += written)
        done = WriteFile(file, bytes.data() + at, DWORD(bytes.size() - at), &written, nullptr) &&
               written > 0;
    if (!done && error)
        *error = GetLastError();
    std::wstring flushError;
    done = done && FlushToDisk(file, flushError);
    CloseHandle(file);
    return done;
}

std::optional<std::string> bytesOf(const std::wstring &path)
{
    const HANDLE file = CreateFileW(raw(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes(4096, '\0');
    DWORD read = 0;
    const bool ok = ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return ok ? std::optional(bytes.substr(0, read)) : std::nullopt;
}

std::vector<std::wstring> namesIn(const std::wstring &folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(raw(folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

DWORD attributesOf(const std::wstring &path)
{
    return GetFileAttributesW(raw(path).c_str());
}

// The page holds the new text, no other name in its folder holds anything (the old text and
// the scratch file are gone), and the attributes asked for are set.
void checkReplaced(const std::wstring &folder, const std::wstring &page, DWORD attributes)
{
    check(bytesOf(folder + L"\\" + page) == NewText, L"the page holds the new text");
    check(namesIn(folder) == std::vector{page}, L"the page is the only name in its folder");
    const DWORD now = attributesOf(folder + L"\\" + page);
    for (const DWORD bit : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_ARCHIVE})
        if (attributes & bit)
            check(now != INVALID_FILE_ATTRIBUTES && (now & bit),
                  L"attribute " + std::to_wstring(bit) + L" kept (now " + std::to_wstring(now) +
                      L")");
}

// The page is byte for byte as it was and no scratch file is left.
void checkUntouched(const std::wstring &folder, const std::wstring &page)
{
    check(bytesOf(folder + L"\\" + page) == OldText, L"the page still holds the old text");
    for (const std::wstring &name : namesIn(folder))
        check(name == page, L"no other file in the folder, found " + name);
}

struct Row
{
    const wchar_t *name;
    void (*run)(const Row &, const std::wstring &folder);
    std::wstring page = L"page.htm";
    DWORD attributes = 0;    ///< set on the page before the rewrite
    std::wstring below = {}; ///< folders between the row's folder and the page's
    bool letGo = false;      ///< the other program lets go of the page during the retries
};

// A rewrite from start to end: read the facts, write and flush the scratch file, check the
// page is the version read, replace it.
void rewrite(const Row &row, const std::wstring &top)
{
    const std::wstring folder = top + row.below;
    const std::wstring page = folder + L"\\" + row.page;
    check(put(page, OldText), L"the page is written");
    if (row.attributes)
        check(SetFileAttributesW(raw(page).c_str(), row.attributes) &&
                  (attributesOf(page) & row.attributes) == row.attributes,
              L"attributes set");
    WindowsFileFacts before, now;
    std::wstring error;
    check(ReadFileFacts(page, before, error), L"facts read: " + error);
    check(before.size == OldText.size() && before.links == 1, L"size and link count read");
    check(put(folder + L"\\" + Scratch, NewText), L"the scratch file is written");
    check(ReadFileFacts(page, now, error) && SameFileVersion(before, now), L"page unchanged");
    check(ReplaceWithScratch(page, folder + L"\\" + Scratch, error), L"replaced: " + error);
    checkReplaced(folder, row.page, row.attributes);
}

// The rewrite refuses a read-only page up front; should one get past that, ReplaceFileW
// refuses it too (after the retries, access denied being one of the transient errors).
void readOnly(const Row &row, const std::wstring &folder)
{
    const std::wstring page = folder + L"\\" + row.page;
    check(put(page, OldText) && SetFileAttributesW(raw(page).c_str(), FILE_ATTRIBUTE_READONLY),
          L"a read-only page is made");
    WindowsFileFacts facts;
    std::wstring error;
    check(ReadFileFacts(page, facts, error) && facts.isReadOnly(), L"reported read-only");
    check(put(folder + L"\\" + Scratch, NewText), L"the scratch file is written");
    check(!ReplaceWithScratch(page, folder + L"\\" + Scratch, error), L"not replaced");
    check(error.find(L"scratch file") != std::wstring::npos, L"error says why: " + error);
    checkUntouched(folder, row.page);
    check(attributesOf(page) & FILE_ATTRIBUTE_READONLY, L"still read-only");
}

// A page with a second name is seen as such: the rewrite leaves it, for a new file in its
// place would leave the other name with the old text.
void hardLinks(const Row &, const std::wstring &folder)
{
    const std::wstring page = folder + L"\\page.htm";
    WindowsFileFacts facts;
    std::wstring error;
    check(put(page, OldText) && ReadFileFacts(page, facts, error) && facts.links == 1,
          L"one name: " + error);
    check(CreateHardLinkW(raw(folder + L"\\other.htm").c_str(), raw(page).c_str(), nullptr),
          L"a second name is made");
    check(ReadFileFacts(page, facts, error) && facts.links == 2, L"two names reported");
}

// Another program's change between the two readings, by appending or by putting another file
// of the same size in its place, is seen; with no change in between, none is reported.
void modifiedMeanwhile(const Row &, const std::wstring &folder)
{
    const std::wstring page = folder + L"\\page.htm";
    WindowsFileFacts first, again, appended, swapped;
    std::wstring error;
    check(put(page, OldText) && ReadFileFacts(page, first, error), L"facts read: " + error);
    check(ReadFileFacts(page, again, error) && SameFileVersion(first, again), L"same version");
    const HANDLE file = CreateFileW(raw(page).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    check(WriteFile(file, "x", 1, &written, nullptr) && CloseHandle(file), L"appended");
    check(ReadFileFacts(page, appended, error) && !SameFileVersion(first, appended),
          L"an appended page is another version");
    check(DeleteFileW(raw(page).c_str()) && put(page, std::string(appended.size, 'y')),
          L"another file of the same size put in its place");
    check(ReadFileFacts(page, swapped, error) && !SameFileVersion(appended, swapped),
          L"a page swapped for another file is another version");
}

// Another program holds the page open without FILE_SHARE_DELETE (a scanner, an editor): the
// replacement waits through its retries, then fails clearly, the page and no scratch file
// left. When that program lets go during the retries, the page is replaced.
void heldOpen(const Row &row, const std::wstring &folder)
{
    const std::wstring page = folder + L"\\page.htm";
    check(put(page, OldText) && put(folder + L"\\" + Scratch, NewText), L"files written");
    const HANDLE holder =
        CreateFileW(raw(page).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    check(holder != INVALID_HANDLE_VALUE, L"the page is held open");
    std::thread other([&] {
        if (row.letGo) {
            Sleep(300);
            CloseHandle(holder);
        }
    });
    std::wstring error;
    const bool replaced = ReplaceWithScratch(page, folder + L"\\" + Scratch, error);
    other.join();
    if (!row.letGo)
        CloseHandle(holder);
    // Wine's ReplaceFileW makes an empty rfXXXX.tmp beside the page before every try and leaves
    // it when the page cannot be moved; Windows makes none.
    int wineLeftovers = 0;
    for (const std::wstring &name : namesIn(folder))
        if (name.starts_with(L"rf") && name.ends_with(L".tmp") && bytesOf(folder + L"\\" + name) &&
            bytesOf(folder + L"\\" + name)->empty() &&
            DeleteFileW(raw(folder + L"\\" + name).c_str()))
            ++wineLeftovers;
    if (wineLeftovers > 0)
        std::wprintf(L"note: Wine's ReplaceFileW left %d empty rf*.tmp files\n", wineLeftovers);
    if (row.letGo) {
        check(replaced, L"replaced once the other program let go: " + error);
        return checkReplaced(folder, row.page, 0);
    }
    check(!replaced, L"not replaced while held");
    check(error.find(L"cannot replace the file") != std::wstring::npos &&
              error.find(L"could not be removed") == std::wstring::npos,
          L"a clear error, the scratch file removed: " + error);
    checkUntouched(folder, row.page);
}

// The page was deleted before the replacement: the rewrite's last check fails, and the
// replacement itself neither brings it back nor leaves the scratch file.
void vanished(const Row &, const std::wstring &folder)
{
    const std::wstring page = folder + L"\\page.htm";
    WindowsFileFacts facts;
    std::wstring error;
    check(put(page, OldText) && DeleteFileW(raw(page).c_str()), L"the page comes and goes");
    check(!ReadFileFacts(page, facts, error), L"no facts of a vanished page");
    check(put(folder + L"\\" + Scratch, NewText), L"the scratch file is written");
    check(!ReplaceWithScratch(page, folder + L"\\" + Scratch, error), L"not replaced");
    check(error.find(L"cannot replace the file") != std::wstring::npos, L"error: " + error);
    check(namesIn(folder).empty(), L"the folder is left empty");
}

// A folder where the page was (swapped in by another program): it is not taken for the page
// and stays, with its content, where it is.
void folderNotFile(const Row &, const std::wstring &folder)
{
    const std::wstring page = folder + L"\\page.htm";
    WindowsFileFacts before, now;
    std::wstring error;
    check(put(page, OldText) && ReadFileFacts(page, before, error), L"facts read: " + error);
    check(DeleteFileW(raw(page).c_str()) && CreateDirectoryW(raw(page).c_str(), nullptr) &&
              put(page + L"\\inner.htm", OldText),
          L"a folder takes the page's place");
    const bool read = ReadFileFacts(page, now, error);
    check(!read || !SameFileVersion(before, now), L"the folder is not the page's version");
    check(put(folder + L"\\" + Scratch, NewText), L"the scratch file is written");
    check(!ReplaceWithScratch(page, folder + L"\\" + Scratch, error), L"not replaced");
    check(error.find(L"folder") != std::wstring::npos, L"error names the folder: " + error);
    check(attributesOf(page) & FILE_ATTRIBUTE_DIRECTORY, L"the folder is still there");
    check(bytesOf(page + L"\\inner.htm") == OldText, L"its content is intact");
    check(namesIn(folder) == std::vector<std::wstring>{L"page.htm"}, L"no scratch file left");
}

// The disk is full (a small tmpfs mounted by CTest): the scratch file cannot be written, the
// rewrite deletes what was written of it, and the page stays as it was.
void diskFull(const Row &row, const std::wstring &folder)
{
    const std::wstring page = folder + L"\\page.htm";
    check(put(page, OldText), L"the page is written");
    DWORD code = 0;
    check(!put(folder + L"\\" + Scratch, std::string(1 << 20, 'z'), &code),
          L"a scratch file larger than the disk cannot be written");
    check(code == ERROR_DISK_FULL, L"the disk is reported full: error " + std::to_wstring(code));
    std::wstring error;
    check(DeleteScratch(folder + L"\\" + Scratch, error), L"the scratch file deleted: " + error);
    checkUntouched(folder, row.page);
}

// The undo journal keeps the original of the page that was opened (as Qt opens it: no delete
// sharing) before the page is replaced: a hard link on the page's volume; a copy read through
// the open page when its name has come to name another file. An undo puts it back, its time of
// last write included, through a scratch file as a run does.
void journalKept(const Row &, const std::wstring &folder)
{
    const std::wstring page = folder + L"\\page.htm", journal = folder + L"\\journal";
    WindowsFileFacts original, now;
    std::wstring error;
    bool copied = true;
    check(put(page, OldText) && ReadFileFacts(page, original, error) &&
              CreateDirectoryW(raw(journal).c_str(), nullptr),
          L"the page and the journal are made: " + error);
    HANDLE open = CreateFileW(raw(page).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    check(KeepOriginal(open, page, journal + L"\\1.orig", OldText.size(), copied, error) && !copied,
          L"kept as a hard link: " + error);
    CloseHandle(open);
    check(put(folder + L"\\" + Scratch, NewText) &&
              ReplaceWithScratch(page, folder + L"\\" + Scratch, error),
          L"replaced: " + error);
    check(bytesOf(journal + L"\\1.orig") == OldText, L"the journal keeps the old text");

    const HANDLE scratch = CreateFileW(raw(folder + L"\\" + Scratch).c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
    DWORD written = 0;
    check(WriteFile(scratch, OldText.data(), DWORD(OldText.size()), &written, nullptr) &&
              SetLastWrite(scratch, original.lastWrite, error) && FlushToDisk(scratch, error) &&
              CloseHandle(scratch) && ReplaceWithScratch(page, folder + L"\\" + Scratch, error),
          L"put back: " + error);
    check(bytesOf(page) == OldText && ReadFileFacts(page, now, error) &&
              now.lastWrite == original.lastWrite,
          L"the old text and its time are back");

    open = CreateFileW(raw(page).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    check(MoveFileW(raw(page).c_str(), raw(folder + L"\\moved.htm").c_str()) && put(page, NewText),
          L"another file takes the page's name");
    check(KeepOriginal(open, page, journal + L"\\2.orig", OldText.size(), copied, error) && copied,
          L"kept as a copy: " + error);
    CloseHandle(open);
    check(bytesOf(journal + L"\\2.orig") == OldText && ReadFileFacts(page, now, error) &&
              now.links == 1,
          L"the copy is of the file opened, the other file got no second name");

    // A run holds its journal folder so that no other run prunes it meanwhile.
    void *held = CreateHeld(journal + L"\\run.json", "{}", error);
    check(held && IsHeld(journal + L"\\run.json"), L"held while the run goes on: " + error);
    CloseHeld(held);
    check(!IsHeld(journal + L"\\run.json"), L"free once the run has ended");
}

const Row rows[] = {
    {.name = L"replaced", .run = rewrite},
    {.name = L"hidden_system_archive",
     .run = rewrite,
     .attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
    {.name = L"non_ascii_name",
     .run = rewrite,
     .page = L"p\u00e2g\u00e9-\u65e5\u672c-\u0416-\U0001F600.htm"},
    {.name = L"long_path",
     .run = rewrite,
     .below = L"\\" + std::wstring(120, L'a') + L"\\" + std::wstring(120, L'b') + L"\\" +
              std::wstring(120, L'\u00e7')},
    {.name = L"read_only", .run = readOnly},
    {.name = L"hard_links", .run = hardLinks},
    {.name = L"modified_meanwhile", .run = modifiedMeanwhile},
    {.name = L"held_open", .run = heldOpen},
    {.name = L"released_during_retries", .run = heldOpen, .letGo = true},
    {.name = L"vanished", .run = vanished},
    {.name = L"folder_not_file", .run = folderNotFile},
    {.name = L"disk_full", .run = diskFull},
    {.name = L"journal_kept", .run = journalKept},
};

// rows\ROW below the working folder (CTest empties rows\ before the first row), and the
// folders the row puts between it and its page.
std::wstring makeFolder(const Row &row)
{
    wchar_t cwd[MAX_PATH];
    const std::size_t start = GetCurrentDirectoryW(MAX_PATH, cwd);
    const std::wstring top = std::wstring(cwd) + L"\\rows\\" + row.name;
    const std::wstring deepest = top + row.below + L"\\";
    for (std::size_t end = start; (end = deepest.find(L'\\', end + 1)) != std::wstring::npos;)
        CreateDirectoryW(raw(deepest.substr(0, end)).c_str(), nullptr);
    return top;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    for (const Row &row : rows) {
        if (argc < 2 || row.name != std::wstring(argv[1]))
            continue;
        row.run(row, makeFolder(row));
        if (failures > 0)
            return 1;
        std::wprintf(L"passed: %ls\n", row.name);
        return 0;
    }
    // Without a known row: the rows there are (CTest's first call, which makes the Wine prefix).
    for (const Row &row : rows)
        std::wprintf(L"%ls\n", row.name);
    return argc < 2 ? 0 : 2;
}

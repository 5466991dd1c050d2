// The Win32 file replacement and the undo journal's keeping run for real, one row at a time
// (replace_rows ROW, exit 0 passed): under Wine by CTest on Linux, by hand on Windows. Each row
// builds its files in rows\ROW below the working folder (disk_full: a small disk of its own),
// calls the code a rewrite calls, and checks the bytes, names and attributes left on the disk.

#include "file/windows/WindowsFileReplace.h"
#include "journal/windows/WindowsJournalSteps.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

namespace {

const std::string OldText = "<p>old text</p>\r\n", NewText = "<p>the new text</p>\n";
const std::wstring Scratch = L".tagmender-r0w5cr.tmp"; // as Windows scratch files are named
int failures = 0;

void check(bool ok, const std::wstring &what)
{
    if (!ok && ++failures)
        std::fwprintf(stderr, L"FAIL: %ls\n", what.c_str());
}

// The helpers' own calls use the \\?\ form, so that they reach long paths too; the code under
// test is given the plain path and must add the prefix itself.
std::wstring raw(const std::wstring &path)
{
    return L"\\\\?\\" + path;
}

HANDLE open(const std::wstring &path, DWORD access, DWORD share, DWORD creation = OPEN_EXISTING)
{
    return CreateFileW(raw(path).c_str(), access, share, nullptr, creation, 0, nullptr);
}

// Writes bytes into a new file, with lastWrite as its time when given, flushed as the rewrite
// flushes its scratch file. On a failed write, error (when given) is the system's error code.
bool put(const std::wstring &path, const std::string &bytes, std::uint64_t lastWrite = 0,
         DWORD *error = nullptr)
{
    const HANDLE file = open(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
    DWORD written = file == INVALID_HANDLE_VALUE ? 0 : 1; // WriteFile makes it 0 when it fails
    for (std::size_t at = 0; written > 0 && at < bytes.size(); at += written)
        WriteFile(file, bytes.data() + at, DWORD(bytes.size() - at), &written, nullptr);
    std::wstring ignored;
    const bool done = written > 0 && (!lastWrite || SetLastWrite(file, lastWrite, ignored)) &&
                      FlushToDisk(file, ignored);
    if (!done && error)
        *error = GetLastError();
    CloseHandle(file);
    return done;
}

std::optional<std::string> bytesOf(const std::wstring &path)
{
    std::ifstream file(raw(path).c_str(), std::ios::binary);
    return file ? std::optional(std::string(std::istreambuf_iterator<char>(file), {}))
                : std::nullopt;
}

// Wine's ReplaceFileW makes an empty rfXXXX.tmp beside the page before every try and leaves it
// when the page cannot be moved (Windows makes none): such files are not listed.
std::vector<std::wstring> namesIn(const std::wstring &folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(raw(folder + L"\\*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if (const std::wstring name = found.cFileName;
            name != L"." && name != L".." &&
            !(name.starts_with(L"rf") && name.ends_with(L".tmp") &&
              bytesOf(folder + L"\\" + name) == ""))
            names.push_back(name);
    FindClose(search);
    return names;
}

// What a row works on, and what it must find afterwards: the file look holding text (nothing:
// no file there), and no other name than the page's in its folder.
struct Place
{
    std::wstring folder, page, scratch, look;
    std::optional<std::string> text;
    std::wstring error = {};
    ReplaceFailure failure = {};
    WindowsFileFacts before = {};
};

struct Row
{
    const wchar_t *name;
    void (*run)(const Row &, Place &) = nullptr; ///< nullptr: a rewrite
    void (*meanwhile)(Place &) = nullptr; ///< another program changes the page during the rewrite
    std::optional<ReplaceFailure::Ending> refusal = {}; ///< the replacement must fail so
    DWORD attributes = 0;                               ///< set on the page before the rewrite
    int held = 0; ///< another program holds the page open: 1 throughout, 2 until mid-retries
};

// Another program appends to the page, then puts a file of the same size in its place.
void modify(Place &at)
{
    WindowsFileFacts appended, swapped;
    std::ofstream(raw(at.page).c_str(), std::ios::binary | std::ios::app) << 'x';
    check(ReadFileFacts(at.page, appended, at.error) && !SameFileVersion(at.before, appended) &&
              DeleteFileW(raw(at.page).c_str()) && put(at.page, std::string(appended.size, 'y')) &&
              ReadFileFacts(at.page, swapped, at.error) && !SameFileVersion(appended, swapped),
          L"an appended page, and another file of its size in its place, are other versions");
}

// The page is deleted: the replacement neither brings it back nor leaves the scratch file.
void vanish(Place &at)
{
    check(DeleteFileW(raw(at.page).c_str()), L"the page is deleted");
    at.text = std::nullopt;
}

// A folder takes the page's place: it is not taken for the page and stays, with its content.
void becomeFolder(Place &at)
{
    at.look = at.page + L"\\inner.htm";
    check(DeleteFileW(raw(at.page).c_str()) && CreateDirectoryW(raw(at.page).c_str(), nullptr) &&
              put(at.look, OldText),
          L"a folder takes the page's place");
}

// A rewrite from start to end: read the page's facts, read them again before the replacement
// (the same version, unless another program changed it), write and flush the scratch file,
// replace the page. The attributes asked for are kept; a refusal removes the scratch file.
void rewrite(const Row &row, Place &at)
{
    check((!row.attributes || SetFileAttributesW(raw(at.page).c_str(), row.attributes)) &&
              ReadFileFacts(at.page, at.before, at.error) && at.before.size == OldText.size() &&
              at.before.links == 1 && (at.before.attributes & row.attributes) == row.attributes,
          L"attributes set, the page's size, links and attributes read: " + at.error);
    at.text = row.refusal ? OldText : NewText;
    if (row.meanwhile)
        row.meanwhile(at);
    WindowsFileFacts now;
    check((ReadFileFacts(at.page, now, at.error) && SameFileVersion(at.before, now)) ==
              !row.meanwhile,
          L"the page is another version if and only if it was changed");
    // Held open without FILE_SHARE_DELETE, as a scanner or an editor holds it.
    const HANDLE holder = row.held > 0
                              ? open(at.page, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE)
                              : INVALID_HANDLE_VALUE;
    std::thread other([&] {
        if (row.held == 2)
            Sleep(300), CloseHandle(holder);
    });
    const bool replaced =
        put(at.scratch, NewText) && ReplaceWithScratch(at.page, at.scratch, at.failure);
    other.join();
    if (row.held == 1)
        CloseHandle(holder);
    check(replaced == !row.refusal && (replaced || at.failure.ending == *row.refusal) &&
              !at.failure.scratchLeft,
          L"replaced, or refused as expected, the scratch file removed: " + at.failure.reason);
}

// The disk is full (a small tmpfs mounted by CTest): the scratch file cannot be written, the
// rewrite deletes what was written of it, and the page stays as it was.
void diskFull(const Row &, Place &at)
{
    DWORD code = 0;
    check(!put(at.scratch, std::string(1 << 20, 'z'), 0, &code) && code == ERROR_DISK_FULL,
          L"the disk is reported full: error " + std::to_wstring(code));
    check(DeleteScratch(at.scratch, at.error), L"the scratch file deleted: " + at.error);
}

// The undo journal keeps the original of the page that was opened (as Qt opens it: no delete
// sharing) before the page is replaced: a hard link on the page's volume; a copy read through
// the open page when its name has come to name another file. A run holds its journal folder so
// that no other run prunes it meanwhile. A page with a second name is seen as such (the rewrite
// leaves it, for a new file in its place would leave the other name with the old text). The
// undo itself runs in the Windows build's suites (wine_batch_tree).
void journalKept(const Row &row, Place &at)
{
    // On C:, as a run's journal is, while the rows are on Z: under Wine: one volume to Linux,
    // two drives (and two serial numbers) to Windows programs.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring journal = std::wstring(temp) + row.name, run = journal + L"\\run.json";
    std::filesystem::remove_all(raw(journal));
    WindowsFileFacts now;
    check(ReadFileFacts(at.page, at.before, at.error) &&
              std::filesystem::create_directory(raw(journal)),
          L"the page and the journal are made: " + at.error);
    HANDLE page = open(at.page, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    check(KeepOriginal(page, at.page, journal + L"\\1.orig", OldText.size(), at.error) ==
                  KeptOriginal::Linked &&
              CloseHandle(page) && ReadFileFacts(at.page, now, at.error) && now.links == 2 &&
              put(at.scratch, NewText) && ReplaceWithScratch(at.page, at.scratch, at.failure) &&
              bytesOf(journal + L"\\1.orig") == OldText,
          L"kept as a second name, which keeps the old text once replaced: " + at.error);
    page = open(at.page, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    check(MoveFileW(raw(at.page).c_str(), raw(journal + L"\\moved.htm").c_str()) &&
              put(at.page, OldText) &&
              KeepOriginal(page, at.page, journal + L"\\2.orig", NewText.size(), at.error) ==
                  KeptOriginal::Copied &&
              CloseHandle(page) && bytesOf(journal + L"\\2.orig") == NewText &&
              ReadFileFacts(at.page, now, at.error) && now.links == 1,
          L"kept as a copy of the file opened, the file now named so got no second name");
    void *held = CreateHeld(run, "{}", at.error);
    check(held && IsHeld(run), L"held while the run goes on: " + at.error);
    CloseHeld(held);
    check(!IsHeld(run), L"free once the run has ended");
}

constexpr ReplaceFailure::Ending Refused = ReplaceFailure::Ending::Refused;

// A page replaced with a plain, non-ASCII or long name, or read-only, is the Windows build's
// suites' part (wine_batch_tree): here only what no whole run can bring about.
const Row rows[] = {
    {.name = L"hidden_system_archive",
     .attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
    {.name = L"modified_meanwhile", .meanwhile = modify},
    {.name = L"held_open", .refusal = Refused, .held = 1},
    {.name = L"released_during_retries", .held = 2},
    {.name = L"vanished", .meanwhile = vanish, .refusal = Refused},
    {.name = L"folder_not_file",
     .meanwhile = becomeFolder,
     .refusal = ReplaceFailure::Ending::FolderInPlace},
    {.name = L"disk_full", .run = diskFull},
    {.name = L"journal_kept", .run = journalKept},
};

} // namespace

int wmain(int argc, wchar_t **argv)
{
    for (const Row &row : rows) {
        if (argc < 2 || row.name != std::wstring(argv[1]))
            continue;
        // rows\ROW below the working folder (CTest empties rows\ first).
        const std::wstring folder =
            std::filesystem::current_path().wstring() + L"\\rows\\" + row.name;
        std::filesystem::create_directories(raw(folder));
        const std::wstring page = folder + L"\\page.htm";
        Place at{folder, page, folder + L"\\" + Scratch, page, OldText};
        check(put(page, OldText), L"the page is written");
        (row.run ? row.run : rewrite)(row, at);
        // What every row must leave: the file looked at as expected, no other name.
        check(bytesOf(at.look) == at.text &&
                  (GetFileAttributesW(raw(at.look).c_str()) & row.attributes) == row.attributes,
              L"the page holds the text expected, its attributes kept");
        for (const std::wstring &name : namesIn(folder))
            check(name == L"page.htm", L"no other name beside the page: " + name);
        std::wprintf(L"%ls: %ls\n", failures ? L"failed" : L"passed", row.name);
        return failures > 0;
    }
    return argc < 2 ? 0 : 2; // no row: CTest's first call, which makes the Wine prefix
}

// libFuzzer target: RewriteFile on a real file must give what RewriteReference.h gives.
// Input: Shape, lengths (search 1 + b % 4, replacement b / 4 % 5), the ASCII texts, the body.

#include "run/RewriteFile.h"
#include "tests/fuzz/RewriteReference.h"
#include "text/LineReader.h"
#include "text/ReplacementTexts.h"

#include <sanitizer/common_interface_defs.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t MaxBody = 4096;
constexpr std::size_t ReadBytes = std::size_t(LineReader<char>::DefaultChunkBytes);
constexpr char Fillers[] = "fghij"; // the search text lacks one of them: it has at most four

// Shape bits: 0-1 the start, 2 widen UTF-16 bodies, 3 an odd last byte, 4 and 5 the filler,
// 6 and 7 the charset declared right after the start (ignored after a byte order mark).
enum Shape : unsigned { Start = 3, Widen = 4, OddTail = 8, Filler = 0x30, Declared = 0xC0 };
enum Start { NoMark, Utf8Mark, Utf16LeMark, Utf16BeMark };
const char *const declarations[] = {
    "", "<meta charset=euc-kr>",
    "<META content='text/html; charset=gb2312' http-equiv=Content-Type>",
    "<meta charset=\"x-no-such-charset\">"};

struct Case
{
    std::string search, replacement, file;
};

fs::path folder;

// unit in the file's encoding: one byte, or two in the byte order of the mark.
void appendUnit(std::string &out, unsigned unit, unsigned start)
{
    if (start == Utf16LeMark)
        out += {char(unit & 0xFF), char(unit >> 8)};
    else if (start == Utf16BeMark)
        out += {char(unit >> 8), char(unit & 0xFF)};
    else
        out += char(unit);
}

// units units of filler lines ended by CR LF: 64 units a line, the first one 2 to 65.
void appendFiller(std::string &out, std::size_t units, char filler, unsigned start)
{
    const auto line = [&](std::size_t length) {
        std::string text;
        for (const char unit : std::string(length - 2, filler) + "\r\n")
            appendUnit(text, unsigned(unit), start);
        return text;
    };
    out += line(units - (units - 2) / 64 * 64);
    const std::string full = line(64);
    for (std::size_t lines = (units - 2) / 64; lines > 0; --lines)
        out += full;
}

std::optional<Case> decode(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return std::nullopt;
    const std::size_t searchLength = 1 + (data[1] & 3u);
    const std::size_t bodyStart = 2 + searchLength + (data[1] >> 2) % 5u;
    if (size < bodyStart)
        return std::nullopt;
    Case c{std::string(data + 2, data + 2 + searchLength),
           std::string(data + 2 + searchLength, data + bodyStart),
           {}};
    for (std::string *text : {&c.search, &c.replacement}) {
        std::transform(text->begin(), text->end(), text->begin(),
                       [](char b) { return char(b & 0x7F); });
        if (text->find('\0') != std::string::npos)
            return std::nullopt;
    }
    if (c.replacement.find(c.search) != std::string::npos)
        return std::nullopt;
    const unsigned shape = data[0], start = shape & Start;
    static const char *const marks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    c.file.reserve(3 + ReadBytes + 2 * MaxBody + 1); // every growth is an mmap under ASan
    c.file = marks[start];
    c.file += declarations[shape >> 6];
    if ((shape & Filler) == Filler) // across the border of the first two reads; a slow case
        appendFiller(c.file, ReadBytes / (start >= Utf16LeMark ? 2 : 1) - 8,
                     *std::find_if(Fillers, Fillers + 5,
                                   [&](char f) { return c.search.find(f) == std::string::npos; }),
                     start);
    const std::uint8_t *body = data + bodyStart, *end = body + std::min(size - bodyStart, MaxBody);
    // Widened, a byte below 0x80 is an ASCII unit (matches are common), one above takes the next.
    const bool widen = (shape & Widen) && start >= Utf16LeMark;
    for (; body < end; ++body) {
        if (!widen)
            c.file += char(*body);
        else if (*body < 0x80 || body + 1 == end)
            appendUnit(c.file, *body, start);
        else
            c.file += {char(*body), char(*++body)};
    }
    if (shape & OddTail)
        c.file += char(data[size - 1]);
    return c;
}

void removeFolder()
{
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

[[noreturn]] void finding(const char *what, const Case &c, const RewriteResult &result)
{
    std::fprintf(stderr, "fuzz_rewrite: %s\n  search \"%s\", replacement \"%s\", %zu bytes\n", what,
                 c.search.c_str(), c.replacement.c_str(), c.file.size());
    std::fprintf(stderr, "  status %d, reason \"%s\"\n", int(result.status),
                 result.failure.text.toLocal8Bit().constData());
    removeFolder(); // libFuzzer ends the process without running atexit handlers
    std::abort();
}

ino_t inodeOf(const fs::path &path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const fs::path base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path();
    std::string name = (base / "fuzz_rewrite.XXXXXX").string();
    if (!::mkdtemp(name.data())) {
        std::perror("fuzz_rewrite: cannot make a folder");
        std::exit(1);
    }
    folder = name;
    std::atexit(removeFolder);
    __sanitizer_set_death_callback(removeFolder); // after a sanitizer's report
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::optional<Case> c = decode(data, size);
    if (!c)
        return 0;
    const auto expected = RewriteReference::rewrite(c->file, c->search, c->replacement);
    const RewriteReference::Refusal refused =
        RewriteReference::refusal(c->file, c->search, declarations[data[0] >> 6]);
    const fs::path path = folder / "page.htm";
    fs::remove(path);
    std::ofstream(path, std::ios::binary).write(c->file.data(), std::streamsize(c->file.size()));
    const ino_t inode = inodeOf(path);

    ReplacementTexts texts(QString::fromLatin1(c->search), QString::fromLatin1(c->replacement));
    const RewriteResult result = RewriteFile(QString::fromStdString(path.string()), texts);
    using Status = RewriteResult::Status;
    if (std::distance(fs::directory_iterator(folder), fs::directory_iterator()) != 1)
        finding("a scratch file was left behind, or the file is gone", *c, result);
    std::string after(fs::file_size(path), '\0');
    std::ifstream(path, std::ios::binary).read(after.data(), std::streamsize(after.size()));
    if (refused == RewriteReference::Refusal::Always ||
        (refused == RewriteReference::Refusal::WhenFound && expected && expected->replaced)) {
        if (result.status != Status::Failed || after != c->file)
            finding("a page in a charset that cannot be rewritten was not reported", *c, result);
    } else if (!expected) { // the naive rule did not end: the rewrite must give up or get through
        if (result.status == Status::Unchanged)
            finding("a runaway replacement was reported as unchanged", *c, result);
        if (result.status == Status::Failed && after != c->file)
            finding("a failed rewrite changed the file", *c, result);
    } else if (!expected->replaced) {
        if (result.status != Status::Unchanged || after != c->file || inodeOf(path) != inode)
            finding("a file without the search text was not left alone", *c, result);
    } else if (result.status != Status::Changed || after != expected->file) {
        finding("the rewritten file differs from the reference", *c, result);
    }
    return 0;
}

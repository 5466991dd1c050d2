// libFuzzer target: RewriteFile on a real file must leave exactly what the whole-file
// reference (RewriteReference.h) gives, report Changed exactly when some line held the search
// text, leave a file without one untouched, and leave no scratch file behind.
//
// Input layout:
//   byte 0, the shape: bits 0-1 a start (none, UTF-8 BOM, UTF-16 LE BOM, UTF-16 BE BOM);
//     bit 2, for UTF-16, each body byte below 0x80 becomes a whole ASCII unit (a byte from
//     0x80 up takes the next byte along as an arbitrary unit), so that matches are common;
//     bit 3, one more byte at the end (an odd trailing byte of a UTF-16 file);
//     bits 4 and 5 both set, 256 KiB of short lines in front of the body, less 8 units, so
//     that the body's first units lie on both sides of the border between the rewrite's first
//     two reads of the file. Such inputs take some twenty times longer, so they are the rarer.
//   byte 1: search length 1 + (b & 3), replacement length (b >> 2) % 5;
//   then the search text, the replacement text (ASCII without NUL), and the body.
// The files live in a fresh folder in /dev/shm (or /tmp), removed at exit.
// The seeds in corpus/ are named after what they exercise. The *-at-read-border ones put a CR
// as the last unit of the rewrite's first read (256 KiB and one unit) and its LF after it.

#include "LineReader.h"
#include "ReplacementTexts.h"
#include "RewriteFile.h"
#include "RewriteReference.h"

#include <QString>

#include <sanitizer/common_interface_defs.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t MaxBody = 4096;
constexpr std::size_t ReadBytes = std::size_t(LineReader<char>::DefaultChunkBytes);
constexpr char Fillers[] = "fghij";

struct Case
{
    std::string search;
    std::string replacement;
    std::string file;
};

fs::path folder;

std::optional<std::string> asciiText(const std::uint8_t *data, std::size_t length)
{
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = char(data[i] & 0x7F);
        if (c == '\0')
            return std::nullopt;
        text += c;
    }
    return text;
}

// unit in the file's encoding: one byte, or two in the byte order of the mark.
void appendUnit(std::string &out, unsigned unit, int prefix)
{
    if (prefix == 2)
        out += {char(unit & 0xFF), char(unit >> 8)};
    else if (prefix == 3)
        out += {char(unit >> 8), char(unit & 0xFF)};
    else
        out += char(unit);
}

// Lines of filler units, each ended by CR LF, that add up to units units: 64 units a line,
// the first line 2 to 65.
void appendFiller(std::string &out, std::size_t units, char filler, int prefix)
{
    const std::size_t lines = (units - 2) / 64;
    const auto line = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i + 2 < length; ++i)
            appendUnit(text, unsigned(static_cast<unsigned char>(filler)), prefix);
        appendUnit(text, '\r', prefix);
        appendUnit(text, '\n', prefix);
        return text;
    };
    out += line(units - lines * 64);
    const std::string full = line(64);
    for (std::size_t i = 0; i < lines; ++i)
        out += full;
}

void appendBody(std::string &out, const std::uint8_t *body, std::size_t size, bool widen,
                int prefix)
{
    if (!widen || prefix < 2) {
        out.append(reinterpret_cast<const char *>(body), size);
        return;
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (body[i] < 0x80 || i + 1 == size)
            appendUnit(out, body[i], prefix);
        else
            out += {char(body[i]), char(body[++i])};
    }
}

std::optional<Case> decode(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return std::nullopt;
    const unsigned shape = data[0];
    const std::size_t searchLength = 1 + (data[1] & 3u);
    const std::size_t replacementLength = (data[1] >> 2) % 5u;
    if (size < 2 + searchLength + replacementLength)
        return std::nullopt;
    Case c;
    const auto search = asciiText(data + 2, searchLength);
    const auto replacement = asciiText(data + 2 + searchLength, replacementLength);
    if (!search || !replacement || replacement->find(*search) != std::string::npos)
        return std::nullopt;
    c.search = *search;
    c.replacement = *replacement;
    const int prefix = int(shape & 3u);
    static const char *const marks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    const std::size_t unit = prefix >= 2 ? 2 : 1;
    c.file.reserve(3 + ReadBytes + 2 * MaxBody + 1);
    c.file = marks[prefix];
    if ((shape & 0x30u) == 0x30u) {
        // A letter the search text lacks (it has at most four), so the filler holds no match.
        const char filler = *std::find_if(
            Fillers, Fillers + 5, [&](char f) { return c.search.find(f) == std::string::npos; });
        appendFiller(c.file, ReadBytes / unit - 8, filler, prefix);
    }
    const std::size_t bodyStart = 2 + searchLength + replacementLength;
    appendBody(c.file, data + bodyStart, std::min(size - bodyStart, MaxBody), shape & 4u, prefix);
    if (shape & 8u)
        c.file += char(data[size - 1]);
    return c;
}

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(std::size_t(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0).read(bytes.data(), std::streamsize(bytes.size()));
    return bytes;
}

ino_t inodeOf(const fs::path &path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

void removeFolder()
{
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

// text with control characters and bytes above 0x7E written as C escapes.
std::string escaped(const std::string &text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(byte));
        out += c == '\r'                    ? "\\r"
               : c == '\n'                  ? "\\n"
               : byte < 0x20 || byte > 0x7E ? hex
                                            : std::string(1, c);
    }
    return out;
}

[[noreturn]] void finding(const char *what, const Case &c, const RewriteResult &result)
{
    std::fprintf(stderr, "fuzz_rewrite: %s\n  search \"%s\", replacement \"%s\", %zu bytes\n", what,
                 escaped(c.search).c_str(), escaped(c.replacement).c_str(), c.file.size());
    std::fprintf(stderr, "  status %d, reason \"%s\"\n", int(result.status),
                 result.reason.toLocal8Bit().constData());
    if (c.file.size() <= 256)
        std::fprintf(stderr, "  file \"%s\"\n", escaped(c.file).c_str());
    removeFolder(); // libFuzzer ends the process without running atexit handlers
    std::abort();
}

void check(const Case &c, const std::optional<RewriteReference::Expected> &expected,
           const RewriteResult &result, const std::string &after, bool sameInode)
{
    using Status = RewriteResult::Status;
    if (!expected) { // the naive rule did not end: the rewrite must give up or get through
        if (result.status == Status::Unchanged)
            finding("a runaway replacement was reported as unchanged", c, result);
        if (result.status == Status::Failed && after != c.file)
            finding("a failed rewrite changed the file", c, result);
        return;
    }
    if (!expected->replaced) {
        if (result.status != Status::Unchanged)
            finding("no line holds the search text, but the status is not Unchanged", c, result);
        if (after != c.file || !sameInode)
            finding("a file without the search text was written", c, result);
        return;
    }
    if (result.status != Status::Changed)
        finding("a line holds the search text, but the status is not Changed", c, result);
    if (after != expected->file)
        finding("the rewritten file differs from the reference", c, result);
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
    const fs::path path = folder / "page.htm";
    fs::remove(path);
    std::ofstream(path, std::ios::binary).write(c->file.data(), std::streamsize(c->file.size()));
    const ino_t inode = inodeOf(path);

    ReplacementTexts texts(QString::fromLatin1(c->search), QString::fromLatin1(c->replacement));
    const RewriteResult result = RewriteFile(QString::fromStdString(path.string()), texts);

    for (const fs::directory_entry &entry : fs::directory_iterator(folder)) {
        if (entry.path() != path)
            finding("a scratch file was left behind", *c, result);
    }
    check(*c, expected, result, readFile(path), inodeOf(path) == inode);
    return 0;
}

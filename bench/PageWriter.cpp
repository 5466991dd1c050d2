#include "bench/PageWriter.h"

#include "bench/BenchRandom.h"

#include <array>

namespace {

const std::vector<std::string> kWords = {
    "the",     "site",    "page",    "news",    "about",    "contact", "home",     "archive",
    "product", "service", "company", "history", "team",     "events",  "gallery",  "links",
    "welcome", "visit",   "our",     "new",     "office",   "opening", "hours",    "from",
    "to",      "and",     "with",    "for",     "more",     "details", "please",   "read",
    "this",    "year",    "spring",  "summer",  "autumn",   "winter",  "report",   "meeting",
    "members", "club",    "photos",  "travel",  "recipes",  "garden",  "software", "download",
    "version", "update",  "price",   "order",   "shipping", "terms",   "privacy",  "copyright",
    "index",   "table",   "list",    "menu",    "search",   "results", "support",  "help"};

// Words outside ASCII, as UTF-8 and as the Windows-1252 bytes of the same text. Octal escapes
// where a hex digit follows, which a hex escape would swallow.
struct Special
{
    const char *utf8;
    const char *windows1252;
};
const std::array<Special, 12> kSpecials = {{
    {"caf\xC3\xA9", "caf\xE9"},
    {"na\xC3\xAFve", "na\xEFve"},
    {"M\xC3\xBCller", "M\xFCller"},
    {"Stra\303\237e", "Stra\337e"},
    {"\342\202\25412", "\20012"},
    {"\xE2\x80\x93", "\x96"},
    {"\xE2\x80\x9Cquoted\xE2\x80\x9D", "\x93quoted\x94"},
    {"\302\2512004", "\2512004"},
    {"\xC3\x85ngstr\xC3\xB6m", "\xC5ngstr\xF6m"},
    {"fianc\303\251e", "fianc\351e"},
    {"\xC2\xBD", "\xBD"},
    {"\xE2\x80\xA6", "\x85"},
}};

// Text that Windows-1252 cannot hold: only UTF-8 pages carry it.
const std::array<const char *, 4> kUtf8Only = {
    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",                              // Japanese
    "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",                  // Russian
    "\xF0\x9F\x98\x80",                                                  // an emoji
    "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC"}; // Greek

const std::array<const char *, 6> kBodyOpen = {"<p>",      "  <li><a href=\"page-", "<h2>",
                                               "    <td>", "<div class=\"",         "<span>"};
const std::array<const char *, 6> kBodyClose = {"</p>",  "</a></li>", "</h2>",
                                                "</td>", "</div>",    "</span>"};

std::size_t spaceNear(const std::string &line, BenchRandom &random)
{
    if (line.empty())
        return 0;
    const std::size_t start = random.below(line.size());
    std::size_t pos = line.find(' ', start);
    if (pos == std::string::npos)
        pos = line.find(' ');
    return pos == std::string::npos ? line.size() : pos;
}

} // namespace

PageWriter::PageWriter(std::string needle) : m_needle(std::move(needle)) {}

std::string_view PageWriter::word(PageStyle::Encoding encoding, BenchRandom &random) const
{
    using Encoding = PageStyle::Encoding;
    if (encoding == Encoding::Ascii || !random.chance(0.06))
        return random.pick(kWords);
    if (encoding == Encoding::Windows1252)
        return kSpecials[random.below(kSpecials.size())].windows1252;
    const std::uint64_t i = random.below(kSpecials.size() + kUtf8Only.size());
    return i < kSpecials.size() ? kSpecials[i].utf8 : kUtf8Only[i - kSpecials.size()];
}

void PageWriter::appendWords(std::string &text, PageStyle::Encoding encoding,
                             BenchRandom &random) const
{
    text += word(encoding, random);
    for (std::uint64_t n = random.between(3, 24); n > 0; --n) {
        text += ' ';
        text += word(encoding, random);
    }
}

std::string PageWriter::title(PageStyle::Encoding encoding, BenchRandom &random) const
{
    std::string line = "<title>";
    appendWords(line, encoding, random);
    return line + "</title>";
}

std::string PageWriter::bodyLine(PageStyle::Encoding encoding, BenchRandom &random) const
{
    if (random.chance(0.05))
        return {};
    const std::size_t kind = random.below(kBodyOpen.size());
    std::string line = kBodyOpen[kind];
    if (kind == 1)
        line += std::to_string(random.below(1000)) + ".html\">";
    else if (kind == 4)
        line += random.pick(kWords) + "\">";
    appendWords(line, encoding, random);
    return line + kBodyClose[kind];
}

PageWriter::Lines PageWriter::pageLines(const PageStyle &style, BenchRandom &random) const
{
    const bool ansi = style.encoding == PageStyle::Encoding::Windows1252;
    Lines lines = {"<!DOCTYPE html>",
                   "<html lang=\"en\">",
                   "<head>",
                   ansi ? "<meta charset=\"windows-1252\">" : "<meta charset=\"utf-8\">",
                   title(style.encoding, random),
                   "<link rel=\"stylesheet\" href=\"../style.css\">",
                   "</head>",
                   "<body>"};
    const std::size_t first = lines.size();
    std::size_t bytes = 200;
    while (bytes < style.size) {
        lines.push_back(bodyLine(style.encoding, random));
        bytes += lines.back().size() + 2;
    }
    const std::size_t last = lines.size();
    for (int i = 0; i < style.needles; ++i)
        insertNeedle(lines, first, last, random);
    const bool canSplit = style.ending != PageStyle::Ending::SingleLine;
    for (int i = 0; i < style.nearMisses; ++i)
        insertNearMiss(lines, first, last, canSplit, random);
    lines.push_back("</body>");
    lines.push_back("</html>");
    return lines;
}

// Occurrences are fenced by ASCII on both sides, so none is made or unmade by its neighbours.
void PageWriter::insertNeedle(Lines &lines, std::size_t first, std::size_t last,
                              BenchRandom &random) const
{
    if (first == last)
        return;
    std::string &line = lines[random.between(first, last - 1)];
    std::string text;
    switch (random.below(4)) {
    case 0:
        text = m_needle + m_needle;
        break;
    case 1:
        text = "<a href=\"/" + m_needle + "/index.html\">";
        break;
    default:
        text = m_needle;
        break;
    }
    line.insert(spaceNear(line, random), ' ' + text + ' ');
}

void PageWriter::insertNearMiss(Lines &lines, std::size_t first, std::size_t last, bool canSplit,
                                BenchRandom &random) const
{
    if (first == last || m_needle.size() < 2)
        return;
    const std::size_t index = random.between(first, last - 1);
    std::string &line = lines[index];
    const std::size_t pos = spaceNear(line, random);
    switch (random.below(canSplit ? 3 : 2)) {
    case 0: {
        // Differs in letter case only: the match is case-sensitive.
        std::string upper = m_needle;
        for (char &c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        line.insert(pos, ' ' + upper + ' ');
        break;
    }
    case 1:
        line.insert(pos, ' ' + m_needle.substr(0, m_needle.size() - 1) + ' ');
        break;
    default: {
        // The whole search text, but broken by a line break: no match either.
        const std::size_t half = m_needle.size() / 2;
        std::string tail = m_needle.substr(half) + ' ' + line.substr(pos);
        line = line.substr(0, pos) + ' ' + m_needle.substr(0, half);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(index) + 1, tail);
        break;
    }
    }
}

std::string PageWriter::join(const Lines &lines, const PageStyle &style)
{
    using Ending = PageStyle::Ending;
    const char *terminator = style.ending == Ending::CrLf ? "\r\n"
                             : style.ending == Ending::Lf ? "\n"
                             : style.ending == Ending::Cr ? "\r"
                                                          : "";
    std::string text;
    if (style.encoding == PageStyle::Encoding::Utf8Bom)
        text = "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (i + 1 < lines.size() || style.finalTerminator)
            text += terminator;
    }
    return text;
}

std::string PageWriter::page(const PageStyle &style, BenchRandom &random) const
{
    return join(pageLines(style, random), style);
}

std::string PageWriter::asset(std::size_t size, bool withNeedle, BenchRandom &random) const
{
    std::string text = withNeedle ? "/* " + m_needle + " */\n" : std::string();
    while (text.size() < size) {
        // One draw a statement: the order in which operands are evaluated is unspecified.
        text += '.' + random.pick(kWords);
        text += " { color: #" + std::to_string(random.below(900) + 100) + "; } /* ";
        appendWords(text, PageStyle::Encoding::Ascii, random);
        text += " */\n";
    }
    return text;
}

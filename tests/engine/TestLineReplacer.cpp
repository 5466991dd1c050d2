// The line replacer on bytes and UTF-16 units: examples, lines that never end or reach a limit,
// long cascades, reuse across lines, and lines in pieces through a small window. The fuzz
// target compares it with the naive rule over random lines.

#include "LineReplacer.h"
#include "StringUnitSink.h"

#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ReplaceOutcome)
Q_DECLARE_METATYPE(LineReplacerLimits)

// Lets QCOMPARE print outcomes by name (found by argument-dependent lookup).
char *toString(ReplaceOutcome outcome)
{
    const char *const names[] = {"Unchanged", "Replaced",     "Endless",
                                 "WorkLimit", "PendingLimit", "SinkFailed"};
    return qstrdup(names[int(outcome)]);
}

namespace {

template <typename Unit> using Text = std::basic_string<Unit>;

// A row's bytes as units: as they are, or for UTF-16 decoded from UTF-8 (nothing if invalid).
template <typename Unit> std::optional<Text<Unit>> units(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    if constexpr (std::is_same_v<Unit, char>)
        return bytes.toStdString();
    else
        return text.toUtf8() == bytes ? std::optional(text.toStdU16String()) : std::nullopt;
}

template <typename Unit> QByteArray bytesOf(const Text<Unit> &text)
{
    if constexpr (std::is_same_v<Unit, char>)
        return QByteArray::fromStdString(text);
    else
        return QString::fromStdU16String(text).toUtf8();
}

// line in pieces of pieceLength units, as the file rewrite gives a line to the replacer.
template <typename Unit>
ReplaceOutcome replaceInPieces(LineReplacer<Unit> &replacer, std::basic_string_view<Unit> line,
                               std::size_t pieceLength, Text<Unit> &out)
{
    out.clear();
    StringUnitSink<Unit> sink(out);
    replacer.begin(sink);
    for (std::size_t at = 0; at < line.size(); at += pieceLength)
        replacer.take(line.substr(at, pieceLength));
    return replacer.finish();
}

// The current row with Unit: the line whole, and in pieces of three units through the smallest
// window (four times the search length), which long cascades cross both ways. The replacer
// first takes the row's previous line, as the file rewrite reuses one replacer for every line,
// so state left over would show.
template <typename Unit> void checkRow()
{
    QFETCH(QByteArray, search);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, previous);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, expected);
    QFETCH(ReplaceOutcome, outcome);
    const auto s = units<Unit>(search), r = units<Unit>(replacement), p = units<Unit>(previous),
               l = units<Unit>(line);
    if (!s || !r || !p || !l)
        return; // not text, so not a UTF-16 case
    QFETCH(LineReplacerLimits, limits);
    for (const bool inPieces : {false, true}) {
        limits.windowUnits = inPieces ? 1 : LineReplacerLimits().windowUnits;
        LineReplacer<Unit> replacer(*s, *r, limits);
        Text<Unit> out(3, Unit('?'));
        replacer.replace(*p, out);
        QCOMPARE(inPieces ? replaceInPieces<Unit>(replacer, *l, 3, out) : replacer.replace(*l, out),
                 outcome);
        if (outcome == ReplaceOutcome::Unchanged || outcome == ReplaceOutcome::Replaced)
            QCOMPARE(bytesOf(out), expected);
    }
}

} // namespace

class TestLineReplacer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replace_data();
    void replace();
};

// Each row runs on bytes and, where its texts are UTF-8, on the same text as UTF-16 units.
void TestLineReplacer::replace_data()
{
    QTest::addColumn<QByteArray>("search");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("expected"); // looked at for Unchanged and Replaced
    QTest::addColumn<ReplaceOutcome>("outcome");
    QTest::addColumn<QByteArray>("previous"); // the line the replacer took before
    QTest::addColumn<LineReplacerLimits>("limits");

    const auto row = [](const char *name, const QByteArray &search, const QByteArray &replacement,
                        const QByteArray &line, const QByteArray &expected,
                        ReplaceOutcome outcome = ReplaceOutcome::Replaced,
                        const QByteArray &previous = {}, LineReplacerLimits limits = {}) {
        QTest::addRow("%s", name) << search << replacement << line << expected << outcome
                                  << previous << limits;
    };
    // Small limits, so that the rows reach them quickly.
    const LineReplacerLimits littleWork{.workUnits = 1 << 16},
        littlePending{.pendingUnits = 1 << 10};
    const auto unchanged = ReplaceOutcome::Unchanged;
    const auto endless = ReplaceOutcome::Endless;
    const auto workLimit = ReplaceOutcome::WorkLimit;
    row("every occurrence", "x", "y", "xxx", "yyy");
    row("case-sensitive", "abc", "X", "ABC abc", "ABC X");
    row("overlapping occurrences one by one", "aa", "a", "aaaa", "a");
    row("occurrence formed with the text before", "ab", "b", "aab", "b");
    row("occurrence formed with the text after", "xy", "x", "xyyy", "x");
    row("replacement reaching back over several units", "abc", "c", "ababcc", "cc");
    row("leftmost occurrence first", "aba", "c", "ababa", "cba");
    row("length-preserving cascade", "ba", "ab", "bbaa", "aabb");
    row("longer replacement", "a", "bcd", "xax", "xbcdx");
    row("empty replacement", "ab", "", "aabb", "");
    row("line feed inside the line", "a\nb", "X", "1a\nb2", "1X2");
    row("UTF-8 sequence", "é", "e", "café", "cafe");
    row("bytes, not characters", "\xa9", "X", "caf\xc3\xa9", "caf\xc3X");
    row("surrogate pair", "\U0001F600", "x", "a\U0001F600b", "axb");
    row("non-ASCII cascade", "ĀĀ", "Ā", "ĀĀĀĀ", "Ā");
    row("no occurrence", "xyz", "q", "hello", "hello", unchanged);
    row("empty line", "x", "y", "", "", unchanged);
    row("search longer than the line", "abcdef", "x", "abc", "abc", unchanged);
    row("split by a line feed", "ab", "x", "a\nb", "a\nb", unchanged);
    row("search with CR", "a\r\nb", "x", "a\nb", "a\nb", unchanged);
    row("self-feeding pair, no occurrence", "a", "ab", "xyz", "xyz", unchanged);
    // U+0161 and U+0061 share their low byte: all 16 bits must take part in the comparison.
    row("same low byte", "š", "s", "aaa", "aaa", unchanged);
    row("after a line ending in a partial match", "ab", "b", "bx", "bx", unchanged, "xa");
    // A line over a limit stops with units still to scan; none may reach the next line.
    row("after a line over the limit", "bab", "abba", "xbabx", "xabbax", ReplaceOutcome::Replaced,
        "bbab", littleWork);
    row("replacement contains the search text", "a", "ab", "a", {}, endless);
    row("empty search text", "", "x", "abc", {}, endless);
    // Formed again with its neighbours, further right each time: bbab, babba, abbaba, ...
    row("occurrence formed again with the neighbours", "bab", "abba", "bbab", {}, workLimit, {},
        littleWork);
    // Ends, but only after a quarter of 4096 squared swaps: more than the limit allows.
    row("quadratic cascade over the limit", "ba", "ab",
        QByteArray(2048, 'b') + QByteArray(2048, 'a'), {}, workLimit, {}, littleWork);
    // 640,000 swaps: far within the limit.
    row("quadratic cascade within the limit", "ab", "ba",
        QByteArray(800, 'a') + QByteArray(800, 'b'), QByteArray(800, 'b') + QByteArray(800, 'a'));
    // Each swap leaves a unit of its replacement to be scanned again: they pile up.
    row("swapping leftwards", "ba", "ab", 'x' + QByteArray(30, 'b') + "ay",
        "xa" + QByteArray(30, 'b') + 'y');
    row("swapping leftwards over the pending limit", "ba", "ab", QByteArray(2000, 'b') + 'a', {},
        ReplaceOutcome::PendingLimit, {}, littlePending);
    // Back across the window's border, and on after it.
    row("cascade ending behind the window", "cat", "t", "c" + QByteArray("ca").repeated(20) + "ts",
        "cts");
    row("cascade back to the start, then on", "ab", "b", 'x' + QByteArray(40, 'a') + "byaaab",
        "xbyb");
    // Long cascades: a quadratic replacer would take minutes, a too eager guard cut them short.
    const QByteArray run(1 << 18, 'a');
    row("halving a run", "aa", "a", run, "a");
    row("eating leftwards", "ab", "b", run + 'b', "b");
    // Every replacement scanned again in full: more work than a line may grow by, yet it ends.
    const QByteArray tail(399, 'a');
    row("long search text eating leftwards", 'b' + tail, tail, QByteArray(5000, 'b') + tail, tail);
}

void TestLineReplacer::replace()
{
    checkRow<char>();
    checkRow<char16_t>();
}

QTEST_GUILESS_MAIN(TestLineReplacer)
#include "TestLineReplacer.moc"

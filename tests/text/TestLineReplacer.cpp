// The line replacer on bytes and UTF-16 units: lines that never end or reach a limit, long
// cascades, reuse across lines, and lines in pieces through a small window. The fuzz target
// compares it with the naive rule over random lines; its corpus holds the plain examples.

#include "text/LineReplacer.h"
#include "text/StringUnitSink.h"

#include <QTest>

#include <optional>

namespace {

// A row: the line the replacer took before, then the line and what comes out of it (expected is
// looked at for Unchanged and Replaced only).
struct Case
{
    QByteArray search, replacement, line, expected;
    ReplaceOutcome outcome = ReplaceOutcome::Replaced;
    QByteArray previous = {};
    LineReplacerLimits limits = {};
};

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

// The row with Unit: the line whole, and in pieces of three units through the smallest window
// (four times the search length), which long cascades cross both ways; after the previous line,
// as the file rewrite reuses one replacer for every line, so that state left over would show.
template <typename Unit> void checkRow()
{
    QFETCH(Case, row);
    const auto s = units<Unit>(row.search), r = units<Unit>(row.replacement),
               p = units<Unit>(row.previous), l = units<Unit>(row.line);
    if (!s || !r || !p || !l)
        return; // not text, so not a UTF-16 case
    for (const bool inPieces : {false, true}) {
        row.limits.windowUnits = inPieces ? 1 : LineReplacerLimits().windowUnits;
        LineReplacer<Unit> replacer(*s, *r, row.limits);
        Text<Unit> out(3, Unit('?'));
        replacer.replace(*p, out);
        StringUnitSink<Unit> sink(out);
        if (inPieces) {
            out.clear();
            replacer.begin(sink);
            for (std::size_t at = 0; at < l->size(); at += 3)
                replacer.take(l->substr(at, 3));
        }
        QCOMPARE(inPieces ? replacer.finish() : replacer.replace(*l, out), row.outcome);
        if (row.outcome == ReplaceOutcome::Unchanged || row.outcome == ReplaceOutcome::Replaced)
            QCOMPARE(bytesOf(out), row.expected);
    }
}

} // namespace

Q_DECLARE_METATYPE(Case)

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
    QTest::addColumn<Case>("row");
    const auto row = [](const char *name, const Case &c) { QTest::addRow("%s", name) << c; };
    // Small limits, so that the rows reach them quickly.
    const LineReplacerLimits lowWork{.workUnits = 1 << 16}, lowPending{.pendingUnits = 1 << 10};
    using enum ReplaceOutcome;
    // Beyond the fuzz target's units, which stay below U+0200 or are U+FFFF.
    row("surrogate pair", {"\U0001F600", "x", "a\U0001F600b", "axb"});
    row("after a line ending in a partial match", {"ab", "b", "bx", "bx", Unchanged, "xa"});
    // A line over a limit stops with units still to scan; none may reach the next line.
    row("after a line over the limit",
        {"bab", "abba", "xbabx", "xabbax", Replaced, "bbab", lowWork});
    row("replacement contains the search text", {"a", "ab", "a", {}, Endless});
    row("empty search text", {"", "x", "abc", {}, Endless});
    // Formed again with its neighbours, further right each time: bbab, babba, abbaba, ...
    row("occurrence formed again with the neighbours",
        {"bab", "abba", "bbab", {}, WorkLimit, {}, lowWork});
    // Ends, but only after a quarter of 4096 squared swaps: more than the limit allows.
    row("quadratic cascade over the limit",
        {"ba", "ab", QByteArray(2048, 'b') + QByteArray(2048, 'a'), {}, WorkLimit, {}, lowWork});
    // 640,000 swaps: far within the limit.
    row("quadratic cascade within the limit",
        {"ab", "ba", QByteArray(800, 'a') + QByteArray(800, 'b'),
         QByteArray(800, 'b') + QByteArray(800, 'a')});
    // Each swap leaves a unit of its replacement to be scanned again: they pile up.
    row("swapping leftwards",
        {"ba", "ab", 'x' + QByteArray(30, 'b') + "ay", "xa" + QByteArray(30, 'b') + 'y'});
    row("swapping leftwards over the pending limit",
        {"ba", "ab", QByteArray(2000, 'b') + 'a', {}, PendingLimit, {}, lowPending});
    // Back across the window's border, and on after it.
    row("cascade ending behind the window",
        {"cat", "t", "c" + QByteArray("ca").repeated(20) + "ts", "cts"});
    row("cascade back to the start, then on",
        {"ab", "b", 'x' + QByteArray(40, 'a') + "byaaab", "xbyb"});
    // Long cascades: a quadratic replacer would take minutes, a too eager guard cut them short.
    const QByteArray run(1 << 18, 'a');
    row("halving a run", {"aa", "a", run, "a"});
    row("eating leftwards", {"ab", "b", run + 'b', "b"});
    // Every replacement scanned again in full: more work than a line may grow by, yet it ends.
    const QByteArray tail(399, 'a');
    row("long search text eating leftwards",
        {'b' + tail, tail, QByteArray(5000, 'b') + tail, tail});
}

void TestLineReplacer::replace()
{
    checkRow<char>();
    checkRow<char16_t>();
}

QTEST_GUILESS_MAIN(TestLineReplacer)
#include "TestLineReplacer.moc"

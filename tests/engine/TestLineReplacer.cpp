#include "NaiveReplace.h"
#include "ReplaceInLine.h"

#include <QString>
#include <QTest>

#include <random>
#include <string>
#include <type_traits>
#include <vector>

Q_DECLARE_METATYPE(ReplaceOutcome)

// Lets QCOMPARE print outcomes by name (found by argument-dependent lookup).
char *toString(ReplaceOutcome outcome)
{
    switch (outcome) {
    case ReplaceOutcome::Unchanged:
        return qstrdup("Unchanged");
    case ReplaceOutcome::Replaced:
        return qstrdup("Replaced");
    case ReplaceOutcome::Runaway:
        return qstrdup("Runaway");
    }
    return qstrdup("?");
}

namespace {

std::string_view bytes(const QByteArray &text)
{
    return {text.constData(), static_cast<std::size_t>(text.size())};
}

std::u16string_view units(const QString &text)
{
    return {QStringView(text).utf16(), static_cast<std::size_t>(text.size())};
}

// Lines that need more replacements are left out (most of them grow without end). The bound is
// far below the replacer's own limits, so where the reference ends the replacer must give
// exactly its result.
constexpr std::size_t kReferenceSteps = 400;

constexpr int kPairs = 1500;
constexpr int kLinesPerPair = 8;

struct DifferentialCounts
{
    int compared = 0;    ///< lines whose result was checked against the reference
    QByteArray mismatch; ///< the first line that went wrong, empty when none did
};

template <typename Unit>
std::basic_string<Unit> randomText(std::mt19937 &random, const std::vector<Unit> &alphabet,
                                   std::size_t minLength, std::size_t maxLength)
{
    std::uniform_int_distribution<std::size_t> lengthOf(minLength, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::basic_string<Unit> text(lengthOf(random), Unit{});
    for (Unit &unit : text)
        unit = alphabet[pick(random)];
    return text;
}

template <typename Unit> QByteArray describe(const std::basic_string<Unit> &text)
{
    QByteArray result;
    for (const Unit unit : text)
        result += QByteArray::number(
                      static_cast<uint>(static_cast<std::make_unsigned_t<Unit>>(unit)), 16) +
                  ' ';
    return result.trimmed();
}

template <typename Unit>
QByteArray describeCase(const std::basic_string<Unit> &search,
                        const std::basic_string<Unit> &replacement,
                        const std::basic_string<Unit> &line)
{
    return "search [" + describe(search) + "] replacement [" + describe(replacement) + "] line [" +
           describe(line) + "]";
}

// The reference ended well inside the replacer's limits, so the replacer must give exactly its
// line, and say whether anything was replaced.
template <typename Unit>
bool matchesReference(const std::basic_string<Unit> &search, const std::basic_string<Unit> &line,
                      const std::basic_string<Unit> &expected, ReplaceOutcome outcome,
                      const std::basic_string<Unit> &out)
{
    const bool found = line.find(search) != std::basic_string<Unit>::npos;
    return out == expected &&
           outcome == (found ? ReplaceOutcome::Replaced : ReplaceOutcome::Unchanged);
}

// One replacer per search/replacement pair is reused over several lines, as the file rewrite
// does, so state left over from one line would show up in the next.
template <typename Unit>
DifferentialCounts compareWithReference(const std::vector<Unit> &alphabet, std::uint32_t seed,
                                        int pairs, int linesPerPair)
{
    using String = std::basic_string<Unit>;
    std::mt19937 random(seed);
    DifferentialCounts counts;
    for (int pair = 0; pair < pairs && counts.mismatch.isEmpty(); ++pair) {
        const String search = randomText(random, alphabet, 1, 4);
        const String replacement = randomText(random, alphabet, 1, 4);
        if (replacement.find(search) != String::npos)
            continue; // never ends once an occurrence is found; covered by the runaway rows
        LineReplacer<Unit> replacer(search, replacement);
        String out;
        for (int i = 0; i < linesPerPair; ++i) {
            const String line = randomText(random, alphabet, 0, 24);
            const auto expected = naiveReplace(line, search, replacement, kReferenceSteps);
            // Running lines that grow without end into the guard would make this test slow
            // under the sanitizers; the runaway rows cover them.
            if (!expected)
                continue;
            const ReplaceOutcome outcome = replacer.replace(line, out);
            if (!matchesReference(search, line, *expected, outcome, out)) {
                counts.mismatch = describeCase(search, replacement, line);
                break;
            }
            ++counts.compared;
        }
    }
    return counts;
}

} // namespace

class TestLineReplacer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replacesBytes_data();
    void replacesBytes();
    void replacesUtf16Units_data();
    void replacesUtf16Units();
    void stopsRunaway_data();
    void stopsRunaway();
    void longCascades_data();
    void longCascades();
    void isReusableAcrossLines();
    void agreesWithReferenceOnBytes_data();
    void agreesWithReferenceOnBytes();
    void agreesWithReferenceOnUtf16();
};

void TestLineReplacer::replacesBytes_data()
{
    QTest::addColumn<QByteArray>("search");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<ReplaceOutcome>("outcome");

    const auto replaced = ReplaceOutcome::Replaced;
    const auto unchanged = ReplaceOutcome::Unchanged;
    QTest::addRow("every occurrence")
        << QByteArray("x") << QByteArray("y") << QByteArray("xxx") << QByteArray("yyy") << replaced;
    QTest::addRow("case-sensitive") << QByteArray("abc") << QByteArray("X") << QByteArray("ABC abc")
                                    << QByteArray("ABC X") << replaced;
    QTest::addRow("overlapping occurrences consumed one by one")
        << QByteArray("aa") << QByteArray("a") << QByteArray("aaaa") << QByteArray("a") << replaced;
    QTest::addRow("occurrence formed with the text before")
        << QByteArray("ab") << QByteArray("b") << QByteArray("aab") << QByteArray("b") << replaced;
    QTest::addRow("occurrence formed with the text after")
        << QByteArray("xy") << QByteArray("x") << QByteArray("xyyy") << QByteArray("x") << replaced;
    QTest::addRow("replacement reaching back over several units")
        << QByteArray("abc") << QByteArray("c") << QByteArray("ababcc") << QByteArray("cc")
        << replaced;
    QTest::addRow("leftmost occurrence first")
        << QByteArray("aba") << QByteArray("c") << QByteArray("ababa") << QByteArray("cba")
        << replaced;
    QTest::addRow("length-preserving cascade")
        << QByteArray("ba") << QByteArray("ab") << QByteArray("bbaa") << QByteArray("aabb")
        << replaced;
    QTest::addRow("longer replacement") << QByteArray("a") << QByteArray("bcd") << QByteArray("xax")
                                        << QByteArray("xbcdx") << replaced;
    QTest::addRow("empty replacement")
        << QByteArray("ab") << QByteArray("") << QByteArray("aabb") << QByteArray("") << replaced;
    QTest::addRow("line feed inside the line")
        << QByteArray("a\nb") << QByteArray("X") << QByteArray("1a\nb2") << QByteArray("1X2")
        << replaced;
    QTest::addRow("UTF-8 sequence") << QByteArray("\xc3\xa9") << QByteArray("e")
                                    << QByteArray("caf\xc3\xa9") << QByteArray("cafe") << replaced;
    QTest::addRow("bytes, not characters")
        << QByteArray("\xa9") << QByteArray("X") << QByteArray("caf\xc3\xa9")
        << QByteArray("caf\xc3X") << replaced;
    QTest::addRow("no occurrence") << QByteArray("xyz") << QByteArray("q") << QByteArray("hello")
                                   << QByteArray("hello") << unchanged;
    QTest::addRow("empty line") << QByteArray("x") << QByteArray("y") << QByteArray("")
                                << QByteArray("") << unchanged;
    QTest::addRow("search longer than the line")
        << QByteArray("abcdef") << QByteArray("x") << QByteArray("abc") << QByteArray("abc")
        << unchanged;
    QTest::addRow("split by a line feed") << QByteArray("ab") << QByteArray("x")
                                          << QByteArray("a\nb") << QByteArray("a\nb") << unchanged;
    QTest::addRow("search with CR") << QByteArray("a\r\nb") << QByteArray("x") << QByteArray("a\nb")
                                    << QByteArray("a\nb") << unchanged;
    QTest::addRow("self-feeding pair, no occurrence")
        << QByteArray("a") << QByteArray("ab") << QByteArray("xyz") << QByteArray("xyz")
        << unchanged;
}

void TestLineReplacer::replacesBytes()
{
    QFETCH(QByteArray, search);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, expected);
    QFETCH(ReplaceOutcome, outcome);

    std::string out = "left over from an earlier line";
    QCOMPARE(ReplaceInLine(bytes(line), bytes(search), bytes(replacement), out), outcome);
    QCOMPARE(QByteArray::fromStdString(out), expected);
}

void TestLineReplacer::replacesUtf16Units_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<ReplaceOutcome>("outcome");

    QTest::addRow("accented letter")
        << QStringLiteral(u"é") << QStringLiteral(u"e") << QStringLiteral(u"café")
        << QStringLiteral(u"cafe") << ReplaceOutcome::Replaced;
    QTest::addRow("surrogate pair")
        << QStringLiteral(u"\U0001F600") << QStringLiteral(u"x") << QStringLiteral(u"a\U0001F600b")
        << QStringLiteral(u"axb") << ReplaceOutcome::Replaced;
    QTest::addRow("cascade") << QStringLiteral(u"ĀĀ") << QStringLiteral(u"Ā")
                             << QStringLiteral(u"ĀĀĀĀ") << QStringLiteral(u"Ā")
                             << ReplaceOutcome::Replaced;
    // U+0161 and U+0061 share their low byte: all 16 bits must take part in the comparison.
    QTest::addRow("same low byte")
        << QStringLiteral(u"š") << QStringLiteral(u"s") << QStringLiteral(u"aaa")
        << QStringLiteral(u"aaa") << ReplaceOutcome::Unchanged;
    QTest::addRow("empty line") << QStringLiteral(u"x") << QStringLiteral(u"y") << QString()
                                << QString() << ReplaceOutcome::Unchanged;
}

void TestLineReplacer::replacesUtf16Units()
{
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QFETCH(ReplaceOutcome, outcome);

    LineReplacer<char16_t> replacer(units(search), units(replacement));
    std::u16string out = u"left over";
    QCOMPARE(replacer.replace(units(line), out), outcome);
    QCOMPARE(QString::fromStdU16String(out), expected);
}

void TestLineReplacer::stopsRunaway_data()
{
    QTest::addColumn<QByteArray>("search");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("line");

    QTest::addRow("replacement contains the search text")
        << QByteArray("a") << QByteArray("ab") << QByteArray("a");
    // The replacement does not hold the search text but forms it again with its neighbours,
    // a little further right each time: bbab, babba, abbaba, ababbaa, aabbabaa...
    QTest::addRow("occurrence formed again with the neighbours")
        << QByteArray("bab") << QByteArray("abba") << QByteArray("bbab");
    QTest::addRow("empty search text") << QByteArray("") << QByteArray("x") << QByteArray("abc");
    // Ends in theory, but only after about a quarter of 4096 squared swaps: far beyond the
    // work a line may take.
    QTest::addRow("quadratic cascade")
        << QByteArray("ba") << QByteArray("ab") << QByteArray(2048, 'b') + QByteArray(2048, 'a');
}

void TestLineReplacer::stopsRunaway()
{
    QFETCH(QByteArray, search);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, line);

    std::string out;
    QCOMPARE(ReplaceInLine(bytes(line), bytes(search), bytes(replacement), out),
             ReplaceOutcome::Runaway);
}

void TestLineReplacer::longCascades_data()
{
    QTest::addColumn<QByteArray>("search");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("expected");

    const int n = 1 << 18;
    QTest::addRow("halving a run")
        << QByteArray("aa") << QByteArray("a") << QByteArray(n, 'a') << QByteArray("a");
    QTest::addRow("eating leftwards")
        << QByteArray("ab") << QByteArray("b") << QByteArray(n, 'a') + 'b' << QByteArray("b");
    // Every replacement is scanned again in full: much more work than the line is long, yet a
    // shorter replacement always comes to an end and must not be cut short.
    const QByteArray tail(60, 'a');
    QTest::addRow("long search text eating leftwards")
        << 'b' + tail << tail << QByteArray(20000, 'b') + tail << tail;
}

void TestLineReplacer::longCascades()
{
    QFETCH(QByteArray, search);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, expected);

    std::string out;
    QCOMPARE(ReplaceInLine(bytes(line), bytes(search), bytes(replacement), out),
             ReplaceOutcome::Replaced);
    QCOMPARE(QByteArray::fromStdString(out), expected);
}

void TestLineReplacer::isReusableAcrossLines()
{
    LineReplacer<char> replacer("ab", "b");
    std::string out;
    QCOMPARE(replacer.replace("aaab", out), ReplaceOutcome::Replaced);
    QCOMPARE(out, std::string("b"));
    // A line ending inside a partial match must not carry that match into the next line.
    QCOMPARE(replacer.replace("xa", out), ReplaceOutcome::Unchanged);
    QCOMPARE(replacer.replace("bx", out), ReplaceOutcome::Unchanged);
    QCOMPARE(out, std::string("bx"));

    // A runaway line stops with units still waiting to be scanned; none may reach the next line.
    LineReplacer<char> growing("bab", "abba");
    QCOMPARE(growing.replace("bbab", out), ReplaceOutcome::Runaway);
    QCOMPARE(growing.replace("xbabx", out), ReplaceOutcome::Replaced);
    QCOMPARE(out, std::string("xabbax"));
    QCOMPARE(growing.replace("xyz", out), ReplaceOutcome::Unchanged);
    QCOMPARE(out, std::string("xyz"));
}

void TestLineReplacer::agreesWithReferenceOnBytes_data()
{
    QTest::addColumn<QByteArray>("alphabet");
    QTest::addColumn<uint>("seed");

    QTest::addRow("two letters") << QByteArray("ab") << 20240611u;
    QTest::addRow("three letters") << QByteArray("abc") << 7u;
    QTest::addRow("bytes with the top bit set") << QByteArray("a\xff") << 12345u;
}

void TestLineReplacer::agreesWithReferenceOnBytes()
{
    QFETCH(QByteArray, alphabet);
    QFETCH(uint, seed);

    const DifferentialCounts counts = compareWithReference(
        std::vector<char>(alphabet.cbegin(), alphabet.cend()), seed, kPairs, kLinesPerPair);
    QVERIFY2(counts.mismatch.isEmpty(), counts.mismatch.constData());
    // Up to a third of the pairs are skipped; far fewer comparisons mean the generator broke.
    QVERIFY(counts.compared > kPairs * kLinesPerPair / 2);
}

void TestLineReplacer::agreesWithReferenceOnUtf16()
{
    // U+0161 and U+0061 share their low byte, U+FFFF has every bit set.
    const std::vector<char16_t> alphabet = {u'a', u'\u0161', u'\xffff'};
    const DifferentialCounts counts = compareWithReference(alphabet, 99u, kPairs, kLinesPerPair);
    QVERIFY2(counts.mismatch.isEmpty(), counts.mismatch.constData());
    QVERIFY(counts.compared > kPairs * kLinesPerPair / 2);
}

QTEST_GUILESS_MAIN(TestLineReplacer)
#include "TestLineReplacer.moc"

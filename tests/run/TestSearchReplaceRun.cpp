// The run without windows (report order, failures, stopping, files named twice) and the input
// check. The batch tool's own checks are the reliability tests' part.

#include "run/InputCheck.h"
#include "run/RunObserver.h"
#include "run/SearchReplaceRun.h"
#include "tests/common/TempTree.h"

#include <QHash>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Records every report as one line, so a test compares the whole sequence at once.
class EventLog : public RunObserver
{
public:
    void fileStarted(qsizetype index, qsizetype count, const QString &path) override
    {
        events << u"%1/%2 %3"_s.arg(index).arg(count).arg(name(path));
    }
    void fileChanged(const QString &path, qint64) override { events << u'+' + name(path); }
    void fileFailed(const QString &path, const Failure &failure) override
    {
        events << u'!' + name(path) + (failure.text.isEmpty() ? u" without a reason"_s : QString());
    }
    void folderFailed(const QString &, const Failure &) override {}
    bool stopRequested() override { return stopAfter >= 0 && events.size() >= stopAfter; }
    QString name(const QString &path) const
    {
        return QDir(root).relativeFilePath(QDir::fromNativeSeparators(path));
    }

    QString root;
    QStringList events;
    qsizetype stopAfter = -1;
};

} // namespace

class TestSearchReplaceRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void process_data();
    void process();
    void inputCheck_data();
    void inputCheck();
};

void TestSearchReplaceRun::process_data()
{
    QTest::addColumn<QStringList>("names");  // the list the run is given
    QTest::addColumn<QStringList>("events"); // "i/n name" started, "+name" changed, "!name" failed
    QTest::addColumn<int>("stopAfter");      // stop asked for once this many reports came
    QTest::addColumn<bool>("waitless");      // a changed page waits for no other (else: long)

    const auto row = [](const char *name, const QStringList &names, const QStringList &events,
                        int stopAfter = -1, bool waitless = false) {
        QTest::addRow("%s", name) << names << events << stopAfter << waitless;
    };
    const QStringList cab{"sub/c.htm", "a.html", "b.htm"};
    // A changed page is reported once it is in place, with the others of its group.
    row("in list order", cab, {"0/3 sub/c.htm", "1/3 a.html", "2/3 b.htm", "+sub/c.htm", "+b.htm"});
    row("listed at the next page's turn, no wait", cab,
        {"0/3 sub/c.htm", "1/3 a.html", "+sub/c.htm", "2/3 b.htm", "+b.htm"}, -1, true);
    row("failure reported, run goes on", {"r.htm", "sub/c.htm"},
        {"0/2 r.htm", "!r.htm", "1/2 sub/c.htm", "+sub/c.htm"});
    // Asked for from the first report on, yet the file under way is finished.
    row("stops only between files", cab, {"0/3 sub/c.htm", "+sub/c.htm"}, 1);
    // Each entry is processed and every failure reported: nothing is skipped as seen before.
    row("same file thrice, failed thrice", {"r.htm", "sub/../r.htm", "./r.htm"},
        {"0/3 r.htm", "!r.htm", "1/3 r.htm", "!r.htm", "2/3 r.htm", "!r.htm"});
    row("same text, other file", {"b.htm", "b2.htm", "./b2.htm"},
        {"0/3 b.htm", "1/3 b2.htm", "2/3 b2.htm", "+b.htm", "+b2.htm"});
}

void TestSearchReplaceRun::process()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, events);
    QFETCH(int, stopAfter);
    QFETCH(bool, waitless);
    TempTree tree;
    QHash<QString, QByteArray> before{{u"b.htm"_s, "one needle\r\n"},
                                      {u"b2.htm"_s, "one needle\r\n"},
                                      {u"r.htm"_s, "one needle\r\n"}, // refused even for root
                                      {u"a.html"_s, "no match here\r\n"},
                                      {u"sub/c.htm"_s, "needle and needle"}};
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QVERIFY(tree.write(it.key(), it.value()));
    QVERIFY(QFile::setPermissions(tree.path(u"r.htm"_s), QFile::ReadOwner));
    EventLog observer;
    observer.root = tree.path();
    observer.stopAfter = stopAfter;
    for (QString &name : names)
        name = tree.path(name);

    SearchReplaceRun run(u"needle"_s, u"pin"_s, observer);
    // Not the program's wait: no row may depend on how fast the machine is.
    run.setLongestGroupWait(waitless ? std::chrono::hours(0) : std::chrono::hours(1));
    QCOMPARE(run.process(names), stopAfter < 0);
    QCOMPARE(observer.events, events);
    // Exactly the files reported changed hold the new text; every other one is as it was.
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const bool changed = events.contains(u'+' + it.key());
        QCOMPARE(tree.read(it.key()),
                 changed ? QByteArray(it.value()).replace("needle", "pin") : it.value());
    }
}

// The order of the checks is the order the user meets the messages; "@" is the fixture folder.
void TestSearchReplaceRun::inputCheck_data()
{
    QTest::addColumn<QStringList>("input"); // folder, search, replacement
    QTest::addColumn<QString>("refusal");   // "" when the run may go on
    const auto row = [](const char *name, const QStringList &input, const QString &refusal = {}) {
        QTest::addRow("%s", name) << input << refusal;
    };
    const QString fill = u"Please fill out all text-fields (o;"_s;
    const QString same = u"The two text-fields must not be the same."_s;
    row("folder empty", {"", "a", "b"}, fill);
    row("search empty", {"@", "", "b"}, fill);
    row("replacement empty", {"@", "a", ""}, fill);
    row("both texts empty: fill, not same", {"@", "", ""}, fill);
    row("spaces count as filled", {"@", "  ", " "});
    row("equal texts", {"@", "cat", "cat"}, same);
    row("equal texts before a missing folder", {"@/none", "a", "a"}, same);
    row("case differs", {"@", "cat", "Cat"});
    row("replacement contains search", {"@", "cat", "<cats"},
        u"The text to replace with must not contain the text to search for."_s);
    row("search contains replacement", {"@", "cat", "ca"});
    row("search text with a CR, before a missing folder", {"@/none", "a\r\nb", "c"},
        u"The text to search for must not contain a carriage return (CR): each line is searched "
        "on its own, and a line ends at a CR."_s);
    row("non-ASCII texts", {"@", "\u00e9", "\u00e8"});
    row("missing folder", {"@/none", "a", "b"}, u"The folder \"@/none\" does not exist."_s);
    row("a file, not a folder", {"@/x.htm", "a", "b"}, u"\"@/x.htm\" is not a folder."_s);
#ifdef Q_OS_WIN
    // Names are UTF-16 there: a byte order mark is a character like any other.
    row("BOM before a missing folder", {u"\uFEFF@/none"_s, "a", "b"},
        u"The folder \"\uFEFF@/none\" does not exist."_s);
#else
    row("BOM before a missing folder", {u"\uFEFF@/none"_s, "a", "b"},
        u"The folder \"\\xEF\\xBB\\xBF@/none\" cannot be used: its name is not valid in the "
        "file name encoding."_s);
#endif
#ifdef Q_OS_UNIX
    // ".." is taken as text, as the run takes it, not after the link (a file here).
    row("dot dot after a link", {"@/link/..", "a", "b"});
    row("dot dot after a link, missing", {"@/none/link/..", "a", "b"},
        u"The folder \"@/none/link/..\" does not exist."_s);
#endif
}

void TestSearchReplaceRun::inputCheck()
{
    QFETCH(QStringList, input);
    QFETCH(QString, refusal);
    TempTree tree;
    QVERIFY(tree.write(u"x.htm"_s, "cat"));
#ifdef Q_OS_UNIX
    QVERIFY(QFile::link(tree.path(u"x.htm"_s), tree.path(u"link"_s)));
#endif
    input.replaceInStrings(u"@"_s, tree.path());
    QCOMPARE(CheckRunInput(input[0], input[1], input[2]).value_or(QString()),
             QDir::toNativeSeparators(refusal.replace(u'@', tree.path())));
}

QTEST_GUILESS_MAIN(TestSearchReplaceRun)
#include "TestSearchReplaceRun.moc"

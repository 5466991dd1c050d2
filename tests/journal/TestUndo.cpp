// Runs undone with tagmender-batch --undo-last: what comes back, what is left alone, the journal
// on the pages' file system (hard links) or another (copies) or full, and which runs it keeps.

#include "journal/JournalHome.h"
#include "tests/common/TempTree.h"
#include "tests/reliability/BatchRun.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

static const QString undoLast = QStringLiteral("--undo-last");

class TestUndo : public QObject
{
    Q_OBJECT

    QTemporaryDir m_base;
    QString m_root = m_base.filePath("site"), m_a = m_root + "/a.htm", m_b = m_root + "/b.htm";
    int m_homes = 0;

    // A data folder of its own for each test, so that the last run is the test's.
    QString freshHome(const QString &at = {})
    {
        const QString home = at.isEmpty() ? m_base.filePath(QString::number(++m_homes)) : at;
        qputenv("XDG_DATA_HOME", QFile::encodeName(home));
        return home + "/tagmender/journal";
    }

    // Gives every entry of run, its line in a group file, the JSON that edit makes of it.
    static bool editEntries(const QString &run,
                            const std::function<QByteArray(qint64, QJsonObject)> &edit)
    {
        for (const QString &name : QDir(run).entryList({"*.entries"})) {
            QByteArrayList lines = TempTree::readFile(run + u'/' + name).split('\n');
            for (QByteArray &line : lines) {
                const qsizetype space = line.indexOf(' ');
                if (space > 0)
                    line = line.first(space + 1) +
                           edit(line.first(space).toLongLong(),
                                QJsonDocument::fromJson(line.sliced(space + 1)).object());
            }
            if (!TempTree::writeFile(run + u'/' + name, lines.join('\n')))
                return false;
        }
        return true;
    }

    static QByteArray json(const QJsonObject &entry)
    {
        return QJsonDocument(entry).toJson(QJsonDocument::Compact);
    }

    // Gives each entry of the last run the hash that earlier versions kept: the SHA-256 of the
    // page as it is now.
    static bool asEarlierVersion(const QString &run)
    {
        return editEntries(run, [](qint64, QJsonObject entry) {
            QJsonObject written = entry.value("written").toObject();
            const QByteArray page = TempTree::readFile(entry.value("path").toString());
            const QByteArray sha256 = QCryptographicHash::hash(page, QCryptographicHash::Sha256);
            written.remove("xxh3_128");
            written.insert("sha256", QString::fromLatin1(sha256.toHex()));
            entry.insert("written", written);
            return json(entry);
        });
    }

    // One file an entry, as earlier versions wrote them, instead of the run's groups.
    static bool asSingles(const QString &run)
    {
        bool written = true;
        editEntries(run, [&](qint64 number, const QJsonObject &entry) {
            written = written && TempTree::writeFile(run + QString("/%1.entry").arg(number),
                                                     QJsonDocument(entry).toJson());
            return json(entry);
        });
        for (const QString &name : QDir(run).entryList({"*.entries"}))
            written = written && QFile::remove(run + u'/' + name);
        return written;
    }

    // The group file that holds the entry of the run's first page.
    static QString firstGroup(const QString &run)
    {
        return run + u'/' + QDir(run).entryList({"1-*.entries"}).value(0);
    }

    // Makes the change how names after a run on a.htm and b.htm; returns what a.htm then holds,
    // nothing when the change failed. A secret as long as the original stands where a link or
    // an entry points: only the check of a name or kind keeps it out of the page.
    std::optional<QByteArray> change(const QString &how, const QString &run, const QString &out)
    {
        const QByteArray a = TempTree::readFile(m_a), secret(100, 'S');
        const QString original = run + "/1.orig";
        const QString secretAt = m_base.filePath("secret.txt");
        const auto encoded = [](const QString &path) { return QFile::encodeName(path); };
        const QMap<QString, std::function<bool()>> steps{
            {"edit", [&] { return TempTree::writeFile(m_a, a + "<p>saved later</p>"); }},
            {"delete", [&] { return QFile::remove(m_a); }},
            {"undo", [&] { return BatchRun().run({undoLast}).exitCode == 0; }},
            {"in place", [&] { return TempTree::writeInPlace(m_a, "DOG"); }},
            {"sha256", [&] { return asEarlierVersion(run); }},
            {"singles", [&] { return asSingles(run); }},
            {"chmod", [&] { return ::chmod(encoded(m_a), 0444) == 0; }},
            {"ln", [&] { return ::link(encoded(m_a), encoded(m_root + "/other.htm")) == 0; }},
            {"touch", [&] { return ::utimensat(AT_FDCWD, encoded(m_a), nullptr, 0) == 0; }},
            {"truncate", [&] { return ::truncate(encoded(original), 3) == 0; }},
            {"link original",
             [&] {
                 return TempTree::writeFile(secretAt, secret) && QFile::remove(original) &&
                        QFile::link(secretAt, original);
             }},
            {"kept name",
             [&] {
                 return TempTree::writeFile(run + "/../../secret.txt", secret) &&
                        editFirst(run, "kept", "../../secret.txt");
             }},
            {"entry garbled",
             [&] {
                 return editEntries(run, [](qint64 number, const QJsonObject &entry) {
                     return number == 1 ? QByteArray("{\"path\":") : json(entry);
                 });
             }},
            {"path outside",
             [&] { return QFile::rename(m_a, out) && editFirst(run, "path", out); }},
        };
        return steps.value(how)() ? std::optional(TempTree::readFile(m_a)) : std::nullopt;
    }

    static bool editFirst(const QString &run, const QString &key, const QString &value)
    {
        return editEntries(run, [&](qint64 number, QJsonObject entry) {
            if (number == 1)
                entry.insert(key, value);
            return json(entry);
        });
    }

private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<uint>("mode");
        QTest::addColumn<QString>("journalAt"); // empty: beside the pages; else another file system
        QTest::addRow("UTF-8, CR LF") << QByteArray("<p>cat</p>\r\ncat\r\n") << 0644u << QString();
        QTest::addRow("UTF-16 LE, LF, setgid")
            << QByteArray(QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)
                              .encode(u"<p>caf\u00e9 cat</p>\n"))
            << 02750u << QString();
        QTest::addRow("latin-1, CR, journal on tmpfs")
            << QByteArray("caf\xe9 cat\rcat") << 0600u << QString("/dev/shm");
    }

    // The page comes back byte for byte with its metadata and modification time, to the
    // nanosecond that a coarser clock would lose; the page without the text is untouched.
    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(uint, mode);
        QFETCH(QString, journalAt);
        QTemporaryDir other(journalAt + "/tagmender-undo-XXXXXX");
        if (!journalAt.isEmpty() && !other.isValid())
            QSKIP("no tmpfs at /dev/shm");
        const QString journal = freshHome(journalAt.isEmpty() ? QString() : other.path());
        const uid_t owner = ::geteuid() == 0 ? TempTree::nobody : ::geteuid();
        QVERIFY(TempTree::rebuild(m_root, {{"a.htm", bytes, {}}, {"b.htm", "dog", {}}}) &&
                TempTree::setOwnerAndMode(m_a, owner, gid_t(owner), mode));
        const struct timespec times[2] = {{0, UTIME_OMIT}, {1234567890, 123456789}};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(m_a).constData(), times, 0) == 0);
        const QString kept = TempTree::state(m_a, true), untouched = TempTree::state(m_b);
        QVERIFY(BatchRun().run(BatchRun::arguments(m_root)).is(0, {m_a}, {}));
        QVERIFY(TempTree::readFile(m_a) != bytes);
        QCOMPARE(TempTree::readFile(firstGroup(JournalHome::latestRun(journal)))
                     .contains("\"copied\":true"),
                 !journalAt.isEmpty());

        const BatchOutcome undone = BatchRun().run({undoLast});
        QVERIFY2(undone.is(0, {m_a}, {}), qPrintable(undone.describe()));
        QCOMPARE(TempTree::readFile(m_a), bytes);
        QCOMPARE(TempTree::state(m_a, true), kept);
        QVERIFY(TempTree::state(m_a).contains(" time 1234567890.123456789 md5"));
        QCOMPARE(TempTree::state(m_b), untouched);
    }

    void leftAlone_data()
    {
        QTest::addColumn<QString>("how");      // what came after the run (see change())
        QTest::addColumn<QStringList>("back"); // the pages the undo puts back
        QTest::addColumn<QString>("failure");  // its line, if any: of %a, %entry or %out
        const QString changed = "%a: the file was changed after the run, so it was left as it is";
        QTest::addRow("edited") << "edit" << QStringList{"b"} << changed;
        QTest::addRow("deleted") << "delete" << QStringList{"b"}
                                 << "%a: the file is no longer there, so it was not put back";
        // Undone again by its folder's name (--undo-last refuses a run undone before).
        QTest::addRow("undone before") << "undo" << QStringList{} << QString();
        // Same size, same time: the hash tells.
        QTest::addRow("edited in place, time put back")
            << "in place" << QStringList{"b"} << changed;
        QTest::addRow("entry with SHA-256, as earlier versions kept it")
            << "sha256" << QStringList{"a", "b"} << QString();
        QTest::addRow("one entry file a page, as earlier versions wrote them")
            << "singles" << QStringList{"a", "b"} << QString();
        // The bytes tell, not the stamp; what a run refuses, an undo refuses.
        QTest::addRow("touched: put back") << "touch" << QStringList{"a", "b"} << QString();
        QTest::addRow("read-only since")
            << "chmod" << QStringList{"b"} << "%a: the file is read-only";
        QTest::addRow("second hard link since")
            << "ln" << QStringList{"b"}
            << "%a: the file has more than one hard link: replacing it would leave its other "
               "names with the old text";
        // The journal is trusted no further than it can be checked.
        QTest::addRow("original cut short")
            << "truncate" << QStringList{"b"}
            << "%a: its original in the undo journal is not as the run kept it (3 bytes, not "
               "100), so it was left as it is";
        QTest::addRow("original replaced by a link")
            << "link original" << QStringList{"b"}
            << "%a: its original is missing from the undo journal (not a regular file), so it "
               "was left as it is";
        QTest::addRow("kept name leading out of the run's folder")
            << "kept name" << QStringList{"b"}
            << "%entry: this entry of the undo journal names another file than its own "
               "original, so its file was not put back";
        QTest::addRow("entry that does not parse, in a settled run")
            << "entry garbled" << QStringList{"b"}
            << "%entry: this entry of the undo journal is not complete, so its file was "
               "not put back";
        QTest::addRow("page outside the run's folder")
            << "path outside" << QStringList{"b"}
            << "%out: the path does not lead to a file inside the chosen folder";
    }

    // Only a page that holds what the run wrote, checked against a journal that checks out, is
    // put back; the others are reported, if changed.
    void leftAlone()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, back);
        QFETCH(QString, failure);
        const QString journal = freshHome(), out = m_base.filePath("outside.htm");
        const Page a = TempTree::page("a.htm", 100), b = TempTree::page("b.htm", 100);
        QVERIFY(TempTree::rebuild(m_root, {a, b}));
        QVERIFY(BatchRun().run(BatchRun::arguments(m_root)).is(0, {m_a, m_b}, {}));
        const QString run = JournalHome::latestRun(journal);
        const std::optional<QByteArray> left = change(how, run, out);
        QVERIFY(left);

        const BatchOutcome undone =
            BatchRun().run(how == "undo" ? QStringList{"--undo", QFileInfo(run).fileName()}
                                         : QStringList{undoLast});
        QStringList changed, lines;
        for (const QString &name : back)
            changed << m_root + u'/' + name + ".htm";
        if (!failure.isEmpty())
            lines << failure.replace("%a", m_a)
                         .replace("%entry", firstGroup(run))
                         .replace("%out", out);
        QVERIFY2(undone.is(lines.isEmpty() ? 0 : 1, changed, lines), qPrintable(undone.describe()));
        QCOMPARE(TempTree::readFile(m_a), back.contains("a") ? a.before : *left);
        QCOMPARE(TempTree::readFile(m_b), b.before);
        QCOMPARE(TempTree::readFile(out), how == "path outside" ? a.after : QByteArray());
        QFile::remove(out);
    }

    // A journal that cannot take the original: the page stays as it was, and says why.
    void journalFull()
    {
        QTemporaryDir small;
        if (::geteuid() != 0 || ::mount("tmpfs", QFile::encodeName(small.path()).constData(),
                                        "tmpfs", 0, "size=64k") != 0)
            QSKIP("mounting a small tmpfs needs root");
        freshHome(small.path());
        const Page a = TempTree::page("a.htm", 256 << 10);
        QVERIFY(TempTree::rebuild(m_root, {a}));
        const QString before = TempTree::state(m_a);
        const BatchOutcome outcome = BatchRun().run(BatchRun::arguments(m_root));
        const BatchOutcome undone = BatchRun().run({undoLast});
        QVERIFY(::umount(QFile::encodeName(small.path()).constData()) == 0);
        QVERIFY2(outcome.is(1, {},
                            {m_a + ": the original could not be kept for undoing the run (cannot "
                                   "copy the original into the journal: No space left on "
                                   "device), so the file was left as it was"}),
                 qPrintable(outcome.describe()));
        QCOMPARE(TempTree::state(m_a), before);
        QCOMPARE(undone.exitCode, 2); // nothing to undo
    }

    void prune_data()
    {
        QTest::addColumn<QList<int>>("sizes"); // of each run's entry, oldest first; -1: none yet
        QTest::addColumn<int>("underWay");     // the run whose folder is locked, or -1
        QTest::addColumn<qint64>("keptBytes");
        QTest::addColumn<QList<int>>("left");
        QTest::addColumn<int>("noted"); // bytes each run noted as it ended (settled), or -1
        QTest::addColumn<QList<int>>("numbers"); // each run's sequence number, 0: none; or none
        const QList<int> twelve(12, 10), four(4, 100);
        const qint64 all = JournalHome::KeptBytes;
        QTest::addRow("ten runs, one of them about to start")
            << twelve << -1 << all << QList{3, 4, 5, 6, 7, 8, 9, 10, 11} << -1 << QList<int>();
        QTest::addRow("byte limit: older runs go")
            << four << -1 << qint64(250) << QList{2, 3} << -1 << QList<int>();
        QTest::addRow("bytes, the oldest under way")
            << four << 0 << qint64(250) << QList{0, 2, 3} << -1 << QList<int>();
        QTest::addRow("under way, nothing changed yet")
            << QList{100, 100, 100, -1} << 3 << qint64(250) << QList{1, 2, 3} << -1 << QList<int>();
        // The note is believed: the files are not added up again.
        QTest::addRow("bytes as the runs noted them")
            << QList<int>(4, 10) << -1 << qint64(250) << QList{2, 3} << 100 << QList<int>();
        QTest::addRow("the newest run stays, alone over the limit")
            << QList{100, 300} << -1 << qint64(250) << QList{1} << -1 << QList<int>();
        // The clock was set back for runs 2 and 3; run 0 is of an earlier version.
        QTest::addRow("by sequence number, not by name")
            << four << -1 << qint64(250) << QList{1, 3} << -1 << QList{0, 3, 1, 2};
    }

    // The newest runs stay, as many as the limits allow; a run under way is never removed.
    void prune()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(int, underWay);
        QFETCH(qint64, keptBytes);
        QFETCH(QList<int>, left);
        QFETCH(int, noted);
        QFETCH(QList<int>, numbers);
        QTemporaryDir home;
        QStringList names;
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            names << QString::asprintf("run-%02d", int(i));
            const QString run = home.filePath(names.last());
            const QByteArray note = QString("{\"sequence\":\"%1\"}").arg(numbers.value(i)).toUtf8();
            QVERIFY(
                TempTree::writeFile(run + "/run.json", note) &&
                (sizes[i] < 0 || TempTree::writeFile(run + "/1.entry", QByteArray(sizes[i], 'e'))));
            if (noted >= 0)
                JournalHome::settle(run, noted);
        }
        const int lock =
            underWay < 0
                ? -1
                : ::open(QFile::encodeName(home.filePath(names.value(underWay))), O_RDONLY);
        QVERIFY(underWay < 0 || (lock >= 0 && ::flock(lock, LOCK_EX) == 0));
        JournalHome::prune(home.path(), JournalHome::KeptRuns, keptBytes);
        if (lock >= 0)
            ::close(lock);
        QStringList expected;
        for (const int i : std::as_const(left))
            expected << names[i];
        QCOMPARE(QDir(home.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), expected);
    }

    void pruneLeavesAllElse_data()
    {
        QTest::addColumn<QString>("stranger"); // in the journal: a link to a folder, or a file
        QTest::addRow("link to a folder, named as a run") << "00000000-000000-000-1";
        QTest::addRow("file the journal did not write, in a run's folder") << "run-0/notes.txt";
    }

    // Pruning removes the journal's own files only, and nothing through a link.
    void pruneLeavesAllElse()
    {
        QFETCH(QString, stranger);
        QTemporaryDir home;
        const QString victim = m_base.filePath("victim"), older = home.filePath("run-0");
        const bool link = !stranger.contains(u'/');
        for (const QString &run : {older, home.filePath("run-1")})
            QVERIFY(TempTree::writeFile(run + "/run.json", "{}") &&
                    TempTree::writeFile(run + "/1.entry", "e"));
        QVERIFY(TempTree::writeFile(victim + "/1.orig", "mine") &&
                (link ? QFile::link(victim, home.filePath(stranger))
                      : TempTree::writeFile(home.filePath(stranger), "mine")));
        JournalHome::prune(home.path(), 2, JournalHome::KeptBytes); // the older run goes
        QCOMPARE(TempTree::readFile(victim + "/1.orig"), QByteArray("mine"));
        QCOMPARE(TempTree::entries(older), link ? QStringList() : QStringList{"notes.txt"});
    }

    // Ten runs are kept; the last is the one undone.
    void retention()
    {
        const QString journal = freshHome();
        QVERIFY(TempTree::rebuild(m_root, {{"a.htm", "cat", {}}}));
        for (int run = 0; run < 11; ++run)
            QVERIFY(BatchRun()
                        .run({m_root, run % 2 ? "dog" : "cat", run % 2 ? "cat" : "dog"})
                        .is(0, {m_a}, {}));
        QCOMPARE(QDir(journal).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 10);
        // Each run noted, as it ended, what its files take.
        const QString last = JournalHome::latestRun(journal);
        QCOMPARE(JournalHome::settledBytes(last), TempTree::fileBytes(last, "settled.json"));
        // The clock was set back an hour for the last run: its name sorts first.
        QVERIFY(QDir().rename(last, journal + "/00000000-000000-000-1"));
        const BatchOutcome undone = BatchRun().run({undoLast});
        QVERIFY2(undone.is(0, {m_a}, {}), qPrintable(undone.describe()));
        QCOMPARE(TempTree::readFile(m_a), QByteArray("cat"));
    }

    void journalInsideFolder_data()
    {
        QTest::addColumn<QString>("dataHome"); // XDG_DATA_HOME; at link: a link to site/data
        QTest::addColumn<bool>("refused");
        QTest::addRow("in the folder") << "site/data" << true;
        QTest::addRow("in the folder, through a link") << "link" << true;
        QTest::addRow("in a hidden folder of it, as ~/.local/share in ~")
            << "site/.local/share" << false;
    }

    // The journal is kept outside the folder a run works on, else the run is refused before it
    // writes anything.
    void journalInsideFolder()
    {
        QFETCH(QString, dataHome);
        QFETCH(bool, refused);
        const QString home = m_base.filePath(dataHome);
        freshHome(home);
        QVERIFY(TempTree::rebuild(m_root, {{"a.htm", "cat", {}}}) &&
                QDir().mkpath(m_root + "/data"));
        QVERIFY(dataHome != "link" || QFile::link(m_root + "/data", home));
        const BatchOutcome outcome = BatchRun().run(BatchRun::arguments(m_root));
        const QString message = "The folder \"" + m_root +
                                "\" cannot be used: it holds the undo journal (\"" + home +
                                "/tagmender/journal\"), where a run keeps the originals of the "
                                "files it changes.";
        QVERIFY2(refused ? outcome.is(2, {}, {message}) : outcome.is(0, {m_a}, {}),
                 qPrintable(outcome.describe()));
        QCOMPARE(QFileInfo::exists(home + "/tagmender"), !refused);
    }
};

QTEST_GUILESS_MAIN(TestUndo)
#include "TestUndo.moc"

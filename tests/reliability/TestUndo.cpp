// Runs undone with tagmender-batch --undo-last: what comes back, what is left alone, the journal
// on the pages' file system (hard links) or another (copies) or full, and which runs it keeps.

#include "BatchRun.h"
#include "JournalHome.h"
#include "TempTree.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString undoLast = QStringLiteral("--undo-last");

} // namespace

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

    // To the nanosecond, which a time put back through a coarser clock would lose.
    static QString modifiedOf(const QString &path)
    {
        struct stat status = {};
        return ::stat(QFile::encodeName(path).constData(), &status) == 0
                   ? QString::asprintf("%lld.%09ld", qlonglong(status.st_mtim.tv_sec),
                                       status.st_mtim.tv_nsec)
                   : QString();
    }

    // Gives each entry of the last run the hash that earlier versions kept: the SHA-256 of the
    // page as it is now.
    static bool asEarlierVersion(const QString &journal)
    {
        const QString run = JournalHome::latestRun(journal) + u'/';
        for (const QString &name : QDir(run).entryList({"*.entry"})) {
            QJsonObject entry = QJsonDocument::fromJson(TempTree::readFile(run + name)).object();
            QJsonObject written = entry.value("written").toObject();
            const QByteArray page = TempTree::readFile(entry.value("path").toString());
            const QByteArray sha256 = QCryptographicHash::hash(page, QCryptographicHash::Sha256);
            written.remove("xxh3_128");
            written.insert("sha256", QString::fromLatin1(sha256.toHex()));
            entry.insert("written", written);
            if (!TempTree::writeFile(run + name, QJsonDocument(entry).toJson()))
                return false;
        }
        return true;
    }

    static QByteArray firstEntry(const QString &journal)
    {
        const QStringList runs = QDir(journal).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        return TempTree::readFile(journal + u'/' + runs.value(0) + "/1.entry");
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

    // The page comes back byte for byte with its metadata and modification time; the page
    // without the text is untouched.
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
        QCOMPARE(firstEntry(journal).contains("\"copied\":true"), !journalAt.isEmpty());

        const BatchOutcome undone = BatchRun().run({undoLast});
        QVERIFY2(undone.is(0, {m_a}, {}), qPrintable(undone.describe()));
        QCOMPARE(TempTree::readFile(m_a), bytes);
        QCOMPARE(TempTree::state(m_a, true), kept);
        QCOMPARE(modifiedOf(m_a), QString("1234567890.123456789"));
        QCOMPARE(TempTree::state(m_b), untouched);
    }

    void leftAlone_data()
    {
        QTest::addColumn<int>("how"); // what came after the run, as the rows name it, in order
        QTest::addColumn<QString>("reason");
        QTest::addRow("edited") << 0
                                << "the file was changed after the run, so it was left as it is";
        QTest::addRow("deleted") << 1 << "the file is no longer there, so it was not put back";
        QTest::addRow("undone before") << 2 << QString();
        // Same size, same time: the hash tells.
        QTest::addRow("edited in place, time put back")
            << 3 << "the file was changed after the run, so it was left as it is";
        QTest::addRow("entry with SHA-256, as earlier versions kept it") << 4 << QString();
    }

    // Only a page that holds what the run wrote is put back; the others are reported, if changed.
    void leftAlone()
    {
        QFETCH(int, how);
        QFETCH(QString, reason);
        const QString journal = freshHome();
        const Page a = TempTree::page("a.htm", 100), b = TempTree::page("b.htm", 100);
        QVERIFY(TempTree::rebuild(m_root, {a, b}));
        QVERIFY(BatchRun().run(BatchRun::arguments(m_root)).is(0, {m_a, m_b}, {}));
        const QByteArray edited = a.after + "<p>saved later</p>";
        const QByteArray inPlace = "DOG" + a.after.mid(3);
        QVERIFY(how == 0   ? TempTree::writeFile(m_a, edited)
                : how == 1 ? QFile::remove(m_a)
                : how == 2 ? BatchRun().run({undoLast}).exitCode == 0
                : how == 3 ? TempTree::writeInPlace(m_a, "DOG")
                           : asEarlierVersion(journal));

        const BatchOutcome undone = BatchRun().run({undoLast});
        QVERIFY2(how == 2   ? undone.is(0, {}, {})
                 : how == 4 ? undone.is(0, {m_a, m_b}, {})
                            : undone.is(1, {m_b}, {m_a + ": " + reason}),
                 qPrintable(undone.describe()));
        QCOMPARE(TempTree::readFile(m_a), how == 0   ? edited
                                          : how == 1 ? QByteArray()
                                          : how == 3 ? inPlace
                                                     : a.before);
        QCOMPARE(TempTree::readFile(m_b), b.before);
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
};

QTEST_GUILESS_MAIN(TestUndo)
#include "TestUndo.moc"

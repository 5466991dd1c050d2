// Files that change between the listing and their turn: deleted, made unreadable, replaced by
// a folder, a FIFO or a link leading out of the tree; and files the list names twice. The
// observer's fileStarted(), called just before a file's turn, does the damage, in-process (as
// user 65534 when the tests run as root, so that permissions count). The file must be reported,
// nothing outside the tree may be touched, and the run must go on with the next file.

#include "AsNobody.h"
#include "FileState.h"
#include "RunObserver.h"
#include "SearchReplaceRun.h"
#include "TreeFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString search = QStringLiteral("cat");
const QString replacement = QStringLiteral("dog");

enum class Damage { Deleted, Unreadable, Folder, Fifo, LinkOutOfTree };

// Records the results by file name; damages the victim once, when its turn comes.
class DamagingObserver : public RunObserver
{
public:
    void fileStarted(qsizetype, qsizetype, const QString &path) override
    {
        if (damage && QFileInfo(path).fileName() == victim)
            std::exchange(damage, nullptr)();
    }
    void fileChanged(const QString &path) override { events << "changed " + name(path); }
    void fileFailed(const QString &path, const QString &reason) override
    {
        events << "failed " + name(path) + ": " + reason;
    }
    void folderFailed(const QString &folder, const QString &reason) override
    {
        events << "folder failed " + folder + ": " + reason;
    }

    QString victim;
    std::function<void()> damage;
    QStringList events;

private:
    static QString name(const QString &path) { return QFileInfo(path).fileName(); }
};

bool chownTree(const QString &root)
{
    if (!TreeFiles::isRoot())
        return true;
    QStringList paths{root};
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (::lchown(QFile::encodeName(paths[i]).constData(), 65534, 65534) != 0)
            return false;
        for (const QString &name : TreeFiles::entries(paths[i]))
            if (QFileInfo(paths[i] + u'/' + name).isDir())
                paths << paths[i] + u'/' + name;
            else if (::lchown(QFile::encodeName(paths[i] + u'/' + name).constData(), 65534,
                              65534) != 0)
                return false;
    }
    return true;
}

} // namespace

class TestVanishingFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void damagedBeforeItsTurn_data();
    void damagedBeforeItsTurn();
    void listedTwice_data();
    void listedTwice();

private:
    QString site(const QString &name) const { return m_site + u'/' + name; }
    bool damage(Damage how) const;

    std::unique_ptr<QTemporaryDir> m_base;
    QString m_site;
    QString m_outside;
    QList<Page> m_pages;
};

void TestVanishingFiles::init()
{
    m_base = std::make_unique<QTemporaryDir>();
    QVERIFY(m_base->isValid());
    m_site = m_base->filePath(QStringLiteral("site"));
    m_outside = m_base->filePath(QStringLiteral("outside.htm"));
    m_pages.clear();
    for (const char *name : {"a.htm", "b.htm", "c.htm"})
        m_pages << TreeFiles::page(QLatin1String(name), 1000, "cat", "dog");
    QVERIFY(TreeFiles::rebuild(m_site, m_pages));
    QVERIFY(TreeFiles::write(m_outside, m_pages[0].before));
    QVERIFY(QFile::setPermissions(m_base->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
    QVERIFY(chownTree(m_base->path()));
}

// Runs as the user the run runs as, on its thread.
bool TestVanishingFiles::damage(Damage how) const
{
    const QString path = site(QStringLiteral("b.htm"));
    const QByteArray native = QFile::encodeName(path);
    if (how == Damage::Unreadable)
        return ::chmod(native.constData(), 0) == 0;
    if (::unlink(native.constData()) != 0)
        return false;
    switch (how) {
    case Damage::Folder:
        return ::mkdir(native.constData(), 0755) == 0;
    case Damage::Fifo:
        return ::mkfifo(native.constData(), 0644) == 0;
    case Damage::LinkOutOfTree:
        return ::symlink("../outside.htm", native.constData()) == 0;
    default:
        return true;
    }
}

void TestVanishingFiles::damagedBeforeItsTurn_data()
{
    QTest::addColumn<Damage>("how");
    QTest::addColumn<QString>("reason"); // empty: any reason

    QTest::addRow("deleted") << Damage::Deleted
                             << QStringLiteral("cannot open the file: No such file or directory");
    QTest::addRow("made unreadable")
        << Damage::Unreadable << QStringLiteral("cannot open the file: Permission denied");
    QTest::addRow("replaced by a folder") << Damage::Folder << QStringLiteral("not a regular file");
    QTest::addRow("replaced by a FIFO") << Damage::Fifo << QStringLiteral("not a regular file");
    QTest::addRow("replaced by a link out of the tree") << Damage::LinkOutOfTree << QString();
}

void TestVanishingFiles::damagedBeforeItsTurn()
{
    QFETCH(Damage, how);
    QFETCH(QString, reason);
    const FileState outside = FileState::of(m_outside);

    QStringList events;
    const bool ran = AsNobody::run(
        [&] {
            DamagingObserver observer;
            observer.victim = QStringLiteral("b.htm");
            bool damaged = false;
            observer.damage = [&] { damaged = damage(how); };
            SearchReplaceRun run(search, replacement, observer);
            run.process(run.collect(m_site, false));
            return QStringList{damaged ? "damaged" : "not damaged"} + observer.events;
        },
        events);
    QVERIFY2(ran, qPrintable(events.join(u'\n')));
    QCOMPARE(events.value(0), QStringLiteral("damaged"));

    if (how == Damage::LinkOutOfTree)
        QEXPECT_FAIL("", "RewriteFile follows a link that took a listed file's place", Abort);
    const QString changes =
        outside.differences(FileState::of(m_outside), FileState::Compare::Untouched);
    QVERIFY2(changes.isEmpty(), qPrintable(QStringLiteral("outside the tree: ") + changes));
    QCOMPARE(events.size(), 4);
    QCOMPARE(events[1], QStringLiteral("changed a.htm"));
    QVERIFY2(events[2].startsWith(QStringLiteral("failed b.htm: ") + reason),
             qPrintable(events[2]));
    QCOMPARE(events[3], QStringLiteral("changed c.htm"));
    const QStringList left = how == Damage::Deleted ? QStringList{"a.htm", "c.htm"}
                                                    : QStringList{"a.htm", "b.htm", "c.htm"};
    QCOMPARE(TreeFiles::entries(m_site), left);
}

void TestVanishingFiles::listedTwice_data()
{
    QTest::addColumn<QString>("second"); // how the list names a.htm a second time

    QTest::addRow("same path") << QStringLiteral("site/a.htm");
    QTest::addRow("another spelling") << QStringLiteral("site/./a.htm");
    QTest::addRow("through a link to its folder") << QStringLiteral("alias/a.htm");
}

// A file the list names twice is rewritten once; the second time finds nothing to do.
void TestVanishingFiles::listedTwice()
{
    QFETCH(QString, second);
    QVERIFY(QFile::link(QStringLiteral("site"), m_base->filePath(QStringLiteral("alias"))));
    const QStringList list{site(QStringLiteral("a.htm")), site(QStringLiteral("b.htm")),
                           m_base->filePath(second), site(QStringLiteral("c.htm"))};

    DamagingObserver observer;
    SearchReplaceRun run(search, replacement, observer);
    QVERIFY(run.process(list));
    QCOMPARE(observer.events, (QStringList{"changed a.htm", "changed b.htm", "changed c.htm"}));
    for (const Page &page : std::as_const(m_pages))
        QVERIFY(TreeFiles::read(site(page.name)) == page.after);
    QCOMPARE(TreeFiles::entries(m_site), (QStringList{"a.htm", "b.htm", "c.htm"}));
}

QTEST_GUILESS_MAIN(TestVanishingFiles)
#include "TestVanishingFiles.moc"

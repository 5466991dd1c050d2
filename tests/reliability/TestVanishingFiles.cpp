// In process: b.htm changes between the listing and its turn; it is reported, nothing outside
// the tree is touched, and the run goes on.

#include "tests/common/TempTree.h"
#include "tests/reliability/DamagingRun.h"

#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Damage { Deleted, Unreadable, Folder, Fifo, LinkOutOfTree };

bool damage(Damage how, const QByteArray &path)
{
    if (how == Damage::Unreadable)
        return ::chmod(path.constData(), 0) == 0;
    return ::unlink(path.constData()) == 0 &&
           (how == Damage::Deleted ||
            (how == Damage::Folder ? ::mkdir(path.constData(), 0755)
             : how == Damage::Fifo ? ::mkfifo(path.constData(), 0644)
                                   : ::symlink("../outside.htm", path.constData())) == 0);
}

} // namespace

class TestVanishingFiles : public QObject
{
    Q_OBJECT

    TempTree m_base;
    QString m_site = m_base.path("site"), m_outside = m_base.path("outside.htm");
    QList<Page> m_pages = {TempTree::page("a.htm", 1000), TempTree::page("b.htm", 1000),
                           TempTree::page("c.htm", 1000)};

    QString site(const QString &name) const { return m_site + u'/' + name; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_base.isValid() &&
                (::getuid() != 0 || TempTree::setOwnerAndMode(m_base.path(), 65534, 65534, 0700)));
        // The run's undo journal, where user 65534 can write it.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_base.path()));
    }

    void init()
    {
        const bool acting = TempTree::actAs(TempTree::nobody);
        const bool built =
            TempTree::rebuild(m_site, m_pages) && TempTree::writeFile(m_outside, m_pages[0].before);
        QVERIFY(TempTree::actAs(0) && acting && built);
    }

    void damagedBeforeItsTurn_data()
    {
        QTest::addColumn<Damage>("how");
        QTest::addColumn<QString>("reason");
        QTest::addRow("deleted") << Damage::Deleted
                                 << "cannot open the file: No such file or directory";
        QTest::addRow("unreadable")
            << Damage::Unreadable << "cannot open the file: Permission denied";
        QTest::addRow("folder") << Damage::Folder << "not a regular file";
        QTest::addRow("FIFO") << Damage::Fifo << "not a regular file";
        QTest::addRow("link out of the tree") << Damage::LinkOutOfTree << "not a regular file";
    }

    // b.htm is reported, nothing outside the tree is touched, and the run goes on.
    void damagedBeforeItsTurn()
    {
        QFETCH(Damage, how);
        QFETCH(QString, reason);
        const QString outside = TempTree::state(m_outside);
        DamagingRun observer;
        observer.victim = 1;
        bool damaged = false;
        observer.damage = [&] { damaged = damage(how, QFile::encodeName(site("b.htm"))); };
        const bool acting = TempTree::actAs(TempTree::nobody);
        const BatchOutcome outcome = observer.run(m_site, false);
        QVERIFY(TempTree::actAs(0) && acting && damaged);

        QCOMPARE(TempTree::state(m_outside), outside);
        QVERIFY2(outcome.out == QStringList({site("a.htm"), site("c.htm")}) &&
                     outcome.err.size() == 1 &&
                     outcome.err[0].startsWith(site("b.htm") + ": " + reason),
                 qPrintable(outcome.describe()));
        QCOMPARE(TempTree::entries(m_site),
                 (how == Damage::Deleted ? QStringList{"a.htm", "c.htm"}
                                         : QStringList{"a.htm", "b.htm", "c.htm"}));
    }
};

QTEST_GUILESS_MAIN(TestVanishingFiles)
#include "TestVanishingFiles.moc"

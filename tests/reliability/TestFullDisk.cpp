// A really full disk: a small tmpfs, mounted by the test (root only), filled up until the
// rewritten page lacks exactly one page of space. The rewrite must fail naming the full disk,
// leave the original exactly as it was and give every page of the scratch file back (a hidden
// scratch file would keep them); given that one page more, the same run must succeed.

#include "BatchRun.h"
#include "FileState.h"
#include "SmallDisk.h"
#include "TreeFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray search = "cat";
const QByteArray replacement = "tiger"; // every page grows
const QString fullDisk = QStringLiteral("cannot write the scratch file: No space left on device");

qint64 pagesFor(qsizetype bytes)
{
    return (bytes + SmallDisk::PageBytes - 1) / SmallDisk::PageBytes;
}

} // namespace

class TestFullDisk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void oneTooFewPages_data();
    void oneTooFewPages();
    void wholeRunOnFullDisk();

private:
    QString mountPoint() const { return m_base.filePath(QStringLiteral("disk")); }
    QStringList arguments(const QString &folder) const
    {
        return {folder, QString::fromLatin1(search), QString::fromLatin1(replacement)};
    }

    QTemporaryDir m_base;
};

void TestFullDisk::initTestCase()
{
    if (!TreeFiles::isRoot())
        QSKIP("mounting a tmpfs needs root");
    QVERIFY(m_base.isValid());
    QVERIFY(QDir().mkpath(mountPoint()));
    SmallDisk probe(mountPoint(), 64 << 10);
    if (!probe.error().isEmpty())
        QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here: ") + probe.error()));
}

void TestFullDisk::oneTooFewPages_data()
{
    QTest::addColumn<qsizetype>("size");

    QTest::addRow("10 B") << qsizetype(10);
    QTest::addRow("16 KiB") << qsizetype(16 << 10);
    QTest::addRow("16 KiB + 1") << qsizetype((16 << 10) + 1);
    QTest::addRow("1 MiB") << qsizetype(1 << 20);
}

void TestFullDisk::oneTooFewPages()
{
    QFETCH(qsizetype, size);

    SmallDisk disk(mountPoint(), 4 << 20);
    QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
    const QString site = mountPoint() + QStringLiteral("/site");
    const Page page = TreeFiles::page(QStringLiteral("page.htm"), size, search, replacement);
    QVERIFY(TreeFiles::rebuild(site, {page}));
    const QString path = site + QStringLiteral("/page.htm");
    const FileState before = FileState::of(path);
    const qint64 needed = pagesFor(page.after.size());
    QVERIFY(disk.fill());
    QVERIFY(disk.free(needed - 1));
    QCOMPARE(disk.freePages(), needed - 1);

    const BatchOutcome failed = BatchRun().run(arguments(site));
    QVERIFY2(failed.finished && failed.exitCode == 1, qPrintable(failed.describe()));
    QCOMPARE(failed.err, QStringList{path + QStringLiteral(": ") + fullDisk});
    const QString changes = before.differences(FileState::of(path), FileState::Compare::Untouched);
    QVERIFY2(changes.isEmpty(), qPrintable(changes));
    QCOMPARE(TreeFiles::entries(site), QStringList{"page.htm"});
    QCOMPARE(disk.freePages(), needed - 1);

    QVERIFY(disk.free(1));
    const BatchOutcome succeeded = BatchRun().run(arguments(site));
    QVERIFY2(succeeded.finished && succeeded.exitCode == 0, qPrintable(succeeded.describe()));
    QVERIFY(TreeFiles::read(path) == page.after);
    QCOMPARE(TreeFiles::entries(site), QStringList{"page.htm"});
}

// Every page of a run fails on a completely full disk, and each is left as it was.
void TestFullDisk::wholeRunOnFullDisk()
{
    SmallDisk disk(mountPoint(), 4 << 20);
    QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
    const QString site = mountPoint() + QStringLiteral("/site");
    QList<Page> pages;
    for (const qsizetype size : {10, 16 << 10, (16 << 10) + 1, 1 << 20})
        pages << TreeFiles::page(QStringLiteral("%1.htm").arg(size), size, search, replacement);
    QVERIFY(TreeFiles::rebuild(site, pages));
    QList<FileState> before;
    QStringList expected;
    for (const Page &page : std::as_const(pages)) {
        before << FileState::of(site + u'/' + page.name);
        expected << site + u'/' + page.name + QStringLiteral(": ") + fullDisk;
    }
    expected.sort(); // the order of the run
    QVERIFY(disk.fill());

    const BatchOutcome outcome = BatchRun().run(arguments(site));
    QVERIFY2(outcome.finished && outcome.exitCode == 1 && outcome.out.isEmpty(),
             qPrintable(outcome.describe()));
    QCOMPARE(outcome.err, expected);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const QString changes = before[i].differences(FileState::of(site + u'/' + pages[i].name),
                                                      FileState::Compare::Untouched);
        QVERIFY2(changes.isEmpty(), qPrintable(pages[i].name + QStringLiteral(": ") + changes));
    }
    QCOMPARE(TreeFiles::entries(site).size(), pages.size());
    QCOMPARE(disk.freePages(), 0);
}

QTEST_GUILESS_MAIN(TestFullDisk)
#include "TestFullDisk.moc"

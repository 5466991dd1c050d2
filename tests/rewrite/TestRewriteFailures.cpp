// Failures of RewriteFile that must leave the file exactly as it was and no scratch file behind:
// special files, denied access, a failing write, a file another program modifies meanwhile.

#include "ReplacementTexts.h"
#include "RewriteFile.h"
#include "RewriteFixture.h"
#include "RewriteInChild.h"

#include <QDateTime>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using Status = RewriteResult::Status;

namespace {

const QString fileName = QStringLiteral("x.htm");
const QByteArray before("<p>old text</p>\r\n<p>old</p>");

RewriteResult rewrite(const QString &path)
{
    ReplacementTexts texts(QStringLiteral("old"), QStringLiteral("new"));
    return RewriteFile(path, texts);
}

bool isRoot()
{
    return ::geteuid() == 0;
}

} // namespace

class TestRewriteFailures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void notRegularFileFails_data();
    void notRegularFileFails();
    void openDenied();
    void scratchFileDenied();
    void failingWriteLeavesFile_data();
    void failingWriteLeavesFile();
    void modifiedDuringRunFails_data();
    void modifiedDuringRunFails();
};

void TestRewriteFailures::notRegularFileFails_data()
{
    QTest::addColumn<QString>("kind");

    QTest::addRow("FIFO") << "fifo";
    QTest::addRow("folder") << "folder";
}

// A FIFO must not even be opened: opening it for reading would wait for a writer for ever.
void TestRewriteFailures::notRegularFileFails()
{
    QFETCH(QString, kind);

    RewriteFixture fixture;
    const QByteArray path = QFile::encodeName(fixture.path(fileName));
    QCOMPARE(kind == "fifo" ? ::mkfifo(path.constData(), 0644) : ::mkdir(path.constData(), 0755),
             0);
    const RewriteResult result = rewrite(fixture.path(fileName));
    QCOMPARE(result.status, Status::Failed);
    QCOMPARE(result.reason, QStringLiteral("not a regular file"));
    QCOMPARE(fixture.entries(), QStringList{fileName});
}

void TestRewriteFailures::openDenied()
{
    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    const QByteArray path = QFile::encodeName(fixture.path(fileName));
    QCOMPARE(::chmod(QFile::encodeName(fixture.folder()).constData(), 0755), 0);
    RewriteResult result;
    if (isRoot()) { // root reads anything: ask as an unprivileged user
        QCOMPARE(::chmod(path.constData(), 0600), 0);
        result = RewriteInChild(fixture.path(fileName), QStringLiteral("old"),
                                QStringLiteral("new"), {true, -1});
    } else {
        QCOMPARE(::chmod(path.constData(), 0), 0);
        result = rewrite(fixture.path(fileName));
    }
    QCOMPARE(result.status, Status::Failed);
    QCOMPARE(result.reason, QStringLiteral("cannot open the file: Permission denied"));
    QCOMPARE(::chmod(path.constData(), 0644), 0);
    QCOMPARE(fixture.read(fileName), before);
}

// The folder may not be written: the scratch file cannot be made, so the file stays as it was.
void TestRewriteFailures::scratchFileDenied()
{
    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    const QByteArray folder = QFile::encodeName(fixture.folder());
    QCOMPARE(::chmod(QFile::encodeName(fixture.path(fileName)).constData(), 0666), 0);
    RewriteResult result;
    if (isRoot()) {
        QCOMPARE(::chmod(folder.constData(), 0755), 0);
        result = RewriteInChild(fixture.path(fileName), QStringLiteral("old"),
                                QStringLiteral("new"), {true, -1});
    } else {
        QCOMPARE(::chmod(folder.constData(), 0555), 0);
        result = rewrite(fixture.path(fileName));
        QCOMPARE(::chmod(folder.constData(), 0755), 0);
    }
    QCOMPARE(result.status, Status::Failed);
    QVERIFY2(result.reason.startsWith(QStringLiteral("cannot create the scratch file: ")),
             qPrintable(result.reason));
    QVERIFY2(result.reason.contains(QStringLiteral("Permission denied")),
             qPrintable(result.reason));
    QCOMPARE(fixture.read(fileName), before);
    QCOMPARE(fixture.entries(), QStringList{fileName});
}

void TestRewriteFailures::failingWriteLeavesFile_data()
{
    QTest::addColumn<qsizetype>("fileSize");
    QTest::addColumn<qint64>("limit");

    // All of it fits in QSaveFile's own buffer: a buffered QSaveFile lost the error of writing
    // that buffer at commit() and put a cut-off file in the file's place.
    QTest::addRow("small file") << qsizetype(8 << 10) << qint64(4 << 10);
    QTest::addRow("large file") << qsizetype(512 << 10) << qint64(64 << 10);
}

// A file size limit makes the scratch file's writes fail as a full disk would.
void TestRewriteFailures::failingWriteLeavesFile()
{
    QFETCH(qsizetype, fileSize);
    QFETCH(qint64, limit);

    RewriteFixture fixture;
    QByteArray content;
    while (content.size() < fileSize)
        content += before + "\r\n";
    QVERIFY(fixture.write(fileName, content));
    const RewriteResult result = RewriteInChild(fixture.path(fileName), QStringLiteral("old"),
                                                QStringLiteral("new"), {false, limit});
    QCOMPARE(result.status, Status::Failed);
    QCOMPARE(result.reason, QStringLiteral("cannot write the scratch file: File too large"));
    QVERIFY(fixture.read(fileName) == content);
    QCOMPARE(fixture.entries(), QStringList{fileName});
}

void TestRewriteFailures::modifiedDuringRunFails_data()
{
    QTest::addColumn<bool>("append");

    QTest::addRow("appended to") << true;
    QTest::addRow("modification time set") << false;
}

// The run yields while it works on a large file; another program changes the file meanwhile.
void TestRewriteFailures::modifiedDuringRunFails()
{
    QFETCH(bool, append);

    RewriteFixture fixture;
    QByteArray content;
    while (content.size() < (5 << 20)) // more than the run reads between two yields
        content += QByteArray(98, 'a') + "\r\n";
    content += "old";
    QVERIFY(fixture.write(fileName, content));
    const QString path = fixture.path(fileName);
    bool modified = false;
    const auto modify = [&] {
        if (modified)
            return;
        modified = true;
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
            return;
        if (append)
            file.write("!");
        else
            file.setFileTime(QDateTime::currentDateTimeUtc().addDays(1),
                             QFileDevice::FileModificationTime);
    };
    ReplacementTexts texts(QStringLiteral("old"), QStringLiteral("new"));
    const RewriteResult result = RewriteFile(path, texts, modify);
    QVERIFY(modified);
    QCOMPARE(result.status, Status::Failed);
    QCOMPARE(result.reason,
             QStringLiteral("the file was modified by another program during the run"));
    QVERIFY(fixture.read(fileName) == (append ? content + "!" : content));
    QCOMPARE(fixture.entries(), QStringList{fileName});
}

QTEST_GUILESS_MAIN(TestRewriteFailures)
#include "TestRewriteFailures.moc"

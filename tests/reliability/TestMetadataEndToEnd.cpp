// What a rewrite keeps and what it refuses, end to end through the batch tool. As root: a file
// of another owner and group, with the setgid bit, an ACL entry and a user attribute comes out
// with all of it, as getfacl and getfattr show it. As an unprivileged user (65534, by setpriv):
// the files that user may not replace fail with a clear reason and stay exactly as they were.

#include "BatchRun.h"
#include "FileState.h"
#include "TreeFiles.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray search = "cat";
const QByteArray replacement = "dog";
constexpr uint nobody = 65534;

// The output of a command, or a line saying it failed, so that a comparison then fails.
QByteArray output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return "failed: " + program.toUtf8() + ' ' + process.readAllStandardError();
    return process.readAllStandardOutput();
}

bool setOwnerAndMode(const QString &path, uint owner, uint group, uint mode)
{
    const QByteArray native = QFile::encodeName(path);
    return ::chown(native.constData(), owner, group) == 0 && ::chmod(native.constData(), mode) == 0;
}

} // namespace

class TestMetadataEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everythingKept();
    void asAnotherUser_data();
    void asAnotherUser();

private:
    QStringList arguments() const
    {
        return {m_site, QString::fromLatin1(search), QString::fromLatin1(replacement)};
    }

    QTemporaryDir m_base;
    QString m_site = m_base.filePath(QStringLiteral("site"));
    QString m_path = m_site + QStringLiteral("/page.htm");
    Page m_page = TreeFiles::page(QStringLiteral("page.htm"), 3000, search, replacement);
    bool m_nobodyCanRun = false;
};

void TestMetadataEndToEnd::initTestCase()
{
    if (!TreeFiles::isRoot())
        QSKIP("giving files to another user, and becoming one, needs root");
    QVERIFY(m_base.isValid());
    // The unprivileged user must reach the fixture.
    QVERIFY(QFile::setPermissions(m_base.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                     QFile::ExeOwner | QFile::ReadOther |
                                                     QFile::ExeOther));
    // setpriv may be missing, or the build tree out of the user's reach (under a private home).
    const BatchOutcome usage = BatchRun(BatchRun::asNobody()).run({});
    m_nobodyCanRun = usage.finished && usage.exitCode == 2;
}

void TestMetadataEndToEnd::everythingKept()
{
    for (const char *tool : {"setfacl", "getfacl", "setfattr", "getfattr"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP("needs setfacl and getfacl (Debian package acl), setfattr and getfattr (attr)");
    }
    QVERIFY(TreeFiles::rebuild(m_site, {m_page}));
    // The owner first: a change of owner clears the setgid bit.
    QVERIFY(setOwnerAndMode(m_path, nobody, nobody, 02664));
    const QByteArray refused = output("setfacl", {"-m", "u:65534:r--", m_path}) +
                               output("setfattr", {"-n", "user.tagmender", "-v", "kept", m_path});
    if (!refused.isEmpty()) // tmpfs before Linux 6.6 has no user attributes, for one
        QSKIP(qPrintable(QStringLiteral("the file system refuses: ") +
                         QString::fromLocal8Bit(refused)));
    const QStringList aclDump{"--absolute-names", "-n", m_path};
    const QStringList attributeDump{"--absolute-names", "-d", "-m", "-", "-e", "hex", m_path};
    const QByteArray acl = output("getfacl", aclDump);
    const QByteArray attributes = output("getfattr", attributeDump);
    QVERIFY2(acl.contains("user:65534:r--"), acl.constData());
    QVERIFY2(attributes.contains("user.tagmender"), attributes.constData());
    const FileState before = FileState::of(m_path);
    QCOMPARE(before.mode & 07777, mode_t(02664));

    const BatchOutcome outcome = BatchRun().run(arguments());
    QVERIFY2(outcome.exitCode == 0 && outcome.out == QStringList{m_path},
             qPrintable(outcome.describe()));
    const FileState after = FileState::of(m_path);
    QVERIFY(after.bytes == m_page.after);
    QVERIFY(after.inode != before.inode); // replaced, not written in place
    const QString changes = before.differences(after, FileState::Compare::Kept);
    QVERIFY2(changes.isEmpty(), qPrintable(changes));
    QCOMPARE(output("getfacl", aclDump), acl);
    QCOMPARE(output("getfattr", attributeDump), attributes);
    QCOMPARE(TreeFiles::entries(m_site), QStringList{"page.htm"});
}

void TestMetadataEndToEnd::asAnotherUser_data()
{
    QTest::addColumn<uint>("folderMode");
    QTest::addColumn<uint>("fileOwner");
    QTest::addColumn<uint>("fileMode");
    QTest::addColumn<QString>("reason"); // empty: the file is rewritten

    QTest::addRow("own file") << 0755u << nobody << 0644u << QString();
    QTest::addRow("read-only file")
        << 0755u << nobody << 0444u << QStringLiteral("the file is read-only");
    QTest::addRow("folder not writable")
        << 0555u << nobody << 0644u
        << QStringLiteral("cannot create the scratch file: Permission denied");
    // The user may write it but cannot give a new file another user's ownership: refused,
    // with the owner named, rather than replaced by a file of its own.
    QTest::addRow("another user's group-writable file")
        << 0755u << 0u << 0664u
        << QStringLiteral("cannot keep the file's owner and group (user 0, group 65534): "
                          "Operation not permitted");
}

void TestMetadataEndToEnd::asAnotherUser()
{
    QFETCH(uint, folderMode);
    QFETCH(uint, fileOwner);
    QFETCH(uint, fileMode);
    QFETCH(QString, reason);
    if (!m_nobodyCanRun)
        QSKIP("user 65534 cannot run the batch tool here (no setpriv, or a private build tree)");

    QVERIFY(TreeFiles::rebuild(m_site, {m_page}));
    QVERIFY(setOwnerAndMode(m_path, fileOwner, nobody, fileMode));
    QVERIFY(setOwnerAndMode(m_site, nobody, nobody, folderMode));
    const FileState before = FileState::of(m_path);

    const BatchOutcome outcome = BatchRun(BatchRun::asNobody()).run(arguments());
    QVERIFY2(outcome.finished && outcome.exitCode == (reason.isEmpty() ? 0 : 1),
             qPrintable(outcome.describe()));
    const FileState after = FileState::of(m_path);
    if (reason.isEmpty()) {
        QCOMPARE(outcome.out, QStringList{m_path});
        QVERIFY(after.bytes == m_page.after);
        const QString changes = before.differences(after, FileState::Compare::Kept);
        QVERIFY2(changes.isEmpty(), qPrintable(changes));
    } else {
        QCOMPARE(outcome.err, QStringList{m_path + QStringLiteral(": ") + reason});
        const QString changes = before.differences(after, FileState::Compare::Untouched);
        QVERIFY2(changes.isEmpty(), qPrintable(changes));
    }
    QCOMPARE(TreeFiles::entries(m_site), QStringList{"page.htm"});
}

QTEST_GUILESS_MAIN(TestMetadataEndToEnd)
#include "TestMetadataEndToEnd.moc"

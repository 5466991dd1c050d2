// What RewriteFile keeps of a file besides its text (owner, mode, extended attributes), what it
// refuses to replace, and failures that must leave the file as it was: denied access and a
// failing write.

#include "ReplacementTexts.h"
#include "RewriteFile.h"
#include "RewriteFixture.h"

#include <QScopeGuard>
#include <QTest>

#include <algorithm>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using Status = RewriteResult::Status;

namespace {

const QString fileName = QStringLiteral("x.htm");
const QByteArray before("<p>old text</p>\r\n<p>old</p>");
const QByteArray after("<p>new text</p>\r\n<p>new</p>");
constexpr uid_t nobody = 65534;

RewriteResult rewrite(const QString &path)
{
    ReplacementTexts texts(QStringLiteral("old"), QStringLiteral("new"));
    return RewriteFile(path, texts);
}

// A POSIX ACL as the kernel stores it: version 2, then tag, permissions and id per entry
// (little-endian): owner rwx, user 65534 rwx, group r-x, mask rwx, others r-x.
const QByteArray acl = QByteArray::fromHex("02000000 01000700ffffffff 02000700feff0000 "
                                           "04000500ffffffff 10000700ffffffff 20000500ffffffff");

// Mode, owner, group and every extended attribute (ACLs included) with its value.
QString metadata(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info = {};
    QString text =
        ::stat(native.constData(), &info) != 0
            ? QStringLiteral("none")
            : QStringLiteral("%1 %2:%3").arg(info.st_mode, 0, 8).arg(info.st_uid).arg(info.st_gid);
    QByteArray list(4096, '\0'), value(4096, '\0');
    list.truncate(qMax(ssize_t(0), ::listxattr(native.constData(), list.data(), 4096)));
    QByteArrayList names = list.split('\0');
    std::sort(names.begin(), names.end());
    for (const QByteArray &name : std::as_const(names)) {
        const ssize_t size = ::getxattr(native.constData(), name.constData(), value.data(), 4096);
        if (!name.isEmpty())
            text += u' ' + QString::fromLatin1(name + '=' + value.left(size).toHex());
    }
    return text;
}

// RewriteFile in a forked child, so that privileges can be dropped (as user 65534 when the tests
// run as root, who reads anything) and a file size limit set without touching the test process.
// The answer comes back through a pipe: the status digit, then the reason.
RewriteResult rewriteInChild(const QString &path, bool asNobody, qint64 sizeLimit)
{
    int fds[2];
    const pid_t pid = ::pipe(fds) == 0 ? ::fork() : -1;
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // the write fails instead of the writer being killed
        const rlimit limit{rlim_t(sizeLimit), rlim_t(sizeLimit)};
        RewriteResult result{Status::Failed, QStringLiteral("child: cannot restrict")};
        if ((sizeLimit < 0 || ::setrlimit(RLIMIT_FSIZE, &limit) == 0) &&
            (!asNobody || ::geteuid() != 0 ||
             (::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0)))
            result = rewrite(path);
        const QByteArray answer = QByteArray::number(int(result.status)) + result.reason.toUtf8();
        ::_exit(::write(fds[1], answer.constData(), size_t(answer.size())) > 0 ? 0 : 1);
    }
    QByteArray answer;
    if (pid > 0) {
        ::close(fds[1]);
        char buffer[512];
        for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            answer.append(buffer, got);
        ::close(fds[0]);
    }
    if (pid < 0 || ::waitpid(pid, nullptr, 0) != pid || answer.isEmpty())
        return {Status::Failed, QStringLiteral("child: no answer")};
    return {Status(answer.at(0) - '0'), QString::fromUtf8(answer.mid(1))};
}

// From Unreadable on, RewriteFile runs in a child process.
enum class Setup { ReadOnly, HardLink, Symlink, Fifo, Folder, Unreadable, Unwritable, SizeLimit };

// Puts at x.htm what setup names, with content; y.htm is its other name or link target.
bool prepare(const RewriteFixture &fixture, Setup setup, const QByteArray &content)
{
    const QString other = QStringLiteral("y.htm");
    const QByteArray path = QFile::encodeName(fixture.path(fileName));
    if (!fixture.write(setup == Setup::Symlink ? other : fileName, content) ||
        ::chmod(QFile::encodeName(fixture.folder()).constData(),
                setup == Setup::Unwritable ? 0555 : 0755) != 0)
        return false;
    switch (setup) {
    case Setup::ReadOnly: // root could write it all the same: the permission bits decide
        return ::chmod(path.constData(), 0444) == 0;
    case Setup::HardLink:
        return ::link(path.constData(), QFile::encodeName(fixture.path(other)).constData()) == 0;
    case Setup::Symlink:
        return ::symlink(QFile::encodeName(other).constData(), path.constData()) == 0;
    case Setup::Fifo:
        return ::unlink(path.constData()) == 0 && ::mkfifo(path.constData(), 0644) == 0;
    case Setup::Folder:
        return ::unlink(path.constData()) == 0 && ::mkdir(path.constData(), 0755) == 0;
    case Setup::Unreadable:
        return ::chmod(path.constData(), 0) == 0;
    case Setup::Unwritable:
        return ::chmod(path.constData(), 0666) == 0;
    case Setup::SizeLimit:
        break;
    }
    return true;
}

} // namespace

class TestRewritePosix : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void metadataKept_data();
    void metadataKept();
    void leftAlone_data();
    void leftAlone();
};

void TestRewritePosix::metadataKept_data()
{
    QTest::addColumn<uint>("mode");
    QTest::addColumn<bool>("toNobody"); // give the file to user and group 65534 (root only)
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");

    const QByteArray none;
    QTest::addRow("0640") << 0640u << false << none << none;
    QTest::addRow("0600") << 0600u << false << none << none;
    QTest::addRow("setgid 02664") << 02664u << false << none << none;
    QTest::addRow("setuid 04755") << 04755u << false << none << none;
    QTest::addRow("owner and setgid") << 02640u << true << none << none;
    QTest::addRow("user attribute")
        << 0644u << false << QByteArray("user.tagmender") << QByteArray("kept\0value", 10);
    QTest::addRow("access ACL") << 0644u << false << QByteArray("system.posix_acl_access") << acl;
    // Set on the folder, it gives the scratch file an access ACL, which the file has not.
    QTest::addRow("folder's default ACL not taken")
        << 0644u << false << QByteArray("system.posix_acl_default") << acl;
}

void TestRewritePosix::metadataKept()
{
    QFETCH(uint, mode);
    QFETCH(bool, toNobody);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);

    if (toNobody && ::geteuid() != 0)
        QSKIP("changing the owner of a file needs root");
    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    const QString path = fixture.path(fileName);
    const QByteArray native = QFile::encodeName(path);
    if (toNobody)
        QCOMPARE(::chown(native.constData(), nobody, nobody), 0);
    QCOMPARE(::chmod(native.constData(), mode), 0); // after chown, which clears setgid
    const QByteArray holder =
        name == "system.posix_acl_default" ? QFile::encodeName(fixture.folder()) : native;
    if (!name.isEmpty() && ::setxattr(holder.constData(), name.constData(), value.constData(),
                                      size_t(value.size()), 0) != 0)
        QSKIP("the file system refuses the attribute");
    const QString was = metadata(path);
    QCOMPARE(rewrite(path).status, Status::Changed);
    QCOMPARE(fixture.read(fileName), after);
    QCOMPARE(metadata(path), was);
    QCOMPARE(fixture.names(), QStringList{fileName});
}

void TestRewritePosix::leftAlone_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason"); // the start of it; empty: Unchanged

    const QByteArray none("<p>none</p>");
    const QString notRegular = QStringLiteral("not a regular file");
    const QString tooLarge = QStringLiteral("cannot write the scratch file: File too large");
    // clang-format off
    QTest::addRow("read-only") << Setup::ReadOnly << before << "the file is read-only";
    QTest::addRow("read-only, no occurrence") << Setup::ReadOnly << none << "";
    QTest::addRow("hard link") << Setup::HardLink << before << "the file has more than one hard link";
    QTest::addRow("hard link, no occurrence") << Setup::HardLink << none << "";
    // Never followed: a link in a listed file's place may lead out of the chosen folder.
    QTest::addRow("symbolic link") << Setup::Symlink << before << notRegular;
    QTest::addRow("FIFO") << Setup::Fifo << none << notRegular; // opening it would block
    QTest::addRow("folder") << Setup::Folder << none << notRegular;
    QTest::addRow("unreadable") << Setup::Unreadable << before << "cannot open the file: Permission denied";
    QTest::addRow("folder unwritable") << Setup::Unwritable << before << "cannot create the scratch file: Permission denied";
    // A small file fits in QSaveFile's own buffer: a buffered QSaveFile lost the error of writing
    // that buffer at commit() and put a cut-off file in the file's place.
    QTest::addRow("write fails, small file") << Setup::SizeLimit << before.repeated(300) << tooLarge;
    QTest::addRow("write fails, large file") << Setup::SizeLimit << before.repeated(20000) << tooLarge;
    // clang-format on
}

// Refused, or failed before the rename: every entry of the folder stays as it was.
void TestRewritePosix::leftAlone()
{
    QFETCH(Setup, setup);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);

    RewriteFixture fixture;
    const auto restore =
        qScopeGuard([&] { ::chmod(QFile::encodeName(fixture.folder()).constData(), 0755); });
    QVERIFY(prepare(fixture, setup, content));
    const QStringList untouched = fixture.state();
    const QString path = fixture.path(fileName);
    const RewriteResult result =
        setup < Setup::Unreadable
            ? rewrite(path)
            : rewriteInChild(path, setup != Setup::SizeLimit,
                             setup == Setup::SizeLimit ? content.size() / 2 : -1);
    QCOMPARE(result.status, reason.isEmpty() ? Status::Unchanged : Status::Failed);
    QVERIFY2(result.reason.left(reason.size()) == reason, qPrintable(result.reason));
    QCOMPARE(fixture.state(), untouched);
}

QTEST_GUILESS_MAIN(TestRewritePosix)
#include "TestRewritePosix.moc"

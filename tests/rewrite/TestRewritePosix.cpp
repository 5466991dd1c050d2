// What RewriteFile keeps besides the text, what it refuses, and failures that leave all as it was.

#include "ReplacementTexts.h"
#include "RewriteFile.h"
#include "TempTree.h"

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

using namespace Qt::StringLiterals;
using Status = RewriteResult::Status;

namespace {

const QString fileName = QStringLiteral("x.htm");
const QByteArray before("<p>old text</p>\r\n<p>old</p>");
constexpr uid_t nobody = 65534;

// A POSIX ACL as the kernel stores it: owner rwx, user 65534 rwx, group r-x, mask rwx, others r-x.
const QByteArray acl = QByteArray::fromHex("02000000 01000700ffffffff 02000700feff0000 "
                                           "04000500ffffffff 10000700ffffffff 20000500ffffffff");

// Mode, owner, group and every extended attribute (ACLs included) with its value.
QString metadata(const char *path)
{
    struct stat info = {};
    QString text =
        ::stat(path, &info) != 0
            ? QStringLiteral("none")
            : QStringLiteral("%1 %2:%3").arg(info.st_mode).arg(info.st_uid).arg(info.st_gid);
    QByteArray list(4096, '\0'), value(4096, '\0');
    list.truncate(qMax(ssize_t(0), ::listxattr(path, list.data(), 4096)));
    QByteArrayList names = list.split('\0');
    std::sort(names.begin(), names.end());
    for (const QByteArray &name : std::as_const(names)) {
        const ssize_t size = ::getxattr(path, name.constData(), value.data(), 4096);
        if (!name.isEmpty())
            text += u' ' + QString::fromLatin1(name + '=' + value.left(size).toHex());
    }
    return text;
}

// RewriteFile in a forked child, which may drop root's privileges (root reads anything) and
// limit the file size; the status digit and the reason come back through a pipe.
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
             (::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0))) {
            ReplacementTexts texts(QStringLiteral("old"), QStringLiteral("new"));
            result = RewriteFile(path, texts);
        }
        const QByteArray answer = QByteArray::number(int(result.status)) + result.reason.toUtf8();
        ::_exit(::write(fds[1], answer.constData(), size_t(answer.size())) > 0 ? 0 : 1);
    }
    QFile pipe;
    const QByteArray answer =
        pid > 0 && ::close(fds[1]) == 0 &&
                pipe.open(fds[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)
            ? pipe.readAll()
            : "";
    if (pid < 0 || ::waitpid(pid, nullptr, 0) != pid || answer.isEmpty())
        return {Status::Failed, QStringLiteral("child: no answer")};
    return {Status(answer.at(0) - '0'), QString::fromUtf8(answer.mid(1))};
}

// Kept and Owner (given to user 65534, root only) are changed; NoRead and NoWrite run as user
// 65534; Full under a file size limit.
enum class Setup { Kept, Owner, ReadOnly, HardLink, Symlink, Fifo, Folder, NoRead, NoWrite, Full };

} // namespace

class TestRewritePosix : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void prepared_data();
    void prepared();
};

void TestRewritePosix::prepared_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason"); // the start of it; empty: Changed or Unchanged
    QTest::addColumn<uint>("mode");
    QTest::addColumn<QByteArray>("attribute");
    QTest::addColumn<QByteArray>("value");

    const auto row = [](const char *name, Setup setup, const QByteArray &content,
                        const QString &reason = {}, uint mode = 0644,
                        const QByteArray &attribute = {}, const QByteArray &value = {}) {
        QTest::addRow("%s", name) << setup << content << reason << mode << attribute << value;
    };
    const QByteArray none("<p>none</p>");
    const QString notRegular = QStringLiteral("not a regular file");
    const QString tooLarge = QStringLiteral("cannot write the scratch file: File too large");
    row("mode 0640", Setup::Kept, before, {}, 0640);
    row("setgid 02664", Setup::Kept, before, {}, 02664);
    row("setuid 04755", Setup::Kept, before, {}, 04755);
    row("owner and setgid", Setup::Owner, before, {}, 02640);
    row("user attribute", Setup::Kept, before, {}, 0644, "user.tagmender",
        QByteArray("kept\0value", 10));
    row("access ACL", Setup::Kept, before, {}, 0644, "system.posix_acl_access", acl);
    // Set on the folder, it gives the scratch file an access ACL, which the file has not.
    row("folder's default ACL not taken", Setup::Kept, before, {}, 0644, "system.posix_acl_default",
        acl);
    row("read-only", Setup::ReadOnly, before, u"the file is read-only"_s);
    row("read-only, no occurrence", Setup::ReadOnly, none);
    row("hard link", Setup::HardLink, before, u"the file has more than one hard link"_s);
    row("hard link, no occurrence", Setup::HardLink, none);
    // Never followed: a link in a listed file's place may lead out of the chosen folder.
    row("symbolic link", Setup::Symlink, before, notRegular);
    row("FIFO", Setup::Fifo, none, notRegular); // opening it would block
    row("folder", Setup::Folder, none, notRegular);
    row("unreadable", Setup::NoRead, before, u"cannot open the file: Permission denied"_s);
    row("folder unwritable", Setup::NoWrite, before,
        u"cannot create the scratch file: Permission denied"_s);
    // A buffered QSaveFile lost the error of writing a small file at commit(): a cut-off file.
    row("write fails, small file", Setup::Full, before.repeated(300), tooLarge);
    row("write fails, large file", Setup::Full, before.repeated(20000), tooLarge);
}

// Changed with every piece of metadata kept; or refused, or failed before the rename, with
// every entry of the folder as it was.
void TestRewritePosix::prepared()
{
    QFETCH(Setup, setup);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QFETCH(uint, mode);
    QFETCH(QByteArray, attribute);
    QFETCH(QByteArray, value);

    if (setup == Setup::Owner && ::geteuid() != 0)
        QSKIP("changing the owner of a file needs root");
    TempTree fixture;
    const QByteArray folder = QFile::encodeName(fixture.path());
    const QByteArray file = QFile::encodeName(fixture.path(fileName));
    const QByteArray other = folder + "/y.htm";
    const char *path = file.constData(), *dir = folder.constData();
    const auto restore = qScopeGuard([&] { ::chmod(dir, 0755); });
    QVERIFY(fixture.write(fileName, content) && ::chmod(dir, 0755) == 0); // open to user 65534
    QVERIFY(setup != Setup::Owner || ::chown(path, nobody, nobody) == 0);
    QCOMPARE(::chmod(path, mode), 0); // after chown, which clears setgid
    if (!attribute.isEmpty() &&
        ::setxattr(attribute.endsWith("default") ? dir : path, attribute.constData(),
                   value.constData(), size_t(value.size()), 0) != 0)
        QSKIP("the file system refuses the attribute");
    QCOMPARE(setup == Setup::ReadOnly   ? ::chmod(path, 0444) // root could write it all the same
             : setup == Setup::HardLink ? ::link(path, other.constData())
             : setup == Setup::Symlink
                 ? ::rename(path, other.constData()) | ::symlink("y.htm", path)
             : setup == Setup::Fifo    ? ::unlink(path) | ::mkfifo(path, 0644)
             : setup == Setup::Folder  ? ::unlink(path) | ::mkdir(path, 0755)
             : setup == Setup::NoRead  ? ::chmod(path, 0)
             : setup == Setup::NoWrite ? ::chmod(path, 0666) | ::chmod(dir, 0555)
                                       : 0,
             0);
    const QString was = metadata(path);
    const QStringList untouched = fixture.state();
    const RewriteResult result =
        rewriteInChild(fixture.path(fileName), setup == Setup::NoRead || setup == Setup::NoWrite,
                       setup == Setup::Full ? content.size() / 2 : -1);
    QCOMPARE(result.status, !reason.isEmpty()       ? Status::Failed
                            : setup <= Setup::Owner ? Status::Changed
                                                    : Status::Unchanged);
    QVERIFY2(result.reason.startsWith(reason), qPrintable(result.reason));
    QCOMPARE(metadata(path), was);
    if (result.status == Status::Changed)
        QVERIFY(fixture.read(fileName) == QByteArray(before).replace("old", "new") &&
                fixture.state().size() == 1);
    else
        QCOMPARE(fixture.state(), untouched);
}

QTEST_GUILESS_MAIN(TestRewritePosix)
#include "TestRewritePosix.moc"

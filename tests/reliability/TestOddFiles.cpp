// Links and special files on the way of a walk with subfolders, end to end through the batch
// tool: links to files and folders (one forming a cycle, some leading out of the tree), hard
// links, a FIFO, a socket, a device node and a folder, all named like pages. Nothing outside the
// tree may be touched, no run may hang (opening the FIFO would block it), and the trace must show
// that no special file and no link was so much as looked at by name.

#include "BatchRun.h"
#include "FileState.h"
#include "SyscallTrace.h"
#include "TreeFiles.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray search = "cat";
const QByteArray replacement = "dog";

// The names that must never appear in a system call of the run.
const QStringList untouchable = {"/link.htm", "/out.htm",    "/outdir",     "/loop",
                                 "/fifo.htm", "/socket.htm", "/device.htm", "/outside"};

bool makeSocket(const QString &path, int &fd)
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (size_t(native.size()) >= sizeof address.sun_path)
        return false;
    std::copy(native.cbegin(), native.cend(), address.sun_path);
    fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
}

// The state of every entry of folder, by name.
QMap<QString, FileState> statesOf(const QString &folder)
{
    QMap<QString, FileState> states;
    for (const QString &name : TreeFiles::entries(folder))
        states.insert(name, FileState::of(folder + u'/' + name));
    return states;
}

// What changed in folder since before, leaving out the entries named in changing.
QString changesIn(const QString &folder, const QMap<QString, FileState> &before,
                  const QStringList &changing)
{
    QString out;
    if (TreeFiles::entries(folder) != before.keys())
        out += folder + QStringLiteral(": other entries; ");
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (changing.contains(it.key()))
            continue;
        const QString changes =
            it->differences(FileState::of(folder + u'/' + it.key()), FileState::Compare::Untouched);
        if (!changes.isEmpty())
            out += it.key() + QStringLiteral(": ") + changes + QStringLiteral("; ");
    }
    return out;
}

bool link(const QString &target, const QString &name, bool symbolic)
{
    const QByteArray from = QFile::encodeName(target);
    const QByteArray to = QFile::encodeName(name);
    return (symbolic ? ::symlink(from.constData(), to.constData())
                     : ::link(from.constData(), to.constData())) == 0;
}

} // namespace

class TestOddFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void walkAndRewrite();
    void cleanupTestCase();

private:
    QString site(const QString &name) const { return m_site + u'/' + name; }
    QString outside(const QString &name) const { return m_outside + u'/' + name; }
    void buildTree();
    void checkTrace(const SyscallTrace &trace);

    QTemporaryDir m_base;
    QString m_site = m_base.filePath(QStringLiteral("site"));
    QString m_outside = m_base.filePath(QStringLiteral("outside"));
    Page m_page = TreeFiles::page(QStringLiteral("page.htm"), 2000, search, replacement);
    int m_socket = -1;
};

void TestOddFiles::initTestCase()
{
    QVERIFY(m_base.isValid());
    buildTree();
}

void TestOddFiles::cleanupTestCase()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

void TestOddFiles::buildTree()
{
    const QByteArray text = m_page.before;
    QVERIFY(TreeFiles::rebuild(m_site, {m_page}));
    for (const char *name : {"target.htm", "x.htm", "linked.htm"})
        QVERIFY(TreeFiles::write(outside(QLatin1String(name)), text));
    QVERIFY(TreeFiles::write(site("sub/deep.htm"), text));
    QVERIFY(TreeFiles::write(site("sub.htm/inner.htm"), text)); // a folder named like a page
    QVERIFY(TreeFiles::write(site("hard1.htm"), text));
    QVERIFY(link(QStringLiteral("page.htm"), site("link.htm"), true));
    QVERIFY(link(QStringLiteral("../outside/target.htm"), site("out.htm"), true));
    QVERIFY(link(QStringLiteral("../outside"), site("outdir"), true));
    QVERIFY(link(QStringLiteral(".."), site("sub/loop"), true));
    QVERIFY(link(site("hard1.htm"), site("hard2.htm"), false));
    QVERIFY(link(outside("linked.htm"), site("hardout.htm"), false));
    QCOMPARE(::mkfifo(QFile::encodeName(site("fifo.htm")).constData(), 0644), 0);
    QVERIFY(makeSocket(site("socket.htm"), m_socket));
    // A device node needs root (and a system that allows it): /dev/null's numbers, harmless.
    const QByteArray device = QFile::encodeName(site("device.htm"));
    if (::mknod(device.constData(), S_IFCHR | 0644, makedev(1, 3)) != 0)
        qInfo("no device node: %s", qPrintable(qt_error_string(errno)));
}

void TestOddFiles::walkAndRewrite()
{
    const QMap<QString, FileState> siteBefore = statesOf(m_site);
    const QMap<QString, FileState> outsideBefore = statesOf(m_outside);
    const QString traceFile = m_base.filePath(QStringLiteral("trace"));
    const bool traced = !BatchRun::strace().isEmpty();
    BatchRun run(traced ? BatchRun::underStrace(traceFile, {}) : QStringList());
    BatchOutcome outcome = run.run({QStringLiteral("--subfolders"), m_site,
                                    QString::fromLatin1(search), QString::fromLatin1(replacement)});
    QVERIFY2(outcome.finished && !outcome.crashed && outcome.exitCode == 1,
             qPrintable(outcome.describe()));

    outcome.out.sort();
    QCOMPARE(outcome.out,
             (QStringList{site("page.htm"), site("sub.htm/inner.htm"), site("sub/deep.htm")}));
    // Hard links are refused; hard2.htm, the second name of a file the run has reached already,
    // may be passed over without a report.
    QStringList refused;
    for (const QString &line : std::as_const(outcome.err)) {
        QVERIFY2(line.contains(QLatin1String(": the file has more than one hard link")),
                 qPrintable(line));
        refused << line.section(QStringLiteral(": "), 0, 0);
    }
    QVERIFY2(refused.contains(site("hard1.htm")) && refused.contains(site("hardout.htm")) &&
                 refused.size() == (refused.contains(site("hard2.htm")) ? 3 : 2),
             qPrintable(refused.join(u' ')));

    // Everything but the rewritten pages is as it was, links and special files included.
    const QString changes = changesIn(m_site, siteBefore, {"page.htm", "sub", "sub.htm"}) +
                            changesIn(m_outside, outsideBefore, {});
    QVERIFY2(changes.isEmpty(), qPrintable(changes));
    if (!traced)
        QSKIP("strace is not installed: the trace was not checked");
    checkTrace(SyscallTrace::read(traceFile));
}

// No system call of the run names a link or a special file, or anything outside the tree.
void TestOddFiles::checkTrace(const SyscallTrace &trace)
{
    QVERIFY(!trace.mentioning(QStringLiteral("/page.htm")).isEmpty()); // the trace is complete
    for (const QString &name : untouchable) {
        const QStringList lines = trace.mentioning(name);
        QVERIFY2(lines.isEmpty(), qPrintable(lines.join(u'\n')));
    }
}

QTEST_GUILESS_MAIN(TestOddFiles)
#include "TestOddFiles.moc"

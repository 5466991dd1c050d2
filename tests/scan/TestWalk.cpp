#include "scan/CollectHtmlFiles.h"
#include "scan/FolderPath.h"
#include "scan/WalkObserver.h"
#include "tests/common/TempTree.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTest>
#include <functional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct Recorder : WalkObserver
{
    void folderFailed(const QString &folder, const Failure &failure) override
    {
        reports.append(folder + QStringLiteral(": ") + failure.text);
    }
    void yield() override { onYield(++yields); }
    QStringList reports;
    int yields = 0;
    std::function<void(int)> onYield;
};

// Makes one entry of a fixture tree from raw bytes, so that names invalid in the file name
// encoding can be made too: "a/" a folder, "a|" a FIFO, "a->b" a link to b, "a=>b" folder b
// bind-mounted at a, "a#" a folder only root may read, anything else an empty file. Folders on
// the way are made first, each from its parent's descriptor, so that a tree may outgrow PATH_MAX.
bool make(const QByteArray &root, const QByteArray &entry)
{
    const qsizetype arrow = qMax(entry.indexOf("->"), entry.indexOf("=>"));
    const QByteArray name = arrow < 0 ? entry : entry.left(arrow);
#ifdef Q_OS_UNIX
    const auto at = [&](const QByteArray &relative) { return root + '/' + relative; };
    QByteArrayList folders = name.split('/');
    const QByteArray last = folders.takeLast();
    int dir = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const QByteArray &folder : std::as_const(folders)) {
        const bool made = mkdirat(dir, folder.constData(), 0755) == 0 || errno == EEXIST;
        const int next =
            made ? openat(dir, folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        ::close(dir);
        dir = next;
    }
    const auto closeDir = qScopeGuard([&] { ::close(dir); });
    if (dir < 0)
        return false;
    if (arrow > 0 && entry[arrow] == '=')
        return mkdirat(dir, last.constData(), 0755) == 0 &&
               mount(at(entry.mid(arrow + 2)).constData(), at(name).constData(), nullptr, MS_BIND,
                     nullptr) == 0;
    if (arrow > 0)
        return symlinkat(at(entry.mid(arrow + 2)).constData(), dir, last.constData()) == 0;
    if (last.isEmpty())
        return true;
    if (last.endsWith('|'))
        return mkfifoat(dir, last.chopped(1).constData(), 0600) == 0;
    if (last.endsWith('#'))
        return fchmodat(dir, last.chopped(1).constData(), 0, 0) == 0;
    const int fd = openat(dir, last.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    return fd >= 0 && ::close(fd) == 0;
#else
    // Names are UTF-16 there: the fixture's bytes are taken as UTF-8, not the ANSI code page,
    // a leading byte order mark too.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString path = QFile::decodeName(root) + u'/' + utf8.decode(name);
    QFile file(path);
    return name.endsWith('/')
               ? QDir().mkpath(path)
               : QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly);
#endif
}

// The walk's file list after an "earlier" entry, then its reports and its count of yields. Entries
// in later, marked with n "!", replace their entry at yield 2n: at the second yield the start
// folder is listed and its first subfolder not yet entered, at the fourth that subfolder is
// listed and its own first subfolder not yet entered.
QStringList runWalk(const QByteArray &site, const QString &typed, bool subfolders,
                    const QByteArrayList &later)
{
    Recorder recorder;
    recorder.onYield = [&](int yields) {
        for (const QByteArray &marked : later) {
            const QByteArray entry = QByteArray(marked).replace('!', "");
            if (yields != 2 * (marked.size() - entry.size()))
                continue;
            const qsizetype arrow = entry.indexOf("->");
            const QByteArray name = arrow < 0 ? entry : entry.left(arrow);
            if (QDir(QFile::decodeName(site + '/' + name)).removeRecursively() && name != entry)
                make(site, entry);
        }
    };
    QStringList list = {"earlier"};
    if (subfolders)
        CollectHtmlFiles(typed, list, recorder);
    else
        ListFolderFiles(typed, list, recorder);
    return list << recorder.reports << QStringLiteral("%1 yields").arg(recorder.yields);
}

#ifdef Q_OS_UNIX
QString linkLeftOut(const QString &name)
{
    return QStringLiteral(",: the link \"%1\" was left out: links are not followed").arg(name);
}

QString leftOut(const QString &kind, const QString &name)
{
    return QStringLiteral(",: the %1 \"%2\" was left out because its name is not valid in the file "
                          "name encoding")
        .arg(kind, name);
}
#endif

} // namespace

/// The folder walk: which files it lists in which order, what it leaves out, what it reports.
class TestWalk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walk_data();
    void walk();
    void paths_data();
    void paths();
};

void TestWalk::walk_data()
{
    // Comma-separated entries below the start folder "site", as make() reads them; expected are
    // the listed files, then the reports ("folder: reason", folder "" for site itself).
    QTest::addColumn<QByteArray>("tree");
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("yields");
    const QByteArray site = "b.htm,a.htm,news v1.2/n.htm,news v1.2/old/o.htm,shop/s.htm";
    const QString postOrder = "news v1.2/old/o.htm,news v1.2/n.htm,shop/s.htm,a.htm,b.htm";
    QTest::addRow("post-order") << site << "" << true << postOrder << 7;
    QTest::addRow("dot segments") << site << "/news v1.2/../." << true << postOrder << 7;
    QTest::addRow("own files") << site << "/" << false << "a.htm,b.htm" << 1;
    // Case folding by character code, not the locale's collation: É folds to é, after f.
    QTest::addRow("order") << QByteArray("b.htm,Z.htm,_x.htm,9.htm,10.htm,f.htm,e.htm,\xC3\x89.htm,"
                                         "beta/1.htm,Alpha/1.htm,gamma/1.htm")
                           << "" << true
                           << "Alpha/1.htm,beta/1.htm,gamma/1.htm,10.htm,9.htm,_x.htm,b.htm,e.htm,"
                              "f.htm,Z.htm,\u00C9.htm"
                           << 7;
    QTest::addRow("pattern") << QByteArray("a.htm,b.HTM,c.hTm,d.html,e.Html,f.htmx,g.shtml,"
                                           "h.htm.bak,i.htm~,j.htmll,khtm,logo.gif,"
                                           "my page.v2 final.htm,dir.htm/x.htm,empty/")
                             << "" << true
                             << "dir.htm/x.htm,a.htm,b.HTM,c.hTm,d.html,e.Html,my page.v2 final.htm"
                             << 5;
#ifdef Q_OS_WIN
    // Names are UTF-16 there: one that starts with U+FEFF is a name of its own.
    QTest::addRow("BOM, twins") << QByteArray("index.htm,\xEF\xBB\xBFindex.htm,sub/y.htm,"
                                              "\xEF\xBB\xBFsub/x.htm")
                                << "" << true
                                << "sub/y.htm,\uFEFFsub/x.htm,index.htm,\uFEFFindex.htm" << 5;
#endif
#ifdef Q_OS_LINUX
    QTest::addRow("case twins") << QByteArray("a.htm,B.htm,b.htm,A.htm,x/1.htm,X/1.htm") << ""
                                << true << "X/1.htm,x/1.htm,A.htm,a.htm,B.htm,b.htm" << 5;
#endif
#ifdef Q_OS_UNIX
    QTest::addRow("hidden") << QByteArray(".git/x.htm,.c/sub/y.htm,v/v.htm,.h.htm,.htm") << ""
                            << true << "v/v.htm" << 3;
    // Never followed, but those standing where a page or a folder would be are reported.
    const QByteArray links = "real.htm,../out/o.htm,../out/deep/d.htm,link.htm->../out/o.htm,"
                             "out->../out,loop->.,dangling.htm->none.htm,other->../out/o.htm,"
                             "fifo.htm|";
    const QString pageLinks = linkLeftOut("dangling.htm") + linkLeftOut("link.htm");
    QTest::addRow("links, FIFO") << links << "" << true
                                 << "real.htm" + linkLeftOut("loop") + linkLeftOut("out") +
                                        pageLinks
                                 << 1;
    QTest::addRow("links, own files") << links << "" << false << "real.htm" + pageLinks << 1;
    const QByteArray abc = "a/a.htm,b/b.htm,c/c.htm,r.htm,../out/o.htm,";
    const QString acr = "a/a.htm,c/c.htm,r.htm,b: ";
    QTest::addRow("removed mid-walk")
        << abc + "!b" << QString() << true << acr + qt_error_string(ENOENT) << 7;
    QTest::addRow("linked mid-walk")
        << abc + "!b->../out" << QString() << true << acr + qt_error_string(ENOTDIR) << 7;
    // The folder above is swapped once the walk has listed it: its subfolder is no longer there.
    QTest::addRow("linked above mid-walk")
        << abc + "a/in/i.htm,../out/in/o.htm,!!a->../out" << QString() << true
        << "a/a.htm,b/b.htm,c/c.htm,r.htm,a/in: " + qt_error_string(ENOENT) << 9;
    const QByteArray beyondPathMax = QByteArray(200, 'n').append('/').repeated(24) + "f.htm";
    QTest::addRow("deeper than PATH_MAX")
        << beyondPathMax << "" << true << QString::fromLatin1(beyondPathMax) << 49;
    // A folder reached twice (here also the start folder inside itself) is entered once.
    QTest::addRow("bind mounts") << QByteArray("a/a.htm,shop/s.htm,a/mnt=>shop,z/loop=>.") << ""
                                 << true << "a/mnt/s.htm,a/a.htm" << 11;
    // ".." taken as text, as the input check takes it, not after the link (a file here).
    QTest::addRow("dot dot after a link")
        << QByteArray("a.htm,l->a.htm") << "/l/.." << false << "a.htm" << 1;
    QTest::addRow("missing") << QByteArray("f.htm") << "/none" << true
                             << "none: " + qt_error_string(ENOENT) << 1;
    QTest::addRow("a file") << QByteArray("f.htm") << "/f.htm" << false
                            << "f.htm: " + qt_error_string(ENOTDIR) << 1;
    const QByteArray locked = "a/a.htm,locked/l.htm,locked/in/i.htm,z.htm,locked#";
    const QString denied = "locked: " + qt_error_string(EACCES);
    QTest::addRow("locked subfolder") << locked << "" << true << "a/a.htm,z.htm," + denied << 5;
    QTest::addRow("locked start") << locked << "/locked" << true << denied << 1;
    // Latin-1 bytes, not UTF-8: such a name cannot be written back as it was read, and is
    // reported where it would be listed. A real U+FFFD in a name is no reason to leave it out.
    // A leading byte order mark is dropped in decoding: the names would read as ".." and
    // "good.htm", and lead out of the tree or to another file.
    const QString bom = "\\xEF\\xBB\\xBF";
    QTest::addRow("undecodable")
        << QByteArray("good.htm,\xEF\xBF\xBD.htm,caf\xE9.htm,\xC3\xA9t\xE9\x01.htm,caf\xE9.gif,"
                      "d\xE9j\xE0/x.htm,\xEF\xBB\xBF../x.htm,\xEF\xBB\xBFgood.htm")
        << "" << true
        << "good.htm,\uFFFD.htm" + leftOut("folder", bom + "..") +
               leftOut("folder", "d\\xE9j\\xE0") + leftOut("file", bom + "good.htm") +
               leftOut("file", "caf\\xE9.htm") + leftOut("file", "\u00E9t\\xE9\\x01.htm")
        << 1;
#endif
}

void TestWalk::walk()
{
    QFETCH(QByteArray, tree);
    QFETCH(QString, start);
    QFETCH(bool, subfolders);
    QFETCH(QString, expected);
    QFETCH(int, yields);
    TempTree dir;
    const QString root = dir.path(QStringLiteral("site"));
    const QByteArray site = QFile::encodeName(root);
    QVERIFY(QDir().mkdir(root));
    QByteArrayList later, mounts;
    bool locked = false;
#ifdef Q_OS_UNIX
    const auto unmount = qScopeGuard([&] {
        for (const QByteArray &folder : mounts)
            umount2((site + '/' + folder).constData(), MNT_DETACH);
    });
    // Open to everyone, so that only the locked folders are out of reach.
    QCOMPARE(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
#endif
    for (const QByteArray &entry : tree.split(',')) {
        if (entry.contains("=>")) {
#ifdef Q_OS_UNIX
            if (geteuid() != 0)
#endif
                QSKIP("only root can bind-mount a folder");
            mounts.prepend(entry.left(entry.indexOf("=>")));
        }
        if (entry.startsWith('!'))
            later.append(entry);
        else
            QVERIFY2(make(site, entry), entry.constData());
        locked |= entry.endsWith('#');
    }
    const QString typed = QDir::toNativeSeparators(root + start);
#ifdef Q_OS_UNIX
    QVERIFY(!locked || TempTree::actAs(TempTree::nobody));
#endif
    const QStringList result = runWalk(site, typed, subfolders, later);
#ifdef Q_OS_UNIX
    QVERIFY(TempTree::actAs(0));
#endif
    QStringList want = {"earlier"};
    for (const QString &line : expected.split(u',', Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(QStringLiteral(": "));
        const QString path = colon < 0 ? line : line.left(colon);
        want.append(QDir::toNativeSeparators(path.isEmpty() ? root : root + u'/' + path) +
                    (colon < 0 ? QString() : line.mid(colon)));
    }
    QCOMPARE(result, want << QStringLiteral("%1 yields").arg(yields));
}

void TestWalk::paths_data()
{
    QTest::addColumn<QStringList>("forms"); // as typed, normalised, joined with "a.htm"
    const QString rel = QDir::toNativeSeparators(QDir::currentPath() + "/rel");
    QTest::addRow("empty stays empty") << QStringList{"", "", ""};
    QTest::addRow("relative") << QStringList{"rel", rel, rel + QDir::separator() + "a.htm"};
#ifdef Q_OS_WIN
    QTest::addRow("drive root") << QStringList{"C:\\", "C:\\", "C:\\a.htm"};
    QTest::addRow("bare drive") << QStringList{"D:", "D:\\", "D:\\a.htm"};
    QTest::addRow("slashes, dots") << QStringList{"C:/web/img/..", "C:\\web", "C:\\web\\a.htm"};
#else
    QTest::addRow("root") << QStringList{"/", "/", "/a.htm"};
    QTest::addRow("slashes, dots") << QStringList{"/a//b/./c/..", "/a/b", "/a/b/a.htm"};
#endif
}

void TestWalk::paths()
{
    QFETCH(QStringList, forms);
    QCOMPARE(FolderPath::normalised(forms[0]), forms[1]);
    if (!forms[1].isEmpty())
        QCOMPARE(FolderPath::join(forms[1], "a.htm"), forms[2]);
}

QTEST_GUILESS_MAIN(TestWalk)
#include "TestWalk.moc"

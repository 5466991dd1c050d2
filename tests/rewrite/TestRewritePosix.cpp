// What RewriteFile keeps besides the text, what it refuses, and a failed write, on POSIX; odd
// files, a full disk and changes under way are the reliability tests' part.

#include "ReplacementTexts.h"
#include "RewriteFile.h"
#include "TempTree.h"

#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Status = RewriteResult::Status;

class TestRewritePosix : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void prepared_data();
    void prepared();
};

void TestRewritePosix::prepared_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason"); // the start of it; empty: Changed or Unchanged
    const QByteArray old("<p>old text</p>\r\n"), none("<p>none</p>");
    // Given to user 65534 first (as root): a change of owner clears the setgid bit.
    QTest::addRow("owner, setgid, mode") << u"owner"_s << old << QString();
    QTest::addRow("user attribute") << u"user.tagmender"_s << old << QString();
    QTest::addRow("unreadable, as user 65534")
        << u"0000"_s << old << u"cannot open the file: Permission denied"_s;
    // Root could write it all the same: the mode decides.
    QTest::addRow("read-only") << u"0444"_s << old << u"the file is read-only"_s;
    QTest::addRow("read-only, no occurrence") << u"0444"_s << none << QString();
    QTest::addRow("hard link") << u"link"_s << old << u"the file has more than one hard link"_s;
    QTest::addRow("hard link, no occurrence") << u"link"_s << none << QString();
    // Set on the folder, it gives the scratch file an access ACL, which the file has not.
    QTest::addRow("folder's default ACL not taken") << u"acl"_s << old << QString();
    // Under a file size limit. A buffered QSaveFile once lost a small file's write error.
    for (const int lines : {300, 20000})
        QTest::addRow("write fails, %d lines", lines)
            << u"full"_s << old.repeated(lines)
            << u"cannot write the scratch file: File too large"_s;
}

void TestRewritePosix::prepared()
{
    QFETCH(QString, setup);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    TempTree tree;
    const QString path = tree.path(u"x.htm"_s);
    const QByteArray file = QFile::encodeName(path), folder = QFile::encodeName(tree.path());
    // Owner rwx, user 65534 rwx, group r-x, mask rwx, others r-x, as the kernel stores it.
    const QByteArray acl =
        QByteArray::fromHex("02000000 01000700ffffffff 02000700feff0000 "
                            "04000500ffffffff 10000700ffffffff 20000500ffffffff");
    if (setup == u"owner"_s && ::geteuid() != 0)
        QSKIP("changing the owner of a file needs root");
    QVERIFY(tree.write(u"x.htm"_s, content) && ::chmod(folder.constData(), 0755) == 0);
    QCOMPARE(setup == u"0444"_s    ? ::chmod(file.constData(), 0444)
             : setup == u"0000"_s  ? ::chmod(file.constData(), 0)
             : setup == u"link"_s  ? ::link(file.constData(), folder + "/y.htm")
             : setup == u"owner"_s ? ::chown(file.constData(), TempTree::nobody, TempTree::nobody) |
                                         ::chmod(file.constData(), 02640)
                                   : 0,
             0);
    const bool attribute = setup.contains(u'.') || setup == u"acl"_s;
    if (attribute &&
        (setup == u"acl"_s ? ::setxattr(folder.constData(), "system.posix_acl_default",
                                        acl.constData(), size_t(acl.size()), 0)
                           : ::setxattr(file.constData(), "user.tagmender", "kept\0v", 6, 0)) != 0)
        QSKIP("the file system refuses the attribute");
    const QString kept = TempTree::state(path, true);
    const QStringList untouched = tree.state();

    ReplacementTexts texts(u"old"_s, u"new"_s);
    rlimit limit = {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit low{rlim_t(content.size() / 2), limit.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN); // the write fails instead of the writer being killed
    const bool acting = (setup != u"full"_s || ::setrlimit(RLIMIT_FSIZE, &low) == 0) &&
                        (setup != u"0000"_s || TempTree::actAs(TempTree::nobody));
    const RewriteResult result = RewriteFile(path, texts);
    QVERIFY(TempTree::actAs(0) && ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && acting);
    QCOMPARE(result.status, !reason.isEmpty()          ? Status::Failed
                            : !content.contains("old") ? Status::Unchanged
                                                       : Status::Changed);
    QVERIFY2(result.reason.startsWith(reason), qPrintable(result.reason));
    QCOMPARE(TempTree::state(path, true), kept);
    if (result.status == Status::Changed)
        QVERIFY(tree.read(u"x.htm"_s) == "<p>new text</p>\r\n" && tree.state().size() == 1);
    else
        QCOMPARE(tree.state(), untouched);
}

QTEST_GUILESS_MAIN(TestRewritePosix)
#include "TestRewritePosix.moc"

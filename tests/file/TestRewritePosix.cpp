// What RewriteFile refuses on POSIX only when it would change the file, and the ACL a new file
// in the folder inherits but the replaced one has not. Owners, modes, attributes, unreadable
// files and full disks are the reliability tests' part.

#include "run/RewriteFile.h"
#include "tests/common/TempTree.h"
#include "text/ReplacementTexts.h"

#include <QTest>

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
    // Root could write it all the same: the mode decides.
    QTest::addRow("read-only") << u"0444"_s << old << u"the file is read-only"_s;
    QTest::addRow("read-only, no occurrence") << u"0444"_s << none << QString();
    QTest::addRow("hard link") << u"link"_s << old << u"the file has more than one hard link"_s;
    QTest::addRow("hard link, no occurrence") << u"link"_s << none << QString();
    // Set on the folder, it gives the scratch file an access ACL, which the file has not.
    QTest::addRow("folder's default ACL not taken") << u"acl"_s << old << QString();
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
    QVERIFY(tree.write(u"x.htm"_s, content));
    QCOMPARE(setup == u"0444"_s   ? ::chmod(file.constData(), 0444)
             : setup == u"link"_s ? ::link(file.constData(), folder + "/y.htm")
                                  : 0,
             0);
    if (setup == u"acl"_s && ::setxattr(folder.constData(), "system.posix_acl_default",
                                        acl.constData(), size_t(acl.size()), 0) != 0)
        QSKIP("the file system refuses the attribute");
    const QString kept = TempTree::state(path, true);
    const QStringList untouched = tree.state();

    const RewriteResult result = RewriteFile(path, ReplacementTexts(u"old"_s, u"new"_s));
    QCOMPARE(result.status, !reason.isEmpty()          ? Status::Failed
                            : !content.contains("old") ? Status::Unchanged
                                                       : Status::Changed);
    QVERIFY2(result.failure.text.startsWith(reason), qPrintable(result.failure.text));
    QCOMPARE(TempTree::state(path, true), kept);
    if (result.status == Status::Changed)
        QVERIFY(tree.read(u"x.htm"_s) == "<p>new text</p>\r\n" && tree.state().size() == 1);
    else
        QCOMPARE(tree.state(), untouched);
}

QTEST_GUILESS_MAIN(TestRewritePosix)
#include "TestRewritePosix.moc"

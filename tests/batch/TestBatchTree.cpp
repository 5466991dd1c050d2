// The batch tool over the mixed tree, then its undo: the same bytes, the same failures and the
// same undo on Linux and on Windows.

#include "MixedTree.h"

#include <QProcess>
#include <QTest>

class TestBatchTree : public QObject
{
    Q_OBJECT

    QProcess m_tool;

    // The tool's exit code, its standard output's and error's lines in out and err.
    int run(const QStringList &arguments, QStringList &out, QStringList &err)
    {
        m_tool.start(TAGMENDER_BATCH, arguments);
        if (!m_tool.waitForFinished(60000) || m_tool.exitStatus() != QProcess::NormalExit) {
            qWarning() << m_tool.program() << m_tool.errorString();
            return -1;
        }
        out = QString::fromUtf8(m_tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        err = QString::fromUtf8(m_tool.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        return m_tool.exitCode();
    }

private Q_SLOTS:
    void runAndUndo()
    {
        TempTree tree;
        const QString site = tree.path("site");
        QVERIFY(MixedTree::write(site));
        const QStringList before = tree.state();
        QStringList out, err;
        {
            const HeldOpen holder(site + '/' + MixedTree::held);
            QVERIFY(holder.isHeld());
            QCOMPARE(run({"--subfolders", "--quiet", site, "Home", "Start"}, out, err), 1);
        }
        QCOMPARE(MixedTree::firstWrong(site, true), QString());
        QCOMPARE(out.size(), MixedTree::pages().size() - 3);
        const QString failures = err.join('\n');
        QVERIFY2(err.size() == 2 && failures.contains(MixedTree::held + ": ") &&
                     failures.contains(MixedTree::readOnly + ": the file is read-only"),
                 qPrintable(failures));
        QCOMPARE(run({"--undo-last", "--quiet"}, out, err), 0);
        QCOMPARE(tree.state(), before);
    }
};

QTEST_GUILESS_MAIN(TestBatchTree)
#include "TestBatchTree.moc"

// The batch tool over one tree of the pages that differ most between systems (nested and
// non-ASCII names, one outside the Basic Multilingual Plane, hidden and read-only pages, a path
// over 260 characters, CR LF, UTF-16 and Windows-1252 pages, a page another process holds),
// then its undo: the same bytes, the same failure and the same undo on Linux and on Windows.

#include "TempTree.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/file.h>
#endif

namespace {

const QString longFolder = QString(90, u'l');
const QString held = QStringLiteral("held.htm"), readOnly = QStringLiteral("read-only.htm");

QList<Page> pages()
{
    const auto utf16 = [](const char16_t *text) {
        return QByteArray("\xFF\xFE") +
               QByteArray(reinterpret_cast<const char *>(text),
                          qsizetype(std::char_traits<char16_t>::length(text)) * 2);
    };
    const QString deep = longFolder + '/' + longFolder + '/' + longFolder + "/page.htm";
    return {
        {"a.htm", "cat\r\ncat\r\n", "dog\r\ndog\r\n"},
        {"sub/deeper/b.html", "<p>cat</p>\r\n", "<p>dog</p>\r\n"},
        {"\u00e9\u4e2d/\u00fc.HTM", "cat cat", "dog dog"},
        {"\U0001F600.htm", "\xF0\x9F\x98\x80 cat", "\xF0\x9F\x98\x80 dog"},
        {".hidden.htm", "cat", "cat"}, // passed over, as every hidden page (Wine hides a dot)
        {readOnly, "cat", "cat"},
        {deep, "a cat\r\n", "a dog\r\n"},
        {"utf16.htm", utf16(u"cat\r\n\u4e2d"), utf16(u"dog\r\n\u4e2d")},
        {"1252.htm", "caf\xE9 cat\r\n", "caf\xE9 dog\r\n"},
        {held, "cat", "cat"},
    };
}

// The page open in this process, as another program keeps a file it has open: locked on
// POSIX (the tool refuses a page locked by another), without sharing on Windows.
class HeldOpen
{
public:
    explicit HeldOpen(const QString &path) : m_file(path)
    {
#ifdef Q_OS_WIN
        m_handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ, 0,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        m_held = m_handle != INVALID_HANDLE_VALUE;
#else
        m_held = m_file.open(QIODevice::ReadOnly) && ::flock(m_file.handle(), LOCK_EX) == 0;
#endif
    }
    ~HeldOpen()
    {
#ifdef Q_OS_WIN
        if (m_held)
            CloseHandle(m_handle);
#endif
    }
    bool isHeld() const
    {
        return m_held;
    }

private:
    QFile m_file;
    bool m_held = false;
#ifdef Q_OS_WIN
    HANDLE m_handle = INVALID_HANDLE_VALUE;
#endif
};

} // namespace

class TestBatchTree : public QObject
{
    Q_OBJECT

    QProcess m_tool;

    // The tool's exit code, its standard output's lines in out.
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
        QVERIFY(TempTree::rebuild(site, pages()));
        QVERIFY(QFile::setPermissions(site + '/' + readOnly, QFile::ReadOwner | QFile::ReadGroup));
        const QStringList before = tree.state();
        QStringList out, err;
        {
            const HeldOpen holder(site + '/' + held);
            QVERIFY(holder.isHeld());
            QCOMPARE(run({"--subfolders", "--quiet", site, "cat", "dog"}, out, err), 1);
        }
        for (const Page &page : pages())
            QVERIFY2(tree.read("site/" + page.name) == page.after, qPrintable(page.name));
        QCOMPARE(out.size(), pages().size() - 3);
        const QString failures = err.join('\n');
        QVERIFY2(err.size() == 2 && failures.contains(held + ": ") &&
                     failures.contains(readOnly + ": the file is read-only"),
                 qPrintable(failures));
        QCOMPARE(run({"--undo-last", "--quiet"}, out, err), 0);
        QCOMPARE(tree.state(), before);
    }
};

QTEST_GUILESS_MAIN(TestBatchTree)
#include "TestBatchTree.moc"

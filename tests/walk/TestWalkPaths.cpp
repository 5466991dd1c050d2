#include "FolderPath.h"
#include "NamePattern.h"

#include <QDir>
#include <QTest>

/// The pieces a walk builds its entries from: name matching and path forms.
class TestWalkPaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void patternRule_data();
    void patternRule();
    void joinPath_data();
    void joinPath();
    void normalisedFolder_data();
    void normalisedFolder();
};

void TestWalkPaths::patternRule_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    QTest::addRow("html under *.htm") << "*.htm"
                                      << "index.html" << true;
    QTest::addRow("htmlx under *.htm") << "*.htm"
                                       << "index.htmlx" << false;
    QTest::addRow("html twice") << "*.htm"
                                << "index.htm.html" << true;
    QTest::addRow("case of the pattern") << "*.HTM"
                                         << "index.html" << true;
    QTest::addRow("other extensions keep to themselves") << "*.txt"
                                                         << "a.txtx" << false;
    QTest::addRow("other extensions ignore case") << "*.txt"
                                                  << "A.TXT" << true;
    QTest::addRow("question mark") << "a?c.htm"
                                   << "abc.htm" << true;
    QTest::addRow("question mark takes one") << "a?c.htm"
                                             << "ac.htm" << false;
    QTest::addRow("brackets are literal") << "[a].htm"
                                          << "[a].htm" << true;
    QTest::addRow("brackets are no class") << "[a].htm"
                                           << "a.htm" << false;
    QTest::addRow("dot is literal") << "*.htm"
                                    << "axhtm" << false;
    QTest::addRow("star alone") << "*"
                                << "anything at all" << true;
}

void TestWalkPaths::patternRule()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(NamePattern(pattern).matches(name), matches);
}

void TestWalkPaths::joinPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");
    QTest::addRow("Unix root") << "/"
                               << "a.htm" << QChar(u'/') << "/a.htm";
    QTest::addRow("Unix folder") << "/site"
                                 << "a.htm" << QChar(u'/') << "/site/a.htm";
    QTest::addRow("spaces and dots") << "/my site.v1"
                                     << "a b.c.htm" << QChar(u'/') << "/my site.v1/a b.c.htm";
    QTest::addRow("drive root") << "C:\\"
                                << "a.htm" << QChar(u'\\') << "C:\\a.htm";
    QTest::addRow("other drive root") << "D:\\"
                                      << "index.htm" << QChar(u'\\') << "D:\\index.htm";
    QTest::addRow("drive folder") << "C:\\web"
                                  << "index.htm" << QChar(u'\\') << "C:\\web\\index.htm";
    QTest::addRow("network share") << "\\\\server\\share"
                                   << "a.htm" << QChar(u'\\') << "\\\\server\\share\\a.htm";
    QTest::addRow("native root") << QDir::toNativeSeparators(QDir::rootPath()) << "a.htm"
                                 << QDir::separator()
                                 << QDir::toNativeSeparators(QDir::rootPath()) + "a.htm";
}

void TestWalkPaths::joinPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);
    QCOMPARE(FolderPath::join(folder, name, separator), expected);
}

void TestWalkPaths::normalisedFolder_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    const QString here = QDir::toNativeSeparators(QDir::currentPath());
    QTest::addRow("empty stays empty") << QString() << QString();
    QTest::addRow("relative") << "rel" << FolderPath::join(here, "rel");
#ifdef Q_OS_WIN
    QTest::addRow("drive root") << "C:\\"
                                << "C:\\";
    QTest::addRow("bare drive") << "D:"
                                << "D:\\";
    QTest::addRow("trailing separator") << "C:\\web\\"
                                        << "C:\\web";
    QTest::addRow("forward slashes and dots") << "C:/web/img/.."
                                              << "C:\\web";
#else
    QTest::addRow("root") << "/"
                          << "/";
    QTest::addRow("trailing separator") << "/a/b/"
                                        << "/a/b";
    QTest::addRow("doubled separators and dots") << "/a//b/./c/.."
                                                 << "/a/b";
#endif
}

void TestWalkPaths::normalisedFolder()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QCOMPARE(FolderPath::normalised(typed), expected);
}

QTEST_GUILESS_MAIN(TestWalkPaths)
#include "TestWalkPaths.moc"

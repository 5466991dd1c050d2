#include "InputCheck.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestInputCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void refusals_data();
    void refusals();

private:
    QTemporaryDir m_dir;
};

void TestInputCheck::refusals_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("message"); // empty: the run may go on

    const QString fill = QStringLiteral("Please fill out all text-fields (o;");
    const QString same = QStringLiteral("The two text-fields must not be the same.");
    const QString grows =
        QStringLiteral("The text to replace with must not contain the text to search for.");
    const QString dir = m_dir.path();
    const QString missing = dir + QStringLiteral("/missing");
    const QString file = dir + QStringLiteral("/file.htm");

    const auto row = [](const char *name, const QString &folder, const char *search,
                        const char *replacement, const QString &message) {
        QTest::addRow("%s", name) << folder << QString::fromUtf8(search)
                                  << QString::fromUtf8(replacement) << message;
    };
    row("all empty", "", "", "", fill);
    row("folder empty", "", "a", "b", fill);
    row("search empty", dir, "", "b", fill);
    row("replacement empty", dir, "a", "", fill);
    row("both texts empty: fill, not same", dir, "", "", fill);
    row("spaces count as filled", dir, "  ", " ", "");
    row("equal texts", dir, "Home", "Home", same);
    row("equal texts before a missing folder", missing, "a", "a", same);
    row("case differs", dir, "Home", "home", "");
    row("replacement contains search", dir, "a", "ab", grows);
    row("replacement contains search at end", dir, "tag", "<tag", grows);
    row("search contains replacement", dir, "ab", "a", "");
    row("non-ASCII texts", dir, "é", "è", "");
    row("missing folder", missing, "a", "b",
        QStringLiteral("The folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(missing)));
    row("a file, not a folder", file, "a", "b",
        QStringLiteral("\"%1\" is not a folder.").arg(QDir::toNativeSeparators(file)));
}

void TestInputCheck::refusals()
{
    QFETCH(QString, folder);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QString, message);
    QFile file(m_dir.filePath(QStringLiteral("file.htm")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    const std::optional<QString> refusal = CheckRunInput(folder, search, replacement);
    QCOMPARE(refusal.value_or(QString()), message);
}

QTEST_GUILESS_MAIN(TestInputCheck)
#include "tst_inputcheck.moc"

// Whole runs started from the start picture, followed message by message and operation by
// operation on the progress window: the checks, the confirmation and the outcomes.

#include "Form1.h"
#include "Form2.h"
#include "ImageButton.h"
#include "RunFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

const QString FillOut = QStringLiteral("Please fill out all text-fields (o;");
const QString NotTheSame = QStringLiteral("The two text-fields must not be the same.");
const QString Contains =
    QStringLiteral("The text to replace with must not contain the text to search for.");

} // namespace

class TestRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_run = std::make_unique<RunFixture>(); }
    void cleanup() { m_run.reset(); }
    void refusals_data();
    void refusals();
    void missingFolder_data();
    void missingFolder();
    void answerNoTouchesNothing_data();
    void answerNoTouchesNothing();
    void noFilesFound();
    void runs_data();
    void runs();

private:
    std::unique_ptr<RunFixture> m_run;
};

void TestRun::refusals_data()
{
    QTest::addColumn<bool>("folderGiven");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");

    QTest::addRow("folder empty") << false << "Home"
                                  << "Start" << FillOut;
    QTest::addRow("search text empty") << true << ""
                                       << "Start" << FillOut;
    QTest::addRow("replacement empty") << true << "Home"
                                       << "" << FillOut;
    QTest::addRow("all three empty") << false << ""
                                     << "" << FillOut;
    QTest::addRow("both texts empty") << true << ""
                                      << "" << FillOut;
    QTest::addRow("equal texts") << true << "Home"
                                 << "Home" << NotTheSame;
    QTest::addRow("equal spaces") << true << " "
                                  << " " << NotTheSame;
    QTest::addRow("replacement contains the search text") << true << "Home"
                                                          << "HomePage" << Contains;
}

void TestRun::refusals()
{
    QFETCH(bool, folderGiven);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);

    QVERIFY(m_run->site.write(QStringLiteral("site/a.htm"), RunFixture::PageWithText));
    Form1 *form = Form1::instance();
    form->List1 = QStringList{QStringLiteral("from before")};

    m_run->start(folderGiven ? m_run->site.path(QStringLiteral("site")) : QString(), search,
                 replacement);

    QCOMPARE(m_run->recorder.transcript, QStringList{RunFixture::message(expected)});
    m_run->verifyEveryBoxIsPlain();
    QVERIFY(!Form2::existing());
    QCOMPARE(form->List1, QStringList{QStringLiteral("from before")});
    QCOMPARE(m_run->site.read(QStringLiteral("site/a.htm")), RunFixture::PageWithText);
    QVERIFY(m_run->inputEnabled(true));
}

void TestRun::missingFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addRow("a folder that does not exist") << "site/none";
    QTest::addRow("a file instead of a folder") << "site/a.htm";
}

void TestRun::missingFolder()
{
    QFETCH(QString, folder);
    QVERIFY(m_run->site.write(QStringLiteral("site/a.htm"), RunFixture::PageWithText));

    m_run->start(m_run->site.native(folder), QStringLiteral("Home"), QStringLiteral("Start"));

    // The refusal names the folder and comes before the confirmation.
    QCOMPARE(m_run->recorder.messages.size(), 1);
    const QString shown = m_run->recorder.messages.first().text;
    QVERIFY2(shown.contains(m_run->site.native(folder)), qPrintable(shown));
    QVERIFY(shown != RunFixture::Confirmation);
    m_run->verifyEveryBoxIsPlain();
    QVERIFY(!Form2::existing());
    QCOMPARE(m_run->site.read(QStringLiteral("site/a.htm")), RunFixture::PageWithText);
}

void TestRun::answerNoTouchesNothing_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addRow("different texts") << "Home"
                                     << "Start";
    // The identity check is case-sensitive: texts that differ in case only are asked about.
    QTest::addRow("texts that differ in case only") << "Home"
                                                    << "home";
    QTest::addRow("spaces count as filled") << " "
                                            << "_";
}

void TestRun::answerNoTouchesNothing()
{
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QVERIFY(m_run->site.write(QStringLiteral("site/a.htm"), RunFixture::PageWithText));
    Form1 *form = Form1::instance();
    form->List1 = QStringList{QStringLiteral("from before")};
    m_run->recorder.answers = {QMessageBox::No};

    m_run->start(m_run->site.path(QStringLiteral("site")), search, replacement);

    QCOMPARE(m_run->recorder.transcript,
             QStringList{RunFixture::message(RunFixture::Confirmation)});
    m_run->verifyEveryBoxIsPlain();
    QVERIFY(!Form2::existing());
    QCOMPARE(form->List1, QStringList{QStringLiteral("from before")});
    QCOMPARE(m_run->site.read(QStringLiteral("site/a.htm")), RunFixture::PageWithText);
    QVERIFY(m_run->inputEnabled(true));
}

void TestRun::noFilesFound()
{
    QVERIFY(m_run->site.write(QStringLiteral("site/notes.txt"), RunFixture::PageWithText));
    QVERIFY(m_run->site.write(QStringLiteral("site/sub/a.htm"), RunFixture::PageWithText));
    // The results of an earlier run are on the screen.
    Form2 *progress = Form2::instance();
    progress->List1->addItem(QStringLiteral("earlier result"));
    progress->show();

    m_run->start(m_run->site.path(QStringLiteral("site")), QStringLiteral("Home"),
                 QStringLiteral("Start"));

    const QStringList closing{RunFixture::message(QStringLiteral("No HTML-files found.")),
                              QStringLiteral("hide")};
    QCOMPARE(m_run->recorder.transcript, RunFixture::opening() + closing);
    m_run->verifyEveryBoxIsPlain();
    QCOMPARE(Form2::existing(), progress);
    QVERIFY(!progress->isVisible());
    QCOMPARE(progress->List1->count(), 0);
    QVERIFY(Form1::instance()->List1.isEmpty());
    QCOMPARE(m_run->site.read(QStringLiteral("site/sub/a.htm")), RunFixture::PageWithText);
    QVERIFY(m_run->inputEnabled(true));
}

void TestRun::runs_data()
{
    QTest::addColumn<QStringList>("pages");  // created with RunFixture::PageWithText
    QTest::addColumn<QStringList>("others"); // created with RunFixture::PageWithout
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QStringList>("processed"); // in processing order
    QTest::addColumn<QStringList>("changed");

    const QStringList none;
    QTest::addRow("one file") << QStringList{"a.htm"} << none << false << "Start"
                              << QStringList{"a.htm"} << QStringList{"a.htm"};
    QTest::addRow("three files") << QStringList{"c.htm", "a.htm", "b.htm"} << none << false
                                 << "Start" << QStringList{"a.htm", "b.htm", "c.htm"}
                                 << QStringList{"a.htm", "b.htm", "c.htm"};
    QTest::addRow("subfolders left out") << QStringList{"a.htm", "sub/b.htm"} << none << false
                                         << "Start" << QStringList{"a.htm"} << QStringList{"a.htm"};
    QTest::addRow("subfolders included")
        << QStringList{"a.htm", "sub/b.htm", "sub/deeper/c.htm"} << none << true << "Start"
        << QStringList{"sub/deeper/c.htm", "sub/b.htm", "a.htm"}
        << QStringList{"sub/deeper/c.htm", "sub/b.htm", "a.htm"};
    QTest::addRow("no file contains the text") << none << QStringList{"a.htm", "b.htm"} << false
                                               << "Start" << QStringList{"a.htm", "b.htm"} << none;
    QTest::addRow("some files contain the text")
        << QStringList{"b.htm"} << QStringList{"a.htm", "c.htm"} << false << "Start"
        << QStringList{"a.htm", "b.htm", "c.htm"} << QStringList{"b.htm"};
    QTest::addRow("other kinds of files are left out")
        << QStringList{"a.htm", "b.txt", "c.htm.bak"} << none << false << "Start"
        << QStringList{"a.htm"} << QStringList{"a.htm"};
    QTest::addRow("texts that differ in case only")
        << QStringList{"a.htm"} << none << false << "home" << QStringList{"a.htm"}
        << QStringList{"a.htm"};
}

void TestRun::runs()
{
    QFETCH(QStringList, pages);
    QFETCH(QStringList, others);
    QFETCH(bool, subfolders);
    QFETCH(QString, replacement);
    QFETCH(QStringList, processed);
    QFETCH(QStringList, changed);

    for (const QString &page : pages) {
        QVERIFY(m_run->site.write(page, RunFixture::PageWithText));
    }
    for (const QString &page : others) {
        QVERIFY(m_run->site.write(page, RunFixture::PageWithout));
    }

    m_run->start(m_run->site.path(), QStringLiteral("Home"), replacement, subfolders);

    const QStringList files = m_run->natives(processed);
    QCOMPARE(m_run->recorder.transcript,
             RunFixture::opening() + RunFixture::processing(files, m_run->natives(changed)) +
                 RunFixture::ending());
    m_run->verifyEveryBoxIsPlain();
    QCOMPARE(Form1::instance()->List1, files);

    Form2 *progress = Form2::existing();
    QVERIFY(progress && progress->isVisible());
    QCOMPARE(progress->Label1->text(), QStringLiteral("All done (o:"));
    QCOMPARE(progress->ProgressBar1->maximum(), files.size());
    QCOMPARE(progress->ProgressBar1->value(), files.size() - 1);
    QStringList results;
    for (int i = 0; i < progress->List1->count(); ++i) {
        results.append(progress->List1->item(i)->text());
    }
    QCOMPARE(results, m_run->natives(changed));

    const QByteArray replaced =
        QByteArray(RunFixture::PageWithText).replace("Home", replacement.toUtf8());
    for (const QString &page : pages) {
        const bool inRun = processed.contains(page);
        QCOMPARE(m_run->site.read(page), inRun ? replaced : RunFixture::PageWithText);
    }
    for (const QString &page : others) {
        QCOMPARE(m_run->site.read(page), RunFixture::PageWithout);
    }
    QVERIFY(m_run->inputEnabled(true));
}

QTEST_MAIN(TestRun)
#include "tst_run.moc"

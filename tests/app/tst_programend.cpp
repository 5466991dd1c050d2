// The end of the program: closing the main window ends it unless the progress window is on
// the screen, which then keeps it alive until it is closed too.

#include "Form1.h"
#include "Form2.h"
#include "RunFixture.h"

#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestProgramEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_run = std::make_unique<RunFixture>(); }
    void cleanup();
    void closingMainWindow_data();
    void closingMainWindow();
    void closingProgressWindowAloneKeepsProgram();

private:
    void runOver(const QByteArray &page);

    std::unique_ptr<RunFixture> m_run;
};

void TestProgramEnd::cleanup()
{
    m_run.reset();
    QVERIFY(!Form2::existing());
}

// A run over a folder with the one page given, or none: the progress window is left on the
// screen after a finished run and hidden after one that found nothing.
void TestProgramEnd::runOver(const QByteArray &page)
{
    QVERIFY(m_run->site.addFolder(QStringLiteral("run")));
    if (!page.isEmpty()) {
        QVERIFY(m_run->site.write(QStringLiteral("run/page.htm"), page));
    }
    m_run->start(m_run->site.path(QStringLiteral("run")), QStringLiteral("Home"),
                 QStringLiteral("Start"));
    const QString last = page.isEmpty() ? QStringLiteral("No HTML-files found.")
                                        : QStringLiteral("Search and replace finished !");
    QVERIFY(m_run->recorder.transcript.contains(RunFixture::message(last)));
}

void TestProgramEnd::closingMainWindow_data()
{
    QTest::addColumn<bool>("run");
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<bool>("endsAtOnce");

    QTest::addRow("no progress window") << false << QByteArray() << true;
    QTest::addRow("hidden progress window (nothing found)") << true << QByteArray() << true;
    QTest::addRow("visible progress window (finished run)")
        << true << RunFixture::PageWithText << false;
}

void TestProgramEnd::closingMainWindow()
{
    QFETCH(bool, run);
    QFETCH(QByteArray, page);
    QFETCH(bool, endsAtOnce);

    Form1 *form = Form1::instance();
    QSignalSpy ended(form, &Form1::programEnded);
    if (run) {
        runOver(page);
    }
    QPointer<Form2> progress = Form2::existing();
    QCOMPARE(progress && progress->isVisible(), !endsAtOnce);

    form->close();
    QVERIFY(!form->isVisible());
    if (endsAtOnce) {
        QCOMPARE(ended.count(), 1);
        // A hidden progress window goes with the main one.
        QVERIFY(!Form2::existing());
        QTRY_VERIFY(progress.isNull());
    } else {
        QCOMPARE(ended.count(), 0);
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->List1->count(), 1);
        progress->close();
        QCOMPARE(ended.count(), 1);
        QTRY_VERIFY(progress.isNull());
    }
}

void TestProgramEnd::closingProgressWindowAloneKeepsProgram()
{
    Form1 *form = Form1::instance();
    QSignalSpy ended(form, &Form1::programEnded);
    runOver(RunFixture::PageWithText);
    QPointer<Form2> progress = Form2::existing();
    progress->close();
    QTRY_VERIFY(progress.isNull());
    QCOMPARE(ended.count(), 0);
    QVERIFY(form->isVisible());

    // The main window stays usable: another run brings back a fresh progress window.
    runOver(RunFixture::PageWithText);
    QVERIFY(Form2::existing()->isVisible());
    QCOMPARE(Form2::existing()->List1->count(), 1);
}

QTEST_MAIN(TestProgramEnd)
#include "tst_programend.moc"

// What happens around and during a run: failing files, the locked input, the texts read
// once, and the user closing either window while the run works.

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

class TestRunEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_run = std::make_unique<RunFixture>(); }
    void cleanup() { m_run.reset(); }
    void failingFileInTheMiddle();
    void manyFailuresAreCounted();
    void controlsAreDisabledDuringRun_data();
    void controlsAreDisabledDuringRun();
    void textsAreReadOnce();
    void closingProgressWindowDuringRun();
    void closingMainWindowStopsRun();

private:
    std::unique_ptr<RunFixture> m_run;
};

void TestRunEvents::failingFileInTheMiddle()
{
    for (const char *page : {"a.htm", "b.htm", "c.htm"}) {
        QVERIFY(m_run->site.write(QString::fromLatin1(page), RunFixture::PageWithText));
    }
    QVERIFY(m_run->site.makeReadOnly(QStringLiteral("b.htm")));

    m_run->start(m_run->site.path(), QStringLiteral("Home"), QStringLiteral("Start"));

    QCOMPARE(m_run->recorder.messages.size(), 3);
    const QString failures = m_run->recorder.messages.at(1).text;
    const QString prefix = RunFixture::FailureIntro + QStringLiteral("\n\n") +
                           m_run->site.native(QStringLiteral("b.htm")) + ": ";
    QVERIFY2(failures.startsWith(prefix), qPrintable(failures));
    QVERIFY(failures.size() > prefix.size());
    QVERIFY(!failures.mid(prefix.size()).contains(u'\n'));

    const QStringList files = m_run->natives({"a.htm", "b.htm", "c.htm"});
    QCOMPARE(m_run->recorder.transcript,
             RunFixture::opening() +
                 RunFixture::processing(files, m_run->natives({"a.htm", "c.htm"})) +
                 RunFixture::ending(failures));
    m_run->verifyEveryBoxIsPlain();
    QCOMPARE(m_run->site.read(QStringLiteral("b.htm")), RunFixture::PageWithText);
    QVERIFY(m_run->site.read(QStringLiteral("c.htm")).contains("Start"));
}

void TestRunEvents::manyFailuresAreCounted()
{
    QStringList pages;
    for (int i = 0; i < 25; ++i) {
        pages.append(QStringLiteral("page%1.htm").arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(m_run->site.write(pages.last(), RunFixture::PageWithText));
        QVERIFY(m_run->site.makeReadOnly(pages.last()));
    }

    m_run->start(m_run->site.path(), QStringLiteral("Home"), QStringLiteral("Start"));

    QCOMPARE(m_run->recorder.messages.size(), 3);
    const QStringList lines = m_run->recorder.messages.at(1).text.split(u'\n');
    // The introduction, an empty line, twenty files, the count of the others.
    QCOMPARE(lines.size(), 23);
    QCOMPARE(lines.first(), RunFixture::FailureIntro);
    QVERIFY(lines.at(1).isEmpty());
    for (int i = 0; i < 20; ++i) {
        QVERIFY2(lines.at(i + 2).startsWith(m_run->site.native(pages.at(i)) + ": "),
                 qPrintable(lines.at(i + 2)));
    }
    QCOMPARE(lines.last(), QStringLiteral("... and 5 more."));
    QCOMPARE(m_run->recorder.transcript.last(),
             RunFixture::message(QStringLiteral("Search and replace finished !")));
}

void TestRunEvents::controlsAreDisabledDuringRun_data()
{
    QTest::addColumn<bool>("withPage");
    QTest::addRow("a run over a file") << true;
    QTest::addRow("a run that finds nothing") << false;
}

void TestRunEvents::controlsAreDisabledDuringRun()
{
    QFETCH(bool, withPage);
    QVERIFY(m_run->site.addFolder(QStringLiteral("site")));
    if (withPage) {
        QVERIFY(m_run->site.write(QStringLiteral("site/a.htm"), RunFixture::PageWithText));
    }
    QStringList seenEnabled;
    m_run->recorder.onEntry = [&](const QString &entry) {
        // The confirmation comes before the run starts; from then on all input is locked.
        if (entry != RunFixture::message(RunFixture::Confirmation) && !m_run->inputEnabled(false)) {
            seenEnabled.append(entry);
        }
    };

    m_run->start(m_run->site.path(QStringLiteral("site")), QStringLiteral("Home"),
                 QStringLiteral("Start"));

    QVERIFY(m_run->recorder.transcript.size() > 5);
    QCOMPARE(seenEnabled, QStringList());
    QVERIFY(m_run->inputEnabled(true));
}

void TestRunEvents::textsAreReadOnce()
{
    for (const char *page : {"a.htm", "b.htm"}) {
        QVERIFY(m_run->site.write(QString::fromLatin1(page), RunFixture::PageWithText));
    }
    Form1 *form = Form1::instance();
    m_run->recorder.onEntry = [form](const QString &entry) {
        if (entry == QLatin1String("value 0")) {
            form->Text2->setText(QStringLiteral("html"));
            form->Text3->setText(QStringLiteral("xml"));
        }
    };

    m_run->start(m_run->site.path(), QStringLiteral("Home"), QStringLiteral("Start"));

    const QByteArray replaced = QByteArray(RunFixture::PageWithText).replace("Home", "Start");
    QCOMPARE(m_run->site.read(QStringLiteral("a.htm")), replaced);
    QCOMPARE(m_run->site.read(QStringLiteral("b.htm")), replaced);
}

void TestRunEvents::closingProgressWindowDuringRun()
{
    for (const char *page : {"a.htm", "b.htm", "c.htm"}) {
        QVERIFY(m_run->site.write(QString::fromLatin1(page), RunFixture::PageWithText));
    }
    QPointer<Form2> shown;
    m_run->recorder.onEntry = [&shown](const QString &entry) {
        if (entry == QLatin1String("value 1")) {
            shown = Form2::existing();
            shown->close();
        }
    };

    m_run->start(m_run->site.path(), QStringLiteral("Home"), QStringLiteral("Start"));

    // The run went on to its end; its later operations went to a fresh window that nobody
    // showed.
    const QStringList files = m_run->natives({"a.htm", "b.htm", "c.htm"});
    QCOMPARE(m_run->recorder.transcript,
             RunFixture::opening() + RunFixture::processing(files, files) + RunFixture::ending());
    QVERIFY(shown.isNull() || !shown->isVisible());
    Form2 *rebuilt = Form2::existing();
    QVERIFY(rebuilt && rebuilt != shown);
    QVERIFY(!rebuilt->isVisible());
    QCOMPARE(rebuilt->Label1->text(), QStringLiteral("All done (o:"));
    QCOMPARE(rebuilt->List1->count(), 2);
    QCOMPARE(rebuilt->ProgressBar1->value(), 2);
    QVERIFY(Form1::instance()->isVisible());
    QVERIFY(m_run->site.read(QStringLiteral("c.htm")).contains("Start"));

    // The next run shows it again, cleared.
    m_run->recorder.onEntry = nullptr;
    QVERIFY(m_run->site.write(QStringLiteral("a.htm"), RunFixture::PageWithText));
    m_run->start(m_run->site.path(), QStringLiteral("Home"), QStringLiteral("Start"));
    QCOMPARE(Form2::existing(), rebuilt);
    QVERIFY(rebuilt->isVisible());
    QCOMPARE(rebuilt->List1->count(), 1);
}

void TestRunEvents::closingMainWindowStopsRun()
{
    for (const char *page : {"a.htm", "b.htm", "c.htm"}) {
        QVERIFY(m_run->site.write(QString::fromLatin1(page), RunFixture::PageWithText));
    }
    Form1 *form = Form1::instance();
    QSignalSpy ended(form, &Form1::programEnded);
    m_run->recorder.onEntry = [form](const QString &entry) {
        if (entry == QLatin1String("value 1")) {
            form->close();
        }
    };

    m_run->start(m_run->site.path(), QStringLiteral("Home"), QStringLiteral("Start"));

    // The file under way when the window closed was finished; the next was not begun.
    const QStringList files = m_run->natives({"a.htm", "b.htm", "c.htm"});
    QStringList expected = RunFixture::opening() + RunFixture::processing(files, files);
    expected.erase(expected.end() - 2, expected.end());
    expected.append(QStringLiteral("stopped"));
    QCOMPARE(m_run->recorder.transcript, expected);
    QVERIFY(m_run->site.read(QStringLiteral("b.htm")).contains("Start"));
    QCOMPARE(m_run->site.read(QStringLiteral("c.htm")), RunFixture::PageWithText);
    QVERIFY(m_run->inputEnabled(true));

    // The progress window is on the screen, so the program goes on until it is closed.
    Form2 *progress = Form2::existing();
    QVERIFY(progress && progress->isVisible());
    QVERIFY(progress->Label1->text().startsWith(QStringLiteral("Stopped")));
    QCOMPARE(ended.count(), 0);
    progress->close();
    QCOMPARE(ended.count(), 1);
}

QTEST_MAIN(TestRunEvents)
#include "tst_runevents.moc"

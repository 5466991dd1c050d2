// Whole runs started from the start picture, followed message by message and operation by
// operation: the refusals, the transcripts, the user closing a window, the program's end.

#include "AppFixture.h"
#include "Form1.h"
#include "Form2.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_app = std::make_unique<AppFixture>(); }
    void cleanup() { m_app.reset(); }
    void refusals_data();
    void refusals();
    void transcript_data();
    void transcript();
    void closedDuringRun_data();
    void closedDuringRun();
    void programEnd_data();
    void programEnd();

private:
    std::unique_ptr<AppFixture> m_app;
};

void TestRun::refusals_data()
{
    QTest::addColumn<QString>("folder"); // in the site; "" leaves the field empty
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected"); // the one entry; %1 is the folder as shown

    const auto row = [](const char *name, const char *folder, const char *search,
                        const char *replacement, const QString &expected) {
        QTest::newRow(name) << QString::fromLatin1(folder) << QString::fromLatin1(search)
                            << QString::fromLatin1(replacement) << expected;
    };
    const QString fillOut = u"message: Please fill out all text-fields (o;"_s;
    const QString same = u"message: The two text-fields must not be the same."_s;
    const QString no = u"question: "_s + AppFixture::Confirmation;

    row("folder empty", "", "Home", "Start", fillOut);
    row("search empty", "site", "", "Start", fillOut);
    row("replacement empty", "site", "Home", "", fillOut);
    row("all empty", "", "", "", fillOut);
    row("both texts empty", "site", "", "", fillOut);
    row("equal", "site", "Home", "Home", same);
    row("equal spaces", "site", " ", " ", same);
    row("equal, folder missing", "none", "Home", "Home", same);
    row("contains", "site", "Home", "HomePage",
        u"message: The text to replace with must not contain the text to search for."_s);
    row("folder missing", "none", "Home", "Start", u"message: The folder \"%1\" does not exist."_s);
    row("not a folder", "site/a.htm", "Home", "Start", u"message: \"%1\" is not a folder."_s);
    row("No", "site", "Home", "Start", no);
    row("No, case differs", "site", "Home", "home", no);
    row("No, spaces", "site", " ", "_", no);
}

void TestRun::refusals()
{
    QFETCH(QString, folder);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);

    QVERIFY(m_app->write(u"site/a.htm"_s, AppFixture::PageWithText));
    Form1 *form = Form1::instance();
    form->List1 = QStringList{u"from before"_s};
    m_app->answers = {QMessageBox::No};

    m_app->start(folder.isEmpty() ? folder : m_app->native(folder), search, replacement);

    QCOMPARE(m_app->transcript, QStringList{expected.replace(u"%1"_s, m_app->native(folder))});
    QVERIFY(!Form2::existing());
    QCOMPARE(form->List1, QStringList{u"from before"_s});
    QCOMPARE(m_app->read(u"site/a.htm"_s), AppFixture::PageWithText);
    QVERIFY(AppFixture::inputEnabled(true));
}

void TestRun::transcript_data()
{
    // NAME holds the search text, NAME- does not, NAME! holds it but cannot be rewritten.
    QTest::addColumn<QStringList>("site");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QStringList>("processed"); // in processing order
    QTest::addColumn<QString>("replacement");
    const auto row = [](const char *name, const QString &site, bool subfolders,
                        const QString &processed, const QString &replacement = u"Start"_s) {
        QTest::newRow(name) << site.split(u' ') << subfolders
                            << processed.split(u' ', Qt::SkipEmptyParts) << replacement;
    };

    row("one file", u"a.htm"_s, false, u"a.htm"_s);
    row("three files", u"c.htm a.htm b.htm"_s, false, u"a.htm b.htm c.htm"_s);
    row("subfolders left out", u"a.htm sub/b.htm"_s, false, u"a.htm"_s);
    row("subfolders included", u"a.htm sub/b.htm sub/deeper/c.htm"_s, true,
        u"sub/deeper/c.htm sub/b.htm a.htm"_s);
    row("no file holds the text", u"a.htm- b.htm-"_s, false, u"a.htm b.htm"_s);
    row("one file holds it", u"a.htm- b.htm c.htm-"_s, false, u"a.htm b.htm c.htm"_s);
    row("other kinds left out", u"a.htm b.txt c.htm.bak"_s, false, u"a.htm"_s);
    row("case differs", u"a.htm"_s, false, u"a.htm"_s, u"home"_s);
    row("no HTML-files", u"notes.txt sub/a.htm"_s, false, QString());
    row("failing in the middle", u"a.htm b.htm! c.htm"_s, false, u"a.htm b.htm c.htm"_s);
    QStringList many;
    for (int i = 10; i < 35; ++i) {
        many.append(u"p%1.htm"_s.arg(i));
    }
    row("failures counted", many.join(u"! "_s) + u'!', false, many.join(u' '));
}

void TestRun::transcript()
{
    QFETCH(QStringList, site);
    QFETCH(bool, subfolders);
    QFETCH(QStringList, processed);
    QFETCH(QString, replacement);

    const auto page = [](const QString &entry) {
        return entry.endsWith(u'-') || entry.endsWith(u'!') ? entry.chopped(1) : entry;
    };
    for (const QString &entry : site) {
        const bool without = entry.endsWith(u'-');
        QVERIFY(m_app->write(page(entry),
                             without ? AppFixture::PageWithout : AppFixture::PageWithText));
        QVERIFY(!entry.endsWith(u'!') || m_app->makeReadOnly(page(entry)));
    }
    QStringList changed; // both in processing order
    QStringList failed;
    for (const QString &file : processed) {
        if (site.contains(file)) {
            changed.append(file);
        } else if (site.contains(file + u'!')) {
            failed.append(file);
        }
    }
    // Left hidden with a result, as after a run that found nothing.
    Form2 *progress = Form2::instance();
    progress->List1->addItem(u"earlier"_s);
    Form1 *form = Form1::instance();
    QStringList unlocked;
    m_app->onEntry = [&](const QString &entry) {
        if (entry != AppFixture::opening().first() && !AppFixture::inputEnabled(false)) {
            unlocked.append(entry);
        }
        // The texts are read once, before the run: later edits do not reach it.
        if (entry == u"show"_s) {
            form->Text2->setText(u"Away"_s);
            form->Text3->setText(u"Gone"_s);
        }
    };

    m_app->start(m_app->path(), u"Home"_s, replacement, subfolders);

    const QStringList files = m_app->natives(processed);
    QStringList expected = AppFixture::opening();
    if (files.isEmpty()) {
        expected << u"message: No HTML-files found."_s << u"hide"_s;
    } else {
        expected += AppFixture::processing(files, m_app->natives(changed)) +
                    AppFixture::ending(m_app->natives(failed));
    }
    QCOMPARE(m_app->transcript, expected);
    QCOMPARE(unlocked, QStringList());
    QVERIFY(AppFixture::inputEnabled(true));
    QCOMPARE(form->List1, files);
    QCOMPARE(Form2::existing(), progress);
    QCOMPARE(progress->isVisible(), !files.isEmpty());
    QCOMPARE(progress->List1->count(), changed.size());
    for (int i = 0; i < progress->List1->count(); ++i) {
        QCOMPARE(progress->List1->item(i)->text(), m_app->native(changed.at(i)));
    }
    if (!files.isEmpty()) {
        QCOMPARE(progress->Label1->text(), u"All done (o:"_s);
        QCOMPARE(progress->ProgressBar1->maximum(), files.size());
        QCOMPARE(progress->ProgressBar1->value(), files.size() - 1);
    }
    const QByteArray replaced =
        QByteArray(AppFixture::PageWithText).replace("Home", replacement.toUtf8());
    for (const QString &entry : site) {
        const QByteArray before =
            entry.endsWith(u'-') ? AppFixture::PageWithout : AppFixture::PageWithText;
        QCOMPARE(m_app->read(page(entry)), changed.contains(page(entry)) ? replaced : before);
    }
}

void TestRun::closedDuringRun_data()
{
    QTest::addColumn<bool>("main"); // else the progress window is closed
    QTest::addRow("progress window") << false;
    QTest::addRow("main window") << true;
}

void TestRun::closedDuringRun()
{
    QFETCH(bool, main);
    const QStringList abc{"a.htm", "b.htm", "c.htm"};
    for (const QString &page : abc) {
        QVERIFY(m_app->write(page, AppFixture::PageWithText));
    }
    Form1 *form = Form1::instance();
    QSignalSpy ended(form, &Form1::programEnded);
    QPointer<Form2> shown;
    m_app->onEntry = [&](const QString &entry) {
        if (entry == u"value 1"_s) {
            shown = Form2::existing();
            main ? form->close() : shown->close();
        }
    };

    m_app->start(m_app->path(), u"Home"_s, u"Start"_s);

    // A closed main window stops the run between files: b is finished, c is not begun. A closed
    // progress window does not stop it; the rest goes to a fresh window nobody shows.
    const QStringList files = m_app->natives(abc);
    QStringList expected = AppFixture::opening() + AppFixture::processing(files, files);
    if (main) {
        expected.erase(expected.end() - 2, expected.end());
        expected.append(u"stopped"_s);
    } else {
        expected += AppFixture::ending();
    }
    QCOMPARE(m_app->transcript, expected);
    QVERIFY(m_app->read(u"b.htm"_s).contains("Start"));
    QCOMPARE(m_app->read(u"c.htm"_s).contains("Start"), !main);
    QVERIFY(AppFixture::inputEnabled(true));
    Form2 *progress = Form2::existing();
    QVERIFY(progress);
    QCOMPARE(progress == shown.data(), main);
    QCOMPARE(progress->isVisible(), main);
    QCOMPARE(progress->Label1->text(),
             main ? u"Stopped: the main window was closed."_s : u"All done (o:"_s);
    QCOMPARE(progress->List1->count(), 2);
    QCOMPARE(form->isVisible(), !main);

    // A visible progress window keeps the program alive until it is closed too.
    QCOMPARE(ended.count(), 0);
    progress->close();
    QCOMPARE(ended.count(), main ? 1 : 0);
}

void TestRun::programEnd_data()
{
    QTest::addColumn<QByteArray>("page"); // the run's one page; none for a run that finds nothing
    QTest::addColumn<bool>("run");
    QTest::addColumn<bool>("progressFirst"); // the progress window is closed before the main one

    QTest::addRow("no progress window") << QByteArray() << false << false;
    QTest::addRow("hidden progress window") << QByteArray() << true << false;
    QTest::addRow("visible progress window") << AppFixture::PageWithText << true << false;
    QTest::addRow("progress window first") << AppFixture::PageWithText << true << true;
}

void TestRun::programEnd()
{
    QFETCH(QByteArray, page);
    QFETCH(bool, run);
    QFETCH(bool, progressFirst);

    QVERIFY(QDir().mkpath(m_app->path(u"run"_s)));
    if (!page.isEmpty()) {
        QVERIFY(m_app->write(u"run/page.htm"_s, page));
    }
    Form1 *form = Form1::instance();
    QSignalSpy ended(form, &Form1::programEnded);
    if (run) {
        m_app->start(m_app->path(u"run"_s), u"Home"_s, u"Start"_s);
    }
    QPointer<Form2> progress = Form2::existing();
    QCOMPARE(progress.isNull(), !run);
    QCOMPARE(progress && progress->isVisible(), !page.isEmpty());
    if (progressFirst) {
        // The main window stays open and usable.
        progress->close();
        QCOMPARE(ended.count(), 0);
        QVERIFY(form->isVisible() && AppFixture::inputEnabled(true));
    }

    form->close();
    QCOMPARE(ended.count(), page.isEmpty() || progressFirst ? 1 : 0);
    if (ended.count() == 0) {
        QCOMPARE(progress->List1->count(), 1);
        progress->close();
        QCOMPARE(ended.count(), 1);
    }
    // A hidden progress window goes with the main one.
    QVERIFY(!Form2::existing());
    QTRY_VERIFY(progress.isNull());
}

QTEST_MAIN(TestRun)
#include "tst_run.moc"

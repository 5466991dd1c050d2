// Whole runs started from the start picture, followed entry by entry, and the windows closed.

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
    void closing_data();
    void closing();

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
    row("both texts empty", "site", "", "", fillOut);
    row("equal", "site", "Home", "Home", same);
    row("equal, folder missing", "none", "Home", "Home", same);
    row("contains", "site", "Home", "HomePage",
        u"message: The text to replace with must not contain the text to search for."_s);
    row("folder missing", "none", "Home", "Start", u"message: The folder \"%1\" does not exist."_s);
    row("not a folder", "site/a.htm", "Home", "Start", u"message: \"%1\" is not a folder."_s);
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
    m_app->answer = QMessageBox::No;

    m_app->start(folder.isEmpty() ? folder : m_app->path(folder), search, replacement);

    QCOMPARE(m_app->transcript, QStringList{expected.replace(u"%1"_s, m_app->path(folder))});
    QVERIFY(!Form2::existing());
    QCOMPARE(form->List1, QStringList{u"from before"_s});
    QCOMPARE(m_app->read(u"site/a.htm"_s), AppFixture::PageWithText);
    QVERIFY(AppFixture::inputEnabled(true));
}

void TestRun::transcript_data()
{
    // In processing order: NAME- lacks the text, NAME! cannot be rewritten, NAME~ is left out.
    QTest::addColumn<QStringList>("site");
    QTest::addColumn<bool>("subfolders");
    const auto row = [](const char *name, const QString &site, bool subfolders = false) {
        QTest::newRow(name) << site.split(u' ', Qt::SkipEmptyParts) << subfolders;
    };

    row("mixed", u"a.htm- b.htm c.htm- b.txt~ c.htm.bak~ sub/d.htm~"_s);
    row("subfolders", u"sub/deeper/c.htm sub/b.htm a.htm"_s, true);
    row("no HTML-files", u"notes.txt~ sub/a.htm~"_s);
    row("failing in the middle", u"a.htm b.htm! c.htm"_s);
    QStringList many;
    for (int i = 10; i < 35; ++i) {
        many << u"p%1.htm!"_s.arg(i);
    }
    row("failures counted", many.join(u' '));
}

void TestRun::transcript()
{
    QFETCH(QStringList, site);
    QFETCH(bool, subfolders);

    const QByteArray replaced = QByteArray(AppFixture::PageWithText).replace("Home", "Start");
    QStringList files, changed, failed; // in processing order
    QHash<QString, QByteArray> after;
    for (const QString &entry : site) {
        const QChar mark = entry.back();
        const QString file = u"-!~"_s.contains(mark) ? entry.chopped(1) : entry;
        const QByteArray page = mark == u'-' ? AppFixture::PageWithout : AppFixture::PageWithText;
        QVERIFY(m_app->write(file, page));
        after[file] = file == entry ? replaced : page;
        if (mark != u'~') {
            files << file;
        }
        if (file == entry) {
            changed << file;
        } else if (mark == u'!') {
            failed << file;
            QVERIFY(QFile::setPermissions(m_app->path(file), QFile::ReadOwner));
        }
    }
    // Left hidden with a result, as after a run that found nothing.
    Form2 *progress = Form2::instance();
    progress->List1->addItem(u"earlier"_s);
    Form1 *form = Form1::instance();
    QStringList unlocked; // entries while the run's input could be used
    m_app->onEntry = [&](const QString &entry) {
        if (!entry.startsWith(u"question: "_s) && !AppFixture::inputEnabled(false)) {
            unlocked << entry;
        }
        // The texts are read once, before the run: later edits do not reach it.
        if (entry == u"show"_s) {
            form->Text2->setText(u"Away"_s);
            form->Text3->setText(u"Gone"_s);
        }
    };

    m_app->start(m_app->path(), u"Home"_s, u"Start"_s, subfolders);

    QCOMPARE(m_app->transcript, m_app->expectedRun(files, changed, failed));
    QCOMPARE(unlocked, QStringList());
    QVERIFY(AppFixture::inputEnabled(true));
    QCOMPARE(form->List1, m_app->paths(files));
    QCOMPARE(Form2::existing(), progress);
    QCOMPARE(progress->isVisible(), !files.isEmpty());
    QStringList listed;
    for (int i = 0; i < progress->List1->count(); ++i) {
        listed << progress->List1->item(i)->text();
    }
    QCOMPARE(listed, m_app->paths(changed));
    if (!files.isEmpty()) {
        QCOMPARE(progress->Label1->text(), u"All done (o:"_s);
        QCOMPARE(progress->ProgressBar1->maximum(), files.size());
        QCOMPARE(progress->ProgressBar1->value(), files.size() - 1);
    }
    for (const auto &[file, content] : after.asKeyValueRange()) {
        QCOMPARE(m_app->read(file), content);
    }
}

void TestRun::closing_data()
{
    QTest::addColumn<int>("pages");      // in the site; -1 for no run at all
    QTest::addColumn<bool>("during");    // the first window closes as the second file begins
    QTest::addColumn<bool>("mainFirst"); // else the progress window closes first
    QTest::addRow("no run") << -1 << false << true;
    QTest::addRow("found nothing") << 0 << false << true;
    QTest::addRow("after a run") << 1 << false << true;
    QTest::addRow("progress first") << 1 << false << false;
    QTest::addRow("main during run") << 3 << true << true;
    QTest::addRow("progress during run") << 3 << true << false;
}

void TestRun::closing()
{
    QFETCH(int, pages);
    QFETCH(bool, during);
    QFETCH(bool, mainFirst);
    const QStringList abc = QStringList{u"a.htm"_s, u"b.htm"_s, u"c.htm"_s}.first(qMax(pages, 0));
    for (const QString &page : abc) {
        QVERIFY(m_app->write(page, AppFixture::PageWithText));
    }
    Form1 *form = Form1::instance();
    QSignalSpy ended(form, &Form1::programEnded);
    QPointer<Form2> shown;
    const auto closeFirst = [&] {
        shown = Form2::existing();
        mainFirst ? form->close() : shown->close();
    };
    m_app->onEntry = [&](const QString &entry) {
        if (during && entry == u"value 1"_s) {
            closeFirst();
        }
    };
    if (pages >= 0) {
        m_app->start(m_app->path(), u"Home"_s, u"Start"_s);
    }

    if (during) {
        // Closing the main window stops the run after b; the progress window's close does not.
        QStringList expected = m_app->expectedRun(abc, abc);
        if (mainFirst) {
            expected.resize(expected.size() - 4); // from "value 2" on
            expected << u"stopped"_s;
        }
        QCOMPARE(m_app->transcript, expected);
        QVERIFY(m_app->read(u"b.htm"_s).contains("Start"));
        QCOMPARE(m_app->read(u"c.htm"_s).contains("Start"), !mainFirst);
        QVERIFY(Form2::existing());
        QCOMPARE(Form2::existing() == shown.data(), mainFirst);
        QCOMPARE(Form2::existing()->Label1->text(),
                 mainFirst ? u"Stopped: the main window was closed."_s : u"All done (o:"_s);
    } else {
        QCOMPARE(Form2::existing() != nullptr, pages >= 0);
        QCOMPARE(Form2::existing() && Form2::existing()->isVisible(), pages > 0);
        closeFirst();
    }
    // A visible progress window keeps the program alive; a hidden one goes with the main one.
    QPointer<Form2> progress = Form2::existing();
    QCOMPARE(progress && progress->isVisible(), mainFirst && pages > 0);
    QCOMPARE(ended.count(), mainFirst && pages <= 0 ? 1 : 0);
    QCOMPARE(form->isVisible(), !mainFirst);
    QVERIFY(AppFixture::inputEnabled(true));
    if (progress) {
        QCOMPARE(progress->List1->count(), qMin(pages, 2));
    }
    if (ended.count() == 0) {
        mainFirst ? progress->close() : form->close();
        QCOMPARE(ended.count(), 1);
    }
    QVERIFY(!Form2::existing());
    QTRY_VERIFY(shown.isNull() && progress.isNull());
}

QTEST_MAIN(TestRun)
#include "tst_run.moc"

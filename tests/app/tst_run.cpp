// Whole runs started from the start picture, followed entry by entry, the windows used and
// closed during and after a run, and the list of changed files.

#include "AppFixture.h"
#include "ImageButton.h"
#include "MainWindow.h"
#include "ProgressWindow.h"
#include "ResultsList.h"
#include "RunDriver.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

// Whether the list's newest entry is in sight and drawn: something other than the background
// inside its rectangle.
static bool newestDrawn(ResultsList *list)
{
    const QImage drawn = list->viewport()->grab().toImage();
    const QRect newest = list->visualItemRect(list->item(list->count() - 1));
    if (newest.isEmpty() || !list->viewport()->rect().contains(newest)) {
        return false;
    }
    const QColor background = list->palette().color(QPalette::Base);
    for (int y = newest.top(); y <= newest.bottom(); ++y) {
        for (int x = newest.left(); x <= newest.right(); ++x) {
            if (drawn.pixelColor(x, y) != background) {
                return true;
            }
        }
    }
    return false;
}

class TestRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_app = std::make_unique<AppFixture>(); }
    void cleanup() { m_app.reset(); }
    void refused();
    void transcript_data();
    void transcript();
    void closing_data();
    void closing();
    void resultsList_data();
    void resultsList();
    void undo_data();
    void undo();
    void progressCatchesUp();

private:
    std::unique_ptr<AppFixture> m_app;
};

// A refused run (the input check decides which) is one message and nothing else.
void TestRun::refused()
{
    QVERIFY(m_app->write(u"site/a.htm"_s, AppFixture::PageWithText));
    MainWindow *form = MainWindow::instance();
    form->runDriver().files = QStringList{u"from before"_s};
    m_app->start(m_app->path(u"none"_s), u"Home"_s, u"Start"_s);

    QCOMPARE(m_app->transcript, QStringList{u"message: The folder \"%1\" does not exist."_s.arg(
                                    m_app->path(u"none"_s))});
    QVERIFY(!ProgressWindow::existing());
    QCOMPARE(form->runDriver().files, QStringList{u"from before"_s});
    QCOMPARE(m_app->read(u"site/a.htm"_s), AppFixture::PageWithText);
    QVERIFY(AppFixture::inputEnabled(true));
}

void TestRun::transcript_data()
{
    // In processing order: NAME- lacks the text, NAME! cannot be rewritten, NAME~ is left out.
    QTest::addColumn<QStringList>("site");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QString>("action"); // done by the user as file number "at" begins
    QTest::addColumn<int>("at");
    const auto row = [](const char *name, const QString &site, bool subfolders = false,
                        const char *action = "", int at = 1) {
        QTest::newRow(name) << site.split(u' ', Qt::SkipEmptyParts) << subfolders
                            << QString::fromLatin1(action) << at;
    };
    const auto pages = [](const char *mark) {
        QStringList many;
        for (int i = 10; i < 40; ++i) {
            many << u"p%1.htm"_s.arg(i) + QString::fromLatin1(mark);
        }
        return many.join(u' ');
    };

    row("mixed", u"a.htm- b.htm c.htm- b.txt~ c.htm.bak~ sub/d.htm~"_s);
    row("subfolders", u"sub/deeper/c.htm sub/b.htm a.htm"_s, true);
    row("no HTML-files", u"notes.txt~ sub/a.htm~"_s);
    row("failing in the middle", u"a.htm b.htm! c.htm"_s);
    row("failures counted", pages("!"));
    // More than the list shows at once: it follows the newest entry.
    row("many changed", pages(""));
    // The chosen folder goes as the progress window shows: it cannot be read.
    row("folder unreadable", {}, false, "gone");
    // Closing either window, or Escape in the progress one, stops the run after the file under
    // way; the failures met so far are shown all the same.
    const QString stopped = u"a.htm! b.htm c.htm"_s;
    row("main window closed", stopped, false, "close Form1");
    row("progress window closed", stopped, false, "close Form2");
    row("Escape in the progress window", stopped, false, "Escape");
    // A box the user opens does not pause the run.
    row("information opened", stopped, false, "information");
    // Scrolled up by the user, the list stays where it was put.
    row("list scrolled up", pages(""), false, "scroll", 25);
}

void TestRun::transcript()
{
    QFETCH(QStringList, site);
    QFETCH(bool, subfolders);
    QFETCH(QString, action);
    QFETCH(int, at);

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
    ProgressWindow *progress = ProgressWindow::instance();
    progress->resultsList->addItem(u"earlier"_s);
    MainWindow *form = MainWindow::instance();
    QStringList unlocked; // entries while the run's input could be used
    QStringList unseen;   // entries when the list did not show its newest entry
    bool boxOpen = false; // the information box, right after it was opened
    m_app->onEntry = [&](const QString &entry) {
        if (!entry.startsWith(u"question: "_s) && !AppFixture::inputEnabled(false)) {
            unlocked << entry;
        }
        // The texts are read once, before the run: later edits do not reach it.
        if (entry == u"show"_s) {
            form->searchField->setText(u"Away"_s);
            form->replacementField->setText(u"Gone"_s);
            if (action == u"gone"_s) {
                QVERIFY(QDir(m_app->path()).removeRecursively());
            }
        }
        ResultsList *list = progress->resultsList;
        if (entry.startsWith(u"value "_s) && list->count() > 0 && action != u"scroll"_s &&
            !newestDrawn(list)) {
            unseen << entry;
        }
        if (entry != u"value %1"_s.arg(at) || action.isEmpty()) {
            return;
        }
        if (action.startsWith(u"close "_s)) {
            (action.endsWith(u"Form1"_s) ? static_cast<QWidget *>(form) : progress)->close();
        } else if (action == u"Escape"_s) {
            QTest::keyClick(progress, Qt::Key_Escape);
        } else if (action == u"scroll"_s) {
            list->viewport()->grab();
            list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        } else if (action == u"information"_s) {
            // The real box: a box of its own event loop would hold the run until this closes it.
            Dialogs::install(nullptr);
            QTimer::singleShot(0, form, [] { QApplication::activeModalWidget()->close(); });
            QTest::mouseClick(form->informationButton, Qt::LeftButton);
            Dialogs::install(m_app.get());
            const auto *box = form->findChild<QMessageBox *>();
            boxOpen = box && box->isVisible() && box->windowModality() == Qt::WindowModal;
        }
    };

    m_app->start(m_app->path(), u"Home"_s, u"Start"_s, subfolders);

    const bool stops = action.startsWith(u"close "_s) || action == u"Escape"_s;
    QStringList expected = m_app->expectedRun(files, changed, failed);
    const qsizetype processed = stops ? at + 1 : files.size();
    QString status = u"All done (o:"_s;
    if (action == u"gone"_s) {
        expected.replace(
            expected.indexOf(u"message: No HTML-files found."_s),
            u"selectable message: The folder \"%1\" could not be read: *"_s.arg(m_app->path()));
    } else if (stops) {
        // The file under way is finished (it changes in these rows), then the run stops.
        const QString failures = expected.at(expected.size() - 2);
        expected.resize(expected.indexOf(u"value %1"_s.arg(at)) + 2);
        status = action == u"close Form1"_s ? u"Stopped: the main window was closed."_s
                                            : u"Stopped before the end."_s;
        expected << (action == u"close Form1"_s ? u"stopped"_s : u"status: "_s + status)
                 << u"front"_s << failures;
        for (const QString &file : files.sliced(processed)) {
            changed.removeAll(file);
            after[file] = AppFixture::PageWithText;
        }
    }
    QCOMPARE(m_app->transcript, expected);
    QCOMPARE(unlocked, QStringList());
    QCOMPARE(unseen, QStringList());
    QVERIFY(AppFixture::inputEnabled(true));
    QCOMPARE(form->isVisible(), action != u"close Form1"_s);
    QCOMPARE(form->runDriver().files, m_app->paths(files));
    QCOMPARE(ProgressWindow::existing(), progress);
    QCOMPARE(progress->isVisible(), !files.isEmpty());
    QStringList listed;
    for (int i = 0; i < progress->resultsList->count(); ++i) {
        listed << progress->resultsList->item(i)->text();
    }
    QCOMPARE(listed, m_app->paths(changed));
    if (!files.isEmpty()) {
        QCOMPARE(progress->statusLine->text(), status);
        QCOMPARE(progress->progressBar->maximum(), files.size());
        QCOMPARE(progress->progressBar->value(), processed - 1);
    }
    for (const auto &[file, content] : after.asKeyValueRange()) {
        QCOMPARE(m_app->read(file), content);
    }
    QCOMPARE(boxOpen, action == u"information"_s);
    if (action == u"scroll"_s) {
        const QScrollBar *bar = progress->resultsList->verticalScrollBar();
        progress->resultsList->viewport()->grab();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), 0);
    }
    // Once the run is over, closing the progress window is no longer refused.
    if (progress->isVisible()) {
        progress->close();
        QVERIFY(!ProgressWindow::existing());
    }
}

void TestRun::closing_data()
{
    QTest::addColumn<int>("pages");      // in the site; -1 for no run at all
    QTest::addColumn<bool>("mainFirst"); // else the progress window closes first
    QTest::addRow("no run") << -1 << true;
    QTest::addRow("found nothing") << 0 << true;
    QTest::addRow("after a run") << 1 << true;
    QTest::addRow("progress first") << 1 << false;
}

void TestRun::closing()
{
    QFETCH(int, pages);
    QFETCH(bool, mainFirst);
    if (pages > 0) {
        QVERIFY(m_app->write(u"a.htm"_s, AppFixture::PageWithText));
    }
    MainWindow *form = MainWindow::instance();
    QSignalSpy ended(form, &MainWindow::programEnded);
    if (pages >= 0) {
        m_app->start(m_app->path(), u"Home"_s, u"Start"_s);
    }
    QPointer<ProgressWindow> shown = ProgressWindow::existing();
    QCOMPARE(shown != nullptr, pages >= 0);
    QCOMPARE(shown && shown->isVisible(), pages > 0);
    mainFirst ? form->close() : shown->close();

    // A visible progress window keeps the program alive; a hidden one goes with the main one.
    QPointer<ProgressWindow> progress = ProgressWindow::existing();
    QCOMPARE(progress && progress->isVisible(), mainFirst && pages > 0);
    QCOMPARE(ended.count(), mainFirst && pages <= 0 ? 1 : 0);
    QCOMPARE(form->isVisible(), !mainFirst);
    QVERIFY(AppFixture::inputEnabled(true));
    if (progress) {
        QCOMPARE(progress->resultsList->count(), pages);
    }
    if (ended.count() == 0) {
        mainFirst ? progress->close() : form->close();
        QCOMPARE(ended.count(), 1);
    }
    QVERIFY(!ProgressWindow::existing());
    QTRY_VERIFY(shown.isNull() && progress.isNull());
}

void TestRun::resultsList_data()
{
    QTest::addColumn<QString>("action");    // a key, a double-click, or a context menu entry
    QTest::addColumn<QList<int>>("rows");   // selected, in the order sub/c, a, b
    QTest::addColumn<QStringList>("paths"); // opened or copied, relative to the site
    const auto row = [](const char *action, QList<int> rows, const QString &paths) {
        QTest::newRow(action) << QString::fromLatin1(action) << rows
                              << paths.split(u' ', Qt::SkipEmptyParts);
    };
    row("double-click", {1}, u"a.htm"_s);
    row("Enter", {2}, u"b.htm"_s);
    row("Open", {0, 2}, u"sub/c.htm b.htm"_s);
    row("Open containing folder", {0, 1, 2}, u"sub ."_s);
    row("Ctrl+C", {2, 0}, u"sub/c.htm b.htm"_s);
    row("Copy path", {1}, u"a.htm"_s);
    row("Copy all paths", {}, u"sub/c.htm a.htm b.htm"_s);
    row("tooltips", {}, {}); // how many replacements each entry had: 1 in c, 3 in a
}

void TestRun::resultsList()
{
    QFETCH(QString, action);
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, paths);
    for (const QString &page : {u"a.htm"_s, u"b.htm"_s, u"sub/c.htm"_s}) {
        QVERIFY(
            m_app->write(page, AppFixture::PageWithText + (page == u"a.htm"_s ? "HomeHome" : "")));
    }
    m_app->start(m_app->path(), u"Home"_s, u"Start"_s, true);
    ResultsList *list = ProgressWindow::existing()->resultsList;
    QVERIFY(QTest::qWaitForWindowActive(list->window()));
    list->setFocus();
    for (const int row : rows) {
        list->item(row)->setSelected(true);
    }
    list->setCurrentItem(list->item(rows.value(0)), QItemSelectionModel::NoUpdate);
    QGuiApplication::clipboard()->clear();

    if (action == u"tooltips"_s) {
        QCOMPARE(list->item(0)->toolTip() + u'|' + list->item(1)->toolTip(),
                 u"1 replacement|3 replacements"_s);
        return;
    }
    if (action == u"double-click"_s) {
        // Through the window, which gets the whole press, release, press, double-click sequence.
        const QRect entry = list->visualItemRect(list->item(rows.first()));
        QTest::mouseDClick(list->window()->windowHandle(), Qt::LeftButton, {},
                           list->viewport()->mapTo(list->window(), entry.center()));
    } else if (action == u"Enter"_s || action == u"Ctrl+C"_s) {
        QTest::keySequence(list, QKeySequence::fromString(action));
    } else {
        const QList<QAction *> menu = list->actions();
        const auto entry = std::ranges::find(menu, action, &QAction::text);
        QVERIFY(entry != menu.end());
        (*entry)->trigger();
    }

    QStringList expected;
    for (const QString &path : paths) {
        expected << m_app->path(path == u"."_s ? QString() : path);
    }
    if (action.contains(u"Cop"_s) || action == u"Ctrl+C"_s) {
        QCOMPARE(QGuiApplication::clipboard()->text(), expected.join(u'\n'));
        QVERIFY(m_app->opened.isEmpty());
    } else {
        std::ranges::transform(expected, expected.begin(),
                               [](auto &p) { return QUrl::fromLocalFile(p).toString(); });
        QCOMPARE(m_app->opened, expected);
    }
}

void TestRun::undo_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addRow("confirmed") << QMessageBox::Yes;
    QTest::addRow("declined") << QMessageBox::No;
}

// "Undo this run" puts back what the run shown changed, after a confirmation, shown like a run.
void TestRun::undo()
{
    QFETCH(QMessageBox::StandardButton, answer);
    QVERIFY(m_app->write(u"a.htm"_s, AppFixture::PageWithText) &&
            m_app->write(u"b.htm"_s, AppFixture::PageWithout));
    m_app->start(m_app->path(), u"Home"_s, u"Start"_s);
    const QList<QAction *> menu = ProgressWindow::existing()->resultsList->actions();
    QAction *undo = *std::ranges::find(menu, u"Undo this run"_s, &QAction::text);
    QVERIFY(undo->isEnabled() && m_app->read(u"a.htm"_s) != AppFixture::PageWithText);
    m_app->transcript.clear();
    m_app->answer = answer;
    undo->trigger();
    const QString question = u"question: Undo this run? Every file it changed is put back as it "
                             "was before the run, unless it was changed again since."_s;
    if (answer == QMessageBox::No) {
        QTRY_COMPARE(m_app->transcript, QStringList{question});
        QVERIFY(undo->isEnabled() && m_app->read(u"a.htm"_s) != AppFixture::PageWithText);
        return;
    }
    QTRY_COMPARE(m_app->transcript,
                 (QStringList{question, u"show"_s, u"bar"_s, u"clear"_s,
                              u"status: Putting the files back as they were. Please wait ..."_s,
                              u"maximum 1"_s, u"value 0"_s, u"value 0"_s,
                              u"changed: "_s + m_app->path(u"a.htm"_s),
                              u"status: Undone: the files are as they were before the run."_s,
                              u"front"_s, u"message: Undo finished !"_s}));
    QCOMPARE(m_app->read(u"a.htm"_s), AppFixture::PageWithText);
    QVERIFY(!undo->isEnabled());
}

// A value held back to spare repaints reaches the bar all the same, without another after it.
void TestRun::progressCatchesUp()
{
    ProgressWindow *progress = ProgressWindow::instance();
    progress->setProgress(0);
    progress->setProgress(7);
    QTRY_COMPARE(progress->progressBar->value(), 7);
}

QTEST_MAIN(TestRun)
#include "tst_run.moc"

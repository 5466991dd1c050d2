// Whole runs started from the start picture, followed entry by entry, the windows used and
// closed during and after a run, and the list of changed files.

#include "app/ResultsList.h"
#include "run/ReplacementGroup.h"
#include "tests/app/AppFixture.h"
#include "tests/common/MixedTree.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>

#include <memory>

using namespace Qt::StringLiterals;

// The run's input controls are all enabled (or disabled); the information picture is.
static bool inputEnabled(bool enabled)
{
    const QStringList input{u"Text1"_s,  u"Text2"_s,  u"Text3"_s,
                            u"Check1"_s, u"Image1"_s, u"Image2"_s};
    return AppFixture::control(u"Image3"_s)->isEnabled() &&
           std::ranges::all_of(input, [=](const QString &name) {
               return AppFixture::control(name)->isEnabled() == enabled;
           });
}

// The lists of the progress window: List1 the changed files, List2 the failures.
static ResultsList *progressList(const char *name)
{
    return AppFixture::control<ResultsList>(QLatin1String(name), ProgressWindow::existing());
}

// Whether the list's newest entry is in sight and drawn: something other than the background
// inside its rectangle. Drawn first: the rectangle's look-up lays the list out.
static bool newestDrawn(ResultsList *list)
{
    const QImage drawn = list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect newest = list->visualItemRect(list->item(list->count() - 1));
    QImage background(newest.size(), QImage::Format_RGB32);
    background.fill(list->palette().color(QPalette::Base));
    return list->viewport()->rect().contains(newest) && drawn.copy(newest) != background;
}

// The transcript of a run the user confirmed: the entries left out while listing, the files
// processed, in order, then end, the last status or the message that no file could be listed.
static QStringList expectedRun(const QStringList &files, qsizetype processed,
                               const QStringList &changed, const QStringList &failed,
                               const QStringList &leftOut, const QString &end)
{
    QStringList expected{u"question: "_s + AppFixture::Confirmation, u"show"_s, u"bar"_s,
                         u"clear"_s, u"status: Generating file list. Please wait ..."_s};
    for (const QString &folder : leftOut)
        expected << u"failed: "_s + folder;
    if (files.isEmpty() && !end.startsWith(u"status: "_s))
        return expected << end << u"hide"_s;
    if (!files.isEmpty())
        expected << u"status: Performing search and replace. Please wait..."_s
                 << u"max %1"_s.arg(files.size()) << u"value 0"_s;
    // A changed page is listed once it is in place, with the others of its group: when the
    // group is full, and as the run ends.
    QStringList group;
    const auto placed = [&] {
        for (const QString &file : std::as_const(group))
            expected << u"changed: "_s + file;
        group.clear();
    };
    for (qsizetype i = 0; i < processed; ++i) {
        expected << u"value %1"_s.arg(i);
        if (group.size() >= ReplacementGroup::MostPages)
            placed();
        if (changed.contains(files.at(i)))
            group << files.at(i);
        if (failed.contains(files.at(i)))
            expected << u"failed: "_s + files.at(i);
    }
    placed();
    // A run that got to its end shows a full bar.
    const bool stopped = end.contains(u"topped"_s);
    if (!stopped && !files.isEmpty())
        expected << u"value %1"_s.arg(files.size());
    expected << end << u"front"_s;
    const QString listed = failed.size() + leftOut.size() == 1
                               ? u"It is listed, with the reason, in the progress window."_s
                               : u"They are listed, with the reasons, in the progress window."_s;
    if (end.endsWith(u"All done (o:"_s))
        expected << u"message: Search and replace finished !"_s;
    else if (stopped)
        expected << u"message: %1 file could not be changed. %2"_s.arg(failed.size()).arg(listed);
    else // "status: Done, but ... ."
        expected << (files.isEmpty() ? u"message: No HTML-files found, but "_s
                                     : u"message: Search and replace finished, but "_s) +
                        end.sliced(18) + u' ' + listed;
    return expected;
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
    void resultsList();
    void undo();
    void mixedTree();
    void progressCatchesUp();

private:
    std::unique_ptr<AppFixture> m_app;
};

// A refused run (the input check decides which) is one message and nothing else. With no
// progress window, closing the main window ends the program.
void TestRun::refused()
{
    MainWindow *form = MainWindow::instance();
    m_app->start(m_app->path(u"none"_s));

    QCOMPARE(m_app->transcript, QStringList{u"message: The folder \"%1\" does not exist."_s.arg(
                                    m_app->path(u"none"_s))});
    QVERIFY(!ProgressWindow::existing() && inputEnabled(true));
    QSignalSpy ended(&*m_app->program, &Program::ended);
    form->close();
    QCOMPARE(ended.count(), 1);
}

void TestRun::transcript_data()
{
    // In processing order: NAME- lacks the text, NAME! cannot be rewritten, NAME~ is not a page,
    // NAME> is a link to the site, left out and reported.
    QTest::addColumn<QStringList>("site");
    QTest::addColumn<QString>("action"); // done by the user as the second file begins
    QTest::addColumn<QString>("end");    // the run's last status, or its message; @ is the site
    const auto row = [](const char *name, const QString &site, const char *action = "",
                        const char *end = "status: All done (o:") {
        QTest::newRow(name) << site.split(u' ', Qt::SkipEmptyParts) << QString::fromLatin1(action)
                            << QString::fromLatin1(end);
    };
    QString many; // more than the list shows at once: it follows the newest entry
    for (int i = 10; i < 40; ++i)
        many += u"p%1.htm "_s.arg(i);

    row("mixed", u"a.htm- b.htm c.htm- b.txt~ c.htm.bak~ sub/d.htm~"_s);
    // A run with failures does not end as a success: it says so and lists every one.
#ifdef Q_OS_UNIX // on Windows QFile::link() makes a shortcut file, which is no link
    row("subfolders, a failure and a link", u"sub/deeper/c.htm sub/b.htm! a.htm loop>"_s,
        "subfolders", "status: Done, but 1 file could not be changed and 1 entry was left out.");
    row("no HTML-files, a link left out", u"notes.txt~ loop>"_s, "subfolders",
        "status: Done, but 1 entry was left out.");
#endif
    row("no HTML-files", u"notes.txt~ sub/a.htm~"_s, "", "message: No HTML-files found.");
    row("failures listed", QString(many).replace(u".htm "_s, u".htm! "_s), "",
        "status: Done, but 30 files could not be changed.");
    row("many changed", many);
    // The chosen folder goes as the progress window shows: it cannot be read.
    row("folder unreadable", {}, "gone",
        "selectable message: The folder \"@\" could not be read: *");
    // Closing either window (Escape closes the progress one) stops the run after the file under
    // way, past a failure; the failures met so far are shown all the same.
    const QString stopped = u"a.htm! b.htm c.htm"_s;
    row("main window closed", stopped, "close", "stopped");
    row("Escape in the progress window", stopped, "Escape", "status: Stopped before the end.");
}

void TestRun::transcript()
{
    QFETCH(QStringList, site);
    QFETCH(QString, action);
    QFETCH(QString, end);

    QStringList files, changed, failed, leftOut; // in processing order
    QHash<QString, QByteArray> before;
    for (const QString &entry : site) {
        const QChar mark = entry.back();
        const bool marked = u"-!~>"_s.contains(mark);
        const QString file = m_app->path(marked ? entry.chopped(1) : entry);
        if (mark == u'>') {
            QVERIFY(QFile::link(m_app->path(), file));
            leftOut << m_app->path();
            continue;
        }
        before[file] = mark == u'-' ? AppFixture::PageWithout : AppFixture::PageWithText;
        QVERIFY(m_app->write(file, before[file]));
        if (mark != u'~')
            files << file;
        if (!marked) {
            changed << file;
        } else if (mark == u'!') {
            failed << file;
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        }
    }
    // Open with a result from an earlier run, behind the main window.
    ProgressWindow *progress = ProgressWindow::instance();
    progressList("List1")->addItem(u"earlier"_s);
    progress->addFailure(u"earlier"_s, u"why"_s);
    MainWindow *form = MainWindow::instance();
    progress->show();
    QVERIFY(QTest::qWaitForWindowActive(progress));
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QSignalSpy ended(&*m_app->program, &Program::ended);
    QStringList odd; // entries met with the run's input usable, or the newest change unseen
    m_app->onEntry = [&](const QString &entry) {
        if (!entry.startsWith(u"question: "_s) && !inputEnabled(false))
            odd << u"input usable at "_s + entry;
        // The texts are read once, before the run: later edits do not reach it.
        if (entry == u"show"_s) {
            AppFixture::control<QLineEdit>(u"Text2"_s)->setText(u"Away"_s);
            AppFixture::control<QLineEdit>(u"Text3"_s)->setText(u"Gone"_s);
            if (action == u"gone"_s)
                QVERIFY(QDir(m_app->path()).removeRecursively());
        }
        ResultsList *changes = progressList("List1");
        if (entry.startsWith(u"value "_s) && changes->count() > 0 && !newestDrawn(changes))
            odd << u"newest unseen at "_s + entry;
        // Brought to the front and active, so that keys (Escape) go there.
        if (entry.startsWith(u"max "_s) && QApplication::activeWindow() != progress)
            odd << u"progress window behind at "_s + entry;
        if (entry != u"value 1"_s || action.isEmpty())
            return;
        if (action == u"close"_s)
            form->close();
        else if (action == u"Escape"_s)
            QTest::keyClick(QApplication::activeWindow(), Qt::Key_Escape);
    };

    if (action == u"gone"_s)
        leftOut << m_app->path();
    m_app->start(m_app->path(), action == u"subfolders"_s);

    // A stopped run finishes the file under way, the second (it changes in these rows), then
    // stops.
    const qsizetype processed = end.contains(u"topped"_s) ? 2 : files.size();
    for (const QString &file : files.sliced(processed))
        changed.removeAll(file);
    end.replace(u'@', m_app->path());
    QCOMPARE(m_app->transcript, expectedRun(files, processed, changed, failed, leftOut, end));
    QCOMPARE(odd, QStringList());
    QVERIFY(inputEnabled(true));
    QCOMPARE(progressList("List1")->count(), changed.size());
    QCOMPARE(progressList("List2")->count(), failed.size() + leftOut.size());
    QCOMPARE(progressList("List2")->isVisibleTo(progress), progressList("List2")->count() > 0);
    // A screen reader is told every status, and each value the bar shows.
    const QString byClose = u"status: Stopped: the main window was closed."_s;
    QStringList spoken = AppFixture::spoken;
    spoken.removeAll(u"status: Label1"_s);
    QCOMPARE(spoken.filter(u"status: "_s),
             m_app->transcript.filter(QRegularExpression(u"^status: "_s))
                 << (end == u"stopped"_s ? QStringList{byClose} : QStringList()));
    if (!files.isEmpty()) {
        const QString status =
            u"status: "_s + AppFixture::control<QLabel>(u"Label1"_s, progress)->text();
        QCOMPARE(status, end == u"stopped"_s ? byClose : end);
        const int bar = AppFixture::control<QProgressBar>(u"ProgressBar1"_s, progress)->value();
        QCOMPARE(bar, processed == files.size() ? processed : processed - 1);
        QCOMPARE(spoken.filter(u"value "_s).last(), u"value %1"_s.arg(bar));
    }
    const QByteArray replaced = QByteArray(AppFixture::PageWithText).replace("Home", "Start");
    for (const auto &[file, page] : before.asKeyValueRange())
        QCOMPARE(m_app->read(file), changed.contains(file) ? replaced : page);

    // A progress window on the screen keeps the program alive and, the run over, closes when
    // asked; a hidden one goes with the main window.
    const bool closed = action == u"close"_s;
    QCOMPARE(ended.count(), 0);
    QCOMPARE(form->isVisible(), !closed);
    QCOMPARE(progress->isVisible(), !files.isEmpty() || end.startsWith(u"status: "_s));
    if (progress->isVisible())
        progress->close();
    QCOMPARE(ended.count(), closed ? 1 : 0);
    form->close();
    QCOMPARE(ended.count(), 1);
    QVERIFY(!ProgressWindow::existing());
}

// The list of changed files: how many replacements each entry had, and what Enter (a double-click
// activates an entry the same way), Ctrl+C and the context menu do with the entries selected,
// taken in list order.
void TestRun::resultsList()
{
    for (const QString &page : {u"a.htm"_s, u"b.htm"_s, u"sub/c.htm"_s}) {
        QVERIFY(
            m_app->write(page, AppFixture::PageWithText + (page == u"a.htm"_s ? "HomeHome" : "")));
    }
    m_app->start(m_app->path(), true);
    ResultsList *list = progressList("List1"); // sub/c.htm, a.htm, b.htm
    QCOMPARE(list->item(0)->toolTip() + u'|' + list->item(1)->toolTip(),
             u"1 replacement|3 replacements"_s);
    QVERIFY(QTest::qWaitForWindowActive(list->window()));
    list->setFocus();
    const QList<QAction *> menu = list->actions();
    const auto select = [&](QList<int> rows, const QString &action = {}) {
        list->clearSelection();
        for (const int row : rows)
            list->item(row)->setSelected(true);
        list->setCurrentItem(list->item(rows.value(0)), QItemSelectionModel::NoUpdate);
        if (!action.isEmpty())
            (*std::ranges::find(menu, action, &QAction::text))->trigger();
    };
    const auto url = [this](const QString &path) {
        return QUrl::fromLocalFile(m_app->path(path)).toString();
    };

    select({2});
    QTest::keyClick(list, Qt::Key_Enter);
    select({0, 2}, u"Open"_s);
    select({0, 1, 2}, u"Open containing folder"_s);
    QCOMPARE(m_app->opened, QStringList({url(u"b.htm"_s), url(u"sub/c.htm"_s), url(u"b.htm"_s),
                                         url(u"sub"_s), url({})}));
    select({2, 0});
    QTest::keySequence(list, QKeySequence::Copy);
    const QString c = m_app->path(u"sub/c.htm"_s), b = m_app->path(u"b.htm"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), c + u'\n' + b);
    select({}, u"Copy all paths"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), c + u'\n' + m_app->path(u"a.htm"_s) + u'\n' + b);
}

// "Undo this run" puts back what the run shown changed, once the user confirms, shown like a run,
// and tells what it left alone: here a page edited since the run and one removed since.
void TestRun::undo()
{
    for (const QString &page : {u"a.htm"_s, u"b.htm"_s, u"c.htm"_s, u"d.htm"_s})
        QVERIFY(m_app->write(page, page == u"b.htm"_s ? AppFixture::PageWithout
                                                      : AppFixture::PageWithText));
    m_app->start(m_app->path());
    ProgressWindow *progress = ProgressWindow::existing();
    const QList<QAction *> menu = progressList("List1")->actions();
    QAction *undo = *std::ranges::find(menu, u"Undo this run"_s, &QAction::text);
    const QByteArray changed = m_app->read(u"a.htm"_s);
    QVERIFY(undo->isEnabled() && changed != AppFixture::PageWithText);
    QVERIFY(m_app->write(u"c.htm"_s, "edited") && QFile::remove(m_app->path(u"d.htm"_s)));
    const QString question = u"question: Undo this run? Every file it changed is put back as it "
                             "was before the run, unless it was changed again since."_s;
    m_app->transcript.clear();
    m_app->answer = QMessageBox::No;
    undo->trigger();
    QTRY_COMPARE(m_app->transcript, QStringList{question});
    QVERIFY(undo->isEnabled() && m_app->read(u"a.htm"_s) == changed);
    m_app->answer = QMessageBox::Yes;
    undo->trigger();
    const QString except = u"except 1 file changed since the run and 1 file no longer there"_s;
    QTRY_COMPARE(
        m_app->transcript,
        (QStringList{question, question, u"show"_s, u"bar"_s, u"clear"_s,
                     u"status: Putting the files back as they were. Please wait ..."_s, u"max 3"_s,
                     u"value 0"_s, u"value 0"_s, u"changed: "_s + m_app->path(u"a.htm"_s),
                     u"value 1"_s, u"failed: "_s + m_app->path(u"c.htm"_s), u"value 2"_s,
                     u"failed: "_s + m_app->path(u"d.htm"_s), u"value 3"_s,
                     u"status: Undone, "_s + except + u'.', u"front"_s,
                     u"message: Undo finished, "_s + except +
                         u". They are listed, with the reasons, in the progress window."_s}));
    QCOMPARE(m_app->read(u"a.htm"_s) + m_app->read(u"c.htm"_s),
             AppFixture::PageWithText + "edited");
    QCOMPARE(AppFixture::control<QLabel>(u"Label2"_s, progress)->text() + u'|' +
                 AppFixture::control<QLabel>(u"Label3"_s, progress)->text(),
             u"Files that have been put back :|Files that could not be put back :"_s);
    // What was left alone may be put back once the user has seen to it.
    QVERIFY(undo->isEnabled());
}

// The batch tool's tree, run through the windows: the same pages changed, the same refused.
void TestRun::mixedTree()
{
    const QString site = m_app->TempTree::path(u"site"_s);
    QVERIFY(MixedTree::write(site));
    {
        const HeldOpen holder(site + u'/' + MixedTree::held);
        QVERIFY(holder.isHeld());
        m_app->start(site, true);
    }
    QCOMPARE(MixedTree::firstWrong(site, true), QString());
    QCOMPARE(progressList("List1")->count(), MixedTree::pages().size() - 3);
    QCOMPARE(m_app->transcript.filter(u"failed: "_s).size(), 2);
}

// A value held back to spare repaints reaches the bar all the same, without another after it.
void TestRun::progressCatchesUp()
{
    ProgressWindow *progress = ProgressWindow::instance();
    progress->setProgress(0);
    progress->setProgress(7);
    QTRY_COMPARE(AppFixture::control<QProgressBar>(u"ProgressBar1"_s, progress)->value(), 7);
}

QTEST_MAIN(TestRun)
#include "TestRun.moc"

#include "app/RunDriver.h"

#include "app/Dialogs.h"
#include "app/ImageButton.h"
#include "app/MainWindow.h"
#include "app/ProgressView.h"
#include "app/ProgressWindow.h"
#include "file/FileFailure.h"
#include "run/InputCheck.h"
#include "run/SearchReplaceRun.h"
#include "run/UndoRun.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QScopeGuard>

namespace {

// How long the run works before it lets window events through again, in milliseconds: often
// enough for the window to answer a click or a close without a felt delay, seldom enough that
// the repaints that come with each pass cost the run next to nothing.
constexpr qint64 EventInterval = 100;

// An undo leaves a page alone for one of two reasons the user can understand without the
// list; every other reason counts as a plain failure.
FailureTally::Kind undoFailure(const QString &reason)
{
    if (reason == FileFailure::changedSinceRun())
        return FailureTally::Kind::ChangedSinceRun;
    return reason == FileFailure::goneSinceRun() ? FailureTally::Kind::GoneSinceRun
                                                 : FailureTally::Kind::File;
}

} // namespace

RunDriver::RunDriver(MainWindow &form) : m_form(form) {}

void RunDriver::begin()
{
    // Nothing of a previous run carries over but its file list.
    m_view = &ProgressView::current();
    m_failures.clear();
    m_startFolderFailure.clear();
    m_startFolder.clear();
    m_shown = false;
    m_undoing = false;
    m_sinceEvents.start();
}

void RunDriver::run()
{
    begin();
    // The texts are read once: edits made while the run works cannot change it halfway.
    const Input input = readInput();
    if (!accepted(input)) {
        return;
    }
    // Nothing that starts a run or changes its input can be used until it ends, however
    // it ends; the information picture stays usable.
    setInputEnabled(false);
    const auto enableAgain = qScopeGuard([this] { setInputEnabled(true); });
    runConfirmed(input);
}

RunDriver::Input RunDriver::readInput() const
{
    return Input{m_form.folderField->text(), m_form.searchField->text(),
                 m_form.replacementField->text(),
                 m_form.subfolderOption->checkState() == Qt::Checked};
}

bool RunDriver::accepted(const Input &input)
{
    if (const auto refusal = CheckRunInput(input.folder, input.search, input.replacement)) {
        tell(*refusal);
        return false;
    }
    const QString warning =
        QStringLiteral("WARNING !\n\nThe files will be overwritten. You should back up your files "
                       "before you continue. Are you sure you want to continue?");
    return Dialogs::message(&m_form, warning, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void RunDriver::runConfirmed(const Input &input)
{
    prepare(input);
    // Should the folder have gone since the check, listing the text itself reports that;
    // the folder list would still point at the previous folder.
    const QString folder =
        m_form.folderEntries.setPath(input.folder) ? m_form.folderEntries.path() : input.folder;
    SearchReplaceRun core(input.search, input.replacement, *this);
    m_startFolder = folder;
    files = core.collect(folder, input.subfolders);
    if (stopRequested()) {
        stop();
        return;
    }
    if (files.isEmpty()) {
        reportEmptyList(folder);
        return;
    }
    m_view->setStatus(QStringLiteral("Performing search and replace. Please wait..."));
    m_view->setProgressMaximum(files.size());
    m_view->setProgressValue(0);
    letEventsThrough();
    // A close during the last file is noticed here: the run counts as stopped.
    const bool finished = core.process(files);
    // A stopped run can be undone for what it changed, too.
    m_view->setUndoableRun(core.journalFolder());
    if (!finished || stopRequested()) {
        stop();
        return;
    }
    // Every file is done: the bar is full.
    m_view->setProgressValue(files.size());
    finish();
}

void RunDriver::finish()
{
    if (m_failures.total() == 0) {
        m_view->setStatus(QStringLiteral("All done (o:"));
        m_view->bringToFront();
        tell(QStringLiteral("Search and replace finished !"));
        return;
    }
    m_view->setStatus(QStringLiteral("Done, but %1.").arg(failures()));
    m_view->bringToFront();
    tell(QStringLiteral("Search and replace finished, but %1. %2")
             .arg(failures(), m_failures.whereListed()));
}

void RunDriver::undo(const QString &journal)
{
    begin();
    m_undoing = true;
    // The user asked from the progress window: that is where the answers go.
    m_shown = true;
    const QString question =
        QStringLiteral("Undo this run? Every file it changed is put back as it was before the "
                       "run, unless it was changed again since.");
    if (Dialogs::message(onScreen(), question, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes) {
        return;
    }
    setInputEnabled(false);
    const auto enableAgain = qScopeGuard([this] { setInputEnabled(true); });
    undoConfirmed(journal);
}

void RunDriver::undoConfirmed(const QString &journal)
{
    m_view->show();
    m_view->showProgressBar();
    m_view->clearResults();
    m_view->setUndoableRun({});
    m_view->setCaptions(QStringLiteral("Files that have been put back :"),
                        QStringLiteral("Files that could not be put back :"));
    m_view->setStatus(QStringLiteral("Putting the files back as they were. Please wait ..."));
    letEventsThrough();
    UndoRun core(journal, *this);
    if (!core.load()) {
        const QString unread =
            QStringLiteral("Not undone: the journal of the run could not be read.");
        m_view->setStatus(unread);
        m_view->bringToFront();
        tell(unread + u' ' + m_failures.whereListed());
        return;
    }
    m_view->setProgressMaximum(core.size());
    m_view->setProgressValue(0);
    letEventsThrough();
    // Stopped, the undo can be started again: it passes over what it put back.
    if (!core.process() || stopRequested()) {
        m_view->setUndoableRun(journal);
        stop();
        return;
    }
    m_view->setProgressValue(core.size());
    finishUndo(journal);
}

void RunDriver::finishUndo(const QString &journal)
{
    if (m_failures.total() == 0) {
        m_view->setStatus(QStringLiteral("Undone: the files are as they were before the run."));
        m_view->bringToFront();
        tell(QStringLiteral("Undo finished !"));
        return;
    }
    // What could not be put back may be put back after all once the user has seen to it.
    m_view->setUndoableRun(journal);
    m_view->setStatus(QStringLiteral("Undone, except %1.").arg(failures()));
    m_view->bringToFront();
    tell(QStringLiteral("Undo finished, except %1. %2").arg(failures(), m_failures.whereListed()));
}

void RunDriver::reportEmptyList(const QString &folder)
{
    // A folder that could not be read holds no HTML files as far as anyone knows; saying that
    // none were found would hide the real trouble.
    if (!m_startFolderFailure.isEmpty()) {
        tell(QStringLiteral("The folder \"%1\" could not be read: %2")
                 .arg(QDir::toNativeSeparators(folder), m_startFolderFailure),
             true);
    } else if (m_failures.total() == 0) {
        tell(QStringLiteral("No HTML-files found."));
    } else {
        // Folders below it could not be read: the window stays, to list them.
        m_view->setStatus(QStringLiteral("Done, but %1.").arg(failures()));
        m_view->bringToFront();
        tell(QStringLiteral("No HTML-files found, but %1. %2")
                 .arg(failures(), m_failures.whereListed()));
        return;
    }
    m_view->hide();
}

void RunDriver::stop()
{
    // What was done stays in the progress window, with the failures met so far.
    if (m_form.closeRequested()) {
        m_view->stopped();
    } else {
        m_view->setStatus(QStringLiteral("Stopped before the end."));
    }
    m_view->bringToFront();
    // With the main window closed and no progress window on the screen the program is ending.
    if (onScreen()->isVisible() && m_failures.total() > 0) {
        tell(failures() + QStringLiteral(". ") + m_failures.whereListed());
    }
}

void RunDriver::prepare(const Input &input)
{
    m_form.folderEntries.setPath(input.folder);
    m_view->show();
    m_shown = true;
    m_view->showProgressBar();
    m_view->clearResults();
    m_view->setUndoableRun({});
    m_view->setCaptions(QStringLiteral("Files that have been changed :"),
                        QStringLiteral("Files that could not be changed :"));
    files.clear();
    m_view->setStatus(QStringLiteral("Generating file list. Please wait ..."));
    letEventsThrough();
}

void RunDriver::setInputEnabled(bool enabled)
{
    const QList<QWidget *> controls{m_form.folderField,      m_form.searchField,
                                    m_form.replacementField, m_form.subfolderOption,
                                    m_form.browseButton,     m_form.startButton};
    for (QWidget *control : controls) {
        control->setEnabled(enabled);
    }
}

void RunDriver::letEventsThrough()
{
    QCoreApplication::processEvents();
    m_sinceEvents.restart();
}

QWidget *RunDriver::onScreen() const
{
    // Once the run has shown its window the user watches that one; before, the main window.
    ProgressWindow *progress = ProgressWindow::existing();
    return m_shown && progress && progress->isVisible() ? static_cast<QWidget *>(progress)
                                                        : &m_form;
}

void RunDriver::fail(FailureTally::Kind kind, const QString &path, const QString &reason)
{
    // Each failure is listed in the progress window as it comes; the messages only count them.
    m_failures.add(kind);
    m_view->addFailure(QDir::toNativeSeparators(path), reason);
}

QString RunDriver::failures() const
{
    return m_undoing ? m_failures.notPutBack() : m_failures.notChanged();
}

void RunDriver::tell(const QString &text, bool selectable)
{
    Dialogs::message(onScreen(), text, QMessageBox::Ok, selectable);
}

void RunDriver::folderFailed(const QString &folder, const QString &reason)
{
    // The walk starts with the chosen folder: a failure reported before any other and naming
    // it means the folder itself could not be listed, and nothing below it was reached.
    if (m_failures.total() == 0 && m_startFolderFailure.isEmpty() && !m_startFolder.isEmpty() &&
        QDir::cleanPath(QDir::fromNativeSeparators(folder)) ==
            QDir::cleanPath(QDir::fromNativeSeparators(m_startFolder))) {
        m_startFolderFailure = reason;
    }
    fail(FailureTally::Kind::Folder, folder, reason);
}

void RunDriver::yield()
{
    if (m_sinceEvents.hasExpired(EventInterval)) {
        letEventsThrough();
    }
}

void RunDriver::fileStarted(qsizetype index, qsizetype count, const QString &path)
{
    Q_UNUSED(count);
    Q_UNUSED(path);
    // Every value reaches the view; the progress window shows it as often as can be seen.
    m_view->setProgressValue(index);
    yield();
}

void RunDriver::fileChanged(const QString &path, qint64 replacements)
{
    m_view->addChangedFile(QDir::toNativeSeparators(path), replacements);
}

void RunDriver::fileFailed(const QString &path, const QString &reason)
{
    fail(m_undoing ? undoFailure(reason) : FailureTally::Kind::File, path, reason);
}

bool RunDriver::stopRequested()
{
    // Closing either window stops the run between two files: a file is never cut off in the
    // middle of its rewrite.
    return m_form.closeRequested() || m_form.stopRequested();
}

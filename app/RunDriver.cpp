#include "app/RunDriver.h"

#include "app/Dialogs.h"
#include "app/ProgressView.h"
#include "app/ProgressWindow.h"
#include "app/RunHost.h"
#include "file/FailureKind.h"
#include "run/InputCheck.h"
#include "run/SearchReplaceRun.h"
#include "run/UndoRun.h"

#include <QDir>
#include <QScopeGuard>

namespace {

// How long the run works before it lets window events through again, in milliseconds: often
// enough for the window to answer a click or a close without a felt delay, seldom enough that
// the repaints that come with each pass cost the run next to nothing.
constexpr qint64 EventInterval = 100;

// An undo leaves a page alone for one of two reasons the user can understand without the
// list; every other reason counts as a plain failure.
FailureTally::Kind undoFailure(FailureKind kind)
{
    if (kind == FailureKind::ChangedSinceRun)
        return FailureTally::Kind::ChangedSinceRun;
    return kind == FailureKind::GoneSinceRun ? FailureTally::Kind::GoneSinceRun
                                             : FailureTally::Kind::File;
}

} // namespace

RunDriver::RunDriver(RunHost &host) : m_host(host) {}

void RunDriver::begin()
{
    // Nothing of a previous run carries over.
    m_view = &ProgressView::current();
    m_failures.clear();
    m_startFolderFailure.clear();
    m_startFolder.clear();
    m_shown = false;
    m_undoing = false;
    m_sinceEvents.start();
}

void RunDriver::run(const RunInput &input)
{
    begin();
    if (!accepted(input)) {
        return;
    }
    // Nothing that starts a run or changes its input can be used until it ends, however
    // it ends; the information picture stays usable.
    m_host.setInputEnabled(false);
    const auto enableAgain = qScopeGuard([this] { m_host.setInputEnabled(true); });
    runConfirmed(input);
}

bool RunDriver::accepted(const RunInput &input)
{
    if (const auto refusal = CheckRunInput(input.folder, input.search, input.replacement)) {
        tell(*refusal);
        return false;
    }
    const QString warning =
        tr("WARNING !\n\nThe files will be overwritten. You should back up your files before you "
           "continue. Are you sure you want to continue?");
    return Dialogs::message(m_host.messageParent(), warning, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void RunDriver::runConfirmed(const RunInput &input)
{
    prepare();
    // Should the folder have gone since the check, listing the text itself reports that.
    const QString folder = m_host.trackFolder(input.folder);
    SearchReplaceRun core(input.search, input.replacement, *this);
    m_startFolder = folder;
    const QStringList files = core.collect(folder, input.subfolders);
    if (stopRequested()) {
        stop();
        return;
    }
    if (files.isEmpty()) {
        reportEmptyList(folder);
        return;
    }
    m_view->setStatus(tr("Performing search and replace. Please wait..."));
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
        m_view->setStatus(tr("All done (o:"));
        m_view->bringToFront();
        tell(tr("Search and replace finished !"));
        return;
    }
    m_view->setStatus(tr("Done, but %1.").arg(failures()));
    m_view->bringToFront();
    tell(tr("Search and replace finished, but %1. %2").arg(failures(), m_failures.whereListed()));
}

void RunDriver::undo(const QString &journal)
{
    begin();
    m_undoing = true;
    // The user asked from the progress window: that is where the answers go.
    m_shown = true;
    const QString question =
        tr("Undo this run? Every file it changed is put back as it was before the "
           "run, unless it was changed again since.");
    if (Dialogs::message(onScreen(), question, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes) {
        return;
    }
    m_host.setInputEnabled(false);
    const auto enableAgain = qScopeGuard([this] { m_host.setInputEnabled(true); });
    undoConfirmed(journal);
}

void RunDriver::undoConfirmed(const QString &journal)
{
    m_view->show();
    m_view->showProgressBar();
    m_view->clearResults();
    m_view->setUndoableRun({});
    m_view->setCaptions(tr("Files that have been put back :"),
                        tr("Files that could not be put back :"));
    m_view->setStatus(tr("Putting the files back as they were. Please wait ..."));
    letEventsThrough();
    UndoRun core(journal, *this);
    if (!core.load()) {
        const QString unread = tr("Not undone: the journal of the run could not be read.");
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
        m_view->setStatus(tr("Undone: the files are as they were before the run."));
        m_view->bringToFront();
        tell(tr("Undo finished !"));
        return;
    }
    // What could not be put back may be put back after all once the user has seen to it.
    m_view->setUndoableRun(journal);
    m_view->setStatus(tr("Undone, except %1.").arg(failures()));
    m_view->bringToFront();
    tell(tr("Undo finished, except %1. %2").arg(failures(), m_failures.whereListed()));
}

void RunDriver::reportEmptyList(const QString &folder)
{
    // A folder that could not be read holds no HTML files as far as anyone knows; saying that
    // none were found would hide the real trouble.
    if (!m_startFolderFailure.isEmpty()) {
        tell(tr("The folder \"%1\" could not be read: %2")
                 .arg(QDir::toNativeSeparators(folder), m_startFolderFailure),
             true);
    } else if (m_failures.total() == 0) {
        tell(tr("No HTML-files found."));
    } else {
        // Folders below it could not be read: the window stays, to list them.
        m_view->setStatus(tr("Done, but %1.").arg(failures()));
        m_view->bringToFront();
        tell(tr("No HTML-files found, but %1. %2").arg(failures(), m_failures.whereListed()));
        return;
    }
    m_view->hide();
}

void RunDriver::stop()
{
    // What was done stays in the progress window, with the failures met so far.
    if (m_host.closeRequested()) {
        m_view->stopped();
    } else {
        m_view->setStatus(tr("Stopped before the end."));
    }
    m_view->bringToFront();
    // With the main window closed and no progress window on the screen the program is ending.
    if (onScreen()->isVisible() && m_failures.total() > 0) {
        tell(tr("%1. %2").arg(failures(), m_failures.whereListed()));
    }
}

void RunDriver::prepare()
{
    m_view->show();
    m_shown = true;
    m_view->showProgressBar();
    m_view->clearResults();
    m_view->setUndoableRun({});
    m_view->setCaptions(tr("Files that have been changed :"),
                        tr("Files that could not be changed :"));
    m_view->setStatus(tr("Generating file list. Please wait ..."));
    letEventsThrough();
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
                                                        : m_host.messageParent();
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

void RunDriver::folderFailed(const QString &folder, const Failure &failure)
{
    // The walk starts with the chosen folder: a folder left unlisted before any other failure,
    // and naming it, is the chosen folder itself, and nothing below it was reached. An entry
    // of it left out (a link, say) is no reason for the folder to count as unread.
    if (failure.kind == FailureKind::Unlisted && m_failures.total() == 0 &&
        m_startFolderFailure.isEmpty() && !m_startFolder.isEmpty() &&
        QDir::cleanPath(QDir::fromNativeSeparators(folder)) ==
            QDir::cleanPath(QDir::fromNativeSeparators(m_startFolder))) {
        m_startFolderFailure = failure.text;
    }
    fail(FailureTally::Kind::Folder, folder, failure.text);
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

void RunDriver::fileFailed(const QString &path, const Failure &failure)
{
    fail(m_undoing ? undoFailure(failure.kind) : FailureTally::Kind::File, path, failure.text);
}

bool RunDriver::stopRequested()
{
    // Closing either window stops the run between two files: a file is never cut off in the
    // middle of its rewrite.
    return m_host.closeRequested() || m_host.stopRequested();
}

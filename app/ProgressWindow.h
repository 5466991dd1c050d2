#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class ResultsList;
class RunControl;

/// The progress window: status line, caption, the list of changed files, below it (once
/// something failed) the list of files that could not be changed, and the progress bar. The run
/// fills it (see ProgressWindowView). Closing it (or Escape) during a run stops the run between
/// two files and keeps the window with what was done; closing it otherwise discards it, and the
/// next use builds it anew, hidden until a run shows it. The design's Form2; its controls keep
/// their design names as objectName (Label1 the status line, Label2 the caption, List1 the
/// results, ProgressBar1); the failures are Label3 and List2.
class ProgressWindow : public QWidget
{
    Q_OBJECT

public:
    /// The single progress window, built (hidden) when it does not exist.
    static ProgressWindow *instance();

    /// The progress window if it exists and has not been closed, else nullptr; never builds one.
    static ProgressWindow *existing();

    /// What every progress window stops and undoes runs through: set where the program is
    /// assembled, before a run can start; nullptr (the start) leaves both undone.
    static void setRunControl(RunControl *control);

    /// Shows text in the status line.
    void setStatus(const QString &text);

    /// Empties both lists and takes the list of failures out of sight.
    void clearResults();

    /// Brings the bar into sight; it counts from 0 to maximum.
    void showProgressBar();
    void setProgressMaximum(int maximum);

    /// Lists a file the run changed (in processing order), with its count of replacements.
    void addChangedFile(const QString &path, qint64 replacements);

    /// The journal of the run listed, which the list's "Undo this run" undoes; empty: none.
    void setUndoableRun(const QString &journal);

    /// Lists a failure, bringing the list of failures into sight.
    void addFailure(const QString &path, const QString &reason);

    /// Captions the two lists (and names them so to screen readers).
    void setCaptions(const QString &changed, const QString &failed);

    /// Moves the bar to value, on the screen at most about ten times a second; a value held
    /// back reaches the bar at the end of that tenth, or with showProgress().
    void setProgress(int value);

    /// Puts the last value given to setProgress() on the bar now.
    void showProgress();

Q_SIGNALS:
    /// The window was closed (not a close refused during a run); it is on its way out.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ProgressWindow();
    void placeControls();

    QLabel *m_statusLine;
    QLabel *m_resultsCaption;   ///< over the results
    ResultsList *m_resultsList; ///< the files the run changed, in processing order
    QLabel *m_failureCaption;
    ResultsList *m_failureList; ///< what could not be changed, with the reasons
    QProgressBar *m_progressBar;
    int m_progress = 0;            ///< the last value given to setProgress()
    QElapsedTimer m_progressShown; ///< since the bar last took a value
    QTimer m_progressCatchUp;      ///< puts a value held back on the bar
};

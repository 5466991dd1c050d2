#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class ResultsList;

/// The progress window: status line, caption, the list of changed files and the progress
/// bar. The run fills it (see ProgressWindowView). Closing it (or Escape) during a run stops the
/// run between two files and keeps the window with what was done; closing it otherwise discards it,
/// and the next use builds it anew, hidden until a run shows it. The design's Form2; its controls
/// keep their design names as objectName (Label1 the status line, Label2 the caption, List1 the
/// results, ProgressBar1).
class ProgressWindow : public QWidget
{
    Q_OBJECT

public:
    /// The single progress window, built (hidden) when it does not exist.
    static ProgressWindow *instance();

    /// The progress window if it exists and has not been closed, else nullptr; never builds one.
    static ProgressWindow *existing();

    QLabel *statusLine;
    QLabel *resultsCaption;   ///< over the results
    ResultsList *resultsList; ///< the files the run changed, in processing order
    QProgressBar *progressBar;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ProgressWindow();
};

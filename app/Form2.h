#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class ResultsList;

/// The progress window: status line, caption, the list of changed files and the progress
/// bar. The run fills it (see Form2View). Closing it (or Escape) during a run stops the run
/// between two files and keeps the window with what was done; closing it otherwise discards
/// it, and the next use builds it anew, hidden until a run shows it.
class Form2 : public QWidget
{
    Q_OBJECT

public:
    /// The single progress window, built (hidden) when it does not exist.
    static Form2 *instance();

    /// The progress window if it exists and has not been closed, else nullptr; never builds one.
    static Form2 *existing();

    QLabel *Label1;     ///< the status line
    QLabel *Label2;     ///< the caption over the results
    ResultsList *List1; ///< the files the run changed, in processing order
    QProgressBar *ProgressBar1;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    Form2();
};

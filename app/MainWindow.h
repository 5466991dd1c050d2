#pragma once

#include "app/FolderList.h"

#include <QWidget>

#include <memory>

class ImageButton;
class QCheckBox;
class QKeySequence;
class QLabel;
class QLineEdit;
class RunDriver;

/// The main window: the folder field, the two texts, the subfolder option and the browse,
/// start and information pictures. Besides its controls it holds the hidden folder-tracking
/// state, the folder lists folderEntries and fileEntries, and the driver of its runs.
/// The design's Form1; each control keeps its design name as objectName (Label1-3, Text1-3,
/// Check1, Image1-3), so that tests and accessibility tools find it by that name.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    /// The single main window, built (not yet shown) on first use.
    static MainWindow *instance();

    /// The main window if it exists, else nullptr; never builds one.
    static MainWindow *existing();

    ~MainWindow() override;

    /// True from the moment the user closed the window; a run under way then stops
    /// between two files.
    bool closeRequested() const { return m_closeRequested; }

    /// Called by the progress window as it closes: the program ends if this window is gone.
    void progressWindowClosed();

    /// True while a run started by the start picture is under way.
    bool runUnderWay() const { return m_runUnderWay; }

    /// Asks the run under way to stop between two files (the progress window's close does).
    void requestStop() { m_stopRequested = true; }

    /// Undoes the run whose journal is journal, as the start picture starts a run; nothing
    /// while a run is under way.
    void undoRun(const QString &journal);

    /// True once requestStop() was called during the current run.
    bool stopRequested() const { return m_stopRequested; }

    /// Carries out the runs and undos started here; it keeps the last run's file list.
    RunDriver &runDriver() { return *m_driver; }

    QLabel *folderLabel;
    QLineEdit *folderField;
    QLabel *searchLabel;
    QLineEdit *searchField;
    QLabel *replacementLabel;
    QLineEdit *replacementField;
    QCheckBox *subfolderOption;
    ImageButton *browseButton;
    ImageButton *startButton;
    ImageButton *informationButton;

    FolderList folderEntries{FolderList::Shows::Folders};
    FolderList fileEntries{FolderList::Shows::Files};

Q_SIGNALS:
    /// Both windows are gone (the main one closed, the progress one closed or hidden):
    /// the program should end now.
    void programEnded();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    MainWindow();
    void buildFields();
    void buildImages();
    ImageButton *addImage(const QString &name, const QString &picture, const QString &text,
                          const QKeySequence &shortcut);
    QLabel *addLabel(const QString &name, const QString &text);
    QLineEdit *addTextField(const QString &name);
    void connectActions();
    void folderChanged();
    void browse();
    void start();
    void showInformation();
    void endProgram();

    bool m_closeRequested = false;
    bool m_ended = false;
    bool m_runUnderWay = false;
    bool m_stopRequested = false;
    std::unique_ptr<RunDriver> m_driver;
};

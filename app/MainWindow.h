#pragma once

#include "app/RunControl.h"
#include "app/RunHost.h"
#include "app/TrackedFolder.h"

#include <QWidget>

#include <memory>

class ImageButton;
class QCheckBox;
class QKeySequence;
class QLabel;
class QLineEdit;
class RunDriver;

/// The main window: the folder field, the two texts, the subfolder option and the browse,
/// start and information pictures, and the folder its field names. Its runs are carried out
/// by a RunDriver, to which it is the RunHost; the progress window's RunControl too. The design's
/// Form1; each control keeps its design name as objectName (Label1-3, Text1-3, Check1, Image1-3),
/// by which tests and accessibility tools find it.
class MainWindow : public QWidget, public RunHost, public RunControl
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
    bool closeRequested() const override { return m_closeRequested; }

    /// True while a run started by the start picture, or an undo, is under way.
    bool runUnderWay() const override { return m_runUnderWay; }

    /// Asks the run under way to stop between two files (the progress window's close does).
    void requestStop() override { m_stopRequested = true; }

    /// Undoes the run whose journal is journal, as the start picture starts a run; nothing
    /// while a run is under way.
    void undoRun(const QString &journal) override;

    /// True once requestStop() was called during the current run.
    bool stopRequested() const override { return m_stopRequested; }

Q_SIGNALS:
    /// The user closed the window (it is never refused).
    void closed();

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
    void browse();
    void start();
    void showInformation();
    QWidget *messageParent() override { return this; }
    void setInputEnabled(bool enabled) override;
    QString trackFolder(const QString &text) override;

    QLabel *m_folderLabel;
    QLineEdit *m_folderField;
    QLabel *m_searchLabel;
    QLineEdit *m_searchField;
    QLabel *m_replacementLabel;
    QLineEdit *m_replacementField;
    QCheckBox *m_subfolderOption;
    ImageButton *m_browseButton;
    ImageButton *m_startButton;
    ImageButton *m_informationButton;

    TrackedFolder m_folder;
    bool m_closeRequested = false;
    bool m_runUnderWay = false;
    bool m_stopRequested = false;
    std::unique_ptr<RunDriver> m_driver;
};

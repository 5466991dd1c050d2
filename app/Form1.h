#pragma once

#include "FolderList.h"

#include <QStringList>
#include <QWidget>

class ImageButton;
class QCheckBox;
class QKeySequence;
class QLabel;
class QLineEdit;

/// The main window: the folder field, the two texts, the subfolder option and the browse,
/// start and information pictures. Besides its controls it holds the hidden working state
/// of a run: the folder lists Dir1 and File1 and the file list List1.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    /// The single main window, built (not yet shown) on first use.
    static Form1 *instance();

    /// The main window if it exists, else nullptr; never builds one.
    static Form1 *existing();

    ~Form1() override;

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

    QLabel *Label1;
    QLineEdit *Text1; ///< the folder
    QLabel *Label2;
    QLineEdit *Text2; ///< the text to search for
    QLabel *Label3;
    QLineEdit *Text3;    ///< the text to replace with
    QCheckBox *Check1;   ///< include subfolders
    ImageButton *Image1; ///< browse
    ImageButton *Image2; ///< start
    ImageButton *Image3; ///< information

    FolderList Dir1{FolderList::Shows::Folders};
    FolderList File1{FolderList::Shows::Files};
    QStringList List1; ///< the files of the current or last run, in processing order

Q_SIGNALS:
    /// Both windows are gone (the main one closed, the progress one closed or hidden):
    /// the program should end now.
    void programEnded();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    Form1();
    void buildFields();
    void buildImages();
    ImageButton *addImage(const QString &name, const QString &picture, const QString &text,
                          const QKeySequence &shortcut);
    QLabel *addLabel(const QString &name, const QString &text);
    QLineEdit *addTextField(const QString &name);
    void connectActions();
    void Text1_Change();
    void Image1_Click();
    void Image2_Click();
    void Image3_Click();
    void endProgram();

    bool m_closeRequested = false;
    bool m_ended = false;
    bool m_runUnderWay = false;
    bool m_stopRequested = false;
};

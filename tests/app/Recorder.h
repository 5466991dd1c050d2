#pragma once

#include "Dialogs.h"
#include "Form2View.h"
#include "ProgressView.h"

#include <QList>
#include <QStringList>

#include <functional>

/// Stands in for the dialogs and watches the progress window while it is installed: every
/// message box and every operation of a run lands in one transcript, in the order they
/// happened, and is carried on to the real progress window. Message boxes and the folder
/// chooser answer at once from queues.
class Recorder : public Dialogs, public ProgressView
{
public:
    Recorder();
    ~Recorder() override;

    /// "message: TEXT", "show", "hide", "status: TEXT", "bar", "maximum N", "value N",
    /// "clear", "changed: PATH", "stopped".
    QStringList transcript;
    QList<MessageRequest> messages;
    QList<QWidget *> messageParents;
    /// Answers to the next message boxes; when empty, Ok, or Yes to a question.
    QList<QMessageBox::StandardButton> answers;

    /// Answers to the next folder choices; an empty string cancels. When empty, cancel.
    QStringList folderAnswers;
    QStringList folderTitles;
    QList<QWidget *> folderParents;

    /// Called with each transcript entry right after it was recorded (and carried out),
    /// so a test can look at the windows while a run is under way.
    std::function<void(const QString &entry)> onEntry;

    void show() override;
    void hide() override;
    void setStatus(const QString &text) override;
    void showProgressBar() override;
    void setProgressMaximum(qsizetype maximum) override;
    void setProgressValue(qsizetype value) override;
    void clearResults() override;
    void addChangedFile(const QString &path) override;
    void stopped() override;

protected:
    QMessageBox::StandardButton ask(QWidget *parent, const MessageRequest &request) override;
    QString askForFolder(QWidget *parent, const QString &title) override;

private:
    void record(const QString &entry);

    Form2View m_window;
};

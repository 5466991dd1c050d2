#include "Recorder.h"

Recorder::Recorder()
{
    Dialogs::install(this);
    ProgressView::install(this);
}

Recorder::~Recorder()
{
    Dialogs::install(nullptr);
    ProgressView::install(nullptr);
}

void Recorder::record(const QString &entry)
{
    transcript.append(entry);
    if (onEntry) {
        onEntry(entry);
    }
}

void Recorder::show()
{
    m_window.show();
    record(QStringLiteral("show"));
}

void Recorder::hide()
{
    m_window.hide();
    record(QStringLiteral("hide"));
}

void Recorder::setStatus(const QString &text)
{
    m_window.setStatus(text);
    record(QStringLiteral("status: ") + text);
}

void Recorder::showProgressBar()
{
    m_window.showProgressBar();
    record(QStringLiteral("bar"));
}

void Recorder::setProgressMaximum(qsizetype maximum)
{
    m_window.setProgressMaximum(maximum);
    record(QStringLiteral("maximum %1").arg(maximum));
}

void Recorder::setProgressValue(qsizetype value)
{
    m_window.setProgressValue(value);
    record(QStringLiteral("value %1").arg(value));
}

void Recorder::clearResults()
{
    m_window.clearResults();
    record(QStringLiteral("clear"));
}

void Recorder::addChangedFile(const QString &path)
{
    m_window.addChangedFile(path);
    record(QStringLiteral("changed: ") + path);
}

void Recorder::stopped()
{
    m_window.stopped();
    record(QStringLiteral("stopped"));
}

QMessageBox::StandardButton Recorder::ask(QWidget *parent, const MessageRequest &request)
{
    messages.append(request);
    messageParents.append(parent);
    record(QStringLiteral("message: ") + request.text);
    if (!answers.isEmpty()) {
        return answers.takeFirst();
    }
    return request.buttons.testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::Yes;
}

QString Recorder::askForFolder(QWidget *parent, const QString &title)
{
    folderTitles.append(title);
    folderParents.append(parent);
    return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
}

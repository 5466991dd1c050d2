#pragma once

#include "Dialogs.h"
#include "Form2View.h"
#include "ProgressView.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>

/// The surroundings of one GUI test: a throw-away site, the main window on the screen, and a
/// stand-in for every dialog and progress operation. All of them land in one transcript in the
/// order they happened; progress operations are carried on to the real progress window.
class AppFixture : public Dialogs, public ProgressView
{
public:
    static const QString Confirmation;
    static const QByteArray PageWithText; ///< holds "Home"
    static const QByteArray PageWithout;  ///< does not

    AppFixture();
    ~AppFixture() override;

    /// "message: TEXT" (OK only), "question: TEXT" (Yes and No), "folder: TITLE", "show",
    /// "hide", "status: TEXT", "bar", "maximum N", "value N", "clear", "changed: PATH",
    /// "stopped". A dialog not titled Tagmender, with an icon or not owned by the main window
    /// is marked "odd ". Failure reasons come from the system and are recorded as "*".
    QStringList transcript;
    QList<QMessageBox::StandardButton> answers;        ///< then OK, or Yes to a question
    QStringList folderAnswers;                         ///< an empty one, or none left, cancels
    std::function<void(const QString &entry)> onEntry; ///< called after each entry

    QString path(const QString &relative = QString()) const;
    QString native(const QString &relative = QString()) const;
    QStringList natives(const QStringList &relatives) const;
    bool write(const QString &relative, const QByteArray &content);
    QByteArray read(const QString &relative) const;
    bool makeReadOnly(const QString &relative); ///< its rewrite then fails, even for root

    /// Fills in the main window and clicks the start picture; returns when the run is over.
    void start(const QString &folder, const QString &search, const QString &replacement,
               bool subfolders = false);
    /// All the run's input controls are enabled (or disabled); the information picture is.
    static bool inputEnabled(bool enabled);

    /// The transcript of a run up to its listing, when the user said Yes.
    static QStringList opening();
    /// The processing of files; changed are those that receive a replacement.
    static QStringList processing(const QStringList &files, const QStringList &changed);
    /// The end of a run that was not stopped, reporting the files that failed.
    static QStringList ending(const QStringList &failed = QStringList());

    using W = Form2View;
    void show() override { carry("show", &W::show); }
    void hide() override { carry("hide", &W::hide); }
    void setStatus(const QString &text) override { carry("status:", &W::setStatus, text); }
    void showProgressBar() override { carry("bar", &W::showProgressBar); }
    void setProgressMaximum(qsizetype n) override { carry("maximum", &W::setProgressMaximum, n); }
    void setProgressValue(qsizetype n) override { carry("value", &W::setProgressValue, n); }
    void clearResults() override { carry("clear", &W::clearResults); }
    void addChangedFile(const QString &file) override
    {
        carry("changed:", &W::addChangedFile, file);
    }
    void stopped() override { carry("stopped", &W::stopped); }

protected:
    QMessageBox::StandardButton ask(QWidget *parent, const MessageRequest &request) override;
    QString askForFolder(QWidget *parent, const QString &title) override;

private:
    // Carries the operation out on the real window, then records it with its arguments.
    template <typename... Params>
    void carry(const char *name, void (Form2View::*operation)(Params...), const auto &...args)
    {
        (m_window.*operation)(args...);
        QStringList entry{QString::fromLatin1(name)};
        record(((entry << ... << QVariant::fromValue(args).toString())).join(u' '));
    }
    void record(const QString &entry);

    QTemporaryDir m_dir;
    Form2View m_window;
};

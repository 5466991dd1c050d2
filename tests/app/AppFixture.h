#pragma once

#include "Dialogs.h"
#include "ProgressWindowView.h"
#include "TempTree.h"

#include <QStringList>
#include <QVariant>

#include <functional>

/// A throw-away site, the main window, and stand-ins recording every dialog and progress step.
class AppFixture : public TempTree, public Dialogs, public ProgressView
{
public:
    static const QString Confirmation;
    static const QByteArray PageWithText; ///< holds "Home"
    static const QByteArray PageWithout;  ///< does not

    AppFixture();
    ~AppFixture() override;

    /// In order; "odd " marks a dialog not plain or not on the window on the screen (the progress
    /// window while it is visible, else the main one), reasons become "*"; "selectable " marks a
    /// message whose text can be copied, "box: " one that does not wait for its answer.
    QStringList transcript;
    QMessageBox::StandardButton answer = QMessageBox::Yes; ///< to every question
    QString folderAnswer;                                  ///< empty cancels
    QStringList opened; ///< the URLs handed to the desktop's programs
    std::function<void(const QString &entry)> onEntry;

    QString path(const QString &relative = {}) const { return TempTree::path(relative, true); }
    QStringList paths(QStringList relatives) const;
    /// Fills in the main window and clicks the start picture; returns when the run is over.
    void start(const QString &folder, const QString &search, const QString &replacement,
               bool subfolders = false);
    /// The run's input controls are all enabled (or disabled); the information picture is.
    static bool inputEnabled(bool enabled);
    /// The transcript of a run the user confirmed and did not stop, files in processing order.
    QStringList expectedRun(const QStringList &files, const QStringList &changed,
                            const QStringList &failed = {}) const;

    using W = ProgressWindowView;
    void show() override { carry("show", &W::show); }
    void hide() override { carry("hide", &W::hide); }
    void setStatus(const QString &text) override { carry("status:", &W::setStatus, text); }
    void showProgressBar() override { carry("bar", &W::showProgressBar); }
    void setProgressMaximum(qsizetype n) override { carry("maximum", &W::setProgressMaximum, n); }
    void setProgressValue(qsizetype n) override { carry("value", &W::setProgressValue, n); }
    void clearResults() override { carry("clear", &W::clearResults); }
    void addChangedFile(const QString &f, qint64 replacements) override
    {
        m_window.addChangedFile(f, replacements); // the transcript names the file only
        record(QStringLiteral("changed: ") + f);
    }
    void bringToFront() override { carry("front", &W::bringToFront); }
    void setUndoableRun(const QString &journal) override { m_window.setUndoableRun(journal); }
    void stopped() override { carry("stopped", &W::stopped); }

protected:
    QMessageBox::StandardButton ask(QWidget *parent, const MessageRequest &request) override;
    void openBox(QWidget *parent, const MessageRequest &request) override;
    QString askForFolder(QWidget *parent, const QString &title, const QString &start) override;
    bool launch(const QUrl &url) override;

private:
    template <typename... Params>
    void carry(const char *name, void (ProgressWindowView::*operation)(Params...),
               const auto &...args)
    {
        (m_window.*operation)(args...);
        QStringList entry{QString::fromLatin1(name)};
        record(((entry << ... << QVariant::fromValue(args).toString())).join(u' '));
    }
    void record(const QString &entry);
    void recordMessage(QWidget *parent, const MessageRequest &request, const QString &kind);

    ProgressWindowView m_window;
};

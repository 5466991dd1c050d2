#pragma once

#include "app/Dialogs.h"
#include "app/ImageButton.h"
#include "app/MainWindow.h"
#include "app/Program.h"
#include "app/ProgressWindow.h"
#include "app/ProgressWindowView.h"
#include "tests/common/TempTree.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <functional>
#include <optional>

/// A throw-away site, the main window, and stand-ins recording every dialog and progress step;
/// the steps go on to the progress window.
class AppFixture : public TempTree, public Dialogs, public ProgressWindowView
{
public:
    static inline const QString Confirmation = QStringLiteral(
        "WARNING !\n\nThe files will be overwritten. You should back up your files before you "
        "continue. Are you sure you want to continue?");
    static inline const QByteArray PageWithText = "<html>\r\n<p>Home</p>\r\n</html>\r\n";
    static inline const QByteArray PageWithout = "<html>\r\n<p>Away</p>\r\n</html>\r\n";

    AppFixture()
    {
        // As a screen reader would: the accessibility events reach hear() (as in Qt's own tests).
        QAccessible::installUpdateHandler(hear);
        QAccessible::installRootObjectHandler([](QObject *) {});
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        spoken.clear();
        Dialogs::install(this);
        ProgressView::install(this);
        program.emplace();
        program->start();
        QApplication::setActiveWindow(MainWindow::instance());
        if (!isValid() || !QTest::qWaitForWindowActive(MainWindow::instance()))
            qWarning("No site folder or no active main window.");
    }
    ~AppFixture() override
    {
        program.reset();
        Dialogs::install(nullptr);
        ProgressView::install(nullptr);
        QAccessible::installUpdateHandler(nullptr);
    }

    /// The control of window (the main one unless given) of that design name.
    template <class Control = QWidget>
    static Control *control(const QString &name, const QWidget *window = MainWindow::instance())
    {
        return window->findChild<Control *>(name, Qt::FindDirectChildrenOnly);
    }

    std::optional<Program> program;

    /// What a screen reader was told of the progress window: "status: TEXT" for each change of
    /// the status line, "value N" for each value the bar took.
    static inline QStringList spoken;

    /// In order; "odd " marks a dialog not titled "Tagmender", with an icon, or not on the window
    /// the user looks at (the active one; else the progress window while it is visible, else the
    /// main one); reasons become
    /// "*"; "selectable " marks a message whose text can be copied, "box: " one that does not
    /// wait for its answer, " [TEXT]" its button that opens a document.
    QStringList transcript;
    QMessageBox::StandardButton answer = QMessageBox::Yes; ///< to every question
    QStringList opened; ///< the URLs handed to the desktop's programs
    std::function<void(const QString &entry)> onEntry;

    QString path(const QString &relative = {}) const { return TempTree::path(relative, true); }
    static void hear(QAccessibleEvent *event)
    {
        const QObject *object = event->object();
        const QString name = object ? object->objectName() : QString();
        if (event->type() == QAccessible::ValueChanged && name == u"ProgressBar1")
            spoken << "value " +
                          static_cast<QAccessibleValueChangeEvent *>(event)->value().toString();
        else if (event->type() == QAccessible::NameChanged && name == u"Label1" &&
                 object->parent()->objectName() == u"Form2")
            spoken << "status: " + event->accessibleInterface()->text(QAccessible::Name);
    }
    /// Fills in the main window to replace "Home" by "Start" below folder and clicks the start
    /// picture; returns when the run is over.
    void start(const QString &folder, bool subfolders = false)
    {
        control<QLineEdit>(QStringLiteral("Text1"))->setText(folder);
        control<QLineEdit>(QStringLiteral("Text2"))->setText(QStringLiteral("Home"));
        control<QLineEdit>(QStringLiteral("Text3"))->setText(QStringLiteral("Start"));
        control<QCheckBox>(QStringLiteral("Check1"))->setChecked(subfolders);
        QTest::mouseClick(control(QStringLiteral("Image2")), Qt::LeftButton);
    }

    // Each step reaches the window first, as it would without the fixture, then the transcript.
    using W = ProgressWindowView;
#define TAGMENDER_STEP(declaration, call, entry)                                                   \
    void declaration override                                                                      \
    {                                                                                              \
        W::call;                                                                                   \
        record(entry);                                                                             \
    }
    TAGMENDER_STEP(show(), show(), "show")
    TAGMENDER_STEP(hide(), hide(), "hide")
    TAGMENDER_STEP(setStatus(const QString &text), setStatus(text), "status: " + text)
    TAGMENDER_STEP(showProgressBar(), showProgressBar(), "bar")
    TAGMENDER_STEP(setProgressMaximum(qsizetype n), setProgressMaximum(n),
                   "max " + QString::number(n))
    TAGMENDER_STEP(setProgressValue(qsizetype n), setProgressValue(n),
                   "value " + QString::number(n))
    TAGMENDER_STEP(clearResults(), clearResults(), "clear")
    TAGMENDER_STEP(addChangedFile(const QString &file, qint64 count), addChangedFile(file, count),
                   "changed: " + file)
    TAGMENDER_STEP(addFailure(const QString &file, const QString &why), addFailure(file, why),
                   "failed: " + file + (why.isEmpty() ? ", no reason" : ""))
    TAGMENDER_STEP(bringToFront(), bringToFront(), "front")
    TAGMENDER_STEP(stopped(), stopped(), "stopped")
#undef TAGMENDER_STEP

protected:
    QMessageBox::StandardButton ask(QWidget *parent, const MessageRequest &request) override
    {
        const bool question = request.buttons == (QMessageBox::Yes | QMessageBox::No);
        recordMessage(parent, request, question ? "question: " : "message: ");
        return question ? answer : QMessageBox::Ok;
    }
    void openBox(QWidget *parent, const MessageRequest &request) override
    {
        recordMessage(parent, request, "box: ");
    }
    QString askForFolder(QWidget *parent, const QString &title, const QString &start) override
    {
        record((parent == MainWindow::existing() ? "" : "odd ") + QString("folder: ") + title +
               (start.isEmpty() ? QString() : " from " + QDir::toNativeSeparators(start)));
        return {}; // cancelled: the real chooser is tried by the windows' suite
    }
    bool launch(const QUrl &url) override
    {
        opened.append(url.toString());
        return true;
    }

private:
    void record(const QString &entry)
    {
        transcript.append(entry);
        if (onEntry)
            onEntry(entry);
    }
    void recordMessage(QWidget *parent, const MessageRequest &request, const char *kind)
    {
        const ProgressWindow *progress = ProgressWindow::existing();
        const QWidget *active = QApplication::activeWindow();
        const QWidget *onScreen =
            active && (active == progress || active == MainWindow::existing()) ? active
            : progress && progress->isVisible() ? static_cast<const QWidget *>(progress)
                                                : MainWindow::existing();
        const bool plain = request.title == "Tagmender" && request.icon == QMessageBox::NoIcon &&
                           parent == onScreen;
        // Only failure lines hold ": " followed by text; their reasons come from the system.
        const QString text = QString(request.text).replace(QRegularExpression(": .+"), ": *");
        record((plain ? "" : "odd ") + QString(request.selectable ? "selectable " : "") + kind +
               text + (request.openText.isEmpty() ? QString() : " [" + request.openText + "]"));
    }
};

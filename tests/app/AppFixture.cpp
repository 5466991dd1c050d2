#include "AppFixture.h"

#include "ImageButton.h"
#include "MainWindow.h"
#include "ProgressWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

const QString AppFixture::Confirmation =
    u"WARNING !\n\nThe files will be overwritten. You should back up your files before you "
    "continue. Are you sure you want to continue?"_s;
const QByteArray AppFixture::PageWithText = "<html>\r\n<p>Home</p>\r\n</html>\r\n";
const QByteArray AppFixture::PageWithout = "<html>\r\n<p>Away</p>\r\n</html>\r\n";

AppFixture::AppFixture()
{
    Dialogs::install(this);
    ProgressView::install(this);
    MainWindow::instance()->show();
    QApplication::setActiveWindow(MainWindow::instance());
    if (!isValid() || !QTest::qWaitForWindowActive(MainWindow::instance())) {
        qWarning("No site folder or no active main window.");
    }
}

AppFixture::~AppFixture()
{
    delete MainWindow::existing();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Dialogs::install(nullptr);
    ProgressView::install(nullptr);
}

QStringList AppFixture::paths(QStringList relatives) const
{
    std::ranges::transform(relatives, relatives.begin(), [this](auto &r) { return path(r); });
    return relatives;
}

void AppFixture::start(const QString &folder, const QString &search, const QString &replacement,
                       bool subfolders)
{
    MainWindow *form = MainWindow::instance();
    form->folderField->setText(folder);
    form->searchField->setText(search);
    form->replacementField->setText(replacement);
    form->subfolderOption->setChecked(subfolders);
    QTest::mouseClick(form->startButton, Qt::LeftButton);
}

bool AppFixture::inputEnabled(bool enabled)
{
    const MainWindow *f = MainWindow::instance();
    const QList<const QWidget *> input{f->folderField,     f->searchField,  f->replacementField,
                                       f->subfolderOption, f->browseButton, f->startButton};
    return f->informationButton->isEnabled() &&
           std::ranges::all_of(input, [=](auto *w) { return w->isEnabled() == enabled; });
}

QStringList AppFixture::expectedRun(const QStringList &files, const QStringList &changed,
                                    const QStringList &failed) const
{
    QStringList expected{u"question: "_s + Confirmation, u"show"_s, u"bar"_s, u"clear"_s,
                         u"status: Generating file list. Please wait ..."_s};
    if (files.isEmpty()) {
        return expected << u"message: No HTML-files found."_s << u"hide"_s;
    }
    expected << u"status: Performing search and replace. Please wait..."_s
             << u"maximum %1"_s.arg(files.size()) << u"value 0"_s;
    for (qsizetype i = 0; i < files.size(); ++i) {
        expected << u"value %1"_s.arg(i);
        if (changed.contains(files.at(i))) {
            expected << u"changed: "_s + path(files.at(i));
        }
    }
    expected << u"status: All done (o:"_s << u"front"_s;
    if (!failed.isEmpty()) {
        // Twenty are named, the rest counted.
        QString failures =
            u"selectable message: These files and folders could not be processed:\n"_s;
        for (const QString &file : failed.first(qMin<qsizetype>(failed.size(), 20))) {
            failures += u'\n' + path(file) + u": *"_s;
        }
        const qsizetype more = failed.size() - 20;
        expected << failures + (more > 0 ? u"\n... and %1 more."_s.arg(more) : QString());
    }
    return expected << u"message: Search and replace finished !"_s;
}

void AppFixture::record(const QString &entry)
{
    transcript.append(entry);
    if (onEntry) {
        onEntry(entry);
    }
}

QMessageBox::StandardButton AppFixture::ask(QWidget *parent, const MessageRequest &request)
{
    const bool question = request.buttons == (QMessageBox::Yes | QMessageBox::No);
    recordMessage(parent, request, question ? u"question: "_s : u"message: "_s);
    return question ? answer : QMessageBox::Ok;
}

void AppFixture::openBox(QWidget *parent, const MessageRequest &request)
{
    recordMessage(parent, request, u"box: "_s);
}

void AppFixture::recordMessage(QWidget *parent, const MessageRequest &request, const QString &kind)
{
    const ProgressWindow *progress = ProgressWindow::existing();
    const QWidget *onScreen = progress && progress->isVisible()
                                  ? static_cast<const QWidget *>(progress)
                                  : MainWindow::existing();
    const bool plain = request.title == u"Tagmender"_s && request.icon == QMessageBox::NoIcon &&
                       parent == onScreen &&
                       (request.buttons == (QMessageBox::Yes | QMessageBox::No) ||
                        request.buttons == QMessageBox::Ok);
    // Only failure lines hold ": " followed by text; their reasons come from the system.
    const QString text = QString(request.text).replace(QRegularExpression(u": .+"_s), u": *"_s);
    record((plain ? u""_s : u"odd "_s) + (request.selectable ? u"selectable "_s : u""_s) + kind +
           text);
}

QString AppFixture::askForFolder(QWidget *parent, const QString &title, const QString &start)
{
    record((parent == MainWindow::existing() ? u""_s : u"odd "_s) + u"folder: "_s + title +
           (start.isEmpty() ? QString() : u" from "_s + start));
    return folderAnswer;
}

bool AppFixture::launch(const QUrl &url)
{
    opened.append(url.toString());
    return true;
}

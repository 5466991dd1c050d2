#include "app/MainWindow.h"

#include "app/Dialogs.h"
#include "app/ImageButton.h"
#include "app/InstalledReadme.h"
#include "app/ProgressWindow.h"
#include "app/RunDriver.h"
#include "app/WindowAccessible.h"
#include "app/WindowDesign.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QScopeGuard>
#include <QUrl>

#include <limits>

namespace {

QPointer<MainWindow> theForm1;

// The client area's design, in twips, and the least it shrinks to on a small screen, in
// pixels: the fields narrower, nothing else.
constexpr int DesignWidth = 9285;
constexpr int DesignHeight = 4500;
constexpr QSize Smallest(480, 300);

void paintWhite(QWidget *widget)
{
    // The colours of the text go with the forced white: under a dark desktop theme the
    // inherited ones are light, and would vanish on white. The check box's square is drawn
    // in Base and Text.
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    widget->setPalette(palette);
    // A check box fills with the button colour unless told otherwise.
    widget->setBackgroundRole(QPalette::Window);
    widget->setAutoFillBackground(true);
}

} // namespace

MainWindow *MainWindow::instance()
{
    if (!theForm1) {
        theForm1 = new MainWindow;
    }
    return theForm1;
}

MainWindow *MainWindow::existing()
{
    return theForm1;
}

MainWindow::MainWindow() : m_driver(std::make_unique<RunDriver>(*this))
{
    setObjectName(QStringLiteral("Form1"));
    WindowAccessible::install();
    fixWindowDesign(this, DesignWidth, DesignHeight, Smallest);
    // The program gives every window its icon (main.cpp); a main window built without that
    // (the GUI tests) brings its own. Decoding the pictures twice would cost every start.
    if (QGuiApplication::windowIcon().isNull()) {
        setWindowIcon(applicationIcon());
    }
    paintWhite(this);
    buildFields();
    buildImages();
    // The check box lies under the folder field but comes last when tabbing.
    setTabOrder(folderField, searchField);
    setTabOrder(searchField, replacementField);
    setTabOrder(replacementField, subfolderOption);
    folderField->setFocus();
    connectActions();
    centreOnScreen(this);
}

MainWindow::~MainWindow()
{
    // The progress window belongs to the program, not to this window, but it never
    // outlives it: whoever ends the program deletes this one last.
    delete ProgressWindow::existing();
}

void MainWindow::buildFields()
{
    folderLabel = addLabel(QStringLiteral("Label1"), QStringLiteral("Folder with HTML-files :"));
    placeInTwips(folderLabel, 360, 840, 2415, 255);
    folderField = addTextField(QStringLiteral("Text1"));
    // On a screen too small for the design the fields take the loss, the browse button beside
    // the folder field moving with its end.
    const QSize shortfall = designShortfall(this, DesignWidth, DesignHeight);
    placeInTwips(folderField, 2760, 840, 4215, 285, shortfall, Qt::RightEdge);
    searchLabel = addLabel(QStringLiteral("Label2"), QStringLiteral("Text to search for :"));
    placeInTwips(searchLabel, 720, 2040, 1935, 255);
    searchField = addTextField(QStringLiteral("Text2"));
    placeInTwips(searchField, 2760, 2040, 4215, 285, shortfall, Qt::RightEdge);
    replacementLabel = addLabel(QStringLiteral("Label3"), QStringLiteral("Text to replace with :"));
    placeInTwips(replacementLabel, 480, 2760, 2175, 255);
    replacementField = addTextField(QStringLiteral("Text3"));
    placeInTwips(replacementField, 2760, 2760, 4215, 285, shortfall, Qt::RightEdge);
    // Screen readers name each field by the label beside it. The label texts hold no '&', so
    // the labels take no mnemonic and a click on one still leaves the focus where it was.
    folderLabel->setBuddy(folderField);
    searchLabel->setBuddy(searchField);
    replacementLabel->setBuddy(replacementField);

    subfolderOption = new QCheckBox(QStringLiteral("Include subfolders"), this);
    subfolderOption->setObjectName(QStringLiteral("Check1"));
    subfolderOption->setFont(designFont(8.25));
    paintWhite(subfolderOption);
    placeInTwips(subfolderOption, 2760, 1320, 3495, 255);
}

void MainWindow::buildImages()
{
    // The pictures take no focus, so each has the shortcut a desktop user would try first.
    browseButton = addImage(QStringLiteral("Image1"), QStringLiteral("browse"),
                            QStringLiteral("Browse ..."), QKeySequence(Qt::ALT | Qt::Key_B));
    placeInTwips(browseButton, 7080, 720, 1740, 450,
                 designShortfall(this, DesignWidth, DesignHeight), Qt::LeftEdge | Qt::RightEdge);
    startButton = addImage(QStringLiteral("Image2"), QStringLiteral("start"),
                           QStringLiteral("Start !"), QKeySequence(Qt::ALT | Qt::Key_S));
    placeInTwips(startButton, 5280, 3600, 1875, 615);
    informationButton = addImage(QStringLiteral("Image3"), QStringLiteral("info"),
                                 QStringLiteral("About Tagmender"), QKeySequence(Qt::Key_F1));
    placeInTwips(informationButton, 4440, 3600, 615, 615);
}

ImageButton *MainWindow::addImage(const QString &name, const QString &picture, const QString &text,
                                  const QKeySequence &shortcut)
{
    auto *image =
        new ImageButton(QStringLiteral(":/images/%1.png").arg(picture), text, shortcut, this);
    image->setObjectName(name);
    return image;
}

QLabel *MainWindow::addLabel(const QString &name, const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setFont(designFont(8.25));
    paintWhite(label);
    return label;
}

QLineEdit *MainWindow::addTextField(const QString &name)
{
    auto *field = new QLineEdit(this);
    field->setObjectName(name);
    // Any length: a search text may be a whole paragraph.
    field->setMaxLength(std::numeric_limits<int>::max());
    return field;
}

void MainWindow::connectActions()
{
    connect(folderField, &QLineEdit::textChanged, this, &MainWindow::folderChanged);
    connect(browseButton, &ImageButton::clicked, this, &MainWindow::browse);
    connect(startButton, &ImageButton::clicked, this, &MainWindow::start);
    connect(informationButton, &ImageButton::clicked, this, &MainWindow::showInformation);
}

void MainWindow::folderChanged()
{
    // Both lists are pointed before either is re-read; a refusal (a partly typed path, a
    // file's name) leaves that list where it was and is not worth a word to the user.
    fileEntries.setPath(folderField->text());
    folderEntries.setPath(folderField->text());
    fileEntries.refresh();
    folderEntries.refresh();
}

void MainWindow::browse()
{
    // The chooser starts at the folder the field names; otherwise it preselects nothing.
    const QFileInfo named(folderField->text());
    const QString chosen = Dialogs::chooseFolder(
        this,
        QStringLiteral("Hello World. Click on a directory and it's path will be "
                       "displayed in a message box"),
        !folderField->text().isEmpty() && named.isDir() ? named.absoluteFilePath() : QString());
    if (chosen.isEmpty()) {
        return;
    }
    // Setting the text runs folder tracking already; the lists are pointed again from the
    // field, each one refreshed before the next is touched.
    folderField->setText(QDir::toNativeSeparators(chosen));
    fileEntries.setPath(folderField->text());
    fileEntries.refresh();
    folderEntries.setPath(folderField->text());
    folderEntries.refresh();
}

void MainWindow::start()
{
    m_stopRequested = false;
    m_runUnderWay = true;
    const auto over = qScopeGuard([this] { m_runUnderWay = false; });
    m_driver->run();
}

void MainWindow::undoRun(const QString &journal)
{
    if (m_runUnderWay) {
        return;
    }
    m_stopRequested = false;
    m_runUnderWay = true;
    const auto over = qScopeGuard([this] { m_runUnderWay = false; });
    m_driver->undo(journal);
}

void MainWindow::showInformation()
{
    // Help is what comes with the program: its README, found where it was installed (not in a
    // build folder), and the command-line tool's own help.
    const QString readme = installedReadme();
    const QString text =
        QStringLiteral("This is Tagmender " TAGMENDER_VERSION ". Questions about it, ideas or a "
                       "bug to report? Help is here:\r\n\r\n") +
        (readme.isEmpty() ? QStringLiteral("The README.md that came with Tagmender")
                          : QStringLiteral("The README: ") + readme) +
        QStringLiteral("\r\nFor the command line: tagmender-batch --help");
    // The box returns at once: a run under way while it is open goes on.
    Dialogs::inform(this, text, readme.isEmpty() ? QString() : QStringLiteral("Open README"),
                    QUrl::fromLocalFile(readme));
}

void MainWindow::showEvent(QShowEvent *event)
{
    m_closeRequested = false;
    m_ended = false;
    QWidget::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing is never refused. A run under way notices closeRequested() and stops cleanly
    // between two files; a visible progress window keeps the program alive until it closes.
    m_closeRequested = true;
    event->accept();
    const ProgressWindow *progress = ProgressWindow::existing();
    if (!progress || !progress->isVisible()) {
        endProgram();
    }
}

void MainWindow::progressWindowClosed()
{
    if (m_closeRequested) {
        endProgram();
    }
}

void MainWindow::endProgram()
{
    if (m_ended) {
        return;
    }
    m_ended = true;
    // A hidden progress window (after a run that found nothing) goes too.
    if (ProgressWindow *progress = ProgressWindow::existing()) {
        progress->close();
    }
    Q_EMIT programEnded();
}

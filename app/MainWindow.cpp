#include "MainWindow.h"

#include "Dialogs.h"
#include "ImageButton.h"
#include "InstalledReadme.h"
#include "RunDriver.h"
#include "WindowAccessible.h"
#include "WindowDesign.h"

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
    setTabOrder(m_folderField, m_searchField);
    setTabOrder(m_searchField, m_replacementField);
    setTabOrder(m_replacementField, m_subfolderOption);
    m_folderField->setFocus();
    connectActions();
    centreOnScreen(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildFields()
{
    m_folderLabel = addLabel(QStringLiteral("Label1"), tr("Folder with HTML-files :"));
    placeInTwips(m_folderLabel, 360, 840, 2415, 255);
    m_folderField = addTextField(QStringLiteral("Text1"));
    // On a screen too small for the design the fields take the loss, the browse button beside
    // the folder field moving with its end.
    const QSize shortfall = designShortfall(this, DesignWidth, DesignHeight);
    placeInTwips(m_folderField, 2760, 840, 4215, 285, shortfall, Qt::RightEdge);
    m_searchLabel = addLabel(QStringLiteral("Label2"), tr("Text to search for :"));
    placeInTwips(m_searchLabel, 720, 2040, 1935, 255);
    m_searchField = addTextField(QStringLiteral("Text2"));
    placeInTwips(m_searchField, 2760, 2040, 4215, 285, shortfall, Qt::RightEdge);
    m_replacementLabel = addLabel(QStringLiteral("Label3"), tr("Text to replace with :"));
    placeInTwips(m_replacementLabel, 480, 2760, 2175, 255);
    m_replacementField = addTextField(QStringLiteral("Text3"));
    placeInTwips(m_replacementField, 2760, 2760, 4215, 285, shortfall, Qt::RightEdge);
    // Screen readers name each field by the label beside it. The label texts hold no '&', so
    // the labels take no mnemonic and a click on one still leaves the focus where it was.
    m_folderLabel->setBuddy(m_folderField);
    m_searchLabel->setBuddy(m_searchField);
    m_replacementLabel->setBuddy(m_replacementField);

    m_subfolderOption = new QCheckBox(tr("Include subfolders"), this);
    m_subfolderOption->setObjectName(QStringLiteral("Check1"));
    m_subfolderOption->setFont(designFont(8.25));
    paintWhite(m_subfolderOption);
    placeInTwips(m_subfolderOption, 2760, 1320, 3495, 255);
}

void MainWindow::buildImages()
{
    // The pictures take no focus, so each has the shortcut a desktop user would try first.
    m_browseButton = addImage(QStringLiteral("Image1"), QStringLiteral("browse"), tr("Browse ..."),
                              QKeySequence(Qt::ALT | Qt::Key_B));
    placeInTwips(m_browseButton, 7080, 720, 1740, 450,
                 designShortfall(this, DesignWidth, DesignHeight), Qt::LeftEdge | Qt::RightEdge);
    m_startButton = addImage(QStringLiteral("Image2"), QStringLiteral("start"), tr("Start !"),
                             QKeySequence(Qt::ALT | Qt::Key_S));
    placeInTwips(m_startButton, 5280, 3600, 1875, 615);
    m_informationButton = addImage(QStringLiteral("Image3"), QStringLiteral("info"),
                                   tr("About Tagmender"), QKeySequence(Qt::Key_F1));
    placeInTwips(m_informationButton, 4440, 3600, 615, 615);
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
    // A refusal (a partly typed path, a file's name) leaves the folder where it was and is not
    // worth a word to the user.
    connect(m_folderField, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_folder.setPath(text); });
    connect(m_browseButton, &ImageButton::clicked, this, &MainWindow::browse);
    connect(m_startButton, &ImageButton::clicked, this, &MainWindow::start);
    connect(m_informationButton, &ImageButton::clicked, this, &MainWindow::showInformation);
}

void MainWindow::browse()
{
    // The chooser starts at the folder the field names; otherwise it preselects nothing.
    const QFileInfo named(m_folderField->text());
    const QString chosen = Dialogs::chooseFolder(
        this,
        tr("Hello World. Click on a directory and it's path will be displayed in a message box"),
        !m_folderField->text().isEmpty() && named.isDir() ? named.absoluteFilePath() : QString());
    if (chosen.isEmpty()) {
        return;
    }
    // Setting the text runs folder tracking.
    m_folderField->setText(QDir::toNativeSeparators(chosen));
}

void MainWindow::start()
{
    m_stopRequested = false;
    m_runUnderWay = true;
    const auto over = qScopeGuard([this] { m_runUnderWay = false; });
    m_driver->run(RunInput{m_folderField->text(), m_searchField->text(), m_replacementField->text(),
                           m_subfolderOption->checkState() == Qt::Checked});
}

void MainWindow::setInputEnabled(bool enabled)
{
    const QList<QWidget *> controls{m_folderField,     m_searchField,  m_replacementField,
                                    m_subfolderOption, m_browseButton, m_startButton};
    for (QWidget *control : controls) {
        control->setEnabled(enabled);
    }
}

QString MainWindow::trackFolder(const QString &text)
{
    return m_folder.setPath(text) ? m_folder.path() : text;
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
        tr("This is Tagmender %1. Questions about it, ideas or a bug to report? Help is here:"
           "\r\n\r\n")
            .arg(QStringLiteral(TAGMENDER_VERSION)) +
        (readme.isEmpty() ? tr("The README.md that came with Tagmender")
                          : tr("The README: ") + readme) +
        tr("\r\nFor the command line: tagmender-batch --help");
    // The box returns at once: a run under way while it is open goes on.
    Dialogs::inform(this, text, readme.isEmpty() ? QString() : tr("Open README"),
                    QUrl::fromLocalFile(readme));
}

void MainWindow::showEvent(QShowEvent *event)
{
    m_closeRequested = false;
    QWidget::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing is never refused. A run under way notices closeRequested() and stops cleanly
    // between two files; whether the program ends is the program's decision (Program).
    m_closeRequested = true;
    event->accept();
    Q_EMIT closed();
}

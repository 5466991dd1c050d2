#include "Form1.h"

#include "Dialogs.h"
#include "Form2.h"
#include "ImageButton.h"
#include "RunDriver.h"
#include "WindowDesign.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QScopeGuard>

#include <limits>

namespace {

QPointer<Form1> theForm1;

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

Form1 *Form1::instance()
{
    if (!theForm1) {
        theForm1 = new Form1;
    }
    return theForm1;
}

Form1 *Form1::existing()
{
    return theForm1;
}

Form1::Form1()
{
    setObjectName(QStringLiteral("Form1"));
    fixWindowDesign(this, 9285, 4500);
    setWindowIcon(applicationIcon());
    paintWhite(this);
    buildFields();
    buildImages();
    // The check box lies under the folder field but comes last when tabbing.
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Check1);
    Text1->setFocus();
    connectActions();
    centreOnScreen(this);
}

Form1::~Form1()
{
    // The progress window belongs to the program, not to this window, but it never
    // outlives it: whoever ends the program deletes this one last.
    delete Form2::existing();
}

void Form1::buildFields()
{
    Label1 = addLabel(QStringLiteral("Label1"), QStringLiteral("Folder with HTML-files :"));
    placeInTwips(Label1, 360, 840, 2415, 255);
    Text1 = addTextField(QStringLiteral("Text1"));
    placeInTwips(Text1, 2760, 840, 4215, 285);
    Label2 = addLabel(QStringLiteral("Label2"), QStringLiteral("Text to search for :"));
    placeInTwips(Label2, 720, 2040, 1935, 255);
    Text2 = addTextField(QStringLiteral("Text2"));
    placeInTwips(Text2, 2760, 2040, 4215, 285);
    Label3 = addLabel(QStringLiteral("Label3"), QStringLiteral("Text to replace with :"));
    placeInTwips(Label3, 480, 2760, 2175, 255);
    Text3 = addTextField(QStringLiteral("Text3"));
    placeInTwips(Text3, 2760, 2760, 4215, 285);
    // Screen readers name each field by the label beside it. The label texts hold no '&', so
    // the labels take no mnemonic and a click on one still leaves the focus where it was.
    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);
    Label3->setBuddy(Text3);

    Check1 = new QCheckBox(QStringLiteral("Include subfolders"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setFont(designFont(8.25));
    paintWhite(Check1);
    placeInTwips(Check1, 2760, 1320, 3495, 255);
}

void Form1::buildImages()
{
    // The pictures take no focus, so each has the shortcut a desktop user would try first.
    Image1 = addImage(QStringLiteral("Image1"), QStringLiteral("browse"),
                      QStringLiteral("Browse ..."), QKeySequence(Qt::ALT | Qt::Key_B));
    placeInTwips(Image1, 7080, 720, 1740, 450);
    Image2 = addImage(QStringLiteral("Image2"), QStringLiteral("start"), QStringLiteral("Start !"),
                      QKeySequence(Qt::ALT | Qt::Key_S));
    placeInTwips(Image2, 5280, 3600, 1875, 615);
    Image3 = addImage(QStringLiteral("Image3"), QStringLiteral("info"),
                      QStringLiteral("About Tagmender"), QKeySequence(Qt::Key_F1));
    placeInTwips(Image3, 4440, 3600, 615, 615);
}

ImageButton *Form1::addImage(const QString &name, const QString &picture, const QString &text,
                             const QKeySequence &shortcut)
{
    auto *image =
        new ImageButton(QStringLiteral(":/images/%1.png").arg(picture), text, shortcut, this);
    image->setObjectName(name);
    return image;
}

QLabel *Form1::addLabel(const QString &name, const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setFont(designFont(8.25));
    paintWhite(label);
    return label;
}

QLineEdit *Form1::addTextField(const QString &name)
{
    auto *field = new QLineEdit(this);
    field->setObjectName(name);
    // Any length: a search text may be a whole paragraph.
    field->setMaxLength(std::numeric_limits<int>::max());
    return field;
}

void Form1::connectActions()
{
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Image1, &ImageButton::clicked, this, &Form1::Image1_Click);
    connect(Image2, &ImageButton::clicked, this, &Form1::Image2_Click);
    connect(Image3, &ImageButton::clicked, this, &Form1::Image3_Click);
}

void Form1::Text1_Change()
{
    // Both lists are pointed before either is re-read; a refusal (a partly typed path, a
    // file's name) leaves that list where it was and is not worth a word to the user.
    File1.setPath(Text1->text());
    Dir1.setPath(Text1->text());
    File1.refresh();
    Dir1.refresh();
}

void Form1::Image1_Click()
{
    // The chooser starts at the folder the field names; otherwise it preselects nothing.
    const QFileInfo named(Text1->text());
    const QString chosen = Dialogs::chooseFolder(
        this,
        QStringLiteral("Hello World. Click on a directory and it's path will be "
                       "displayed in a message box"),
        !Text1->text().isEmpty() && named.isDir() ? named.absoluteFilePath() : QString());
    if (chosen.isEmpty()) {
        return;
    }
    // Setting the text runs folder tracking already; the lists are pointed again from the
    // field, each one refreshed before the next is touched.
    Text1->setText(QDir::toNativeSeparators(chosen));
    File1.setPath(Text1->text());
    File1.refresh();
    Dir1.setPath(Text1->text());
    Dir1.refresh();
}

void Form1::Image2_Click()
{
    m_stopRequested = false;
    m_runUnderWay = true;
    const auto over = qScopeGuard([this] { m_runUnderWay = false; });
    RunDriver(*this).run();
}

void Form1::undoRun(const QString &journal)
{
    if (m_runUnderWay) {
        return;
    }
    m_stopRequested = false;
    m_runUnderWay = true;
    const auto over = qScopeGuard([this] { m_runUnderWay = false; });
    RunDriver(*this).undo(journal);
}

void Form1::Image3_Click()
{
    // The box returns at once: a run under way while it is open goes on.
    Dialogs::inform(this, QStringLiteral("Questions about Tagmender, ideas or a bug to report? "
                                         "You are welcome at:") +
                              QStringLiteral("\r\n\r\n") + QStringLiteral(TAGMENDER_WEB_ADDRESS));
}

void Form1::showEvent(QShowEvent *event)
{
    m_closeRequested = false;
    m_ended = false;
    QWidget::showEvent(event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing is never refused. A run under way notices closeRequested() and stops cleanly
    // between two files; a visible progress window keeps the program alive until it closes.
    m_closeRequested = true;
    event->accept();
    const Form2 *progress = Form2::existing();
    if (!progress || !progress->isVisible()) {
        endProgram();
    }
}

void Form1::progressWindowClosed()
{
    if (m_closeRequested) {
        endProgram();
    }
}

void Form1::endProgram()
{
    if (m_ended) {
        return;
    }
    m_ended = true;
    // A hidden progress window (after a run that found nothing) goes too.
    if (Form2 *progress = Form2::existing()) {
        progress->close();
    }
    Q_EMIT programEnded();
}

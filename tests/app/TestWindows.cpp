// The windows: the design of both (frames, controls, fonts, colours and pictures), and the main
// window outside a run (clicks and keys, the folder field typed or chosen).

#include "app/WindowDesign.h"
#include "tests/app/AppFixture.h"

#include <QFileDialog>
#include <QFontInfo>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

const QString ChooserTitle =
    u"folder: Hello World. Click on a directory and it's path will be displayed in a message box"_s;

class TestWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Drawn under a dark desktop theme: light text on dark windows. The white main window
        // must stay legible all the same.
        const QColor light(0xee, 0xee, 0xee), dark(0x35, 0x35, 0x35);
        QApplication::setPalette(QPalette(light, dark, dark.lighter(), dark.darker(), dark, light,
                                          QColor(0x2a, 0x2a, 0x2a)));
        // The folder chooser's settings would land here.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }
    void init();
    void cleanup()
    {
        m_app.reset();
        delete MainWindow::existing();
        delete ProgressWindow::existing();
    }
    void design_data();
    void design();
    void screen();
    // The pictures come twice as large for high-density screens, the window icon in every size
    // the desktop asks for.
    void artwork()
    {
        for (const QString &name : {u"browse"_s, u"start"_s, u"info"_s})
            QCOMPARE(QImage(u":/images/%1@2x.png"_s.arg(name)).size(),
                     QImage(u":/images/%1.png"_s.arg(name)).size() * 2);
        for (const int size : {16, 32, 48, 256})
            QCOMPARE(QImage(u":/icons/tagmender-%1.png"_s.arg(size)).size(), QSize(size, size));
    }
    void clicksAndKeys();
    void systemChooser();

private:
    QTemporaryDir m_config;
    const QString m_readme =
        QFileInfo(QCoreApplication::applicationDirPath() + u"/" TAGMENDER_DOC_DIR "/README.md"_s)
            .absoluteFilePath();
    std::unique_ptr<AppFixture> m_app;
};

void TestWindows::design_data()
{
    QTest::addColumn<QString>("text"); // the title of a window, the tooltip of a picture
    QTest::addColumn<qreal>("points"); // Verdana bold; 0 for the platform's font
    QTest::addColumn<QString>("name"); // for screen readers; "" when it is the text

    const QString title = u"Tagmender - by the Tagmender developers"_s;
    const QString caption = u"Files that have been changed :"_s;
    const auto row = [](const char *name, const QString &text, qreal points,
                        const QString &spoken = {}) {
        QTest::newRow(name) << text << points << spoken;
    };
    row("Form1", title, 0.0);
    row("Label1", u"Folder with HTML-files :"_s, 8.25);
    row("Text1", {}, 0.0, u"Folder with HTML-files :"_s);
    row("Label2", u"Text to search for :"_s, 8.25);
    row("Text2", {}, 0.0, u"Text to search for :"_s);
    row("Label3", u"Text to replace with :"_s, 8.25);
    row("Text3", {}, 0.0, u"Text to replace with :"_s);
    row("Check1", u"Include subfolders"_s, 8.25);
    row("Image1", u"Browse ... (Alt+B)"_s, 0.0, u"Browse ..."_s);
    row("Image2", u"Start ! (Alt+S)"_s, 0.0, u"Start !"_s);
    row("Image3", u"About Tagmender (F1)"_s, 0.0, u"About Tagmender"_s);
    row("Form2", title, 0.0);
    row("Form2.List1", {}, 8.25, caption);
    row("Form2.ProgressBar1", {}, 0.0, u"Progress"_s);
    row("Form2.Label1", u"Label1"_s, 12.0);
    row("Form2.Label2", caption, 8.25);
}

void TestWindows::design()
{
    QFETCH(QString, text);
    QFETCH(qreal, points);
    QFETCH(QString, name);

    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    const bool main = !tag.startsWith(u"Form2"_s);
    QWidget *window =
        main ? static_cast<QWidget *>(MainWindow::instance()) : ProgressWindow::instance();
    QWidget *widget =
        tag == window->objectName()
            ? window
            : window->findChild<QWidget *>(tag.section(u'.', -1), Qt::FindDirectChildrenOnly);
    QVERIFY(widget);
    QCOMPARE(widget->testAttribute(Qt::WA_SetFont), points > 0);
    if (points > 0) {
        QCOMPARE(widget->font().families().value(0), u"Verdana"_s);
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().weight(), QFont::Bold);
        // Where Verdana is missing, its metric twin, not any sans.
        const QString family = QFontInfo(widget->font()).family();
        QVERIFY2(family == u"Verdana"_s || family == u"DejaVu Sans"_s, qPrintable(family));
    }
    const auto *image = qobject_cast<ImageButton *>(widget);
    const char *shown = widget->isWindow() ? "windowTitle" : image ? "toolTip" : "text";
    if (!text.isEmpty())
        QCOMPARE(widget->property(shown).toString(), text);
    QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(widget);
    QCOMPARE(spoken->text(QAccessible::Name), name.isEmpty() ? text : name);
    // Windows, not fillers; the status line is what "read the status bar" reads.
    if (widget->isWindow() || tag == u"Form2.Label1"_s)
        QCOMPARE(spoken->role(), widget->isWindow() ? QAccessible::Window : QAccessible::StatusBar);
    if (image) {
        // A button to assistive technology (the main window's test presses it that way).
        QCOMPARE(spoken->role(), QAccessible::Button);
        // The picture at its natural size, which the design gives as the control's.
        QCOMPARE(image->pixmap().deviceIndependentSize().toSize(), image->size());
    }
    if (auto *field = qobject_cast<QLineEdit *>(widget))
        QCOMPARE(field->maxLength(), std::numeric_limits<int>::max());
    // The main window is white, and so are its Verdana controls: the labels and check box.
    if (main && (points > 0 || widget->isWindow())) {
        // What is drawn counts: the top right corner, away from any text.
        const QImage drawn = widget->grab().toImage();
        QCOMPARE(drawn.pixelColor(drawn.width() - 1, 0), QColor(Qt::white));
        // Its text a grey of 118 or less: the contrast of 4.5 to 1 the web's guidelines ask for.
        QVERIFY(qGray(widget->palette().color(QPalette::WindowText).rgb()) <= 118);
    }
    if (widget->isWindow()) {
        QCOMPARE(widget->minimumSize(), widget->maximumSize());
        QVERIFY(!widget->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    }
    if (widget == MainWindow::existing()) {
        QVERIFY(widget->windowIcon().availableSizes().contains(QSize(32, 32)));
        QCOMPARE(widget->findChild<QCheckBox *>(u"Check1"_s)->checkState(), Qt::Unchecked);
    }
}

// Both windows keep their design where the screen's available area holds it with the frame,
// and shrink to that area otherwise, their lists and fields with them, never reaching off it
// (the title bar least of all). CTest also runs this on a 1366x768 screen at a scale of 2.
void TestWindows::screen()
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ProgressWindow::instance()->addFailure(u"page.htm"_s, u"a reason"_s);
    for (QWidget *window : {static_cast<QWidget *>(MainWindow::instance()),
                            static_cast<QWidget *>(ProgressWindow::instance())}) {
        const QSize design = window == MainWindow::existing() ? QSize(619, 300) : QSize(765, 492);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QRect frame = window->frameGeometry();
        QVERIFY2(area.contains(frame), qPrintable(window->objectName()));
        if (area.size().shrunkBy({0, 40, 0, 0}).expandedTo(design) == area.size())
            QCOMPARE(window->size(), design);
        // Every control within the window, and no list, bar or picture over another (labels
        // and fields touch by design).
        QList<QWidget *> controls = window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        controls.removeIf([&](const QWidget *control) { return !control->isVisibleTo(window); });
        for (const QWidget *control : controls) {
            QVERIFY(window->rect().contains(control->geometry()));
            for (const QWidget *other : controls)
                QVERIFY2(other == control || qMin(other->height(), control->height()) < 20 ||
                             !other->geometry().intersects(control->geometry()),
                         qPrintable(control->objectName() + u" on "_s + other->objectName()));
        }
    }
    // Even a window larger than the screen has its title bar on it.
    QWidget large;
    large.resize(area.size() * 2);
    centreOnScreen(&large);
    QCOMPARE(large.pos(), area.topLeft());
}

// The program started on a site, with a README where it would be had the test program been
// installed.
void TestWindows::init()
{
    m_app = std::make_unique<AppFixture>();
    QVERIFY(QDir().mkpath(QFileInfo(m_readme).path()));
    QFile readme(m_readme);
    QVERIFY(readme.open(QIODevice::WriteOnly));
    QVERIFY(m_app->write(u"site/a.htm"_s, AppFixture::PageWithText));
    QVERIFY(QDir().mkpath(m_app->path(u"site/sub"_s)));
}

// Each picture does its one thing when clicked (in a corner too), pressed by a screen reader or
// reached by its shortcut, wherever the focus is, and takes no focus. Nothing else in the window
// starts anything: not a right click, a label, nor Enter or Escape in a field.
void TestWindows::clicksAndKeys()
{
    MainWindow *form = MainWindow::instance();
    const auto control = [](const char *name) { return AppFixture::control(QLatin1String(name)); };
    // Fields that pass every check: a started run asks for confirmation, answered No.
    AppFixture::control<QLineEdit>(u"Text1"_s)->setText(m_app->path(u"site"_s));
    AppFixture::control<QLineEdit>(u"Text2"_s)->setText(u"Home"_s);
    AppFixture::control<QLineEdit>(u"Text3"_s)->setText(u"Start"_s);
    m_app->answer = QMessageBox::No;
    const QStringList does{
        ChooserTitle + u" from "_s + m_app->path(u"site"_s), // the field names the site
        u"question: "_s + AppFixture::Confirmation,
        u"box: This is Tagmender " TAGMENDER_VERSION ". Questions about it, ideas or a bug to "
        "report? Help is here:\r\n\r\nThe README: *\nFor the command line: * [Open README]"_s};
    const QList<QWidget *> fields{control("Text1"), control("Text3"), control("Check1")};
    for (qsizetype i = 0; i < does.size(); ++i) {
        auto *picture = AppFixture::control<ImageButton>(u"Image%1"_s.arg(i + 1));
        fields.at(i)->setFocus();
        QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(2, picture->height() - 2));
        QTest::mouseClick(picture, Qt::RightButton);
        QAccessible::queryAccessibleInterface(picture)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        QTest::keySequence(fields.at(i), picture->shortcut());
        QCOMPARE(m_app->transcript, QStringList(3, does.at(i)));
        QCOMPARE(QApplication::focusWidget(), fields.at(i));
        m_app->transcript.clear();
    }
    QTest::mouseClick(control("Label2"), Qt::LeftButton);
    for (QWidget *field : fields.sliced(1))
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(field, key);
    QCOMPARE(m_app->transcript, QStringList());
    QCOMPARE(QApplication::focusWidget(), control("Check1"));
    QVERIFY(form->isVisible() && !ProgressWindow::existing());
    // The real information box returns at once (a run goes on meanwhile), blocking only this
    // window. Should it wait for its answer instead, this closes it. It tells where the README
    // is and offers to open it.
    Dialogs::install(nullptr);
    QTimer::singleShot(0, form, [] { QApplication::activeModalWidget()->close(); });
    QTest::mouseClick(control("Image3"), Qt::LeftButton);
    const auto *box = form->findChild<QMessageBox *>();
    QVERIFY(box && box->isVisible() && box->windowModality() == Qt::WindowModal);
    QVERIFY(box->text().contains(u"The README: "_s + QDir::toNativeSeparators(m_readme)));
    QCOMPARE(box->buttons().constLast()->text(), u"Open README"_s);
    // Enter means OK, whatever the theme.
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::Ok));
    // A box for a short text is wide enough for its title beside the frame's icon and buttons.
    Dialogs::inform(form, u"OK"_s);
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int titleBar = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    QVERIFY(form->findChildren<QMessageBox *>().constLast()->width() >=
            QFontMetrics(titleFont).horizontalAdvance(u"Tagmender"_s) + 4 * titleBar);
    Dialogs::install(m_app.get());
    // The check box lies under the folder field but comes last.
    const QStringList tabs{u"Text1"_s, u"Text2"_s, u"Text3"_s, u"Check1"_s, u"Text1"_s};
    control("Text1")->setFocus();
    for (qsizetype i = 0; i + 1 < tabs.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), tabs.at(i + 1));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), control("Check1"));
}

// The system's chooser opens at the folder the field names, and Enter takes that folder. With
// no such folder it preselects nothing, and the user cancels.
void TestWindows::systemChooser()
{
    for (const auto &[field, preselected] :
         {std::pair(u"site/sub/"_s, u"site/sub"_s), std::pair(u"keep"_s, QString())}) {
        MainWindow *form = MainWindow::instance();
        auto *text = AppFixture::control<QLineEdit>(u"Text1"_s);
        text->setText(m_app->path(field));
        QString seen;
        // Runs in the chooser's own event loop, once it is on the screen.
        QTimer::singleShot(0, form, [&] {
            auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            seen = QDir::toNativeSeparators(chooser->selectedFiles().value(0));
            if (!seen.isEmpty())
                QTest::keyClick(chooser, Qt::Key_Return);
            if (chooser->isVisible())
                chooser->reject();
        });
        Dialogs::install(nullptr);
        QTest::mouseClick(AppFixture::control(u"Image1"_s), Qt::LeftButton);
        Dialogs::install(m_app.get());
        QCOMPARE(seen, preselected.isEmpty() ? preselected : m_app->path(preselected));
        QCOMPARE(text->text(), m_app->path(preselected.isEmpty() ? field : preselected));
    }
    // The program keeps nothing from one start to the next, not even the chooser's history.
    QCOMPARE(QDir(m_config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
}

QTEST_MAIN(TestWindows)
#include "TestWindows.moc"

// The design of both windows: frames, controls, fonts and colours.

#include "app/ImageButton.h"
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "app/WindowDesign.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

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
    }
    void cleanup()
    {
        delete MainWindow::existing();
        delete ProgressWindow::existing();
    }
    void design_data();
    void design();
    void screen();
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

QTEST_MAIN(TestWindows)
#include "TestWindows.moc"

// The design of both windows: frames, controls, fonts and colours.

#include "Form1.h"
#include "Form2.h"
#include "ImageButton.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

// What is drawn counts: the top right corner, away from any text.
QColor corner(QWidget *widget)
{
    const QImage drawn = widget->grab().toImage();
    return drawn.pixelColor(drawn.width() - 1, 0);
}

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void frames_data();
    void frames();
    void controls_data();
    void controls();
};

void TestWindows::cleanup()
{
    delete Form1::existing();
    delete Form2::existing();
}

void TestWindows::frames_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("main");
    QTest::addRow("Form1") << QSize(619, 300) << true;
    QTest::addRow("Form2") << QSize(765, 492) << false;
}

void TestWindows::frames()
{
    QFETCH(QSize, size);
    QFETCH(bool, main);

    QWidget *window = main ? static_cast<QWidget *>(Form1::instance()) : Form2::instance();
    QCOMPARE(window->windowTitle(), u"Tagmender - by the Tagmender developers"_s);
    QCOMPARE(window->size(), size);
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(!window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    // The main window is white; the progress window keeps the platform's colour.
    QCOMPARE(window->testAttribute(Qt::WA_SetPalette), main);
    if (main) {
        QCOMPARE(window->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(corner(window), QColor(Qt::white));
        QVERIFY(window->windowIcon().availableSizes().contains(QSize(32, 32)));
        QVERIFY(!Form2::existing());
        QVERIFY(Form1::instance()->List1.isEmpty());
        QCOMPARE(Form1::instance()->Check1->checkState(), Qt::Unchecked);
        // The working lists are no widgets: only the ten designed controls exist.
        QCOMPARE(window->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(), 10);
    } else {
        QVERIFY(!window->isVisible());
        QCOMPARE(Form2::instance()->List1->count(), 0);
        QCOMPARE(Form2::instance()->ProgressBar1->minimum(), 0);
        QCOMPARE(Form2::instance()->ProgressBar1->maximum(), 100);
    }
}

void TestWindows::controls_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text"); // the tooltip of a picture
    QTest::addColumn<qreal>("points"); // Verdana bold; 0 for the platform's font

    QTest::addRow("Label1") << QRect(24, 56, 161, 17) << "Folder with HTML-files :" << 8.25;
    QTest::addRow("Text1") << QRect(184, 56, 281, 19) << "" << 0.0;
    QTest::addRow("Label2") << QRect(48, 136, 129, 17) << "Text to search for :" << 8.25;
    QTest::addRow("Text2") << QRect(184, 136, 281, 19) << "" << 0.0;
    QTest::addRow("Label3") << QRect(32, 184, 145, 17) << "Text to replace with :" << 8.25;
    QTest::addRow("Text3") << QRect(184, 184, 281, 19) << "" << 0.0;
    QTest::addRow("Check1") << QRect(184, 88, 233, 17) << "Include subfolders" << 8.25;
    QTest::addRow("Image1") << QRect(472, 48, 116, 30) << "Browse ..." << 0.0;
    QTest::addRow("Image2") << QRect(352, 240, 125, 41) << "Start !" << 0.0;
    QTest::addRow("Image3") << QRect(296, 240, 41, 41) << "About Tagmender" << 0.0;
    QTest::addRow("Form2.List1") << QRect(40, 104, 689, 290) << "" << 8.25;
    QTest::addRow("Form2.ProgressBar1") << QRect(40, 416, 689, 25) << "" << 0.0;
    QTest::addRow("Form2.Label1") << QRect(40, 32, 569, 25) << "Label1" << 12.0;
    QTest::addRow("Form2.Label2") << QRect(40, 80, 281, 17)
                                  << "Files that have been changed :" << 8.25;
}

void TestWindows::controls()
{
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(qreal, points);

    // Rows of the progress window are named "Form2.NAME".
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    const bool main = !tag.startsWith(u"Form2."_s);
    QWidget *window = main ? static_cast<QWidget *>(Form1::instance()) : Form2::instance();
    auto *widget = window->findChild<QWidget *>(tag.section(u'.', -1), Qt::FindDirectChildrenOnly);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    if (points > 0) {
        QCOMPARE(widget->font().families().value(0), u"Verdana"_s);
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().weight(), QFont::Bold);
        // Where Verdana is missing, its metric twin, not any sans.
        const QString family = QFontInfo(widget->font()).family();
        QVERIFY2(family == u"Verdana"_s || family == u"DejaVu Sans"_s, qPrintable(family));
    } else {
        QVERIFY(!widget->testAttribute(Qt::WA_SetFont));
    }

    if (auto *image = qobject_cast<ImageButton *>(widget)) {
        QCOMPARE(image->focusPolicy(), Qt::NoFocus);
        QCOMPARE(image->toolTip(), text);
        // The picture at its natural size, which the design gives as the control's.
        QCOMPARE(image->pixmap().deviceIndependentSize().toSize(), image->size());
        return;
    }
    if (auto *field = qobject_cast<QLineEdit *>(widget)) {
        QCOMPARE(field->text(), text);
        QCOMPARE(field->maxLength(), std::numeric_limits<int>::max());
    } else if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), text);
    } else if (auto *box = qobject_cast<QCheckBox *>(widget)) {
        QCOMPARE(box->text(), text);
    }
    // The main window's labels and check box are white like it; the others keep the window's.
    if (qobject_cast<QLabel *>(widget) || qobject_cast<QCheckBox *>(widget)) {
        QCOMPARE(widget->autoFillBackground(), main);
        if (main) {
            QCOMPARE(widget->palette().color(QPalette::Window), QColor(Qt::white));
            QCOMPARE(corner(widget), QColor(Qt::white));
        }
    }
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"

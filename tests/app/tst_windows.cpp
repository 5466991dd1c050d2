// The design of both windows: geometry, fonts, colours, captions, frames and focus.

#include "Form1.h"
#include "Form2.h"
#include "ImageButton.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTest>

#include <limits>

namespace {

const QString Caption = QStringLiteral("Tagmender - by the Tagmender developers");

// Where Verdana is missing the labels must fall back to its metric twin, not to any sans.
bool isDesignFamily(const QString &family)
{
    return family == QLatin1String("Verdana") || family == QLatin1String("DejaVu Sans");
}

QWidget *control(QWidget *window, const QString &name)
{
    return window->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
}

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void mainWindowFrame();
    void mainWindowControls_data();
    void mainWindowControls();
    void mainWindowFonts_data();
    void mainWindowFonts();
    void mainWindowIsWhite();
    void mainWindowStartsEmpty();
    void imageButtonsShowTheirPictures_data();
    void imageButtonsShowTheirPictures();
    void tabOrder();
    void progressWindowFrame();
    void progressWindowControls_data();
    void progressWindowControls();
    void progressWindowIsBuiltOnDemand();
};

void TestWindows::cleanup()
{
    delete Form1::existing();
    delete Form2::existing();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestWindows::mainWindowFrame()
{
    Form1 *form = Form1::instance();
    QCOMPARE(form->objectName(), QStringLiteral("Form1"));
    QCOMPARE(form->windowTitle(), Caption);
    QCOMPARE(form->size(), QSize(619, 300));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(form->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!form->windowIcon().isNull());
    QVERIFY(form->windowIcon().availableSizes().contains(QSize(32, 32)));
    QCOMPARE(Form1::instance(), form);
}

void TestWindows::mainWindowControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::addRow("Label1") << "Label1" << QRect(24, 56, 161, 17) << "Folder with HTML-files :";
    QTest::addRow("Text1") << "Text1" << QRect(184, 56, 281, 19) << "";
    QTest::addRow("Label2") << "Label2" << QRect(48, 136, 129, 17) << "Text to search for :";
    QTest::addRow("Text2") << "Text2" << QRect(184, 136, 281, 19) << "";
    QTest::addRow("Label3") << "Label3" << QRect(32, 184, 145, 17) << "Text to replace with :";
    QTest::addRow("Text3") << "Text3" << QRect(184, 184, 281, 19) << "";
    QTest::addRow("Check1") << "Check1" << QRect(184, 88, 233, 17) << "Include subfolders";
    QTest::addRow("Image1") << "Image1" << QRect(472, 48, 116, 30) << "";
    QTest::addRow("Image2") << "Image2" << QRect(352, 240, 125, 41) << "";
    QTest::addRow("Image3") << "Image3" << QRect(296, 240, 41, 41) << "";
}

void TestWindows::mainWindowControls()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    QWidget *widget = control(Form1::instance(), name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    if (auto *label = qobject_cast<QLabel *>(widget);
        label && !qobject_cast<ImageButton *>(widget)) {
        QCOMPARE(label->text(), text);
        QVERIFY(!label->buddy());
    } else if (auto *box = qobject_cast<QCheckBox *>(widget)) {
        QCOMPARE(box->text(), text);
    } else if (auto *field = qobject_cast<QLineEdit *>(widget)) {
        QCOMPARE(field->text(), text);
        QCOMPARE(field->echoMode(), QLineEdit::Normal);
        QCOMPARE(field->maxLength(), std::numeric_limits<int>::max());
    }
}

void TestWindows::mainWindowFonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addRow("Label1") << "Label1";
    QTest::addRow("Label2") << "Label2";
    QTest::addRow("Label3") << "Label3";
    QTest::addRow("Check1") << "Check1";
}

void TestWindows::mainWindowFonts()
{
    QFETCH(QString, name);
    const QFont font = control(Form1::instance(), name)->font();
    QCOMPARE(font.families().value(0), QStringLiteral("Verdana"));
    QCOMPARE(font.pointSizeF(), 8.25);
    QCOMPARE(font.weight(), QFont::Bold);
    QVERIFY2(isDesignFamily(QFontInfo(font).family()), qPrintable(QFontInfo(font).family()));
}

void TestWindows::mainWindowIsWhite()
{
    Form1 *form = Form1::instance();
    for (QWidget *widget :
         {static_cast<QWidget *>(form), static_cast<QWidget *>(form->Label1),
          static_cast<QWidget *>(form->Label2), static_cast<QWidget *>(form->Label3),
          static_cast<QWidget *>(form->Check1)}) {
        QCOMPARE(widget->palette().color(QPalette::Window), QColor(Qt::white));
        // What is drawn counts: a corner of the control, away from its text.
        const QImage drawn = widget->grab().toImage();
        QCOMPARE(drawn.pixelColor(drawn.width() - 1, 0), QColor(Qt::white));
    }
    // The text fields keep the platform's font; only the labels have one of their own.
    QCOMPARE(form->Text1->font(), QApplication::font(form->Text1));
    QVERIFY(!form->Text1->testAttribute(Qt::WA_SetFont));
}

void TestWindows::mainWindowStartsEmpty()
{
    Form1 *form = Form1::instance();
    QVERIFY(form->List1.isEmpty());
    QCOMPARE(form->Check1->checkState(), Qt::Unchecked);
    QVERIFY(!form->Check1->isTristate());
    // The working state is not made of widgets: only the ten designed controls exist.
    QCOMPARE(form->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(), 10);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QCOMPARE(form->focusWidget(), form->Text1);
}

void TestWindows::imageButtonsShowTheirPictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tip");
    QTest::addRow("browse") << "Image1"
                            << "Browse ...";
    QTest::addRow("start") << "Image2"
                           << "Start !";
    QTest::addRow("information") << "Image3"
                                 << "About Tagmender";
}

void TestWindows::imageButtonsShowTheirPictures()
{
    QFETCH(QString, name);
    QFETCH(QString, tip);
    auto *button = qobject_cast<ImageButton *>(control(Form1::instance(), name));
    QVERIFY(button);
    QCOMPARE(button->focusPolicy(), Qt::NoFocus);
    QCOMPARE(button->toolTip(), tip);
    QCOMPARE(button->accessibleName(), tip);
    // The picture is shown at its natural size, which the design gives as the control's size.
    const QPixmap picture = button->pixmap();
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.deviceIndependentSize().toSize(), button->size());
    QVERIFY(!button->hasScaledContents());
}

void TestWindows::tabOrder()
{
    Form1 *form = Form1::instance();
    form->show();
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    QTRY_COMPARE(QApplication::focusWidget(), form->Text1);
    const QList<QWidget *> order{form->Text2, form->Text3, form->Check1, form->Text1};
    for (QWidget *expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), form->Check1);
}

void TestWindows::progressWindowFrame()
{
    Form2 *form = Form2::instance();
    QCOMPARE(form->objectName(), QStringLiteral("Form2"));
    QCOMPARE(form->windowTitle(), Caption);
    QCOMPARE(form->size(), QSize(765, 492));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!form->isVisible());
    // Unlike the main window it keeps the platform's window colour.
    QCOMPARE(form->palette().color(QPalette::Window),
             QApplication::palette(form).color(QPalette::Window));
    QVERIFY(!form->testAttribute(Qt::WA_SetPalette));
    QCOMPARE(form->Label1->text(), QStringLiteral("Label1"));
    QCOMPARE(form->List1->count(), 0);
    QCOMPARE(form->ProgressBar1->minimum(), 0);
    QCOMPARE(form->ProgressBar1->maximum(), 100);
    QCOMPARE(form->ProgressBar1->orientation(), Qt::Horizontal);
}

void TestWindows::progressWindowControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<qreal>("pointSize");
    QTest::addColumn<QString>("text");

    QTest::addRow("List1") << "List1" << QRect(40, 104, 689, 290) << 8.25 << "";
    QTest::addRow("ProgressBar1") << "ProgressBar1" << QRect(40, 416, 689, 25) << 0.0 << "";
    QTest::addRow("Label1") << "Label1" << QRect(40, 32, 569, 25) << 12.0 << "Label1";
    QTest::addRow("Label2") << "Label2" << QRect(40, 80, 281, 17) << 8.25
                            << "Files that have been changed :";
}

void TestWindows::progressWindowControls()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(qreal, pointSize);
    QFETCH(QString, text);

    QWidget *widget = control(Form2::instance(), name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    if (pointSize > 0) {
        QCOMPARE(widget->font().families().value(0), QStringLiteral("Verdana"));
        QCOMPARE(widget->font().pointSizeF(), pointSize);
        QCOMPARE(widget->font().weight(), QFont::Bold);
    }
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), text);
        QVERIFY(!label->autoFillBackground());
    }
}

void TestWindows::progressWindowIsBuiltOnDemand()
{
    Form1::instance()->show();
    QVERIFY(!Form2::existing());

    QPointer<Form2> first = Form2::instance();
    first->List1->addItem(QStringLiteral("stale"));
    first->show();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    QCOMPARE(Form2::instance(), first.data());

    // Closing discards the window and its contents; the next use builds a fresh, hidden one.
    first->close();
    QVERIFY(!Form2::existing());
    QTRY_VERIFY(first.isNull());
    Form2 *second = Form2::instance();
    QVERIFY(!second->isVisible());
    QCOMPARE(second->List1->count(), 0);
    QCOMPARE(second->Label1->text(), QStringLiteral("Label1"));
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"

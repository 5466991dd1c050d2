// The main window outside a run: clicks and keys, and the folder field typed or chosen.

#include "tests/app/AppFixture.h"

#include <QAccessible>
#include <QFileDialog>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

const QString ChooserTitle =
    u"folder: Hello World. Click on a directory and it's path will be displayed in a message box"_s;

class TestForm1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The folder chooser's settings would land here.
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path())); }
    void init();
    void cleanup() { m_app.reset(); }
    void clicksAndKeys();
    void systemChooser();

private:
    QTemporaryDir m_config;
    const QString m_readme =
        QFileInfo(QCoreApplication::applicationDirPath() + u"/" TAGMENDER_DOC_DIR "/README.md"_s)
            .absoluteFilePath();
    std::unique_ptr<AppFixture> m_app;
};

void TestForm1::init()
{
    m_app = std::make_unique<AppFixture>();
    // Where the README would be, had the test program been installed.
    QVERIFY(QDir().mkpath(QFileInfo(m_readme).path()));
    QFile readme(m_readme);
    QVERIFY(readme.open(QIODevice::WriteOnly));
    QVERIFY(m_app->write(u"site/a.htm"_s, AppFixture::PageWithText));
    QVERIFY(QDir().mkpath(m_app->path(u"site/sub"_s)));
}

// Each picture does its one thing when clicked (in a corner too), pressed by a screen reader or
// reached by its shortcut, wherever the focus is, and takes no focus. Nothing else in the window
// starts anything: not a right click, a label, nor Enter or Escape in a field.
void TestForm1::clicksAndKeys()
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
void TestForm1::systemChooser()
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

QTEST_MAIN(TestForm1)
#include "TestForm1.moc"

// The main window outside a run: clicks and keys, and the folder field typed or chosen.

#include "AppFixture.h"
#include "ImageButton.h"
#include "MainWindow.h"
#include "ProgressWindow.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFileDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <QTest>
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
    void clicksAndKeys_data();
    void clicksAndKeys();
    void folderField_data();
    void folderField();
    void systemChooser_data();
    void systemChooser();

private:
    QTemporaryDir m_config;
    std::unique_ptr<AppFixture> m_app;
};

void TestForm1::init()
{
    m_app = std::make_unique<AppFixture>();
    QVERIFY(m_app->write(u"site/a.htm"_s, AppFixture::PageWithText));
    QVERIFY(m_app->write(u"site/b.txt"_s, AppFixture::PageWithText));
    QVERIFY(QDir().mkpath(m_app->path(u"site/sub"_s)));
}

void TestForm1::clicksAndKeys_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<Qt::MouseButton>("button"); // NoButton: the keys are pressed in the target,
    QTest::addColumn<QKeySequence>("keys");      // none: a screen reader presses the target
    QTest::addColumn<QString>("focus");          // afterwards
    QTest::addColumn<QString>("expected");       // the only entry; "" for none
    const auto click = [](const char *name, const char *target, Qt::MouseButton button,
                          const QString &expected = QString()) {
        QTest::newRow(name) << QString::fromLatin1(target) << button << QKeySequence() << u"Text1"_s
                            << expected;
    };
    const auto press = [](const char *field, const QKeySequence &keys, const char *focus,
                          const QString &expected = QString()) {
        QTest::addRow("%s, %s", field, qPrintable(keys.toString()))
            << QString::fromLatin1(field) << Qt::NoButton << keys << QString::fromLatin1(focus)
            << expected;
    };
    const QString question = u"question: "_s + AppFixture::Confirmation;
    const QString chooser = ChooserTitle + u" from %1"_s; // the field names the site
    const QString information =
        u"box: Questions about Tagmender, ideas or a bug to report? You are welcome at:"
        "\r\n\r\n" TAGMENDER_WEB_ADDRESS ""_s;

    // The pictures and labels take no focus, so it stays where it started, in folderField.
    click("browse", "Image1", Qt::LeftButton, chooser);
    click("start", "Image2", Qt::LeftButton, question);
    click("information", "Image3", Qt::LeftButton, information);
    click("start, right", "Image2", Qt::RightButton);
    click("label", "Label2", Qt::LeftButton);
    click("browse, pressed by a screen reader", "Image1", Qt::NoButton, chooser);
    click("start, pressed by a screen reader", "Image2", Qt::NoButton, question);
    for (const char *field : {"Text3", "Check1"}) {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            press(field, key, field);
        }
    }
    // Each picture has its shortcut, wherever the focus is.
    press("Text1", QKeySequence(Qt::ALT | Qt::Key_B), "Text1", chooser);
    press("Text3", QKeySequence(Qt::ALT | Qt::Key_S), "Text3", question);
    press("Check1", Qt::Key_F1, "Check1", information);
    // The check box lies under the folder field but comes last.
    press("Text1", Qt::Key_Tab, "Text2");
    press("Text2", Qt::Key_Tab, "Text3");
    press("Text3", Qt::Key_Tab, "Check1");
    press("Check1", Qt::Key_Tab, "Text1");
    press("Text1", Qt::Key_Backtab, "Check1");
}

void TestForm1::clicksAndKeys()
{
    QFETCH(QString, target);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, focus);
    QFETCH(QString, expected);

    MainWindow *form = MainWindow::instance();
    QCOMPARE(QApplication::focusWidget(), form->folderField);
    // Fields that pass every check: a started run asks for confirmation, answered No.
    form->folderField->setText(m_app->path(u"site"_s));
    form->searchField->setText(u"Home"_s);
    form->replacementField->setText(u"Start"_s);
    form->subfolderOption->setChecked(true);
    m_app->answer = QMessageBox::No;
    auto *widget = form->findChild<QWidget *>(target);
    QVERIFY(widget);
    if (button == Qt::NoButton && keys.isEmpty()) {
        QAccessible::queryAccessibleInterface(widget)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
    } else if (button == Qt::NoButton) {
        widget->setFocus();
        QTest::keySequence(widget, keys);
    } else {
        // A corner of the control counts as much as its middle.
        QTest::mouseClick(widget, button, {}, QPoint(2, widget->height() - 2));
    }

    QCOMPARE(m_app->transcript,
             expected.isEmpty() ? QStringList()
                                : QStringList{expected.replace(u"%1"_s, m_app->path(u"site"_s))});
    QCOMPARE(QApplication::focusWidget(), form->findChild<QWidget *>(focus));
    QVERIFY(form->isVisible());
    QCOMPARE(QStringList({form->folderField->text(), form->searchField->text(),
                          form->replacementField->text()}),
             QStringList({m_app->path(u"site"_s), u"Home"_s, u"Start"_s}));
    QVERIFY(form->subfolderOption->isChecked());
    QCOMPARE(form->folderEntries.path(), m_app->path(u"site"_s));
    QVERIFY(!ProgressWindow::existing());
    QCOMPARE(m_app->read(u"site/a.htm"_s), AppFixture::PageWithText);
}

void TestForm1::folderField_data()
{
    QTest::addColumn<bool>("chosen");    // else typed key by key
    QTest::addColumn<QString>("text");   // relative to the site; "/" is the root
    QTest::addColumn<QString>("folder"); // where both lists end, relative like text

    const auto row = [](const char *name, bool chosen, const char *text, const char *folder) {
        QTest::newRow(name) << chosen << QString::fromLatin1(text) << QString::fromLatin1(folder);
    };

    // Typing follows every text on the way that names a folder, and ignores the others.
    row("typed folder", false, "site", "site");
    row("typed separator at the end", false, "site/", "site");
    row("typed partly", false, "si", "");
    row("typed file", false, "site/a.htm", "site");
    row("emptied", false, "", "");
    row("chosen folder", true, "site", "site");
    row("chosen root", true, "/", "/");
    row("chooser cancelled", true, "", "");
}

void TestForm1::folderField()
{
    QFETCH(bool, chosen);
    QFETCH(QString, text);
    QFETCH(QString, folder);

    const auto resolve = [this](const QString &relative) {
        return relative == u"/"_s ? QDir::toNativeSeparators(QDir::rootPath())
                                  : m_app->path(relative);
    };
    MainWindow *form = MainWindow::instance();
    // The lists follow the site's root; then the field names no folder.
    form->folderField->setText(m_app->path());
    const QString kept = m_app->path(u"keep"_s);
    form->folderField->setText(kept);
    if (chosen) {
        m_app->folderAnswer = text.isEmpty() ? QString() : resolve(text);
        QTest::mouseClick(form->browseButton, Qt::LeftButton);
        QCOMPARE(m_app->transcript, QStringList{ChooserTitle});
        QCOMPARE(form->folderField->text(), text.isEmpty() ? kept : resolve(text));
    } else {
        form->folderField->clear();
        QTest::keyClicks(form->folderField, text.isEmpty() ? text : resolve(text));
        QVERIFY(m_app->transcript.isEmpty());
    }

    QCOMPARE(form->folderEntries.path(), resolve(folder));
    QCOMPARE(form->fileEntries.path(), resolve(folder));
    if (folder == u"site"_s) {
        QCOMPARE(form->folderEntries.entries(), QStringList{u"sub"_s});
        QCOMPARE(form->fileEntries.entries(), QStringList({u"a.htm"_s, u"b.txt"_s}));
    } else if (folder.isEmpty()) {
        QCOMPARE(form->folderEntries.entries(), QStringList{u"site"_s});
        QVERIFY(form->fileEntries.entries().isEmpty());
    }
}

void TestForm1::systemChooser_data()
{
    QTest::addColumn<QString>("field");       // the folder field, relative to the site's root
    QTest::addColumn<QString>("preselected"); // by the chooser; "" for nothing
    QTest::addColumn<QString>("after");       // the field once the chooser is answered
    // The chooser opens at the folder the field names, and Enter takes that folder. With no
    // such folder it preselects nothing, and the user cancels.
    QTest::newRow("field names a folder") << u"site/sub/"_s << u"site/sub"_s << u"site/sub"_s;
    QTest::newRow("field names none") << u"keep"_s << QString() << u"keep"_s;
}

void TestForm1::systemChooser()
{
    QFETCH(QString, field);
    QFETCH(QString, preselected);
    QFETCH(QString, after);

    MainWindow *form = MainWindow::instance();
    form->folderField->setText(m_app->path(field));
    QString seen;
    QTimer user; // waits for the chooser's own event loop, then answers it
    user.callOnTimeout(form, [&] {
        if (auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            user.stop();
            seen = chooser->selectedFiles().value(0);
            if (!seen.isEmpty()) {
                QTest::keyClick(chooser, Qt::Key_Return);
            }
            if (chooser->isVisible()) {
                chooser->reject();
            }
        }
    });
    user.start();
    Dialogs::install(nullptr);
    QTest::mouseClick(form->browseButton, Qt::LeftButton);
    Dialogs::install(m_app.get());

    QCOMPARE(seen, preselected.isEmpty() ? preselected : m_app->path(preselected));
    QCOMPARE(form->folderField->text(), m_app->path(after));
    // The program keeps nothing from one start to the next, not even the chooser's history.
    QCOMPARE(QDir(m_config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

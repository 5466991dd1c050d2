// The main window outside a run: clicks and keys, and the folder field typed or chosen.

#include "AppFixture.h"
#include "ImageButton.h"
#include "MainWindow.h"
#include "ProgressWindow.h"

#include <QAccessible>
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

// Each picture does its one thing when clicked (in a corner too), pressed by a screen reader or
// reached by its shortcut, wherever the focus is, and takes no focus. Nothing else in the window
// starts anything: not a right click, a label, nor Enter or Escape in a field.
void TestForm1::clicksAndKeys()
{
    MainWindow *form = MainWindow::instance();
    // Fields that pass every check: a started run asks for confirmation, answered No.
    form->folderField->setText(m_app->path(u"site"_s));
    form->searchField->setText(u"Home"_s);
    form->replacementField->setText(u"Start"_s);
    m_app->answer = QMessageBox::No;
    const QStringList does{
        ChooserTitle + u" from "_s + m_app->path(u"site"_s), // the field names the site
        u"question: "_s + AppFixture::Confirmation,
        u"box: Questions about Tagmender, ideas or a bug to report? You are welcome at:"
        "\r\n\r\n" TAGMENDER_WEB_ADDRESS ""_s};
    const QList<ImageButton *> pictures{form->browseButton, form->startButton,
                                        form->informationButton};
    const QList<QWidget *> fields{form->folderField, form->replacementField, form->subfolderOption};
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        ImageButton *picture = pictures.at(i);
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
    QTest::mouseClick(form->searchLabel, Qt::LeftButton);
    for (QWidget *field : fields.sliced(1)) {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(field, key);
        }
    }
    QCOMPARE(m_app->transcript, QStringList());
    QCOMPARE(QApplication::focusWidget(), form->subfolderOption);
    QVERIFY(form->isVisible() && !ProgressWindow::existing());
    // The check box lies under the folder field but comes last.
    const QList<QWidget *> tabs{form->folderField, form->searchField, form->replacementField,
                                form->subfolderOption, form->folderField};
    form->folderField->setFocus();
    for (qsizetype i = 0; i + 1 < tabs.size(); ++i) {
        QTest::keyClick(tabs.at(i), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), tabs.at(i + 1));
    }
    QTest::keyClick(form->folderField, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), form->subfolderOption);
}

void TestForm1::folderField_data()
{
    QTest::addColumn<bool>("chosen");    // else typed key by key
    QTest::addColumn<QString>("text");   // relative to the site's root
    QTest::addColumn<QString>("folder"); // where both lists end, relative like text
    // Typing follows every text on the way that names a folder, and ignores the others.
    QTest::newRow("typed file") << false << u"site/a.htm"_s << u"site"_s;
    QTest::newRow("emptied") << false << QString() << QString();
    QTest::newRow("chosen folder") << true << u"site"_s << u"site"_s;
    QTest::newRow("chooser cancelled") << true << QString() << QString();
}

void TestForm1::folderField()
{
    QFETCH(bool, chosen);
    QFETCH(QString, text);
    QFETCH(QString, folder);

    MainWindow *form = MainWindow::instance();
    // The lists follow the site's root; then the field names no folder.
    form->folderField->setText(m_app->path());
    const QString kept = m_app->path(u"keep"_s);
    form->folderField->setText(kept);
    const QString typed = text.isEmpty() ? text : m_app->path(text);
    if (chosen) {
        m_app->folderAnswer = typed;
        QTest::mouseClick(form->browseButton, Qt::LeftButton);
        QCOMPARE(m_app->transcript, QStringList{ChooserTitle});
        QCOMPARE(form->folderField->text(), text.isEmpty() ? kept : typed);
    } else {
        form->folderField->clear();
        QTest::keyClicks(form->folderField, typed);
    }

    QCOMPARE(form->folderEntries.path(), m_app->path(folder));
    QCOMPARE(form->fileEntries.path(), m_app->path(folder));
    if (!folder.isEmpty()) {
        QCOMPARE(form->folderEntries.entries(), QStringList{u"sub"_s});
        QCOMPARE(form->fileEntries.entries(), QStringList({u"a.htm"_s, u"b.txt"_s}));
    }
}

void TestForm1::systemChooser_data()
{
    QTest::addColumn<QString>("field");       // the folder field, relative to the site's root
    QTest::addColumn<QString>("preselected"); // by the chooser, "" for nothing; then the field
    // The chooser opens at the folder the field names, and Enter takes that folder. With no
    // such folder it preselects nothing, and the user cancels.
    QTest::newRow("field names a folder") << u"site/sub/"_s << u"site/sub"_s;
    QTest::newRow("field names none") << u"keep"_s << QString();
}

void TestForm1::systemChooser()
{
    QFETCH(QString, field);
    QFETCH(QString, preselected);

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
    QCOMPARE(form->folderField->text(), m_app->path(preselected.isEmpty() ? field : preselected));
    // The program keeps nothing from one start to the next, not even the chooser's history.
    QCOMPARE(QDir(m_config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

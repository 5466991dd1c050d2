// The main window outside a run: its pictures, keys and labels, folder tracking, the folder
// chooser and the information message.

#include "Form1.h"
#include "Form2.h"
#include "ImageButton.h"
#include "Recorder.h"
#include "SiteTree.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>

namespace {

const QString ChooserTitle = QStringLiteral(
    "Hello World. Click on a directory and it's path will be displayed in a message box");

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void imageClicks_data();
    void imageClicks();
    void keysTriggerNothing_data();
    void keysTriggerNothing();
    void labelClickMovesNoFocus();
    void folderTracking_data();
    void folderTracking();
    void typingFollowsEveryFolderOnTheWay();
    void browse_data();
    void browse();
    void informationMessage();

private:
    void showMainWindow();

    std::unique_ptr<Recorder> m_recorder;
    std::unique_ptr<SiteTree> m_site;
};

void TestForm1::init()
{
    m_recorder = std::make_unique<Recorder>();
    m_site = std::make_unique<SiteTree>();
    QVERIFY(m_site->isValid());
    QVERIFY(m_site->write(QStringLiteral("site/a.htm"), "<p>Home</p>\r\n"));
    QVERIFY(m_site->write(QStringLiteral("site/b.txt"), "Home\r\n"));
    QVERIFY(m_site->addFolder(QStringLiteral("site/sub")));
}

void TestForm1::cleanup()
{
    delete Form1::existing();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!Form2::existing());
    m_recorder.reset();
    m_site.reset();
}

void TestForm1::showMainWindow()
{
    Form1 *form = Form1::instance();
    form->show();
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
}

void TestForm1::imageClicks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("folderChoices");
    QTest::addColumn<QString>("message");

    QTest::addRow("browse") << "Image1" << Qt::LeftButton << 1 << "";
    QTest::addRow("start") << "Image2" << Qt::LeftButton << 0
                           << "Please fill out all text-fields (o;";
    QTest::addRow("information") << "Image3" << Qt::LeftButton << 0 << "about";
    QTest::addRow("browse, right button") << "Image1" << Qt::RightButton << 0 << "";
    QTest::addRow("start, right button") << "Image2" << Qt::RightButton << 0 << "";
    QTest::addRow("information, middle button") << "Image3" << Qt::MiddleButton << 0 << "";
}

void TestForm1::imageClicks()
{
    QFETCH(QString, name);
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, folderChoices);
    QFETCH(QString, message);

    showMainWindow();
    auto *image = Form1::instance()->findChild<ImageButton *>(name);
    QVERIFY(image);
    // A corner of the picture counts as much as its middle.
    QTest::mouseClick(image, button, {}, QPoint(2, image->height() - 2));

    QCOMPARE(m_recorder->folderTitles.size(), folderChoices);
    if (message.isEmpty()) {
        QVERIFY(m_recorder->messages.isEmpty());
    } else if (message == QLatin1String("about")) {
        QCOMPARE(m_recorder->messages.size(), 1);
        QVERIFY(m_recorder->messages.first().text.endsWith(QStringLiteral(TAGMENDER_WEB_ADDRESS)));
    } else {
        QCOMPARE(m_recorder->transcript, QStringList{QStringLiteral("message: ") + message});
    }
    QCOMPARE(QApplication::focusWidget(), Form1::instance()->Text1);
}

void TestForm1::keysTriggerNothing_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<Qt::Key>("key");
    for (const char *field : {"Text1", "Text2", "Text3"}) {
        QTest::addRow("%s, Return", field) << field << Qt::Key_Return;
        QTest::addRow("%s, Enter", field) << field << Qt::Key_Enter;
        QTest::addRow("%s, Escape", field) << field << Qt::Key_Escape;
    }
    QTest::addRow("Check1, Return") << "Check1" << Qt::Key_Return;
    QTest::addRow("Check1, Escape") << "Check1" << Qt::Key_Escape;
}

void TestForm1::keysTriggerNothing()
{
    QFETCH(QString, field);
    QFETCH(Qt::Key, key);

    showMainWindow();
    Form1 *form = Form1::instance();
    // Fields that would pass every check: a started run would ask for confirmation.
    form->Text1->setText(m_site->path(QStringLiteral("site")));
    form->Text2->setText(QStringLiteral("Home"));
    form->Text3->setText(QStringLiteral("Start"));
    QWidget *target = form->findChild<QWidget *>(field);
    target->setFocus();
    QTest::keyClick(target, key);

    QVERIFY(m_recorder->transcript.isEmpty());
    QVERIFY(m_recorder->folderTitles.isEmpty());
    QVERIFY(!Form2::existing());
    QVERIFY(form->isVisible());
    QCOMPARE(m_site->read(QStringLiteral("site/a.htm")), QByteArray("<p>Home</p>\r\n"));
}

void TestForm1::labelClickMovesNoFocus()
{
    showMainWindow();
    Form1 *form = Form1::instance();
    QCOMPARE(QApplication::focusWidget(), form->Text1);
    QTest::mouseClick(form->Label2, Qt::LeftButton);
    QTest::mouseClick(form->Label3, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), form->Text1);
    QVERIFY(m_recorder->transcript.isEmpty());
}

void TestForm1::folderTracking_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // relative to the site; "-" for the site's root

    QTest::addRow("a folder") << "site"
                              << "site";
    QTest::addRow("a folder with a separator at its end") << "site/"
                                                          << "site";
    QTest::addRow("a partly typed folder") << "si"
                                           << "-";
    QTest::addRow("a file's name") << "site/a.htm"
                                   << "-";
    QTest::addRow("a missing folder below") << "site/sub/none"
                                            << "-";
    QTest::addRow("nothing") << ""
                             << "-";
}

void TestForm1::folderTracking()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    Form1 *form = Form1::instance();
    form->Text1->setText(m_site->path());
    QCOMPARE(form->Dir1.path(), m_site->native());
    QCOMPARE(form->Dir1.entries(), QStringList{QStringLiteral("site")});

    form->Text1->setText(text.isEmpty() ? text : m_site->path() + u'/' + text);

    QVERIFY(m_recorder->transcript.isEmpty());
    if (expected == QLatin1String("-")) {
        QCOMPARE(form->Dir1.path(), m_site->native());
        QCOMPARE(form->File1.path(), m_site->native());
        QCOMPARE(form->Dir1.entries(), QStringList{QStringLiteral("site")});
        QVERIFY(form->File1.entries().isEmpty());
    } else {
        QCOMPARE(form->Dir1.path(), m_site->native(expected));
        QCOMPARE(form->File1.path(), m_site->native(expected));
        // Both lists were re-read at their new folder.
        QCOMPARE(form->Dir1.entries(), QStringList{QStringLiteral("sub")});
        QCOMPARE(form->File1.entries(),
                 QStringList({QStringLiteral("a.htm"), QStringLiteral("b.txt")}));
    }
}

void TestForm1::typingFollowsEveryFolderOnTheWay()
{
    showMainWindow();
    Form1 *form = Form1::instance();
    const QString root = QDir::rootPath();
    QTest::keyClicks(form->Text1, QDir::toNativeSeparators(root));
    // A root keeps its separator.
    QCOMPARE(form->Dir1.path(), QDir::toNativeSeparators(root));

    form->Text1->clear();
    QTest::keyClicks(form->Text1, m_site->native(QStringLiteral("site")));
    QCOMPARE(form->Dir1.path(), m_site->native(QStringLiteral("site")));
    QTest::keyClicks(form->Text1, QStringLiteral("x"));
    QCOMPARE(form->Dir1.path(), m_site->native(QStringLiteral("site")));
    QCOMPARE(form->File1.path(), m_site->native(QStringLiteral("site")));
    QVERIFY(m_recorder->transcript.isEmpty());
}

void TestForm1::browse_data()
{
    QTest::addColumn<QString>("answer"); // relative to the site; "" cancels, "/" the root
    QTest::addColumn<QString>("text");   // Text1 afterwards, relative to the site
    QTest::addColumn<QString>("folder"); // the lists afterwards, relative to the site

    QTest::addRow("a folder") << "site"
                              << "site"
                              << "site";
    QTest::addRow("a folder below") << "site/sub"
                                    << "site/sub"
                                    << "site/sub";
    QTest::addRow("the root") << "/"
                              << "/"
                              << "/";
    QTest::addRow("cancel") << ""
                            << "keep"
                            << "site";
}

void TestForm1::browse()
{
    QFETCH(QString, answer);
    QFETCH(QString, text);
    QFETCH(QString, folder);

    const auto resolve = [this](const QString &relative) {
        return relative == QLatin1String("/") ? QDir::rootPath() : m_site->path(relative);
    };
    showMainWindow();
    Form1 *form = Form1::instance();
    // The lists follow the site's folder; the field names none.
    form->Text1->setText(m_site->path(QStringLiteral("site")));
    form->Text1->setText(m_site->native(QStringLiteral("site")) + QStringLiteral("/keep"));
    m_recorder->folderAnswers = {answer.isEmpty() ? QString() : resolve(answer)};

    QTest::mouseClick(form->Image1, Qt::LeftButton);

    QCOMPARE(m_recorder->folderTitles, QStringList{ChooserTitle});
    QCOMPARE(m_recorder->folderParents.value(0), form);
    QVERIFY(m_recorder->transcript.isEmpty());
    if (text == QLatin1String("keep")) {
        QCOMPARE(form->Text1->text(), m_site->native(QStringLiteral("site")) + "/keep");
    } else {
        QCOMPARE(form->Text1->text(), QDir::toNativeSeparators(resolve(text)));
    }
    QCOMPARE(form->Dir1.path(), QDir::toNativeSeparators(resolve(folder)));
    QCOMPARE(form->File1.path(), QDir::toNativeSeparators(resolve(folder)));
    if (folder == QLatin1String("site")) {
        QCOMPARE(form->File1.entries(),
                 QStringList({QStringLiteral("a.htm"), QStringLiteral("b.txt")}));
    }
}

void TestForm1::informationMessage()
{
    showMainWindow();
    Form1 *form = Form1::instance();
    form->Text1->setText(m_site->path(QStringLiteral("site")));
    form->Text2->setText(QStringLiteral("Home"));
    form->Check1->setChecked(true);

    QTest::mouseClick(form->Image3, Qt::LeftButton);

    QCOMPARE(m_recorder->messages.size(), 1);
    const MessageRequest &shown = m_recorder->messages.first();
    QCOMPARE(shown.title, QStringLiteral("Tagmender"));
    QCOMPARE(shown.icon, QMessageBox::NoIcon);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(m_recorder->messageParents.first(), form);
    // A sentence, an empty line, the address.
    const QStringList parts = shown.text.split(QStringLiteral("\r\n\r\n"));
    QCOMPARE(parts.size(), 2);
    QVERIFY(!parts.first().isEmpty());
    QVERIFY(!parts.first().contains(u'\n') && !parts.first().contains(u'\r'));
    QCOMPARE(parts.last(), QStringLiteral(TAGMENDER_WEB_ADDRESS));
    // Nothing else changes.
    QCOMPARE(form->Text1->text(), m_site->path(QStringLiteral("site")));
    QCOMPARE(form->Text2->text(), QStringLiteral("Home"));
    QVERIFY(form->Text3->text().isEmpty());
    QVERIFY(form->Check1->isChecked());
    QVERIFY(!Form2::existing());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

#include "RunFixture.h"

#include "Form1.h"
#include "Form2.h"
#include "ImageButton.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include <algorithm>

const QString RunFixture::Confirmation = QStringLiteral(
    "WARNING !\n\nThe files will be overwritten. You should back up your files before you "
    "continue. Are you sure you want to continue?");
const QString RunFixture::FailureIntro =
    QStringLiteral("These files and folders could not be processed:");
const QByteArray RunFixture::PageWithText = "<html>\r\n<p>Home</p>\r\n</html>\r\n";
const QByteArray RunFixture::PageWithout = "<html>\r\n<p>Away</p>\r\n</html>\r\n";

RunFixture::RunFixture()
{
    Form1 *form = Form1::instance();
    form->show();
    if (!QTest::qWaitForWindowExposed(form)) {
        qWarning("The main window was not exposed.");
    }
}

RunFixture::~RunFixture()
{
    delete Form1::existing();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void RunFixture::start(const QString &folder, const QString &search, const QString &replacement,
                       bool subfolders)
{
    Form1 *form = Form1::instance();
    form->Text1->setText(folder);
    form->Text2->setText(search);
    form->Text3->setText(replacement);
    form->Check1->setChecked(subfolders);
    QTest::mouseClick(form->Image2, Qt::LeftButton);
}

QStringList RunFixture::natives(const QStringList &relatives) const
{
    QStringList paths;
    for (const QString &relative : relatives) {
        paths.append(site.native(relative));
    }
    return paths;
}

void RunFixture::verifyEveryBoxIsPlain() const
{
    for (qsizetype i = 0; i < recorder.messages.size(); ++i) {
        const MessageRequest &shown = recorder.messages.at(i);
        QCOMPARE(shown.title, QStringLiteral("Tagmender"));
        QCOMPARE(shown.icon, QMessageBox::NoIcon);
        const QMessageBox::StandardButtons buttons =
            shown.text == Confirmation ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
        QCOMPARE(shown.buttons, buttons);
        QCOMPARE(recorder.messageParents.at(i), Form1::instance());
    }
}

bool RunFixture::inputEnabled(bool enabled) const
{
    const Form1 *form = Form1::instance();
    const QList<const QWidget *> input{form->Text1,  form->Text2,  form->Text3,
                                       form->Check1, form->Image1, form->Image2};
    return std::all_of(input.begin(), input.end(),
                       [enabled](const QWidget *w) { return w->isEnabled() == enabled; }) &&
           form->Image3->isEnabled();
}

QString RunFixture::message(const QString &text)
{
    return QStringLiteral("message: ") + text;
}

QStringList RunFixture::opening()
{
    return {message(Confirmation), QStringLiteral("show"), QStringLiteral("bar"),
            QStringLiteral("clear"),
            QStringLiteral("status: Generating file list. Please wait ...")};
}

QStringList RunFixture::processing(const QStringList &files, const QStringList &changed)
{
    QStringList expected{QStringLiteral("status: Performing search and replace. Please wait..."),
                         QStringLiteral("maximum %1").arg(files.size()), QStringLiteral("value 0")};
    for (qsizetype i = 0; i < files.size(); ++i) {
        expected.append(QStringLiteral("value %1").arg(i));
        if (changed.contains(files.at(i))) {
            expected.append(QStringLiteral("changed: ") + files.at(i));
        }
    }
    return expected;
}

QStringList RunFixture::ending(const QString &failures)
{
    QStringList expected{QStringLiteral("status: All done (o:")};
    if (!failures.isEmpty()) {
        expected.append(message(failures));
    }
    expected.append(message(QStringLiteral("Search and replace finished !")));
    return expected;
}

#include "AppFixture.h"

#include "Form1.h"
#include "ImageButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString FailureIntro = u"These files and folders could not be processed:"_s;

} // namespace

const QString AppFixture::Confirmation =
    u"WARNING !\n\nThe files will be overwritten. You should back up your files before you "
    "continue. Are you sure you want to continue?"_s;
const QByteArray AppFixture::PageWithText = "<html>\r\n<p>Home</p>\r\n</html>\r\n";
const QByteArray AppFixture::PageWithout = "<html>\r\n<p>Away</p>\r\n</html>\r\n";

AppFixture::AppFixture()
{
    Dialogs::install(this);
    ProgressView::install(this);
    Form1 *form = Form1::instance();
    form->show();
    QApplication::setActiveWindow(form);
    if (!m_dir.isValid() || !QTest::qWaitForWindowActive(form)) {
        qWarning("No site folder or no active main window.");
    }
}

AppFixture::~AppFixture()
{
    delete Form1::existing();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Dialogs::install(nullptr);
    ProgressView::install(nullptr);
}

QString AppFixture::path(const QString &relative) const
{
    return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
}

QString AppFixture::native(const QString &relative) const
{
    return QDir::toNativeSeparators(path(relative));
}

QStringList AppFixture::natives(const QStringList &relatives) const
{
    QStringList paths;
    for (const QString &relative : relatives) {
        paths.append(native(relative));
    }
    return paths;
}

bool AppFixture::write(const QString &relative, const QByteArray &content)
{
    QFile file(path(relative));
    return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(content) == content.size();
}

QByteArray AppFixture::read(const QString &relative) const
{
    QFile file(path(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool AppFixture::makeReadOnly(const QString &relative)
{
    return QFile::setPermissions(path(relative), QFile::ReadOwner | QFile::ReadGroup);
}

void AppFixture::start(const QString &folder, const QString &search, const QString &replacement,
                       bool subfolders)
{
    Form1 *form = Form1::instance();
    form->Text1->setText(folder);
    form->Text2->setText(search);
    form->Text3->setText(replacement);
    form->Check1->setChecked(subfolders);
    QTest::mouseClick(form->Image2, Qt::LeftButton);
}

bool AppFixture::inputEnabled(bool enabled)
{
    const Form1 *form = Form1::instance();
    const QList<const QWidget *> input{form->Text1,  form->Text2,  form->Text3,
                                       form->Check1, form->Image1, form->Image2};
    return std::all_of(input.begin(), input.end(),
                       [enabled](const QWidget *w) { return w->isEnabled() == enabled; }) &&
           form->Image3->isEnabled();
}

QStringList AppFixture::opening()
{
    return {u"question: "_s + Confirmation, u"show"_s, u"bar"_s, u"clear"_s,
            u"status: Generating file list. Please wait ..."_s};
}

QStringList AppFixture::processing(const QStringList &files, const QStringList &changed)
{
    QStringList expected{u"status: Performing search and replace. Please wait..."_s,
                         u"maximum %1"_s.arg(files.size()), u"value 0"_s};
    for (qsizetype i = 0; i < files.size(); ++i) {
        expected.append(u"value %1"_s.arg(i));
        if (changed.contains(files.at(i))) {
            expected.append(u"changed: "_s + files.at(i));
        }
    }
    return expected;
}

QStringList AppFixture::ending(const QStringList &failed)
{
    QStringList expected{u"status: All done (o:"_s};
    if (!failed.isEmpty()) {
        // Twenty are named, the rest counted.
        QStringList lines{u"message: "_s + FailureIntro, QString()};
        for (const QString &file : failed.first(qMin<qsizetype>(failed.size(), 20))) {
            lines.append(file + u": *"_s);
        }
        if (failed.size() > 20) {
            lines.append(u"... and %1 more."_s.arg(failed.size() - 20));
        }
        expected.append(lines.join(u'\n'));
    }
    return expected << u"message: Search and replace finished !"_s;
}

void AppFixture::record(const QString &entry)
{
    transcript.append(entry);
    if (onEntry) {
        onEntry(entry);
    }
}

QMessageBox::StandardButton AppFixture::ask(QWidget *parent, const MessageRequest &request)
{
    const bool question = request.buttons == (QMessageBox::Yes | QMessageBox::No);
    const bool plain = request.title == u"Tagmender"_s && request.icon == QMessageBox::NoIcon &&
                       parent == Form1::existing() &&
                       (question || request.buttons == QMessageBox::Ok);
    QString text = request.text;
    if (text.startsWith(FailureIntro)) {
        text.replace(QRegularExpression(u": .+"_s), u": *"_s);
    }
    record((plain ? u""_s : u"odd "_s) + (question ? u"question: "_s : u"message: "_s) + text);
    if (!answers.isEmpty()) {
        return answers.takeFirst();
    }
    return question ? QMessageBox::Yes : QMessageBox::Ok;
}

QString AppFixture::askForFolder(QWidget *parent, const QString &title)
{
    record((parent == Form1::existing() ? u""_s : u"odd "_s) + u"folder: "_s + title);
    return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
}

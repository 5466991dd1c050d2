#include "app/SystemDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>

namespace {

// A box as wide as its title needs under a window manager: the title, the frame's icon and
// buttons beside it (four title bar heights: the icon, minimise, maximise, close) and some
// room. A box for a short text is otherwise narrower, and the title bar cuts the title short.
void fitTitle(QMessageBox *box)
{
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box->windowTitle()) +
                      4 * box->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 48;
    // A QMessageBox sizes itself from its layout; an empty row of that width widens it.
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

} // namespace

QMessageBox *SystemDialogs::makeBox(QWidget *parent, const MessageRequest &request)
{
    auto *box = new QMessageBox(request.icon, request.title, request.text, request.buttons, parent);
    // The program's texts are plain; a path that happens to look like markup stays as it is.
    box->setTextFormat(Qt::PlainText);
    if (request.selectable) {
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    if (!request.openText.isEmpty()) {
        QPushButton *open = box->addButton(request.openText, QMessageBox::ActionRole);
        // Where the style puts it first it has the focus; Enter still means OK.
        open->setAutoDefault(false);
        box->setDefaultButton(QMessageBox::Ok);
        const QUrl url = request.openUrl;
        QObject::connect(open, &QPushButton::clicked, box, [this, url] { launch(url); });
    }
    fitTitle(box);
    return box;
}

QMessageBox::StandardButton SystemDialogs::ask(QWidget *parent, const MessageRequest &request)
{
    const std::unique_ptr<QMessageBox> box(makeBox(parent, request));
    box->setWindowModality(Qt::ApplicationModal);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

void SystemDialogs::openBox(QWidget *parent, const MessageRequest &request)
{
    // open(), not exec(): no event loop of its own, so the caller (a run that let this click
    // through) carries on at once. The box blocks only its own window, and deletes itself.
    QMessageBox *box = makeBox(parent, request);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

QString SystemDialogs::askForFolder(QWidget *parent, const QString &title, const QString &start)
{
    // QFileDialog keeps its history and last folder through QSettings (QtProject.conf, or the
    // registry), reading it when built and writing it when destroyed. The program keeps nothing
    // from one start to the next, so the dialog gets an empty scratch folder for its settings,
    // removed once the dialog is gone.
    QTemporaryDir scratch;
    if (scratch.isValid()) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scratch.path());
    }
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // An empty start shows the computer's top level with no folder chosen, so that Enter does
    // not hand back some folder the user never picked.
    dialog.setDirectory(start);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

bool SystemDialogs::launch(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

// bench-window-run [--run-time FILE] [--subfolders] FOLDER SEARCH REPLACEMENT
// bench-window-run --typing FOLDER
//
// One search-and-replace run made through the program's own windows, as a user makes it: the
// main window is built as the program builds it, the folder and the texts are typed into its
// fields, the subfolder option is ticked and the start picture clicked. The confirmation is
// answered Yes and the closing message OK through the dialogs seam, so no message box waits
// for a hand; the progress window is the real one. Then both windows are closed and the
// program ends. bench/run-bench times it next to tagmender-batch on the same tree, with
// QT_QPA_PLATFORM=offscreen.
// stdout: the files the progress window lists as changed, one a line.
// stderr: what went otherwise than in a plain run: any other message, a field that would not
// take the typed text.
// Exit status: 0 the run ended with its closing message and nothing else, 1 it did not,
// 2 usage.
// --run-time FILE: when the closing message came, writes one line to FILE:
//   WALL CPU
// the seconds from the click on the start picture to the closing message (QElapsedTimer,
// monotonic), and the processor seconds the process (all its threads) used in between,
// through std::clock, which POSIX defines as the process's processor time (Windows does not
// follow that, and run-bench does not run there). The whole program's time, as bench-timer
// measures it, also holds the start-up a user never waits for during a run: loading the GUI
// libraries and fonts and building the main window, which is open before they click Start.
// Without a closing message FILE is not written; a file that cannot be written is a fault.
// --typing FOLDER: no run. Types FOLDER into the folder field key by key, then takes it out
// again with Backspace, as a user correcting it does; every key the field takes (one text
// change) is timed. stdout: "KEYS MEDIAN_MS MAX_MS". The cost of a key must not grow with
// the number of files in the folder the field names.

#include "Dialogs.h"
#include "ImageButton.h"
#include "MainWindow.h"
#include "Program.h"
#include "ProgressWindow.h"
#include "WindowDesign.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

const QString Finished = QStringLiteral("Search and replace finished !");

void printLine(FILE *stream, const QString &text)
{
    const QByteArray bytes = QFile::encodeName(text);
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
}

// The run as a user waits for it: from the click on the start picture to the closing message.
struct RunClock
{
    QElapsedTimer wall;
    std::clock_t cpuAtClick = 0;
    double wallSeconds = 0;
    double cpuSeconds = 0;

    void click()
    {
        cpuAtClick = std::clock();
        wall.start();
    }

    void stop()
    {
        wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        cpuSeconds = static_cast<double>(std::clock() - cpuAtClick) / CLOCKS_PER_SEC;
    }
};

// Says Yes to the one confirmation and OK to every message, and notes whatever a plain run
// would not have shown.
class AnsweringDialogs : public Dialogs
{
public:
    QStringList faults;
    bool finished = false;
    RunClock clock;

protected:
    QMessageBox::StandardButton ask(QWidget *parent, const MessageRequest &request) override
    {
        Q_UNUSED(parent);
        if (request.buttons == (QMessageBox::Yes | QMessageBox::No) && !m_confirmed) {
            m_confirmed = true;
            return QMessageBox::Yes;
        }
        if (request.text == Finished && m_confirmed && !finished) {
            // Read first: answering the message is where the user's run ends.
            clock.stop();
            finished = true;
        } else {
            faults.append(QStringLiteral("message: ") + request.text);
        }
        return request.buttons.testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
    }

    void openBox(QWidget *parent, const MessageRequest &request) override
    {
        Q_UNUSED(parent);
        faults.append(QStringLiteral("box: ") + request.text);
    }

    QString askForFolder(QWidget *parent, const QString &title, const QString &start) override
    {
        Q_UNUSED(parent);
        Q_UNUSED(start);
        faults.append(QStringLiteral("folder chooser: ") + title);
        return {};
    }

    bool launch(const QUrl &url) override
    {
        faults.append(QStringLiteral("program started for: ") + url.toString());
        return false;
    }

private:
    bool m_confirmed = false;
};

// Key by key, as a user types. QTest knows the keys of ASCII only; any other character comes
// as a keyboard layout sends it, a key press without a key code that carries its text.
void type(QLineEdit *field, const QString &text, QStringList &faults)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f) {
            QTest::keyClick(field, c.toLatin1());
            continue;
        }
        const qsizetype length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(field, &release);
    }
    if (field->text() != text) {
        faults.append(QStringLiteral("%1 holds \"%2\", not the typed \"%3\"")
                          .arg(field->objectName(), field->text(), text));
    }
}

// A click on the box itself: the centre of the widget may lie right of its label.
void tick(QCheckBox *box, QStringList &faults)
{
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicator.center());
    if (!box->isChecked()) {
        faults.append(QStringLiteral("the subfolder option did not tick"));
    }
}

struct Input
{
    QString folder;
    QString search;
    QString replacement;
    bool subfolders = false;
    bool typing = false;
    QString runTimeFile;
};

// Takes the options off the front of ARGS; false when one is incomplete.
bool takeOptions(QStringList &args, Input &input)
{
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--subfolders")) {
            input.subfolders = true;
        } else if (option == QLatin1String("--typing")) {
            input.typing = true;
        } else if (option == QLatin1String("--run-time") && !args.isEmpty()) {
            input.runTimeFile = args.takeFirst();
        } else {
            return false;
        }
    }
    return true;
}

// One line, "WALL CPU" in seconds, for bench/run-bench; false when it could not be written.
bool writeRunTime(const QString &path, const RunClock &clock)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray line = QByteArray::number(clock.wallSeconds, 'f', 6) + ' ' +
                            QByteArray::number(clock.cpuSeconds, 'f', 6) + '\n';
    return file.write(line) == line.size() && file.flush();
}

// Fills in the main window, starts the run (the click returns when it is over), reads the
// progress window's list and closes both windows, which ends the program.
void useWindows(MainWindow &form, const Input &input, AnsweringDialogs &dialogs,
                QStringList &changed)
{
    if (!QTest::qWaitForWindowExposed(&form)) {
        dialogs.faults.append(QStringLiteral("the main window never showed"));
    }
    // The controls by their design names, as a screen reader or a test finds them.
    const auto control = [&form](const char *name) {
        return form.findChild<QWidget *>(QLatin1String(name));
    };
    type(qobject_cast<QLineEdit *>(control("Text1")), input.folder, dialogs.faults);
    type(qobject_cast<QLineEdit *>(control("Text2")), input.search, dialogs.faults);
    type(qobject_cast<QLineEdit *>(control("Text3")), input.replacement, dialogs.faults);
    if (input.subfolders) {
        tick(qobject_cast<QCheckBox *>(control("Check1")), dialogs.faults);
    }
    dialogs.clock.click();
    QTest::mouseClick(control("Image2"), Qt::LeftButton);
    if (const ProgressWindow *progress = ProgressWindow::existing()) {
        const auto *list = progress->findChild<QListWidget *>(QStringLiteral("List1"));
        for (int i = 0; i < list->count(); ++i) {
            changed.append(list->item(i)->text());
        }
    }
    form.close();
    if (ProgressWindow *progress = ProgressWindow::existing()) {
        progress->close();
    }
}

// Types the folder into the field and takes it out again, each key timed from its press to the
// field having handled it (QTest sends the events synchronously); prints the keys' median and
// slowest time.
void typeTimed(QLineEdit *field, const QString &folder, QStringList &faults)
{
    std::vector<qint64> nanoseconds;
    QElapsedTimer key;
    for (const QChar c : folder) {
        key.start();
        QTest::keyClicks(field, QString(c));
        nanoseconds.push_back(key.nsecsElapsed());
    }
    if (field->text() != folder)
        faults.append(QStringLiteral("the folder field holds \"%1\"").arg(field->text()));
    while (!field->text().isEmpty()) {
        key.start();
        QTest::keyClick(field, Qt::Key_Backspace);
        nanoseconds.push_back(key.nsecsElapsed());
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const double median = double(nanoseconds[nanoseconds.size() / 2]) / 1e6;
    printLine(stdout, QStringLiteral("%1 %2 %3")
                          .arg(nanoseconds.size())
                          .arg(median, 0, 'f', 4)
                          .arg(double(nanoseconds.back()) / 1e6, 0, 'f', 4));
}

} // namespace

// The offscreen platform cannot raise a window, and says so each time the progress window is
// brought to the front at the end of a run; that is no fault of the run.
namespace {

QtMessageHandler standardHandler = nullptr;

void dropRaiseWarning(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text != QLatin1String("This plugin does not support raise()") && standardHandler)
        standardHandler(type, context, text);
}

} // namespace

int main(int argc, char *argv[])
{
    standardHandler = qInstallMessageHandler(dropRaiseWarning);
    // Read before QApplication takes out the arguments it reserves for itself.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QString::fromLocal8Bit(argv[i]));
    }
    Input input;
    // Before QApplication, which aborts when no display can be reached: a wrong call gets its
    // usage line wherever it is made.
    if (!takeOptions(args, input) || args.size() != (input.typing ? 1 : 3)) {
        printLine(stderr, QStringLiteral("usage: bench-window-run [--run-time FILE] "
                                         "[--subfolders] FOLDER SEARCH REPLACEMENT\n"
                                         "       bench-window-run --typing FOLDER"));
        return 2;
    }
    QApplication app(argc, argv);
    input.folder = args.at(0);
    if (!input.typing) {
        input.search = args.at(1);
        input.replacement = args.at(2);
    }

    // As the program starts (app/main.cpp), with the dialogs answered here.
    QApplication::setApplicationName(QStringLiteral("Tagmender"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setWindowIcon(applicationIcon());
    QApplication::setQuitOnLastWindowClosed(false);
    AnsweringDialogs dialogs;
    Dialogs::install(&dialogs);
    QStringList changed;
    {
        Program program;
        QObject::connect(&program, &Program::ended, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        program.start();
        MainWindow *form = MainWindow::instance();
        QTimer::singleShot(0, form, [&] {
            if (!input.typing) {
                useWindows(*form, input, dialogs, changed);
                return;
            }
            typeTimed(form->findChild<QLineEdit *>(QStringLiteral("Text1")), input.folder,
                      dialogs.faults);
            form->close();
        });
        QApplication::exec();
    }
    Dialogs::install(nullptr);

    for (const QString &path : std::as_const(changed)) {
        printLine(stdout, path);
    }
    std::fflush(stdout);
    if (!dialogs.finished && !input.typing) {
        dialogs.faults.append(QStringLiteral("no closing message \"%1\"").arg(Finished));
    } else if (!input.runTimeFile.isEmpty() && !writeRunTime(input.runTimeFile, dialogs.clock)) {
        dialogs.faults.append(QStringLiteral("cannot write the run time to ") + input.runTimeFile);
    }
    for (const QString &fault : std::as_const(dialogs.faults)) {
        printLine(stderr, QStringLiteral("bench-window-run: ") + fault);
    }
    return dialogs.faults.isEmpty() ? 0 : 1;
}

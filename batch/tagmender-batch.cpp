// tagmender-batch [--subfolders] FOLDER SEARCH REPLACEMENT
// tagmender-batch --undo-last
//
// One search-and-replace run without windows, for benchmarks and end-to-end checks; or the undo
// of the most recent run that changed a file (from the journal, see RunJournal).
// stdout: the full path of each changed (or put back) file, one a line, in processing order,
// written out as soon as the file is replaced.
// stderr: each failure as "PATH: REASON".
// Exit status: 0 nothing failed, 1 some files or folders failed, 2 input refused (also an
// argument that is not exactly the text its bytes say, see CommandLine), or no run to undo.
// SIGINT (Ctrl+C), SIGTERM or SIGHUP stops the run, or the undo, after the file it is working
// on, and the program then ends by that signal: a shell reports 130, 143 or 129 (128 plus the
// signal's number). A second signal ends it at once, the file under way left as it was. On
// Windows: Ctrl+C or Ctrl+Break, and the exit status 130.
// TAGMENDER_SCRATCH=named in the environment gives every scratch file a name from the start,
// as a file system without unnamed files does (for the reliability tests).
// TAGMENDER_BENCH_JOURNAL=off keeps no undo journal: for measuring what the journal costs
// only (bench/journal-cost), as such a run cannot be undone.

#include "CommandLine.h"
#include "InputCheck.h"
#include "JournalHome.h"
#include "RunObserver.h"
#include "ScratchFile.h"
#include "SearchReplaceRun.h"
#include "StopSignals.h"
#include "UndoRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

void printLine(FILE *stream, const QByteArray &line)
{
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stream);
    std::fputc('\n', stream);
}

// File names go out as the bytes the file system holds, whatever the locale makes of them.
QByteArray pathBytes(const QString &path)
{
    return QFile::encodeName(QDir::toNativeSeparators(path));
}

class PrintingObserver : public RunObserver
{
public:
    // Flushed at once, so that a run ended by a signal, or a reader that stops early, misses
    // no file that changed.
    void fileChanged(const QString &path, qint64) override
    {
        printLine(stdout, pathBytes(path));
        std::fflush(stdout);
    }
    void fileFailed(const QString &path, const QString &reason) override { report(path, reason); }
    void folderFailed(const QString &folder, const QString &reason) override
    {
        report(folder, reason);
    }
    bool stopRequested() override { return StopSignals::received(); }
    bool anyFailed() const { return m_failed; }

private:
    void report(const QString &path, const QString &reason)
    {
        m_failed = true;
        printLine(stderr, pathBytes(path) + ": " + reason.toLocal8Bit());
    }
    bool m_failed = false;
};

int refuse(const QString &reason)
{
    printLine(stderr, reason.toLocal8Bit());
    return 2;
}

int undoLast()
{
    JournalHome::recover();
    const QString run = JournalHome::latestRun();
    if (run.isEmpty())
        return refuse(QStringLiteral("no run to undo: the journal in \"%1\" holds none")
                          .arg(QDir::toNativeSeparators(JournalHome::location())));
    PrintingObserver observer;
    UndoRun undo(run, observer);
    if (undo.load())
        undo.process();
    std::fflush(stdout);
    return observer.anyFailed() ? 1 : 0;
}

int replaceAll(QStringList args)
{
    const bool subfolders = !args.isEmpty() && args.first() == QLatin1String("--subfolders");
    if (subfolders)
        args.removeFirst();
    if (args.size() != 3)
        return refuse(QStringLiteral("usage: tagmender-batch [--subfolders] FOLDER SEARCH "
                                     "REPLACEMENT"));

    const QString &folder = args.at(0);
    if (const auto refusal = CheckRunInput(folder, args.at(1), args.at(2)))
        return refuse(*refusal);

    ScratchFile::setAlwaysNamed(qEnvironmentVariable("TAGMENDER_SCRATCH") ==
                                QLatin1String("named"));
    PrintingObserver observer;
    SearchReplaceRun run(args.at(1), args.at(2), observer);
    run.setJournaled(qEnvironmentVariable("TAGMENDER_BENCH_JOURNAL") != QLatin1String("off"));
    run.process(run.collect(folder, subfolders));
    std::fflush(stdout);
    return observer.anyFailed() ? 1 : 0;
}

} // namespace

// The run is over and its objects gone (the undo journal noted as complete) before a signal
// that stopped it ends the program.
int main(int argc, char *argv[])
{
    const CommandLine given = CommandLine::read(argc, argv);
    QCoreApplication app(argc, argv);
    if (!given.refusal.isEmpty())
        return refuse(given.refusal);
    StopSignals::catchThem();
    const int status = given.arguments == QStringList{QStringLiteral("--undo-last")}
                           ? undoLast()
                           : replaceAll(given.arguments);
    return StopSignals::exitStatus(status);
}

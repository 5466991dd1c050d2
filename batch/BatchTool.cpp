#include "BatchTool.h"

#include "BatchHelp.h"
#include "BatchOptions.h"
#include "BatchReport.h"
#include "CommandLine.h"
#include "Console.h"
#include "InputCheck.h"
#include "JournalHome.h"
#include "RunList.h"
#include "SearchReplaceRun.h"
#include "StopSignals.h"
#include "UndoRun.h"

#include <QCoreApplication>
#include <QDir>

namespace {

using Action = BatchOptions::Action;
using Console::printLine;

int refuse(const QString &reason)
{
    printLine(stderr, Console::text(reason));
    return 2;
}

int print(const QString &text)
{
    printLine(stdout, Console::text(text));
    return 0;
}

QString journalShown()
{
    return QDir::toNativeSeparators(JournalHome::location());
}

int undo(const QString &run, bool quiet)
{
    BatchReport report(BatchReport::Kind::Undo, quiet);
    UndoRun undo(run, report);
    const bool completed = !undo.load() || undo.process();
    report.finish(completed);
    return report.anyFailed() ? 1 : 0;
}

QString noRun()
{
    return QCoreApplication::translate("BatchTool", "the journal in \"%1\" holds none")
        .arg(journalShown());
}

int listRuns()
{
    const QList<KeptRun> runs = RunList::read();
    // Nothing to list is an answer, not a refusal.
    if (runs.isEmpty())
        printLine(
            stderr,
            Console::text(
                QCoreApplication::translate("BatchTool", "no run can be undone: %1").arg(noRun())));
    for (const KeptRun &run : runs)
        printLine(stdout, Console::text(RunList::line(run)));
    return 0;
}

// The last run once more would put nothing back: an older one is undone by its name only.
int undoLast(bool quiet)
{
    JournalHome::recover();
    const QList<KeptRun> runs = RunList::read();
    if (runs.isEmpty())
        return refuse(QCoreApplication::translate("BatchTool", "no run to undo: %1").arg(noRun()));
    const KeptRun &last = runs.first();
    if (last.undone == KeptRun::Undone::Completely)
        return refuse(QCoreApplication::translate(
                          "BatchTool",
                          "nothing left to undo: the last run (%1, in \"%2\") has been undone; "
                          "tagmender-batch --list-runs shows the others")
                          .arg(RunList::nameOf(last), QDir::toNativeSeparators(last.root)));
    return undo(last.folder, quiet);
}

int undoNamed(const QString &name, bool quiet)
{
    JournalHome::recover();
    if (const std::optional<KeptRun> run = RunList::find(name))
        return undo(run->folder, quiet);
    return refuse(QCoreApplication::translate(
                      "BatchTool",
                      "no run \"%1\" to undo: tagmender-batch --list-runs shows the runs the "
                      "journal in \"%2\" holds")
                      .arg(name, journalShown()));
}

int replaceAll(const BatchOptions &options, const BatchSwitches &switches)
{
    if (const auto refusal = CheckRunInput(options.folder, options.search, options.replacement))
        return refuse(*refusal);
    const auto kind = options.dryRun ? BatchReport::Kind::DryRun : BatchReport::Kind::Run;
    BatchReport report(kind, options.quiet);
    SearchReplaceRun run(options.search, options.replacement, report);
    run.setDryRun(options.dryRun);
    run.setJournaled(switches.journaled);
    report.finish(run.process(run.collect(options.folder, options.subfolders)));
    return report.anyFailed() ? 1 : 0;
}

int perform(const BatchOptions &options, const BatchSwitches &switches)
{
    switch (options.action) {
    case Action::Help:
        return print(BatchHelp::help(journalShown()));
    case Action::Version:
        return print(BatchHelp::version());
    case Action::ListRuns:
        return listRuns();
    case Action::UndoLast:
        return undoLast(options.quiet);
    case Action::Undo:
        return undoNamed(options.run, options.quiet);
    case Action::Run:
        break;
    }
    return replaceAll(options, switches);
}

} // namespace

// The arguments are read before QCoreApplication edits argv. The run is over and its objects
// gone (the undo journal noted as complete) before a signal that stopped it ends the program.
int RunBatchTool(int argc, char *argv[], const BatchSwitches &switches)
{
    const CommandLine given = CommandLine::read(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(TAGMENDER_VERSION));
    if (!given.refusal.isEmpty())
        return refuse(given.refusal);
    const BatchOptions options = BatchOptions::parse(given.arguments);
    if (!options.refusal.isEmpty())
        return refuse(options.refusal);
    StopSignals::catchThem();
    return StopSignals::exitStatus(perform(options, switches));
}

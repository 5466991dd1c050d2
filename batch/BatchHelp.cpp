#include "batch/BatchHelp.h"

#include "journal/JournalHome.h"

#include <QCoreApplication>

QString BatchHelp::help(const QString &journal)
{
    return QCoreApplication::translate(
               "BatchHelp",
               R"(Usage: tagmender-batch [OPTION]... FOLDER SEARCH REPLACEMENT
       tagmender-batch --list-runs | --undo-last | --undo RUN

Replaces SEARCH by REPLACEMENT in every HTML page of FOLDER (a name ending in .htm or .html,
in any case), and with --subfolders in every folder below it. The search is literal and
case-sensitive; every other byte of a page stays as it was. Each page changed is written to
standard output as soon as it is in place; each page or folder that could not be changed to
standard error, as "PATH: REASON", and a summary at the end.

Options:
  -s, --subfolders  the pages of every folder below FOLDER too
  -n, --dry-run     change nothing: list the pages that would change, each with its number
                    of replacements, and those that would be refused; nothing is written
  -q, --quiet       no progress line and no summary (pages and failures are still listed)
      --list-runs   the runs that can be undone, newest first: number, time, folder, texts,
                    pages changed, and whether they were undone
      --undo-last   undo the most recent run
      --undo RUN    undo the run RUN, named by its number or its folder as --list-runs shows
  -h, --help        this help
  -V, --version     the version
  --                the end of the options: what follows is FOLDER SEARCH REPLACEMENT even
                    when it begins with "-"

An undo puts back every page of the run that still holds what the run wrote, and lists the
pages it puts back; a page changed since is left alone and reported. A stopped undo can be
started again.

Exit status:
  0    nothing failed
  1    some pages or folders could not be changed (or put back); the others were
  2    refused before anything was changed: a wrong command line, a folder or text that
       cannot be used, or nothing to undo
  128+N  stopped by signal N after the page under way (Ctrl+C: 130, SIGTERM: 143); a second
       signal stops at once

Undo journal: before a page is replaced its original is kept, outside FOLDER, in
  %1
The last %2 runs that changed a page are kept, older ones while they take more than %3 GiB
together. Delete that folder to remove them; those runs can then no longer be undone.)")
        .arg(journal, QString::number(JournalHome::KeptRuns),
             QString::number(JournalHome::KeptBytes >> 30));
}

QString BatchHelp::version()
{
    return QStringLiteral("tagmender-batch (Tagmender) ") + QCoreApplication::applicationVersion();
}

#include "batch/BatchReport.h"

#include "batch/Console.h"
#include "batch/StopSignals.h"

#include <cstdio>

using Console::count;
using namespace Qt::StringLiterals;

BatchReport::BatchReport(Kind kind, bool quiet) : m_kind(kind), m_quiet(quiet), m_progress(!quiet)
{}

// A page passed over at first (see SearchReplaceRun) is started again later under a higher
// index, so the pages taken up are the highest index seen, not the calls.
void BatchReport::fileStarted(qsizetype index, qsizetype count, const QString &)
{
    m_count = count;
    m_started = qMax(m_started, index + 1);
    drawProgress();
}

// Flushed at once, so that a run ended by a signal, or a reader that stops early, misses no
// page that changed.
void BatchReport::fileChanged(const QString &path, qint64 replacements)
{
    m_progress.clear();
    ++m_changed;
    QByteArray line = Console::pathBytes(path);
    if (m_kind == Kind::DryRun)
        line += ": " + Console::text(count(replacements, tr("replacement"), tr("replacements")));
    Console::printLine(stdout, line);
    std::fflush(stdout);
}

void BatchReport::fileFailed(const QString &path, const Failure &reason)
{
    ++m_failed;
    failure(path, reason.text);
}

void BatchReport::folderFailed(const QString &folder, const Failure &reason)
{
    ++m_otherFailures;
    failure(folder, reason.text);
}

void BatchReport::yield()
{
    drawProgress();
}

bool BatchReport::stopRequested()
{
    return StopSignals::received();
}

void BatchReport::failure(const QString &path, const QString &reason)
{
    m_progress.clear();
    Console::printLine(stderr, Console::pathBytes(path) + ": " + Console::text(reason));
}

void BatchReport::drawProgress()
{
    if (!m_progress.due())
        return;
    const QString done = m_kind == Kind::Undo ? tr("put back") : tr("changed");
    m_progress.draw(m_count == 0 ? tr("Listing the pages ...")
                                 : tr("%1 of %2, %3 %4")
                                       .arg(Console::number(m_started),
                                            count(m_count, tr("file"), tr("files")),
                                            Console::number(m_changed), done));
}

void BatchReport::finish(bool completed)
{
    m_progress.clear();
    std::fflush(stdout);
    if (!m_quiet)
        Console::printLine(stderr, Console::text(summary(completed)));
}

// "222 files changed, 0 could not be changed, 2,475 files read": what the lines above add up
// to, the whole of a long run's outcome at one glance.
QString BatchReport::summary(bool completed) const
{
    const QString changed = count(m_changed, tr("file"), tr("files"));
    const QString failed = Console::number(m_failed);
    QString text;
    switch (m_kind) {
    case Kind::Run:
        text = tr("%1 changed, %2 could not be changed, %3 read")
                   .arg(changed, failed, count(m_started, tr("file"), tr("files")));
        break;
    case Kind::DryRun:
        text = tr("%1 would be changed, %2 could not be, %3 read (a dry run: nothing was "
                  "written)")
                   .arg(changed, failed, count(m_started, tr("file"), tr("files")));
        break;
    case Kind::Undo:
        text = tr("%1 put back, %2 could not be put back, of %3 the run changed")
                   .arg(changed, failed, count(m_count, tr("file"), tr("files")));
        break;
    }
    if (m_otherFailures > 0)
        text += tr(", %1").arg(count(m_otherFailures, tr("other failure"), tr("other failures")));
    if (!completed)
        text += tr("; stopped, %1 not taken up")
                    .arg(count(m_count - m_started, tr("file"), tr("files")));
    return text;
}

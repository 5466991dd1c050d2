#pragma once

#include "BatchRun.h"
#include "SyscallTrace.h"

#include <QString>
#include <QStringList>

#include <functional>

/// The batch tool run under strace, with either kind of scratch file: the unnamed one
/// (O_TMPFILE, linked into the folder once complete) that ext4, XFS, Btrfs and tmpfs offer, or
/// the named one that other file systems get, forced here by making /proc look absent, without
/// which Qt cannot link an unnamed file into a folder. strace counts calls per thread for when=,
/// so a test first traces a clean run of the same kind over the same tree and finds there the
/// call it wants to break.
class TracedBatch
{
public:
    enum Scratch { Unnamed, Named };

    /// traced: the calls to trace ("trace=openat,write"); always more than one, since strace 6.1
    /// injects nothing when it traces a single call.
    TracedBatch(const QString &traceFile, const QString &traced);

    /// Traces a clean run of each kind with arguments; rebuild must put the tree back as it was
    /// before each, complete must tell whether a run did all its work. Returns why that failed,
    /// or an empty string.
    QString traceCleanRuns(const std::function<bool()> &rebuild,
                           const std::function<bool()> &complete, const QStringList &arguments);

    const SyscallTrace &clean(Scratch scratch) const { return m_clean[scratch]; }

    /// Runs the tool with arguments, the given kind of scratch file and more strace options.
    BatchOutcome run(Scratch scratch, const QStringList &options,
                     const QStringList &arguments) const;

    /// The trace of the last run.
    SyscallTrace lastTrace() const { return SyscallTrace::read(m_traceFile); }

    /// Whether the runs of that kind make their scratch files that way: a file system without
    /// O_TMPFILE makes only named ones, and a Qt that does not ask for /proc cannot be made to.
    bool offers(Scratch scratch) const { return m_offers[scratch]; }

    static const char *name(Scratch scratch) { return scratch == Unnamed ? "unnamed" : "named"; }

private:
    QStringList options(Scratch scratch) const;
    QString traceCleanRun(Scratch scratch, const std::function<bool()> &rebuild,
                          const std::function<bool()> &complete, const QStringList &arguments);

    QString m_traceFile;
    QString m_traced;
    int m_procCheck = 0; ///< the call of access() that asks whether /proc is there
    SyscallTrace m_clean[2];
    bool m_offers[2] = {};
};

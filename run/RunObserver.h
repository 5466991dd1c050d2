#pragma once

#include "file/Failure.h"
#include "scan/WalkObserver.h"

#include <QString>

/// Receives the progress and the results of a run as plain data. The windows and the batch
/// tool are two such sinks. Every call comes on the thread that runs SearchReplaceRun.
class RunObserver : public WalkObserver
{
public:
    /// File index (0-based) of count is about to be rewritten.
    virtual void fileStarted(qsizetype index, qsizetype count, const QString &path)
    {
        Q_UNUSED(index);
        Q_UNUSED(count);
        Q_UNUSED(path);
    }

    /// The file was replaced by its rewritten form, which holds replacements replacements
    /// (reported only after the replacement).
    virtual void fileChanged(const QString &path, qint64 replacements) = 0;

    /// The file could not be rewritten and was left as it was.
    virtual void fileFailed(const QString &path, const Failure &failure) = 0;

    /// Asked between two files; true ends the run cleanly before the next file.
    virtual bool stopRequested() { return false; }
};

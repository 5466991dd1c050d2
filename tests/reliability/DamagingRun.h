#pragma once

#include "run/RunObserver.h"
#include "run/SearchReplaceRun.h"
#include "tests/reliability/BatchRun.h"

#include <functional>
#include <utility>

/// A run in process, recorded as the batch tool prints it; damage comes once, at the turn of the
/// page at victim.
class DamagingRun : public RunObserver
{
public:
    void fileStarted(qsizetype index, qsizetype, const QString &) override
    {
        if (index == victim && damage)
            std::exchange(damage, nullptr)();
    }
    void fileChanged(const QString &path, qint64) override { outcome.out << path; }
    void fileFailed(const QString &path, const Failure &failure) override
    {
        outcome.err << path + ": " + failure.text;
    }
    void folderFailed(const QString &path, const Failure &failure) override
    {
        fileFailed(path, failure);
    }

    /// Replaces "cat" by "dog" below folder, and ends as the batch tool would.
    BatchOutcome run(const QString &folder, bool subfolders)
    {
        SearchReplaceRun run("cat", "dog", *this);
        run.process(run.collect(folder, subfolders));
        outcome.finished = true;
        outcome.exitCode = outcome.err.isEmpty() ? 0 : 1;
        return outcome;
    }

    qsizetype victim = 0;
    std::function<void()> damage;
    BatchOutcome outcome;
};

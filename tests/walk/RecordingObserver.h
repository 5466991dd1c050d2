#pragma once

#include "WalkObserver.h"

#include <QStringList>
#include <functional>

/// Keeps what a walk reports, and lets a test act at a chosen yield (the walk's only point where
/// other code runs, so the place where the file system can change under it).
class RecordingObserver : public WalkObserver
{
public:
    void folderFailed(const QString &folder, const QString &reason) override
    {
        failedFolders.append(folder);
        reasons.append(reason);
    }

    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }

    QStringList failedFolders;
    QStringList reasons;
    int yields = 0;
    std::function<void(int)> onYield;
};

#pragma once

#include <QString>

/// Receives what a folder walk cannot put in the file list. Called on the walking thread.
class WalkObserver
{
public:
    virtual ~WalkObserver() = default;

    /// A folder could not be listed; the walk leaves it out and goes on with the rest.
    virtual void folderFailed(const QString &folder, const QString &reason) = 0;

    /// Called once per folder entered and once before each subfolder, so a window can repaint.
    virtual void yield() {}
};

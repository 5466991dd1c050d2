#pragma once

#include "file/Failure.h"

#include <QString>

/// Receives what a folder walk cannot put in the file list. Called on the walking thread.
class WalkObserver
{
public:
    virtual ~WalkObserver() = default;

    /// A folder could not be listed, or an entry of it could not be (the failure names the
    /// entry, as for a name not valid in the file name encoding). The walk leaves out what it
    /// could not list and goes on with the rest; one folder may be reported several times.
    virtual void folderFailed(const QString &folder, const Failure &failure) = 0;

    /// Called once per folder entered and once before each subfolder, so a window can repaint.
    virtual void yield() {}

    /// A page was appended to the list, so that work on it can start before the walk is over.
    virtual void fileListed(const QString &path) { Q_UNUSED(path); }
};

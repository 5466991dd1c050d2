#pragma once

#include <QString>

/// What the user asked a run to do, read from the main window once as the run starts: edits
/// made while it works cannot change it halfway.
struct RunInput
{
    QString folder; ///< as typed
    QString search;
    QString replacement;
    bool subfolders = false;
};

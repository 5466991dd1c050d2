#pragma once

#include <QString>

/// One run's folder of the undo journal, as another run meets it. A run holds its folder locked
/// while it works; nothing else of the program changes the folder under it.
namespace JournalFolder {

/// Removes the folder run, unless a run under way holds it. False: it was busy.
bool removeUnlessBusy(const QString &run);

/// Lets go of the originals in run that a run stopped by a kill kept for pages it never
/// replaced, unless the run is under way.
void releaseUnreplaced(const QString &run);

} // namespace JournalFolder

#pragma once

/// Raises the process's limit of open descriptors to the most the system allows it. A run keeps
/// one descriptor open per folder level of a page's path on each of its threads, and the walk
/// one per level of the folder it is in, so a deep tree needs more than the 1,024 that many
/// desktops start programs with. Does nothing where there is no such limit.
void RaiseOpenFileLimit();

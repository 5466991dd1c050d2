#pragma once

#include <QString>

/// Whether a path or name, as text, opens exactly the entry it reads as. On POSIX a name is
/// bytes: the text must encode to bytes that decode back to the same text (a leading byte order
/// mark is dropped in decoding, for one). On Windows a name is UTF-16, used as it is: every text
/// survives, whatever the ANSI code page lacks.
bool SurvivesNameEncoding(const QString &name);

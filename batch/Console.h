#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

/// What the tool writes to its standard output and error, and in which bytes.
namespace Console {

/// Writes line and a line break.
void printLine(FILE *stream, const QByteArray &line);

/// A path as the bytes the file system holds, whatever the locale makes of them.
QByteArray pathBytes(const QString &path);

/// A message in the locale's encoding.
QByteArray text(const QString &message);

/// n with its thousands grouped, as English writes it ("2,475"): the messages are English.
QString number(qint64 n);

/// n and the noun for it: "1 file", "2,475 files".
QString count(qint64 n, const QString &one, const QString &many);

/// Whether standard error is a terminal (not a file or a pipe); the platform's, in posix/ or
/// windows/.
bool errorIsTerminal();

} // namespace Console

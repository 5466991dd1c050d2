#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

/// The code page of a page that declares no charset and is not UTF-8: the system's ANSI code
/// page on Windows; elsewhere, where there is none, Windows-1252, the one Western HTML files
/// were written in (ICU provides it to Qt).
namespace LegacyCodePage {

/// A stateless encoder for it.
QStringEncoder encoder();

/// Its name, as failures name it.
QString name();

/// Whether bytes, text encoded by encoder(), still say text: the Windows converter replaces a
/// character it lacks by a best fit without reporting an error.
bool keeps(const QString &text, const QByteArray &bytes);

} // namespace LegacyCodePage

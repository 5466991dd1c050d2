#pragma once

class QAccessibleInterface;
class QObject;
class QString;

/// What assistive technology sees of the two windows: each a window (a plain top-level widget
/// would be a mere filler), and the progress window's status line a status bar, which screen
/// readers read out on request ("read the status bar").
namespace WindowAccessible {

/// Makes QAccessible ask create() first; once is enough, more calls do nothing.
void install();

/// The factory QAccessible asks for every object; answers for the two windows and the status
/// line only.
QAccessibleInterface *create(const QString &className, QObject *object);

} // namespace WindowAccessible

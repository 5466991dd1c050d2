#pragma once

#include "TempTree.h"

/// A tree of the pages that differ most between systems (nested and non-ASCII names, one
/// outside the Basic Multilingual Plane, hidden and read-only pages, a path over 260
/// characters, CR LF, UTF-16 and Windows-1252 pages, a page another process holds), for a run
/// that replaces "Home" by "Start" through the batch tool or the windows: the same bytes
/// expected on every system.
namespace MixedTree {

inline const QString held = QStringLiteral("held.htm");
inline const QString readOnly = QStringLiteral("read-only.htm");

/// Each page with what a run makes of it; held and readOnly are refused, the hidden one passed
/// over (Wine hides a name that begins with a dot, as Linux does).
QList<Page> pages();

/// Writes the pages below root, readOnly read-only.
bool write(const QString &root);

/// The first page below root that does not hold what it should after a run, or after none;
/// empty when all do.
QString firstWrong(const QString &root, bool afterRun);

} // namespace MixedTree

/// A file held open as another program holds the file it works on: locked on POSIX (the
/// program refuses a page another has locked), open without sharing on Windows.
class HeldOpen
{
public:
    explicit HeldOpen(const QString &path);
    ~HeldOpen();
    HeldOpen(const HeldOpen &) = delete;
    HeldOpen &operator=(const HeldOpen &) = delete;
    bool isHeld() const { return m_held; }

private:
    void *m_handle = nullptr; ///< the open file (a Windows HANDLE, a QFile elsewhere)
    bool m_held = false;
};

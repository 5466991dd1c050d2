#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <unistd.h>

/// A page of a fixture tree: its name below the root, its bytes before and after a full run.
struct Page
{
    QString name;
    QByteArray before, after;
};

/// Fixture trees of the end-to-end tests.
namespace TreeFiles {

constexpr uid_t nobody = 65534;

/// CI runs as root: some cases need it, some must drop it.
inline bool isRoot()
{
    return ::geteuid() == 0;
}
bool write(const QString &path, const QByteArray &bytes); ///< mode 0644, folders made
QByteArray read(const QString &path);                     ///< null when unreadable
QStringList entries(const QString &folder); ///< hidden ones too, sorted: shows scratch files
/// Empties root (folders without write permission too) and writes the pages below it.
bool rebuild(const QString &root, const QList<Page> &pages);
/// size bytes of CR LF lines, each starting with search, so that even 10 bytes hold it.
Page page(const QString &name, qsizetype size, const QByteArray &search = "cat",
          const QByteArray &replacement = "dog");
/// Whether root holds exactly the pages, each with its new text.
bool isDone(const QString &root, const QList<Page> &pages);
bool setOwnerAndMode(const QString &path, uid_t owner, gid_t group, mode_t mode);

/// path as lstat() shows it, a link not followed, in one line ("" when missing): what a
/// replacement must keep (type, owner, group, mode, extended attributes, which hold the ACLs),
/// and unless kept is set also the inode, the modification time and a hash of the bytes.
QString state(const QString &path, bool kept = false);
/// The state of every entry below root, links not followed, as "path: state"; only what a
/// replacement must keep for folders and the files in replaced.
QStringList statesBelow(const QString &root, const QStringList &replaced = {});

} // namespace TreeFiles

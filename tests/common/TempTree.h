#pragma once

#include <QDateTime>
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

/// A page of a fixture tree: its name below the root, its bytes before and after a full run.
struct Page
{
    QString name;
    QByteArray before, after;
};

/// A fresh folder for one test, and the file helpers every suite shares. Files written below it
/// get an old modification time unless told otherwise, so that any later write shows, even
/// within the same clock tick.
class TempTree
{
public:
    static inline const QDateTime old{QDate(2001, 2, 3), QTime(4, 5, 6, 789), Qt::UTC};
    static constexpr unsigned nobody = 65534;

    TempTree();
    ~TempTree();
    bool isValid() const { return m_dir.isValid(); }
    /// Canonical, so that normalised paths compare equal where the temporary folder lies below
    /// a link; native separators when asked; name as it is when absolute.
    QString path(const QString &name = {}, bool native = false) const;
    bool write(const QString &name, const QByteArray &bytes, const QDateTime &time = old) const
    {
        return writeFile(path(name), bytes, time);
    }
    QByteArray read(const QString &name) const { return readFile(path(name)); }
    /// Each entry, hidden ones (a scratch file) too, with a link's target, or a file's
    /// permissions, time and bytes (a hash).
    QStringList state() const;

    /// Writes bytes to path, making its folders; an invalid time leaves the current one.
    static bool writeFile(const QString &path, const QByteArray &bytes, const QDateTime &time = {});
    /// The bytes of path; null when unreadable, which an empty file is not.
    static QByteArray readFile(const QString &path);
    /// The names in folder, hidden ones too, sorted: shows scratch files.
    static QStringList entries(const QString &folder);

    /// The sizes of the files in folder added up, leaving out the one named except.
    static qint64 fileBytes(const QString &folder, const QString &except = {});

    /// size bytes of CR LF lines, each starting with search, so that even 10 bytes hold it.
    static Page page(const QString &name, qsizetype size, const QByteArray &search = "cat",
                     const QByteArray &replacement = "dog");
    /// Empties root and writes the pages below it.
    static bool rebuild(const QString &root, const QList<Page> &pages);
    /// Whether root holds exactly the pages, each with its new text.
    static bool isDone(const QString &root, const QList<Page> &pages);
#ifdef Q_OS_UNIX
    static bool setOwnerAndMode(const QString &path, unsigned owner, unsigned group, unsigned mode);
    /// Writes bytes over the start of path, in place, and puts its times back, as cp -p or
    /// rsync --inplace do: only the change time and the bytes show it.
    static bool writeInPlace(const QString &path, const QByteArray &bytes);
    /// lstat and xattrs (ACLs too) of path; unless kept, also its inode, time and bytes; "" if
    /// none.
    static QString state(const QString &path, bool kept = false);
    /// "path: state" of all below root; only the kept part for folders and the replaced files.
    static QStringList statesBelow(const QString &root, const QStringList &replaced = {});
    /// Root reads whatever the mode says: as root, the effective ids go to id (0: back to root).
    /// A plain user stays who it is.
    static bool actAs(unsigned id);
#endif

private:
    QTemporaryDir m_dir;
    QString m_root;
};

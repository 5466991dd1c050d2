#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

/// A folder of the undo journal (see JournalLayout): its home, or a run's folder in the home,
/// opened without following a link, and what lies in it reached from the open folder, never
/// through a link. A link put into the journal (by hand, or by another program) is therefore
/// neither entered nor read, and what it leads to is never removed. POSIX: descriptors and the
/// *at calls. Windows: the folder held open without delete sharing, so that it cannot be
/// renamed or replaced meanwhile, and each name opened as the reparse point it may be.
class JournalFolder
{
public:
    enum class Kind { Folder, File, Other }; ///< Other: a link, a reparse point, a device...
    struct Item
    {
        QString name;
        Kind kind = Kind::Other;
        qint64 size = 0;
    };

    JournalFolder();
    ~JournalFolder();
    JournalFolder(const JournalFolder &) = delete;
    JournalFolder &operator=(const JournalFolder &) = delete;

    /// Opens the folder at path (the home); false for a link or anything but a folder.
    bool open(const QString &path);
    /// Opens the folder name of parent (a run's) the same way.
    bool open(const JournalFolder &parent, const QString &name);

    const QString &path() const { return m_path; }

    /// What lies in the folder, nothing looked at through a link.
    QList<Item> items() const;

    /// The names the plain file name has (hard links), or 0 where it is none.
    int links(const QString &name) const;

    /// Opens the plain file name for reading into file. False, with error saying why in the
    /// words users read, for a link or anything but a plain file; the words go inside the
    /// failure of the entry or original that could not be read.
    bool openFile(const QString &name, QFile &file, QString &error) const;

    /// The bytes of the plain file name; nothing where it is none or cannot be read whole.
    std::optional<QByteArray> read(const QString &name) const;

    /// Removes the name from the folder (a link itself, never what it leads to; never a
    /// folder). For the journal's own names only (JournalLayout::isOwn).
    bool remove(const QString &name) const;
    /// Removes the folder name, if empty.
    bool removeFolder(const QString &name) const;

    /// Takes the lock of a run's folder unless a run under way holds it; held until this goes.
    /// False: busy. (Windows: whether a run holds its run.json open; nothing is taken.)
    bool lockUnlessBusy();
    /// Waits for the lock on the file name in the folder, made when missing; held until this
    /// goes.
    bool holdLock(const QString &name);

    /// The platform's handles, for the rest of the journal's code.
    struct Native;
    const Native &native() const { return *d; }

private:
    std::unique_ptr<Native> d;
    QString m_path;
};

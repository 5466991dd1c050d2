#pragma once

#include "file/FileStamp.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

/// What the undo journal knows of one page a run replaced: where the page is, where its
/// original is kept, and how to tell that the page still holds exactly what the run wrote.
struct JournalEntry
{
    /// The file a run wrote, as it stood when it took the page's place. A rename keeps all of
    /// it; any later change of the page moves at least one (the hash catches a writer that
    /// puts the modification time back: see ContentHash).
    struct Written
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modified[2] = {}; ///< seconds, nanoseconds
        QByteArray hash;

        /// Whether stamp is of this file, unmoved: identity, size, modification time.
        bool matches(const FileStamp &stamp) const;

        friend bool operator==(const Written &, const Written &) = default;
    };

    QString path;        ///< the page, as the run listed it
    QByteArray kept;     ///< the original's name in the run's journal folder
    bool copied = false; ///< kept as a copy (another file system), not as a hard link
    qint64 originalSize = 0;
    /// The original's modification time, which an undo gives back: a copy does not keep it.
    /// Absent from journals written before it was recorded.
    std::optional<FileStamp::Time> originalModified;
    Written written;

    QByteArray toJson() const;
    /// Nothing for bytes that are no complete entry (a run killed while writing it, before the
    /// page was replaced).
    static std::optional<JournalEntry> fromJson(const QByteArray &bytes);

    /// The entries of a group of pages in one file, one a line ("N " and the compact JSON of
    /// the entry of original N, which holds no line break), so that one sync makes them all
    /// durable.
    static QByteArray groupJson(const QList<JournalEntry> &entries);
    /// The entry of original number in a group's bytes; nothing where there is no whole one (a
    /// run killed while writing the group, before any of its pages was replaced, or a page of
    /// the group that failed before the group was written).
    static std::optional<JournalEntry> fromGroupJson(const QByteArray &bytes, qint64 number);
};

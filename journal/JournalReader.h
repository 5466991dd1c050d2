#pragma once

#include "file/Failure.h"
#include "journal/JournalEntry.h"
#include "journal/JournalFolder.h"

#include <QFile>
#include <QMap>
#include <QString>

/// What undo and pruning read of a run's folder in the journal (see JournalLayout), open as a
/// JournalFolder: the chosen folder its note names, its entries in the run's order, each read and
/// checked, and the originals they name. Nothing is read through a link (JournalFolder).
class JournalReader
{
public:
    /// An entry as read, or why it cannot be used: then entry.path is the entry's own path.
    struct Read
    {
        JournalEntry entry;
        Failure problem; ///< none for an entry that can be used
    };

    explicit JournalReader(const JournalFolder &run) : m_run(run) {}

    /// The chosen folder the run noted; empty where the folder is no run's.
    QString root() const;

    /// The file that holds each entry, by N, the run's order: "N.entry", whatever it is, or the
    /// group "F-L.entries" that holds entry N (F <= N <= L) while "N.orig" is there.
    QMap<qint64, QString> entries() const;

    /// The entries that are plain files: the pages the run changed.
    qint64 pages() const;

    /// Reads the number-th entry from name (as entries() gives it); an entry names no original but
    /// its own.
    Read entry(qint64 number, const QString &name) const;

    /// Opens the original entry names for reading; false with reason in the words users read.
    bool openOriginal(const JournalEntry &entry, QFile &file, QString &reason) const;

private:
    const JournalFolder &m_run;
};

#pragma once

#include <QCoreApplication>
#include <QString>

#include <array>

/// Counts what a run or an undo could not do, by kind, and words it for the status line and
/// the last message, so that an end with failures never reads like a success.
class FailureTally
{
    Q_DECLARE_TR_FUNCTIONS(FailureTally)

public:
    enum class Kind {
        File,            ///< a file not changed (by a run) or not put back (by an undo)
        Folder,          ///< a folder that could not be listed, or an entry of one left out
        ChangedSinceRun, ///< undo: the file holds something else than what the run wrote
        GoneSinceRun     ///< undo: the file is no longer there
    };

    void clear() { m_counts.fill(0); }
    void add(Kind kind) { ++m_counts.at(std::size_t(kind)); }
    qsizetype total() const;

    /// A run's failures: "200 files could not be changed and 1 entry was left out" (a folder
    /// that could not be listed, a link, a name that cannot be decoded).
    QString notChanged() const;

    /// An undo's: "1 file changed since the run and 2 files that could not be put back".
    QString notPutBack() const;

    /// Points at the progress window's list of failures, which holds every one of them.
    QString whereListed() const;

private:
    qsizetype count(Kind kind) const { return m_counts.at(std::size_t(kind)); }

    std::array<qsizetype, 4> m_counts{};
};

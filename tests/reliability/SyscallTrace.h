#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// Names one system call of the run's main thread: the ordinal-th call of syscall whose line
/// matches pattern, counted within the part of the trace that starts at the first line matching
/// from, then at the first line matching after (when given), and ends before the next line
/// matching to (when given).
struct CallLocator
{
    QString syscall;
    QString pattern;
    int ordinal = 1; ///< 1 for the first match, -1 for the last
    QString from = {};
    QString after = {};
    QString to = {};
};

/// The system calls of one run, as strace -f -o wrote them. The main thread (the first one in
/// the trace) does every rewrite; other threads (a read-ahead worker) only look at files. Each
/// call is one line, named by its first part when strace split it ("<unfinished ...>"); strace's
/// own notes ("--- SIGSTOP", "+++ exited") are lines without a call name.
class SyscallTrace
{
public:
    struct Line
    {
        qint64 pid = 0;
        QString call; ///< the system call's name, empty for strace's notes and resumed calls
        QString text; ///< the line without the thread id
    };

    /// Reads the trace file; an unreadable file gives an empty trace.
    static SyscallTrace read(const QString &file);

    const QList<Line> &lines() const { return m_lines; }
    qint64 mainPid() const { return m_lines.isEmpty() ? 0 : m_lines.first().pid; }

    /// How many calls of syscall the main thread made.
    int count(const QString &syscall) const;

    /// The invocation number of the call the locator names, counting every call of the same
    /// name by the main thread from the start, as strace's when= counts a thread's calls; 0 when
    /// there is no such call.
    int invocation(const CallLocator &locator) const;

    /// The lines strace marked as injected, of any thread.
    QList<Line> injected() const;

    /// The lines that mention text anywhere, of any thread.
    QStringList mentioning(const QString &text) const;

    /// Why the injections are not what a test asked for (none at all, or one outside the main
    /// thread or into another call than syscalls), or an empty string.
    QString injectionProblem(const QStringList &syscalls) const;

    /// The main thread's last system call (for a run killed at a call: that call).
    QString lastCall() const;

    /// The main thread's last system call before its first line that starts with note (such as
    /// "--- SIGSTOP"), or an empty string when there is no such line.
    QString callBefore(const QString &note) const;

    /// Whether the run ended killed by signal ("SIGKILL").
    bool killedBy(const QString &signal) const;

private:
    qsizetype firstMatch(qsizetype start, const QString &pattern) const;

    QList<Line> m_lines;
};

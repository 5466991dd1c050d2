#pragma once

#include <QList>
#include <QProcess>
#include <QStringList>

/// How a run of tagmender-batch ended, seen from outside.
struct BatchOutcome
{
    bool finished = false, crashed = false; ///< before the hang guard killed it; by a signal
    int exitCode = -1;
    QStringList out, err; ///< the changed files; "PATH: REASON" lines

    /// Whether the run ended by itself with that exit code and exactly these lines.
    bool is(int exit, const QStringList &changed, const QStringList &failed) const;
    QString describe() const;
};

/// Runs tagmender-batch, directly or under a wrapper (strace, setpriv). A run that has not ended
/// after a minute is killed: the bound only catches a hang, no test asserts anything on time.
class BatchRun
{
public:
    static QString strace() { return TAGMENDER_STRACE; } ///< empty when not installed
    static QStringList underStrace(const QString &traceFile, const QStringList &options)
    {
        return QStringList{strace(), "-f", "-o", traceFile} + options;
    }
    /// User and group 65534 without other groups (needs root).
    static QStringList asNobody()
    {
        return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    static QStringList arguments(const QString &folder, const QString &replacement = "dog")
    {
        return {folder, "cat", replacement};
    }

    explicit BatchRun(const QStringList &wrapper = {});
    void start(const QStringList &arguments);
    BatchOutcome finish();
    BatchOutcome run(const QStringList &arguments)
    {
        start(arguments);
        return finish();
    }
    qint64 toolPid() const;   ///< the wrapper's child, 0 while it has none
    bool toolStopped() const; ///< by a signal or at a tracer's stop

private:
    QStringList m_wrapper;
    QProcess m_process;
};

/// The system calls of one run as strace -f -o wrote them. The main thread (the first in the
/// trace) does every rewrite; read-ahead workers only look at files. strace's when= counts each
/// thread's calls apart, so the tests name the main thread's calls by their number.
class SyscallTrace
{
public:
    explicit SyscallTrace(const QString &file = {});

    int count(const QString &syscall) const; ///< by the main thread
    /// The when= number of the main thread's ordinal-th (-1: last) call of syscall matching
    /// pattern, after the lines matching each of from in turn, before the next one matching to;
    /// 0 when there is none.
    int invocation(const QString &syscall, const QString &pattern, int ordinal = 1,
                   const QStringList &from = {}, const QString &to = {}) const;
    /// The main thread's last call before its first line starting with note, or empty.
    QString callBefore(const QString &note) const;
    /// Why the injections were not all into the main thread's calls of syscalls, or empty.
    QString injectionProblem(const QStringList &syscalls) const;

private:
    QStringList m_main, m_others; ///< lines without the thread id: the main thread's, the rest
};

#pragma once

#include <QProcess>
#include <QStringList>

#include <functional>

/// How a run of tagmender-batch ended, seen from outside.
struct BatchOutcome
{
    bool finished = false, crashed = false; ///< before the hang guard killed it; by a signal
    int exitCode = -1;
    QStringList out, err; ///< the changed files; "PATH: REASON" lines
    QString summary;      ///< "1 file changed, ...": the last line on stderr, if it is one

    /// Whether the run ended by itself with that exit code and exactly these lines.
    bool is(int exit, const QStringList &changed, const QStringList &failed) const;
    QString describe() const;
};

/// Runs tagmender-batch, maybe under strace or setpriv; killed after a minute, to catch a hang.
/// The tool's summary, the last line on stderr, is kept apart (BatchOutcome::summary).
class BatchRun
{
public:
    /// The installed tool, or bench-batch, the same with the switches tests need
    /// (TAGMENDER_SCRATCH=named).
    enum class Tool { Installed, WithSwitches };

    static QString strace() { return TAGMENDER_STRACE; } ///< empty when not installed
    static QStringList underStrace(const QString &traceFile, const QStringList &options)
    {
        return QStringList{strace(), "-f", "-o", traceFile} + options;
    }
    static QStringList arguments(const QString &folder, const QString &replacement = "dog")
    {
        return {folder, "cat", replacement};
    }

    explicit BatchRun(const QStringList &wrapper = {}, Tool tool = Tool::Installed);
    void start(const QStringList &arguments);
    BatchOutcome finish();
    BatchOutcome run(const QStringList &arguments)
    {
        start(arguments);
        return finish();
    }
    /// Runs the tool under strace with options that stop it (signal=STOP) at a call; runs
    /// meanwhile once the main thread is stopped there, then lets the tool go on.
    static BatchOutcome held(const QString &traceFile, const QStringList &options,
                             const QStringList &arguments, const std::function<void()> &meanwhile,
                             Tool tool = Tool::Installed);

private:
    QStringList m_wrapper;
    Tool m_tool;
    QProcess m_process;
};

/// strace -f output; when= counts per thread, and the main thread (first) does every rewrite.
class SyscallTrace
{
public:
    explicit SyscallTrace(const QString &file = {});
    qint64 pid() const { return m_pid; } ///< the traced tool's; 0 before its first line

    /// when= of the ordinal-th (-1: last, -2: the one before) call matching pattern after each
    /// from, before to; or 0.
    int invocation(const QString &syscall, const QString &pattern, int ordinal = 1,
                   const QStringList &from = {}, const QString &to = {}) const;
    /// The main thread's last call before its first line starting with note, or empty.
    QString callBefore(const QString &note) const;
    /// Why the injections were not all into the main thread's calls of syscalls, or empty.
    QString injectionProblem(const QStringList &syscalls) const;

private:
    QStringList m_main, m_others; ///< lines without the thread id: the main thread's, the rest
    qint64 m_pid = 0;
};

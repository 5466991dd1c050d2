#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

/// How a run of tagmender-batch ended, seen from outside.
struct BatchOutcome
{
    bool finished = false; ///< ended within the hang guard's bound (false: it was killed)
    bool crashed = false;  ///< ended by a signal (a killed tool takes strace down with it)
    int exitCode = -1;
    QStringList out; ///< lines on stdout: the changed files
    QStringList err; ///< lines on stderr: "PATH: REASON"

    /// All of it in one line, for a failure message.
    QString describe() const;
};

/// Runs tagmender-batch, directly or under a wrapper command (strace with its options, setpriv),
/// with a hang guard: a run that has not ended after a minute is killed and reported as not
/// finished. The bound only catches a hang; no test asserts anything about time.
class BatchRun
{
public:
    /// The batch tool built with these tests.
    static QString tool();

    /// The strace found when the build was configured, or an empty string.
    static QString strace();

    /// The wrapper that runs the tool under strace, following forks, writing to traceFile.
    static QStringList underStrace(const QString &traceFile, const QStringList &options);

    /// Runs the tool as user and group 65534 with no supplementary groups (needs root).
    static QStringList asNobody();

    explicit BatchRun(const QStringList &wrapper = {});

    void start(const QStringList &arguments);
    BatchOutcome finish();
    BatchOutcome run(const QStringList &arguments);

    /// The process id of the tool when a wrapper forked it (strace), 0 while it has none yet.
    qint64 toolPid() const;

    /// Whether process pid is stopped, by a signal or at a tracer's stop.
    static bool isStopped(qint64 pid);

private:
    QStringList m_wrapper;
    QProcess m_process;
};

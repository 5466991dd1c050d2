#include "tests/reliability/BatchRun.h"
#include "tests/common/TempTree.h"

#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <unistd.h>

QString BatchOutcome::describe() const
{
    return QStringLiteral("finished %1, crashed %2, exit %3, stdout [%4], stderr [%5], summary %6")
        .arg(QString::number(finished), QString::number(crashed), QString::number(exitCode),
             out.join(" | "), err.join(" | "), summary);
}

bool BatchOutcome::is(int exit, const QStringList &changed, const QStringList &failed) const
{
    return finished && !crashed && exitCode == exit && out == changed && err == failed;
}

BatchRun::BatchRun(const QStringList &wrapper, Tool tool) : m_wrapper(wrapper), m_tool(tool)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // LeakSanitizer cannot work under a tracer; and the reasons are compared in English.
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":detect_leaks=0");
    environment.insert("LC_ALL", "C.UTF-8");
    m_process.setProcessEnvironment(environment);
    // A group of its own, so that a hung run can be killed with the tool below strace or setpriv.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
}

void BatchRun::start(const QStringList &arguments)
{
    const QString tool = m_tool == Tool::Installed ? TAGMENDER_BATCH : TAGMENDER_BENCH_BATCH;
    const QStringList command = m_wrapper + QStringList{tool} + arguments;
    m_process.start(command.first(), command.mid(1));
}

BatchOutcome BatchRun::finish()
{
    BatchOutcome outcome;
    outcome.finished = m_process.waitForFinished(60000);
    if (!outcome.finished) {
        ::kill(-pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished();
    }
    outcome.crashed = m_process.exitStatus() == QProcess::CrashExit;
    outcome.exitCode = m_process.exitCode();
    outcome.out =
        QString::fromLocal8Bit(m_process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    outcome.err =
        QString::fromLocal8Bit(m_process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    static const QRegularExpression summary(
        "^[0-9,]+ files? (changed|would be changed|put back), [0-9,]+ (could|would)");
    if (!outcome.err.isEmpty() && summary.match(outcome.err.last()).hasMatch())
        outcome.summary = outcome.err.takeLast();
    return outcome;
}

BatchOutcome BatchRun::held(const QString &traceFile, const QStringList &options,
                            const QStringList &arguments, const std::function<void()> &meanwhile,
                            Tool tool)
{
    QFile::remove(traceFile); // none stale
    BatchRun run(underStrace(traceFile, options), tool);
    run.start(arguments);
    // Once the main thread reports its group stop, it stays there until SIGCONT. A run that is
    // never stopped ends as it would, or as the hang guard ends it.
    if (QTest::qWaitFor(
            [&] { return !SyscallTrace(traceFile).callBefore("--- stopped by SIGSTOP").isEmpty(); },
            30000)) {
        meanwhile();
        ::kill(pid_t(SyscallTrace(traceFile).pid()), SIGCONT);
    }
    return run.finish();
}

SyscallTrace::SyscallTrace(const QString &file)
{
    if (file.isEmpty())
        return;
    const QStringList rows = QString::fromUtf8(TempTree::readFile(file)).split(u'\n');
    m_pid = rows.value(0).section(u' ', 0, 0).toLongLong();
    const QString main = QString::number(m_pid) + u' ';
    for (const QString &row : rows)
        (row.startsWith(main) ? m_main : m_others) << row.mid(row.indexOf(u' ')).trimmed();
}

int SyscallTrace::invocation(const QString &syscall, const QString &pattern, int ordinal,
                             const QStringList &from, const QString &to) const
{
    const auto find = [&](const QString &mark, qsizetype i) {
        const QRegularExpression expression(mark);
        while (i >= 0 && i < m_main.size() && !expression.match(m_main[i]).hasMatch())
            ++i;
        return i < m_main.size() ? i : -1;
    };
    qsizetype begin = 0;
    for (const QString &mark : from)
        begin = find(mark, begin);
    const qsizetype next = to.isEmpty() || begin < 0 ? -1 : find(to, begin + 1);
    const QRegularExpression expression(pattern);
    QList<int> matches;
    for (qsizetype i = 0, seen = 0; begin >= 0 && i < (next < 0 ? m_main.size() : next); ++i) {
        if (m_main[i].startsWith(syscall + '(') && ++seen > 0 && i >= begin &&
            expression.match(m_main[i]).hasMatch())
            matches << int(seen);
    }
    return matches.value(ordinal > 0 ? ordinal - 1 : matches.size() + ordinal);
}

QString SyscallTrace::callBefore(const QString &note) const
{
    static const QRegularExpression aCall("^[a-z0-9_]+\\(");
    QString call;
    for (const QString &line : m_main) {
        if (line.startsWith(note))
            return call;
        call = aCall.match(line).hasMatch() ? line : call;
    }
    return {};
}

QString SyscallTrace::injectionProblem(const QStringList &syscalls) const
{
    const QRegularExpression injected("\\(INJECTED\\)$");
    const QRegularExpression expected("^(<\\.\\.\\. )?(" + syscalls.join('|') + ")[( ]");
    if (m_main.filter(injected).isEmpty())
        return "nothing was injected into the main thread";
    QStringList wrong = m_others.filter(injected);
    for (const QString &line : m_main.filter(injected)) {
        if (!expected.match(line).hasMatch())
            wrong << line;
    }
    return wrong.isEmpty() ? QString() : "injected elsewhere: " + wrong.join(" / ");
}

#include "BatchRun.h"

#include <QFile>

namespace {

constexpr int hangGuardMs = 60000;

QStringList lines(const QByteArray &bytes)
{
    return QString::fromLocal8Bit(bytes).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

QString BatchOutcome::describe() const
{
    return QStringLiteral("finished %1, crashed %2, exit %3, stdout [%4], stderr [%5]")
        .arg(finished)
        .arg(crashed)
        .arg(exitCode)
        .arg(out.join(QStringLiteral(" | ")), err.join(QStringLiteral(" | ")));
}

QString BatchRun::tool()
{
    return QStringLiteral(TAGMENDER_BATCH);
}

QString BatchRun::strace()
{
    return QStringLiteral(TAGMENDER_STRACE);
}

QStringList BatchRun::underStrace(const QString &traceFile, const QStringList &options)
{
    return QStringList{strace(), QStringLiteral("-f"), QStringLiteral("-o"), traceFile} + options;
}

QStringList BatchRun::asNobody()
{
    return {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
            QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")};
}

BatchRun::BatchRun(const QStringList &wrapper) : m_wrapper(wrapper)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // LeakSanitizer cannot work under a tracer; and the reasons are compared in English.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) +
                           QStringLiteral(":detect_leaks=0"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    m_process.setProcessEnvironment(environment);
}

void BatchRun::start(const QStringList &arguments)
{
    if (m_wrapper.isEmpty()) {
        m_process.start(tool(), arguments);
        return;
    }
    m_process.start(m_wrapper.first(), m_wrapper.mid(1) + QStringList{tool()} + arguments);
}

BatchOutcome BatchRun::finish()
{
    BatchOutcome outcome;
    outcome.finished = m_process.waitForFinished(hangGuardMs);
    if (!outcome.finished) {
        m_process.kill();
        m_process.waitForFinished();
    }
    outcome.crashed = m_process.exitStatus() == QProcess::CrashExit;
    outcome.exitCode = m_process.exitCode();
    outcome.out = lines(m_process.readAllStandardOutput());
    outcome.err = lines(m_process.readAllStandardError());
    return outcome;
}

BatchOutcome BatchRun::run(const QStringList &arguments)
{
    start(arguments);
    return finish();
}

qint64 BatchRun::toolPid() const
{
    const QString pid = QString::number(m_process.processId());
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (!children.open(QIODevice::ReadOnly))
        return 0;
    return children.readAll().trimmed().split(' ').value(0).toLongLong();
}

bool BatchRun::isStopped(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) state ...": the name may hold anything, so the state follows its last ')'.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < line.size() ? line.at(close + 2) : '?';
    return state == 'T' || state == 't';
}

#include "SyscallTrace.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

SyscallTrace SyscallTrace::read(const QString &file)
{
    SyscallTrace trace;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return trace;
    static const QRegularExpression shape(QStringLiteral("^(\\d+)\\s+(([a-z0-9_]+)\\(.*|.*)$"));
    const QList<QByteArray> rows = in.readAll().split('\n');
    for (const QByteArray &row : rows) {
        const QRegularExpressionMatch match = shape.match(QString::fromUtf8(row));
        if (match.hasMatch())
            trace.m_lines.append(
                {match.captured(1).toLongLong(), match.captured(3), match.captured(2)});
    }
    return trace;
}

int SyscallTrace::count(const QString &syscall) const
{
    const qint64 pid = mainPid();
    return int(std::count_if(m_lines.cbegin(), m_lines.cend(), [&](const Line &line) {
        return line.pid == pid && line.call == syscall;
    }));
}

qsizetype SyscallTrace::firstMatch(qsizetype start, const QString &pattern) const
{
    const QRegularExpression expression(pattern);
    for (qsizetype i = start; i < m_lines.size(); ++i) {
        if (m_lines[i].pid == mainPid() && expression.match(m_lines[i].text).hasMatch())
            return i;
    }
    return -1;
}

int SyscallTrace::invocation(const CallLocator &locator) const
{
    qsizetype begin = locator.from.isEmpty() ? 0 : firstMatch(0, locator.from);
    if (begin >= 0 && !locator.after.isEmpty())
        begin = firstMatch(begin, locator.after);
    if (begin < 0)
        return 0;
    qsizetype end = locator.to.isEmpty() ? -1 : firstMatch(begin + 1, locator.to);
    if (end < 0)
        end = m_lines.size();
    const QRegularExpression pattern(locator.pattern);
    int seen = 0; // the main thread's calls of this name up to the current line
    QList<int> matches;
    for (qsizetype i = 0; i < end; ++i) {
        if (m_lines[i].pid != mainPid() || m_lines[i].call != locator.syscall)
            continue;
        ++seen;
        if (i >= begin && pattern.match(m_lines[i].text).hasMatch())
            matches.append(seen);
    }
    const qsizetype index = locator.ordinal > 0 ? locator.ordinal - 1 : matches.size() - 1;
    return index >= 0 && index < matches.size() ? matches[index] : 0;
}

QList<SyscallTrace::Line> SyscallTrace::injected() const
{
    QList<Line> out;
    for (const Line &line : m_lines) {
        if (line.text.endsWith(QLatin1String("(INJECTED)")))
            out << line;
    }
    return out;
}

QStringList SyscallTrace::mentioning(const QString &text) const
{
    QStringList out;
    for (const Line &line : m_lines) {
        if (line.text.contains(text))
            out << line.text;
    }
    return out;
}

QString SyscallTrace::lastCall() const
{
    for (auto it = m_lines.crbegin(); it != m_lines.crend(); ++it) {
        if (it->pid == mainPid() && !it->call.isEmpty())
            return it->text;
    }
    return {};
}

bool SyscallTrace::killedBy(const QString &signal) const
{
    const QString note = QStringLiteral("+++ killed by ") + signal;
    return std::any_of(m_lines.cbegin(), m_lines.cend(), [&](const Line &line) {
        return line.pid == mainPid() && line.text.startsWith(note);
    });
}

QString SyscallTrace::injectionProblem(const QStringList &syscalls) const
{
    const QList<Line> lines = injected();
    QStringList seen;
    for (const Line &line : lines) {
        seen << QString::number(line.pid) + u' ' + line.text;
        const bool named = std::any_of(syscalls.cbegin(), syscalls.cend(), [&](const QString &s) {
            return line.text.startsWith(s + u'(') ||
                   line.text.startsWith(QStringLiteral("<... ") + s + QStringLiteral(" resumed>"));
        });
        if (line.pid != mainPid() || !named)
            return QStringLiteral("injected elsewhere: ") + seen.join(QStringLiteral(" / "));
    }
    if (lines.isEmpty())
        return QStringLiteral("nothing was injected");
    return {};
}

QString SyscallTrace::callBefore(const QString &note) const
{
    QString call;
    for (const Line &line : m_lines) {
        if (line.pid != mainPid())
            continue;
        if (line.text.startsWith(note))
            return call;
        if (!line.call.isEmpty())
            call = line.text;
    }
    return {};
}

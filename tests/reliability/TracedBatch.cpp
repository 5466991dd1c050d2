#include "TracedBatch.h"

TracedBatch::TracedBatch(const QString &traceFile, const QString &traced)
    : m_traceFile(traceFile),
      m_traced(traced.contains(QLatin1String("access")) ? traced
                                                        : traced + QStringLiteral(",access"))
{}

QStringList TracedBatch::options(Scratch scratch) const
{
    QStringList options{QStringLiteral("-e"), m_traced};
    if (scratch == Named)
        options << QStringLiteral("-e")
                << QStringLiteral("inject=access:error=ENOENT:when=%1").arg(m_procCheck);
    return options;
}

BatchOutcome TracedBatch::run(Scratch scratch, const QStringList &options,
                              const QStringList &arguments) const
{
    return BatchRun(BatchRun::underStrace(m_traceFile, this->options(scratch) + options))
        .run(arguments);
}

QString TracedBatch::traceCleanRun(Scratch scratch, const std::function<bool()> &rebuild,
                                   const std::function<bool()> &complete,
                                   const QStringList &arguments)
{
    if (!rebuild())
        return QStringLiteral("cannot build the tree");
    const BatchOutcome outcome = run(scratch, {}, arguments);
    if (!outcome.finished || outcome.crashed || outcome.exitCode != 0)
        return QStringLiteral("the clean run failed: ") + outcome.describe();
    if (!complete())
        return QStringLiteral("the clean run left work undone: ") + outcome.describe();
    m_clean[scratch] = lastTrace();
    return {};
}

QString TracedBatch::traceCleanRuns(const std::function<bool()> &rebuild,
                                    const std::function<bool()> &complete,
                                    const QStringList &arguments)
{
    if (const QString problem = traceCleanRun(Unnamed, rebuild, complete, arguments);
        !problem.isEmpty())
        return problem;
    m_offers[Unnamed] = !m_clean[Unnamed].mentioning(QStringLiteral("O_TMPFILE")).isEmpty();
    // Qt asks once, before it makes its first scratch file.
    m_procCheck = m_clean[Unnamed].invocation(
        {QStringLiteral("access"), QStringLiteral("\"/proc/version\"")});
    if (m_procCheck == 0)
        return {};
    if (const QString problem = traceCleanRun(Named, rebuild, complete, arguments);
        !problem.isEmpty())
        return problem;
    m_offers[Named] = m_clean[Named].mentioning(QStringLiteral("O_TMPFILE")).isEmpty();
    return {};
}

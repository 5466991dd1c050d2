#include "FailureTally.h"

#include <QCoreApplication>
#include <QStringList>

#include <numeric>

namespace {

// "1 file", "200 files"; the words are marked with QT_TRANSLATE_NOOP.
QString counted(qsizetype count, const char *singular, const char *plural)
{
    return QStringLiteral("%1 %2").arg(count).arg(
        QCoreApplication::translate("FailureTally", count == 1 ? singular : plural));
}

QString file(qsizetype count)
{
    return counted(count, QT_TRANSLATE_NOOP("FailureTally", "file"),
                   QT_TRANSLATE_NOOP("FailureTally", "files"));
}

// "a", "a and b", "a, b and c".
QString joined(QStringList parts)
{
    parts.removeAll(QString());
    const QString last = parts.isEmpty() ? QString() : parts.takeLast();
    return parts.isEmpty() ? last
                           : QCoreApplication::translate("FailureTally", "%1 and %2")
                                 .arg(parts.join(QStringLiteral(", ")), last);
}

} // namespace

qsizetype FailureTally::total() const
{
    return std::accumulate(m_counts.begin(), m_counts.end(), qsizetype(0));
}

QString FailureTally::notChanged() const
{
    const qsizetype files =
        count(Kind::File) + count(Kind::ChangedSinceRun) + count(Kind::GoneSinceRun);
    const qsizetype folders = count(Kind::Folder);
    return joined(
        {files ? tr("%1 could not be changed").arg(file(files)) : QString(),
         folders ? tr("%1 left out")
                       .arg(counted(folders, QT_TR_NOOP("entry was"), QT_TR_NOOP("entries were")))
                 : QString()});
}

QString FailureTally::notPutBack() const
{
    const qsizetype changed = count(Kind::ChangedSinceRun), gone = count(Kind::GoneSinceRun);
    const qsizetype other = count(Kind::File) + count(Kind::Folder);
    return joined({changed ? tr("%1 changed since the run").arg(file(changed)) : QString(),
                   gone ? tr("%1 no longer there").arg(file(gone)) : QString(),
                   other ? tr("%1 that could not be put back").arg(file(other)) : QString()});
}

QString FailureTally::whereListed() const
{
    return total() == 1 ? tr("It is listed, with the reason, in the progress window.")
                        : tr("They are listed, with the reasons, in the progress window.");
}

#include "app/FailureTally.h"

#include <QStringList>

#include <numeric>

namespace {

// "1 file", "200 files".
QString counted(qsizetype count, const char *singular, const char *plural)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? singular : plural));
}

// "a", "a and b", "a, b and c".
QString joined(QStringList parts)
{
    parts.removeAll(QString());
    const QString last = parts.isEmpty() ? QString() : parts.takeLast();
    return parts.isEmpty() ? last
                           : parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
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
    return joined({files ? counted(files, "file", "files") + QStringLiteral(" could not be changed")
                         : QString(),
                   folders
                       ? counted(folders, "entry was", "entries were") + QStringLiteral(" left out")
                       : QString()});
}

QString FailureTally::notPutBack() const
{
    const qsizetype changed = count(Kind::ChangedSinceRun), gone = count(Kind::GoneSinceRun);
    const qsizetype other = count(Kind::File) + count(Kind::Folder);
    return joined(
        {changed ? counted(changed, "file", "files") + QStringLiteral(" changed since the run")
                 : QString(),
         gone ? counted(gone, "file", "files") + QStringLiteral(" no longer there") : QString(),
         other ? counted(other, "file", "files") + QStringLiteral(" that could not be put back")
               : QString()});
}

QString FailureTally::whereListed() const
{
    return total() == 1
               ? QStringLiteral("It is listed, with the reason, in the progress window.")
               : QStringLiteral("They are listed, with the reasons, in the progress window.");
}

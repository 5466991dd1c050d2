#include "journal/JournalReader.h"

#include "file/FileFailure.h"
#include "journal/JournalHome.h"
#include "journal/JournalLayout.h"

namespace {

using Problem = FileFailure::EntryProblem;

} // namespace

QString JournalReader::root() const
{
    return JournalHome::rootOf(m_run.read(JournalLayout::runNote).value_or(QByteArray()));
}

QMap<qint64, QString> JournalReader::entries() const
{
    QMap<qint64, QString> entries;
    for (const JournalFolder::Item &item : m_run.items()) {
        if (const qint64 number = JournalLayout::numberOf(item.name, JournalLayout::entrySuffix))
            entries.insert(number, item.name);
    }
    return entries;
}

qint64 JournalReader::pages() const
{
    qint64 pages = 0;
    for (const JournalFolder::Item &item : m_run.items()) {
        if (item.kind == JournalFolder::Kind::File &&
            JournalLayout::numberOf(item.name, JournalLayout::entrySuffix) > 0)
            ++pages;
    }
    return pages;
}

JournalReader::Read JournalReader::entry(qint64 number, const QString &name) const
{
    Read read;
    read.entry.path = m_run.path() + u'/' + name;
    QFile file;
    QString reason;
    if (!m_run.openFile(name, file, reason))
        return {read.entry, FileFailure::entryUnusable(Problem::Unreadable, reason)};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {read.entry, FileFailure::entryUnusable(Problem::Unreadable, file.errorString())};
    const std::optional<JournalEntry> entry = JournalEntry::fromJson(bytes);
    if (!entry)
        return {read.entry, FileFailure::entryUnusable(Problem::Incomplete)};
    // The original is the one named after the entry, so no other file, in the run's folder or
    // outside it, is ever taken for one.
    if (entry->kept != JournalLayout::original(number).toLatin1())
        return {read.entry, FileFailure::entryUnusable(Problem::OtherOriginal)};
    return {*entry, {}};
}

bool JournalReader::openOriginal(const JournalEntry &entry, QFile &file, QString &reason) const
{
    return m_run.openFile(QString::fromLatin1(entry.kept), file, reason);
}

#include "journal/JournalReader.h"

#include "file/FileFailure.h"
#include "journal/JournalHome.h"
#include "journal/JournalLayout.h"

#include <QSet>

namespace {

using Problem = FileFailure::EntryProblem;

} // namespace

QString JournalReader::root() const
{
    return JournalHome::rootOf(m_run.read(JournalLayout::runNote).value_or(QByteArray()));
}

// A group's entry whose original is gone was let go of: its page was not replaced after all
// (RunJournal::forgetUnlessPlaced, JournalHome::recover), and the group's other entries stay.
QMap<qint64, QString> JournalReader::entries() const
{
    const QList<JournalFolder::Item> items = m_run.items();
    QSet<QString> names;
    for (const JournalFolder::Item &item : items)
        names.insert(item.name);
    QMap<qint64, QString> entries;
    for (const JournalFolder::Item &item : items) {
        if (const qint64 number = JournalLayout::numberOf(item.name, JournalLayout::entrySuffix))
            entries.insert(number, item.name);
    }
    for (const JournalFolder::Item &item : items) {
        const auto group = JournalLayout::groupOf(item.name);
        for (qint64 n = group ? group->first : 1; group && n <= group->second; ++n) {
            if (!entries.contains(n) && names.contains(JournalLayout::original(n)))
                entries.insert(n, item.name);
        }
    }
    return entries;
}

qint64 JournalReader::pages() const
{
    QSet<QString> files;
    for (const JournalFolder::Item &item : m_run.items()) {
        if (item.kind == JournalFolder::Kind::File)
            files.insert(item.name);
    }
    qint64 pages = 0;
    for (const QString &name : entries())
        pages += files.contains(name) ? 1 : 0;
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
    const auto group = JournalLayout::groupOf(name);
    const std::optional<JournalEntry> entry =
        group ? JournalEntry::fromGroupJson(bytes, number) : JournalEntry::fromJson(bytes);
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

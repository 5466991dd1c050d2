// What RunJournal does alike on every platform: the bookkeeping of the pages whose originals
// are kept, and the group file their entries go to.
#include "journal/RunJournal.h"

#include "journal/JournalLayout.h"

namespace {

qint64 numberOf(const JournalEntry &entry)
{
    return JournalLayout::numberOf(QString::fromLatin1(entry.kept), JournalLayout::originalSuffix);
}

} // namespace

qsizetype RunJournal::openIndex(const QByteArray &kept) const
{
    for (qsizetype i = 0; i < m_open.size(); ++i) {
        if (m_open.at(i).entry.kept == kept)
            return i;
    }
    return -1;
}

void RunJournal::placed(const QByteArray &kept)
{
    if (const qsizetype i = openIndex(kept); i >= 0)
        m_open.removeAt(i);
}

std::optional<RunJournal::Group> RunJournal::nextGroup() const
{
    QList<JournalEntry> entries;
    for (const Open &open : m_open) {
        if (open.noted && !open.written)
            entries.append(open.entry);
    }
    if (entries.isEmpty())
        return std::nullopt;
    return Group{JournalLayout::group(numberOf(entries.first()), numberOf(entries.last())),
                 JournalEntry::groupJson(entries)};
}

// A group that fails goes again with the next: none of its pages may be replaced.
bool RunJournal::writeGroup()
{
    const std::optional<Group> group = nextGroup();
    if (!group)
        return true;
    if (!writeGroupFile(*group))
        return false;
    groupWritten(*group);
    return true;
}

void RunJournal::groupWritten(const Group &group)
{
    for (Open &open : m_open) {
        m_entries += open.noted && !open.written ? 1 : 0;
        open.written = open.written || open.noted;
    }
    m_bytes += group.bytes.size();
}

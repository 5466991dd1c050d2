#include "journal/JournalEntry.h"

#include "file/ContentHash.h"
#include "journal/JournalLayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// JSON numbers are doubles: 64-bit values go as text, so that no inode number is rounded.
QString number(quint64 value)
{
    return QString::number(value);
}

std::optional<quint64> unsignedOf(const QJsonValue &value)
{
    bool ok = false;
    const quint64 n = value.toString().toULongLong(&ok);
    return ok ? std::optional(n) : std::nullopt;
}

// The entry's key for a digest, after its kind; none for a digest of no kind.
QString hashKey(const QByteArray &digest)
{
    const std::optional<ContentHash::Kind> kind = ContentHash::kindOf(digest);
    if (!kind)
        return {};
    return *kind == ContentHash::Kind::Sha256 ? QStringLiteral("sha256")
                                              : QStringLiteral("xxh3_128");
}

} // namespace

QByteArray JournalEntry::toJson() const
{
    const QJsonObject newFile{
        {"device", number(written.device)},
        {"inode", number(written.inode)},
        {"size", number(quint64(written.size))},
        {"modified",
         QJsonArray{number(quint64(written.modified[0])), number(quint64(written.modified[1]))}},
        {hashKey(written.hash), QString::fromLatin1(written.hash.toHex())},
    };
    QJsonObject entry{
        {"path", path},       {"kept", QString::fromUtf8(kept)},
        {"copied", copied},   {"originalSize", number(quint64(originalSize))},
        {"written", newFile},
    };
    if (originalModified)
        entry.insert("originalModified",
                     QJsonArray{number(quint64(originalModified->seconds)),
                                number(quint64(originalModified->nanoseconds))});
    return QJsonDocument(entry).toJson(QJsonDocument::Compact);
}

std::optional<JournalEntry> JournalEntry::fromJson(const QByteArray &bytes)
{
    const QJsonObject entry = QJsonDocument::fromJson(bytes).object();
    const QJsonObject newFile = entry.value("written").toObject();
    const QJsonArray modified = newFile.value("modified").toArray();
    const std::optional<quint64> values[] = {
        unsignedOf(newFile.value("device")), unsignedOf(newFile.value("inode")),
        unsignedOf(newFile.value("size")),   unsignedOf(modified.at(0)),
        unsignedOf(modified.at(1)),          unsignedOf(entry.value("originalSize"))};
    for (const std::optional<quint64> &value : values) {
        if (!value)
            return std::nullopt;
    }
    JournalEntry result;
    result.path = entry.value("path").toString();
    result.kept = entry.value("kept").toString().toUtf8();
    result.copied = entry.value("copied").toBool();
    result.originalSize = qint64(*values[5]);
    // The key names the hash's kind (earlier versions kept SHA-256 only); its size must fit.
    const QString key = newFile.contains("xxh3_128") ? "xxh3_128" : "sha256";
    result.written = {*values[0],
                      *values[1],
                      qint64(*values[2]),
                      {qint64(*values[3]), qint64(*values[4])},
                      QByteArray::fromHex(newFile.value(key).toString().toLatin1())};
    const QJsonArray originalModified = entry.value("originalModified").toArray();
    const std::optional<quint64> seconds = unsignedOf(originalModified.at(0));
    const std::optional<quint64> nanoseconds = unsignedOf(originalModified.at(1));
    if (seconds && nanoseconds)
        result.originalModified = FileStamp::Time{qint64(*seconds), qint64(*nanoseconds)};
    if (result.path.isEmpty() || result.kept.isEmpty() || hashKey(result.written.hash) != key)
        return std::nullopt;
    return result;
}

// Each line begins with the number of the entry's own original, so that an entry is found
// without parsing the others, and one that names another original is seen to.
QByteArray JournalEntry::groupJson(const QList<JournalEntry> &entries)
{
    QByteArray bytes;
    for (const JournalEntry &entry : entries) {
        const qint64 number =
            JournalLayout::numberOf(QString::fromLatin1(entry.kept), JournalLayout::originalSuffix);
        bytes += QByteArray::number(number) + ' ' + entry.toJson() + '\n';
    }
    return bytes;
}

// Each line ends with its break: a last line cut short by a kill is not taken even where what
// is left of it happens to parse.
std::optional<JournalEntry> JournalEntry::fromGroupJson(const QByteArray &bytes, qint64 number)
{
    const QByteArray start = QByteArray::number(number) + ' ';
    for (qsizetype from = 0, end = 0; (end = bytes.indexOf('\n', from)) >= 0; from = end + 1) {
        const QByteArray line = bytes.sliced(from, end - from);
        if (line.startsWith(start))
            return fromJson(line.sliced(start.size()));
    }
    return std::nullopt;
}

// Identity, size and modification time: a rename keeps them, a writer moves at least one.
bool JournalEntry::Written::matches(const FileStamp &stamp) const
{
    return stamp.identity().device == device && stamp.identity().inode == inode &&
           stamp.size() == size && stamp.modified().seconds == modified[0] &&
           stamp.modified().nanoseconds == modified[1];
}

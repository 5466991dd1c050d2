#include "journal/JournalFolder.h"

std::optional<QByteArray> JournalFolder::read(const QString &name) const
{
    QFile file;
    QString error;
    if (!openFile(name, file, error))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    return file.error() == QFileDevice::NoError ? std::optional(bytes) : std::nullopt;
}

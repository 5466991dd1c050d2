#pragma once

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

/// A fresh folder for one test case. Files are written with an old modification time, so that
/// state() shows any later write to them, even within the same clock tick.
class RewriteFixture
{
public:
    QString folder() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    bool write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
               file.flush() &&
               file.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6, 789), Qt::UTC),
                                QFileDevice::FileModificationTime);
    }

    QByteArray read(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    /// Every entry, hidden ones included: shows a scratch file left behind.
    QStringList names() const
    {
        return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                        QDir::NoDotAndDotDot);
    }

    /// Each entry with a link's target, or a file's permissions, time and bytes (a hash).
    QStringList state() const
    {
        QStringList lines = names();
        for (QString &line : lines) {
            const QFileInfo info(path(line));
            if (info.isSymLink())
                line += QStringLiteral(" -> ") + info.symLinkTarget();
            else if (info.isFile()) // not a FIFO: reading it would block
                line += QStringLiteral(" %1 %2 ")
                            .arg(info.permissions().toInt())
                            .arg(info.lastModified().toMSecsSinceEpoch()) +
                        QCryptographicHash::hash(read(info.fileName()), QCryptographicHash::Sha1)
                            .toHex();
        }
        return lines;
    }

private:
    QTemporaryDir m_dir;
};

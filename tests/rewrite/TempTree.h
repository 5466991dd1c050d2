#pragma once

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

/// A fresh folder for one test case. Files get an old modification time unless told otherwise,
/// so that state() shows any later write to them, even within the same clock tick.
class TempTree
{
public:
    static inline const QDateTime old{QDate(2001, 2, 3), QTime(4, 5, 6, 789), Qt::UTC};

    QString path(const QString &name = {}) const { return QDir(m_dir.path()).filePath(name); }

    /// Creates or overwrites name and the folders it needs; an invalid time leaves it current.
    bool write(const QString &name, const QByteArray &bytes, const QDateTime &time = old) const
    {
        QFile file(path(name));
        return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly) &&
               file.write(bytes) == bytes.size() && file.flush() &&
               (!time.isValid() || file.setFileTime(time, QFileDevice::FileModificationTime));
    }

    QByteArray read(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    /// Each entry, hidden ones (a scratch file) included, with a link's target, or a file's
    /// permissions, time and bytes (a hash).
    QStringList state() const
    {
        QStringList lines = QDir(path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                   QDir::NoDotAndDotDot);
        for (QString &line : lines) {
            const QFileInfo info(path(line));
            if (info.isSymLink())
                line += QStringLiteral(" -> ") + info.symLinkTarget();
            else if (info.isFile()) // not a FIFO: reading it would block
                line += QStringLiteral(" %1 %2 ")
                            .arg(info.permissions().toInt())
                            .arg(info.lastModified().toMSecsSinceEpoch()) +
                        QCryptographicHash::hash(read(line), QCryptographicHash::Sha1).toHex();
        }
        return lines;
    }

private:
    QTemporaryDir m_dir;
};

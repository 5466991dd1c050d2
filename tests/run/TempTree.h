#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

/// A fresh folder for one test case, with the file operations the run tests need.
class TempTree
{
public:
    QString path(const QString &name = {}) const
    {
        return QDir(m_dir.path()).filePath(name); // an absolute name as it is
    }

    /// Creates or overwrites name, and the folders it needs, with exactly bytes.
    bool write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly) &&
               file.write(bytes) == bytes.size();
    }

    /// The bytes of name; "<unreadable>" when it cannot be read.
    QByteArray read(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

private:
    QTemporaryDir m_dir;
};

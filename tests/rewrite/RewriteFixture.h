#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

/// A fresh folder for one test case, with the file operations the rewrite tests need.
class RewriteFixture
{
public:
    RewriteFixture();

    bool isValid() const { return m_dir.isValid(); }
    QString folder() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    /// Creates or overwrites the file name with exactly bytes.
    bool write(const QString &name, const QByteArray &bytes) const;

    /// The bytes of file name; a null array when it cannot be read.
    QByteArray read(const QString &name) const;

    /// Every entry of the folder, hidden ones included, sorted: shows a scratch file left behind.
    QStringList entries() const;

private:
    QTemporaryDir m_dir;
};

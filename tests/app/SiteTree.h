#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

/// A throw-away folder of web pages for one test. Relative paths use '/'.
class SiteTree
{
public:
    /// Gives read-only files their write permission back: Windows refuses to delete them.
    ~SiteTree();

    bool isValid() const { return m_dir.isValid(); }

    /// Absolute path of relative (the tree's root for an empty one), with '/' separators.
    QString path(const QString &relative = QString()) const;
    /// The same path as the program shows it.
    QString native(const QString &relative = QString()) const;

    /// Writes a file, creating the folders above it.
    bool write(const QString &relative, const QByteArray &content);
    QByteArray read(const QString &relative) const;
    bool addFolder(const QString &relative);
    /// Takes every write permission away: rewriting the file must then fail, even for root.
    bool makeReadOnly(const QString &relative);

private:
    QTemporaryDir m_dir;
};

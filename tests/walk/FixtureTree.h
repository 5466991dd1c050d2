#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

/// A throw-away folder tree for one test. Relative paths use '/' and are made native where the
/// walk's output is compared.
class FixtureTree
{
public:
    FixtureTree();

    bool isValid() const { return m_dir.isValid(); }
    /// Absolute path of relative (the tree's root for an empty one), with '/' separators.
    QString path(const QString &relative = QString()) const;
    /// The same path as the walk writes it into the file list.
    QString native(const QString &relative = QString()) const;
    /// native() of every relative path, in the given order.
    QStringList natives(const QStringList &relatives) const;
    /// natives() of the paths, each taken below folder.
    QStringList natives(const QString &folder, const QStringList &relatives) const;

    /// Creates a small file, and any folders above it.
    bool addFile(const QString &relative);
    /// addFile() of each path below folder (the tree's root for an empty one).
    bool addFiles(const QString &folder, const QStringList &relatives);
    /// Creates a folder, and any folders above it.
    bool addFolder(const QString &relative);

private:
    QTemporaryDir m_dir;
};

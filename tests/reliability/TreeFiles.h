#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// A page of a fixture tree: its name below the tree's root, its bytes before a run and the
/// bytes a complete run must leave in it.
struct Page
{
    QString name;
    QByteArray before;
    QByteArray after;
};

/// File helpers shared by the end-to-end tests.
namespace TreeFiles {

/// Whether the tests run as root (as CI does): some cases need it, some need to drop it.
bool isRoot();

/// Writes bytes to path, creating missing folders, with mode 0644.
bool write(const QString &path, const QByteArray &bytes);

/// The bytes of path; a null array when it cannot be read.
QByteArray read(const QString &path);

/// Every entry of folder, hidden ones included, sorted: shows a scratch file left behind.
QStringList entries(const QString &folder);

/// Removes root with everything below it (also folders without write permission), then
/// writes every page below it.
bool rebuild(const QString &root, const QList<Page> &pages);

/// A page of exactly size bytes, lines ending in CR LF, each starting with word (so even a
/// page of a few bytes holds it).
QByteArray pageText(qsizetype size, const QByteArray &word);

/// A page whose text holds search, with its text after the run's replacement.
Page page(const QString &name, qsizetype size, const QByteArray &search,
          const QByteArray &replacement);

/// Whether root holds exactly the pages, each with its new text: a run did all its work.
bool isDone(const QString &root, const QList<Page> &pages);

/// A page without the search text: a run must leave it alone.
Page untouchedPage(const QString &name, qsizetype size);

} // namespace TreeFiles

#include "JournalFolder.h"

#include "JournalEntry.h"
#include "JournalHome.h"

#include "WindowsFileReplace.h"

#include <QDir>
#include <QFileInfo>

namespace {

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
}

// A run holds its run.json open, undeletable, while it goes on (RunJournal::open).
bool isBusy(const QString &run)
{
    return IsHeld(nativePath(run + QStringLiteral("/run.json")));
}

} // namespace

bool JournalFolder::removeUnlessBusy(const QString &run)
{
    if (isBusy(run))
        return false;
    QDir(run).removeRecursively();
    return true;
}

// A kept original that still has another name was never replaced: that name is the page's, and
// the hard link would make the next run refuse the page as having other names. Nor was one
// without a complete entry, which a page gets before it is replaced: a copy cut short, say.
// A run that settled (JournalHome::settle) left none, and its originals are not looked through.
void JournalFolder::releaseUnreplaced(const QString &run)
{
    if (JournalHome::settledBytes(run) >= 0 || isBusy(run))
        return;
    const QDir folder(run);
    for (const QString &name : folder.entryList({QStringLiteral("*.orig")}, QDir::Files)) {
        WindowsFileFacts facts;
        std::wstring error;
        if (!ReadFileFacts(nativePath(folder.filePath(name)), facts, error) ||
            (facts.links < 2 && !JournalEntry::missingAt(run + u'/' + name.chopped(5) + ".entry")))
            continue;
        QFile::remove(folder.filePath(name.chopped(5) + QStringLiteral(".entry")));
        QFile::remove(folder.filePath(name));
    }
}

#include "JournalHome.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QStringList entryPattern{QStringLiteral("*.entry")};

bool hasChanges(const QString &run)
{
    return !QDir(run).entryList(entryPattern, QDir::Files).isEmpty();
}

qint64 bytesOf(const QString &run)
{
    qint64 bytes = 0;
    for (QDirIterator it(run, QDir::Files | QDir::Hidden); it.hasNext();)
        bytes += it.nextFileInfo().size();
    return bytes;
}

// A run holds its folder locked while it works; another run of the program must not change the
// folder under it. Runs work on the folder unless it is busy; false: it was.
template <typename Work> bool unlessBusy(const QString &run, Work work)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(run).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool idle = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (idle)
        work(fd);
    ::close(fd);
    return idle;
#else
    Q_UNUSED(run);
    work(-1);
    return true;
#endif
}

bool removeUnlessBusy(const QString &run)
{
    return unlessBusy(run, [&](int) { QDir(run).removeRecursively(); });
}

#ifdef Q_OS_UNIX
// A kept original that still has another name was never replaced: that name is the page's.
void releaseUnreplaced(int run)
{
    const QStringList names = QDir(QStringLiteral("/proc/self/fd/%1").arg(run))
                                  .entryList({QStringLiteral("*.orig")}, QDir::Files);
    for (const QString &name : names) {
        const QByteArray kept = QFile::encodeName(name);
        struct stat status = {};
        if (::fstatat(run, kept.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            status.st_nlink < 2)
            continue;
        ::unlinkat(run, (kept.chopped(5) + ".entry").constData(), 0);
        ::unlinkat(run, kept.constData(), 0);
    }
}
#endif

} // namespace

QString JournalHome::location()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tagmender/journal");
}

QStringList JournalHome::runs(const QString &home)
{
    QStringList runs;
    const QDir folder(home);
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (hasChanges(folder.filePath(name)))
            runs.append(folder.filePath(name));
    }
    return runs;
}

QString JournalHome::latestRun(const QString &home)
{
    const QStringList all = runs(home);
    return all.isEmpty() ? QString() : all.last();
}

void JournalHome::prune(const QString &home)
{
    const QDir folder(home);
    QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    int kept = 1; // the run about to start
    qint64 bytes = 0;
    while (!names.isEmpty()) {
        const QString run = folder.filePath(names.takeLast());
        const bool room =
            hasChanges(run) && kept < KeptRuns && (bytes += bytesOf(run)) <= KeptBytes;
        if (room || !removeUnlessBusy(run))
            ++kept;
    }
}

void JournalHome::recover(const QString &home)
{
#ifdef Q_OS_UNIX
    const QDir folder(home);
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        unlessBusy(folder.filePath(name), releaseUnreplaced);
#else
    Q_UNUSED(home);
#endif
}

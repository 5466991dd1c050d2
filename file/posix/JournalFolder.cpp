#include "JournalFolder.h"

#include "JournalEntry.h"
#include "JournalHome.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs work on the folder, open as a descriptor, unless another run holds it; false: it did.
template <typename Work> bool unlessBusy(const QString &run, Work work)
{
    const int fd = ::open(QFile::encodeName(run).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool idle = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (idle)
        work(fd);
    ::close(fd);
    return idle;
}

} // namespace

bool JournalFolder::removeUnlessBusy(const QString &run)
{
    return unlessBusy(run, [&](int) { QDir(run).removeRecursively(); });
}

// A kept original that still has another name was never replaced: that name is the page's, and
// the hard link would make the next run refuse the page as having other names. Nor was one
// without a complete entry, which a page gets before it is replaced: a copy cut short, say.
// A run that settled (JournalHome::settle) left none, and its originals are not looked through.
void JournalFolder::releaseUnreplaced(const QString &run)
{
    if (JournalHome::settledBytes(run) >= 0)
        return;
    unlessBusy(run, [&run](int folder) {
        const QStringList names = QDir(QStringLiteral("/proc/self/fd/%1").arg(folder))
                                      .entryList({QStringLiteral("*.orig")}, QDir::Files);
        for (const QString &name : names) {
            const QByteArray kept = QFile::encodeName(name);
            struct stat status = {};
            if (::fstatat(folder, kept.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
                (status.st_nlink < 2 &&
                 !JournalEntry::missingAt(run + u'/' + name.chopped(5) + ".entry")))
                continue;
            ::unlinkat(folder, (kept.chopped(5) + ".entry").constData(), 0);
            ::unlinkat(folder, kept.constData(), 0);
        }
    });
}

#include "PreScanFile.h"

#include "OpenFolder.h"
#include "SearchPreScan.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <memory>
#include <new>

#ifdef Q_OS_UNIX
#include "PosixFileReader.h"

#include <cerrno>
#include <fcntl.h>
#endif

namespace {

const QString cannotOpen = QStringLiteral("cannot open the file: ");

bool fail(PreScanVerdict &verdict, const QString &reason)
{
    verdict.kind = PreScanVerdict::Kind::Failed;
    verdict.reason = reason;
    return false;
}

#ifdef Q_OS_UNIX

// Like the rewrite, looks at the path before opening it, so that nothing but a regular file is
// ever opened, and opens it non-blocking and without following a link all the same in case a
// FIFO or a link took its place. The stamp is then that of the file actually opened: should
// another file have taken the path in between (or should the open folder be stale), the verdict
// describes that file, and the rewrite, finding another stamp at the path, scans again.
bool openRegularFile(const QString &path, OpenFolder *folder, PreScanVerdict &verdict,
                     std::unique_ptr<QIODevice> &file)
{
    const QByteArray encoded = QFile::encodeName(path);
    int at = AT_FDCWD;
    const char *name = encoded.constData();
    const qsizetype slash = encoded.lastIndexOf('/');
    if (folder && slash >= 0 && slash + 1 < encoded.size()) {
        const QByteArrayView parent = QByteArrayView(encoded).first(std::max<qsizetype>(slash, 1));
        if (const int fd = folder->descriptor(parent); fd >= 0) {
            at = fd;
            name += slash + 1;
        }
    }
    verdict.stamp = FileStamp::readAt(at, name);
    if (!verdict.stamp)
        return fail(verdict, cannotOpen + qt_error_string(errno));
    if (!verdict.stamp->isRegularFile())
        return fail(verdict, QStringLiteral("not a regular file"));
    const int fd = ::openat(at, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(verdict, errno == ELOOP ? QStringLiteral("not a regular file")
                                            : cannotOpen + qt_error_string(errno));
    file = std::make_unique<PosixFileReader>(fd);
    verdict.stamp = FileStamp::readOpen(fd);
    if (!verdict.stamp)
        return fail(verdict, cannotOpen + qt_error_string(errno));
    if (!verdict.stamp->isRegularFile())
        return fail(verdict, QStringLiteral("not a regular file"));
    return true;
}

#else

bool openRegularFile(const QString &path, OpenFolder *, PreScanVerdict &verdict,
                     std::unique_ptr<QIODevice> &file)
{
    verdict.stamp = FileStamp::read(path);
    if (!verdict.stamp)
        return fail(verdict, cannotOpen + QStringLiteral("no such file"));
    if (!verdict.stamp->isRegularFile())
        return fail(verdict, QStringLiteral("not a regular file"));
    auto qfile = std::make_unique<QFile>(path);
    if (!qfile->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(verdict, cannotOpen + qfile->errorString());
    file = std::move(qfile);
    return true;
}

#endif

} // namespace

// A failed allocation costs this file's verdict, not the run (nor the thread it runs on).
PreScanVerdict PreScanFile(const QString &path, ReplacementTexts &texts, std::stop_token stop,
                           OpenFolder *folder, const std::function<void()> &yield)
try {
    PreScanVerdict verdict;
    std::unique_ptr<QIODevice> file;
    if (!openRegularFile(path, folder, verdict, file))
        return verdict;
    SearchPreScan preScan(texts, yield, SearchPreScan::DefaultChunkBytes, std::move(stop));
    const std::optional<SearchPreScan::Result> scan = preScan.scan(*file, verdict.stamp->size());
    if (!scan) {
        fail(verdict, preScan.stopped()
                          ? QStringLiteral("stopped")
                          : QStringLiteral("cannot read the file: ") + file->errorString());
        return verdict;
    }
    verdict.kind =
        scan->occurs ? PreScanVerdict::Kind::MayOccur : PreScanVerdict::Kind::CannotOccur;
    verdict.scan = *scan;
    return verdict;
} catch (const std::bad_alloc &) {
    PreScanVerdict verdict;
    fail(verdict, QStringLiteral("not enough memory to read the file"));
    return verdict;
}

#include "PreScanFile.h"

#include "FileFailure.h"
#include "FolderChain.h"
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

bool fail(PreScanVerdict &verdict, const QString &reason)
{
    verdict.kind = PreScanVerdict::Kind::Failed;
    verdict.reason = reason;
    return false;
}

#ifdef Q_OS_UNIX

// Like the rewrite, looks at the page before opening it, so that nothing but a regular file is
// ever opened, and opens it non-blocking and without following a link all the same in case a
// FIFO or a link took its place. The stamp is then that of the file actually opened: should
// another file have taken the name in between, the verdict describes that file, and the
// rewrite, finding another stamp there, scans again.
bool openRegularFile(const PageLocation &page, PreScanVerdict &verdict,
                     std::unique_ptr<QIODevice> &file)
{
    verdict.stamp = FileStamp::read(page);
    if (!verdict.stamp)
        return fail(verdict, FileFailure::cannotOpen(errno));
    if (!verdict.stamp->isRegularFile())
        return fail(verdict, FileFailure::notRegular());
    const int fd = ::openat(page.folder, page.name.constData(),
                            O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(verdict,
                    errno == ELOOP ? FileFailure::notRegular() : FileFailure::cannotOpen(errno));
    file = std::make_unique<PosixFileReader>(fd);
    verdict.stamp = FileStamp::readOpen(fd);
    if (!verdict.stamp)
        return fail(verdict, FileFailure::cannotOpen(errno));
    if (!verdict.stamp->isRegularFile())
        return fail(verdict, FileFailure::notRegular());
    return true;
}

#else

bool openRegularFile(const PageLocation &page, PreScanVerdict &verdict,
                     std::unique_ptr<QIODevice> &file)
{
    verdict.stamp = FileStamp::read(page);
    if (!verdict.stamp)
        return fail(verdict, FileFailure::cannotOpen(QStringLiteral("no such file")));
    if (!verdict.stamp->isRegularFile())
        return fail(verdict, FileFailure::notRegular());
    auto qfile = std::make_unique<QFile>(page.path);
    if (!qfile->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(verdict, FileFailure::cannotOpen(qfile->errorString()));
    file = std::move(qfile);
    return true;
}

#endif

} // namespace

// A failed allocation costs this file's verdict, not the run (nor the thread it runs on).
PreScanVerdict PreScanFile(const PageLocation &page, const ReplacementTexts &texts,
                           std::stop_token stop, const std::function<void()> &yield)
try {
    PreScanVerdict verdict;
    std::unique_ptr<QIODevice> file;
    if (!openRegularFile(page, verdict, file))
        return verdict;
    SearchPreScan preScan(texts, yield, SearchPreScan::DefaultChunkBytes, std::move(stop));
    const std::optional<SearchPreScan::Result> scan = preScan.scan(*file, verdict.stamp->size());
    if (!scan) {
        fail(verdict, preScan.stopped() ? QStringLiteral("stopped")
                                        : FileFailure::cannotRead(file->errorString()));
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

PreScanVerdict PreScanFile(const QString &path, const ReplacementTexts &texts, std::stop_token stop,
                           const std::function<void()> &yield)
{
    FolderChain folders;
    PreScanVerdict verdict;
    const std::optional<PageLocation> page = folders.locate(path, verdict.reason);
    if (!page)
        return verdict;
    return PreScanFile(*page, texts, std::move(stop), yield);
}

#include "file/ListedFile.h"

#include "file/FileFailure.h"
#include "file/posix/ListedFileNative.h"
#include "file/posix/PosixStamp.h"

#include <cerrno>
#include <fcntl.h>

ListedFile::ListedFile() : d(std::make_unique<Native>()) {}

ListedFile::~ListedFile() = default;

// The look before the open is what keeps a FIFO, socket or device that the listing saw from
// being opened at all (opening some devices has effects); the flags keep one that took the
// name since from blocking the open, and O_NOFOLLOW fails with ELOOP on a link.
bool ListedFile::open(const PageLocation &page)
{
    d->reader.reset();
    m_error.clear();
    PosixFileMetadata &metadata = d->metadata;
    if (!metadata.readAt(page.folder, page.name.constData()))
        return fail(FileFailure::cannotOpen(errno));
    if (!metadata.isRegularFile())
        return fail(FileFailure::notRegular());
    const int fd = ::openat(page.folder, page.name.constData(),
                            O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(errno == ELOOP ? FileFailure::notRegular() : FileFailure::cannotOpen(errno));
    d->reader.emplace(fd);
    if (!metadata.readOpen(fd))
        return fail(FileFailure::cannotOpen(errno));
    if (!metadata.isRegularFile())
        return fail(FileFailure::notRegular());
    m_stamp = StampOfStatus(metadata.status());
    return true;
}

void ListedFile::close()
{
    d->reader.reset();
}

QIODevice &ListedFile::device()
{
    return *d->reader;
}

bool ListedFile::fail(const QString &reason)
{
    d->reader.reset();
    m_error = reason;
    return false;
}

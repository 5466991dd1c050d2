#include "file/ListedFile.h"

#include "file/FileFailure.h"
#include "file/posix/ListedFileNative.h"
#include "file/posix/PosixStamp.h"

#include <cerrno>
#include <fcntl.h>

ListedFile::ListedFile() : d(std::make_unique<Native>()) {}

ListedFile::~ListedFile() = default;

// The listing took only entries its folder reported as regular files, so the page is opened
// without a look first; what counts is the file actually opened. Whatever took the name since
// cannot do harm there: the flags keep a FIFO from blocking the open and a terminal from becoming
// the controlling one, O_NOFOLLOW fails with ELOOP on a link, and anything but a regular file
// is closed again unread.
bool ListedFile::open(const PageLocation &page)
{
    d->reader.reset();
    m_error = {};
    PosixFileMetadata &metadata = d->metadata;
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

bool ListedFile::fail(const Failure &failure)
{
    d->reader.reset();
    m_error = failure;
    return false;
}

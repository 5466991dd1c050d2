#include "file/ListedFile.h"

#include "file/FileFailure.h"
#include "file/windows/ListedFileNative.h"

#include <QFileInfo>

#include <io.h>

namespace {

// QFileDevice::handle() is a C runtime descriptor on Windows; Win32 wants the HANDLE behind it.
void *win32Handle(const QFile &file)
{
    return reinterpret_cast<void *>(_get_osfhandle(file.handle()));
}

// QFile and ReadFileFacts follow reparse points; a link is refused by its name instead.
bool isLink(const QFileInfo &info)
{
    return info.isSymLink() || info.isJunction();
}

} // namespace

ListedFile::ListedFile() : d(std::make_unique<Native>()) {}

ListedFile::~ListedFile() = default;

bool ListedFile::open(const PageLocation &page)
{
    d->file.close();
    m_error = {};
    const QFileInfo info(page.path);
    if (isLink(info) || (info.exists() && !info.isFile()))
        return fail(FileFailure::notRegular());
    d->file.setFileName(page.path);
    if (!d->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(FileFailure::cannotOpen(d->file.errorString()));
    // Read through the open handle, so that they describe the file being read.
    std::wstring error;
    if (!ReadFileFacts(win32Handle(d->file), d->facts, error))
        return fail(FileFailure::cannotOpen(QString::fromStdWString(error)));
    const std::optional<FileStamp> stamp = FileStamp::read(page.path);
    if (!stamp)
        return fail(FileFailure::cannotOpen(FileFailure::fileGone()));
    m_stamp = *stamp;
    return true;
}

void ListedFile::close()
{
    d->file.close();
}

QIODevice &ListedFile::device()
{
    return d->file;
}

bool ListedFile::fail(const Failure &failure)
{
    d->file.close();
    m_error = failure;
    return false;
}

#include "file/ScratchFile.h"

#include "ScratchFileNative.h"

ScratchFile::ScratchFile(const PageLocation &page) : d(std::make_unique<Native>(page)) {}

ScratchFile::~ScratchFile() = default;

bool ScratchFile::open()
{
    return d->open();
}

bool ScratchFile::write(const void *data, qsizetype size)
{
    return d->write(data, size);
}

bool ScratchFile::flush()
{
    return d->flush();
}

bool ScratchFile::takeBack(void *data, qsizetype size)
{
    return d->takeBack(data, size);
}

bool ScratchFile::setModified(const FileStamp::Time &time)
{
    return d->setModified(time);
}

void ScratchFile::startWriteBack()
{
    d->startWriteBack();
}

bool ScratchFile::sync()
{
    return d->sync();
}

int ScratchFile::handle() const
{
    return d->handle();
}

bool ScratchFile::commit(const std::function<bool()> &unchanged)
{
    return d->commit(unchanged);
}

bool ScratchFile::place(const std::function<bool()> &unchanged)
{
    return d->place(unchanged);
}

const Failure &ScratchFile::error() const
{
    return d->m_error;
}

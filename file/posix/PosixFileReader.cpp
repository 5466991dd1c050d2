#include "PosixFileReader.h"

#include <QString>

#include <cerrno>
#include <unistd.h>

PosixFileReader::PosixFileReader(int fd) : m_fd(fd)
{
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

PosixFileReader::~PosixFileReader()
{
    ::close(m_fd);
}

bool PosixFileReader::seek(qint64 pos)
{
    if (::lseek(m_fd, off_t(pos), SEEK_SET) != off_t(pos)) {
        setErrorString(qt_error_string(errno));
        return false;
    }
    return QIODevice::seek(pos);
}

qint64 PosixFileReader::readData(char *data, qint64 maxSize)
{
    for (;;) {
        const ssize_t got = ::read(m_fd, data, size_t(maxSize));
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            setErrorString(qt_error_string(errno));
            return -1;
        }
    }
}

qint64 PosixFileReader::writeData(const char *, qint64)
{
    return -1;
}

#include "file/posix/PosixFileReader.h"

#include <QString>

#include <cerrno>
#include <unistd.h>

namespace {

// What stillHoldsWhatWasRead() reads at a time: the file's pages are most likely still cached.
constexpr qint64 ReadAgainBytes = qint64(1) << 20;

} // namespace

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
    m_position = pos;
    if (pos == 0 && m_readHash)
        m_readHash.emplace();
    return QIODevice::seek(pos);
}

void PosixFileReader::keepReadHash()
{
    m_readHash.emplace();
}

bool PosixFileReader::stillHoldsWhatWasRead()
{
    if (!m_readHash || m_readHash->skipped)
        return false;
    ContentHash again(ContentHash::Kind::Xxh3_128);
    QByteArray buffer(qsizetype(qMin<qint64>(m_readHash->length, ReadAgainBytes)), '\0');
    for (qint64 at = 0; at < m_readHash->length;) {
        const ssize_t got =
            ::pread(m_fd, buffer.data(),
                    size_t(qMin<qint64>(buffer.size(), m_readHash->length - at)), off_t(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) // shorter now, or unreadable
            return false;
        again.addData(buffer.constData(), got);
        at += got;
    }
    return again.result() == m_readHash->hash.result();
}

void PosixFileReader::hashRead(const char *data, qint64 size)
{
    if (m_readHash) {
        m_readHash->skipped = m_readHash->skipped || m_position != m_readHash->length;
        m_readHash->hash.addData(data, qsizetype(size));
        m_readHash->length += size;
    }
    m_position += size;
}

qint64 PosixFileReader::readData(char *data, qint64 maxSize)
{
    for (;;) {
        const ssize_t got = ::read(m_fd, data, size_t(maxSize));
        if (got >= 0) {
            hashRead(data, got);
            return got;
        }
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

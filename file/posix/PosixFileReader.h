#pragma once

#include <QIODevice>

/// A read-only device over an open POSIX file descriptor, which it owns. QFile would do, but
/// adopting a descriptor costs it two system calls (a stat and a seek) and each read another
/// one to see the end; on a run over thousands of small files that leave the file unchanged
/// those calls are a large part of the time. Meant for regular files: one short read is the end.
class PosixFileReader : public QIODevice
{
public:
    /// Takes over fd (closed on destruction) and opens the device read-only and unbuffered.
    explicit PosixFileReader(int fd);
    ~PosixFileReader() override;

    PosixFileReader(const PosixFileReader &) = delete;
    PosixFileReader &operator=(const PosixFileReader &) = delete;

    int handle() const { return m_fd; }

    bool isSequential() const override { return false; }
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    int m_fd;
};

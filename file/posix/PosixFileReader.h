#pragma once

#include "ContentHash.h"

#include <QIODevice>

#include <optional>

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

    /// From now on keeps a hash of the bytes read in order from the start of the file, begun
    /// anew by each seek to the start, for stillHoldsWhatWasRead().
    void keepReadHash();
    bool keepsReadHash() const { return m_readHash.has_value(); }

    /// Whether the file still holds, from its start, exactly the bytes hashed since the last seek
    /// to the start: they are read again (pread, which leaves the position) and hashed. False
    /// when no hash is kept, when the reads skipped bytes, and when reading fails.
    bool stillHoldsWhatWasRead();

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    struct ReadHash
    {
        // A declared constructor rather than member initialisers: clang does not count those of a
        // nested type as a default constructor while the enclosing class is being defined.
        ReadHash() : hash(ContentHash::Kind::Xxh3_128), length(0), skipped(false) {}
        ContentHash hash;
        qint64 length; ///< bytes hashed, from the start
        bool skipped;  ///< a read began elsewhere than where the hashed bytes end
    };

    void hashRead(const char *data, qint64 size);

    int m_fd;
    qint64 m_position = 0;
    std::optional<ReadHash> m_readHash;
};

#pragma once

#include "file/Failure.h"
#include "file/FileStamp.h"
#include "file/PageLocation.h"

#include <QIODevice>
#include <QString>

#include <memory>

/// A listed page opened for reading, the one safe way, for the pre-scan and the rewrite alike.
/// The listing took only regular files; as another file may take the name since, the page is
/// opened non-blocking (a FIFO does not wait for a writer), without following a link and without
/// becoming a controlling terminal, and the file actually opened decides: anything but a regular
/// file is closed unread, so nothing but a regular file is ever read or written.
class ListedFile
{
public:
    ListedFile();
    ~ListedFile();

    ListedFile(const ListedFile &) = delete;
    ListedFile &operator=(const ListedFile &) = delete;

    /// Opens page for reading; on failure error() says why, in the words users read.
    bool open(const PageLocation &page);

    /// Lets go of the file.
    void close();

    /// The open file; reads are unbuffered, so the caller reads in large chunks.
    QIODevice &device();

    /// The stamp of the file actually opened, as it was opened.
    const FileStamp &stamp() const { return m_stamp; }

    const Failure &error() const { return m_error; }

    /// The platform's handle and what it read of the file, for the rest of the file layer.
    struct Native;
    Native &native() { return *d; }
    const Native &native() const { return *d; }

private:
    bool fail(const Failure &failure);

    std::unique_ptr<Native> d;
    FileStamp m_stamp;
    Failure m_error;
};

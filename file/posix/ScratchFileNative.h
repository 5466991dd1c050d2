#pragma once

#include "file/FileFailure.h"
#include "file/PageLocation.h"
#include "file/ScratchFile.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

/// The POSIX scratch file: made through the page's open folder, unnamed where it can be.
struct ScratchFile::Native
{
    explicit Native(const PageLocation &page) : m_page(page) {}
    ~Native();

    bool open();
    bool write(const void *data, qsizetype size);
    bool flush();
    bool takeBack(void *data, qsizetype size);
    bool setModified(const FileStamp::Time &time);
    void startWriteBack();
    bool sync();
    int handle() const { return m_fd; }
    bool commit(const std::function<bool()> &unchanged);
    bool place(const std::function<bool()> &unchanged);

    bool createNamed();
    bool giveName();
    bool writeBuffered();
    bool writeOut(const char *data, qsizetype size);
    bool cutFileEnd(char *data, qsizetype size);
    bool fail(FileFailure::ScratchStep step, int errorCode);
    bool fail(const Failure &failure);
    void removeName();
    void setName(const QByteArray &name); ///< also what removeUnfinished() would remove

    PageLocation m_page;
    int m_fd = -1;
    QByteArray m_name; ///< the scratch file's name in the page's folder, once it has one
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_used = 0;
    qint64 m_written = 0; ///< bytes in the file, which is only ever appended to or cut short
    Failure m_error;
};

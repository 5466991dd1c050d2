#pragma once

#include "file/FileFailure.h"
#include "file/PageLocation.h"
#include "file/ScratchFile.h"

#include <QFile>
#include <QString>

#include <functional>

/// The Windows scratch file: a named file beside the page, put in its place by ReplaceFileW.
struct ScratchFile::Native
{
    explicit Native(const PageLocation &page);
    ~Native();

    bool open();
    bool write(const void *data, qsizetype size);
    bool flush();
    bool takeBack(void *data, qsizetype size);
    bool setModified(const FileStamp::Time &time);
    void startWriteBack();
    bool sync();
    int handle() const { return m_file.handle(); }
    bool commit(const std::function<bool()> &unchanged);
    bool place(const std::function<bool()> &unchanged) { return commit(unchanged); }
    bool fail(FileFailure::ScratchStep step, const QString &reason);

    QString m_target;
    // Not QTemporaryFile: its close() keeps the file open, and ReplaceFileW needs the scratch
    // file closed (it opens it for deletion without sharing). QFile's own buffer reports its
    // write errors from write() and flush(), unlike a buffered QSaveFile.
    QFile m_file;
    bool m_created = false;    ///< open() made the file at m_file's name
    bool m_handedOver = false; ///< commit() passed the file on; it is not ours to delete
    Failure m_error;
};

#pragma once

#include "file/Failure.h"

#include <QByteArray>

/// What a dry run rewrites a page into instead of a scratch file: nothing is written anywhere.
/// It keeps only the end of the new text, which the line replacer may take back when a cascade
/// of replacements reaches behind its window; the memory stays bounded however large the page.
/// Has the scratch file's calls that the rewrite uses (see ScratchUnitSink).
class PreviewOutput
{
public:
    /// Bytes kept from the end of the new text: far more than any real cascade reaches back.
    static constexpr qsizetype KeptBytes = qsizetype(16) << 20;

    explicit PreviewOutput(qsizetype keptBytes = KeptBytes) : m_keptBytes(keptBytes) {}

    /// Appends bytes; the oldest go once twice keptBytes are held.
    bool write(const void *data, qsizetype size);

    /// Gives back the last size bytes written. Fails when they reach further back than the
    /// bytes kept: what a real run would then write cannot be told (error() says so).
    bool takeBack(void *data, qsizetype size);

    /// Why takeBack() failed.
    const Failure &error() const { return m_error; }

private:
    qsizetype m_keptBytes;
    QByteArray m_tail;
    Failure m_error;
};

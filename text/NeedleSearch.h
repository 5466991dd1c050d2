#pragma once

#include "text/FileEncoding.h"

#include <QByteArray>

#include <functional>
#include <optional>

/// The search text as one encoding writes it, looked for in the successive buffers of a file.
/// Only matches that a line replacement would find count: on whole units of the text, after
/// the byte order mark, and not starting with the LF of a CR LF.
class NeedleSearch
{
public:
    /// needle is the search text in encoding; it must not be empty.
    NeedleSearch(FileEncoding encoding, const QByteArray &needle);

    NeedleSearch(const NeedleSearch &) = delete; // the searcher points into m_needle
    NeedleSearch &operator=(const NeedleSearch &) = delete;

    /// False when the needle holds a CR: no line holds one, so it never matches.
    static bool canMatch(FileEncoding encoding, const QByteArray &needle);

    FileEncoding encoding() const { return m_encoding; }
    bool found() const { return m_found; }

    /// Looks for a counting match that ends in the new bytes data[newFrom, size); older ones
    /// were looked at before. base is the file offset of data[0]. The caller keeps enough old
    /// bytes that a match ending in new bytes lies whole in data with the unit before it,
    /// unless the match starts the file.
    void search(const char *data, qsizetype size, qsizetype newFrom, qint64 base,
                qsizetype markLength);

private:
    const char *find(const char *from, const char *end) const;
    bool counts(const char *data, qsizetype at, qint64 base, qsizetype markLength) const;

    FileEncoding m_encoding;
    QByteArray m_needle;
    qsizetype m_unit;
    QByteArray m_cr;
    bool m_startsWithLf;
    bool m_found = false;
};

#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>
#include <string>
#include <string_view>

class QIODevice;

/// Splits a file into lines without decoding it. A line ends at the CR unit; an LF unit right
/// after the CR belongs to the same line break; a lone LF stays inside the line. Units after the
/// last line break form a last line; a file that ends with a line break has no empty line after
/// it. Unit is char for 8-bit and UTF-8 files, char16_t for UTF-16 files, whose units are kept
/// in the file's byte order. Holds one chunk, plus a copy of a line only when the line runs
/// across two reads: never the whole file (unless the file is one line).
template <typename Unit> class LineReader
{
public:
    using View = std::basic_string_view<Unit>;

    static constexpr qsizetype DefaultChunkBytes = qsizetype(256) << 10;

    /// Reads file from its current position. cr and lf are the CR and LF units in the file's
    /// byte order. chunkBytes is the read size (tests use tiny ones).
    LineReader(QIODevice &file, Unit cr, Unit lf, qsizetype chunkBytes = DefaultChunkBytes);

    /// Points line at the next line and lineBreak at its line break (empty, CR, or CR LF); both
    /// stay valid until the next call. Returns false at the end of the file or when reading
    /// failed (see failed()).
    bool next(View &line, View &lineBreak);

    /// True when reading the file failed; its errorString() says why.
    bool failed() const { return m_failed; }

    /// Bytes after the last whole unit: the odd last byte of a UTF-16 file, kept as it is.
    QByteArray trailingBytes() const { return m_trailing; }

    /// Bytes read from the file so far.
    qint64 bytesRead() const { return m_bytesRead; }

private:
    bool refill();
    char *bytes() { return reinterpret_cast<char *>(m_buffer.get()); }

    QIODevice &m_file;
    Unit m_break[2]; ///< CR LF; a line break is a view of one or both
    qsizetype m_bufferBytes;
    std::unique_ptr<Unit[]> m_buffer; ///< what the last read brought
    std::size_t m_count = 0;          ///< whole units in m_buffer
    std::size_t m_position = 0;       ///< next unit of m_buffer to hand out
    qsizetype m_partial = 0;          ///< bytes of a partial unit after the whole units
    std::basic_string<Unit> m_carry;  ///< a line that runs across reads
    QByteArray m_trailing;
    qint64 m_bytesRead = 0;
    bool m_atEnd = false;
    bool m_failed = false;
};

extern template class LineReader<char>;
extern template class LineReader<char16_t>;

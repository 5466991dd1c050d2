#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>
#include <string_view>

class QIODevice;

/// Splits a file into lines without decoding it. A line ends at the CR unit; an LF unit right
/// after the CR belongs to the same line break; a lone LF stays inside the line. Units after the
/// last line break form a last line; a file that ends with a line break has no empty line after
/// it. Unit is char for 8-bit and UTF-8 files, char16_t for UTF-16 files, whose units are kept
/// in the file's byte order. A line is handed out in pieces of at most one read each, so the
/// reader holds one read's worth of units, never a whole line: a page without a CR is one line.
template <typename Unit> class LineReader
{
public:
    using View = std::basic_string_view<Unit>;

    /// Units of a line, and whether the line ends after them.
    struct Piece
    {
        View units;
        bool endsLine = false;
        View lineBreak; ///< when endsLine: the line's break (empty, CR, or CR LF)
    };

    static constexpr qsizetype DefaultChunkBytes = qsizetype(256) << 10;

    /// Reads file from its current position. cr and lf are the CR and LF units in the file's
    /// byte order. chunkBytes is the read size (tests use tiny ones).
    LineReader(QIODevice &file, Unit cr, Unit lf, qsizetype chunkBytes = DefaultChunkBytes);

    /// Points piece at the next units of the current line, or of the next one once a line has
    /// ended; its views stay valid until the next call. A line may come as one piece or many,
    /// the last one perhaps empty. Returns false at the end of the file or when reading failed
    /// (see failed()).
    bool next(Piece &piece);

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
    QByteArray m_trailing;
    qint64 m_bytesRead = 0;
    bool m_atEnd = false;
    bool m_failed = false;
    bool m_lineOpen = false; ///< a piece of a line that has not ended went out
};

extern template class LineReader<char>;
extern template class LineReader<char16_t>;

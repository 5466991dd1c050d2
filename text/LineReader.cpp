#include "text/LineReader.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

template <typename Unit>
LineReader<Unit>::LineReader(QIODevice &file, Unit cr, Unit lf, qsizetype chunkBytes)
    : m_file(file), m_break{cr, lf},
      m_bufferBytes(std::max<qsizetype>(chunkBytes, sizeof(Unit)) + qsizetype(sizeof(Unit))),
      m_buffer(std::make_unique_for_overwrite<Unit[]>(size_t(m_bufferBytes) / sizeof(Unit) + 1))
{}

// Called once every unit was handed out. Makes units available unless the file is at its end;
// returns false only on a read error.
template <typename Unit> bool LineReader<Unit>::refill()
{
    // A partial unit after the last whole one moves to the front, to be completed.
    std::memmove(bytes(), bytes() + m_count * sizeof(Unit), size_t(m_partial));
    m_count = 0;
    m_position = 0;
    while (m_count == 0 && !m_atEnd) {
        const qint64 got = m_file.read(bytes() + m_partial, m_bufferBytes - m_partial);
        if (got < 0) {
            m_failed = true;
            return false;
        }
        m_bytesRead += got;
        m_atEnd = got == 0;
        const qsizetype available = m_partial + qsizetype(got);
        m_count = size_t(available) / sizeof(Unit);
        m_partial = available - qsizetype(m_count * sizeof(Unit));
    }
    if (m_atEnd)
        m_trailing = QByteArray(bytes(), m_partial);
    return true;
}

template <typename Unit> bool LineReader<Unit>::next(Piece &piece)
{
    piece = Piece();
    if (m_position == m_count) {
        if (!refill())
            return false;
        if (m_count == 0) { // the end of the file ends the last line, if it has no line break
            piece.endsLine = true;
            return std::exchange(m_lineOpen, false);
        }
    }
    const Unit *begin = m_buffer.get() + m_position;
    const std::size_t available = m_count - m_position;
    const Unit *cr = std::char_traits<Unit>::find(begin, available, m_break[0]); // memchr
    const std::size_t length = cr ? std::size_t(cr - begin) : available;
    if (length > 0)
        piece.units = View(begin, length);
    m_position += length;
    m_lineOpen = true;
    // The refill that looks for an LF after a CR at the end of the buffer overwrites the units
    // before the CR: they go out first, the line break with the next call.
    if (!cr || (length > 0 && m_position + 1 == m_count))
        return true;
    ++m_position;
    if (m_position == m_count && !refill())
        return false;
    const bool crlf = m_position < m_count && m_buffer[m_position] == m_break[1];
    m_position += crlf ? 1 : 0;
    piece.endsLine = true;
    piece.lineBreak = View(m_break, crlf ? 2 : 1);
    m_lineOpen = false;
    return true;
}

template class LineReader<char>;
template class LineReader<char16_t>;

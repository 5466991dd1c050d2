#include "SearchPreScan.h"

#include "ReplacementTexts.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

SearchPreScan::SearchPreScan(ReplacementTexts &texts, std::function<void()> yield,
                             qsizetype chunkBytes, std::stop_token stop)
    : m_texts(texts), m_yield(std::move(yield)), m_chunkBytes(chunkBytes), m_stop(std::move(stop))
{}

std::optional<SearchPreScan::Result> SearchPreScan::scan(QIODevice &file, qint64 sizeHint)
{
    // At least four bytes in the first read, so that a byte order mark is seen whole.
    constexpr qsizetype minimumRead = 4;
    const qsizetype readBytes = qsizetype(
        std::clamp<qint64>(sizeHint + 1, minimumRead, std::max(m_chunkBytes, minimumRead)));
    const qsizetype keep = keepBytes();
    // One buffer per thread, kept from page to page: a run reads tens of thousands of small
    // pages, and allocating (and faulting in) a buffer for each costs more than searching it.
    thread_local std::vector<char> threadBuffer;
    if (threadBuffer.size() < size_t(keep + readBytes))
        threadBuffer.resize(size_t(keep + readBytes));
    char *const data = threadBuffer.data();
    qsizetype held = 0; // bytes kept from the previous read, at the start of buffer
    qint64 base = 0;    // file offset of buffer[0]
    qint64 sinceYield = 0;
    for (bool first = true;; first = false) {
        const qint64 got = file.read(data + held, readBytes);
        if (got < 0)
            return std::nullopt;
        const qsizetype size = held + qsizetype(got);
        if (first)
            begin(QByteArrayView(data, size));
        examine(data, size, held, base);
        if (decided() || got < readBytes)
            break;
        if (m_stop.stop_requested()) {
            m_stopped = true;
            return std::nullopt;
        }
        const qsizetype kept = std::min(keep, size);
        std::memmove(data, data + size - kept, size_t(kept));
        base += size - kept;
        held = kept;
        sinceYield += got;
        if (sinceYield >= YieldEveryBytes && m_yield) {
            sinceYield = 0;
            m_yield();
        }
    }
    return result();
}

// Bytes to keep from one buffer for the next, so that every match that ends in new bytes lies
// whole in the buffer along with the unit before it.
qsizetype SearchPreScan::keepBytes() const
{
    qsizetype longest = 1;
    for (int e = 0; e < FileEncodingCount; ++e) {
        if (const auto &search = m_texts.encoded(FileEncoding(e)).search)
            longest = std::max(longest, search->size());
    }
    return longest - 1 + UnitBytes(FileEncoding::Utf16LE);
}

// Settles what the first bytes of the file tell.
void SearchPreScan::begin(QByteArrayView head)
{
    if (const std::optional<ByteOrderMark> mark = DetectByteOrderMark(head)) {
        m_known = mark->encoding;
        m_markLength = mark->length;
    } else if (m_texts.isAscii()) {
        m_known = FileEncoding::Utf8; // an 8-bit file would hold the same bytes
    } else {
        m_validate = true;
        addCandidate(FileEncoding::Legacy);
    }
    addCandidate(m_known.value_or(FileEncoding::Utf8));
}

void SearchPreScan::examine(const char *data, qsizetype size, qsizetype newFrom, qint64 base)
{
    if (m_validate && !m_known) {
        m_validator.feed(QByteArrayView(data + newFrom, size - newFrom));
        if (m_validator.isInvalid())
            m_known = FileEncoding::Legacy;
    }
    for (std::optional<NeedleSearch> &candidate : m_candidates) {
        if (candidate && (!m_known || candidate->encoding() == *m_known))
            candidate->search(data, size, newFrom, base, m_markLength);
    }
}

// True when reading further cannot change the result.
bool SearchPreScan::decided() const
{
    if (m_known)
        return occursIn(*m_known) || !candidateFor(*m_known);
    return !candidateFor(FileEncoding::Utf8) && !candidateFor(FileEncoding::Legacy);
}

SearchPreScan::Result SearchPreScan::result() const
{
    const FileEncoding encoding =
        m_known.value_or(m_validator.isComplete() ? FileEncoding::Utf8 : FileEncoding::Legacy);
    return {encoding, m_markLength, occursIn(encoding)};
}

void SearchPreScan::addCandidate(FileEncoding encoding)
{
    const std::optional<QByteArray> &search = m_texts.encoded(encoding).search;
    if (search && !search->isEmpty() && NeedleSearch::canMatch(encoding, *search))
        m_candidates[m_candidates[0] ? 1 : 0].emplace(encoding, *search);
}

const NeedleSearch *SearchPreScan::candidateFor(FileEncoding encoding) const
{
    for (const std::optional<NeedleSearch> &candidate : m_candidates) {
        if (candidate && candidate->encoding() == encoding)
            return &*candidate;
    }
    return nullptr;
}

bool SearchPreScan::occursIn(FileEncoding encoding) const
{
    const NeedleSearch *candidate = candidateFor(encoding);
    return candidate && candidate->found();
}

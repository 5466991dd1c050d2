#include "text/SearchPreScan.h"

#include "text/DeclaredEncoding.h"
#include "text/ReplacementTexts.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

SearchPreScan::SearchPreScan(const ReplacementTexts &texts, std::function<void()> yield,
                             qsizetype chunkBytes, std::stop_token stop)
    : m_texts(texts), m_yield(std::move(yield)), m_chunkBytes(chunkBytes), m_stop(std::move(stop))
{}

std::optional<SearchPreScan::Result> SearchPreScan::scan(QIODevice &file, qint64 sizeHint)
{
    // The first read takes the bytes a declared charset is looked for in, which include a byte
    // order mark; its bytes are examined in pieces of a read all the same.
    const qsizetype readBytes =
        qsizetype(std::clamp<qint64>(sizeHint + 1, 1, std::max<qsizetype>(m_chunkBytes, 1)));
    const qsizetype firstBytes = std::max(readBytes, DeclarationBytes);
    // One buffer per thread, kept from page to page: a run reads tens of thousands of small
    // pages, and allocating (and faulting in) a buffer for each costs more than searching it.
    thread_local std::vector<char> threadBuffer;
    if (threadBuffer.size() < size_t(firstBytes))
        threadBuffer.resize(size_t(firstBytes));
    qsizetype held = 0; // bytes kept from the previous read, at the start of buffer
    qint64 base = 0;    // file offset of buffer[0]
    qint64 sinceYield = 0;
    for (bool first = true;; first = false) {
        const qsizetype wanted = first ? firstBytes : readBytes;
        if (threadBuffer.size() < size_t(held + wanted))
            threadBuffer.resize(size_t(held + wanted));
        char *const data = threadBuffer.data();
        const qint64 got = file.read(data + held, wanted);
        if (got < 0)
            return std::nullopt;
        const qsizetype size = held + qsizetype(got);
        if (first)
            begin(QByteArrayView(data, size));
        for (qsizetype from = held; from < size && !decided(); from += readBytes)
            examine(data, std::min(size, from + readBytes), from, base);
        if (decided() || got < wanted)
            break;
        if (m_stop.stop_requested()) {
            m_stopped = true;
            return std::nullopt;
        }
        const qsizetype kept = std::min(m_keepBytes, size);
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

// Settles what the first bytes of the file tell.
void SearchPreScan::begin(QByteArrayView head)
{
    if (const std::optional<ByteOrderMark> mark = DetectByteOrderMark(head)) {
        m_known = mark->encoding;
        m_markLength = mark->length;
    } else if (const std::optional<FileEncoding> declared = DeclaredEncoding(head)) {
        m_known = *declared;
        // Without an encoder that writes characters as fixed bytes nothing can be searched.
        // A text that might match inside a character is searched all the same: a page
        // without such a match needs no report.
        const EncodingProblem problem = m_texts.encoded(*declared).problem;
        m_problem = problem == EncodingProblem::UnknownCharset ||
                    problem == EncodingProblem::UnsupportedCharset;
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
    if (m_problem)
        return true;
    if (m_known)
        return occursIn(*m_known) || !candidateFor(*m_known);
    return !candidateFor(FileEncoding::Utf8) && !candidateFor(FileEncoding::Legacy);
}

SearchPreScan::Result SearchPreScan::result() const
{
    const FileEncoding encoding =
        m_known.value_or(m_validator.isComplete() ? FileEncoding::Utf8 : FileEncoding::Legacy);
    return {encoding, m_markLength, m_problem || occursIn(encoding)};
}

void SearchPreScan::addCandidate(const FileEncoding &encoding)
{
    const std::optional<QByteArray> &search = m_texts.encoded(encoding).search;
    if (search && !search->isEmpty() && NeedleSearch::canMatch(encoding, *search)) {
        m_candidates[m_candidates[0] ? 1 : 0].emplace(encoding, *search);
        m_keepBytes = std::max(m_keepBytes, search->size() - 1 + UnitBytes(FileEncoding::Utf16LE));
    }
}

const NeedleSearch *SearchPreScan::candidateFor(const FileEncoding &encoding) const
{
    for (const std::optional<NeedleSearch> &candidate : m_candidates) {
        if (candidate && candidate->encoding() == encoding)
            return &*candidate;
    }
    return nullptr;
}

bool SearchPreScan::occursIn(const FileEncoding &encoding) const
{
    const NeedleSearch *candidate = candidateFor(encoding);
    return candidate && candidate->found();
}

#pragma once

#include "text/FileEncoding.h"
#include "text/NeedleSearch.h"
#include "text/Utf8Validator.h"

#include <QtGlobal>

#include <array>
#include <functional>
#include <optional>
#include <stop_token>

class QIODevice;
class ReplacementTexts;

/// Reads a whole file in large chunks and tells whether the search text, encoded in the file's
/// encoding, occurs within one of its lines, and what that encoding is. Nearly every file of a
/// run does not hold the search text, so this is the path almost all files take: no line is
/// split, nothing is decoded, and reading stops as soon as the answer is known.
///
/// "Within a line" is exact: a match that holds a CR, or that starts with the LF of a CR LF,
/// does not count, so the file is rewritten only when a replacement will be made.
/// The encoding is decided as a browser decides it: a byte order mark, else the charset the
/// page declares in its first DeclarationBytes bytes, else UTF-8 when every byte is valid
/// UTF-8, else the legacy code page. A page in a declared charset that cannot be searched
/// (ReplacementTexts::Encoded::problem) counts as one where the text occurs, so that its
/// rewrite reports it. One object scans one file; its texts may serve other scans meanwhile.
class SearchPreScan
{
public:
    /// What the pre-scan learnt about a file.
    struct Result
    {
        FileEncoding encoding = FileEncoding::Utf8;
        qsizetype byteOrderMarkLength = 0;
        /// the search text occurs within some line of the file, or the encoding has a problem
        bool occurs = false;
    };

    static constexpr qsizetype DefaultChunkBytes = qsizetype(1) << 20;

    /// Work on a large file yields to the caller about once per this many bytes read.
    static constexpr qint64 YieldEveryBytes = qint64(4) << 20;

    /// chunkBytes is the read size (tests use tiny ones to put matches across chunk borders).
    /// A stop request on stop abandons the scan at the next chunk.
    SearchPreScan(const ReplacementTexts &texts, std::function<void()> yield,
                  qsizetype chunkBytes = DefaultChunkBytes, std::stop_token stop = {});

    /// Scans file from its current position, which must be its start. file is a regular file
    /// (or a buffer): a short read is taken as its end. sizeHint, the file's size as far as
    /// known, only sizes the buffer. Returns nothing when reading failed (the file's
    /// errorString() says why) or the scan was stopped (stopped() says so).
    std::optional<Result> scan(QIODevice &file, qint64 sizeHint);

    /// True when the last scan was abandoned on a stop request.
    bool stopped() const { return m_stopped; }

private:
    void begin(QByteArrayView head);
    void examine(const char *data, qsizetype size, qsizetype newFrom, qint64 base);
    bool decided() const;
    Result result() const;
    void addCandidate(const FileEncoding &encoding);
    const NeedleSearch *candidateFor(const FileEncoding &encoding) const;
    bool occursIn(const FileEncoding &encoding) const;

    const ReplacementTexts &m_texts;
    std::function<void()> m_yield;
    qsizetype m_chunkBytes;
    std::stop_token m_stop;
    bool m_stopped = false;
    std::optional<FileEncoding> m_known; ///< the file's encoding, once known
    qsizetype m_markLength = 0;
    bool m_problem = false; ///< the encoding has a problem: the page goes to its rewrite
    /// Bytes to keep from one buffer for the next, so that every match that ends in new bytes
    /// lies whole in the buffer along with the unit before it.
    qsizetype m_keepBytes = 1;
    bool m_validate = false; ///< UTF-8 or legacy is decided by the validity of the whole file
    Utf8Validator m_validator;
    std::array<std::optional<NeedleSearch>, 2> m_candidates; ///< encodings the file may be in
};

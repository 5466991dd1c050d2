#pragma once

#include "text/FileEncoding.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

/// Why pages in some encoding are reported instead of searched or rewritten.
enum class EncodingProblem {
    None,
    UnknownCharset,       ///< browsers do not know the label, or no converter here its encoding
    UnsupportedCharset,   ///< its bytes cannot be replaced one for one (see CharsetProfile)
    MatchInsideCharacter, ///< the search text could be found inside another character
};

/// The search and replacement texts of a run, encoded for each encoding a page can be in:
/// UTF-8, UTF-16 LE/BE and the legacy code page when built, each declared charset on its
/// first use. Built once per run and shared: every thread of the run may use it at once.
class ReplacementTexts
{
public:
    /// The texts as the bytes of one encoding, in the file's byte order. A text that cannot be
    /// written in the encoding is missing; so are both when the encoding has a problem.
    struct Encoded
    {
        std::optional<QByteArray> search;
        std::optional<QByteArray> replacement;
        EncodingProblem problem = EncodingProblem::None;
        QString name; ///< the encoding's name, for messages
        /// With MatchInsideCharacter: the characters a search text may begin with there
        /// (CharsetProfile::startCharacters), for the message.
        QString startCharacters;
    };

    ReplacementTexts(const QString &search, const QString &replacement);

    ReplacementTexts(const ReplacementTexts &) = delete;
    ReplacementTexts &operator=(const ReplacementTexts &) = delete;

    const QString &search() const { return m_search; }
    const QString &replacement() const { return m_replacement; }

    /// True when both texts are plain ASCII: every 8-bit encoding and UTF-8 then write them
    /// alike, so a file's encoding need not be known to search or rewrite it (UTF-16 aside).
    bool isAscii() const { return m_ascii; }

    /// The texts in encoding. The reference stays valid as long as this object. Thread-safe.
    const Encoded &encoded(const FileEncoding &encoding) const;

private:
    Encoded encodeFor(const FileEncoding &encoding) const;
    Encoded encodeForCharset(const FileEncoding &encoding) const;

    QString m_search;
    QString m_replacement;
    bool m_ascii;
    std::array<Encoded, 4> m_fixed; ///< by FileEncoding::Form, up to Legacy
    mutable std::mutex m_mutex;     ///< guards m_declared
    /// By label. Never erased: references to the texts stay valid.
    mutable std::map<QByteArray, std::unique_ptr<const Encoded>> m_declared;
};

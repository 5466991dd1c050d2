#pragma once

#include "FileEncoding.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>
#include <optional>

template <typename Unit> class LineReplacer;

/// The search and replacement texts of a run, encoded on demand for each file encoding
/// (UTF-8, UTF-16 LE/BE, the legacy 8-bit code page) and cached, with one line replacer
/// per encoding. Built once per run; used by one thread at a time.
class ReplacementTexts
{
public:
    /// The texts as the bytes of one file encoding, in the file's byte order. A text that
    /// cannot be written in the encoding is missing.
    struct Encoded
    {
        std::optional<QByteArray> search;
        std::optional<QByteArray> replacement;
    };

    ReplacementTexts(const QString &search, const QString &replacement);
    ~ReplacementTexts();

    ReplacementTexts(const ReplacementTexts &) = delete;
    ReplacementTexts &operator=(const ReplacementTexts &) = delete;

    const QString &search() const { return m_search; }
    const QString &replacement() const { return m_replacement; }

    /// True when both texts are plain ASCII: every 8-bit encoding and UTF-8 then write them
    /// alike, so a file's encoding need not be known to search or rewrite it (UTF-16 aside).
    bool isAscii() const { return m_ascii; }

    /// The texts in encoding; computed on first use.
    const Encoded &encoded(FileEncoding encoding);

    /// The replacer for a UTF-8 or 8-bit file. Both texts must be writable in encoding.
    LineReplacer<char> &byteReplacer(FileEncoding encoding);

    /// The replacer for a UTF-16 file. Both texts must be writable in encoding.
    LineReplacer<char16_t> &utf16Replacer(FileEncoding encoding);

private:
    QString m_search;
    QString m_replacement;
    bool m_ascii;
    std::array<std::optional<Encoded>, FileEncodingCount> m_encoded;
    std::array<std::unique_ptr<LineReplacer<char>>, FileEncodingCount> m_byteReplacers;
    std::array<std::unique_ptr<LineReplacer<char16_t>>, FileEncodingCount> m_utf16Replacers;
};

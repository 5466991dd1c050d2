#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

/// The encoding a file is in. A file is never decoded: the texts are encoded into the file's
/// encoding and matched unit by unit, so every byte outside a replacement, even one that is
/// invalid in the encoding, is written back exactly.
class FileEncoding
{
public:
    enum class Form {
        Utf8,     ///< a UTF-8 byte order mark, a declared UTF-8, or every byte valid UTF-8
        Utf16LE,  ///< byte order mark FF FE; units are two bytes, low byte first
        Utf16BE,  ///< byte order mark FE FF; units are two bytes, high byte first
        Legacy,   ///< nothing declared and not UTF-8: the legacy 8-bit code page
        Declared, ///< the charset the page declares (charset()); one-byte units
    };

    static const FileEncoding Utf8;
    static const FileEncoding Utf16LE;
    static const FileEncoding Utf16BE;
    static const FileEncoding Legacy;

    /// The charset a page declares, by its label (see DeclaredEncoding). Which encoding it
    /// means, and whether it can be searched, is for WebEncoding and CharsetProfile to say.
    static FileEncoding declared(const QByteArray &label) { return {Form::Declared, label}; }

    FileEncoding() = default; ///< UTF-8

    Form form() const { return m_form; }
    /// The declared charset's label; empty for the other forms.
    const QByteArray &charset() const { return m_charset; }

    friend bool operator==(const FileEncoding &, const FileEncoding &) = default;

private:
    FileEncoding(Form form, const QByteArray &charset = {}) : m_form(form), m_charset(charset) {}

    Form m_form = Form::Utf8;
    QByteArray m_charset;
};

inline const FileEncoding FileEncoding::Utf8{Form::Utf8};
inline const FileEncoding FileEncoding::Utf16LE{Form::Utf16LE};
inline const FileEncoding FileEncoding::Utf16BE{Form::Utf16BE};
inline const FileEncoding FileEncoding::Legacy{Form::Legacy};

/// A byte order mark found at the start of a file.
struct ByteOrderMark
{
    FileEncoding encoding;
    qsizetype length; ///< bytes the mark takes; they are kept and never searched
};

/// The byte order mark that head, the first bytes of a file, starts with, if any.
std::optional<ByteOrderMark> DetectByteOrderMark(QByteArrayView head);

/// True for the UTF-16 encodings, whose code unit is two bytes.
inline bool IsUtf16(const FileEncoding &encoding)
{
    return encoding.form() == FileEncoding::Form::Utf16LE ||
           encoding.form() == FileEncoding::Form::Utf16BE;
}

/// Bytes per code unit of encoding.
inline qsizetype UnitBytes(const FileEncoding &encoding)
{
    return IsUtf16(encoding) ? 2 : 1;
}

/// The unit that stands for the ASCII character ascii in encoding, in the file's byte order.
/// Every encoding a file is searched in writes ASCII as one unit of the same value (a declared
/// charset that does not is refused), so no converter is needed.
QByteArray AsciiUnit(char ascii, const FileEncoding &encoding);

/// The encoding's name as users know it, for messages ("UTF-8", "Windows-1252"); a declared
/// charset by its label.
QString FileEncodingName(const FileEncoding &encoding);

/// text as the bytes of encoding, UTF-16 in the file's byte order; nothing when some character
/// of text cannot be written in encoding, or no encoder knows it.
std::optional<QByteArray> EncodeText(const QString &text, const FileEncoding &encoding);

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

/// The encodings a file can be in. A file is never decoded: the texts are encoded into the
/// file's encoding and matched unit by unit, so every byte outside a replacement, even one that
/// is invalid in the encoding, is written back exactly.
enum class FileEncoding {
    Utf8,    ///< a UTF-8 byte order mark, or every byte valid UTF-8
    Utf16LE, ///< byte order mark FF FE; units are two bytes, low byte first
    Utf16BE, ///< byte order mark FE FF; units are two bytes, high byte first
    Legacy,  ///< anything else: the legacy 8-bit code page
};

/// Number of FileEncoding values, for tables indexed by encoding.
inline constexpr int FileEncodingCount = 4;

/// A byte order mark found at the start of a file.
struct ByteOrderMark
{
    FileEncoding encoding;
    qsizetype length; ///< bytes the mark takes; they are kept and never searched
};

/// The byte order mark that head, the first bytes of a file, starts with, if any.
std::optional<ByteOrderMark> DetectByteOrderMark(QByteArrayView head);

/// True for the UTF-16 encodings, whose code unit is two bytes.
constexpr bool IsUtf16(FileEncoding encoding)
{
    return encoding == FileEncoding::Utf16LE || encoding == FileEncoding::Utf16BE;
}

/// Bytes per code unit of encoding.
constexpr qsizetype UnitBytes(FileEncoding encoding)
{
    return IsUtf16(encoding) ? 2 : 1;
}

/// The unit that stands for the ASCII character ascii in encoding, in the file's byte order.
/// Every supported encoding writes ASCII as one unit of the same value, so no converter is needed.
QByteArray AsciiUnit(char ascii, FileEncoding encoding);

/// The encoding's name as users know it, for messages ("UTF-8", "Windows-1252").
QString FileEncodingName(FileEncoding encoding);

/// text as the bytes of encoding, UTF-16 in the file's byte order; nothing when some character
/// of text cannot be written in encoding.
std::optional<QByteArray> EncodeText(const QString &text, FileEncoding encoding);

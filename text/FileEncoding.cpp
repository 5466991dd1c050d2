#include "FileEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Outside Windows there is no system ANSI code page; Windows-1252 is the one Western HTML
// files were written in, and ICU provides it to Qt.
QStringEncoder legacyEncoder()
{
#ifdef Q_OS_WIN
    return QStringEncoder(QStringConverter::System, QStringConverter::Flag::Stateless);
#else
    return QStringEncoder("windows-1252", QStringConverter::Flag::Stateless);
#endif
}

QStringEncoder encoderFor(const FileEncoding &encoding)
{
    // Stateless, so that a lone surrogate at the end of a text counts as an error instead of
    // being held back for a continuation that never comes.
    constexpr auto flags = QStringConverter::Flag::Stateless;
    switch (encoding.form()) {
    case FileEncoding::Form::Utf8:
        return QStringEncoder(QStringConverter::Utf8, flags);
    case FileEncoding::Form::Utf16LE:
        return QStringEncoder(QStringConverter::Utf16LE, flags);
    case FileEncoding::Form::Utf16BE:
        return QStringEncoder(QStringConverter::Utf16BE, flags);
    case FileEncoding::Form::Declared:
        return QStringEncoder(encoding.charset().constData(), flags);
    case FileEncoding::Form::Legacy:
        break;
    }
    return legacyEncoder();
}

} // namespace

std::optional<ByteOrderMark> DetectByteOrderMark(QByteArrayView head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return ByteOrderMark{FileEncoding::Utf8, 3};
    if (head.startsWith("\xFF\xFE"))
        return ByteOrderMark{FileEncoding::Utf16LE, 2};
    if (head.startsWith("\xFE\xFF"))
        return ByteOrderMark{FileEncoding::Utf16BE, 2};
    return std::nullopt;
}

QByteArray AsciiUnit(char ascii, const FileEncoding &encoding)
{
    QByteArray unit(UnitBytes(encoding), '\0');
    unit[encoding == FileEncoding::Utf16BE ? 1 : 0] = ascii;
    return unit;
}

QString FileEncodingName(const FileEncoding &encoding)
{
    switch (encoding.form()) {
    case FileEncoding::Form::Utf8:
        return QStringLiteral("UTF-8");
    case FileEncoding::Form::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case FileEncoding::Form::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    case FileEncoding::Form::Declared:
        return QString::fromLatin1(encoding.charset());
    case FileEncoding::Form::Legacy:
        break;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("the system's ANSI code page");
#else
    return QStringLiteral("Windows-1252");
#endif
}

std::optional<QByteArray> EncodeText(const QString &text, const FileEncoding &encoding)
{
    QStringEncoder encoder = encoderFor(encoding);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
#ifdef Q_OS_WIN
    // The system code page converter does not report characters it replaces by a best fit;
    // only a round trip shows that the text did not survive.
    if (encoding == FileEncoding::Legacy) {
        QStringDecoder decoder(QStringConverter::System);
        if (decoder.decode(bytes) != text)
            return std::nullopt;
    }
#endif
    return bytes;
}

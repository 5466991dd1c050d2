#include "CharsetConverter.h"

#include <QStringEncoder>

bool CharsetConverter::exists(const WebEncoding &encoding)
{
    return encoding.converter && QStringEncoder(encoding.converter).isValid();
}

std::optional<QByteArray> CharsetConverter::encode(const WebEncoding &encoding, const QString &text)
{
    if (!exists(encoding))
        return std::nullopt;
    // Stateless, so that a lone surrogate at the end of a text counts as an error instead of
    // being held back for a continuation that never comes. Made where it is used: Qt's ICU
    // converter counts errors at the address it was made at, so a moved one reports none.
    QStringEncoder encoder(encoding.converter, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

QByteArray CharsetConverter::encodeSubstituting(const WebEncoding &encoding, const QString &text)
{
    QStringEncoder encoder(encoding.converter, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

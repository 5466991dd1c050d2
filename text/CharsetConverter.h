#pragma once

#include "WebEncoding.h"

#include <QByteArray>
#include <QString>

#include <optional>

/// The converter that writes text in a declared charset as browsers read it: ICU's, through
/// Qt, where Qt has ICU; on Windows, whose Qt has none, the encoding's Windows code page.
namespace CharsetConverter {

/// Whether a converter here writes encoding.
bool exists(const WebEncoding &encoding);

/// text in encoding; nothing when some character of text cannot be written exactly (no
/// substitute, no best fit), or no converter here writes encoding.
std::optional<QByteArray> encode(const WebEncoding &encoding, const QString &text);

/// text in encoding, each character it lacks written as the converter's substitute, as it
/// comes out of one call: what a charset's bytes can be is learnt from it.
QByteArray encodeSubstituting(const WebEncoding &encoding, const QString &text);

} // namespace CharsetConverter

#pragma once

#include "FileEncoding.h"

#include <QByteArrayView>

#include <optional>

/// Bytes at the start of a page in which a declared charset is looked for, as browsers do.
inline constexpr qsizetype DeclarationBytes = 1024;

/// The encoding a page declares in its first DeclarationBytes bytes (head may be longer or
/// shorter), found as a browser's pre-scan finds it: the first <meta charset="..."> or
/// <meta http-equiv="Content-Type" content="...; charset=...">, outside comments, names in any
/// case, values quoted or not, attributes in any order. As in browsers, a UTF-16 label means
/// UTF-8 (a page that is really UTF-16 has a byte order mark), the labels of US-ASCII and
/// ISO-8859-1 mean Windows-1252, and a UTF-8 label gives FileEncoding::Utf8; any other label
/// gives FileEncoding::declared() of it in lower case, known to an encoder or not.
std::optional<FileEncoding> DeclaredEncoding(QByteArrayView head);

#pragma once

#include "text/FileEncoding.h"

#include <QByteArrayView>

#include <optional>

/// Bytes at the start of a page in which a declared charset is looked for, as browsers do.
inline constexpr qsizetype DeclarationBytes = 1024;

/// The encoding a page declares in its first DeclarationBytes bytes (head may be longer or
/// shorter), found as a browser's pre-scan finds it: the first <meta charset="..."> or
/// <meta http-equiv="Content-Type" content="...; charset=..."> whose label browsers know
/// (WebEncoding), outside comments, names in any case, values quoted or not, attributes in any
/// order. A label of UTF-8 (or, as in browsers, of UTF-16) gives FileEncoding::Utf8; any other
/// gives FileEncoding::declared() of the label (WebEncoding::normalLabel). A page whose every
/// declared label is unknown gives its first one.
std::optional<FileEncoding> DeclaredEncoding(QByteArrayView head);

#pragma once

#include <QByteArrayView>
#include <QString>

/// A name in the file system's bytes as a user can read it, whether or not it is valid in the
/// file name encoding: each character that decodes to printable text and encodes back to the
/// same bytes as itself, every other byte as \xNN (a byte order mark too, which decoding would
/// drop). Enough to find the entry and rename it; control characters are escaped as well, so a
/// report stays on one line.
QString ShownName(QByteArrayView raw);

#include "scan/ShownName.h"

#include <QFile>

namespace {

// The length of the character at the start of bytes if it decodes to printable text and encodes
// back to the same bytes, else 0. No file name encoding needs more than four bytes a character.
qsizetype printableLength(QByteArrayView bytes)
{
    for (qsizetype length = 1; length <= qMin(bytes.size(), qsizetype(4)); ++length) {
        const QByteArray piece = bytes.first(length).toByteArray();
        const QString text = QFile::decodeName(piece);
        if (QFile::encodeName(text) == piece)
            return text.front().category() == QChar::Other_Control ? 0 : length;
    }
    return 0;
}

} // namespace

QString ShownName(QByteArrayView raw)
{
    QString shown;
    for (qsizetype at = 0; at < raw.size();) {
        const qsizetype length = printableLength(raw.sliced(at));
        if (length > 0) {
            shown += QFile::decodeName(raw.sliced(at, length).toByteArray());
            at += length;
        } else {
            shown += QStringLiteral("\\x") +
                     QString::number(uchar(raw[at++]), 16).toUpper().rightJustified(2, u'0');
        }
    }
    return shown;
}

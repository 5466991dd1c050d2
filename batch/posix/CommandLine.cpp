#include "CommandLine.h"

#include "ShownName.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

// Qt takes the command line, as it takes file names, to be UTF-8 on every POSIX system.
CommandLine CommandLine::read(int argc, char *argv[])
{
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        // A byte order mark that starts an argument stays: it can be part of a search text.
        QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::ConvertInitialBom);
        const QString text = decoder.decode(bytes);
        // The round trip a name must pass (see ShownName): invalid bytes come back as EF BF BD,
        // an incomplete character at the end not at all.
        if (QFile::encodeName(text) != bytes) {
            line.refusal =
                QCoreApplication::translate(
                    "CommandLine", "the argument \"%1\" cannot be used: it is not valid UTF-8")
                    .arg(ShownName(bytes));
            break;
        }
        line.arguments.append(text);
    }
    return line;
}

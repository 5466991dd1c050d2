#include "CommandLine.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <QCoreApplication>

#include <windows.h>

#include <shellapi.h>

namespace {

// The command line is UTF-16 here, its "bytes" 16-bit units: a unit that is half of a
// surrogate pair is shown as \uNNNN, every character as it is.
QString shown(const QString &text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text.at(i);
        if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            result += text.sliced(i++, 2);
        else if (unit.isSurrogate())
            result += QStringLiteral("\\u") + QString::number(unit.unicode(), 16).toUpper();
        else
            result += unit;
    }
    return result;
}

} // namespace

// argv holds the command line in the ANSI code page, which lacks most characters; the wide
// command line holds it as typed.
CommandLine CommandLine::read(int, char *[])
{
    CommandLine line;
    int count = 0;
    LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i) {
        // Not fromWCharArray(), which would drop a leading U+FEFF as a byte order mark.
        const QString text(reinterpret_cast<const QChar *>(wide[i]));
        // Half a surrogate pair is no character: it would be written as U+FFFD, in a page or
        // in a file name.
        if (!text.isValidUtf16()) {
            line.refusal =
                QCoreApplication::translate("CommandLine", "the argument \"%1\" cannot be used: it "
                                                           "holds half of a UTF-16 surrogate pair")
                    .arg(shown(text));
            break;
        }
        line.arguments.append(text);
    }
    LocalFree(wide);
    return line;
}

#include "Console.h"

#include <QDir>
#include <QFile>
#include <QLocale>

void Console::printLine(FILE *stream, const QByteArray &line)
{
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stream);
    std::fputc('\n', stream);
}

QByteArray Console::pathBytes(const QString &path)
{
    return QFile::encodeName(QDir::toNativeSeparators(path));
}

QByteArray Console::text(const QString &message)
{
    return message.toLocal8Bit();
}

QString Console::number(qint64 n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

QString Console::count(qint64 n, const QString &one, const QString &many)
{
    return number(n) + u' ' + (n == 1 ? one : many);
}

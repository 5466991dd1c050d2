#include "text/LegacyCodePage.h"

#include <QCoreApplication>
#include <QStringDecoder>

QStringEncoder LegacyCodePage::encoder()
{
    return QStringEncoder(QStringConverter::System, QStringConverter::Flag::Stateless);
}

QString LegacyCodePage::name()
{
    // Read inside a failure's words, so it is translated with them.
    return QCoreApplication::translate("LegacyCodePage", "the system's ANSI code page");
}

// Only a round trip shows that a text did not survive a best fit.
bool LegacyCodePage::keeps(const QString &text, const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::System);
    return decoder.decode(bytes) == text;
}

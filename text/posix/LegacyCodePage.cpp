#include "text/LegacyCodePage.h"

QStringEncoder LegacyCodePage::encoder()
{
    return QStringEncoder("windows-1252", QStringConverter::Flag::Stateless);
}

QString LegacyCodePage::name()
{
    return QStringLiteral("Windows-1252");
}

// ICU reports every character windows-1252 lacks as an error.
bool LegacyCodePage::keeps(const QString &, const QByteArray &)
{
    return true;
}

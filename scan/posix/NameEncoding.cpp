#include "scan/NameEncoding.h"

#include <QFile>

bool SurvivesNameEncoding(const QString &name)
{
    return QFile::decodeName(QFile::encodeName(name)) == name;
}

#include "RunList.h"

#include "Console.h"
#include "JournalHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A text in double quotes, so that spaces at its ends show; what would break the line or the
// quotes escaped.
QString quoted(const QString &text)
{
    QString shown = u"\""_s;
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            shown += u'\\' + c;
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            shown += QString::asprintf("\\x%02X", c.unicode());
        else
            shown += c;
    }
    return shown + u'"';
}

QString undoneOf(const KeptRun &run)
{
    switch (run.undone) {
    case KeptRun::Undone::No:
        return QCoreApplication::translate("RunList", "not undone");
    case KeptRun::Undone::Stopped:
        return QCoreApplication::translate("RunList", "undo stopped part way");
    case KeptRun::Undone::Completely:
        break;
    }
    return run.leftAlone == 0
               ? QCoreApplication::translate("RunList", "undone")
               : QCoreApplication::translate("RunList", "undone except %1")
                     .arg(Console::count(run.leftAlone,
                                         QCoreApplication::translate("RunList", "page"),
                                         QCoreApplication::translate("RunList", "pages")));
}

} // namespace

QList<KeptRun> RunList::read()
{
    QList<KeptRun> kept;
    for (const QString &folder : JournalHome::runs()) {
        if (const std::optional<KeptRun> run = KeptRun::read(folder))
            kept.prepend(*run);
    }
    return kept;
}

QString RunList::nameOf(const KeptRun &run)
{
    return run.sequence > 0 ? QString::number(run.sequence) : QFileInfo(run.folder).fileName();
}

std::optional<KeptRun> RunList::find(const QString &name)
{
    const QList<KeptRun> runs = read();
    const auto named = std::find_if(runs.begin(), runs.end(), [&name](const KeptRun &run) {
        return nameOf(run) == name || QFileInfo(run.folder).fileName() == name;
    });
    return named == runs.end() ? std::nullopt : std::optional<KeptRun>(*named);
}

QString RunList::line(const KeptRun &run)
{
    const QString texts = run.search.isNull()
                              ? QCoreApplication::translate("RunList", "(texts not noted)")
                              : quoted(run.search) + u" -> "_s + quoted(run.replacement);
    return QStringList{nameOf(run),
                       run.firstChange().toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"),
                       QDir::toNativeSeparators(run.root),
                       texts,
                       Console::count(run.pages,
                                      QCoreApplication::translate("RunList", "page changed"),
                                      QCoreApplication::translate("RunList", "pages changed")),
                       undoneOf(run)}
        .join(u"  "_s);
}

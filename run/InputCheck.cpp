#include "run/InputCheck.h"

#include "file/PathKind.h"
#include "journal/JournalHome.h"
#include "scan/FolderPath.h"
#include "scan/NameEncoding.h"
#include "scan/ShownName.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

// The messages are this program's source texts, translated in the "InputCheck" context.
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(InputCheck)
};

} // namespace

std::optional<QString> CheckRunInput(const QString &folder, const QString &search,
                                     const QString &replacement)
{
    // A field holding only spaces counts as filled: spaces are valid search text.
    if (folder.isEmpty() || search.isEmpty() || replacement.isEmpty())
        return Words::tr("Please fill out all text-fields (o;");
    // Case matters: "Home" -> "home" is a real change and must pass.
    if (replacement == search)
        return Words::tr("The two text-fields must not be the same.");
    // Every replacement would put a new occurrence into the line, so the line would grow
    // for ever on the first file that holds the search text.
    if (replacement.contains(search))
        return Words::tr("The text to replace with must not contain the text to search for.");
    // A line ends at a CR and each line is searched on its own (LineReader), so a search text
    // that holds one could never be found.
    if (search.contains(u'\r'))
        return Words::tr("The text to search for must not contain a carriage return (CR): "
                         "each line is searched on its own, and a line ends at a CR.");

    const QString shown = QDir::toNativeSeparators(folder);
    // The walk opens the folder by its encoded name and reads every name back through the same
    // encoding; a text that does not come back as it was typed (a leading U+FEFF is dropped, for
    // one) would name another folder than the one the user sees.
    if (!SurvivesNameEncoding(folder))
        return Words::tr("The folder \"%1\" cannot be used: its name is not valid in the file "
                         "name encoding.")
            .arg(ShownName(QFile::encodeName(shown)));
    // ".." taken as text, as the walk takes it, not after a link that comes before it.
    const QString normalised = FolderPath::normalised(folder);
    switch (KindOfPath(normalised)) {
    case PathKind::Missing:
        return Words::tr("The folder \"%1\" does not exist.").arg(shown);
    case PathKind::Other:
        return Words::tr("\"%1\" is not a folder.").arg(shown);
    case PathKind::Folder:
        break;
    }
    // The originals a run keeps would land among the files it changes.
    if (JournalHome::liesIn(normalised))
        return Words::tr("The folder \"%1\" cannot be used: it holds the undo journal "
                         "(\"%2\"), where a run keeps the originals of the files it changes.")
            .arg(shown, QDir::toNativeSeparators(JournalHome::location()));
    return std::nullopt;
}

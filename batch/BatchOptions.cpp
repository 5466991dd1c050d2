#include "BatchOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

using Action = BatchOptions::Action;

// A refusal and where to read more.
QString withHelp(const QString &refusal)
{
    return QCoreApplication::translate("BatchOptions", "%1 (see tagmender-batch --help)")
        .arg(refusal);
}

// The one action the options ask for, or a refusal when they ask for two.
QString chooseAction(BatchOptions &options, const QList<std::pair<bool, Action>> &asked)
{
    qsizetype actions = 0;
    for (const auto &[given, action] : asked) {
        if (given && actions++ == 0)
            options.action = action;
    }
    return actions > 1 ? withHelp(QCoreApplication::translate(
                             "BatchOptions", "--list-runs, --undo-last and --undo each go alone"))
                       : QString();
}

// What the action takes besides its options.
QString checkOperands(BatchOptions &options, const QStringList &operands)
{
    if (options.action != Action::Run) {
        if (!operands.isEmpty() || options.subfolders || options.dryRun)
            return withHelp(QCoreApplication::translate(
                "BatchOptions", "--list-runs, --undo-last and --undo take no "
                                "folder, texts, --subfolders or --dry-run"));
        return {};
    }
    if (operands.size() != 3)
        return withHelp(QCoreApplication::translate(
            "BatchOptions", "usage: tagmender-batch [OPTION]... FOLDER SEARCH REPLACEMENT"));
    options.folder = operands[0];
    options.search = operands[1];
    options.replacement = operands[2];
    return {};
}

} // namespace

BatchOptions BatchOptions::parse(const QStringList &arguments)
{
    const auto names = [](const char *shortName, const char *longName) {
        return QStringList{QString::fromLatin1(shortName), QString::fromLatin1(longName)};
    };
    const QCommandLineOption subfolders(names("s", "subfolders")), dryRun(names("n", "dry-run")),
        quiet(names("q", "quiet")), help(names("h", "help")), version(names("V", "version")),
        listRuns(u"list-runs"_s), undoLast(u"undo-last"_s), undo(u"undo"_s, {}, u"RUN"_s);
    QCommandLineParser parser;
    parser.addOptions({subfolders, dryRun, quiet, help, version, listRuns, undoLast, undo});
    BatchOptions options;
    // The parser takes the first argument for the program's name.
    if (!parser.parse(QStringList{u"tagmender-batch"_s} + arguments)) {
        QString error = parser.errorText();
        if (error.endsWith(u'.'))
            error.chop(1);
        if (!parser.unknownOptionNames().isEmpty())
            error += QCoreApplication::translate(
                "BatchOptions", "; a text or folder that begins with \"-\" goes after \"--\"");
        options.refusal = withHelp(error);
        return options;
    }
    // Help and version answer whatever else the line says, as such options conventionally do.
    if (parser.isSet(help) || parser.isSet(version)) {
        options.action = parser.isSet(help) ? Action::Help : Action::Version;
        return options;
    }
    options.subfolders = parser.isSet(subfolders);
    options.dryRun = parser.isSet(dryRun);
    options.quiet = parser.isSet(quiet);
    options.run = parser.value(undo);
    options.refusal = chooseAction(options, {{parser.isSet(listRuns), Action::ListRuns},
                                             {parser.isSet(undoLast), Action::UndoLast},
                                             {parser.isSet(undo), Action::Undo}});
    if (options.refusal.isEmpty())
        options.refusal = checkOperands(options, parser.positionalArguments());
    return options;
}

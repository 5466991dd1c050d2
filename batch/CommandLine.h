#pragma once

#include <QString>
#include <QStringList>

/// The tool's arguments exactly as given, read before QCoreApplication, whose constructor edits
/// argv: Qt would drop a byte order mark that starts one and take out those it reserves for
/// itself (-qmljsdebugger=...), yet either can be a text to search for or a folder name.
struct CommandLine
{
    QStringList arguments;
    /// Why an argument cannot be used, its bytes shown; empty when every one can. An argument
    /// is used only when it is exactly the text its bytes say: a decoder makes invalid bytes
    /// U+FFFD and drops an incomplete character at the end, so another text or another folder
    /// than the one given would be used.
    QString refusal;

    static CommandLine read(int argc, char *argv[]);
};

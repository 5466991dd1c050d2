#pragma once

#include "Recorder.h"
#include "SiteTree.h"

#include <QStringList>

/// The surroundings of a run test: a Recorder answering every dialog, a throw-away site and
/// the main window on the screen; and the pieces of the transcript a run is expected to leave.
class RunFixture
{
public:
    static const QString Confirmation;
    static const QString FailureIntro;
    static const QByteArray PageWithText; ///< holds "Home"
    static const QByteArray PageWithout;  ///< does not

    RunFixture();
    ~RunFixture();

    /// Fills in the main window and clicks the start picture; returns when the run is over.
    void start(const QString &folder, const QString &search, const QString &replacement,
               bool subfolders = false);
    /// The site's paths as the program shows them.
    QStringList natives(const QStringList &relatives) const;
    /// Every message box so far was titled "Tagmender", had no icon, the right buttons and
    /// the main window as its parent.
    void verifyEveryBoxIsPlain() const;
    /// The run's input controls are all enabled (or all disabled); the information picture
    /// is always enabled.
    bool inputEnabled(bool enabled) const;

    /// The transcript entry of a message box.
    static QString message(const QString &text);
    /// Everything up to the listing, when the user said Yes.
    static QStringList opening();
    /// The processing of files, in order; changed holds those that receive a replacement.
    static QStringList processing(const QStringList &files, const QStringList &changed);
    /// The end of a run that was not stopped, with the failure message when one is given.
    static QStringList ending(const QString &failures = QString());

    Recorder recorder;
    SiteTree site;
};

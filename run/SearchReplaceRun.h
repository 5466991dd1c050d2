#pragma once

#include "ReplacementTexts.h"

#include <QStringList>

class RunObserver;

/// One search-and-replace run without any window: lists the HTML files of a folder, then
/// rewrites them one by one, reporting through a RunObserver. The caller checks the input
/// first (CheckRunInput) and does whatever it shows between the two steps.
class SearchReplaceRun
{
public:
    /// The pattern the run lists files with.
    static const QString Pattern;

    SearchReplaceRun(const QString &search, const QString &replacement, RunObserver &observer);

    /// The HTML files of folder (and of every folder below it when subfolders is true),
    /// in processing order. Folders that cannot be listed are reported and left out.
    QStringList collect(const QString &folder, bool subfolders);

    /// Rewrites the files in order; a failing file is reported and the run goes on.
    /// Returns false when the observer asked to stop before the last file.
    bool process(const QStringList &files);

private:
    ReplacementTexts m_texts;
    RunObserver &m_observer;
};

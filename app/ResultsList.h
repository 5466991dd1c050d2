#pragma once

#include <QListWidget>

/// One of the progress window's lists of files: the files changed (the design's List1) or
/// those that could not be changed, each with its reason. It is drawn whenever the window
/// repaints during a run, follows the newest entry until the user scrolls away from the bottom,
/// and offers what people expect of a list of files: Enter or a double-click opens an entry with
/// the desktop's program for it, a context menu opens it or its folder and copies the entries,
/// and several entries can be selected and copied (Ctrl+C).
class ResultsList : public QListWidget
{
    Q_OBJECT

public:
    enum class Holds { Changes, Failures };

    ResultsList(Holds holds, QWidget *parent);

    /// Appends a changed file; its tooltip tells how many replacements were made in it.
    void addFile(const QString &path, qint64 replacements);

    /// Appends a file or folder that could not be changed, shown and copied with its reason.
    void addFailure(const QString &path, const QString &reason);

    /// The journal of the run the list shows; "Undo this run" is offered while there is one.
    void setUndoableRun(const QString &journal);

Q_SIGNALS:
    /// The user chose "Undo this run" for the run whose journal is journal.
    void undoRequested(const QString &journal);

protected:
    void paintEvent(QPaintEvent *event) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;

private:
    QAction *addMenuAction(const QString &text, void (ResultsList::*handler)());
    void openSelected();
    void openFolders();
    void copySelected();
    void copyAll();
    QStringList selected(int role) const;

    QAction *m_undo;
    QString m_journal;
    bool m_follow = true; ///< the view is at the bottom and stays there as entries come
};

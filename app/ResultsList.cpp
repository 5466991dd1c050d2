#include "ResultsList.h"

#include "Dialogs.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScrollBar>
#include <QUrl>

namespace {

// An entry shows its path, or its path and reason; the path alone is what gets opened.
constexpr int PathRole = Qt::UserRole;

} // namespace

ResultsList::ResultsList(Holds holds, QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // One line per path: the layout need not measure every entry.
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this, [](const QListWidgetItem *item) {
        Dialogs::openUrl(QUrl::fromLocalFile(item->data(PathRole).toString()));
    });
    setContextMenuPolicy(Qt::ActionsContextMenu);
    addMenuAction(tr("Open"), &ResultsList::openSelected);
    addMenuAction(tr("Open containing folder"), &ResultsList::openFolders);
    // A failure is copied with its reason, for a report or a search.
    const bool changes = holds == Holds::Changes;
    addMenuAction(changes ? tr("Copy path") : tr("Copy"), &ResultsList::copySelected)
        ->setShortcut(QKeySequence::Copy);
    addMenuAction(changes ? tr("Copy all paths") : tr("Copy all"), &ResultsList::copyAll);
    m_undo = new QAction(tr("Undo this run"), this);
    m_undo->setEnabled(false);
    connect(m_undo, &QAction::triggered, this, [this] { Q_EMIT undoRequested(m_journal); });
    if (changes)
        addAction(m_undo);

    // The view follows the newest entry while it is at the bottom. Scrolling away (wheel, bar,
    // keys) stops that; scrolling back to the bottom starts it again.
    QScrollBar *bar = verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_follow) {
            bar->setValue(maximum);
        }
    });
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { m_follow = value == bar->maximum(); });
}

void ResultsList::addFile(const QString &path, qint64 replacements)
{
    auto *entry = new QListWidgetItem(path);
    entry->setData(PathRole, path);
    // An undo puts pages back without replacing anything: no count to tell.
    if (replacements > 0)
        entry->setToolTip(replacements == 1 ? tr("1 replacement")
                                            : tr("%1 replacements").arg(replacements));
    addItem(entry);
}

void ResultsList::addFailure(const QString &path, const QString &reason)
{
    auto *entry = new QListWidgetItem(path + QStringLiteral(": ") + reason);
    entry->setData(PathRole, path);
    // The reason may go beyond the list's right edge.
    entry->setToolTip(reason);
    addItem(entry);
}

void ResultsList::setUndoableRun(const QString &journal)
{
    m_journal = journal;
    m_undo->setEnabled(!journal.isEmpty());
}

void ResultsList::paintEvent(QPaintEvent *event)
{
    // Every new entry throws the list's layout away until a zero-length timer redoes it, and
    // while a run keeps the event loop busy that timer is starved: the list would be drawn
    // blank. So the layout is redone here, when it is needed, as QTreeView does.
    executeDelayedItemsLayout();
    QListWidget::paintEvent(event);
}

void ResultsList::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QListWidget::rowsInserted(parent, start, end);
    // Nothing else asks for a repaint of the list, so the next yield of a run would skip it.
    viewport()->update();
}

QAction *ResultsList::addMenuAction(const QString &text, void (ResultsList::*handler)())
{
    auto *action = new QAction(text, this);
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, handler);
    addAction(action);
    return action;
}

void ResultsList::openSelected()
{
    for (const QString &path : selected(PathRole)) {
        Dialogs::openUrl(QUrl::fromLocalFile(path));
    }
}

void ResultsList::openFolders()
{
    QStringList folders;
    for (const QString &path : selected(PathRole)) {
        folders.append(QFileInfo(path).absolutePath());
    }
    folders.removeDuplicates();
    for (const QString &folder : folders) {
        Dialogs::openUrl(QUrl::fromLocalFile(folder));
    }
}

void ResultsList::copySelected()
{
    QGuiApplication::clipboard()->setText(selected(Qt::DisplayRole).join(u'\n'));
}

void ResultsList::copyAll()
{
    QStringList paths;
    for (int row = 0; row < count(); ++row) {
        paths.append(item(row)->text());
    }
    QGuiApplication::clipboard()->setText(paths.join(u'\n'));
}

QStringList ResultsList::selected(int role) const
{
    // In list order, not in the order the user picked them.
    QStringList entries;
    for (int row = 0; row < count(); ++row) {
        if (item(row)->isSelected()) {
            entries.append(item(row)->data(role).toString());
        }
    }
    return entries;
}

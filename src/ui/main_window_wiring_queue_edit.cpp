// The queue list while the queue waits (before Start, after Abort): Del
// takes the chosen files out of the queue, and its context menu moves a
// file up or down. A running file goes only by Abort.
#include "ui/main_window.h"

#include "app/message_panel.h"
#include "transfer/transfer_queue.h"
#include "ui/control_factory.h"

#include <QAction>
#include <QListWidget>

#include <algorithm>

namespace {

QAction* queueAction(QListWidget* list, const QString& caption, const char* objectName, const QKeySequence& key)
{
    auto* action = named(new QAction(caption, list), objectName);
    action->setShortcut(key);
    // The keys act on the queue list only, while it has the focus.
    action->setShortcutContext(Qt::WidgetShortcut);
    list->addAction(action);
    return action;
}

}  // namespace

void Thovedform::wireQueueEditing()
{
    QListWidget* queue = c_.ListBox4;
    queue->setSelectionMode(QAbstractItemView::ExtendedSelection);
    queue->setContextMenuPolicy(Qt::ActionsContextMenu);
    QAction* moveUp = queueAction(queue, QStringLiteral("Move up"), "MoveQueuedUp", QKeySequence(Qt::CTRL | Qt::Key_Up));
    QAction* moveDown =
        queueAction(queue, QStringLiteral("Move down"), "MoveQueuedDown", QKeySequence(Qt::CTRL | Qt::Key_Down));
    QAction* remove = queueAction(queue, QStringLiteral("Remove from queue"), "RemoveQueued",
                                  QKeySequence(QKeySequence::Delete));

    // The queue's own lines come first; the lines a recording shows after
    // them are not entries.
    const auto chosenEntryRows = [this, queue] {
        std::vector<std::size_t> rows;
        const int entries = static_cast<int>(transferQueue_->entries().count());
        for (const QListWidgetItem* item : queue->selectedItems()) {
            const int row = queue->row(item);
            if (row >= 0 && row < entries)
                rows.push_back(static_cast<std::size_t>(row));
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    const auto tellRunning = [this] {
        c_.MessagePanel1->showMessage(
            QStringLiteral("The queue is being worked off: stop it with Abort to change it"));
    };

    connect(remove, &QAction::triggered, this, [this, queue, chosenEntryRows, tellRunning] {
        const std::vector<std::size_t> rows = chosenEntryRows();
        if (rows.empty())
            return;
        if (transferQueue_->transferRunning()) {
            tellRunning();
            return;
        }
        if (transferQueue_->removeWaitingEntries(rows) && queue->count() > 0)
            queue->setCurrentRow(std::min(static_cast<int>(rows.front()), queue->count() - 1));
    });
    const auto move = [this, queue, chosenEntryRows, tellRunning](int by) {
        const std::vector<std::size_t> rows = chosenEntryRows();
        if (rows.size() != 1)
            return;
        if (transferQueue_->transferRunning()) {
            tellRunning();
            return;
        }
        if (transferQueue_->moveWaitingEntry(rows.front(), by))
            queue->setCurrentRow(static_cast<int>(rows.front()) + by);
    };
    connect(moveUp, &QAction::triggered, this, [move] { move(-1); });
    connect(moveDown, &QAction::triggered, this, [move] { move(1); });
}

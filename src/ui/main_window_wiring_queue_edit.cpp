// The queue list, waiting or running: Del takes the chosen files out of the
// queue, and its context menu moves a file up or down. A file in transfer
// goes only by Abort.
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
    const auto inFlightChosen = [this](const std::vector<std::size_t>& rows) {
        return std::any_of(rows.begin(), rows.end(), [this](std::size_t row) { return transferQueue_->inFlight(row); });
    };
    const auto tellInFlight = [this] {
        c_.MessagePanel1->showMessage(QStringLiteral("A file in transfer stays in the queue: stop it with Abort"));
    };

    connect(remove, &QAction::triggered, this, [this, queue, chosenEntryRows, inFlightChosen, tellInFlight] {
        const std::vector<std::size_t> rows = chosenEntryRows();
        if (rows.empty())
            return;
        if (inFlightChosen(rows))
            tellInFlight();
        if (transferQueue_->removeWaitingEntries(rows) && queue->count() > 0)
            queue->setCurrentRow(std::min(static_cast<int>(rows.front()), queue->count() - 1));
    });
    const auto move = [this, queue, chosenEntryRows, inFlightChosen, tellInFlight](int by) {
        const std::vector<std::size_t> rows = chosenEntryRows();
        if (rows.size() != 1)
            return;
        const std::size_t other = static_cast<std::size_t>(static_cast<int>(rows.front()) + by);
        if (inFlightChosen({rows.front(), other})) {
            tellInFlight();
            return;
        }
        if (transferQueue_->moveWaitingEntry(rows.front(), by))
            queue->setCurrentRow(static_cast<int>(rows.front()) + by);
    };
    connect(moveUp, &QAction::triggered, this, [move] { move(-1); });
    connect(moveDown, &QAction::triggered, this, [move] { move(1); });
}

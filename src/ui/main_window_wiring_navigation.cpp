// Moving about both sides from the keyboard and the mouse: F5 and the
// context menus' "Refresh" read both sides again, Backspace goes to the
// parent folder, a click on the remote folder already shown reads it
// again, and the remote path field goes to a typed folder.
#include "ui/main_window.h"

#include "app/browse_session.h"
#include "app/local_panel.h"
#include "app/remote_tree.h"
#include "ui/control_factory.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPersistentModelIndex>
#include <QShortcut>
#include <QTreeWidget>

namespace {

// Remembers which item was current when a mouse button went down on a
// view, so that a click can tell a new selection from a click on the one
// already made (the selection has changed by the time the click arrives).
class CurrentAtPress : public QObject {
public:
    explicit CurrentAtPress(QAbstractItemView* view) : QObject(view), view_(view)
    {
        view->viewport()->installEventFilter(this);
    }
    bool wasCurrent(const QModelIndex& clicked) const { return clicked.isValid() && clicked == atPress_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            atPress_ = view_->currentIndex();
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractItemView* view_;
    QPersistentModelIndex atPress_;
};

}  // namespace

void Thovedform::wireNavigation()
{
    c_.Refresh = named(new QAction(QStringLiteral("Refresh"), this), "Refresh");
    c_.Refresh->setShortcut(QKeySequence(Qt::Key_F5));
    c_.Refresh->setShortcutContext(Qt::WindowShortcut);
    setHint(c_.Refresh, QStringLiteral("Read both sides again"));
    addAction(c_.Refresh);
    connect(c_.Refresh, &QAction::triggered, this, &Thovedform::refreshBothSides);

    // Each side's views offer the action on a right click (or the menu key).
    for (QAbstractItemView* view : std::initializer_list<QAbstractItemView*>{
             c_.TreeView1, c_.ListView1, c_.DirectoryListBox1, c_.ListView2}) {
        view->setContextMenuPolicy(Qt::ActionsContextMenu);
        view->addAction(c_.Refresh);
    }

    for (QAbstractItemView* view : std::initializer_list<QAbstractItemView*>{c_.TreeView1, c_.ListView1}) {
        auto* up = new QShortcut(QKeySequence(Qt::Key_Backspace), view);
        up->setContext(Qt::WidgetShortcut);
        connect(up, &QShortcut::activated, this, &Thovedform::goToRemoteParent);
    }
    for (QAbstractItemView* view : std::initializer_list<QAbstractItemView*>{c_.DirectoryListBox1, c_.ListView2}) {
        auto* up = new QShortcut(QKeySequence(Qt::Key_Backspace), view);
        up->setContext(Qt::WidgetShortcut);
        connect(up, &QShortcut::activated, this, &Thovedform::goToLocalParent);
    }

    // Selecting a node opens its folder; a click on the node already
    // selected reads that folder again, as a user expects of a click.
    auto* pressWatch = new CurrentAtPress(c_.TreeView1);
    connect(c_.TreeView1, &QAbstractItemView::clicked, this, [this, pressWatch](const QModelIndex& clicked) {
        if (pressWatch->wasCurrent(clicked))
            session_->showDirectory();
    });
    // Enter (or a double click) on a node opens it in the tree as well.
    connect(c_.TreeView1, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* node) {
        if (c_.TreeView1->currentItem() != node)
            c_.TreeView1->setCurrentItem(node);
        node->setExpanded(true);
    });

    connect(c_.RemotePath, &QLineEdit::returnPressed, this, [this] {
        const std::string typed = remote_tree::toBytes(c_.RemotePath->text().trimmed());
        c_.RemotePath->setModified(false);
        if (!typed.empty())
            session_->goToTypedDirectory(typed);
    });
}

void Thovedform::refreshBothSides()
{
    // The folder list too: folders made or removed behind our back.
    const std::string localFolder = localPanel_->localDirectory();
    if (!localPanel_->setLocalDirectory(localFolder))
        localPanel_->fillLocalFileList();
    if (session_->connected())
        session_->showDirectory();
}

void Thovedform::goToRemoteParent()
{
    QTreeWidgetItem* node = c_.TreeView1->currentItem();
    if (session_->connected() && node && node->parent())
        c_.TreeView1->setCurrentItem(node->parent());
}

void Thovedform::goToLocalParent()
{
    QDir folder(QFile::decodeName(QByteArray::fromStdString(localPanel_->localDirectory())));
    if (folder.cdUp())
        localPanel_->setLocalDirectory(QFile::encodeName(folder.absolutePath()).toStdString());
}

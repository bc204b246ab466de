#include "ui/drop_target.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

#include <memory>

DropTarget::DropTarget(QAbstractScrollArea* view, Accepts accepts, Dropped dropped)
    : QObject(view), view_(view), accepts_(std::move(accepts)), dropped_(std::move(dropped))
{
    // The view's scroll area hands drags to its viewport, so that is where
    // they are taken, ahead of the view's own handling of them.
    view->viewport()->setAcceptDrops(true);
    view->viewport()->installEventFilter(this);
}

bool DropTarget::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const bool taken = drag->mimeData() && accepts_(*drag->mimeData());
        if (taken) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        setHighlighted(taken);
        return true;
    }
    case QEvent::DragLeave:
        setHighlighted(false);
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        setHighlighted(false);
        if (!drop->mimeData() || !accepts_(*drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // The drag's data goes with the drag: what it carried is copied.
        auto data = std::make_shared<QMimeData>();
        for (const QString& format : drop->mimeData()->formats())
            data->setData(format, drop->mimeData()->data(format));
        QTimer::singleShot(0, this, [this, data] { dropped_(*data); });
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

void DropTarget::setHighlighted(bool on)
{
    if (on == highlighted_ || !view_)
        return;
    highlighted_ = on;
    if (on) {
        paletteBefore_ = view_->palette();
        QPalette tinted = paletteBefore_;
        const QColor base = tinted.color(QPalette::Base);
        const QColor highlight = tinted.color(QPalette::Highlight);
        // A quarter of the highlight over the background: the names stay
        // readable.
        tinted.setColor(QPalette::Base, QColor((3 * base.red() + highlight.red()) / 4,
                                               (3 * base.green() + highlight.green()) / 4,
                                               (3 * base.blue() + highlight.blue()) / 4));
        view_->setPalette(tinted);
    } else {
        view_->setPalette(paletteBefore_);
    }
}

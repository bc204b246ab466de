#include "app/visual_help_capture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <algorithm>

namespace {

CaptureSpot menuTitle(QMenuBar* bar, QAction* title)
{
    QWidget* window = bar->window();
    const QRect area = bar->actionGeometry(title);
    return {window, QRect(bar->mapTo(window, area.topLeft()), area.size())};
}

}  // namespace

CaptureSpot captureSpotOf(QWidget* control)
{
    if (!control)
        return {};
    // The items of a menu opened from the menu bar send their hints through
    // the bar; the open menu is its active title.
    if (auto* bar = qobject_cast<QMenuBar*>(control)) {
        if (QAction* open = bar->activeAction())
            return menuTitle(bar, open);
    }
    if (auto* menu = qobject_cast<QMenu*>(control)) {
        for (QObject* owner : menu->menuAction()->associatedObjects()) {
            if (auto* bar = qobject_cast<QMenuBar*>(owner))
                return menuTitle(bar, menu->menuAction());
        }
        return {};
    }
    QWidget* window = control->window();
    return {window, QRect(control->mapTo(window, QPoint(0, 0)), control->size())};
}

QPixmap captureAround(const CaptureSpot& spot)
{
    if (!spot.window)
        return {};
    const QRect bounds = spot.window->rect();
    const int width = std::min(kCaptureSide, bounds.width());
    const int height = std::min(kCaptureSide, bounds.height());
    const QPoint centre = spot.area.center();
    const int left = std::clamp(centre.x() - width / 2, 0, bounds.width() - width);
    const int top = std::clamp(centre.y() - height / 2, 0, bounds.height() - height);
    return spot.window->grab(QRect(left, top, width, height));
}

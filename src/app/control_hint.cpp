#include "app/control_hint.h"

#include <QAction>
#include <QWidget>

void setHint(QWidget* control, const QString& hint)
{
    control->setStatusTip(hint);
    control->setToolTip(hint);
}

void setHint(QAction* item, const QString& hint)
{
    item->setStatusTip(hint);
    item->setToolTip(hint);
}

QString hintOf(const QWidget* control)
{
    return control->statusTip();
}

QString hintOf(const QAction* item)
{
    return item->statusTip();
}

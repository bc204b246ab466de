#pragma once

#include <QString>

class QAction;
class QWidget;

// A control's hint is the short text shown in the status bar while the mouse
// is over it. It is kept as the control's status tip, and mirrored into the
// tool tip so it is also readable where there is no status bar.
void setHint(QWidget* control, const QString& hint);
void setHint(QAction* item, const QString& hint);
QString hintOf(const QWidget* control);
QString hintOf(const QAction* item);

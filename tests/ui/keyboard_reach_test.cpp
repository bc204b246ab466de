// Every control of every window can be reached with the keyboard and is named
// for a screen reader: a user who cannot use a mouse must be able to Tab to it
// and hear what it is.
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_main_window.h"
#include "ui/main_window.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

bool takesInput(const QWidget* widget)
{
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget)
           || qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractItemView*>(widget)
           || qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QTextEdit*>(widget)
           || qobject_cast<const QAbstractSpinBox*>(widget);
}

QString describe(const QWidget* widget)
{
    return QString::fromLatin1(widget->metaObject()->className()) + " '" + widget->objectName() + "' in "
           + widget->window()->objectName();
}

// The controls of `window` a keyboard user cannot Tab to, and those a screen
// reader has no name for. Only what the window shows counts; a control it
// shows later is checked when it is shown.
void collectFaults(QWidget* window, QStringList& unreachable, QStringList& unnamed)
{
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->window() != window || !widget->isVisibleTo(window) || !takesInput(widget))
            continue;
        // Column headers sort or size the list they belong to; the list is the stop.
        if (qobject_cast<QHeaderView*>(widget))
            continue;
        // The line edit inside an editable combo box is the combo box's.
        if (qobject_cast<QComboBox*>(widget->parentWidget()))
            continue;
        if (!(widget->focusPolicy() & Qt::TabFocus))
            unreachable << describe(widget);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << describe(widget);
    }
}

using KeyboardReach = MainWindowTest;

TEST_F(KeyboardReach, EveryShownControlOfEveryWindowTakesTabFocusAndHasAName)
{
    window->show();
    // The help window is made when first asked for.
    window->findChild<QAction*>(QStringLiteral("Help1"))->trigger();

    QStringList unreachable;
    QStringList unnamed;
    collectFaults(window.get(), unreachable, unnamed);
    for (QWidget* other : window->findChildren<QWidget*>()) {
        // A combo box's drop-down list is part of the combo box.
        if (!other->isWindow() || other->windowType() == Qt::Popup)
            continue;
        other->show();
        QApplication::processEvents();
        collectFaults(other, unreachable, unnamed);
        other->hide();
    }
    EXPECT_TRUE(unreachable.isEmpty()) << unreachable.join('\n').toStdString();
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join('\n').toStdString();
}

}  // namespace

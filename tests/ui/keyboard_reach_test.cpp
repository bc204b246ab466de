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
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextDocumentFragment>
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

// What a screen reader should say for a label: the text it shows, without
// markup or the mnemonic's ampersand.
QString spokenText(const QLabel* label)
{
    QString text = label->text();
    if (label->textFormat() == Qt::RichText || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)))
        text = QTextDocumentFragment::fromHtml(text).toPlainText();
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

// The controls of `window` a keyboard user cannot Tab to, and those a screen
// reader has no name for. Only what the window shows counts; a control it
// shows later is checked when it is shown. A label that shows text must be
// heard by that text: a name of its own would hide what it says.
void collectFaults(QWidget* window, QStringList& unreachable, QStringList& unnamed)
{
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->window() != window || !widget->isVisibleTo(window))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget); label && !label->text().isEmpty()) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            const QString heard = accessible ? accessible->text(QAccessible::Name) : QString();
            if (heard != spokenText(label))
                unnamed << describe(widget) + " is heard as '" + heard + "', not as its text '" + label->text() + "'";
            continue;
        }
        if (!takesInput(widget))
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

// The visual-help window tells about the control under the pointer; a
// screen reader must hear that, not what each line is for.
TEST_F(KeyboardReach, VisualHelpIsHeardByWhatItShows)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->findChild<QAction*>(QStringLiteral("VisualHelp1"))->trigger();
    auto* help = window->findChild<QWidget*>(QStringLiteral("VisualHelpWindow"));
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(help->isVisible());
    auto* deleteButton = window->findChild<QWidget*>(QStringLiteral("BitBtn5"));
    ASSERT_NE(deleteButton, nullptr);
    QTest::mouseMove(window.get(), deleteButton->mapTo(window.get(), deleteButton->rect().center()));
    QApplication::processEvents();

    const auto heard = [&](const char* name) {
        auto* label = help->findChild<QLabel*>(QString::fromLatin1(name));
        QAccessibleInterface* accessible = label ? QAccessible::queryAccessibleInterface(label) : nullptr;
        return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("(no such label)");
    };
    EXPECT_EQ(heard("helpTitle"), QStringLiteral("Delete Button"));
    EXPECT_EQ(heard("helpFirstLine"), QStringLiteral("Delete files and"));
    EXPECT_EQ(heard("helpSecondLine"), QStringLiteral("directories"));

    QStringList unreachable;
    QStringList unnamed;
    collectFaults(help, unreachable, unnamed);
    EXPECT_TRUE(unreachable.isEmpty()) << unreachable.join('\n').toStdString();
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join('\n').toStdString();
}

}  // namespace

#pragma once

#include "app/control_hint.h"

#include <QPushButton>
#include <QString>

// Small helpers for building the windows: every control gets the object name
// the handlers and tests know it by.

template <typename Control>
Control* named(Control* control, const char* objectName)
{
    control->setObjectName(QString::fromLatin1(objectName));
    return control;
}

inline QPushButton* makeButton(QWidget* parent, const char* objectName, const QString& caption,
                               const QString& hint)
{
    auto* button = named(new QPushButton(caption, parent), objectName);
    setHint(button, hint);
    return button;
}

class QDialog;
class QHBoxLayout;
class QLabel;
class QTreeWidget;

// The raised, centred, word-wrapping panel the small question dialogs show
// their text in, named "Panel1" as the dialog tests know it.
QLabel* makeQuestionPanel(QWidget* parent, int minimumHeight);

// OK (the default button, named "OK") and Cancel (named "Cancel") at the
// right edge of a row; they accept and reject the dialog.
QHBoxLayout* makeOkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel);

// The remote and local file lists share their look: report style, the
// columns FileName, Size, Type and Date, several items selectable at once, items
// shown in the order they are added, 16 x 16 icons.
QTreeWidget* makeFileList(QWidget* parent, const char* objectName, const QString& hint);

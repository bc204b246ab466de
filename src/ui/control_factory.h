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

class QTreeWidget;

// The remote and local file lists share their look: report style, the
// columns FileName, Size, Type and Date, one selected item at a time, items
// shown in the order they are added, 16 x 16 icons.
QTreeWidget* makeFileList(QWidget* parent, const char* objectName, const QString& hint);

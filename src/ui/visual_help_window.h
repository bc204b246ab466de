#pragma once

#include "app/hint_display.h"

#include <QWidget>

class QPushButton;

// The narrow window beside the main window that explains the control under
// the pointer while visual help is on: a bold title, two short lines, a
// picture of the area around the control with a red marker beside it, and
// the control's help paragraph. "Close help" switches visual help off.
class VisualHelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit VisualHelpWindow(QWidget* parent = nullptr);

    // The controls the hint display fills.
    const VisualHelpView& view() const { return view_; }

private:
    VisualHelpView view_;
    QPushButton* closeButton_ = nullptr;
};

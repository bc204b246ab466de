// Hints, status bar and visual help.
#include "ui/main_window.h"

#include <QAction>

void Thovedform::wireHelp()
{
    connect(c_.VisualHelp1, &QAction::triggered, this, &Thovedform::VisualHelp1Click);
    connect(c_.Help1, &QAction::triggered, this, &Thovedform::Help1Click);
}

// Seams for the visual-help handler and the help pages.
void Thovedform::VisualHelp1Click() {}
void Thovedform::Help1Click() {}

// Seam for the hint display: becomes the application's hint handler at
// start-up.
void Thovedform::installHintHandler() {}

// The passive-mode setting (the address manager opens from the session's
// BitBtn1Click).
#include "ui/thovedform.h"

#include <QAction>

void Thovedform::wireSites()
{
    connect(c_.Passivemode1, &QAction::triggered, this, &Thovedform::Passivemode1Click);
}

// Seam for the passive-mode handler.
void Thovedform::Passivemode1Click() {}

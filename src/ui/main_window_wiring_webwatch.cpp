// WebWatch: recording, the project window and the quick upload.
#include "ui/main_window.h"

#include <QAction>
#include <QPushButton>
#include <QToolButton>

void Thovedform::wireWebwatch()
{
    connect(c_.record, &QAction::triggered, this, &Thovedform::recordClick);
    connect(c_.OpenWebwatch1, &QAction::triggered, this, &Thovedform::OpenWebwatch1Click);
    connect(c_.Deletemissingfiles1, &QAction::triggered, this, &Thovedform::Deletemissingfiles1Click);
    connect(c_.Usecleandirectory1, &QAction::triggered, this, &Thovedform::Usecleandirectory1Click);
    connect(c_.BitBtn10, &QPushButton::clicked, this, &Thovedform::BitBtn10Click);
    connect(c_.BitBtn12, &QPushButton::clicked, this, &Thovedform::BitBtn12Click);
    connect(c_.Image2, &QToolButton::clicked, this, &Thovedform::Image2Click);

    // Seam: the WebWatch window learns its project file, queue file and
    // pending project file when the main window is first shown, through
    // showTargets_.webwatchPaths.
}

// Seams for the WebWatch window and upload run handlers.
void Thovedform::OpenWebwatch1Click() {}
void Thovedform::BitBtn10Click() {}
void Thovedform::Image2Click() {}

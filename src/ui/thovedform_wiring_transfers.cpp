// The transfer queue, directory transfer and the transfer mode menu.
#include "ui/thovedform.h"

#include "transfer/transfer_mode_options.h"
#include "ui/tasciitypes.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

void Thovedform::wireTransfers()
{
    connect(c_.BitBtn2, &QPushButton::clicked, this, &Thovedform::BitBtn2Click);
    connect(c_.BitBtn3, &QPushButton::clicked, this, &Thovedform::BitBtn3Click);
    connect(c_.BitBtn9, &QPushButton::clicked, this, &Thovedform::BitBtn9Click);
    connect(c_.BitBtn11, &QPushButton::clicked, this, &Thovedform::BitBtn11Click);
    connect(c_.Button1, &QPushButton::clicked, this, &Thovedform::Button1Click);
    connect(c_.Binary, &QAction::triggered, this, &Thovedform::BinaryClick);
    connect(c_.ASCII, &QAction::triggered, this, &Thovedform::ASCIIClick);
    connect(c_.AutoDetect, &QAction::triggered, this, &Thovedform::AutoDetectClick);
    connect(c_.Specifyfiletypes, &QAction::triggered, this, &Thovedform::SpecifyfiletypesClick);

    // Seam: the transfer queue takes over a restored download or queue when
    // the window is first shown, by filling
    // showTargets_.prepareResumeOfInterruptedDownload and
    // showTargets_.showPendingQueue (the restored lines are in erstatmemo2,
    // the flags in startupFlags()).
}

// Seams for the transfer queue and directory transfer handlers.
void Thovedform::BitBtn2Click() {}
void Thovedform::BitBtn3Click() {}
void Thovedform::BitBtn9Click() {}
void Thovedform::BitBtn11Click() {}
void Thovedform::Button1Click() {}

void Thovedform::BinaryClick()
{
    transferModes_->BinaryClick();
}

void Thovedform::ASCIIClick()
{
    transferModes_->ASCIIClick();
}

void Thovedform::AutoDetectClick()
{
    transferModes_->AutoDetectClick();
}

void Thovedform::SpecifyfiletypesClick()
{
    asciitypes_->Edit2->setText(QString::fromStdString(startup_.paths.dataDirectory));
    asciitypes_->exec();
}

// The transfer queue, directory transfer and the transfer mode menu.
#include "ui/main_window.h"

#include "transfer/transfer_mode_options.h"
#include "ui/ascii_types_window.h"

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

    // The queue's controls, for its handler.
    queueView_.queueList = c_.ListBox4;
    queueView_.countLabel = c_.Label3;
    queueView_.progressButton = c_.BitBtn9;
    queueView_.bar = c_.Panel6;
    queueView_.barImage = c_.Image1;
    queueView_.removeAllButton = c_.Button1;
    queueView_.uploadButton = c_.BitBtn2;
    queueView_.downloadButton = c_.BitBtn3;
    queueView_.directoryButton = c_.BitBtn11;
    queueView_.log = c_.Memo1;
    queueView_.newProjectItem = c_.record;
    queueView_.openWebwatchItem = c_.OpenWebwatch1;
    // setTitle is left to the queue's binding.

    // Seam: the transfer queue takes over a restored download or queue when
    // the window is first shown, by filling
    // showTargets_.prepareResumeOfInterruptedDownload and
    // showTargets_.showPendingQueue (the restored lines are in
    // restoreBuffer(), the flags in startupFlags()).
}

// Seams for the transfer queue and directory transfer handlers.
void Thovedform::BitBtn2Click() {}
void Thovedform::BitBtn3Click() {}
void Thovedform::BitBtn9Click() {}
void Thovedform::BitBtn11Click() {}
void Thovedform::Button1Click() {}

void Thovedform::BinaryClick()
{
    transferModes_->chooseBinary();
}

void Thovedform::ASCIIClick()
{
    transferModes_->chooseAscii();
}

void Thovedform::AutoDetectClick()
{
    transferModes_->chooseAutoDetect();
}

void Thovedform::SpecifyfiletypesClick()
{
    asciitypes_->Edit2->setText(QString::fromStdString(startup_.paths.dataDirectory));
    asciitypes_->exec();
}

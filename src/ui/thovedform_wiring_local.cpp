// The local panel.
#include "ui/thovedform.h"

#include "app/local_panel.h"
#include "core/data_paths.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

void Thovedform::wireLocalPanel()
{
    localPanel_ = std::make_unique<LocalPanel>(c_, fileIcons_);

    connect(c_.DriveComboBox1, &QComboBox::activated, this, &Thovedform::DriveComboBox1Change);
    // A click (or Enter) opens a folder; moving the highlight with the arrow
    // keys does not, so the list does not change under the user's keys.
    connect(c_.DirectoryListBox1, &QListWidget::itemClicked, this, &Thovedform::DirectoryListBox1Change);
    connect(c_.DirectoryListBox1, &QListWidget::itemActivated, this, &Thovedform::DirectoryListBox1Change);
    connect(c_.ComboBox1->lineEdit(), &QLineEdit::returnPressed, this, &Thovedform::ComboBox1Enter);
    connect(c_.ComboBox1, &QComboBox::activated, this, &Thovedform::ComboBox1Change);
    connect(c_.ListView2, &QTreeWidget::itemSelectionChanged, this, &Thovedform::ListView2SelectItem);
    connect(c_.ListView2, &QTreeWidget::itemDoubleClicked, this, &Thovedform::ListView2DblClick);
    connect(c_.BitBtn4, &QPushButton::clicked, this, &Thovedform::BitBtn4Click);

    // The local directory starts as the current directory, which is also
    // the data directory of a normal start. The start-up sequence fills the
    // file list.
    localPanel_->showStartDirectory(currentDirectory());
}

void Thovedform::DriveComboBox1Change() { localPanel_->DriveComboBox1Change(); }
void Thovedform::DirectoryListBox1Change() { localPanel_->DirectoryListBox1Change(c_.DirectoryListBox1->currentItem()); }
void Thovedform::ComboBox1Enter() { localPanel_->ComboBox1Enter(); }
void Thovedform::ComboBox1Change() { localPanel_->ComboBox1Change(); }
void Thovedform::ListView2SelectItem() { localPanel_->ListView2SelectItem(); }
void Thovedform::ListView2DblClick() { localPanel_->ListView2DblClick(); }
void Thovedform::BitBtn4Click() { localPanel_->BitBtn4Click(); }

// The first fill of the local file list, during start-up.
void Thovedform::fillLocalFileList() { localPanel_->fillLocalFileList(); }

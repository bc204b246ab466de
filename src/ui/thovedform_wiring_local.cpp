// The local panel.
#include "ui/thovedform.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

void Thovedform::wireLocalPanel()
{
    connect(c_.DriveComboBox1, &QComboBox::activated, this, &Thovedform::DriveComboBox1Change);
    connect(c_.DirectoryListBox1, &QListWidget::currentRowChanged, this, &Thovedform::DirectoryListBox1Change);
    connect(c_.ComboBox1->lineEdit(), &QLineEdit::returnPressed, this, &Thovedform::ComboBox1Enter);
    connect(c_.ComboBox1, &QComboBox::activated, this, &Thovedform::ComboBox1Change);
    connect(c_.ListView2, &QTreeWidget::itemSelectionChanged, this, &Thovedform::ListView2SelectItem);
    connect(c_.ListView2, &QTreeWidget::itemDoubleClicked, this, &Thovedform::ListView2DblClick);
    connect(c_.BitBtn4, &QPushButton::clicked, this, &Thovedform::BitBtn4Click);
}

// Seams for the local panel handler. Leaving the filter field (refill when
// the text changed) needs a focus-out hook on ComboBox1's line edit.
void Thovedform::DriveComboBox1Change() {}
void Thovedform::DirectoryListBox1Change() {}
void Thovedform::ComboBox1Enter() {}
void Thovedform::ComboBox1Change() {}
void Thovedform::ListView2SelectItem() {}
void Thovedform::ListView2DblClick() {}
void Thovedform::BitBtn4Click() {}

// Seam for the local panel handler: the first fill of the local file list,
// during start-up.
void Thovedform::fillLocalFileList() {}

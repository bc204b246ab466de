// The browsing session and the remote file operations.
#include "ui/thovedform.h"

#include <QPushButton>
#include <QTreeWidget>

void Thovedform::wireSession()
{
    connect(c_.connectknap, &QPushButton::clicked, this, &Thovedform::connectknapClick);
    connect(c_.BitBtn1, &QPushButton::clicked, this, &Thovedform::BitBtn1Click);
    connect(c_.TreeView1, &QTreeWidget::currentItemChanged, this, &Thovedform::TreeView1Change);
    connect(c_.ListView1, &QTreeWidget::itemSelectionChanged, this, &Thovedform::ListView1SelectItem);
    connect(c_.BitBtn5, &QPushButton::clicked, this, &Thovedform::BitBtn5Click);
    connect(c_.BitBtn8, &QPushButton::clicked, this, &Thovedform::BitBtn8Click);
    connect(c_.BitBtn6, &QPushButton::clicked, this, &Thovedform::BitBtn6Click);
    connect(c_.BitBtn7, &QPushButton::clicked, this, &Thovedform::BitBtn7Click);
}

// Seams for the browsing session handler.
void Thovedform::connectknapClick() {}
void Thovedform::TreeView1Change() {}
void Thovedform::ListView1SelectItem() {}
// Seams for the remote file operations handler.
void Thovedform::BitBtn5Click() {}
void Thovedform::BitBtn8Click() {}
void Thovedform::BitBtn6Click() {}
void Thovedform::BitBtn7Click() {}

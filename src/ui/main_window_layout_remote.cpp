// The remote side: the operation buttons (Panel1), the server's directory
// tree (Panel9 with TreeView1) and the file list of the selected directory.
#include "ui/control_factory.h"
#include "ui/main_window.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

QWidget* Thovedform::buildRemoteSide()
{
    auto* side = named(new QWidget(this), "RemoteSide");
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    c_.Panel1 = named(new QFrame(side), "Panel1");
    static_cast<QFrame*>(c_.Panel1)->setFrameShape(QFrame::StyledPanel);
    auto* buttons = new QHBoxLayout(c_.Panel1);
    buttons->setContentsMargins(4, 2, 4, 2);
    c_.BitBtn5 = makeButton(c_.Panel1, "BitBtn5", QStringLiteral("Delete"),
                            QStringLiteral("Delete file or directory on server."));
    c_.BitBtn8 = makeButton(c_.Panel1, "BitBtn8", QStringLiteral("Rename"),
                            QStringLiteral("Rename file or directory"));
    c_.BitBtn6 = makeButton(c_.Panel1, "BitBtn6", QStringLiteral("Mkd"),
                            QStringLiteral("Create a directory on server."));
    c_.BitBtn7 = makeButton(c_.Panel1, "BitBtn7", QStringLiteral("Abort"), QStringLiteral("Abort operations."));
    for (QPushButton* button : {c_.BitBtn5, c_.BitBtn8, c_.BitBtn6, c_.BitBtn7}) {
        button->setEnabled(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    column->addWidget(c_.Panel1);

    c_.RemotePath = named(new QLineEdit(side), "RemotePath");
    setHint(c_.RemotePath, QStringLiteral("Type a folder on the server and press Enter to go there"));
    c_.RemotePath->setAccessibleName(QStringLiteral("Remote folder path"));
    c_.RemotePath->setPlaceholderText(QStringLiteral("Folder on the server"));
    column->addWidget(c_.RemotePath);

    c_.Panel9 = named(new QFrame(side), "Panel9");
    auto* treeBox = new QVBoxLayout(c_.Panel9);
    treeBox->setContentsMargins(0, 0, 0, 0);
    c_.TreeView1 = named(new QTreeWidget(c_.Panel9), "TreeView1");
    c_.TreeView1->setHeaderHidden(true);
    c_.TreeView1->setIconSize(QSize(16, 16));
    c_.TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    setHint(c_.TreeView1, QStringLiteral("click to change dir on server"));
    c_.TreeView1->setAccessibleName(QStringLiteral("Remote directories"));
    treeBox->addWidget(c_.TreeView1);
    column->addWidget(c_.Panel9);

    c_.ListView1 = makeFileList(side, "ListView1", QStringLiteral("click to select file."));
    c_.ListView1->setAccessibleName(QStringLiteral("Remote files"));
    column->addWidget(c_.ListView1, 1);
    return side;
}

// The local side, all on Panel8: drive list, directory list, file-name
// filter and file list, and the column of transfer buttons between the local
// and the remote side.
#include "ui/control_factory.h"
#include "ui/file_list_view.h"
#include "ui/main_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

QWidget* Thovedform::buildLocalSide()
{
    auto* panel = named(new QFrame(this), "Panel8");
    c_.Panel8 = panel;
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);

    auto* lists = new QVBoxLayout;
    lists->setSpacing(2);
    c_.DriveComboBox1 = named(new QComboBox(panel), "DriveComboBox1");
    setHint(c_.DriveComboBox1, QStringLiteral("Change drive"));
    c_.ComboBox1 = named(new QComboBox(panel), "ComboBox1");
    c_.ComboBox1->setEditable(true);
    c_.ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    c_.ComboBox1->addItems({QStringLiteral("*.*"), QStringLiteral("*.htm"), QStringLiteral("*.exe"),
                            QStringLiteral("*.gif"), QStringLiteral("*.jpg"), QStringLiteral("*.dll"),
                            QStringLiteral("*.bmp"), QStringLiteral("*.txt"), QStringLiteral("*.cgi")});
    c_.ComboBox1->setCurrentText(QStringLiteral("*.*"));
    setHint(c_.ComboBox1, QStringLiteral("Insert filetypes ie: *.htm or ???file.exe"));
    auto* pickers = new QHBoxLayout;
    pickers->addWidget(c_.DriveComboBox1, 3);
    pickers->addWidget(c_.ComboBox1, 2);
    lists->addLayout(pickers);

    auto* split = named(new QSplitter(Qt::Vertical, panel), "LocalSplitter");
    // Its folders can be dragged to the remote side.
    c_.DirectoryListBox1 = named(new FolderListView(split), "DirectoryListBox1");
    setHint(c_.DirectoryListBox1, QStringLiteral("Click to change local dir "));
    c_.DirectoryListBox1->setAccessibleName(QStringLiteral("Local folders"));
    c_.ListView2 = makeFileList(split, "ListView2",
                                          QStringLiteral("Click to select double click to execute."));
    c_.ListView2->setColumnWidth(0, 100);
    c_.ListView2->setAccessibleName(QStringLiteral("Local files"));
    split->addWidget(c_.DirectoryListBox1);
    split->addWidget(c_.ListView2);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);
    lists->addWidget(split, 1);
    row->addLayout(lists, 1);

    auto* transfer = new QVBoxLayout;
    transfer->setSpacing(4);
    c_.BitBtn11 = makeButton(panel, "BitBtn11", QStringLiteral("Dir \u00bb"),
                             QStringLiteral("Transfer complete directory to server"));
    c_.BitBtn4 = makeButton(panel, "BitBtn4", QStringLiteral("Unselect"), QStringLiteral("Cancel selections"));
    c_.BitBtn2 = makeButton(panel, "BitBtn2", QStringLiteral("Upload \u00bb"), QStringLiteral("upload to server"));
    c_.BitBtn3 = makeButton(panel, "BitBtn3", QStringLiteral("\u00ab Download"),
                            QStringLiteral("download to local computer"));
    c_.BitBtn4->setEnabled(false);
    c_.BitBtn2->setEnabled(false);
    c_.BitBtn3->setEnabled(false);
    transfer->addStretch();
    for (QPushButton* button : {c_.BitBtn11, c_.BitBtn4, c_.BitBtn2, c_.BitBtn3})
        transfer->addWidget(button);
    transfer->addStretch();
    row->addLayout(transfer);
    return panel;
}

#include "support/controls_by_name.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>

#define FIND(field) field = controlNamed<std::remove_pointer_t<decltype(field)>>(w, #field)

MainWindowByName::MainWindowByName(QMainWindow& mainWindow) : window(&mainWindow)
{
    const QObject& w = mainWindow;
    FIND(Edit1);
    FIND(Edit2);
    FIND(Edit3);
    FIND(Edit4);
    FIND(connectknap);
    FIND(BitBtn1);
    FIND(Panel1);
    FIND(BitBtn5);
    FIND(BitBtn8);
    FIND(BitBtn6);
    FIND(BitBtn7);
    FIND(Panel9);
    FIND(TreeView1);
    FIND(ListView1);
    FIND(Panel8);
    FIND(DriveComboBox1);
    FIND(DirectoryListBox1);
    FIND(ComboBox1);
    FIND(ListView2);
    FIND(BitBtn2);
    FIND(BitBtn3);
    FIND(BitBtn4);
    FIND(BitBtn11);
    FIND(ListBox4);
    FIND(Label3);
    FIND(QueueProgress);
    FIND(Panel6);
    FIND(Image1);
    FIND(BitBtn9);
    FIND(Button1);
    FIND(Label2);
    FIND(BitBtn10);
    FIND(BitBtn12);
    FIND(Image2);
    FIND(Memo1);
    FIND(StatusBar1);
    FIND(Options);
    FIND(Binary);
    FIND(ASCII);
    FIND(AutoDetect);
    FIND(Specifyfiletypes);
    FIND(Passivemode1);
    FIND(AskBeforeDeleting);
    FIND(VisualHelp1);
    FIND(Webwatch);
    FIND(record);
    FIND(OpenWebwatch1);
    FIND(Deletemissingfiles1);
    FIND(Usecleandirectory1);
    FIND(Help);
    FIND(Help1);
}

AddressManagerByName::AddressManagerByName(QWidget& window)
{
    const QObject& w = window;
    FIND(ListBox1);
    FIND(Edit7);
    FIND(Edit1);
    FIND(Edit2);
    FIND(Edit3);
    FIND(Edit4);
    FIND(Edit5);
    FIND(Edit6);
    FIND(CheckBox1);
    FIND(Button1);
    FIND(Button2);
    FIND(server);
    FIND(Delete);
    FIND(OK);
    FIND(Cancel);
}

AsciiTypesByName::AsciiTypesByName(QWidget& window)
{
    const QObject& w = window;
    FIND(Edit1);
    FIND(Edit2);
    FIND(ListBox1);
    FIND(Button1);
    FIND(Button2);
    FIND(Button3);
}

#pragma once

// Tests reach a window's controls the way a user's tools do: by object name.
// These structs find each control of the main window and of the address
// manager once, under the name the window gives it.
#include <QObject>
#include <QString>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QToolButton;
class QTreeWidget;
class QWidget;

// The child of `window` named `name`; null when there is none of that type.
template <typename Control>
Control* controlNamed(const QObject& window, const char* name)
{
    return window.findChild<Control*>(QString::fromLatin1(name));
}

struct MainWindowByName {
    MainWindowByName() = default;
    explicit MainWindowByName(QMainWindow& mainWindow);

    QMainWindow* window = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QPushButton* connectknap = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* BitBtn8 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QPushButton* BitBtn7 = nullptr;
    QWidget* Panel9 = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QWidget* Panel8 = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QListWidget* DirectoryListBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QTreeWidget* ListView2 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn11 = nullptr;
    QListWidget* ListBox4 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* QueueProgress = nullptr;
    QWidget* Panel6 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* BitBtn9 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* BitBtn10 = nullptr;
    QPushButton* BitBtn12 = nullptr;
    QToolButton* Image2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QMenu* Options = nullptr;
    QAction* Binary = nullptr;
    QAction* ASCII = nullptr;
    QAction* AutoDetect = nullptr;
    QAction* Specifyfiletypes = nullptr;
    QAction* Passivemode1 = nullptr;
    QAction* AskBeforeDeleting = nullptr;
    QAction* VisualHelp1 = nullptr;
    QMenu* Webwatch = nullptr;
    QAction* record = nullptr;
    QAction* OpenWebwatch1 = nullptr;
    QAction* Deletemissingfiles1 = nullptr;
    QAction* Usecleandirectory1 = nullptr;
    QMenu* Help = nullptr;
    QAction* Help1 = nullptr;
};

struct AddressManagerByName {
    AddressManagerByName() = default;
    explicit AddressManagerByName(QWidget& window);

    QListWidget* ListBox1 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* server = nullptr;
    QPushButton* Delete = nullptr;
    QPushButton* OK = nullptr;
    QPushButton* Cancel = nullptr;
};

struct AsciiTypesByName {
    explicit AsciiTypesByName(QWidget& window);

    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
};

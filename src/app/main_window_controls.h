#pragma once

#include <QtCore/qcontainerfwd.h>

#include <string>

class QAction;
class QComboBox;
class QIcon;
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
class TextLineList;

// Every control of the main window that the handlers act on, by the name the
// handlers use for it. The main window creates the controls and fills this
// struct; handler classes receive it (plus the services they need) and never
// see the window class itself, so they can be built and tested without it.
//
// Hints: a control's hint is its status tip (shown in the status bar) and
// tool tip; change it through setHint() of app/control_hint.h.
struct MainWindowControls {
    QMainWindow* window = nullptr;

    // Connection fields and the buttons beside them.
    QLineEdit* Edit1 = nullptr;   // remote host
    QLineEdit* Edit2 = nullptr;   // login
    QLineEdit* Edit3 = nullptr;   // password
    QLineEdit* Edit4 = nullptr;   // port, "21" at start
    QPushButton* connectknap = nullptr;
    QPushButton* BitBtn1 = nullptr;   // address manager ("Addr")

    // Remote side: the button panel, the directory tree and the file list.
    QWidget* Panel1 = nullptr;        // remote operation buttons
    QPushButton* BitBtn5 = nullptr;   // delete
    QPushButton* BitBtn8 = nullptr;   // rename
    QPushButton* BitBtn6 = nullptr;   // make directory ("Mkd")
    QPushButton* BitBtn7 = nullptr;   // abort
    QWidget* Panel9 = nullptr;        // holds TreeView1; a quarter of the window's height
    QTreeWidget* TreeView1 = nullptr;
    // Root (host) node, selected directory, directory, link marker; used by index.
    QList<QIcon>* ImageList1 = nullptr;
    QTreeWidget* ListView1 = nullptr; // columns FileName, Size, Type, Date

    // Local side, all on Panel8.
    QWidget* Panel8 = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QListWidget* DirectoryListBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;   // editable file-name filter
    QTreeWidget* ListView2 = nullptr; // columns FileName, Size, Type, Date
    QPushButton* BitBtn2 = nullptr;   // upload
    QPushButton* BitBtn3 = nullptr;   // download
    QPushButton* BitBtn4 = nullptr;   // cancel selections
    QPushButton* BitBtn11 = nullptr;  // transfer the whole local directory

    // Queue and progress.
    QListWidget* ListBox4 = nullptr;  // files in line
    QLabel* Label3 = nullptr;         // "<n> files in line "
    QWidget* Panel6 = nullptr;        // progress bar area
    QLabel* Image1 = nullptr;         // drawn bar; paint on its pixmap (sized to Panel6)
    QPushButton* BitBtn9 = nullptr;   // sliding start/progress button, child of Panel6
    QPushButton* Button1 = nullptr;   // "Delete": discard the queue

    // WebWatch.
    QLabel* Label2 = nullptr;         // "Recording", white on red
    QPushButton* BitBtn10 = nullptr;  // quick upload of all projects
    QPushButton* BitBtn12 = nullptr;  // stop recording
    QToolButton* Image2 = nullptr;    // picture that opens the WebWatch window

    // Log and status bar.
    QPlainTextEdit* Memo1 = nullptr;  // FTP log
    QStatusBar* StatusBar1 = nullptr;

    // Menu "Options".
    QMenu* Options = nullptr;
    QAction* Binary = nullptr;
    QAction* ASCII = nullptr;
    QAction* AutoDetect = nullptr;
    QAction* Specifyfiletypes = nullptr;
    QAction* Passivemode1 = nullptr;
    QAction* VisualHelp1 = nullptr;
    // Menu "Webwatch".
    QMenu* Webwatch = nullptr;
    QAction* record = nullptr;
    QAction* OpenWebwatch1 = nullptr;
    QAction* Deletemissingfiles1 = nullptr;
    QAction* Usecleandirectory1 = nullptr;
    // Menu "Help".
    QMenu* Help = nullptr;
    QAction* Help1 = nullptr;

    // Invisible lists of the window used as string lists.
    TextLineList* ListBox1 = nullptr;     // lines of the last remote listing
    TextLineList* ListBox2 = nullptr;     // file-type icon table
    TextLineList* erstatmemo2 = nullptr;  // restore buffer (resume record or queue)
    TextLineList* Memo4 = nullptr;        // built-in sites, later the deletion list
    TextLineList* Memo5 = nullptr;        // help paragraphs
    std::string* omsaetedit = nullptr;    // scratch line
};

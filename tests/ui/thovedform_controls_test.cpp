#include "app/control_hint.h"
#include "support/controls_by_name.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_main_window.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class ThovedformControls : public MainWindowTest {
protected:
    template <typename T>
    T* find(const char* name)
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    QStringList headers(QTreeWidget* list)
    {
        QStringList labels;
        for (int i = 0; i < list->columnCount(); ++i)
            labels << list->headerItem()->text(i);
        return labels;
    }
};

TEST_F(ThovedformControls, EveryControlIsFoundByNameAndHandedToTheHandlers)
{
    const MainWindowByName c(*window);
    EXPECT_EQ(c.window, window.get());
    const std::pair<QObject*, const char*> named[] = {
        {c.Edit1, "Edit1"}, {c.Edit2, "Edit2"}, {c.Edit3, "Edit3"}, {c.Edit4, "Edit4"},
        {c.connectknap, "connectknap"}, {c.BitBtn1, "BitBtn1"}, {c.BitBtn2, "BitBtn2"},
        {c.BitBtn3, "BitBtn3"}, {c.BitBtn4, "BitBtn4"}, {c.BitBtn5, "BitBtn5"}, {c.BitBtn6, "BitBtn6"},
        {c.BitBtn7, "BitBtn7"}, {c.BitBtn8, "BitBtn8"}, {c.BitBtn9, "BitBtn9"}, {c.BitBtn10, "BitBtn10"},
        {c.BitBtn11, "BitBtn11"}, {c.BitBtn12, "BitBtn12"}, {c.Button1, "Button1"},
        {c.TreeView1, "TreeView1"}, {c.ListView1, "ListView1"}, {c.ListView2, "ListView2"},
        {c.DriveComboBox1, "DriveComboBox1"}, {c.DirectoryListBox1, "DirectoryListBox1"},
        {c.ComboBox1, "ComboBox1"}, {c.ListBox4, "ListBox4"}, {c.Label2, "Label2"}, {c.Label3, "Label3"},
        {c.Panel1, "Panel1"}, {c.Panel6, "Panel6"}, {c.Panel8, "Panel8"}, {c.Panel9, "Panel9"},
        {c.Image1, "Image1"}, {c.Image2, "Image2"}, {c.Memo1, "Memo1"}, {c.StatusBar1, "StatusBar1"},
        {c.Options, "Options"}, {c.Webwatch, "Webwatch"}, {c.Help, "Help"},
        {c.Binary, "Binary"}, {c.ASCII, "ASCII"}, {c.AutoDetect, "AutoDetect"},
        {c.Specifyfiletypes, "Specifyfiletypes"}, {c.Passivemode1, "Passivemode1"},
        {c.VisualHelp1, "VisualHelp1"}, {c.record, "record"}, {c.OpenWebwatch1, "OpenWebwatch1"},
        {c.Deletemissingfiles1, "Deletemissingfiles1"}, {c.Usecleandirectory1, "Usecleandirectory1"},
        {c.Help1, "Help1"},
    };
    for (const auto& [control, name] : named) {
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(window->findChild<QObject*>(QString::fromLatin1(name)), control) << name;
    }
    EXPECT_EQ(c.StatusBar1, window->statusBar());
    // The progress pieces live inside the progress panel, so the queue can
    // slide the button along the drawn bar.
    EXPECT_EQ(c.Image1->parentWidget(), c.Panel6);
    EXPECT_EQ(c.BitBtn9->parentWidget(), c.Panel6);
    // The hover rule looks for its buttons on these two panels.
    for (QWidget* button : {static_cast<QWidget*>(c.BitBtn5), static_cast<QWidget*>(c.BitBtn6),
                            static_cast<QWidget*>(c.BitBtn7), static_cast<QWidget*>(c.BitBtn8)})
        EXPECT_TRUE(c.Panel1->isAncestorOf(button)) << button->objectName().toStdString();
    for (QWidget* w : {static_cast<QWidget*>(c.BitBtn2), static_cast<QWidget*>(c.BitBtn3),
                       static_cast<QWidget*>(c.BitBtn4), static_cast<QWidget*>(c.ListView2),
                       static_cast<QWidget*>(c.DriveComboBox1), static_cast<QWidget*>(c.DirectoryListBox1),
                       static_cast<QWidget*>(c.ComboBox1)})
        EXPECT_TRUE(c.Panel8->isAncestorOf(w)) << w->objectName().toStdString();
    EXPECT_TRUE(c.Panel9->isAncestorOf(c.TreeView1));
}

TEST_F(ThovedformControls, ConnectionFieldsStartWithTheirHintsAndPort21)
{
    const MainWindowByName c(*window);
    EXPECT_EQ(hintOf(c.Edit1), "Host name");
    EXPECT_EQ(hintOf(c.Edit2), "User name");
    EXPECT_EQ(hintOf(c.Edit3), "Password");
    EXPECT_EQ(hintOf(c.Edit4), "Port number");
    EXPECT_EQ(c.Edit4->text(), "21");
    EXPECT_TRUE(c.Edit1->text().isEmpty());
    EXPECT_EQ(c.Edit3->echoMode(), QLineEdit::Password);
    EXPECT_EQ(hintOf(c.connectknap), "Connect");
    EXPECT_EQ(c.BitBtn1->text(), "Addr");
    EXPECT_EQ(hintOf(c.BitBtn1), "FTP address manager");
}

TEST_F(ThovedformControls, ButtonsCarryTheirCaptionsHintsAndStartState)
{
    const MainWindowByName c(*window);
    EXPECT_EQ(hintOf(c.BitBtn5), "Delete file or directory on server.");
    EXPECT_EQ(hintOf(c.BitBtn8), "Rename file or directory");
    EXPECT_EQ(c.BitBtn6->text(), "Mkd");
    EXPECT_EQ(hintOf(c.BitBtn6), "Create a directory on server.");
    EXPECT_EQ(hintOf(c.BitBtn7), "Abort operations.");
    EXPECT_EQ(hintOf(c.BitBtn2), "upload to server");
    EXPECT_EQ(hintOf(c.BitBtn3), "download to local computer");
    EXPECT_EQ(hintOf(c.BitBtn4), "Cancel selections");
    EXPECT_EQ(hintOf(c.BitBtn10), "Upload all from WebWatch");
    EXPECT_EQ(hintOf(c.BitBtn11), "Transfer complete directory to server");
    EXPECT_EQ(hintOf(c.Image2), "Open Webwatch");
    EXPECT_EQ(c.Button1->text(), "Delete");
    EXPECT_EQ(c.BitBtn12->text(), "Stop");
    // Disabled until a session or a selection enables them.
    for (QPushButton* b : {c.BitBtn2, c.BitBtn3, c.BitBtn4, c.BitBtn5, c.BitBtn6, c.BitBtn7, c.BitBtn8})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(c.connectknap->isEnabled());
    EXPECT_TRUE(c.BitBtn1->isEnabled());

    window->show();
    // Hidden until a recording, a transfer or a restored queue needs them.
    EXPECT_FALSE(c.BitBtn12->isVisible());
    EXPECT_FALSE(c.Label2->isVisible());
    EXPECT_FALSE(c.BitBtn9->isVisible());
    EXPECT_TRUE(c.connectknap->isVisible());
    EXPECT_TRUE(c.ListBox4->isVisible());
}

TEST_F(ThovedformControls, ListsLogAndLabelsAreSetUp)
{
    const MainWindowByName c(*window);
    const QStringList columns{"FileName", "Size", "Type", "Date"};
    EXPECT_EQ(headers(c.ListView1), columns);
    EXPECT_EQ(headers(c.ListView2), columns);
    EXPECT_EQ(c.ListView2->columnWidth(0), 100);
    EXPECT_EQ(c.ListView2->columnWidth(2), 120);
    EXPECT_EQ(c.ListView2->columnWidth(3), 100);
    EXPECT_EQ(hintOf(c.ListView1), "click to select file.");
    EXPECT_EQ(hintOf(c.ListView2), "Click to select double click to execute.");
    EXPECT_EQ(hintOf(c.TreeView1), "click to change dir on server");
    EXPECT_EQ(hintOf(c.ListBox4), "File queue");
    EXPECT_EQ(hintOf(c.DriveComboBox1), "Change drive");
    EXPECT_EQ(hintOf(c.DirectoryListBox1), "Click to change local dir ");

    QStringList filters;
    for (int i = 0; i < c.ComboBox1->count(); ++i)
        filters << c.ComboBox1->itemText(i);
    EXPECT_EQ(filters, (QStringList{"*.*", "*.htm", "*.exe", "*.gif", "*.jpg", "*.dll", "*.bmp", "*.txt", "*.cgi"}));
    EXPECT_EQ(c.ComboBox1->currentText(), "*.*");
    EXPECT_TRUE(c.ComboBox1->isEditable());
    EXPECT_EQ(hintOf(c.ComboBox1), "Insert filetypes ie: *.htm or ???file.exe");

    EXPECT_EQ(c.Memo1->toPlainText(), "FTP log...");
    EXPECT_TRUE(c.Memo1->isReadOnly());
    EXPECT_EQ(c.Label2->text(), "Recording");
    EXPECT_TRUE(c.Label2->styleSheet().contains("color: white"));
    EXPECT_TRUE(c.Label2->styleSheet().contains("background-color: red"));
}

TEST_F(ThovedformControls, MenusHoldTheirItemsInOrderWithStartMarks)
{
    const MainWindowByName c(*window);
    auto captions = [](QMenu* menu) {
        QStringList texts;
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                texts << a->text().trimmed();
        return texts;
    };
    EXPECT_EQ(captions(c.Options),
              (QStringList{"&Binary", "&ASCII", "Auto Detect", "Specify filetypes", "Passive mode", "Proxy…",
                           "Ask before overwriting on the server", "Ask before deleting on the server",
                           "Simultaneous transfers…", "Visual Help"}));
    EXPECT_EQ(captions(c.Webwatch),
              (QStringList{"New web project", "Open Webwatch", "Delete missing files", "Clean directory"}));
    EXPECT_EQ(captions(c.Help), (QStringList{"Help", "About Tavlin FTP"}));
    QStringList bar;
    for (QAction* a : window->menuBar()->actions())
        bar << a->text();
    EXPECT_EQ(bar, (QStringList{"&Options", "&Webwatch", "&Help"}));

    EXPECT_TRUE(c.AutoDetect->isChecked());
    EXPECT_FALSE(c.Binary->isChecked());
    EXPECT_FALSE(c.ASCII->isChecked());
    EXPECT_TRUE(c.Deletemissingfiles1->isChecked());
    EXPECT_TRUE(c.Usecleandirectory1->isChecked());
    EXPECT_TRUE(c.Passivemode1->isCheckable());
    EXPECT_TRUE(c.AskBeforeDeleting->isCheckable());
    EXPECT_TRUE(c.AskBeforeDeleting->isChecked());
    EXPECT_EQ(hintOf(c.Specifyfiletypes), "Specify which files to consider as being ASCII files.");
    EXPECT_EQ(hintOf(c.Passivemode1), "Use passive mode");
    EXPECT_EQ(hintOf(c.record), "Start a new web project");
    EXPECT_EQ(hintOf(c.OpenWebwatch1), "Open the WebWatch window");
    EXPECT_EQ(hintOf(c.Deletemissingfiles1), "Use delete missing files in WebWatch");
    EXPECT_EQ(hintOf(c.Usecleandirectory1), "Use clean directory in WebWatch");
    EXPECT_EQ(hintOf(c.VisualHelp1), "Start visual help");
    EXPECT_EQ(hintOf(c.Help1), "Get help");
}

TEST_F(ThovedformControls, ImageList1HoldsFourDistinctSmallImages)
{
    const QList<QIcon>& images = window->treeImages();
    ASSERT_EQ(images.size(), 4);
    QList<QImage> drawn;
    for (const QIcon& icon : images) {
        QImage image = icon.pixmap(16, 16).toImage();
        ASSERT_EQ(image.size(), QSize(16, 16));
        // Something is drawn, and the corners stay see-through.
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(opaque, 20);
        drawn << image;
    }
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            EXPECT_NE(drawn[i], drawn[j]) << i << " and " << j;
}

TEST_F(ThovedformControls, RemoteTreeTakesAQuarterOfTheWindowHeight)
{
    window->resize(900, 800);
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(MainWindowByName(*window).Panel9->height(), window->height() / 4);
    window->resize(900, 603);
    QApplication::processEvents();
    EXPECT_EQ(MainWindowByName(*window).Panel9->height(), 603 / 4);
}

TEST_F(ThovedformControls, ProgressCanvasFollowsThePanelSize)
{
    window->show();
    QApplication::processEvents();
    const MainWindowByName c(*window);
    EXPECT_EQ(c.Image1->size(), c.Panel6->size());
    EXPECT_EQ(c.Image1->pixmap().size(), c.Panel6->size());
    EXPECT_GT(c.Panel6->width(), c.BitBtn9->width());
}

}  // namespace

#pragma once

// The real main window, offscreen, against the real FTP server over a folder
// the test fills. Shared by the browsing and remote-operation tests.
#include "app/browse_session.h"
#include "fixtures/local_ftp_server.h"
#include "fixtures/scripted_ftp_server.h"
#include "support/controls_by_name.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "ui/main_window.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class BrowseWindowTest : public ::testing::Test {
protected:
    TempDir data;
    TempDir site;
    // The window's data directory when not `data` itself (a folder inside
    // it, say); set before the window is opened again.
    std::string dataDirectoryPath;
    ScriptedDialogs dialogs;
    std::unique_ptr<LocalFtpServer> server;
    // How `startServer` sets the server up.
    LocalFtpServer::Options serverOptions;
    std::unique_ptr<Thovedform> window;
    // The window's controls, found by name.
    MainWindowByName controls;
    MainWindowByName* c = nullptr;

    // Creates the window; the server starts at the first connect, so a test
    // fills the site folder first.
    void SetUp() override;
    void TearDown() override;
    // Runs before the window is created, for data files it reads at start.
    virtual void beforeWindow() {}
    // The program ends and starts again over the same data directory.
    void reopenWindow();

    void startServer();
    // Types the server's address and the test user into the connection
    // fields and clicks the connect button.
    void connectAs(const std::string& user, const std::string& password);
    // The same against a scripted server, as the user "user" with password
    // "pw".
    void connectToScripted(const ScriptedFtpServer& scripted);
    void connectAsTestUser()
    {
        if (!server)
            startServer();
        connectAs(server->user(), server->password());
    }

    BrowseSession& session() { return window->session(); }
    SessionChannel& channel() { return window->sessionChannel(); }

    // How many listings have been parsed to their end since the log was
    // last cleared (each ends with the log line "Done...").
    int doneCount() const;
    // Waits until a listing more than `before` has ended and the session is
    // idle.
    bool waitForListing(int before, int timeoutMs = 15000);
    // After connecting: waits until the log-in walk has shown its last
    // directory.
    bool waitUntilBrowsing(int timeoutMs = 20000);

    // The commands the server received, PORT/PASV arguments dropped.
    std::vector<std::string> commands() const;
    // The commands from the first one equal to `from` on.
    std::vector<std::string> commandsFrom(const std::string& from) const;

    QTreeWidgetItem* root() const;
    QTreeWidgetItem* node(const QStringList& path) const;
    QStringList childNames(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* fileItem(const QString& name) const;
    // A column of the file list's item of that name; a missing item fails
    // the test (and gives a text no column holds) instead of crashing the
    // whole test program.
    QString fileText(const QString& name, int column) const;
    // The files and links of the remote list in the order shown, its
    // folders left out; and every line, folders first.
    QStringList fileNames() const;
    QStringList shownNames() const;

    // A user's click on a tree node (expanding its parents first, as the
    // user would) or on a file list item.
    void clickNode(QTreeWidgetItem* item);
    void clickFile(QTreeWidgetItem* item);
    void click(QPushButton* button);
    // Clicks the items of these names, with Ctrl held for all but the first.
    void ctrlClick(QTreeWidget* list, const QStringList& names);
    // Connects as the test user, opens the server's folder `folder` below
    // the login folder and shows the local folder `localFolder` beside it.
    void openServerFolderBesideLocal(const QString& folder, const std::string& localFolder);

    std::string logText() const { return c->Memo1->toPlainText().toStdString(); }

private:
    void openWindow();
    void typeConnectionAndConnect(const std::string& port, const std::string& user, const std::string& password);

    QString startDirectory_;
};

// Scripts the PORT and LIST of one directory listing that sends `listing`.
void scriptListing(ScriptedFtpServer& server, const QByteArray& listing);

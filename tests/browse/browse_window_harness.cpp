#include "browse_window_harness.h"

#include "app/file_list_item.h"
#include "app/local_panel.h"

#include <QApplication>
#include <QDir>

void BrowseWindowTest::SetUp()
{
    startDirectory_ = QDir::currentPath();
    beforeWindow();
    openWindow();
}

void BrowseWindowTest::reopenWindow()
{
    window.reset();
    openWindow();
}

void BrowseWindowTest::openWindow()
{
    ThovedformSetup setup;
    setup.dialogs = &dialogs;
    setup.dataDirectory = dataDirectoryPath.empty() ? data.path() : dataDirectoryPath;
    // A first start collects the file-type icon table from here, not from
    // the whole machine.
    setup.iconTableRoot = data.path();
    window = std::make_unique<Thovedform>(setup);
    window->show();
    controls = MainWindowByName(*window);
    c = &controls;
}

void BrowseWindowTest::TearDown()
{
    window.reset();
    if (server)
        server->stop();
    // The local panel makes the directory it shows the process's current
    // one; a later test must not start in a removed temporary folder.
    QDir::setCurrent(startDirectory_);
}

void BrowseWindowTest::startServer()
{
    server = std::make_unique<LocalFtpServer>(site.path(), serverOptions);
    ASSERT_TRUE(server->start()) << server->lastError();
}

void BrowseWindowTest::connectAs(const std::string& user, const std::string& password)
{
    if (!server)
        startServer();
    typeConnectionAndConnect(server->portText(), user, password);
}

void BrowseWindowTest::connectToScripted(const ScriptedFtpServer& scripted)
{
    typeConnectionAndConnect(scripted.portText().toStdString(), "user", "pw");
}

void BrowseWindowTest::typeConnectionAndConnect(const std::string& port, const std::string& user,
                                                const std::string& password)
{
    c->Edit1->setText(QStringLiteral("127.0.0.1"));
    c->Edit2->setText(QString::fromStdString(user));
    c->Edit3->setText(QString::fromStdString(password));
    c->Edit4->setText(QString::fromStdString(port));
    click(c->connectknap);
}

void scriptListing(ScriptedFtpServer& server, const QByteArray& listing)
{
    server.expect("PORT").reply("200 PORT command successful.")
        .expect("LIST").reply("150 Here comes the listing.")
        .connectToClientDataPort().sendData(listing).closeData()
        .reply("226 Transfer complete.");
}

int BrowseWindowTest::doneCount() const
{
    return static_cast<int>(c->Memo1->toPlainText().split(QLatin1Char('\n')).count(QStringLiteral("Done...")));
}

bool BrowseWindowTest::waitForListing(int before, int timeoutMs)
{
    return waitUntil(
        [&] {
            return doneCount() > before && !window->session().requestRunning() &&
                   window->sessionChannel().client().State() == ftpStateReady;
        },
        timeoutMs);
}

bool BrowseWindowTest::waitUntilBrowsing(int timeoutMs)
{
    // The address manager button comes back once the last listing of the
    // walk is shown.
    return waitUntil(
        [&] {
            return window->session().connected() && c->BitBtn1->isEnabled() &&
                   !window->session().requestRunning() && doneCount() > 0;
        },
        timeoutMs);
}

std::vector<std::string> BrowseWindowTest::commands() const
{
    std::vector<std::string> out;
    for (std::string line : server->commands()) {
        if (line.rfind("PORT ", 0) == 0)
            line = "PORT";
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> BrowseWindowTest::commandsFrom(const std::string& from) const
{
    std::vector<std::string> all = commands();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] == from)
            return {all.begin() + static_cast<std::ptrdiff_t>(i), all.end()};
    return {};
}

QTreeWidgetItem* BrowseWindowTest::root() const
{
    return c->TreeView1->topLevelItemCount() > 0 ? c->TreeView1->topLevelItem(0) : nullptr;
}

QTreeWidgetItem* BrowseWindowTest::node(const QStringList& path) const
{
    QTreeWidgetItem* item = root();
    for (const QString& name : path) {
        if (!item)
            return nullptr;
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0) == name)
                next = item->child(i);
        item = next;
    }
    return item;
}

QStringList BrowseWindowTest::childNames(const QTreeWidgetItem* item) const
{
    QStringList names;
    if (item)
        for (int i = 0; i < item->childCount(); ++i)
            names << item->child(i)->text(0);
    names.sort();
    return names;
}

QTreeWidgetItem* BrowseWindowTest::fileItem(const QString& name) const
{
    for (int i = 0; i < c->ListView1->topLevelItemCount(); ++i)
        if (c->ListView1->topLevelItem(i)->text(0) == name)
            return c->ListView1->topLevelItem(i);
    return nullptr;
}

QString BrowseWindowTest::fileText(const QString& name, int column) const
{
    const QTreeWidgetItem* item = fileItem(name);
    if (!item) {
        ADD_FAILURE() << "the file list holds no " << name.toStdString();
        return QStringLiteral("(not listed)");
    }
    return item->text(column);
}

QStringList BrowseWindowTest::fileNames() const
{
    QStringList names;
    for (int i = 0; i < c->ListView1->topLevelItemCount(); ++i)
        if (!file_list::isFolder(c->ListView1->topLevelItem(i)))
            names << c->ListView1->topLevelItem(i)->text(0);
    return names;
}

QStringList BrowseWindowTest::shownNames() const
{
    QStringList names;
    for (int i = 0; i < c->ListView1->topLevelItemCount(); ++i)
        names << c->ListView1->topLevelItem(i)->text(0);
    return names;
}

void BrowseWindowTest::clickNode(QTreeWidgetItem* item)
{
    ASSERT_NE(item, nullptr);
    for (QTreeWidgetItem* parent = item->parent(); parent; parent = parent->parent())
        parent->setExpanded(true);
    c->TreeView1->scrollToItem(item);
    const QRect rect = c->TreeView1->visualItemRect(item);
    ASSERT_TRUE(rect.isValid());
    QTest::mouseClick(c->TreeView1->viewport(), Qt::LeftButton, {}, rect.center());
}

void BrowseWindowTest::clickFile(QTreeWidgetItem* item)
{
    ASSERT_NE(item, nullptr);
    c->ListView1->scrollToItem(item);
    const QRect rect = c->ListView1->visualItemRect(item);
    ASSERT_TRUE(rect.isValid());
    QTest::mouseClick(c->ListView1->viewport(), Qt::LeftButton, {}, rect.center());
}

void BrowseWindowTest::click(QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void BrowseWindowTest::ctrlClick(QTreeWidget* list, const QStringList& names)
{
    for (int i = 0; i < names.size(); ++i) {
        const auto found = list->findItems(names[i], Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << names[i].toStdString();
        list->scrollToItem(found.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier,
                          list->visualItemRect(found.first()).center());
    }
}

void BrowseWindowTest::openServerFolderBesideLocal(const QString& folder, const std::string& localFolder)
{
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({folder}));
    const std::string shown = "./" + folder.toStdString();
    ASSERT_TRUE(waitUntil([&] { return channel().client().HostDirName() == shown && !session().requestRunning(); }))
        << logText();
    ASSERT_TRUE(window->localPanel().setLocalDirectory(localFolder));
}

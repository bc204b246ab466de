// Recording web projects from the real main window, offscreen: the Webwatch
// menu, the transfer buttons while recording, the stop button, and the lines
// of the project file after each step.
#include "../browse/browse_window_harness.h"

#include "app/local_panel.h"
#include "transfer/transfer_queue.h"
#include "webwatch/recorder.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>

#include <filesystem>

namespace {

const QString kSingleFileQuestion = QStringLiteral(
    "You upload a single file but use clean directory, this file will be marked <not clean> to prevent the rest "
    "of the files in this directory to be included in the Web project, You can make corrections later in "
    "Webwatch, do You still want to use the clean directory feature for the rest of the Web project?");

using Lines = std::vector<std::string>;

std::string crlf(const Lines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// The nine lines of a recorded file as the project file holds them.
Lines record(const std::string& localPath, const std::string& host, const std::string& login,
             const std::string& password, const std::string& port, const std::string& remoteDirectory,
             const std::string& name, const std::string& mode)
{
    return {" " + localPath, " " + host, " " + login, " " + password, " " + port, " " + remoteDirectory,
            " " + name, " " + mode, " May"};
}

Lines operator+(Lines lines, const Lines& more)
{
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

QStringList lines(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

class RecordingWindowTest : public BrowseWindowTest {
protected:
    void showLocalFolder() { ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path())); }

    void selectLocal(const QString& name)
    {
        const auto found = c->ListView2->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        c->ListView2->clearSelection();
        c->ListView2->setCurrentItem(found.first());
        found.first()->setSelected(true);
    }

    void startProject(const QString& name)
    {
        dialogs.expectNameDialog("Web project name:", DialogAnswer::Ok, name, QStringLiteral("Start new Web-project"));
        c->record->trigger();
        ASSERT_TRUE(window->recorder().recording());
    }

    void stopAndSave(const QString& name)
    {
        dialogs.expectYesNoCancel(name, "Save to Webwatch?", DialogAnswer::Yes);
        click(c->BitBtn12);
        EXPECT_FALSE(window->recorder().recording());
    }

    // The connection fields of a site the window is not connected to, and
    // a file of the local folder recorded for it.
    void typeOfflineSite()
    {
        c->Edit1->setText("ftp.example.org");
        c->Edit2->setText("webmaster");
        c->Edit3->setText("secret");
    }
    Lines offlineRecord(const std::string& name, const std::string& remoteDirectory, const std::string& mode) const
    {
        return record(local.path() + "/" + name, "ftp.example.org", "webmaster", "secret", "21", remoteDirectory,
                      name, mode);
    }

    std::string projectFile() const { return data.read("wbprj.dfd"); }
    int sessionTimeout() { return window->sessionChannel().client().Timeout(); }

    TempDir local;
};

TEST_F(RecordingWindowTest, ProjectsRecordedWhileConnectedSendNothingAndAreStoredOnStop)
{
    site.write("www/remote.txt", "on the server");
    local.write("index.htm", "<html></html>");
    local.write("photo.jpg", "jpeg bytes");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"www"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    showLocalFolder();
    const std::string www = window->sessionChannel().client().HostDirName();
    int webwatchOpened = 0;
    QObject::connect(&window->recorder(), &Recorder::openWebwatchRequested, [&] { ++webwatchOpened; });
    // A folder made just before: the name field the two questions share
    // does not offer its name for the project.
    dialogs.expectNameDialog(QStringLiteral("Create Directory"), DialogAnswer::Ok, QStringLiteral("images"));
    const int listed = doneCount();
    click(c->BitBtn6);
    ASSERT_TRUE(waitForListing(listed)) << logText();
    server->clearCommands();

    // Cancelling the name dialog changes nothing.
    dialogs.expectNameDialog("Web project name:", DialogAnswer::Cancel);
    c->record->trigger();
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().back().name.editText, QString());
    EXPECT_FALSE(window->recorder().recording());
    EXPECT_FALSE(c->Label2->isVisible());
    EXPECT_FALSE(c->BitBtn12->isVisible());
    EXPECT_EQ(projectFile(), crlf({"0"}));

    // Nothing recorded: Stop and Yes stores the header alone.
    startProject("Empty");
    EXPECT_TRUE(c->Label2->isVisible());
    EXPECT_EQ(c->Label2->text(), "Recording to : Empty");
    EXPECT_TRUE(c->BitBtn12->isVisible());
    EXPECT_EQ(c->BitBtn12->toolTip(), "Stop recording to Web project: Empty");
    EXPECT_EQ(sessionTimeout(), 100);
    stopAndSave("Empty");
    EXPECT_EQ(projectFile(), crlf({"1", "Empty", "1", "1"}));
    EXPECT_FALSE(c->Label2->isVisible());
    EXPECT_FALSE(c->BitBtn12->isVisible());
    EXPECT_EQ(sessionTimeout(), 25);
    EXPECT_EQ(webwatchOpened, 1);

    // A single file is recorded as not clean, in the session's directory;
    // the files of a directory transfer as clean.
    startProject("Site");
    dialogs.expectYesNoCancel("Clean directory in use!!", kSingleFileQuestion, DialogAnswer::Yes);
    selectLocal("photo.jpg");
    ASSERT_TRUE(c->BitBtn2->isEnabled());
    click(c->BitBtn2);
    EXPECT_FALSE(c->BitBtn2->isEnabled());
    EXPECT_EQ(lines(c->ListBox4), QStringList{"»» photo.jpg"});
    EXPECT_EQ(c->Label3->text(), "1 files in line ");
    EXPECT_TRUE(c->Label3->isVisible());
    click(c->BitBtn11);
    EXPECT_EQ(c->ListBox4->count(), 3);
    EXPECT_EQ(c->Label3->text(), "3 files in line ");

    // Downloads are refused while recording.
    dialogs.expectMessage("You can't download when You are recording to Webwatch");
    clickFile(fileItem("remote.txt"));
    click(c->BitBtn3);
    EXPECT_EQ(c->ListBox4->count(), 3);

    // Not one command reached the server while recording.
    pumpEventsFor(200);
    EXPECT_EQ(commands(), Lines{});
    // The abort empties the queue list, but the recorded files stay.
    click(c->BitBtn7);
    EXPECT_EQ(c->ListBox4->count(), 3);

    stopAndSave("Site");
    const std::string dir = local.path();
    const auto recorded = [&](const std::string& name, const std::string& mode) {
        return record(dir + "/" + name, "127.0.0.1", server->user(), server->password(), server->portText(), www,
                      name, mode);
    };
    // The directory's files in the order the local list shows them.
    Lines expected = Lines{"2", "Empty", "1", "1", "Site", "1", "1"} + recorded("photo.jpg", "3");
    for (int i = 0; i < c->ListView2->topLevelItemCount(); ++i) {
        const std::string name = LocalPanel::fileNameOf(c->ListView2->topLevelItem(i));
        expected = expected + recorded(name, name == "photo.jpg" ? "1" : "0");
    }
    EXPECT_EQ(projectFile(), crlf(expected));
    EXPECT_EQ(c->ListBox4->count(), 0);
    EXPECT_FALSE(c->Label3->isVisible());
    EXPECT_EQ(webwatchOpened, 2);

    // Nothing was uploaded, and no upload waits in the queue.
    EXPECT_FALSE(std::filesystem::exists(window->dataFiles().koefilDfd));
    EXPECT_FALSE(std::filesystem::exists(site.path() + "/www/photo.jpg"));
    EXPECT_EQ(dialogs.pending(), 0u);
}

// Several files chosen at once are recorded one by one, in list order, as
// each would be alone; the clean-directory question comes once.
TEST_F(RecordingWindowTest, ASelectionOfSeveralFilesIsRecordedFileByFile)
{
    site.write("www/remote.txt", "on the server");
    for (const char* name : {"a.htm", "b.jpg", "c.txt"})
        local.write(name, name);
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"www"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    showLocalFolder();
    server->clearCommands();
    startProject("Several");

    QStringList chosen;
    for (int i = 0; i < c->ListView2->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = c->ListView2->topLevelItem(i);
        if (item->text(0) == "a.htm")
            continue;
        QTest::mouseClick(c->ListView2->viewport(), Qt::LeftButton,
                          chosen.isEmpty() ? Qt::NoModifier : Qt::ControlModifier,
                          c->ListView2->visualItemRect(item).center());
        chosen << item->text(0);
    }
    ASSERT_EQ(c->ListView2->selectedItems().size(), 2);
    dialogs.expectYesNoCancel("Clean directory in use!!", kSingleFileQuestion, DialogAnswer::Yes);
    click(c->BitBtn2);
    QStringList inLine;
    for (const QString& name : chosen)
        inLine << QStringLiteral("»» ") + name;
    EXPECT_EQ(lines(c->ListBox4), inLine);

    stopAndSave("Several");
    const std::string stored = projectFile();
    std::size_t previous = 0;
    for (const QString& name : chosen) {
        const std::size_t at = stored.find(" " + local.path() + "/" + name.toStdString() + "\r\n");
        ASSERT_NE(at, std::string::npos) << name.toStdString() << "\n" << stored;
        EXPECT_GT(at, previous);
        previous = at;
    }
    EXPECT_EQ(stored.find("a.htm"), std::string::npos);
    EXPECT_EQ(commands(), std::vector<std::string>{}) << "nothing is sent while recording";
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(RecordingWindowTest, OfflineRecordingAsksForTheDirectoryAndKeepsTheFilesWhenTheSaveFails)
{
    local.write("notes.txt", "notes");
    showLocalFolder();

    // Without a host there is nothing to record against.
    dialogs.expectYesNo("Your disconnected!!", "Record a new project without connecting?", DialogAnswer::Yes)
        .expectMessage("You must sellect: Remote Host,login,Password,Port");
    c->record->trigger();
    EXPECT_FALSE(window->recorder().recording());

    typeOfflineSite();
    dialogs.expectYesNo("Your disconnected!!", "Record a new project without connecting?", DialogAnswer::Yes);
    startProject("Offline");

    // Offline, choosing a local file makes the upload button usable.
    selectLocal("notes.txt");
    ASSERT_TRUE(c->BitBtn2->isEnabled());
    // No to the clean-directory question unchecks "Clean directory"; the
    // remote directory is asked for.
    dialogs.expectYesNoCancel("Clean directory in use!!", kSingleFileQuestion, DialogAnswer::No)
        .expectNameDialog("Web-project Offline", DialogAnswer::Ok, QStringLiteral("/www/docs"),
                          QStringLiteral("Directory name on :ftp.example.org"));
    click(c->BitBtn2);
    EXPECT_FALSE(c->Usecleandirectory1->isChecked());
    EXPECT_EQ(lines(c->ListBox4), QStringList{"»» notes.txt"});
    // Switching "Delete missing files" off while recording reaches the
    // project's header.
    c->Deletemissingfiles1->trigger();
    EXPECT_FALSE(c->Deletemissingfiles1->isChecked());

    // Stop, No, and No to "Cancel recording?" goes on recording.
    dialogs.expectYesNoCancel("Offline", "Save to Webwatch?", DialogAnswer::No)
        .expectYesNo("Offline", "Cancel recording?", DialogAnswer::No);
    click(c->BitBtn12);
    EXPECT_TRUE(window->recorder().recording());

    // A project file that cannot be written keeps the recording.
    std::filesystem::remove(data.file("wbprj.dfd"));
    std::filesystem::create_directory(data.file("wbprj.dfd"));
    dialogs.expectYesNoCancel("Offline", "Save to Webwatch?", DialogAnswer::Yes)
        .expectMessage("The Web project could not be saved in " + QString::fromStdString(data.file("wbprj.dfd")) +
                       ". The recording goes on; press Stop to try again.");
    click(c->BitBtn12);
    EXPECT_TRUE(window->recorder().recording());
    EXPECT_TRUE(c->Label2->isVisible());
    EXPECT_EQ(lines(c->ListBox4), QStringList{"»» notes.txt"});
    EXPECT_EQ(sessionTimeout(), 100);

    std::filesystem::remove(data.file("wbprj.dfd"));
    data.write("wbprj.dfd", "0\r\n");
    stopAndSave("Offline");
    EXPECT_EQ(projectFile(), crlf(Lines{"1", "Offline", "0", "0"} + offlineRecord("notes.txt", "/www/docs", "2")));
    EXPECT_EQ(c->ListBox4->count(), 0);
    EXPECT_EQ(dialogs.pending(), 0u);
}

// A queue that waits from an upload run cut short, with its pending
// project file: a recording made meanwhile leaves the queue alone and
// reaches both project files, found by name in each.
class RecordingWhileARunIsPending : public RecordingWindowTest {
protected:
    void beforeWindow() override
    {
        local.write("new.htm", "new page");
        local.write("old.htm", "old page");
        data.write("koefil.dfd", crlf({"1", "1" + local.path() + "/old.htm", "ftp.example.org", "webmaster",
                                       "secret", "21", "/www", "old.htm", "8", "0"}));
        const Lines site = Lines{"Site", "1", "0"} + offlineRecord("old.htm", "/www", "0");
        data.write("wbprj.dfd", crlf(Lines{"1"} + site));
        // The pending file lists another project first: a line index taken
        // from it would point elsewhere in the project file.
        data.write("nyweb2.dfd", crlf(Lines{"2", "Other", "0", "0"} + site));
    }
};

TEST_F(RecordingWhileARunIsPending, RecordingIntoAnExistingProjectPutsTheNewFilesFirst)
{
    ASSERT_TRUE(waitUntil([&] { return c->BitBtn9->isVisible(); }));
    ASSERT_EQ(lines(c->ListBox4), QStringList{"»» old.htm"});
    const std::string queueFile = data.read("koefil.dfd");
    showLocalFolder();
    c->ComboBox1->setEditText("new.htm");
    QTest::keyClick(c->ComboBox1, Qt::Key_Return);
    ASSERT_EQ(c->ListView2->topLevelItemCount(), 1);

    typeOfflineSite();
    dialogs.expectYesNo("Your disconnected!!", "Record a new file without connecting?", DialogAnswer::Yes)
        .expectMessage("You must check if: Remote Host,login,Password and Port is correct");
    ASSERT_TRUE(window->recorder().startAddingToProject("Site", true, false, window->recordingSession()));
    EXPECT_EQ(c->Label2->text(), "Recording to Site");
    EXPECT_FALSE(c->Deletemissingfiles1->isChecked());

    dialogs.expectNameDialog("Web-project Site", DialogAnswer::Ok, QStringLiteral("/www"));
    click(c->BitBtn11);
    // The recorded file follows the waiting queue's own line, and both count.
    EXPECT_EQ(lines(c->ListBox4), (QStringList{"»» old.htm", "»» new.htm"}));
    EXPECT_EQ(c->Label3->text(), "2 files in line ");

    stopAndSave("Site");
    const Lines files = offlineRecord("new.htm", "/www", "0") + offlineRecord("old.htm", "/www", "0");
    EXPECT_EQ(projectFile(), crlf(Lines{"1", "Site", "1", "0"} + files));
    EXPECT_EQ(data.read("nyweb2.dfd"), crlf(Lines{"2", "Other", "0", "0", "Site", "1", "0"} + files));

    // The waiting queue is untouched: its line, its count and its file.
    EXPECT_EQ(lines(c->ListBox4), QStringList{"»» old.htm"});
    EXPECT_EQ(c->Label3->text(), "1 files in line ");
    EXPECT_EQ(window->transferQueue().entries().count(), 1u);
    EXPECT_EQ(data.read("koefil.dfd"), queueFile);

    // Discarding the waiting queue while recording leaves the recorded
    // files listed; cancelling the recording then writes nothing.
    const std::string projects = projectFile();
    dialogs.expectYesNo("Your disconnected!!", "Record a new project without connecting?", DialogAnswer::Yes);
    startProject("Later");
    selectLocal("new.htm");
    dialogs.expectYesNoCancel("Clean directory in use!!", kSingleFileQuestion, DialogAnswer::Yes)
        .expectNameDialog("Web-project Later", DialogAnswer::Ok, QStringLiteral("/www"));
    click(c->BitBtn2);
    EXPECT_EQ(lines(c->ListBox4), (QStringList{"»» old.htm", "»» new.htm"}));
    click(c->Button1);
    EXPECT_EQ(lines(c->ListBox4), QStringList{"»» new.htm"});
    EXPECT_EQ(c->Label3->text(), "1 files in line ");
    dialogs.expectYesNoCancel("Later", "Save to Webwatch?", DialogAnswer::No)
        .expectYesNo("Later", "Cancel recording?", DialogAnswer::Yes);
    click(c->BitBtn12);
    EXPECT_FALSE(window->recorder().recording());
    EXPECT_EQ(c->ListBox4->count(), 0);
    EXPECT_FALSE(c->Label3->isVisible());
    EXPECT_EQ(projectFile(), projects);
    EXPECT_EQ(dialogs.pending(), 0u);
}

}  // namespace

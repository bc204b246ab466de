#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "webwatch/recorder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace {

const QString kSingleFileQuestion = QStringLiteral(
    "You upload a single file but use clean directory, this file will be marked <not clean> to prevent the rest "
    "of the files in this directory to be included in the Web project, You can make corrections later in "
    "Webwatch, do You still want to use the clean directory feature for the rest of the Web project?");

RecordingSession connectedSession()
{
    return {"ftp.example.org", "webmaster", "secret", "21", true, "/www"};
}

RecordingSession disconnectedSession()
{
    RecordingSession session = connectedSession();
    session.connected = false;
    session.remoteDirectory.clear();
    return session;
}

std::string crlf(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return text;
}

struct RecorderFixture {
    TempDir dir;
    ScriptedDialogs dialogs;
    bool runPending = false;
    Recorder recorder{RecorderFiles{dir.file("wbprj.dfd"), dir.file("nyweb2.dfd"), [this] { return runPending; }},
                      dialogs};

    void startNew(const char* name)
    {
        dialogs.expectNameDialog("Web project name:", DialogAnswer::Ok, QString(name), QStringLiteral("Start new Web-project"));
        ASSERT_TRUE(recorder.startNewProject(connectedSession()));
    }
    void stopAndSave(const char* name)
    {
        dialogs.expectYesNoCancel(name, "Save to Webwatch?", DialogAnswer::Yes);
        ASSERT_EQ(recorder.stop(), Recorder::StopResult::Saved);
    }
};

} // namespace

TEST(Recorder, NewProjectsWithNothingASingleFileAndADirectory)
{
    RecorderFixture f;
    f.dir.write("wbprj.dfd", "0\r\n");
    int webwatchOpened = 0;
    QObject::connect(&f.recorder, &Recorder::openWebwatchRequested, [&] { ++webwatchOpened; });

    // Nothing recorded: the project is its header.
    f.startNew("Empty");
    EXPECT_TRUE(f.recorder.display().recordingLabelVisible);
    EXPECT_EQ(f.recorder.display().recordingLabelText, "Recording to : Empty");
    EXPECT_EQ(f.recorder.display().stopButtonHint, "Stop recording to Web project: Empty");
    EXPECT_EQ(f.recorder.display().sessionTimeout, 100);
    EXPECT_EQ(f.dialogs.nameDialog().caption, "Write name");
    EXPECT_TRUE(f.dialogs.nameDialog().editText.isEmpty());
    f.stopAndSave("Empty");
    EXPECT_EQ(f.dir.read("wbprj.dfd"), crlf({"1", "Empty", "1", "1"}));
    EXPECT_EQ(webwatchOpened, 1);
    EXPECT_FALSE(f.recorder.recording());
    EXPECT_FALSE(f.recorder.display().stopButtonVisible);
    EXPECT_EQ(f.recorder.display().sessionTimeout, 25);

    // A single file is not clean; the files of a directory are.
    f.startNew("Site");
    f.dialogs.expectYesNoCancel("Clean directory in use!!", kSingleFileQuestion, DialogAnswer::Yes);
    const auto single = f.recorder.recordFile(connectedSession(), "/home/u/site", "logo.gif", "1");
    EXPECT_TRUE(single.recorded);
    EXPECT_EQ(single.uploadButton, Recorder::UploadButton::Disable);
    // Answered once, the question is not asked again.
    EXPECT_TRUE(f.recorder.recordFile(connectedSession(), "/home/u/site/", "notes.txt", "0").recorded);
    EXPECT_EQ(f.recorder.recordDirectory(connectedSession(), "/home/u/site/pages",
                                         {{"index.html", "0"}, {"photo.jpg", "1"}}),
              2u);
    EXPECT_EQ(f.recorder.display().queueListLines,
              (std::vector<QString>{"\u00BB\u00BB logo.gif", "\u00BB\u00BB notes.txt", "\u00BB\u00BB index.html",
                                    "\u00BB\u00BB photo.jpg"}));
    f.stopAndSave("Site");
    EXPECT_EQ(f.dir.read("wbprj.dfd"),
              crlf({"2", "Empty", "1", "1", "Site", "1", "1",
                    " /home/u/site/logo.gif", " ftp.example.org", " webmaster", " secret", " 21", " /www", " logo.gif", " 3", " May",
                    " /home/u/site/notes.txt", " ftp.example.org", " webmaster", " secret", " 21", " /www", " notes.txt", " 2", " May",
                    " /home/u/site/pages/index.html", " ftp.example.org", " webmaster", " secret", " 21", " /www", " index.html", " 0", " May",
                    " /home/u/site/pages/photo.jpg", " ftp.example.org", " webmaster", " secret", " 21", " /www", " photo.jpg", " 1", " May"}));
    EXPECT_TRUE(f.recorder.display().queueListLines.empty());
    EXPECT_TRUE(f.recorder.recordedFiles().empty());
}

// A FIFO or a link to a device is refused with the reason, alone or among
// the files of a folder; the regular files beside it are recorded.
TEST(Recorder, OnlyRegularFilesAreRecorded)
{
    RecorderFixture f;
    f.dir.write("wbprj.dfd", "0\r\n");
    f.dir.write("site/page.html", "<p>");
    ASSERT_EQ(::mkfifo(f.dir.file("site/pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", f.dir.file("site/zero"));
    f.startNew("Site");
    f.dialogs.expectYesNoCancel("Clean directory in use!!", kSingleFileQuestion, DialogAnswer::Yes)
        .expectMessage(QString::fromStdString(f.dir.file("site/pipe") + " is not recorded: it is not a regular file"))
        .expectMessage(QString::fromStdString(f.dir.file("site/zero") + " is not recorded: it is not a regular file"));
    EXPECT_FALSE(f.recorder.recordFile(connectedSession(), f.dir.file("site"), "pipe", "1").recorded);
    EXPECT_EQ(f.recorder.recordDirectory(connectedSession(), f.dir.file("site"), {{"zero", "1"}, {"page.html", "0"}}),
              1u);
    EXPECT_EQ(f.dialogs.pending(), 0u);
    EXPECT_EQ(f.recorder.display().queueListLines, (std::vector<QString>{"\u00BB\u00BB page.html"}));
}

TEST(Recorder, DisconnectedRecordingNoToCleanDirectoryAndTheFlagItems)
{
    RecorderFixture f;
    f.dir.write("wbprj.dfd", "0\r\n");

    // Without a connection and without a host nothing starts.
    RecordingSession noHost = disconnectedSession();
    noHost.host.clear();
    f.dialogs.expectYesNo("Your disconnected!!", "Record a new project without connecting?", DialogAnswer::Yes)
        .expectMessage("You must sellect: Remote Host,login,Password,Port");
    EXPECT_FALSE(f.recorder.startNewProject(noHost));
    f.dialogs.expectYesNo("Your disconnected!!", "Record a new project without connecting?", DialogAnswer::No);
    EXPECT_FALSE(f.recorder.startNewProject(disconnectedSession()));

    // A name the project file cannot hold is refused and asked again;
    // cancelling the dialog leaves everything as it was.
    f.dialogs.expectYesNo("Your disconnected!!", "Record a new project without connecting?", DialogAnswer::Yes)
        .expectNameDialog("Web project name:", DialogAnswer::Ok, QString(" Site"))
        .expectMessage("A Web project name can not be empty or begin with a space")
        .expectNameDialog("Web project name:", DialogAnswer::Ok, QString(""))
        .expectMessage("A Web project name can not be empty or begin with a space")
        .expectNameDialog("Web project name:", DialogAnswer::Cancel);
    EXPECT_FALSE(f.recorder.startNewProject(disconnectedSession()));
    EXPECT_FALSE(f.recorder.recording());
    EXPECT_FALSE(f.recorder.display().recordingLabelVisible);
    EXPECT_EQ(f.dir.read("wbprj.dfd"), "0\r\n");

    f.dialogs.expectYesNo("Your disconnected!!", "Record a new project without connecting?", DialogAnswer::Yes)
        .expectNameDialog("Web project name:", DialogAnswer::Ok, QString("Offline"));
    ASSERT_TRUE(f.recorder.startNewProject(disconnectedSession()));

    // Delete missing files switched off while recording reaches the header.
    f.recorder.toggleDeleteMissing();
    EXPECT_FALSE(f.recorder.display().deleteMissingChecked);

    // Cancel: nothing recorded, the upload button goes grey.
    f.dialogs.expectYesNoCancel("Clean directory in use!!", kSingleFileQuestion, DialogAnswer::Cancel);
    const auto cancelled = f.recorder.recordFile(disconnectedSession(), "/d", "a.html", "0");
    EXPECT_FALSE(cancelled.recorded);
    EXPECT_EQ(cancelled.uploadButton, Recorder::UploadButton::Disable);

    // No: the project loses its clean flag; the remote directory is asked
    // for since there is no session to take it from.
    f.dialogs.expectYesNoCancel("Clean directory in use!!", kSingleFileQuestion, DialogAnswer::No)
        .expectNameDialog("Web-project Offline", DialogAnswer::Ok, QString("/htdocs"),
                          QStringLiteral("Directory name on :ftp.example.org"));
    EXPECT_TRUE(f.recorder.recordFile(disconnectedSession(), "/d", "a.html", "0").recorded);
    EXPECT_FALSE(f.recorder.display().cleanDirectoryChecked);
    // Clean directory off: no question any more; a cancelled directory
    // question records nothing.
    f.dialogs.expectNameDialog("Web-project Offline", DialogAnswer::Cancel);
    EXPECT_FALSE(f.recorder.recordFile(disconnectedSession(), "/d", "b.html", "0").recorded);

    // Downloads are refused while recording.
    f.dialogs.expectMessage("You can't download when You are recording to Webwatch");
    EXPECT_TRUE(f.recorder.refuseDownload());

    f.stopAndSave("Offline");
    EXPECT_EQ(f.dir.read("wbprj.dfd"),
              crlf({"1", "Offline", "0", "0", " /d/a.html", " ftp.example.org", " webmaster", " secret", " 21",
                    " /htdocs", " a.html", " 2", " May"}));
    EXPECT_FALSE(f.recorder.refuseDownload());
}

TEST(Recorder, StopCancelAndDiscard)
{
    RecorderFixture f;
    f.dir.write("wbprj.dfd", "0\r\n");
    f.startNew("Draft");
    f.recorder.recordDirectory(connectedSession(), "/d", {{"a.html", "0"}});

    f.dialogs.expectYesNoCancel("Draft", "Save to Webwatch?", DialogAnswer::Cancel);
    EXPECT_EQ(f.recorder.stop(), Recorder::StopResult::StillRecording);
    f.dialogs.expectYesNoCancel("Draft", "Save to Webwatch?", DialogAnswer::No)
        .expectYesNo("Draft", "Cancel recording?", DialogAnswer::No);
    EXPECT_EQ(f.recorder.stop(), Recorder::StopResult::StillRecording);
    EXPECT_EQ(f.recorder.recordedFiles().size(), 1u);

    f.dialogs.expectYesNoCancel("Draft", "Save to Webwatch?", DialogAnswer::No)
        .expectYesNo("Draft", "Cancel recording?", DialogAnswer::Yes);
    EXPECT_EQ(f.recorder.stop(), Recorder::StopResult::Discarded);
    EXPECT_FALSE(f.recorder.recording());
    EXPECT_TRUE(f.recorder.display().queueListLines.empty());
    EXPECT_EQ(f.recorder.display().sessionTimeout, 25);
    EXPECT_EQ(f.dir.read("wbprj.dfd"), "0\r\n");
}

TEST(Recorder, AddingToAnExistingProjectFindsItByNameAndReachesThePendingFile)
{
    RecorderFixture f;
    // The pending project file of a run holds the projects in another order
    // (say one was removed in the WebWatch window meanwhile): a line index
    // taken there would land inside the wrong project of "wbprj.dfd".
    f.dir.write("wbprj.dfd", crlf({"2", "Other", "0", "0", " /o/x.html", " h", " u", " p", " 21", " /", " x.html", " 2",
                                   " May", "Site", "1", "1", " /s/old.html", " h", " u", " p", " 21", " /", " old.html",
                                   " 0", " 1321549021"}));
    f.dir.write("nyweb2.dfd", crlf({"1", "Site", "1", "1", " /s/old.html", " h", " u", " p", " 21", " /", " old.html",
                                    " 0", " 1400000000"}));
    f.runPending = true;

    f.dialogs.expectYesNo("Your disconnected!!", "Record a new file without connecting?", DialogAnswer::Yes)
        .expectMessage("You must check if: Remote Host,login,Password and Port is correct");
    ASSERT_TRUE(f.recorder.startAddingToProject("Site", true, true, disconnectedSession()));
    EXPECT_EQ(f.recorder.display().recordingLabelText, "Recording to Site");
    EXPECT_EQ(f.recorder.display().stopButtonHint, "Stop recording to Webproject: Site");
    EXPECT_TRUE(f.recorder.addingToExisting());
    f.dialogs.expectNameDialog("Web-project Site", DialogAnswer::Ok, QString("/new"));
    ASSERT_EQ(f.recorder.recordDirectory(disconnectedSession(), "/s/new", {{"n1.html", "0"}, {"n2.png", "1"}}), 2u);
    f.stopAndSave("Site");

    const std::string newRecords = crlf({" /s/new/n1.html", " ftp.example.org", " webmaster", " secret", " 21", " /new",
                                         " n1.html", " 0", " May", " /s/new/n2.png", " ftp.example.org", " webmaster",
                                         " secret", " 21", " /new", " n2.png", " 1", " May"});
    EXPECT_EQ(f.dir.read("wbprj.dfd"),
              crlf({"2", "Other", "0", "0", " /o/x.html", " h", " u", " p", " 21", " /", " x.html", " 2", " May",
                    "Site", "1", "1"})
                  + newRecords
                  + crlf({" /s/old.html", " h", " u", " p", " 21", " /", " old.html", " 0", " 1321549021"}));
    // The run, when it ends, copies this file over the project file: the
    // recording is in it too.
    EXPECT_EQ(f.dir.read("nyweb2.dfd"),
              crlf({"1", "Site", "1", "1"}) + newRecords
                  + crlf({" /s/old.html", " h", " u", " p", " 21", " /", " old.html", " 0", " 1400000000"}));

    // A new project recorded while the run is pending goes into both files.
    f.startNew("Fresh");
    f.stopAndSave("Fresh");
    EXPECT_EQ(f.dir.read("nyweb2.dfd").substr(0, 3), "2\r\n");
    EXPECT_NE(f.dir.read("nyweb2.dfd").find("Fresh\r\n1\r\n1\r\n"), std::string::npos);
    EXPECT_EQ(f.dir.read("wbprj.dfd").substr(0, 3), "3\r\n");
}

TEST(Recorder, AFailedSaveKeepsTheRecording)
{
    RecorderFixture f;
    f.dir.write("wbprj.dfd", "0\r\n");
    f.startNew("Kept");
    f.recorder.recordDirectory(connectedSession(), "/d", {{"a.html", "0"}});

    // A project file that cannot be read, then one too damaged to take a
    // project (no count on line 0): nothing is written, nothing is lost.
    std::filesystem::create_directory(f.dir.file("wbprj.dfd.d"));
    std::filesystem::rename(f.dir.file("wbprj.dfd"), f.dir.file("wbprj.dfd.keep"));
    std::filesystem::rename(f.dir.file("wbprj.dfd.d"), f.dir.file("wbprj.dfd"));
    const QString failed = QString::fromStdString("The Web project could not be saved in " + f.dir.file("wbprj.dfd")
                                                  + ". The recording goes on; press Stop to try again.");
    f.dialogs.expectYesNoCancel("Kept", "Save to Webwatch?", DialogAnswer::Yes).expectMessage(failed);
    EXPECT_EQ(f.recorder.stop(), Recorder::StopResult::SaveFailed);
    EXPECT_TRUE(f.recorder.recording());
    EXPECT_TRUE(f.recorder.display().stopButtonVisible);
    EXPECT_EQ(f.recorder.display().queueListLines.size(), 1u);

    std::filesystem::remove(f.dir.file("wbprj.dfd"));
    f.dir.write("wbprj.dfd", "projects\r\n");
    f.dialogs.expectYesNoCancel("Kept", "Save to Webwatch?", DialogAnswer::Yes).expectMessage(failed);
    EXPECT_EQ(f.recorder.stop(), Recorder::StopResult::SaveFailed);
    EXPECT_EQ(f.dir.read("wbprj.dfd"), "projects\r\n");
    EXPECT_EQ(f.recorder.recordedFiles().size(), 1u);
    // Damaged past its count (a record cut short): a project appended
    // behind it would be found, but the file as a whole is no project file.
    const std::string cutRecord = crlf({"1", "A", "0", "0", " /x"});
    f.dir.write("wbprj.dfd", cutRecord);
    f.dialogs.expectYesNoCancel("Kept", "Save to Webwatch?", DialogAnswer::Yes).expectMessage(failed);
    EXPECT_EQ(f.recorder.stop(), Recorder::StopResult::SaveFailed);
    EXPECT_EQ(f.dir.read("wbprj.dfd"), cutRecord);
    std::filesystem::remove(f.dir.file("wbprj.dfd"));

    std::filesystem::rename(f.dir.file("wbprj.dfd.keep"), f.dir.file("wbprj.dfd"));
    f.stopAndSave("Kept");
    EXPECT_EQ(f.dir.read("wbprj.dfd"), crlf({"1", "Kept", "1", "1", " /d/a.html", " ftp.example.org", " webmaster",
                                             " secret", " 21", " /www", " a.html", " 0", " May"}));
}

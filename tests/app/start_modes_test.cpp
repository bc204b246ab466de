#include "app/data_directory_choice.h"
#include "app/install_modes.h"
#include "app/installation.h"
#include "app/start_mode.h"
#include "core/text_line_list.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool exists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

TEST(StartMode, ArgumentsComeFirstThenTheProgramName)
{
    EXPECT_EQ(decideStartMode("/opt/x/tavlinftp", {}).mode, StartMode::Client);
    EXPECT_EQ(decideStartMode("/opt/x/TavlinFtp", {}).mode, StartMode::Client);
    EXPECT_EQ(decideStartMode("/opt/x/my-tavlinftp", {}).mode, StartMode::Client);
    EXPECT_EQ(decideStartMode("/opt/x/tavlinftp-setup", {}).mode, StartMode::Install);
    EXPECT_EQ(decideStartMode("/opt/x/setup", {}).mode, StartMode::Install);
    EXPECT_EQ(decideStartMode("tavlinftp", {}).mode, StartMode::Client);
    // A folder name does not count, only the file's own name.
    EXPECT_EQ(decideStartMode("/tavlinftp/setup", {}).mode, StartMode::Install);

    EXPECT_EQ(decideStartMode("/opt/x/tavlinftp", {"uinstall"}).mode, StartMode::Uninstall);
    EXPECT_EQ(decideStartMode("/opt/x/setup", {"uinstall", "more"}).mode, StartMode::Uninstall);
    const StartDecision removal = decideStartMode("/opt/x/tavlinftp", {"/tmp/s/setup.log"});
    EXPECT_EQ(removal.mode, StartMode::RemoveLeftover);
    EXPECT_EQ(removal.leftoverPath, "/tmp/s/setup.log");
    EXPECT_EQ(decideStartMode("/opt/x/tavlinftp", {"UINSTALL"}).mode, StartMode::RemoveLeftover);

    // --data-dir comes before the rest and is never taken for a leftover.
    const StartDecision named = decideStartMode("/opt/x/tavlinftp", {"--data-dir", "/srv/ftp data"});
    EXPECT_EQ(named.mode, StartMode::Client);
    EXPECT_EQ(named.dataDirectory, "/srv/ftp data");
    EXPECT_EQ(decideStartMode("/opt/x/tavlinftp", {"--data-dir=d", "uinstall"}).mode, StartMode::Uninstall);
    EXPECT_EQ(decideStartMode("/opt/x/tavlinftp", {"--data-dir"}).mode, StartMode::WrongUsage);
    EXPECT_EQ(decideStartMode("/opt/x/tavlinftp", {"--data-dir="}).mode, StartMode::WrongUsage);
}

// The folder the program starts in never becomes the data directory; a
// program the installer put into its data directory keeps that one, and
// data files left where the program starts are pointed out, not used.
TEST(StartMode, TheDataDirectoryIsNamedInstalledOrTheDefaultNeverTheStartFolder)
{
    TempDir home;
    home.write("Documents/serv3.adr", "Old site\r\n");
    const std::string documents = home.file("Documents");
    const std::string fallback = home.file("share/tavlinftp");

    DataDirectoryChoice choice = chooseDataDirectory("", "/usr/bin/tavlinftp", documents, fallback);
    EXPECT_EQ(choice.directory, fallback);
    EXPECT_EQ(choice.notice, "! The data files in " + documents + " are not used: the data directory is " + fallback
                                 + ". Start with --data-dir " + documents + " to use them.");
    EXPECT_EQ(chooseDataDirectory("", "/usr/bin/tavlinftp", fallback, fallback).notice, "");

    choice = chooseDataDirectory("ftp/", "/usr/bin/tavlinftp", documents, fallback);
    EXPECT_EQ(choice.directory, documents + "/ftp");
    EXPECT_EQ(chooseDataDirectory("/srv/d", "/usr/bin/tavlinftp", documents, fallback).directory, "/srv/d");

    // Installed by hand: the program lives in its data directory beside the
    // installer's manifest, where its menu entry starts it.
    home.write("old-share/tavlinftp/" + std::string(kInstallManifestName), "x\n");
    EXPECT_EQ(chooseDataDirectory("", home.file("old-share/tavlinftp/tavlinftp"), documents, fallback).directory,
              home.file("old-share/tavlinftp"));

    // Made for its owner only when missing, with the folders above it.
    std::string why;
    ASSERT_TRUE(makeDataDirectory(home.file("new/share/tavlinftp"), why)) << why;
    struct stat status {};
    ASSERT_EQ(::stat(home.file("new/share/tavlinftp").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_TRUE(makeDataDirectory(home.file("new/share/tavlinftp"), why));
    home.write("plain", "x");
    EXPECT_FALSE(makeDataDirectory(home.file("plain/tavlinftp"), why));
    EXPECT_FALSE(why.empty());
}

class Installation : public ::testing::Test {
protected:
    TempDir home;
    TempDir temp;
    InstallLayout layout{home.file("share")};
    ScriptedDialogs dialogs;

    std::string program()
    {
        home.write("dist/tavlinftp-setup", "#!/bin/sh\necho program\n");
        return home.file("dist/tavlinftp-setup");
    }
};

TEST_F(Installation, InstallWritesProgramIconMenuEntryAndManifest)
{
    dialogs.expectMessage(QStringLiteral("Tavlin FTP is installed.\n\nProgram: %1\nData directory: %2\n"
                                         "Menu entry: %3\nIcon: %4\n\nStart it from your desktop's menu.")
                              .arg(QString::fromStdString(layout.programFile()),
                                   QString::fromStdString(layout.dataDirectory()),
                                   QString::fromStdString(layout.desktopEntry()),
                                   QString::fromStdString(layout.iconFile())),
                          QStringLiteral("Tavlin FTP setup"));
    const InstallOutcome outcome = runInstaller(dialogs, layout, program(), "PNGBYTES", temp.path());
    ASSERT_TRUE(outcome.ok) << outcome.error;

    EXPECT_EQ(layout.programFile(), home.file("share/tavlinftp/tavlinftp"));
    EXPECT_EQ(home.read("share/tavlinftp/tavlinftp"), "#!/bin/sh\necho program\n");
    EXPECT_EQ(::access(layout.programFile().c_str(), X_OK), 0);
    EXPECT_TRUE(isClientProgramName(layout.programFile()));
    EXPECT_EQ(home.read("share/icons/hicolor/64x64/apps/tavlinftp.png"), "PNGBYTES");

    const std::string entry = home.read("share/applications/tavlinftp.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=\"" + layout.programFile() + "\"\n"), std::string::npos);
    // The program starts in its data directory.
    EXPECT_NE(entry.find("\nPath=" + layout.dataDirectory() + "\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=" + layout.iconFile() + "\n"), std::string::npos);

    TextLineList manifest;
    ASSERT_TRUE(manifest.loadFromFile(layout.manifest()));
    EXPECT_EQ(manifest.lines(), (std::vector<std::string>{layout.programFile(), layout.iconFile(), layout.desktopEntry()}));

    // The staged leftover lies in a marked folder of its own under temp.
    ASSERT_FALSE(outcome.leftover.empty());
    const std::string staging = std::filesystem::path(outcome.leftover).parent_path().string();
    EXPECT_EQ(staging.rfind(temp.path() + "/tavlinftp-setup-", 0), 0u);
    EXPECT_TRUE(exists(outcome.leftover));
    EXPECT_TRUE(removeInstallerLeftover(outcome.leftover));
    EXPECT_FALSE(exists(staging));
}

TEST_F(Installation, ExecLineQuotesAwkwardPaths)
{
    const InstallLayout odd{"/home/a b/$x\"q`%\\share"};
    const std::string entry = desktopEntryText(odd);
    // Quoted for the Exec rules (\" \` \$ \\ and %%), then backslashes doubled
    // as in every desktop string.
    EXPECT_NE(entry.find("\nExec=\"/home/a b/\\\\$x\\\\\"q\\\\`%%\\\\\\\\share/tavlinftp/tavlinftp\"\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("\nPath=/home/a b/$x\"q`%\\\\share/tavlinftp\n"), std::string::npos) << entry;
}

TEST_F(Installation, InstallReportsWhatWentWrong)
{
    home.write("share", "a file where a folder belongs");
    dialogs.expectMessage(QStringLiteral("Tavlin FTP could not be installed.\n\nCannot create ") +
                              QString::fromStdString(layout.dataDirectory()) + QStringLiteral(": Not a directory"),
                          QStringLiteral("Tavlin FTP setup"));
    EXPECT_FALSE(runInstaller(dialogs, layout, program(), "PNG", temp.path()).ok);
}

TEST_F(Installation, UninstallRemovesTheMenuEntryAndAsksBeforeTheDataFiles)
{
    InstallOutcome outcome = installProgram(layout, program(), "PNG", temp.path());
    ASSERT_TRUE(outcome.ok);
    home.write("share/tavlinftp/serv3.adr", "sites\r\n");
    home.write("share/tavlinftp/wbprj.dfd", "0\r\n");
    home.write("share/tavlinftp/demo-server-site/index.html", "<html>");
    home.write("share/applications/other.desktop", "[Desktop Entry]\n");

    dialogs.expectYesNo("Tavlin FTP uninstall",
                        QStringLiteral("Remove the data files in %1 as well?\n\n"
                                       "Your site list, web projects and settings are kept there.")
                            .arg(QString::fromStdString(layout.dataDirectory())),
                        DialogAnswer::No);
    dialogs.expectMessage(QStringLiteral("Removed:\n%1\n%2")
                              .arg(QString::fromStdString(layout.desktopEntry()),
                                   QString::fromStdString(layout.iconFile())),
                          QStringLiteral("Tavlin FTP uninstall"));
    runUninstaller(dialogs, layout);
    EXPECT_FALSE(exists(layout.desktopEntry()));
    EXPECT_FALSE(exists(layout.iconFile()));
    EXPECT_TRUE(exists(home.file("share/applications/other.desktop")));
    EXPECT_EQ(home.read("share/tavlinftp/serv3.adr"), "sites\r\n");

    // Asked again, Yes: the data files go, the folder stays for what the
    // program did not write.
    ScriptedDialogs again;
    again.expectYesNo("Tavlin FTP uninstall",
                      QStringLiteral("Remove the data files in %1 as well?\n\n"
                                     "Your site list, web projects and settings are kept there.")
                          .arg(QString::fromStdString(layout.dataDirectory())),
                      DialogAnswer::Yes);
    again.expectMessage(QStringLiteral("Removed:\n%1\n%2\n%3\n%4")
                            .arg(QString::fromStdString(home.file("share/tavlinftp/serv3.adr")),
                                 QString::fromStdString(home.file("share/tavlinftp/wbprj.dfd")),
                                 QString::fromStdString(layout.programFile()),
                                 QString::fromStdString(layout.manifest())),
                        QStringLiteral("Tavlin FTP uninstall"));
    runUninstaller(again, layout);
    EXPECT_FALSE(exists(layout.programFile()));
    EXPECT_TRUE(exists(home.file("share/tavlinftp/demo-server-site/index.html")));
}

TEST_F(Installation, UninstallWithoutAnInstallationRemovesNothingUnasked)
{
    home.write("share/applications/tavlinftp.desktop", "[Desktop Entry]\nName=someone else's\n");
    dialogs.expectYesNo("Tavlin FTP uninstall",
                        QStringLiteral("Remove the data files in %1 as well?\n\n"
                                       "Your site list, web projects and settings are kept there.")
                            .arg(QString::fromStdString(layout.dataDirectory())),
                        DialogAnswer::No);
    dialogs.expectMessage("Nothing was removed.", QStringLiteral("Tavlin FTP uninstall"));
    runUninstaller(dialogs, layout);
    EXPECT_TRUE(exists(layout.desktopEntry()));
}

class LeftoverRemoval : public ::testing::Test {
protected:
    TempDir dir;

    void mark(const std::string& folder, const std::string& listed)
    {
        dir.write(folder + "/.tavlinftp-installer", std::string(kInstallerMarkerSignature) + "\n" + listed + "\n");
    }
};

TEST_F(LeftoverRemoval, APathWithoutTheMarkerIsNeverDeleted)
{
    dir.write("Downloads/tavlinftp-setup", "the user's own download");
    dir.write("Downloads/thesis.pdf", "precious");
    EXPECT_FALSE(removeInstallerLeftover(dir.file("Downloads/tavlinftp-setup")));
    EXPECT_FALSE(removeInstallerLeftover(dir.file("Downloads/thesis.pdf")));
    EXPECT_FALSE(removeInstallerLeftover(dir.file("Downloads")));
    EXPECT_EQ(dir.read("Downloads/tavlinftp-setup"), "the user's own download");
    EXPECT_EQ(dir.read("Downloads/thesis.pdf"), "precious");
}

TEST_F(LeftoverRemoval, OnlyTheFilesTheMarkerNamesAndAnEmptiedFolderGo)
{
    mark("stage", "setup.log");
    dir.write("stage/setup.log", "log");
    dir.write("stage/notes.txt", "not the installer's");
    // A file the marker does not name is refused.
    EXPECT_FALSE(removeInstallerLeftover(dir.file("stage/notes.txt")));
    EXPECT_FALSE(removeInstallerLeftover(dir.file("stage/.tavlinftp-installer")));
    EXPECT_TRUE(removeInstallerLeftover(dir.file("stage/setup.log")));
    EXPECT_FALSE(exists(dir.file("stage/setup.log")));
    // The folder holds something else, so it stays, with that file.
    EXPECT_EQ(dir.read("stage/notes.txt"), "not the installer's");

    mark("clean", "setup.log");
    dir.write("clean/setup.log", "log");
    EXPECT_TRUE(removeInstallerLeftover(dir.file("clean/../clean/setup.log")));
    EXPECT_FALSE(exists(dir.file("clean")));
}

TEST_F(LeftoverRemoval, AForgedMarkerOrALinkDoesNotReachOtherFiles)
{
    dir.write("precious/data.txt", "keep");
    dir.write("stage/setup.log", "log");
    ASSERT_EQ(::symlink(dir.file("precious/data.txt").c_str(), dir.file("stage/link.txt").c_str()), 0);
    dir.write("stage/.tavlinftp-installer",
              std::string(kInstallerMarkerSignature) + "\nlink.txt\n../precious/data.txt\nsetup.log\n");
    EXPECT_FALSE(removeInstallerLeftover(dir.file("stage/link.txt")));
    EXPECT_TRUE(removeInstallerLeftover(dir.file("stage/setup.log")));
    EXPECT_EQ(dir.read("precious/data.txt"), "keep");

    // A marker without the signature line is no marker.
    dir.write("odd/.tavlinftp-installer", "setup.log\n");
    dir.write("odd/setup.log", "x");
    EXPECT_FALSE(removeInstallerLeftover(dir.file("odd/setup.log")));
    EXPECT_TRUE(exists(dir.file("odd/setup.log")));
}

}  // namespace

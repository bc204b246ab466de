// The program as a user starts it from a terminal: whatever folder the
// terminal is in, the window keeps its files in the data directory that
// tavlinftp-cli uses too, or in the one --data-dir names.
#include "support/temp_dir.h"
#include "support/wait.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::set<std::string> namesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class ProgramStart : public ::testing::Test {
protected:
    void TearDown() override { stop(); }

    // Starts the program in the folder `started` (the user's ~/Documents),
    // with HOME and XDG_DATA_HOME as given (an empty one is unset).
    void start(const QStringList& arguments, const std::string& xdgDataHome)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.path()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (xdgDataHome.empty())
            environment.remove(QStringLiteral("XDG_DATA_HOME"));
        else
            environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(xdgDataHome));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(QString::fromStdString(started.path()));
        program.start(QStringLiteral(TAVLIN_PROGRAM), arguments);
        ASSERT_TRUE(program.waitForStarted());
    }

    // The window is up on `dataDirectory` once it holds its lock there.
    bool runsOn(const std::string& dataDirectory)
    {
        return waitUntil([&] { return fs::exists(fs::path(dataDirectory) / "tavlinftp.window.lock"); }, 60000);
    }

    void stop()
    {
        if (program.state() == QProcess::NotRunning)
            return;
        program.kill();
        program.waitForFinished();
    }

    // A data directory that has been used before: no first start.
    static void usedBefore(const std::string& dataDirectory)
    {
        fs::create_directories(dataDirectory);
        std::ofstream(dataDirectory + "/fiext1.fil") << ".txt2\r\n";
    }

    TempDir home;
    TempDir started;
    TempDir elsewhere;
    QProcess program;
};

TEST_F(ProgramStart, AWindowStartedInAnyFolderUsesTheDataDirectoryOfTheCommandLineOrTheNamedOne)
{
    started.write("thesis.txt", "mine");

    // XDG_DATA_HOME, as tavlinftp-cli reads it.
    const std::string xdg = elsewhere.file("xdg");
    usedBefore(xdg + "/tavlinftp");
    start({}, xdg);
    ASSERT_TRUE(runsOn(xdg + "/tavlinftp")) << program.readAllStandardError().toStdString();
    stop();
    EXPECT_EQ(namesIn(started.path()), std::set<std::string>{"thesis.txt"});

    // Without it, ~/.local/share.
    usedBefore(home.file(".local/share/tavlinftp"));
    start({}, "");
    ASSERT_TRUE(runsOn(home.file(".local/share/tavlinftp"))) << program.readAllStandardError().toStdString();
    stop();
    EXPECT_EQ(namesIn(started.path()), std::set<std::string>{"thesis.txt"});

    // --data-dir names another, relative to where the program starts; one
    // that is not there yet is made for its owner only, and a first start
    // writes its files there.
    start({QStringLiteral("--data-dir"), QStringLiteral("ftp-data")}, xdg);
    ASSERT_TRUE(runsOn(started.file("ftp-data"))) << program.readAllStandardError().toStdString();
    ASSERT_TRUE(waitUntil([&] { return fs::exists(started.file("ftp-data/serv3.adr")); }, 60000));
    stop();
    struct stat status {};
    ASSERT_EQ(::stat(started.file("ftp-data").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_EQ(namesIn(started.path()), (std::set<std::string>{"thesis.txt", "ftp-data"}));
    EXPECT_FALSE(fs::exists(xdg + "/tavlinftp/serv3.adr"));

    // A --data-dir without a folder is wrong usage.
    program.start(QStringLiteral(TAVLIN_PROGRAM), {QStringLiteral("--data-dir")});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 2);
}

}  // namespace

// tavlinftp-cli webwatch when it cannot or must not run: damaged project and
// queue files, a data directory it cannot write, a run too big for the
// queue. Each refusal says why and what to do, exits 1 and changes nothing.
#include "cli_run.h"

#include "core/data_directory_lock.h"
#include "core/text_line_list.h"
#include "support/random_bytes.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::map<std::string, std::string> filesIn(const std::string& directory)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (entry.path().filename() == DataDirectoryLock::kFileName || !entry.is_regular_file())
            continue;
        std::string bytes;
        readWholeFile(entry.path().string(), bytes);
        files[entry.path().filename().string()] = bytes;
    }
    return files;
}

class CliWebwatchRefusals : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.write("a.html", "a");
        site.write("b.html", "b");
    }

    // One project of two never-uploaded files on `port`, logging in with a
    // password that must never show.
    TextLineList projectLines(const std::string& port = "21") const
    {
        std::vector<std::string> lines{"1", "Site", "0", "0"};
        for (const char* name : {"a.html", "b.html"})
            for (const std::string& value : {site.file(name), std::string("127.0.0.1"), std::string("webmaster"),
                                             std::string("Pw4Site"), port, std::string("/"), std::string(name),
                                             std::string("0"), std::string("May")})
                lines.push_back(" " + value);
        return TextLineList(lines);
    }

    CliRun webwatch(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), {"webwatch", "--data-dir", data.path()});
        return runCli(arguments);
    }

    TempDir data;
    TempDir site;
};

}  // namespace

// A damaged wbprj.dfd is named with its line, for a run, a dry run and a
// listing alike, and nothing is written or sent.
TEST_F(CliWebwatchRefusals, ADamagedProjectFileIsRefusedWithItsLineAndKeptAsItIs)
{
    // The first record without its first line: the password would slide
    // into the log-in.
    TextLineList shifted = projectLines();
    shifted.removeAt(4);
    std::string utf16 = "\xff\xfe";
    for (char c : projectLines().joinedText())
        utf16 += std::string{c, '\0'};
    std::string crOnly = projectLines().joinedText();
    crOnly.erase(std::remove(crOnly.begin(), crOnly.end(), '\n'), crOnly.end());
    const std::pair<std::string, std::string> damaged[] = {
        {randomBytes(2000, 31), "line 1: "},
        {"", "is empty"},
        {crOnly, "line 1: the lines end in a bare CR"},
        {"abc\r\n", "line 1: the number of projects is not a number"},
        {"-1\r\n", "line 1: the number of projects is not a number"},
        {"100000000000000000000000000\r\n", "line 1: the number of projects is not a number"},
        {utf16, "line 1: the file is not plain text"},
        {shifted.joinedText(), "line 12: the mode code"},
    };
    for (const auto& [bytes, why] : damaged) {
        SCOPED_TRACE(why);
        data.write("wbprj.dfd", bytes);
        const auto before = filesIn(data.path());
        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{}, {"--dry-run"}, {"--list"}, {"--quiet"}}) {
            const CliRun run = webwatch(arguments);
            EXPECT_EQ(run.status, 1) << run.out << run.err;
            EXPECT_TRUE(has(run.err, data.file("wbprj.dfd") + ", line ") || has(run.err, "wbprj.dfd is empty"))
                << run.err;
            EXPECT_TRUE(has(run.err, why)) << run.err;
            EXPECT_TRUE(has(run.err, "correct that line or put back a copy of the file")) << run.err;
            EXPECT_FALSE(has(run.err + run.out, "Pw4Site")) << run.err;
            EXPECT_FALSE(has(run.out, "Dry run")) << run.out;
            EXPECT_EQ(filesIn(data.path()), before);
        }
    }
}

// A pending run whose nyweb2.dfd was cut short is not finished with it, and
// one whose queue cannot be read ends at once instead of waiting for files
// that never come. Either way wbprj.dfd and the pending files stay as they
// were.
TEST_F(CliWebwatchRefusals, APendingRunWithADamagedProjectOrQueueFileEndsAtOnceWithTheReason)
{
    ASSERT_TRUE(projectLines().saveToFile(data.file("wbprj.dfd")));
    const std::string queue = "1\r\n1" + site.file("a.html")
        + "\r\n127.0.0.1\r\nwebmaster\r\nPw4Site\r\n21\r\n/\r\na.html\r\n1\r\n0\r\n";

    data.write("koefil.dfd", queue);
    data.write("nyweb2.dfd", "2\r\n");
    auto before = filesIn(data.path());
    CliRun run = webwatch({});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(has(run.err, data.file("nyweb2.dfd") + ", line 2: the file ends where project 1 of 2 should begin"))
        << run.err;
    EXPECT_EQ(filesIn(data.path()), before);
    run = webwatch({"--dry-run"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(has(run.err, data.file("nyweb2.dfd") + ", line 2")) << run.err;

    ASSERT_TRUE(projectLines().saveToFile(data.file("nyweb2.dfd")));
    std::string utf16 = "\xff\xfe";
    for (char c : queue)
        utf16 += std::string{c, '\0'};
    const std::pair<std::string, std::string> queues[] = {
        {"", "the file is empty"},
        {queue.substr(0, queue.size() / 2), "it holds fewer lines than the 1 queued files it counts"},
        {randomBytes(3000, 5), "line 1 is not a count of 1 or more queued files"},
        {"x\r\n" + queue.substr(3), "line 1 is not a count"},
        {utf16, "line 1 is not a count"},
    };
    for (const auto& [bytes, why] : queues) {
        SCOPED_TRACE(why);
        data.write("koefil.dfd", bytes);
        before = filesIn(data.path());
        run = webwatch({});
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        EXPECT_TRUE(has(run.err, "cannot read " + data.file("koefil.dfd") + ": " + why)) << run.err;
        EXPECT_EQ(filesIn(data.path()), before);
    }
    // Not a file at all: a FIFO (which would hold a plain read) and a device.
    fs::remove(data.file("koefil.dfd"));
    ASSERT_EQ(::mkfifo(data.file("koefil.dfd").c_str(), 0600), 0);
    run = webwatch({});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(has(run.err, "cannot read " + data.file("koefil.dfd") + ": not a regular file")) << run.err;
    fs::remove(data.file("koefil.dfd"));
    fs::create_symlink("/dev/zero", data.file("koefil.dfd"));
    run = webwatch({});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(has(run.err, "cannot read " + data.file("koefil.dfd") + ": not a regular file")) << run.err;
    EXPECT_EQ(filesIn(data.path()).at("wbprj.dfd"), projectLines().joinedText());
}

// The deletions of a pending run are in its deletion list; one that cannot
// be read or is damaged ends the run and the dry run at once with the
// reason, and stays for the user to repair.
TEST_F(CliWebwatchRefusals, APendingRunsDeletionListThatCannotBeUsedIsKeptAndEndsTheRun)
{
    ASSERT_TRUE(projectLines().saveToFile(data.file("nyweb2.dfd")));
    const std::string entry = "127.0.0.1\r\nwebmaster\r\nPw4Site\r\n21\r\n/\r\nold.html\r\n";
    const std::pair<std::string, std::string> damaged[] = {
        {entry + entry.substr(0, 20), "it holds 8 lines, not whole entries of 6 lines"},
        {"127.0.0.1\r\nwebmaster\r\nPw4Site\r\nftp\r\n/\r\nold.html\r\n", "line 4 is not a port number"},
        {"", "folder"},
        {"", "FIFO"},
    };
    for (const auto& [bytes, why] : damaged) {
        SCOPED_TRACE(why);
        fs::remove_all(data.file("defil.dfd"));
        std::string expected = why;
        if (why == "folder") {
            fs::create_directory(data.file("defil.dfd"));
            expected = "not a regular file (a folder)";
        } else if (why == "FIFO") {
            ASSERT_EQ(::mkfifo(data.file("defil.dfd").c_str(), 0600), 0);
            expected = "not a regular file (a FIFO)";
        } else {
            data.write("defil.dfd", bytes);
        }
        for (const char* mode : {"--dry-run", "--quiet"}) {
            SCOPED_TRACE(mode);
            const CliRun run = webwatch({mode});
            EXPECT_EQ(run.status, 1) << run.out << run.err;
            EXPECT_TRUE(has(run.err, "cannot read " + data.file("defil.dfd") + ": " + expected + ". The deletions"))
                << run.err;
            ASSERT_TRUE(fs::exists(fs::symlink_status(data.file("defil.dfd"))));
            if (!bytes.empty())
                EXPECT_EQ(filesIn(data.path()).at("defil.dfd"), bytes);
        }
        EXPECT_TRUE(fs::exists(data.file("nyweb2.dfd")));
    }
}

// Listing and dry runs only read: they need no lock and work on a data
// directory mounted read-only; a run there says why it cannot lock.
TEST_F(CliWebwatchRefusals, ListingAndDryRunsWorkOnAReadOnlyDataDirectoryAndARunSaysWhyItCannot)
{
    ASSERT_TRUE(projectLines().saveToFile(data.file("wbprj.dfd")));
    // A holder of the lock does not keep them from reading either.
    {
        DataDirectoryLock holder;
        ASSERT_EQ(holder.take(data.path()), DataDirectoryLock::Result::Taken);
        const CliRun list = webwatch({"--list"});
        EXPECT_EQ(list.status, 0) << list.err;
        EXPECT_EQ(list.out, "Site: 2 files, 0 changed, 2 new, 0 missing\n");
    }
    fs::remove(data.file(DataDirectoryLock::kFileName));

    // A read-only bind mount of the data directory in a mount namespace of
    // the command's own.
    const auto runReadOnly = [&](const QStringList& arguments) {
        QProcess process;
        const QString dir = QString::fromStdString(data.path());
        QStringList script{QStringLiteral("mount --bind \"$1\" \"$1\" && mount -o remount,ro,bind \"$1\" && shift "
                                          "&& exec \"$@\"")};
        script << QStringLiteral("sh") << dir << QStringLiteral(TAVLIN_CLI_PATH) << QStringLiteral("webwatch")
               << QStringLiteral("--data-dir") << dir << arguments;
        process.start(QStringLiteral("unshare"), QStringList{QStringLiteral("-m"), QStringLiteral("sh"),
                                                             QStringLiteral("-c")} + script);
        CliRun run;
        if (!process.waitForFinished(120000))
            return run;
        run.status = process.exitCode();
        run.out = process.readAllStandardOutput().toStdString();
        run.err = process.readAllStandardError().toStdString();
        return run;
    };
    const CliRun list = runReadOnly({QStringLiteral("--list")});
    if (has(list.err, "unshare:") || has(list.err, "mount:"))
        GTEST_SKIP() << "no read-only bind mount in a mount namespace here: " << list.err;
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out, "Site: 2 files, 0 changed, 2 new, 0 missing\n");
    const CliRun dry = runReadOnly({QStringLiteral("--dry-run"), QStringLiteral("--quiet")});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out, "Dry run: 2 files to upload (2 bytes), 0 to delete; nothing was changed\n");
    const CliRun run = runReadOnly({});
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_TRUE(has(run.err, "cannot lock " + data.path() + " (Read-only file system)")) << run.err;
    EXPECT_FALSE(fs::exists(data.file(DataDirectoryLock::kFileName)));
}

// The command line says what happened in its own words: no button to press,
// no file name to give.
TEST_F(CliWebwatchRefusals, TheCommandLineUsesNoWordsOfTheWindow)
{
    // Nobody listens on the project's port.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const std::string deadPort = std::to_string(probe.serverPort());
    probe.close();
    ASSERT_TRUE(projectLines(deadPort).saveToFile(data.file("wbprj.dfd")));
    CliRun run = webwatch({});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(has(run.err, "No connection to 127.0.0.1 port " + deadPort)) << run.err;
    EXPECT_TRUE(has(run.err, "the run stopped; what is left stays pending for the next run")) << run.err;
    EXPECT_FALSE(has(run.out + run.err, "press Start")) << run.err;

    TempDir remote;
    LocalFtpServer server(remote.path());
    ASSERT_TRUE(server.start()) << server.lastError();
    for (const char* name : {"koefil.dfd", "nyweb2.dfd", "defil.dfd"})
        fs::remove(data.file(name));
    TextLineList lines = projectLines(server.portText());
    for (std::string& line : lines.lines()) {
        if (line == " webmaster")
            line = " " + server.user();
        else if (line == " Pw4Site")
            line = " " + server.password();
    }
    ASSERT_TRUE(lines.saveToFile(data.file("wbprj.dfd")));
    const CliRun first = webwatch({"--quiet"});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(remote.read("a.html"), "a");
    site.write("a.html", "a, edited");
    fs::last_write_time(site.file("a.html"), fs::file_time_type::clock::now() + std::chrono::hours(1));
    // A run left pending (as a kill leaves it) whose end cannot replace the
    // project file: a folder stands in its place.
    fs::rename(data.file("wbprj.dfd"), data.file("wbprj.keep"));
    fs::create_directory(data.file("wbprj.dfd"));
    ASSERT_TRUE(fs::copy_file(data.file("wbprj.keep"), data.file("nyweb2.dfd")));
    data.write("koefil.dfd", "1\r\n1" + site.file("a.html") + "\r\n127.0.0.1\r\n" + server.user() + "\r\n"
                                 + server.password() + "\r\n" + server.portText() + "\r\n/\r\na.html\r\n9\r\n0\r\n");
    run = webwatch({});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_EQ(remote.read("a.html"), "a, edited");
    EXPECT_TRUE(has(run.err, data.file("wbprj.dfd") + " could not be replaced; the run stays pending")) << run.err;
    EXPECT_FALSE(has(run.out + run.err, "Please give the destination filename")) << run.out;
}

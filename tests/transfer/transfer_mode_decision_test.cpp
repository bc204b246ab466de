#include "transfer/transfer_mode_decision.h"

#include <gtest/gtest.h>

namespace {

// The list the program starts with on its first run.
const std::vector<std::string> defaults{".htm", ".txt", ".bat", ".pas", ".asp",
                                        ".css", ".sql", ".log"};

std::string autoMode(const std::string& name, const std::vector<std::string>& list)
{
    return decideTransferMode(TransferModeChoice::AutoDetect, name, list);
}

}  // namespace

TEST(TransferModeDecision, AutoDetectWithTheDefaultList)
{
    EXPECT_EQ(autoMode("index.HTM", defaults), "0");
    EXPECT_EQ(autoMode("notes.txt", defaults), "0");
    EXPECT_EQ(autoMode("photo.jpg", defaults), "1");
    EXPECT_EQ(autoMode("page.html", defaults), "1");  // exact match only: .html is not .htm
    EXPECT_EQ(autoMode("Makefile", defaults), "1");
    // The extension starts at the last dot.
    EXPECT_EQ(autoMode("archive.txt.gz", defaults), "1");
    EXPECT_EQ(autoMode("backup.tar.log", defaults), "0");
    // A trailing dot is an extension of its own, matching nothing here.
    EXPECT_EQ(autoMode("odd.", defaults), "1");
}

TEST(TransferModeDecision, UpperCasingTouchesOnlyAsciiLetters)
{
    EXPECT_EQ(upperCaseAsciiLetters("a.Zz-9\xe9"), "A.ZZ-9\xe9");
    // A list item written in capitals matches a lower-case name, too.
    EXPECT_EQ(autoMode("site.css", {".CSS"}), "0");
    // Bytes outside a..z must be equal as they are: no locale folding.
    EXPECT_EQ(autoMode("x.\xe9t", {".\xc9T"}), "1");
    EXPECT_EQ(autoMode("x.\xe9t", {".\xe9T"}), "0");
}

TEST(TransferModeDecision, ItemsWithoutADotAndEmptyItemsNeverMatch)
{
    EXPECT_EQ(autoMode("page.htm", {"htm"}), "1");
    EXPECT_EQ(autoMode("README", {"", "README"}), "1");
    EXPECT_EQ(autoMode("README", {}), "1");
    EXPECT_EQ(autoMode("page.htm", {}), "1");
}

TEST(TransferModeDecision, OnlyTheFirst200ItemsAreConsulted)
{
    std::vector<std::string> list(199, ".x");
    list.push_back(".cgi");  // item 200
    list.push_back(".pl");   // item 201
    EXPECT_EQ(autoMode("form.cgi", list), "0");
    EXPECT_EQ(autoMode("form.pl", list), "1");
}

TEST(TransferModeDecision, DuplicatesDoNotChangeTheDecision)
{
    EXPECT_EQ(autoMode("a.htm", {".htm", ".htm"}), "0");
    EXPECT_EQ(autoMode("a.gif", {".htm", ".htm"}), "1");
}

TEST(TransferModeDecision, FixedChoicesIgnoreTheList)
{
    const std::vector<std::string> list{".htm"};
    EXPECT_EQ(decideTransferMode(TransferModeChoice::Ascii, "photo.jpg", list), "0");
    EXPECT_EQ(decideTransferMode(TransferModeChoice::Ascii, "README", list), "0");
    EXPECT_EQ(decideTransferMode(TransferModeChoice::Binary, "index.htm", list), "1");
}

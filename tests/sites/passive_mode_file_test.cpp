#include "sites/passive_mode_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace passive_mode_file;

TEST(PassiveModeFile, OnlyLineThreeEqualToOneMeansPassive)
{
    TempDir dir;
    const std::string path = dir.file("prox.dfd");
    EXPECT_FALSE(readPassive(path));
    dir.write("prox.dfd", "proxy\r\n8080\r\n1\r\n");
    EXPECT_TRUE(readPassive(path));
    dir.write("prox.dfd", "1\r\n1\r\n0\r\n1\r\n");
    EXPECT_FALSE(readPassive(path));
    dir.write("prox.dfd", "1\r\n1\r\n");
    EXPECT_FALSE(readPassive(path));
    dir.write("prox.dfd", "a\nb\n1\n");  // bare LF line ends are accepted
    EXPECT_TRUE(readPassive(path));
}

TEST(PassiveModeFile, StoreRewritesLineThreeOnly)
{
    TempDir dir;
    const std::string path = dir.file("prox.dfd");
    dir.write("prox.dfd", "proxy.example\r\n8080\r\n0\r\nextra \xe9\r\n");
    ASSERT_EQ(storePassive(path, true), StoreResult::Saved);
    EXPECT_EQ(dir.read("prox.dfd"), "proxy.example\r\n8080\r\n1\r\nextra \xe9\r\n");
    ASSERT_EQ(storePassive(path, false), StoreResult::Saved);
    EXPECT_EQ(dir.read("prox.dfd"), "proxy.example\r\n8080\r\n0\r\nextra \xe9\r\n");
}

TEST(PassiveModeFile, ShortFileIsPaddedSoTheFlagIsOnLineThree)
{
    TempDir dir;
    dir.write("prox.dfd", "only\r\n");
    ASSERT_EQ(storePassive(dir.file("prox.dfd"), true), StoreResult::Saved);
    EXPECT_EQ(dir.read("prox.dfd"), "only\r\n\r\n1\r\n");
    EXPECT_TRUE(readPassive(dir.file("prox.dfd")));
}

TEST(PassiveModeFile, MissingFileIsReportedAndNotCreated)
{
    TempDir dir;
    EXPECT_EQ(storePassive(dir.file("prox.dfd"), true), StoreResult::FileMissing);
    EXPECT_FALSE(std::filesystem::exists(dir.file("prox.dfd")));
}

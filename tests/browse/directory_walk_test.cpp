#include "remote/directory_walk.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> split(const std::string& target)
{
    DirectoryWalk walk;
    walk.target = target;
    walk.splitTarget();
    std::vector<std::string> out;
    for (int i = 1; i <= walk.componentCount; ++i)
        out.push_back(walk.component(i));
    return out;
}

using Strings = std::vector<std::string>;

TEST(DirectoryWalk, SplitsFromTheSecondCharacterAtEachSlash)
{
    EXPECT_EQ(split("/home/user/www"), (Strings{"home", "user", "www"}));
    EXPECT_EQ(split("/www"), (Strings{"www"}));
    // Without a leading slash the first character is lost, as the server
    // path is expected to start with one.
    EXPECT_EQ(split("www/site"), (Strings{"ww", "site"}));
}

TEST(DirectoryWalk, KeepsSevenComponentsAtMostAndDropsEmptyOnes)
{
    EXPECT_EQ(split("/a/b/c/d/e/f/g/h/i"), (Strings{"a", "b", "c", "d", "e", "f", "g"}));
    EXPECT_EQ(split("/a//b/"), (Strings{"a", "b"}));
    // The count never drops below one, even for a bare "/".
    DirectoryWalk walk;
    walk.target = "/";
    walk.splitTarget();
    EXPECT_EQ(walk.componentCount, 1);
    EXPECT_EQ(walk.component(1), "");
    EXPECT_EQ(walk.component(8), "");
}

TEST(DirectoryWalk, ASecondSplitForgetsTheFirst)
{
    DirectoryWalk walk;
    walk.target = "/a/b/c/d";
    walk.splitTarget();
    walk.target = "/x";
    walk.splitTarget();
    EXPECT_EQ(walk.componentCount, 1);
    EXPECT_EQ(walk.component(1), "x");
    EXPECT_EQ(walk.component(2), "");
}

} // namespace

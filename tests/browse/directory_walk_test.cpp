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

TEST(DirectoryWalk, SplitsAtEachSlashKeepingEveryComponentAndDroppingEmptyOnes)
{
    EXPECT_EQ(split("/home/user/www"), (Strings{"home", "user", "www"}));
    EXPECT_EQ(split("/www"), (Strings{"www"}));
    // No character is lost when the leading slash is missing.
    EXPECT_EQ(split("www/site"), (Strings{"www", "site"}));
    // A deep path is walked whole, not cut at some level.
    EXPECT_EQ(split("/a/b/c/d/e/f/g/h/i"), (Strings{"a", "b", "c", "d", "e", "f", "g", "h", "i"}));
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

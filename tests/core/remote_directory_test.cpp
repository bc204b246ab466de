#include "core/remote_directory.h"

#include <gtest/gtest.h>

namespace {

TEST(RemoteDirectory, OnlyDirectoriesWithoutSlashOrTreePrefixLieInTheLoginFolder)
{
    EXPECT_TRUE(isRelativeToLoginFolder("public_html"));
    EXPECT_TRUE(isRelativeToLoginFolder("www/site"));
    // A dot-name is a folder's name, not the tree's "." prefix.
    EXPECT_TRUE(isRelativeToLoginFolder(".well-known"));
    EXPECT_FALSE(isRelativeToLoginFolder("/www"));
    EXPECT_FALSE(isRelativeToLoginFolder("./www"));
    EXPECT_FALSE(isRelativeToLoginFolder("."));
    EXPECT_FALSE(isRelativeToLoginFolder(""));
}

TEST(RemoteDirectory, IsMadeAbsoluteFromTheLoginFolderOrTheRoot)
{
    const std::string home = "/home/webuser";
    EXPECT_EQ(absoluteRemoteDirectory("public_html", home), "/home/webuser/public_html");
    EXPECT_EQ(absoluteRemoteDirectory("www/site/", home), "/home/webuser/www/site");
    EXPECT_EQ(absoluteRemoteDirectory("../shared//pub", home), "/home/shared/pub");
    EXPECT_EQ(absoluteRemoteDirectory(".well-known", "/"), "/.well-known");
    // Tree paths and server paths keep their meaning from the root.
    EXPECT_EQ(absoluteRemoteDirectory("./www", home), "/www");
    EXPECT_EQ(absoluteRemoteDirectory(".", home), "/");
    EXPECT_EQ(absoluteRemoteDirectory("/srv/www/", home), "/srv/www");
    EXPECT_EQ(absoluteRemoteDirectory("/../..", home), "/");
    // Nothing given is the login folder itself; a login folder reported
    // without a slash is still taken from the root.
    EXPECT_EQ(absoluteRemoteDirectory("", home), home);
    EXPECT_EQ(absoluteRemoteDirectory("site", "home/u"), "/home/u/site");
}

} // namespace

#include "app/file_icon_list.h"
#include "support/temp_dir.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(FileIconList, IndexesComeFromTheFixedNameTable)
{
    // Stored icon tables rely on these positions; they must never move.
    EXPECT_EQ(FileIconList::indexOfIconName("unknown"), 1);
    EXPECT_EQ(FileIconList::indexOfIconName("text-x-generic"), 2);
    EXPECT_EQ(FileIconList::indexOfIconName("text-html"), 3);
    EXPECT_EQ(FileIconList::indexOfIconName("image-x-generic"), 15);
    EXPECT_EQ(FileIconList::indexOfIconName("no-such-icon"), 0);
    // No name twice: two indexes for one icon would make the table ambiguous.
    const QStringList& names = FileIconList::iconNames();
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size());
}

TEST(FileIconList, TypesGetTheirIconAndDescription)
{
    FileIconList icons;
    const FileIconList::TypeInfo html = icons.typeOfName("*.htm");
    EXPECT_EQ(html.iconIndex, FileIconList::indexOfIconName("text-html"));
    EXPECT_FALSE(html.typeName.isEmpty());
    EXPECT_EQ(icons.typeOfName("index.html").iconIndex, html.iconIndex);

    const int png = icons.typeOfName("photo.png").iconIndex;
    EXPECT_GT(png, 0);
    EXPECT_NE(png, html.iconIndex);
    // A type the table has no own name for falls back to its generic icon.
    EXPECT_EQ(icons.typeOfName("notes.txt").iconIndex, FileIconList::indexOfIconName("text-x-generic"));
    // Unknown extensions still get an icon, the "unknown" one.
    EXPECT_EQ(icons.typeOfName("data.qqqzzz").iconIndex, FileIconList::indexOfIconName("unknown"));

    // The probe of the icon table answers like typeOfName on the pattern.
    const FileTypeProbeResult probed = icons.probe("/var/www/*.htm");
    EXPECT_EQ(probed.iconIndex, html.iconIndex);
    EXPECT_EQ(probed.typeName, html.typeName.toStdString());

    // Two lists (two runs) agree.
    FileIconList again;
    EXPECT_EQ(again.typeOfName("photo.png").iconIndex, png);
}

TEST(FileIconList, ExistingFilesAreJudgedByContentWhenTheNameSaysNothing)
{
    TempDir dir;
    dir.write("page", "<!DOCTYPE html>\n<html><head><title>x</title></head><body></body></html>\n");
    FileIconList icons;
    EXPECT_EQ(icons.typeOfFile(QString::fromStdString(dir.file("page"))).iconIndex,
              FileIconList::indexOfIconName("text-html"));
}

TEST(FileIconList, IconsExistForEveryIndexAndNotForZero)
{
    FileIconList icons;
    EXPECT_TRUE(icons.icon(0).isNull());
    EXPECT_TRUE(icons.icon(static_cast<int>(FileIconList::iconNames().size()) + 1).isNull());
    for (int index = 1; index <= FileIconList::iconNames().size(); ++index)
        EXPECT_FALSE(icons.icon(index).isNull()) << index;
}

}  // namespace

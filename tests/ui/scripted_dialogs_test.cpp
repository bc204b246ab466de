#include "support/scripted_dialogs.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

TEST(ScriptedDialogs, AnswersExpectedPromptsInOrder)
{
    ScriptedDialogs dialogs;
    dialogs.expectYesNoCancel("Error!! ", "text", DialogAnswer::No)
        .expectOkCancel("Delete a.txt", true)
        .expectNameDialog("Create Directory", DialogAnswer::Ok, QStringLiteral("new"))
        .expectNameDialog("Create Directory", DialogAnswer::Cancel)
        .expectSaveFile("a.txt", std::nullopt)
        .expectMessage("a.txt removed");

    EXPECT_EQ(dialogs.askYesNoCancel("Error!! ", "text"), DialogAnswer::No);
    EXPECT_TRUE(dialogs.confirmOkCancel("Delete a.txt"));
    dialogs.nameDialog().panelText = "Create Directory";
    EXPECT_TRUE(dialogs.runNameDialog());
    EXPECT_EQ(dialogs.nameDialog().editText, "new");
    // Without typing, the field keeps its text.
    EXPECT_FALSE(dialogs.runNameDialog());
    EXPECT_EQ(dialogs.nameDialog().editText, "new");
    ASSERT_EQ(dialogs.shown().size(), 4u);
    EXPECT_EQ(dialogs.shown()[3].name.editText, "new");
    EXPECT_EQ(dialogs.askSaveFileName({"/tmp", "a.txt", "txt"}), std::nullopt);
    dialogs.message("a.txt removed");
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST(ScriptedDialogs, UnexpectedOrDifferentPromptsFailTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs dialogs;
            EXPECT_EQ(dialogs.askYesNo("t", "Cancel recording?"), DialogAnswer::No);
        },
        "unexpected Yes/No question");

    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs dialogs;
            dialogs.expectYesNo("t", "Cancel recording?", DialogAnswer::Yes);
            // Same text, other shape: the safe answer is given and the test fails.
            EXPECT_EQ(dialogs.askYesNoCancel("t", "Cancel recording?"), DialogAnswer::Cancel);
            dialogs.askYesNo("t", "Cancel recording?");
        },
        "but got Yes/No/Cancel question");

    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs dialogs;
            dialogs.expectNameDialog("Create Directory", DialogAnswer::Ok, QStringLiteral("x"),
                                     QStringLiteral("Write name"));
            dialogs.nameDialog().caption = "Delete directory";
            dialogs.nameDialog().panelText = "Create Directory";
            EXPECT_FALSE(dialogs.runNameDialog());
            EXPECT_EQ(dialogs.nameDialog().editText, "");
            dialogs.nameDialog().caption = "Write name";
            dialogs.runNameDialog();
        },
        "with caption \"Write name\"");

    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs dialogs;
            dialogs.expectMessage("Subdirectory must be removed first!");
        },
        "was never shown");
}

}  // namespace

#include "support/controls_by_name.h"
#include "support/modal.h"
#include "ui/qt_dialogs.h"
#include "ui/name_dialog.h"
#include "ui/ok_cancel_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// What the name dialog showed on screen when it opened.
struct SeenOnScreen {
    QString caption;
    QString panel;
    QString field;
    bool fieldVisible = false;
};

class QtDialogsTest : public ::testing::Test {
protected:
    QWidget owner;
    QtDialogs dialogs{&owner};

    // Answers the next name dialog: records what it shows, optionally types
    // into the field, then presses OK or Cancel.
    void answerNameDialog(SeenOnScreen& seen, std::optional<QString> typed, bool ok)
    {
        whenModalOpens([&seen, typed, ok](QWidget* modal) {
            auto* dialog = qobject_cast<TMakedir*>(modal);
            ASSERT_NE(dialog, nullptr);
            seen = {dialog->windowTitle(), controlNamed<QLabel>(*dialog, "Panel1")->text(), controlNamed<QLineEdit>(*dialog, "Edit1")->text(),
                    controlNamed<QLineEdit>(*dialog, "Edit1")->isVisible()};
            if (typed) {
                controlNamed<QLineEdit>(*dialog, "Edit1")->clear();
                controlNamed<QLineEdit>(*dialog, "Edit1")->insert(*typed);
            }
            controlNamed<QPushButton>(*dialog, ok ? "OK" : "Cancel")->click();
        });
    }
};

TEST_F(QtDialogsTest, NameDialogShowsItsStateAndKeepsTheTypedText)
{
    EXPECT_EQ(dialogs.nameDialog().caption, "Write name");
    EXPECT_EQ(dialogs.nameDialog().panelText, "Insert new directory name");

    SeenOnScreen seen;
    dialogs.nameDialog().panelText = "Create Directory";
    answerNameDialog(seen, QStringLiteral("images"), true);
    EXPECT_TRUE(dialogs.runNameDialog());
    EXPECT_EQ(seen.caption, "Write name");
    EXPECT_EQ(seen.panel, "Create Directory");
    EXPECT_EQ(seen.field, "");
    EXPECT_TRUE(seen.fieldVisible);
    EXPECT_EQ(dialogs.nameDialog().editText, "images");

    // The next use shows what was typed last time.
    answerNameDialog(seen, std::nullopt, false);
    EXPECT_FALSE(dialogs.runNameDialog());
    EXPECT_EQ(seen.field, "images");
    EXPECT_EQ(dialogs.nameDialog().editText, "images");

    // Text typed before Cancel stays in the field, as in any edit box.
    answerNameDialog(seen, QStringLiteral("draft"), false);
    EXPECT_FALSE(dialogs.runNameDialog());
    EXPECT_EQ(dialogs.nameDialog().editText, "draft");
}

TEST_F(QtDialogsTest, NameDialogCanHideItsFieldAndChangeItsCaption)
{
    SeenOnScreen seen;
    dialogs.nameDialog().caption = "Transfer local dir to";
    dialogs.nameDialog().panelText = "./www";
    dialogs.nameDialog().editVisible = false;
    answerNameDialog(seen, std::nullopt, true);
    EXPECT_TRUE(dialogs.runNameDialog());
    EXPECT_EQ(seen.caption, "Transfer local dir to");
    EXPECT_EQ(seen.panel, "./www");
    EXPECT_FALSE(seen.fieldVisible);

    dialogs.nameDialog().caption = "Write name";
    dialogs.nameDialog().editVisible = true;
    answerNameDialog(seen, std::nullopt, true);
    dialogs.runNameDialog();
    EXPECT_EQ(seen.caption, "Write name");
    EXPECT_TRUE(seen.fieldVisible);
}

TEST_F(QtDialogsTest, OkCancelWindowShowsTheQuestionOnItsPanel)
{
    QString panel;
    whenModalOpens([&panel](QWidget* modal) {
        auto* form = qobject_cast<Tsaveform*>(modal);
        ASSERT_NE(form, nullptr);
        panel = controlNamed<QLabel>(*form, "Panel1")->text();
        controlNamed<QPushButton>(*form, "Cancel")->click();
    });
    EXPECT_FALSE(dialogs.confirmOkCancel("Delete notes.txt"));
    EXPECT_EQ(panel, "Delete notes.txt");

    whenModalOpens([](QWidget* modal) { controlNamed<QPushButton>(*qobject_cast<Tsaveform*>(modal), "OK")->click(); });
    EXPECT_TRUE(dialogs.confirmOkCancel("Save changes?"));
}

TEST_F(QtDialogsTest, MessageBoxesReturnTheButtonPressed)
{
    struct Case {
        QMessageBox::StandardButton press;
        DialogAnswer expected;
    };
    for (const Case& c : {Case{QMessageBox::Yes, DialogAnswer::Yes}, Case{QMessageBox::No, DialogAnswer::No},
                          Case{QMessageBox::Cancel, DialogAnswer::Cancel}}) {
        QString caption, text;
        whenModalOpens([&, c](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            text = box->text();
            box->button(c.press)->click();
        });
        EXPECT_EQ(dialogs.askYesNoCancel("Error!! ", ":Do You want to remove the file"), c.expected);
        EXPECT_EQ(caption, "Error!! ");
        EXPECT_EQ(text, ":Do You want to remove the file");
    }

    whenModalOpens([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        EXPECT_EQ(box->button(QMessageBox::Cancel), nullptr);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(dialogs.askYesNo("Your disconnected!!", "Record a new project without connecting?"),
              DialogAnswer::No);

    QString caption;
    whenModalOpens([&caption](QWidget* modal) {
        caption = modal->windowTitle();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
    });
    dialogs.message("Trying again! ");
    EXPECT_EQ(caption, "Tavlinftp");
}

TEST_F(QtDialogsTest, ChoiceWithACheckBoxGivesTheButtonAndTheBoxAsLeft)
{
    const QStringList choices{"Overwrite", "Overwrite if newer", "Skip", "Rename…", "Cancel"};
    for (const bool tick : {true, false}) {
        whenModalOpens([tick](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            ASSERT_NE(box->checkBox(), nullptr);
            EXPECT_EQ(box->checkBox()->text(), "Apply to all");
            EXPECT_FALSE(box->checkBox()->isChecked());
            if (tick)
                QTest::mouseClick(box->checkBox(), Qt::LeftButton);
            // TAVLIN_SCREENSHOT=name.png keeps a picture of the question.
            const QString shot = qEnvironmentVariable("TAVLIN_SCREENSHOT");
            if (tick && !shot.isEmpty())
                EXPECT_TRUE(box->grab().save(shot));
            for (QAbstractButton* button : box->buttons())
                if (button->text() == "Skip")
                    QTest::mouseClick(button, Qt::LeftButton);
        });
        bool ticked = !tick;
        EXPECT_EQ(dialogs.askChoiceWithCheckBox("File exists on the server", "page.html is already on the server in ./web.\nOn the server: Dec  8 05:53\n"
                                                "Here: Dec 8 2026 06:53 (UTC)",
                                                choices, "Apply to all", ticked),
                  2);
        EXPECT_EQ(ticked, tick);
    }

    // Escape takes the way out, the last button.
    whenModalOpens([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    bool ticked = true;
    EXPECT_EQ(dialogs.askChoiceWithCheckBox("File exists on the server", "page.html", choices, "Apply to all", ticked),
              4);
    EXPECT_FALSE(ticked);
}

}  // namespace

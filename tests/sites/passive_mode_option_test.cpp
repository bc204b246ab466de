#include "sites/browsing_connection_state.h"
#include "sites/passive_mode_option.h"

#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

// The "Passive mode" item as the menu has it: checkable, its clicks arrive
// through triggered() after Qt has flipped the mark.
class PassiveModeItem : public ::testing::Test {
protected:
    void SetUp() override
    {
        item.setCheckable(true);
        log.setPlainText("> PASV\n< 227 Entering Passive Mode");
        QObject::connect(&item, &QAction::triggered, &option, &PassiveModeOption::Passivemode1Click);
    }
    std::string lineThree() const { return TextLineList::splitLines(dir.read("prox.dfd")).at(2); }

    TempDir dir;
    ScriptedDialogs dialogs;
    BrowsingConnectionFlag session;
    QAction item{nullptr};
    QPlainTextEdit log;
    PassiveModeOption option{&item, &log, dialogs, session, dir.file("prox.dfd")};
};

}  // namespace

TEST_F(PassiveModeItem, StartReadsLineThree)
{
    dir.write("prox.dfd", "proxy\r\n1080\r\n1\r\n");
    option.loadAtStart();
    EXPECT_TRUE(item.isChecked());
    dir.write("prox.dfd", "proxy\r\n1\r\n0\r\n");
    option.loadAtStart();
    EXPECT_FALSE(item.isChecked());
}

TEST_F(PassiveModeItem, TogglingTwiceRestoresLineThreeAndTheMark)
{
    const std::string original = "proxy.example\r\n1080\r\n0\r\nlast\r\n";
    dir.write("prox.dfd", original);
    option.loadAtStart();

    item.trigger();
    EXPECT_TRUE(item.isChecked());
    EXPECT_TRUE(option.passive());
    EXPECT_EQ(dir.read("prox.dfd"), "proxy.example\r\n1080\r\n1\r\nlast\r\n");
    EXPECT_TRUE(log.toPlainText().isEmpty());

    item.trigger();
    EXPECT_FALSE(item.isChecked());
    EXPECT_EQ(dir.read("prox.dfd"), original);
}

TEST_F(PassiveModeItem, NothingChangesWhileConnected)
{
    dir.write("prox.dfd", "\r\n\r\n1\r\n");
    option.loadAtStart();
    session.setBrowsingConnected(true);
    item.trigger();
    EXPECT_TRUE(item.isChecked());
    EXPECT_EQ(lineThree(), "1");
    EXPECT_FALSE(log.toPlainText().isEmpty());

    session.setBrowsingConnected(false);
    item.trigger();
    EXPECT_FALSE(item.isChecked());
    EXPECT_EQ(lineThree(), "0");
}

TEST_F(PassiveModeItem, MissingFileIsReportedNotCreatedAndTheMarkHoldsForTheRun)
{
    option.loadAtStart();
    ASSERT_FALSE(item.isChecked());
    dialogs.expectMessage(QStringLiteral("Cannot open file \"%1\". Passive mode is on for this session only.")
                              .arg(QString::fromStdString(dir.file("prox.dfd"))));
    item.trigger();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(item.isChecked());
    EXPECT_FALSE(std::filesystem::exists(dir.file("prox.dfd")));
}

// Hints in the status bar and visual help, on the real main window offscreen,
// driven by pointer moves as a user makes them.
#include "app/control_hint.h"
#include "app/visual_help_table.h"
#include "support/controls_by_name.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_main_window.h"
#include "support/wait.h"
#include "ui/main_window.h"
#include "ui/name_dialog.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class VisualHelp : public MainWindowTest {
protected:
    MainWindowByName c;
    QWidget* help = nullptr;

    void SetUp() override
    {
        MainWindowTest::SetUp();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        c = MainWindowByName(*window);
        help = window->findChild<QWidget*>(QStringLiteral("VisualHelpWindow"));
        ASSERT_NE(help, nullptr);
    }

    // The pointer moves onto the middle of a control of the main window.
    void pointAt(QWidget* control)
    {
        QTest::mouseMove(window.get(), control->mapTo(window.get(), control->rect().center()));
        QApplication::processEvents();
    }

    QString status() const { return c.StatusBar1->currentMessage(); }
    QString shown(const char* name) const
    {
        return help->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    QString helpText() const { return help->findChild<QPlainTextEdit*>(QStringLiteral("helpText"))->toPlainText(); }
    QLabel* picture() const { return help->findChild<QLabel*>(QStringLiteral("helpPicture")); }
    QLabel* marker() const { return help->findChild<QLabel*>(QStringLiteral("helpMarker")); }
    QString paragraph(int index) const { return QString::fromStdString(window->helpParagraphs()[index]); }
};

// More than one colour: a picture of controls, not an empty square.
bool showsSomething(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    return colours.size() > 1;
}

TEST_F(VisualHelp, DisabledButtonsShowTheirHintOnlyWhileVisualHelpIsOn)
{
    ASSERT_FALSE(c.BitBtn5->isEnabled());
    pointAt(c.BitBtn1);
    EXPECT_EQ(status(), "FTP address manager");

    // Visual help off: a disabled button shows nothing and stays disabled.
    pointAt(c.BitBtn5);
    EXPECT_EQ(status(), "");
    EXPECT_FALSE(c.BitBtn5->isEnabled());
    EXPECT_FALSE(help->isVisible());

    window->showMaximized();
    c.VisualHelp1->trigger();
    ASSERT_TRUE(help->isVisible());
    EXPECT_FALSE(window->isMaximized());
    EXPECT_EQ(help->size(), QSize(152, 479));
    EXPECT_FALSE(paragraph(12).isEmpty());
    EXPECT_EQ(helpText(), paragraph(12));

    // Visual help on: the delete button's hint comes through while the
    // button is enabled for that hint event, and it is disabled at its end.
    std::vector<std::pair<QString, bool>> hintEvents;
    QObject::connect(c.StatusBar1, &QStatusBar::messageChanged, c.StatusBar1,
                     [&](const QString& text) { hintEvents.emplace_back(text, c.BitBtn5->isEnabled()); });
    pointAt(c.Memo1);
    pointAt(c.BitBtn5);
    EXPECT_EQ(status(), "Delete file or directory on server.");
    EXPECT_FALSE(c.BitBtn5->isEnabled());
    ASSERT_FALSE(hintEvents.empty());
    EXPECT_EQ(hintEvents.back(), std::make_pair(QStringLiteral("Delete file or directory on server."), true));
    EXPECT_EQ(shown("helpTitle"), "Delete Button");
    EXPECT_EQ(shown("helpFirstLine"), "Delete files and");
    EXPECT_EQ(shown("helpSecondLine"), "directories");
    EXPECT_EQ(helpText(), paragraph(20));
    EXPECT_FALSE(help->findChild<QLabel*>(QStringLiteral("helpMoreInfo"))->isVisible());

    const QPixmap taken = picture()->pixmap();
    EXPECT_EQ(taken.deviceIndependentSize().toSize(), QSize(105, 105));
    EXPECT_TRUE(showsSomething(taken));
    EXPECT_EQ(marker()->geometry().y(), 158);
    EXPECT_EQ(marker()->size(), QSize(3, 105));
    EXPECT_EQ(marker()->pixmap().toImage().pixelColor(1, 50), QColor(Qt::red));

    // Moving within the button repeats nothing; the other panel's buttons
    // take part too.
    const std::size_t events = hintEvents.size();
    QTest::mouseMove(window.get(), c.BitBtn5->mapTo(window.get(), c.BitBtn5->rect().center() + QPoint(2, 1)));
    EXPECT_EQ(hintEvents.size(), events);
    ASSERT_FALSE(c.BitBtn2->isEnabled());
    pointAt(c.BitBtn2);
    EXPECT_EQ(shown("helpTitle"), "Upload button");
    EXPECT_EQ(helpText(), paragraph(27));
    EXPECT_FALSE(c.BitBtn2->isEnabled());

    // "Close help" switches visual help off again.
    QTest::mouseClick(help->findChild<QPushButton*>(QStringLiteral("helpCloseButton")), Qt::LeftButton);
    EXPECT_FALSE(help->isVisible());
    pointAt(c.Memo1);
    pointAt(c.BitBtn5);
    EXPECT_EQ(status(), "");
    EXPECT_FALSE(c.BitBtn5->isEnabled());
}

TEST_F(VisualHelp, HintsWithANameMatchByTheirFirstLettersAndUnknownHintsChangeNothing)
{
    c.VisualHelp1->trigger();
    // The hints the session gives the buttons for a selection.
    setHint(c.BitBtn8, QStringLiteral("Rename Directory y"));
    setHint(c.BitBtn5, QStringLiteral("Delete file x"));
    pointAt(c.BitBtn8);
    EXPECT_EQ(status(), "Rename Directory y");
    EXPECT_EQ(shown("helpTitle"), "Rename Button");
    EXPECT_EQ(helpText(), paragraph(16));
    pointAt(c.BitBtn5);
    EXPECT_EQ(status(), "Delete file x");
    EXPECT_EQ(shown("helpTitle"), "Delete Button");
    EXPECT_EQ(helpText(), paragraph(20));

    const qint64 pictureBefore = picture()->pixmap().cacheKey();
    setHint(c.Edit1, QStringLiteral("A hint of no row"));
    pointAt(c.Edit1);
    EXPECT_EQ(status(), "A hint of no row");
    EXPECT_EQ(shown("helpTitle"), "Delete Button");
    EXPECT_EQ(shown("helpFirstLine"), "Delete files and");
    EXPECT_EQ(helpText(), paragraph(20));
    EXPECT_EQ(picture()->pixmap().cacheKey(), pictureBefore);

    // Exact keys come first, so these keep their own rows; a bare prefix
    // is no match; the queue's changing hints find theirs.
    const std::pair<const char*, const char*> rows[] = {
        {"Delete site", "Delete site"},
        {"Delete files that are missing", "Delete missing"},
        {"Transfer mode", "Ascii"},
        {"Transfer /home/me/site to /www", "Transfer dir"},
        {"Send /home/me/site/index.htm", "Start transfer"},
        {"Send rest of index.htm", "Start transfer"},
        {"Get rest of index.htm", "Resume download"},
        {"Regret transfer of index.htm", "Regret transfer"},
        {"Stop recording to Web project: site", "Stop recording"},
        {"Connect", "Connect Button"},
        {"Disconnect", "Connect Button"},
    };
    for (const auto& [hint, title] : rows) {
        const VisualHelpRow* row = findVisualHelpRow(QString::fromUtf8(hint));
        ASSERT_NE(row, nullptr) << hint;
        EXPECT_EQ(row->title, QString::fromUtf8(title)) << hint;
    }
    EXPECT_EQ(findVisualHelpRow(QStringLiteral("Delete")), nullptr);
    EXPECT_EQ(findVisualHelpRow(QStringLiteral("Connect to")), nullptr);
}

TEST_F(VisualHelp, MenuItemsArePicturedByTheirMenu)
{
    c.VisualHelp1->trigger();
    QMenuBar* bar = window->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(c.Options->menuAction()).center());
    ASSERT_TRUE(waitUntil([&] { return c.Options->isVisible(); }));
    QTest::mouseMove(c.Options, c.Options->actionGeometry(c.Binary).center());
    ASSERT_TRUE(waitUntil([&] { return status() == "Set transfer mode to binary"; }));
    EXPECT_EQ(shown("helpTitle"), "Options dialog");
    EXPECT_EQ(shown("helpFirstLine"), "Set transfer mode, PASV");
    EXPECT_EQ(shown("helpSecondLine"), "mode and get messages");
    EXPECT_EQ(helpText(), paragraph(0));
    EXPECT_EQ(marker()->geometry().y(), 136);
    EXPECT_TRUE(showsSomething(picture()->pixmap()));
    c.Options->close();
}

// Every hint the program's windows carry has its row, and every row its
// paragraph: a hint or a paragraph line lost in an edit shows up here.
TEST_F(VisualHelp, EveryHintOfTheProgramsWindowsIsExplained)
{
    TMakedir nameDialog;
    QStringList hints;
    for (const QObject* root : {static_cast<QObject*>(window.get()), static_cast<QObject*>(&nameDialog)}) {
        for (const QWidget* control : root->findChildren<QWidget*>())
            hints << hintOf(control);
        for (const QAction* item : root->findChildren<QAction*>())
            hints << hintOf(item);
    }
    hints.removeAll(QString());
    hints.removeDuplicates();
    // The main window, its menus and the address manager, ASCII types,
    // WebWatch, proxy and name dialogs.
    for (const char* expected : {"Host name", "Get help", "Click to select a server", "Projects",
                                 "Filetypes sent in ASCII mode", "Proxy host name", "Type the name"})
        EXPECT_TRUE(hints.contains(QString::fromUtf8(expected))) << expected;

    for (const QString& hint : hints) {
        const VisualHelpRow* row = findVisualHelpRow(hint);
        ASSERT_NE(row, nullptr) << hint.toStdString();
        EXPECT_FALSE(paragraph(row->paragraph).isEmpty()) << hint.toStdString();
    }
    for (const VisualHelpRow& row : visualHelpRows())
        EXPECT_LT(static_cast<std::size_t>(row.paragraph), window->helpParagraphs().size()) << row.key.toStdString();
}

}  // namespace

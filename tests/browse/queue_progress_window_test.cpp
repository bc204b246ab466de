// The queue's progress as a user reads it in the real main window
// (offscreen), against the real FTP server over a slow link: many small
// files after a big one, the time left, the sliding button, and Abort.
#include "browse_window_harness.h"

#include "transfer/queue_progress.h"
#include "transfer/transfer_queue.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QTimer>

#include <string>
#include <vector>

namespace {

class QueueProgressWindowTest : public BrowseWindowTest {
protected:
    void SetUp() override
    {
        // Every round trip costs a little, as on a real link: a small file
        // costs its commands rather than its bytes.
        serverOptions.commandDelayMs = 100;
        BrowseWindowTest::SetUp();
        site.write("web/.keep", "");
        local.write("a-big.bin", std::string(12 * 1024 * 1024, 'b'));
        for (int i = 0; i < kSmallFiles; ++i)
            local.write(smallName(i), std::string(300, 'p'));
    }

    static std::string smallName(int i)
    {
        return "page" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".html";
    }

    // Sends the whole local folder into the server's "web".
    void uploadFolder()
    {
        ASSERT_NO_FATAL_FAILURE(openServerFolderBesideLocal("web", local.path()));
        dialogs.expectNameDialog(QString::fromStdString("web: " + std::to_string(kSmallFiles + 1) + " files from " +
                                                        local.path()),
                                 DialogAnswer::Ok, std::nullopt, QStringLiteral("Transfer local dir to"));
        click(c->BitBtn11);
    }

    bool waitUntilQueueEnds(int timeoutMs = 60000)
    {
        return waitUntil([&] { return !window->transferQueue().busy() && c->ListBox4->count() == 0; }, timeoutMs);
    }

    // The seconds a progress text says are left; -1 when it says none.
    static int secondsLeftIn(const QString& text)
    {
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("(\\d+):(\\d\\d) left$")).match(text);
        return match.hasMatch() ? match.captured(1).toInt() * 60 + match.captured(2).toInt() : -1;
    }

    static constexpr int kSmallFiles = 40;
    TempDir local;
};

// What the label says each time a file leaves the queue, against the time
// the run then really still took; and whether the sliding button was in
// sight all along.
TEST_F(QueueProgressWindowTest, TheTimeLeftCountsTheFilesToComeAndTheBarStaysWhileTheQueueRuns)
{
    struct Reading {
        qint64 atMs;
        int filesLeft;
        QString text;
    };
    std::vector<Reading> readings;
    QElapsedTimer clock;
    QObject::connect(c->ListBox4->model(), &QAbstractItemModel::rowsAboutToBeRemoved, window.get(),
                     [&](const QModelIndex&, int, int) {
                         if (!window->transferQueue().busy() && c->ListBox4->count() <= 1)
                             return;
                         readings.push_back({clock.elapsed(), c->ListBox4->count(), c->QueueProgress->text()});
                         // TAVLIN_SCREENSHOT=file.png keeps a picture of the queue in mid-run.
                         if (const QByteArray shot = qgetenv("TAVLIN_SCREENSHOT");
                             !shot.isEmpty() && readings.size() == 12)
                             window->grab().save(QString::fromLocal8Bit(shot));
                     });
    // The button is looked at all through the run, between files too.
    int looks = 0;
    int hidden = 0;
    bool seen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, window.get(), [&] {
        if (!window->transferQueue().busy() || c->ListBox4->count() == 0)
            return;
        seen = seen || c->BitBtn9->isVisible();
        if (seen) {
            ++looks;
            hidden += !c->BitBtn9->isVisible();
        }
    });
    watch.start(5);

    ASSERT_NO_FATAL_FAILURE(uploadFolder());
    clock.start();
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    const qint64 endMs = clock.elapsed();
    watch.stop();
    EXPECT_EQ(site.read("web/" + smallName(kSmallFiles - 1)), std::string(300, 'p'));

    EXPECT_GT(looks, 50);
    EXPECT_EQ(hidden, 0) << "of " << looks;

    // Once a second of transfers has been measured (the log-in takes most
    // of the first second), every reading with some seconds still to come
    // tells a time left that is neither nothing nor a guess off by more
    // than a factor of two and a half (the machine may be busy with other
    // work).
    int judged = 0;
    for (const Reading& reading : readings) {
        if (reading.atMs < 2000 || endMs - reading.atMs < 1500)
            continue;
        ++judged;
        const int told = secondsLeftIn(reading.text);
        const double really = static_cast<double>(endMs - reading.atMs) / 1000.0;
        ASSERT_GE(told, 0) << reading.text.toStdString() << " at " << reading.atMs << " ms";
        EXPECT_GE(told, really / 2.5) << reading.text.toStdString() << ", really " << really << " s";
        EXPECT_LE(told, really * 2.5 + 1) << reading.text.toStdString() << ", really " << really << " s";
    }
    EXPECT_GT(judged, 5) << "the run took " << endMs << " ms";
    EXPECT_FALSE(c->QueueProgress->isVisible());
    EXPECT_FALSE(c->BitBtn9->isVisible());
}

// Abort: the label says the queue stopped and moves no more, the WebWatch
// menu items are there again, and Start sends the rest.
TEST_F(QueueProgressWindowTest, AfterAbortTheLabelSaysItStoppedAndTheWebwatchMenusAreBack)
{
    bool aborted = false;
    QObject::connect(c->ListBox4->model(), &QAbstractItemModel::rowsAboutToBeRemoved, window.get(),
                     [&](const QModelIndex&, int, int) {
                         if (!aborted && c->ListBox4->count() <= kSmallFiles - 3) {
                             aborted = true;
                             QTimer::singleShot(0, window.get(), [&] { click(c->BitBtn7); });
                         }
                     });
    ASSERT_NO_FATAL_FAILURE(uploadFolder());
    ASSERT_TRUE(waitUntil([&] { return window->transferQueue().busy(); }));
    EXPECT_FALSE(c->OpenWebwatch1->isEnabled());
    EXPECT_FALSE(c->record->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return aborted && !window->transferQueue().busy() && c->BitBtn9->text() == "Start"; },
                          60000))
        << logText();
    const QString stopped = c->QueueProgress->text();
    EXPECT_TRUE(c->QueueProgress->isVisible());
    EXPECT_TRUE(stopped.endsWith(QStringLiteral(", stopped"))) << stopped.toStdString();
    EXPECT_EQ(secondsLeftIn(stopped), -1);
    pumpEventsFor(700);
    EXPECT_EQ(c->QueueProgress->text(), stopped);
    EXPECT_TRUE(c->OpenWebwatch1->isEnabled());
    EXPECT_TRUE(c->record->isEnabled());

    click(c->BitBtn9);
    ASSERT_TRUE(waitUntil([&] { return !c->QueueProgress->text().endsWith(QStringLiteral("stopped")); }, 30000));
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    for (int i = 0; i < kSmallFiles; ++i)
        EXPECT_EQ(site.read("web/" + smallName(i)), std::string(300, 'p')) << smallName(i);
    EXPECT_TRUE(c->OpenWebwatch1->isEnabled());
}

}  // namespace

// Small files of one size going up, a few blocks of the next one counted
// at each step, and the steps that happened to catch more of those blocks a
// little longer: bytes then seem to explain the time, though what a small
// file costs is its round trips. The big file still waiting must not be
// priced from that at hours.
TEST(QueueProgressEstimate, SmallFilesAloneNeverPriceABigFileToComeAtHours)
{
    using namespace std::chrono_literals;
    QueueProgress progress;
    QueueProgress::Clock::time_point now{};
    constexpr std::int64_t kSmall = 300;
    constexpr std::int64_t kBig = 12 * 1024 * 1024;
    std::size_t waiting = 41;
    std::int64_t waitingBytes = 40 * kSmall + kBig;
    progress.began(now);
    for (int step = 0; step < 4; ++step) {
        const std::int64_t partial = step % 2 == 0 ? 0 : kSmall;
        progress.progressed(partial, waiting, waitingBytes, 1, now);
        for (int file = 0; file < 8; ++file) {
            now += 100ms;
            progress.fileEnded(kSmall, now);
            --waiting;
            waitingBytes -= kSmall;
        }
        now += step % 2 == 0 ? 450ms : 250ms;
    }
    progress.progressed(0, waiting, waitingBytes, 1, now);
    const double left = progress.secondsLeft();
    // Eight files came to about a second: the nine files left cost about
    // as much, and the big file's bytes at most what the small ones moved.
    EXPECT_GT(left, 0.5);
    EXPECT_LT(left, 60.0) << progress.text();
}

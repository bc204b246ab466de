#include "transfer/queue_window_handler.h"

#include <QAction>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cmath>

// A label redrawn for every block would cost more than the transfer.
constexpr int kProgressRedrawMs = 250;

namespace {

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// A control's hint shows in the status bar and as its tooltip.
void setHint(QWidget* control, const std::string& hint)
{
    control->setStatusTip(qs(hint));
    control->setToolTip(qs(hint));
}

// Lines that follow the queue's own carry this mark: the queue's changes
// never touch them, and they are told apart from the queue's lines even
// after someone else emptied the list.
constexpr int kFollowingLineRole = Qt::UserRole + 1;

bool isFollowing(const QListWidgetItem* item)
{
    return item->data(kFollowingLineRole).toBool();
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

QueueWindowHandler::QueueWindowHandler(TransferQueue& queue, QueueView view, QueueSources sources, QObject* parent)
    : QObject(parent), queue_(queue), view_(std::move(view)), sources_(std::move(sources))
{
    queue_.setObserver(this);
    queue_.setPassiveMode([this] { return sources_.passiveMode && sources_.passiveMode(); });
    connect(&queue_, &TransferQueue::fileTransferred, this, &QueueWindowHandler::fileLeftQueue);
    connect(&queue_, &TransferQueue::fileFailed, this, &QueueWindowHandler::fileLeftQueue);
    if (view_.progressLabel)
        view_.progressLabel->hide();
}

QueueWindowHandler::~QueueWindowHandler()
{
    queue_.setObserver(nullptr);
}

void QueueWindowHandler::uploadSelected()
{
    if (!sources_.browsingConnected())
        return;
    std::vector<LocalUpload> files;
    const std::string localDirectory = sources_.localDirectory();
    for (TransferQueue::LocalFile& file : sources_.selectedLocalFiles())
        files.push_back({localDirectory, std::move(file)});
    uploadFiles(sources_.remoteDirectory(), files);
}

void QueueWindowHandler::uploadFiles(const std::string& remoteDirectory, const std::vector<LocalUpload>& files)
{
    if (!sources_.browsingConnected() || files.empty())
        return;
    if (sources_.uploadActionBegins)
        sources_.uploadActionBegins(files.size());
    // Each file is queued as if it had been the only one; a full queue or a
    // cancelled question ends the rest, a file the overwrite question left
    // out does not.
    bool queuedAny = false;
    for (const LocalUpload& upload : files) {
        const TransferQueue::Queued queued =
            queue_.queueUpload(sources_.connectionFields(), remoteDirectory, upload.localDirectory, upload.file.name,
                               upload.file.size, sources_.decideMode(upload.file.name));
        if (queued == TransferQueue::Queued::Kept)
            continue;
        if (queued != TransferQueue::Queued::Yes)
            break;
        queuedAny = true;
    }
    if (queuedAny)
        sources_.clearSelections();
}

void QueueWindowHandler::downloadSelected()
{
    if (!sources_.browsingConnected())
        return;
    const std::vector<TransferQueue::LocalFile> files = sources_.selectedRemoteFiles();
    TransferQueue::OverwriteAnswers answers;
    TransferQueue::OverwriteAnswers* several = files.size() > 1 ? &answers : nullptr;
    bool queuedAny = false;
    for (const TransferQueue::LocalFile& file : files) {
        const TransferQueue::Queued queued =
            queue_.queueDownload(sources_.connectionFields(), sources_.remoteDirectory(), sources_.localDirectory(),
                                 file.name, file.size, sources_.decideMode(file.name), several);
        if (queued == TransferQueue::Queued::Cancelled) {
            // The files before the cancelled one stay queued.
            view_.downloadButton->setEnabled(false);
            break;
        }
        queuedAny = queuedAny || queued == TransferQueue::Queued::Yes;
    }
    if (queuedAny)
        sources_.clearSelections();
}

void QueueWindowHandler::uploadListedFolder()
{
    if (!sources_.browsingConnected())
        return;
    const std::size_t leftOut = sources_.tellLeftOut ? sources_.tellLeftOut() : 0;
    std::vector<TransferQueue::LocalFile> files = sources_.listedLocalFiles();
    // Nothing to ask about when every listed file had to stay.
    if (files.empty() && leftOut > 0)
        return;
    if (sources_.uploadActionBegins)
        sources_.uploadActionBegins(files.size());
    queue_.queueDirectory(sources_.connectionFields(), sources_.remoteDirectory(), sources_.localDirectory(),
                          files, sources_.decideMode, sources_.remoteTreeSelection());
}

void QueueWindowHandler::startOrResume()
{
    queue_.startButtonClicked();
}

void QueueWindowHandler::removeAll()
{
    queue_.removeAllClicked();
}

void QueueWindowHandler::takeUpInterruptedDownload(const TextLineList& resumeRecordLines)
{
    queue_.prepareResumeOfInterruptedDownload(resumeRecordLines);
}

void QueueWindowHandler::takeUpPendingQueue(const TextLineList& queueLines)
{
    queue_.showPendingQueue(queueLines);
}

void QueueWindowHandler::logLine(const std::string& line)
{
    // The queue's own notes go with the first connection's lines.
    connectionLogLine(1, line);
}

void QueueWindowHandler::connectionLogLine(int connection, const std::string& line)
{
    if (view_.log)
        view_.log->appendPlainText(view_.logTag.arg(connection) + qs(line));
}

void QueueWindowHandler::failureReported(const std::string& text)
{
    if (view_.showMessage)
        view_.showMessage(qs(text));
}

int QueueWindowHandler::ownLineCount() const
{
    // The recording's lines follow the queue's, so they are counted from
    // the end: a queue of thousands is not walked for every file it sends.
    int count = view_.queueList->count();
    while (count > 0 && isFollowing(view_.queueList->item(count - 1)))
        --count;
    return count;
}

void QueueWindowHandler::queueLineAppended(const std::string& line)
{
    view_.queueList->insertItem(ownLineCount(), qs(line));
}

void QueueWindowHandler::queueLineRemoved(std::size_t row)
{
    if (static_cast<int>(row) < ownLineCount())
        delete view_.queueList->takeItem(static_cast<int>(row));
}

void QueueWindowHandler::queueListReplaced(const std::vector<std::string>& lines)
{
    for (int i = ownLineCount() - 1; i >= 0; --i)
        delete view_.queueList->takeItem(i);
    int row = 0;
    for (const std::string& line : lines)
        view_.queueList->insertItem(row++, qs(line));
}

void QueueWindowHandler::showFollowingLines(const std::vector<QString>& lines)
{
    QListWidget* list = view_.queueList;
    while (list->count() > 0 && isFollowing(list->item(list->count() - 1)))
        delete list->takeItem(list->count() - 1);
    for (const QString& line : lines) {
        auto* item = new QListWidgetItem(line);
        item->setData(kFollowingLineRole, true);
        list->addItem(item);
    }
    followingLines_ = static_cast<int>(lines.size());
    showCount(queue_.display());
}

void QueueWindowHandler::showCount(const QueueDisplay& display)
{
    if (followingLines_ == 0) {
        view_.countLabel->setText(qs(display.countText));
        view_.countLabel->setVisible(display.countVisible);
        return;
    }
    const std::size_t inLine = queue_.entries().count() + static_cast<std::size_t>(followingLines_);
    view_.countLabel->setText(qs(std::to_string(inLine) + TransferQueue::kFilesInLine));
    view_.countLabel->setVisible(true);
}

void QueueWindowHandler::displayChanged(const QueueDisplay& display)
{
    showCount(display);
    if (view_.setTitle)
        view_.setTitle(qs(display.title));
    view_.progressButton->setText(qs(display.startCaption));
    setHint(view_.progressButton, display.startHint);
    view_.progressButton->setVisible(display.startVisible);
    view_.removeAllButton->setVisible(display.removeAllVisible);
    setHint(view_.removeAllButton, display.removeAllHint);
    if (view_.newProjectItem)
        view_.newProjectItem->setEnabled(display.webwatchMenusEnabled);
    if (view_.openWebwatchItem)
        view_.openWebwatchItem->setEnabled(display.webwatchMenusEnabled);
    drawBar(display);
    markRunningLines();
    followStateOfQueue();
    emit displayUpdated();
}

void QueueWindowHandler::followStateOfQueue()
{
    if (queue_.entries().count() == 0) {
        // A queue emptied has nothing left to tell.
        if (!queue_.busy() && progress_.running()) {
            progress_.reset();
            showProgress();
        }
        return;
    }
    // Between two files of one connection the queue is not busy for a
    // moment; it has stopped only when it waits for Start (or Abort was
    // pressed): the figures stay where it stopped, and say so.
    const bool stopped = queue_.abortRequested() ||
                         (!queue_.busy() && (queue_.queuePending() ||
                                             queue_.resumeState() != TransferQueue::ResumeState::None));
    if (stopped) {
        if (progress_.running() && !progress_.isStopped()) {
            progress_.stopped();
            showProgress();
        }
    } else if (queue_.busy()) {
        progress_.began();
    }
}

void QueueWindowHandler::transferProgressed(std::int64_t bytes)
{
    // A transfer on its way out after Abort moves nothing that counts.
    if (queue_.abortRequested())
        return;
    // The entries keep the sum of their sizes as they come and go, so a
    // long queue is not walked for every block.
    const QueueEntries& entries = queue_.entries();
    const bool firstOfFile = !progress_.running() || progress_.isStopped() || bytes == 0;
    progress_.progressed(bytes, entries.count(), entries.totalBytes(), queue_.filesTaken());
    markRunningLines();
    if (firstOfFile || !sinceShown_.isValid() || sinceShown_.elapsed() >= kProgressRedrawMs)
        showProgress();
}

void QueueWindowHandler::fileLeftQueue(const QueueEntry& entry)
{
    progress_.fileEnded(std::max<std::int64_t>(0, entry.sizeInBytes()));
    showProgress();
}

void QueueWindowHandler::showProgress()
{
    sinceShown_.start();
    if (!view_.progressLabel)
        return;
    const QString text = qs(progress_.text());
    view_.progressLabel->setText(text);
    view_.progressLabel->setVisible(!text.isEmpty());
}

void QueueWindowHandler::markRunningLines()
{
    // Each file in transfer is marked with a bold face, so the line's text
    // stays the queue's own. Running files stand near the top: the lines
    // are looked at only as far down as the last of them and one beyond
    // (where the mark of a file just done has moved).
    const std::vector<TransferQueue::RunningFile> running = queue_.runningFiles();
    const int own = ownLineCount();
    int end = std::min(own, static_cast<int>(TransferQueue::kMostConnections) + 1);
    if (!running.empty())
        end = std::min(own, std::max(end, static_cast<int>(running.back().row) + 2));
    std::size_t next = 0;
    for (int row = 0; row < end; ++row) {
        const bool isRunning = next < running.size() && running[next].row == static_cast<std::size_t>(row);
        if (isRunning)
            ++next;
        QListWidgetItem* line = view_.queueList->item(row);
        QFont font = line->font();
        if (font.bold() == isRunning)
            continue;
        font.setBold(isRunning);
        line->setFont(font);
        line->setData(Qt::AccessibleDescriptionRole, isRunning ? QStringLiteral("Running") : QVariant());
    }
}

void QueueWindowHandler::redraw()
{
    drawBar(queue_.display());
}

void QueueWindowHandler::drawBar(const QueueDisplay& display)
{
    const int width = view_.bar->width();
    const int height = view_.bar->height();
    if (width <= 0 || height <= 0)
        return;
    QPixmap canvas(width, height);
    QPainter painter(&canvas);
    // The button-face line as wide as the bar is high clears it.
    painter.fillRect(canvas.rect(), view_.bar->palette().color(QPalette::Button));

    QPushButton* button = view_.progressButton;
    const int buttonWidth = button->width();
    const int y = (height - button->height()) / 2;
    if (display.startAtBarStart) {
        button->move(0, y);
    } else if (display.barDrawn) {
        const double position = display.percentage * (width / 100.0);
        button->move(static_cast<int>(std::lround(position - buttonWidth)), y);
        if (display.startVisible) {
            // The groove left of the button: a white line above the middle
            // and a black one below it.
            const int end = static_cast<int>(std::floor(position)) + 1 - buttonWidth;
            const int middle = height / 2;
            if (end > 0) {
                painter.setPen(QPen(Qt::white, 1));
                painter.drawLine(0, middle - 2, end, middle - 2);
                painter.setPen(QPen(Qt::black, 1));
                painter.drawLine(0, middle + 2, end, middle + 2);
            }
        }
    }
    painter.end();
    view_.barImage->setPixmap(canvas);
}

void QueueWindowHandler::queueEnded(const QueueEndReport& report)
{
    progress_.reset();
    showProgress();
    if (report.localListChanged && sources_.rereadLocalList)
        sources_.rereadLocalList();
    if (report.remoteListChanged && sources_.rereadRemoteView)
        sources_.rereadRemoteView(report.transferDirectory);
}

void QueueWindowHandler::interruptedDownloadShown(const ResumeRecord& record)
{
    if (sources_.showSite)
        sources_.showSite(QueueSite{record.host, record.user, record.password, record.port},
                          folderOf(record.localPath));
}

bool QueueWindowHandler::browsingConnected() const
{
    return sources_.browsingConnected();
}

void QueueWindowHandler::connectBrowsing(const QueueSite& site, const std::string& localDirectory,
                                         const std::string& remoteDirectory)
{
    if (sources_.connectBrowsing)
        sources_.connectBrowsing(site, localDirectory, remoteDirectory);
}

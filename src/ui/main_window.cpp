#include "ui/main_window.h"

#include "app/data_directory_claim.h"
#include "app/local_panel.h"
#include "app/message_panel.h"
#include "app/browse_session.h"
#include "app/hint_display.h"
#include "app/folder_tree_transfer.h"
#include "app/remote_file_operations.h"
#include "app/remote_tree_deletion.h"
#include "app/remote_tree_scan.h"
#include "app/recording_handler.h"
#include "ui/session_site_links.h"
#include "core/data_directory_lock.h"
#include "core/data_file_io.h"
#include "core/data_paths.h"
#include "core/first_start_files.h"
#include "ui/control_factory.h"
#include "ui/drawn_images.h"
#include "ui/project_file_notice.h"
#include "ui/qt_dialogs.h"
#include "ui/window_layout_memory.h"
#include "services/program_settings.h"
#include "transfer/upload_overwrite_question.h"
#include "sites/site_connection_target.h"
#include "webwatch/upload_run.h"
#include "webwatch/webwatch_run_driver.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

Thovedform::Thovedform(const ThovedformSetup& setup, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("hovedform"));
    setWindowTitle(QString::fromLatin1(kMainWindowCaption));
    setWindowIcon(QIcon(makeProgramIcon(64)));

    treeImages_ = makeImageList1();

    if (setup.dialogs) {
        dialogs_ = setup.dialogs;
    } else {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
    const std::string dataDirectory = setup.dataDirectory.empty() ? defaultDataDirectory() : setup.dataDirectory;
    startup_.paths = DataFilePaths::inDirectory(dataDirectory);
    settings_ = std::make_unique<ProgramSettings>(dataDirectory);
    ownDataFiles_ = std::make_unique<OwnDataFiles>(dataDirectory);

    buildMenus();

    auto* central = named(new QWidget(this), "Central");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(2, 0, 2, 0);
    column->setSpacing(2);
    column->addWidget(buildConnectionBar());

    auto* sides = named(new QSplitter(Qt::Horizontal, central), "SidesSplitter");
    sides->addWidget(buildLocalSide());
    sides->addWidget(buildRemoteSide());
    sides->setStretchFactor(0, 1);
    sides->setStretchFactor(1, 1);

    auto* bottom = named(new QSplitter(Qt::Horizontal, central), "BottomSplitter");
    bottom->addWidget(buildQueueArea());
    bottom->addWidget(buildLog());
    bottom->setStretchFactor(0, 2);
    bottom->setStretchFactor(1, 3);

    auto* rows = named(new QSplitter(Qt::Vertical, central), "RowsSplitter");
    rows->addWidget(sides);
    rows->addWidget(bottom);
    rows->setStretchFactor(0, 3);
    rows->setStretchFactor(1, 1);
    column->addWidget(rows, 1);
    setCentralWidget(central);

    c_.StatusBar1 = named(statusBar(), "StatusBar1");
    c_.MessagePanel1 = new MessagePanel(c_.StatusBar1);
    // Its width is set with the window's: half the bar, the hints the rest.
    c_.StatusBar1->addPermanentWidget(c_.MessagePanel1);
    // A data file the program left alone or could not write is said in the
    // log, including those met before the log was there.
    setDataFileNoticeSink([this](const std::string& message) {
        const QString line = QString::fromStdString(message);
        c_.Memo1->appendPlainText(QStringLiteral("! ") + line);
        c_.MessagePanel1->showMessage(line);
    });

    wireSession();
    wireLocalPanel();
    wireTransfers();
    wireSites();
    wireWebwatch();
    wireRecording();
    wireHelp();
    wireNavigation();
    wireContextMenus();
    wireFolders();
    wireOverwriteQuestion();
    wireDrops();
    wireQueueEditing();

    resize(980, 720);
    // How the user left the window last time, over the layout's defaults.
    layoutMemory_ =
        std::make_unique<WindowLayoutMemory>(*settings_, *this, QList<QTreeWidget*>{c_.ListView1, c_.ListView2});
    layoutMemory_->restore();

    StartupView startupView;
    startupView.log = c_.Memo1;
    startupView.recordingLabel = c_.Label2;
    startupView.discardQueueButton = c_.Button1;
    // Start-up reads what an interrupted session left only under the
    // one-writer lock; while a run from the command line has it, that is
    // read once the run has finished.
    claim_ = std::make_unique<DataDirectoryClaim>(dataDirectory, *dialogs_);
    const bool mayReadRestoreFiles = claim_->takeAtStart();
    StartupServices services;
    services.dataDirectory = dataDirectory;
    services.readRestoreFiles = mayReadRestoreFiles;
    services.iconTableRoot = setup.iconTableRoot.empty() ? std::string("/") : setup.iconTableRoot;
    services.probe = [this](const std::string& probePath) { return fileIcons_.probe(probePath); };
    services.installHintHandler = [this] { installHintHandler(); };
    services.fillLocalFileList = [this] { fillLocalFileList(); };
    startup_ = runStartupSequence(startupView, services);
    createSiteAndModeWindows();
    createWebwatch();
    claim_->watch([this] { return workInHand(); }, [this] { readDataFilesAgain(); });
    transferQueue_->setMayQueue([this] { return claim_->claim(); });
    if (!setup.startNotice.empty())
        c_.Memo1->appendPlainText(QString::fromStdString(setup.startNotice));
    if (!mayReadRestoreFiles) {
        const std::string holder = DataDirectoryLock::holderOf(dataDirectory);
        c_.Memo1->appendPlainText(QString::fromStdString(
            "! " + dataDirectory + " is in use by " + (holder.empty() ? std::string("another program") : holder)
            + ": what it leaves there is taken up when it has finished"));
    }
}

Thovedform::~Thovedform()
{
    setDataFileNoticeSink(nullptr);
    layoutMemory_->save();
    // Hint events come from the whole application; none may reach the hint
    // display once its window is being taken down.
    delete hintEvents_;
    // The views emit selection changes while they are torn down; the
    // handlers go first, so nothing may reach them any more.
    c_.TreeView1->disconnect(this);
    c_.ListView1->disconnect(this);
}

void Thovedform::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shownBefore_)
        return;
    shownBefore_ = true;
    runShowSequence(startup_, showTargets_);
    reportDamagedProjectFile(uploadRun_->currentProjectFile(), *dialogs_);
}

void Thovedform::closeEvent(QCloseEvent* event)
{
    // Quitting in the middle of a transfer costs nothing that cannot be
    // taken up again (the queue file and the resume record stay), but the
    // person should know it stops.
    if (transferRunning() &&
        dialogs_->askYesNo(QString::fromLatin1(kMainWindowCaption),
                           QStringLiteral("A transfer is running. Quit anyway? The queue will be offered again at "
                                          "the next start.")) != DialogAnswer::Yes) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void Thovedform::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The remote tree takes a quarter of the window's height.
    c_.Panel9->setFixedHeight(height() / 4);
    c_.MessagePanel1->setPreferredWidth(width() / 2);
}

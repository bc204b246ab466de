#include "ui/program_start.h"

#include "app/data_directory_choice.h"
#include "app/data_directory_claim.h"
#include "app/install_modes.h"
#include "app/start_mode.h"
#include "core/data_directory_lock.h"
#include "core/data_paths.h"
#include "core/stale_temporary_files.h"
#include "ui/drawn_images.h"
#include "ui/qt_dialogs.h"
#include "ui/splash_window.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QProcess>

#include <cstdio>

namespace {

std::string programIconPng()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    makeProgramIcon(64).save(&buffer, "PNG");
    return bytes.toStdString();
}

int runClient(QApplication& app, const StartDecision& decision)
{
    const DataDirectoryChoice choice =
        chooseDataDirectory(decision.dataDirectory, QCoreApplication::applicationFilePath().toStdString(),
                            currentDirectory(), defaultDataDirectory());
    const std::string& dataDirectory = choice.directory;
    std::string why;
    if (!makeDataDirectory(dataDirectory, why)) {
        QtDialogs dialogs(nullptr);
        dialogs.message(QStringLiteral("Tavlin FTP cannot make its data folder %1: %2")
                            .arg(QString::fromStdString(dataDirectory), QString::fromStdString(why)));
        return 1;
    }
    // One window per data directory: a second would keep its own copy of
    // the sites and settings and write it over the first one's. (Runs from
    // the command line share the directory with the window through the
    // one-writer lock, which the window holds only while it has work.)
    DataDirectoryLock windowLock(DataDirectoryLock::kWindowFileName);
    if (windowLock.take(dataDirectory) == DataDirectoryLock::Result::HeldElsewhere) {
        QtDialogs dialogs(nullptr);
        dialogs.message(QStringLiteral("Tavlin FTP is already open on %1.").arg(QString::fromStdString(dataDirectory)));
        return 1;
    }
    SplashWindow splash;
    splash.centreOnScreen();
    splash.show();
    QApplication::processEvents();

    // Creating the main window runs the start-up sequence in the data
    // directory. The other windows (address manager, ASCII types, WebWatch,
    // help) are made by the main window together with the handlers that use
    // them.
    ThovedformSetup setup;
    setup.dataDirectory = dataDirectory;
    setup.startNotice = choice.notice;
    Thovedform window(setup);
    // Under the lock no one else writes here: what a killed write left
    // behind can go.
    if (window.dataDirectoryClaim().held())
        removeStaleTemporaryFiles(dataDirectory);
    splash.close();
    window.show();
    return app.exec();
}

int runInstall()
{
    QtDialogs dialogs(nullptr);
    const InstallLayout layout = InstallLayout::fromEnvironment();
    const InstallOutcome outcome =
        runInstaller(dialogs, layout, QCoreApplication::applicationFilePath().toStdString(), programIconPng(),
                     QDir::tempPath().toStdString());
    if (!outcome.ok)
        return 1;
    // The installed program clears away what setup staged.
    if (!outcome.leftover.empty())
        QProcess::startDetached(QString::fromStdString(layout.programFile()),
                                {QString::fromStdString(outcome.leftover)},
                                QString::fromStdString(layout.dataDirectory()));
    return 0;
}

int runUninstall()
{
    QtDialogs dialogs(nullptr);
    runUninstaller(dialogs, InstallLayout::fromEnvironment());
    return 0;
}

}  // namespace

int runProgram(QApplication& app)
{
    std::vector<std::string> arguments;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i)
        arguments.push_back(all.at(i).toStdString());
    const StartDecision decision =
        decideStartMode(QCoreApplication::applicationFilePath().toStdString(), arguments);

    switch (decision.mode) {
    case StartMode::WrongUsage:
        std::fprintf(stderr, "tavlinftp: %s\n", decision.usageError.c_str());
        return 2;
    case StartMode::Uninstall:
        return runUninstall();
    case StartMode::RemoveLeftover:
        return removeInstallerLeftover(decision.leftoverPath) ? 0 : 1;
    case StartMode::Install:
        return runInstall();
    case StartMode::Client:
        break;
    }
    return runClient(app, decision);
}

#include "ui/program_start.h"

#include "app/install_modes.h"
#include "app/start_mode.h"
#include "core/data_directory_lock.h"
#include "core/stale_temporary_files.h"
#include "ui/drawn_images.h"
#include "ui/qt_dialogs.h"
#include "ui/splash_window.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QProcess>

namespace {

std::string programIconPng()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    makeProgramIcon(64).save(&buffer, "PNG");
    return bytes.toStdString();
}

int runClient(QApplication& app)
{
    // The current directory is the data directory. A second copy of the
    // program, or a command-line WebWatch run, on the same files would undo
    // the other's queue and project changes; it is told and nothing starts.
    DataDirectoryLock lock;
    if (lock.take(QDir::currentPath().toStdString()) == DataDirectoryLock::Result::HeldElsewhere) {
        QtDialogs dialogs(nullptr);
        dialogs.message(QStringLiteral("Tavlin FTP is already at work in %1 (the program or a WebWatch run from "
                                       "the command line). Try again when it has finished.")
                            .arg(QDir::currentPath()));
        return 1;
    }
    // Under the lock no one else writes here: what a killed write left
    // behind can go.
    if (lock.held())
        removeStaleTemporaryFiles(QDir::currentPath().toStdString());
    SplashWindow splash;
    splash.centreOnScreen();
    splash.show();
    QApplication::processEvents();

    // Creating the main window runs the start-up sequence in the current
    // directory, which becomes the data directory. The other windows
    // (address manager, ASCII types, WebWatch, help) are made by the main
    // window together with the handlers that use them.
    Thovedform window;
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
    case StartMode::Uninstall:
        return runUninstall();
    case StartMode::RemoveLeftover:
        return removeInstallerLeftover(decision.leftoverPath) ? 0 : 1;
    case StartMode::Install:
        return runInstall();
    case StartMode::Client:
        break;
    }
    return runClient(app);
}

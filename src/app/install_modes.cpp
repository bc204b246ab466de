#include "app/install_modes.h"

#include "services/dialogs.h"

namespace {

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

InstallOutcome runInstaller(Dialogs& dialogs, const InstallLayout& layout, const std::string& runningProgram,
                            const std::string& iconPng, const std::string& temporaryDirectory)
{
    InstallOutcome outcome = installProgram(layout, runningProgram, iconPng, temporaryDirectory);
    if (!outcome.ok) {
        dialogs.message(QStringLiteral("Tavlin FTP could not be installed.\n\n") + q(outcome.error),
                        QString::fromLatin1(kSetupCaption));
        return outcome;
    }
    dialogs.message(QStringLiteral("Tavlin FTP is installed.\n\n"
                                   "Program: %1\nData directory: %2\nMenu entry: %3\nIcon: %4\n\n"
                                   "Start it from your desktop's menu.")
                        .arg(q(layout.programFile()), q(layout.dataDirectory()), q(layout.desktopEntry()),
                             q(layout.iconFile())),
                    QString::fromLatin1(kSetupCaption));
    return outcome;
}

void runUninstaller(Dialogs& dialogs, const InstallLayout& layout)
{
    std::vector<std::string> removed = removeMenuEntry(layout);
    const QString question =
        QStringLiteral("Remove the data files in %1 as well?\n\n"
                       "Your site list, web projects and settings are kept there.")
            .arg(q(layout.dataDirectory()));
    if (dialogs.askYesNo(QString::fromLatin1(kUninstallCaption), question) == DialogAnswer::Yes) {
        const std::vector<std::string> data = removeDataFiles(layout);
        removed.insert(removed.end(), data.begin(), data.end());
    }
    if (removed.empty()) {
        dialogs.message(QStringLiteral("Nothing was removed."), QString::fromLatin1(kUninstallCaption));
        return;
    }
    QString report = QStringLiteral("Removed:\n");
    for (const std::string& path : removed)
        report += q(path) + QLatin1Char('\n');
    dialogs.message(report.trimmed(), QString::fromLatin1(kUninstallCaption));
}

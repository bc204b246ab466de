#include "app/local_file_operations.h"

#include "app/desktop_trash.h"
#include "services/dialogs.h"

#include <QFile>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

QString shown(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

fs::path pathIn(const std::string& folder, const std::string& name) { return fs::path(folder) / name; }

QString failureText(const QString& what, const std::string& name, const std::error_code& error)
{
    return what.arg(shown(name), QString::fromLocal8Bit(error.message()));
}

}  // namespace

std::optional<std::string> LocalFileOperations::askName(const std::string& folder, const QString& caption,
                                                        const QString& panelText, const QString& suggested)
{
    // The name dialog is shared with the remote side, whose texts and typed
    // name must be there for its next use as it left them.
    NameDialogState& dialog = dialogs_.nameDialog();
    const NameDialogState remoteSide = dialog;
    dialog.caption = caption;
    dialog.panelText = panelText;
    dialog.editText = suggested;
    dialog.editVisible = true;
    const bool ok = dialogs_.runNameDialog();
    const QString typed = dialog.editText.trimmed();
    dialog = remoteSide;
    if (!ok)
        return std::nullopt;

    if (typed.isEmpty()) {
        dialogs_.message(QStringLiteral("Please write a name"));
        return std::nullopt;
    }
    if (typed.contains(QLatin1Char('/')) || typed == QLatin1String(".") || typed == QLatin1String("..")) {
        dialogs_.message(QStringLiteral("\"%1\" cannot be the name of a file or folder").arg(typed));
        return std::nullopt;
    }
    const std::string name = QFile::encodeName(typed).toStdString();
    std::error_code error;
    if (fs::exists(fs::symlink_status(pathIn(folder, name), error))) {
        dialogs_.message(QStringLiteral("\"%1\" already exists").arg(typed));
        return std::nullopt;
    }
    return name;
}

LocalFileOperations::Outcome LocalFileOperations::rename(const std::string& folder, const std::string& name)
{
    const std::optional<std::string> newName = askName(
        folder, QStringLiteral("Rename"), QStringLiteral("New name for ") + shown(name), shown(name));
    if (!newName || *newName == name)
        return {};
    std::error_code error;
    fs::rename(pathIn(folder, name), pathIn(folder, *newName), error);
    if (error)
        return {false, failureText(QStringLiteral("Could not rename %1: %2"), name, error)};
    return {true, {}};
}

LocalFileOperations::Outcome LocalFileOperations::makeFolder(const std::string& folder)
{
    const std::optional<std::string> name =
        askName(folder, QStringLiteral("New folder"), QStringLiteral("Insert new directory name"), {});
    if (!name)
        return {};
    std::error_code error;
    fs::create_directory(pathIn(folder, *name), error);
    if (error)
        return {false, failureText(QStringLiteral("Could not make the folder %1: %2"), *name, error)};
    return {true, {}};
}

LocalFileOperations::Outcome LocalFileOperations::remove(const std::string& folder,
                                                         const std::vector<std::string>& names)
{
    if (names.empty())
        return {};
    QString question;
    if (names.size() > 1) {
        question = QStringLiteral("Delete %1 items?").arg(names.size());
    } else {
        std::error_code error;
        const bool isFolder = fs::is_directory(fs::symlink_status(pathIn(folder, names.front()), error));
        question = isFolder ? QStringLiteral("Delete the folder \"%1\" with everything in it?").arg(shown(names.front()))
                            : QStringLiteral("Delete \"%1\"?").arg(shown(names.front()));
    }
    if (dialogs_.askYesNo(QStringLiteral("Delete"), question) != DialogAnswer::Yes)
        return {};

    // In list order; the first refusal stops the rest, so what is left is
    // what the list still shows.
    Outcome outcome;
    for (const std::string& name : names) {
        // A link goes as the link itself: the trash takes the entry, never
        // what it points at.
        if (const QString why = moveToDesktopTrash(pathIn(folder, name).string()); !why.isEmpty()) {
            outcome.failure = QStringLiteral("Could not delete %1: %2").arg(shown(name), why);
            break;
        }
        outcome.changed = true;
    }
    return outcome;
}

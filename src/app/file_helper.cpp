#include "app/file_helper.h"

#include "services/dialogs.h"
#include "core/data_paths.h"
#include "core/file_copy.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

bool executeFile(const std::string& fileName, const std::string& /*parameters*/,
                 const std::string& defaultDirectory, int /*showMode*/)
{
    if (fileName.empty())
        return false;
    const std::string path = fileName.front() == '/' || defaultDirectory.empty()
        ? fileName
        : joinPath(defaultDirectory, fileName);
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(bytes)));
}

bool copyFile(const std::string& source, const std::string& destination, Dialogs& dialogs)
{
    if (copyFileOver(source, destination))
        return true;
    dialogs.message(QStringLiteral("Please give the destination filename"));
    return false;
}

#include "app/desktop_trash.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string homeTrashFolder()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    // Only an absolute XDG_DATA_HOME counts, as the XDG rules ask.
    const std::string base = dataHome && *dataHome == '/'
        ? std::string(dataHome)
        : QFile::encodeName(QDir::homePath()).toStdString() + "/.local/share";
    return base + "/Trash";
}

// Every folder of `path` that is missing, private to the user.
bool makeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

std::string baseName(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

QString moveToDesktopTrash(const std::string& path)
{
    struct stat item {};
    // The entry itself: a link that leads nowhere is still there to move.
    if (::lstat(path.c_str(), &item) != 0)
        return systemText(errno);
    const std::string trash = homeTrashFolder();
    if (!makeFolders(trash + "/files") || !makeFolders(trash + "/info"))
        return QStringLiteral("the trash folder %1 cannot be made: %2")
            .arg(QFile::decodeName(QByteArray::fromStdString(trash)), systemText(errno));
    struct stat files {};
    if (::stat((trash + "/files").c_str(), &files) != 0 || files.st_dev != item.st_dev) {
        // Another file system: its own trash, as the system's library
        // finds it.
        QFile entry(QFile::decodeName(QByteArray::fromStdString(path)));
        return entry.moveToTrash() ? QString() : entry.errorString();
    }

    std::string absolute = path;
    if (absolute.empty() || absolute.front() != '/')
        absolute = QFile::encodeName(QDir::currentPath()).toStdString() + "/" + path;
    const QByteArray info = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(QByteArray::fromStdString(absolute), "/")
        + "\nDeletionDate=" + QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + "\n";
    // The name in the trash is taken by making its info file, which no
    // other program can then take too.
    const std::string base = baseName(path);
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? base : base + "." + std::to_string(n);
        const std::string infoPath = trash + "/info/" + name + ".trashinfo";
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return systemText(errno);
        }
        const bool written = ::write(fd, info.constData(), static_cast<std::size_t>(info.size())) == info.size();
        ::close(fd);
        const std::string target = trash + "/files/" + name;
        struct stat taken {};
        if (!written || ::lstat(target.c_str(), &taken) == 0) {
            // Unwritten, or the name is held by an item without its info.
            ::unlink(infoPath.c_str());
            if (!written)
                return systemText(EIO);
            continue;
        }
        if (::rename(path.c_str(), target.c_str()) == 0)
            return {};
        const int error = errno;
        ::unlink(infoPath.c_str());
        return systemText(error);
    }
    return systemText(EEXIST);
}

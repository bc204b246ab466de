#include "app/local_folder_tree.h"

#include "core/data_paths.h"
#include "core/directory_search.h"
#include "core/file_attributes.h"

#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>
#include <unistd.h>

namespace {

constexpr int kPathRole = Qt::UserRole;

QByteArray bytesOf(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string stringOf(const QByteArray& bytes)
{
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// "/a/b/c" -> "/", "/a", "/a/b", "/a/b/c", starting at `root`.
std::vector<std::string> pathFromRoot(const std::string& root, const std::string& directory)
{
    std::vector<std::string> steps{root};
    std::string current = root;
    std::size_t at = root.size();
    while (at < directory.size()) {
        while (at < directory.size() && directory[at] == '/')
            ++at;
        if (at >= directory.size())
            break;
        const std::size_t end = std::min(directory.find('/', at), directory.size());
        current = joinPath(current, directory.substr(at, end - at));
        steps.push_back(current);
        at = end;
    }
    return steps;
}

bool isUnder(const std::string& root, const std::string& directory)
{
    if (root == "/")
        return !directory.empty() && directory.front() == '/';
    return directory == root
        || (directory.size() > root.size() && directory.compare(0, root.size(), root) == 0
            && directory[root.size()] == '/');
}

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

LocalFolderTree::LocalFolderTree(QComboBox* driveList, QListWidget* folderList, const QIcon& openFolder,
                                 const QIcon& folder)
    : driveList_(driveList), folderList_(folderList), openFolder_(openFolder), folder_(folder)
{
}

std::vector<std::string> LocalFolderTree::mountedRoots()
{
    std::vector<std::string> roots{"/"};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        std::string root = withoutTrailingSlash(stringOf(QFile::encodeName(volume.rootPath())));
        if (root.empty() || root.front() != '/')
            continue;
        if (std::find(roots.begin(), roots.end(), root) == roots.end())
            roots.push_back(std::move(root));
    }
    return roots;
}

void LocalFolderTree::start(const std::string& directory)
{
    fillDriveList();
    if (!changeTo(directory))
        changeTo("/");
}

void LocalFolderTree::fillDriveList()
{
    roots_ = mountedRoots();
    const QSignalBlocker quiet(driveList_);
    driveList_->clear();
    for (const auto& root : roots_)
        driveList_->addItem(QFile::decodeName(bytesOf(root)), bytesOf(root));
}

std::string LocalFolderTree::driveRootOf(const std::string& directory) const
{
    std::string best = "/";
    for (const auto& root : roots_)
        if (root.size() > best.size() && isUnder(root, directory))
            best = root;
    return best;
}

bool LocalFolderTree::changeTo(const std::string& requested)
{
    if (requested.empty() || requested.front() != '/')
        return false;
    const std::string directory = withoutTrailingSlash(requested);
    if (::chdir(directory.c_str()) != 0)
        return false;
    directory_ = directory;
    // Stay on the chosen drive while the folder lies on it, so walking from
    // "/" into a folder that is another mount does not move the tree's root.
    if (!isUnder(driveRoot_, directory_))
        driveRoot_ = driveRootOf(directory_);
    showDrive();
    fillFolderList();
    return true;
}

bool LocalFolderTree::changeToItem(const QListWidgetItem* item)
{
    if (!item)
        return false;
    return changeTo(pathOf(item));
}

std::string LocalFolderTree::pathOf(const QListWidgetItem* item)
{
    return item ? stringOf(item->data(kPathRole).toByteArray()) : std::string();
}

bool LocalFolderTree::changeToChosenDrive()
{
    const std::string root = stringOf(driveList_->currentData().toByteArray());
    if (root.empty())
        return false;
    const std::string previousRoot = driveRoot_;
    driveRoot_ = root;
    if (changeTo(root))
        return true;
    driveRoot_ = previousRoot;
    showDrive();
    return false;
}

void LocalFolderTree::showDrive()
{
    const QSignalBlocker quiet(driveList_);
    const int index = driveList_->findData(bytesOf(driveRoot_));
    if (index >= 0)
        driveList_->setCurrentIndex(index);
}

void LocalFolderTree::fillFolderList()
{
    const QSignalBlocker quiet(folderList_);
    folderList_->clear();
    const std::vector<std::string> steps = pathFromRoot(driveRoot_, directory_);
    int depth = 0;
    for (const auto& step : steps) {
        const std::size_t slash = step.rfind('/');
        const std::string name = depth == 0 ? step : step.substr(slash + 1);
        auto* item = new QListWidgetItem(openFolder_, QString(depth * 2, QLatin1Char(' ')) + QFile::decodeName(bytesOf(name)));
        item->setData(kPathRole, bytesOf(step));
        folderList_->addItem(item);
        ++depth;
    }
    folderList_->setCurrentRow(folderList_->count() - 1);

    struct Child {
        QString shown;
        std::string name;
    };
    std::vector<Child> children;
    DirectorySearch search(joinPath(directory_, "*"), true);
    DirectoryEntry entry;
    while (search.next(entry))
        if (entry.attributes == kAttrDirectory)
            children.push_back({QFile::decodeName(bytesOf(entry.name)), entry.name});
    std::sort(children.begin(), children.end(), [](const Child& a, const Child& b) {
        return QString::compare(a.shown, b.shown, Qt::CaseInsensitive) < 0;
    });
    const QString indent(depth * 2, QLatin1Char(' '));
    for (const auto& child : children) {
        auto* item = new QListWidgetItem(folder_, indent + child.shown);
        item->setData(kPathRole, bytesOf(joinPath(directory_, child.name)));
        folderList_->addItem(item);
    }
}

#pragma once

#include <QIcon>
#include <QList>
#include <QString>

#include <string>

class QTreeWidget;
class QTreeWidgetItem;

// Helpers for the remote side's two views: the directory tree and
// the file list, both QTreeWidgets.
//
// Every node and list item keeps the name exactly as the server listed it
// (bytes, in kRawNameRole) beside its caption, so the commands sent for it
// name the same file even when the bytes are not valid UTF-8.
namespace remote_tree {

inline constexpr int kRawNameRole = Qt::UserRole + 1;
// Index of the item's image in the image list it was drawn from.
inline constexpr int kImageIndexRole = Qt::UserRole + 2;
inline constexpr int kSelectedImageIndexRole = Qt::UserRole + 3;

// Images of the remote tree's image list, by index.
enum TreeImage { kRootImage = 0, kSelectedDirectoryImage = 1, kDirectoryImage = 2, kLinkImage = 3 };

std::string rawName(const QTreeWidgetItem* item);

// "." for the root (a node without parent), else the parent's path, "/" and
// the node's name: a node b under a under the root has the path ./a/b.
std::string nodePath(const QTreeWidgetItem* node);
// The server path of a node path, for one CWD from anywhere: "./www" is
// "/www" and "." the root.
std::string serverPathOf(const std::string& nodePath);

// The child with that name; compared without regard to case when asked to.
QTreeWidgetItem* findChild(const QTreeWidgetItem* parent, const std::string& name, bool ignoreCase);

// Adds a directory node named `name` under `parent` with the given images;
// a selected node shows `selectedImage`.
QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const std::string& name, const QList<QIcon>* images,
                         int image, int selectedImage);

// Adds the root node (the host) as the tree's only top-level item.
QTreeWidgetItem* addRoot(QTreeWidget* tree, const std::string& hostName, const QList<QIcon>* images);

// Deletes every child of the node.
void removeChildren(QTreeWidgetItem* node);

// The item selected in a list (QTreeWidget used as a report list), or null.
QTreeWidgetItem* selectedItem(const QTreeWidget* list);

QString fromBytes(const std::string& bytes);
std::string toBytes(const QString& text);

} // namespace remote_tree

#include "app/remote_tree.h"

#include <QTreeWidget>

namespace remote_tree {

namespace {

bool equalIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    }
    // Names that differ only in letter case beyond ASCII are compared as text.
    return true;
}

bool sameName(const std::string& a, const std::string& b, bool ignoreCase)
{
    if (!ignoreCase)
        return a == b;
    if (equalIgnoringCase(a, b))
        return true;
    return QString::compare(fromBytes(a), fromBytes(b), Qt::CaseInsensitive) == 0;
}

QIcon imageAt(const QList<QIcon>* images, int index)
{
    if (!images || index < 0 || index >= images->size())
        return {};
    return images->at(index);
}

// One icon that shows `image` normally and `selectedImage` while selected.
QIcon nodeIcon(const QList<QIcon>* images, int image, int selectedImage)
{
    const QIcon normal = imageAt(images, image);
    const QIcon selected = imageAt(images, selectedImage);
    if (normal.isNull() || selected.isNull())
        return normal;
    QIcon icon;
    for (const QSize& size : normal.availableSizes())
        icon.addPixmap(normal.pixmap(size), QIcon::Normal);
    for (const QSize& size : selected.availableSizes())
        icon.addPixmap(selected.pixmap(size), QIcon::Selected);
    return icon;
}

} // namespace

QString fromBytes(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toBytes(const QString& text)
{
    return text.toUtf8().toStdString();
}

std::string rawName(const QTreeWidgetItem* item)
{
    if (!item)
        return {};
    const QVariant raw = item->data(0, kRawNameRole);
    if (raw.isValid())
        return raw.toByteArray().toStdString();
    return toBytes(item->text(0));
}

std::string nodePath(const QTreeWidgetItem* node)
{
    if (!node || !node->parent())
        return ".";
    return nodePath(node->parent()) + "/" + rawName(node);
}

std::string serverPathOf(const std::string& nodePath)
{
    if (nodePath == ".")
        return "/";
    return nodePath.rfind("./", 0) == 0 ? nodePath.substr(1) : nodePath;
}

QTreeWidgetItem* findChild(const QTreeWidgetItem* parent, const std::string& name, bool ignoreCase)
{
    if (!parent)
        return nullptr;
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem* child = parent->child(i);
        if (sameName(rawName(child), name, ignoreCase))
            return child;
    }
    return nullptr;
}

QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const std::string& name, const QList<QIcon>* images,
                         int image, int selectedImage)
{
    auto* node = new QTreeWidgetItem(parent);
    node->setText(0, fromBytes(name));
    node->setData(0, kRawNameRole, QByteArray::fromStdString(name));
    node->setData(0, kImageIndexRole, image);
    node->setData(0, kSelectedImageIndexRole, selectedImage);
    node->setIcon(0, nodeIcon(images, image, selectedImage));
    // A folder that gains sub-folders opens, so the folders just listed (and
    // the path of a walk) are in view without a further click.
    if (parent && !parent->isExpanded())
        parent->setExpanded(true);
    return node;
}

QTreeWidgetItem* addRoot(QTreeWidget* tree, const std::string& hostName, const QList<QIcon>* images)
{
    auto* root = new QTreeWidgetItem(tree);
    root->setText(0, fromBytes(hostName));
    root->setData(0, kRawNameRole, QByteArray::fromStdString(hostName));
    root->setData(0, kImageIndexRole, kRootImage);
    root->setData(0, kSelectedImageIndexRole, kRootImage);
    root->setIcon(0, imageAt(images, kRootImage));
    return root;
}

void removeChildren(QTreeWidgetItem* node)
{
    if (!node)
        return;
    const QList<QTreeWidgetItem*> children = node->takeChildren();
    qDeleteAll(children);
}

QTreeWidgetItem* selectedItem(const QTreeWidget* list)
{
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

} // namespace remote_tree

#include "app/file_list_item.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace file_list {

namespace {

int compareNames(const QTreeWidgetItem& a, const QTreeWidgetItem& b)
{
    const int folded = QString::compare(a.text(kNameColumn), b.text(kNameColumn), Qt::CaseInsensitive);
    return folded != 0 ? folded : QString::compare(a.text(kNameColumn), b.text(kNameColumn), Qt::CaseSensitive);
}

qint64 numberOf(const QTreeWidgetItem& item, int role)
{
    const QVariant value = item.data(kNameColumn, role);
    // Folders and items that know no size sort before the smallest file.
    return value.isValid() ? value.toLongLong() : -1;
}

int compareNumbers(qint64 a, qint64 b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

Item::Item(Kind kind) : QTreeWidgetItem(UserType)
{
    setData(kNameColumn, kKindRole, static_cast<int>(kind));
}

bool Item::operator<(const QTreeWidgetItem& other) const
{
    const QTreeWidget* list = treeWidget();
    const int column = list ? list->sortColumn() : kNameColumn;
    const bool folder = isFolder(this);
    if (folder != isFolder(&other)) {
        // A descending sort asks the other way round; folders stay on top
        // either way.
        const bool descending = list && list->header()->sortIndicatorOrder() == Qt::DescendingOrder;
        return descending ? !folder : folder;
    }
    int order = 0;
    switch (column) {
    case kSizeColumn:
        order = compareNumbers(numberOf(*this, kSizeRole), numberOf(other, kSizeRole));
        break;
    case kDateColumn:
        order = compareNumbers(numberOf(*this, kDateKeyRole), numberOf(other, kDateKeyRole));
        if (order == 0)
            order = QString::compare(text(kDateColumn), other.text(kDateColumn));
        break;
    case kTypeColumn:
        order = QString::compare(text(kTypeColumn), other.text(kTypeColumn), Qt::CaseInsensitive);
        break;
    default:
        break;
    }
    return (order != 0 ? order : compareNames(*this, other)) < 0;
}

Kind kindOf(const QTreeWidgetItem* item)
{
    if (!item)
        return Kind::File;
    return static_cast<Kind>(item->data(kNameColumn, kKindRole).toInt());
}

std::optional<std::uint64_t> sizeOf(const QTreeWidgetItem* item)
{
    if (!item || isFolder(item))
        return std::nullopt;
    const QVariant size = item->data(kNameColumn, kSizeRole);
    if (!size.isValid())
        return std::nullopt;
    return static_cast<std::uint64_t>(size.toULongLong());
}

void setSize(QTreeWidgetItem* item, std::uint64_t size)
{
    item->setData(kNameColumn, kSizeRole, static_cast<qulonglong>(size));
}

void setDateKey(QTreeWidgetItem* item, std::int64_t key)
{
    item->setData(kNameColumn, kDateKeyRole, static_cast<qlonglong>(key));
}

std::optional<std::string> linkTargetOf(const QTreeWidgetItem* item)
{
    if (!item || kindOf(item) != Kind::Link)
        return std::nullopt;
    const QVariant target = item->data(kNameColumn, kLinkTargetRole);
    if (!target.isValid())
        return std::nullopt;
    return target.toByteArray().toStdString();
}

void setLinkTarget(QTreeWidgetItem* item, const std::string& target)
{
    item->setData(kNameColumn, kLinkTargetRole, QByteArray::fromStdString(target));
}

}  // namespace file_list

#include "app/file_list_item.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <array>
#include <cctype>
#include <sstream>

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

int monthOf(const std::string& name)
{
    static constexpr std::array<const char*, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                            "jul", "aug", "sep", "oct", "nov", "dec"};
    if (name.size() != 3)
        return 0;
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (lower == kMonths[i])
            return static_cast<int>(i) + 1;
    return 0;
}

bool allDigits(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
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

std::int64_t listingDateKey(const std::string& date, int year, int month, int day)
{
    std::istringstream words(date);
    std::string monthName, dayText, last;
    if (!(words >> monthName >> dayText >> last))
        return 0;
    const int listedMonth = monthOf(monthName);
    if (listedMonth == 0 || !allDigits(dayText) || dayText.size() > 2)
        return 0;
    const int listedDay = std::stoi(dayText);
    int listedYear = 0;
    int minutes = 0;
    if (const std::size_t colon = last.find(':'); colon != std::string::npos) {
        const std::string hours = last.substr(0, colon);
        const std::string mins = last.substr(colon + 1);
        if (!allDigits(hours) || !allDigits(mins) || hours.size() > 2 || mins.size() != 2)
            return 0;
        minutes = std::stoi(hours) * 60 + std::stoi(mins);
        // Servers give the time instead of the year for the last half year;
        // a day that would lie ahead of today (a day's grace for time zones)
        // was last year's.
        listedYear = year;
        if (listedMonth > month || (listedMonth == month && listedDay > day + 1))
            --listedYear;
    } else if (allDigits(last) && last.size() == 4) {
        listedYear = std::stoi(last);
    } else {
        return 0;
    }
    return ((static_cast<std::int64_t>(listedYear) * 12 + listedMonth) * 32 + listedDay) * 1440 + minutes;
}

}  // namespace file_list

#include "app/webwatch_file_row.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QListWidgetItem>
#include <QPainter>

namespace webwatch_file_row {

namespace {

constexpr int kGap = 12;
constexpr int kStateWidthChars = 11;  // "up to date" and a little air

}  // namespace

QString stateText(const std::string& storedStamp, const std::string& currentStamp, bool missing)
{
    if (missing)
        return QStringLiteral("missing");
    if (storedStamp == "May")
        return QStringLiteral("new");
    return storedStamp == currentStamp ? QStringLiteral("up to date") : QStringLiteral("changed");
}

QString sharedFolder(const QStringList& folders)
{
    if (folders.isEmpty())
        return {};
    QString shared = folders.first() + QLatin1Char('/');
    for (const QString& folder : folders) {
        const QString withSlash = folder + QLatin1Char('/');
        while (!shared.isEmpty() && !withSlash.startsWith(shared)) {
            shared.chop(1);
            shared.truncate(shared.lastIndexOf(QLatin1Char('/')) + 1);
        }
    }
    return shared;
}

void describe(QListWidgetItem& item, const QString& shownFolder, const QString& folder, const QString& state)
{
    item.setData(kFolderRole, shownFolder);
    item.setData(kStateRole, state);
    item.setToolTip(folder + QStringLiteral(" \u2014 ") + state);
    item.setData(Qt::AccessibleDescriptionRole, state + QStringLiteral(", in ") + folder);
}

void Delegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const QString folder = index.data(kFolderRole).toString();
    const QString state = index.data(kStateRole).toString();
    if (folder.isEmpty() && state.isEmpty())
        return;
    QStyleOptionViewItem named = option;
    initStyleOption(&named, index);
    const QFontMetrics metrics(option.font);
    const int icon = (named.features & QStyleOptionViewItem::HasDecoration) ? named.decorationSize.width() + 4 : 0;
    const int nameEnd = option.rect.left() + icon + 4 +
                        metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + kGap;
    const int stateWidth = metrics.averageCharWidth() * kStateWidthChars;
    // The line is as wide as its list shows, so the state stays in sight.
    int right = option.rect.right();
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget))
        right = std::min(right, view->viewport()->width() - 4);
    const QRect stateRect(right - stateWidth, option.rect.top(), stateWidth, option.rect.height());
    const QRect folderRect(nameEnd, option.rect.top(), std::max(0, stateRect.left() - kGap - nameEnd),
                           option.rect.height());
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
    painter->drawText(folderRect, Qt::AlignVCenter | Qt::AlignLeft,
                      metrics.elidedText(folder, Qt::ElideLeft, folderRect.width()));
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(stateRect, Qt::AlignVCenter | Qt::AlignLeft, state);
    painter->restore();
}

QSize Delegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // No wider than the name: the folder gives way to the list's width
    // rather than pushing the state out of sight.
    return QStyledItemDelegate::sizeHint(option, index);
}

}  // namespace webwatch_file_row

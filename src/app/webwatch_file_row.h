#pragma once

#include <QString>
#include <QStyledItemDelegate>

class QListWidgetItem;

// A file line of the WebWatch window: its name stays the line's text, and
// beside it the line shows the file's folder (three index pages in three
// folders are told apart) and where it stands against its last upload.
namespace webwatch_file_row {

inline constexpr int kFolderRole = Qt::UserRole + 20;
inline constexpr int kStateRole = Qt::UserRole + 21;

// "up to date", "changed", "new" (never sent, or marked for upload) or
// "missing", for a file's stored stamp and its stamp now (empty when the
// file is gone).
QString stateText(const std::string& storedStamp, const std::string& currentStamp, bool missing);

// Gives the line its folder and state: `shownFolder` (the folder below the
// one all the project's files share) for the eye, the whole `folder` for
// the tooltip and a screen reader.
void describe(QListWidgetItem& item, const QString& shownFolder, const QString& folder, const QString& state);

// The folder all of `folders` lie in, ending in "/", or empty.
QString sharedFolder(const QStringList& folders);

// Draws the folder and the state after the name, the folder elided at its
// start so that its last levels show.
class Delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace webwatch_file_row

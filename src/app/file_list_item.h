#pragma once

#include <QTreeWidgetItem>

#include <cstdint>
#include <optional>
#include <string>

// One line of a file list (the local or the remote one): a file, a folder
// or a link, carrying what the transfers need beside the texts shown (its
// size in bytes, a link's target) and what it is sorted by. Everything is
// kept on the item itself, so a sorted list, or one with folders above the
// files, still gives each line its own size.
//
// Sorting: folders come first whichever column and direction is chosen;
// names compare as text without regard to case, sizes by their byte counts
// (9 B before 10 KB), dates by the time they stand for, the type by its
// text. Ties fall back to the name, so the order is the same every time.
namespace file_list {

// The roles below Qt::UserRole + 8 belong to the lists' own handlers (the
// name's bytes, the image index).
inline constexpr int kKindRole = Qt::UserRole + 8;
inline constexpr int kSizeRole = Qt::UserRole + 9;
inline constexpr int kDateKeyRole = Qt::UserRole + 10;
inline constexpr int kLinkTargetRole = Qt::UserRole + 11;

enum class Kind { File = 0, Folder = 1, Link = 2 };

enum Column { kNameColumn = 0, kSizeColumn = 1, kTypeColumn = 2, kDateColumn = 3 };

class Item : public QTreeWidgetItem {
public:
    explicit Item(Kind kind);

    bool operator<(const QTreeWidgetItem& other) const override;
};

Kind kindOf(const QTreeWidgetItem* item);
inline bool isFolder(const QTreeWidgetItem* item) { return kindOf(item) == Kind::Folder; }

// The size kept for a file or link, nothing for a folder or an item that
// knows none (a link that leads nowhere).
std::optional<std::uint64_t> sizeOf(const QTreeWidgetItem* item);
void setSize(QTreeWidgetItem* item, std::uint64_t size);

// What a date is sorted by: seconds since the epoch, of the local file's
// time or of the time a server's listing date stands for.
void setDateKey(QTreeWidgetItem* item, std::int64_t key);

// A link's target as the listing gave it; nothing for other items and for
// links beyond those whose targets are kept.
std::optional<std::string> linkTargetOf(const QTreeWidgetItem* item);
void setLinkTarget(QTreeWidgetItem* item, const std::string& target);

}  // namespace file_list

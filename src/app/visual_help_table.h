#pragma once

#include <QString>

#include <span>

// One row of the visual-help table: what the visual-help window shows for a
// hint in the status bar.
struct VisualHelpRow {
    QString key;
    // Hints that carry a name (the selected file, the first file in line)
    // are matched by the key's first characters; the hint must then be
    // longer than 7 characters, so a bare word never matches.
    bool prefix = false;
    QString title;
    QString firstLine;
    QString secondLine;
    // Line of the help paragraphs shown in the help text.
    int paragraph = 0;
    // Vertical position of the red marker beside the picture: level with
    // the picture for controls, higher for menu items, whose picture shows
    // the menu bar at the window's top.
    int marker = 0;
};

// The row for a status bar text, or null when none matches. Exact keys win
// over prefixes, so "Delete site" or "Transfer mode" get their own row and
// not the delete or directory-transfer button's.
const VisualHelpRow* findVisualHelpRow(const QString& hint);

// Every row, in table order.
std::span<const VisualHelpRow> visualHelpRows();

// The paragraph shown when visual help is switched on.
inline constexpr int kVisualHelpIntroParagraph = 12;

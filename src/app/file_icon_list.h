#pragma once

#include "core/file_type_icon_table.h"

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QString>

// The program's list of small file-type icons. Each icon has a fixed index:
// its position in a fixed table of desktop-theme icon names, plus one, so 0
// means "no icon". The icon table file stores these indexes, so they must
// be the same on every run and every machine: new names only ever go at the
// end of the table.
//
// A file type is found through the MIME database (by name, or by content
// for an existing file); its icon is the first of the type's own icon name,
// its generic icon name and its ancestors' names that the table holds, and
// "unknown" otherwise. Icons come from the desktop theme, with the style's
// file icon where the theme has none.
class FileIconList {
public:
    struct TypeInfo {
        int iconIndex = 0;
        QString typeName;  // the MIME type's description, e.g. "HTML document"
    };

    // The fixed table of icon names, in index order (index = position + 1).
    static const QStringList& iconNames();
    // The index of a theme icon name, 0 when the table does not hold it.
    static int indexOfIconName(const QString& name);

    // Type of a name or pattern judged by its extension only ("*.htm",
    // "notes.txt"); nothing is read from disk.
    TypeInfo typeOfName(const QString& nameOrPattern) const;
    // Type of an existing file (by name, and by content where the name says
    // nothing); a missing file is judged by its name.
    TypeInfo typeOfFile(const QString& path) const;
    // The probe that builds the file-type icon table.
    FileTypeProbeResult probe(const std::string& probePath) const;

    // The icon at an index; a null icon for 0 or an index past the table.
    QIcon icon(int index) const;

private:
    TypeInfo describe(const QMimeType& type) const;
    TypeInfo describeUncached(const QMimeType& type) const;

    QMimeDatabase mimeDatabase_;
    mutable QHash<int, QIcon> icons_;
    mutable QHash<QString, TypeInfo> described_;
};

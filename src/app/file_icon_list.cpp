#include "app/file_icon_list.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

const QStringList& FileIconList::iconNames()
{
    // Append only: a position, once given, is stored in users' icon tables.
    static const QStringList names{
        QStringLiteral("unknown"),
        QStringLiteral("text-x-generic"),
        QStringLiteral("text-html"),
        QStringLiteral("text-css"),
        QStringLiteral("text-x-script"),
        QStringLiteral("application-javascript"),
        QStringLiteral("application-json"),
        QStringLiteral("application-xml"),
        QStringLiteral("text-x-csrc"),
        QStringLiteral("text-x-chdr"),
        QStringLiteral("text-x-c++src"),
        QStringLiteral("text-x-python"),
        QStringLiteral("application-x-php"),
        QStringLiteral("text-x-generic-template"),
        QStringLiteral("image-x-generic"),
        QStringLiteral("image-png"),
        QStringLiteral("image-jpeg"),
        QStringLiteral("image-gif"),
        QStringLiteral("image-svg+xml"),
        QStringLiteral("audio-x-generic"),
        QStringLiteral("video-x-generic"),
        QStringLiteral("font-x-generic"),
        QStringLiteral("application-pdf"),
        QStringLiteral("x-office-document"),
        QStringLiteral("x-office-spreadsheet"),
        QStringLiteral("x-office-presentation"),
        QStringLiteral("x-office-drawing"),
        QStringLiteral("x-office-calendar"),
        QStringLiteral("x-office-address-book"),
        QStringLiteral("package-x-generic"),
        QStringLiteral("application-x-executable"),
        QStringLiteral("application-x-sharedlib"),
        QStringLiteral("application-x-desktop"),
        QStringLiteral("application-x-shellscript"),
        QStringLiteral("application-x-cd-image"),
        QStringLiteral("application-x-font-ttf"),
        QStringLiteral("text-x-log"),
        QStringLiteral("text-markdown"),
    };
    return names;
}

int FileIconList::indexOfIconName(const QString& name)
{
    return static_cast<int>(iconNames().indexOf(name)) + 1;
}

FileIconList::TypeInfo FileIconList::describe(const QMimeType& type) const
{
    // Walking a type's ancestors costs more than finding the type, and a
    // folder of a web site holds few types; each is described once.
    const auto known = described_.constFind(type.name());
    if (known != described_.constEnd())
        return *known;
    const TypeInfo info = describeUncached(type);
    described_.insert(type.name(), info);
    return info;
}

FileIconList::TypeInfo FileIconList::describeUncached(const QMimeType& type) const
{
    TypeInfo info;
    info.typeName = type.comment();
    if (!type.isValid() || type.isDefault()) {
        info.iconIndex = indexOfIconName(QStringLiteral("unknown"));
        return info;
    }
    QStringList candidates{type.iconName(), type.genericIconName()};
    for (const QString& ancestor : type.allAncestors()) {
        const QMimeType parent = mimeDatabase_.mimeTypeForName(ancestor);
        if (parent.isDefault())
            continue;
        candidates << parent.iconName() << parent.genericIconName();
    }
    for (const QString& name : candidates) {
        if (const int index = indexOfIconName(name); index > 0) {
            info.iconIndex = index;
            return info;
        }
    }
    info.iconIndex = indexOfIconName(QStringLiteral("unknown"));
    return info;
}

FileIconList::TypeInfo FileIconList::typeOfName(const QString& nameOrPattern) const
{
    const QString name = QFileInfo(nameOrPattern).fileName();
    return describe(mimeDatabase_.mimeTypeForFile(name, QMimeDatabase::MatchExtension));
}

FileIconList::TypeInfo FileIconList::typeOfFile(const QString& path) const
{
    return describe(mimeDatabase_.mimeTypeForFile(path, QMimeDatabase::MatchDefault));
}

FileTypeProbeResult FileIconList::probe(const std::string& probePath) const
{
    const TypeInfo info = typeOfName(QString::fromStdString(probePath));
    return {info.iconIndex, info.typeName.toStdString()};
}

QIcon FileIconList::icon(int index) const
{
    if (index <= 0 || index > iconNames().size())
        return {};
    auto cached = icons_.constFind(index);
    if (cached != icons_.constEnd())
        return *cached;
    QIcon fallback;
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        fallback = app->style()->standardIcon(QStyle::SP_FileIcon);
    const QIcon themed = QIcon::fromTheme(iconNames().at(index - 1), fallback);
    icons_.insert(index, themed);
    return themed;
}

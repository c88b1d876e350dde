#include "file_icons.h"

#include <QMimeDatabase>

#include "gui_resources.h"

namespace trimora::gui {

namespace {

// Bundled stand-ins by icon-theme name; anything else is a generic text file.
QString BundledName(const QString& iconName, const QString& genericName) {
    static const QHash<QString, QString> bundled = {
        {QStringLiteral("text-html"), QStringLiteral("text-html")},
        {QStringLiteral("application-xhtml+xml"), QStringLiteral("text-html")},
        {QStringLiteral("text-css"), QStringLiteral("text-css")},
        {QStringLiteral("application-javascript"), QStringLiteral("text-x-script")},
        {QStringLiteral("text-javascript"), QStringLiteral("text-x-script")},
        {QStringLiteral("text-vbscript"), QStringLiteral("text-x-script")},
        {QStringLiteral("text-x-script"), QStringLiteral("text-x-script")},
        {QStringLiteral("application-x-trimora-list"), QStringLiteral("application-x-trimora-list")},
    };
    if (const auto it = bundled.constFind(iconName); it != bundled.constEnd()) return *it;
    if (const auto it = bundled.constFind(genericName); it != bundled.constEnd()) return *it;
    return QStringLiteral("text-x-generic");
}

// By the name alone: the file may be gone, and reading it would be slow.
QMimeType TypeOf(const QString& fileName) {
    static const QMimeDatabase database;
    return database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
}

}  // namespace

QString TFileIcons::IconName(const QString& fileName) { return TypeOf(fileName).iconName(); }

QIcon TFileIcons::ForFile(const QString& fileName) {
    const QMimeType type = TypeOf(fileName);
    const QString iconName = type.iconName();
    if (const auto it = cache_.constFind(iconName); it != cache_.constEnd()) return *it;
    const QIcon fallback = BundledIcon(BundledName(iconName, type.genericIconName()));
    const QIcon icon = QIcon::fromTheme(iconName, QIcon::fromTheme(type.genericIconName(), fallback));
    cache_.insert(iconName, icon);
    return icon;
}

QIcon TFileIcons::Folder() {
    const QString key = QStringLiteral("folder");
    if (const auto it = cache_.constFind(key); it != cache_.constEnd()) return *it;
    const QIcon icon = QIcon::fromTheme(key, BundledIcon(key));
    cache_.insert(key, icon);
    return icon;
}

}  // namespace trimora::gui

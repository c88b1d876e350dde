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

const QString GenericFile = QStringLiteral("text-x-generic");

}  // namespace

TIconNames IconNamesOf(const QString& fileName) {
    // QMimeDatabase may be used from several threads at once.
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    return {type.iconName(), type.genericIconName()};
}

QString TFileIcons::IconName(const QString& fileName) { return IconNamesOf(fileName).Name; }

QIcon TFileIcons::Make(const TIconNames& names) {
    if (const auto it = cache_.constFind(names.Name); it != cache_.constEnd()) return *it;
    const QIcon fallback = BundledIcon(BundledName(names.Name, names.Generic));
    const QIcon icon = QIcon::fromTheme(names.Name, QIcon::fromTheme(names.Generic, fallback));
    cache_.insert(names.Name, icon);
    return icon;
}

QIcon TFileIcons::ForFile(const QString& fileName) { return Make(IconNamesOf(fileName)); }

QIcon TFileIcons::Folder() {
    const QString key = QStringLiteral("folder");
    if (const auto it = cache_.constFind(key); it != cache_.constEnd()) return *it;
    const QIcon icon = QIcon::fromTheme(key, BundledIcon(key));
    cache_.insert(key, icon);
    return icon;
}

int TFileIcons::IndexOf(const TIconNames& names) {
    if (byIndex_.isEmpty()) {
        byIndex_.append(Make({GenericFile, GenericFile}));
        indexOfName_.insert(GenericFile, 0);
    }
    if (const auto it = indexOfName_.constFind(names.Name); it != indexOfName_.constEnd()) return *it;
    const int index = static_cast<int>(byIndex_.size());
    byIndex_.append(Make(names));
    indexOfName_.insert(names.Name, index);
    return index;
}

QIcon TFileIcons::At(int index) {
    if (byIndex_.isEmpty()) IndexOf({GenericFile, GenericFile});
    return index >= 0 && index < byIndex_.size() ? byIndex_[index] : byIndex_[0];
}

}  // namespace trimora::gui

#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

namespace trimora::gui {

// Small icons of files by type, for the file list. The desktop's icon theme
// is asked for the MIME type's icon name and then its generic one; a bare
// machine has no theme, so each falls back on an icon of the bundled set.
// One icon per type is kept. Main thread only (icons are pixmaps).
class TFileIcons {
public:
    QIcon ForFile(const QString& fileName);
    QIcon Folder();

    // The icon-theme name used for a file, "text-html"; the key of the cache.
    static QString IconName(const QString& fileName);

private:
    QHash<QString, QIcon> cache_;
};

}  // namespace trimora::gui

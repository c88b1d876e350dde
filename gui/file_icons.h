#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>

namespace trimora::gui {

// The icon-theme names of a file's type: the MIME type's own ("text-html")
// and its generic one ("text-x-generic"). Found by the name alone (the file
// may be gone, and reading it would be slow); safe on any thread.
struct TIconNames {
    QString Name;
    QString Generic;
};
TIconNames IconNamesOf(const QString& fileName);

// Small icons of files by type, for the file list. The desktop's icon theme
// is asked for the MIME type's icon name and then its generic one; a bare
// machine has no theme, so each falls back on an icon of the bundled set.
// One icon per type is kept, at a fixed index. Main thread only (icons are
// pixmaps).
class TFileIcons {
public:
    QIcon ForFile(const QString& fileName);
    QIcon Folder();

    // The index of the icon for a type, made on first use; At(index) is the
    // icon. Index 0 is the generic file, shown while a row's type is not
    // known yet.
    int IndexOf(const TIconNames& names);
    QIcon At(int index);

    // The icon-theme name used for a file, "text-html"; the key of the cache.
    static QString IconName(const QString& fileName);

private:
    QIcon Make(const TIconNames& names);

    QHash<QString, QIcon> cache_;
    QHash<QString, int> indexOfName_;
    QList<QIcon> byIndex_;
};

}  // namespace trimora::gui

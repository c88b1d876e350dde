#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace trimora::app {

// The .lst association on a freedesktop desktop: the MIME type
// application/x-trimora-list for *.lst, and a desktop entry that opens such
// files with the program ("Open Trimora Batch List") or runs them ("Run
// Trimora Batch List", the program with /c).
struct LstAssociation {
    QString DataHome;      // the folder holding applications/ and mime/
    QString ProgramPath;   // the program the entry starts
    QString BackupFolder;  // files that were replaced are kept here

    // This user's: DesktopDataHome(), and association-backup in the data folder.
    static LstAssociation ForProgram(const QString& programPath);

    QString DesktopFile() const;      // DataHome/applications/trimora.desktop
    QString MimePackageFile() const;  // DataHome/mime/packages/trimora.xml
    QByteArray DesktopFileContent() const;
    QByteArray MimePackageContent() const;
};

struct AssociationReport {
    QStringList KeptFiles;  // where replaced files were kept
    QStringList Problems;   // why something could not be written or removed
};

// Whether the association is in place: both files exist with exactly the
// content written here. When Apply is set and that differs from Associate,
// creates the association (a file with other content is first copied into
// BackupFolder, and left alone when that copy fails) or removes it (only
// files with exactly this content are removed, so another program's files
// stay). After a change, update-mime-database and update-desktop-database
// run when they are installed. Answers the state found before any change.
bool AssociateLst(bool Associate, bool Apply, const LstAssociation& association, AssociationReport* report = nullptr);

// A value of type string in a desktop entry (TryExec, for one): backslashes
// and control characters escaped, nothing quoted.
QString DesktopStringValue(const QString& text);

// An argument of a desktop entry's Exec key: quoted when it needs to be,
// with its percent signs doubled and its backslashes escaped for the file.
QString DesktopExecArgument(const QString& argument);

}  // namespace trimora::app

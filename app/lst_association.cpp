#include "lst_association.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "app_paths.h"
#include "file_io.h"

namespace trimora::app {

namespace {

enum class FileState { Missing, Ours, Other };

FileState StateOf(const QString& path, const QByteArray& ours) {
    QFile file(path);
    if (!QFileInfo(path).isFile()) return QFileInfo::exists(path) ? FileState::Other : FileState::Missing;
    if (!file.open(QIODevice::ReadOnly)) return FileState::Other;
    return file.readAll() == ours ? FileState::Ours : FileState::Other;
}

bool WriteAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *error = QStringLiteral("Cannot create folder %1").arg(QFileInfo(path).absolutePath());
        return false;
    }
    std::string reason;
    if (WriteFileReplacing(QFile::encodeName(path).toStdString(),
                           reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()), &reason))
        return true;
    *error = QStringLiteral("Cannot create file %1 (%2)").arg(path, QString::fromStdString(reason));
    return false;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Copies a file about to be replaced into the backup folder, under its own
// name or, when a different file already has it, under name.2, name.3, ...
bool KeepCopy(const QString& path, const QString& backupFolder, AssociationReport& report) {
    if (!QDir().mkpath(backupFolder)) {
        report.Problems << QStringLiteral("Cannot create folder %1 to keep a copy of %2; it was left as it was")
                               .arg(backupFolder, path);
        return false;
    }
    const QByteArray bytes = ReadAll(path);
    const QString name = QFileInfo(path).fileName();
    QString target = backupFolder + QLatin1Char('/') + name;
    for (int n = 2; QFileInfo::exists(target); ++n) {
        if (QFileInfo(target).isFile() && ReadAll(target) == bytes) return true;  // kept before
        target = backupFolder + QLatin1Char('/') + name + QStringLiteral(".%1").arg(n);
    }
    QString error;
    if (!QFileInfo(path).isFile() || !WriteAtomically(target, bytes, &error)) {
        report.Problems
            << QStringLiteral("Cannot keep a copy of %1 in %2; it was left as it was").arg(path, backupFolder);
        return false;
    }
    report.KeptFiles << target;
    return true;
}

// Tells the desktop that MIME types and applications changed.
void UpdateDesktopDatabases(const QString& dataHome) {
    const struct {
        const char* Tool;
        const char* Folder;
    } updates[] = {{"update-mime-database", "mime"}, {"update-desktop-database", "applications"}};
    for (const auto& update : updates) {
        const QString tool = QStandardPaths::findExecutable(QLatin1String(update.Tool));
        const QString folder = dataHome + QLatin1Char('/') + QLatin1String(update.Folder);
        if (tool.isEmpty() || !QFileInfo(folder).isDir()) continue;
        QProcess process;
        process.setProgram(tool);
        process.setArguments({folder});
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start();
        if (!process.waitForFinished(60000)) process.kill();
        process.waitForFinished(1000);
    }
}

}  // namespace

LstAssociation LstAssociation::ForProgram(const QString& programPath) {
    return {DesktopDataHome(), programPath, DataFolder() + QStringLiteral("/association-backup")};
}

QString LstAssociation::DesktopFile() const { return DataHome + QStringLiteral("/applications/trimora.desktop"); }

QString LstAssociation::MimePackageFile() const { return DataHome + QStringLiteral("/mime/packages/trimora.xml"); }

QByteArray LstAssociation::MimePackageContent() const {
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-trimora-list\">\n"
        "    <comment>Trimora Batch List</comment>\n"
        "    <sub-class-of type=\"text/plain\"/>\n"
        "    <glob pattern=\"*.lst\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
}

QByteArray LstAssociation::DesktopFileContent() const {
    const QString program = DesktopExecArgument(ProgramPath);
    // TryExec hides the entry once its program is gone (uninstalled, or a
    // build folder deleted), so that no dead menu entry or file action stays.
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Trimora\n"
                             "GenericName=Web Site Compressor\n"
                             "Comment=Makes web sites smaller\n"
                             "TryExec=%2\n"
                             "Exec=%1 %f\n"
                             "Icon=trimora\n"
                             "Terminal=false\n"
                             "Categories=Development;WebDevelopment;\n"
                             "Keywords=minify;compress;HTML;JavaScript;VBScript;CSS;web site;\n"
                             "MimeType=application/x-trimora-list;\n"
                             "Actions=Open;Run;\n"
                             "\n"
                             "[Desktop Action Open]\n"
                             "Name=Open Trimora Batch List\n"
                             "Exec=%1 %f\n"
                             "\n"
                             "[Desktop Action Run]\n"
                             "Name=Run Trimora Batch List\n"
                             "Exec=%1 /c %f\n")
                             .arg(program, DesktopStringValue(ProgramPath));
    return text.toUtf8();
}

QString DesktopStringValue(const QString& text) {
    QString escaped;
    for (QChar c : text) {
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    return escaped;
}

QString DesktopExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (QChar c : argument)
        if (reserved.contains(c)) needsQuotes = true;
    QString quoted;
    if (needsQuotes) {
        quoted += QLatin1Char('"');
        for (QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        quoted += QLatin1Char('"');
    } else {
        quoted = argument;
    }
    // Then a literal percent sign is doubled, and the escapes of the file
    // itself apply.
    return DesktopStringValue(quoted.replace(QLatin1Char('%'), QStringLiteral("%%")));
}

bool AssociateLst(bool Associate, bool Apply, const LstAssociation& association, AssociationReport* report) {
    const struct {
        QString Path;
        QByteArray Content;
    } files[] = {{association.MimePackageFile(), association.MimePackageContent()},
                 {association.DesktopFile(), association.DesktopFileContent()}};
    bool inPlace = true;
    for (const auto& file : files)
        if (StateOf(file.Path, file.Content) != FileState::Ours) inPlace = false;
    // Removing goes on even when only part of the association is there, so
    // that no file of it is left behind; it only ever removes files of ours.
    if (!Apply || (Associate && inPlace)) return inPlace;
    AssociationReport ignored;
    AssociationReport& out = report != nullptr ? *report : ignored;
    bool changed = false;
    for (const auto& file : files) {
        const FileState state = StateOf(file.Path, file.Content);
        if (Associate) {
            if (state == FileState::Ours) continue;
            if (state == FileState::Other && !KeepCopy(file.Path, association.BackupFolder, out)) continue;
            QString error;
            if (WriteAtomically(file.Path, file.Content, &error))
                changed = true;
            else
                out.Problems << error;
        } else if (state == FileState::Ours) {
            if (QFile::remove(file.Path))
                changed = true;
            else
                out.Problems << QStringLiteral("Cannot delete file %1").arg(file.Path);
        }
    }
    if (changed) UpdateDesktopDatabases(association.DataHome);
    return inPlace;
}

}  // namespace trimora::app

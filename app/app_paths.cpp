#include "app_paths.h"

#include "data_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace trimora::app {

namespace {
QString TrimoraHome() { return qEnvironmentVariable("TRIMORA_HOME"); }

QString WithoutTrailingSeparator(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path;
}
}  // namespace

QString DesktopDataHome() {
#ifdef Q_OS_WIN
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    const QString xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (xdgDataHome.startsWith(QLatin1Char('/'))) return WithoutTrailingSeparator(xdgDataHome);
    QString home = WithoutTrailingSeparator(QDir::homePath());
    if (home == QLatin1String("/")) home.clear();
    return home + QStringLiteral("/.local/share");
#endif
}

// The batch layer's rule, the one both the window and the command line use;
// without HOME it knows none, and the account's home folder stands in.
QString DataFolder() {
    const std::string folder = trimora::DataFolder();
    if (!folder.empty()) return WithoutTrailingSeparator(QFile::decodeName(QByteArray::fromStdString(folder)));
    return DesktopDataHome() + QStringLiteral("/Kestrova/Trimora");
}

QString TagSettingsPath() { return DataFolder() + QStringLiteral("/trimora.nti"); }

WindowProgram FindWindowProgram(const QString& programPath) {
    const QDir folder = QFileInfo(programPath).absoluteDir();
    if (QFileInfo(folder.filePath(QStringLiteral("../CMakeCache.txt"))).isFile())
        return {QDir::cleanPath(folder.filePath(QStringLiteral("../gui/trimora"))), true};
    return {QDir::cleanPath(folder.filePath(QStringLiteral("trimora"))), false};
}

QString TrimoraHomeSettingsFile() {
    const QString home = TrimoraHome();
    if (home.isEmpty()) return {};
    return WithoutTrailingSeparator(home) + QStringLiteral("/Trimora.conf");
}

}  // namespace trimora::app

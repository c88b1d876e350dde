#pragma once

#include <QString>

namespace trimora::app {

// The per-user data folder: $TRIMORA_HOME when set and not empty; otherwise
// $XDG_DATA_HOME/Kestrova/Trimora when XDG_DATA_HOME is an absolute path, else
// $HOME/.local/share/Kestrova/Trimora (the application data folder of Windows
// there). The tag settings, the automatic list and the association backups
// live here. No trailing separator; the folder may not exist yet.
QString DataFolder();

// The tag-settings file the engine reads: trimora.nti in the data folder.
QString TagSettingsPath();

// Where the desktop looks for per-user MIME types and applications:
// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share.
QString DesktopDataHome();

// The desktop program trimora that belongs with a program of Trimora
// (trimora itself or trimora-cli) at programPath, an absolute path. A program
// in a CMake build folder (CMakeCache.txt in the folder above its own) runs
// from that build, whose trimora is gui/trimora there; any other program runs
// installed, with trimora beside it in the same folder.
struct WindowProgram {
    QString Path;
    bool InBuildFolder = false;
};
WindowProgram FindWindowProgram(const QString& programPath);

// The settings file when $TRIMORA_HOME is set and not empty; empty otherwise
// (the settings then live in the platform's store of "Kestrova" "Trimora").
QString TrimoraHomeSettingsFile();

}  // namespace trimora::app

#pragma once

#include <array>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QRect>
#include <QSettings>
#include <QString>
#include <QStringList>

#include "settings_values.h"
#include "trimora.h"

class QTemporaryDir;

namespace trimora::app {

// The settings of this user: $TRIMORA_HOME/Trimora.conf when TRIMORA_HOME is
// set, else the platform's store of "Kestrova" "Trimora" (the registry key
// Software\Kestrova\Trimora on Windows, ~/.config/Kestrova/Trimora.conf
// elsewhere).
//
// A settings file that is damaged or cannot be read is never written: its
// values are read from a private copy as far as they can be, Problem() says
// what is wrong, and Sync refuses until the file is repaired, removed or set
// aside. Writes go to a temporary file that replaces the old one, so a crash
// never leaves half a file.
class SettingsStore {
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    QSettings& Settings() { return *settings_; }
    // The settings file, or the registry path on Windows.
    const QString& Location() const { return location_; }
    // Why the store is read-only; empty when it can be written.
    const QString& Problem() const { return problem_; }
    // Whether the settings key exists: anything at all is stored. Its absence
    // is the first start.
    bool KeyExists() const;
    // Writes what was changed. Answers false with the reason when the store is
    // read-only or the file could not be written (nothing is lost then).
    bool Sync(QString* error = nullptr);
    // Renames a damaged settings file to a free name beside it ending in
    // ".damaged" and reopens the store empty and writable.
    bool SetDamagedFileAside(QString* keptAs, QString* error);

private:
    void Open();

    QString location_;
    bool fileBacked_ = true;
    QString problem_;
    std::unique_ptr<QTemporaryDir> copyFolder_;
    std::unique_ptr<QSettings> settings_;
};

// The values read when the main window is created and written when it is
// destroyed. Before anything is read each holds its default, so that a value
// missing or of the wrong type means its default (never 0 or empty: a
// CompressOptions of 0 would keep no original). The caller seeds
// MainFormBounds and ColumnWidths with the window's own before loading.
struct TrimoraSettings {
    std::uint32_t CompressOptions = DefaultCompressOptions;
    QString MoveFolder = DefaultMoveFolder();
    QString OtherFolder;
    QString Suffix = DefaultTextOf("Suffix");
    bool Recurse = true;
    bool AutoSaveLoad = true;
    int Priority = 0;  // a thread priority level; saved from CurrentThreadPriority()

    QByteArray ToolbarsState;              // docking state of menu bar and toolbar
    QStringList RecentLists;               // most recent first, at most MaxRecentLists
    QRect MainFormBounds{0, 0, DefaultNumberOf("MainForm/Width"),
                         DefaultNumberOf("MainForm/Height")};  // normal (not maximised) bounds
    std::array<int, 5> ColumnWidths{DefaultNumberOf("MainForm/Column 1"), DefaultNumberOf("MainForm/Column 2"),
                                    DefaultNumberOf("MainForm/Column 3"), DefaultNumberOf("MainForm/Column 4"),
                                    DefaultNumberOf("MainForm/Column 5")};
    QString Theme = QStringLiteral("Default");
    QStringList ToolbarButtons;  // command names; an empty name is a separator
};

// Nothing but characters of code 32 and below: a Suffix like this is ".bak".
bool IsBlank(const QString& text);

// Reads the settings variables, "Priority" included, each only when present;
// a value of the wrong type is skipped with a warning. A Suffix that is blank
// (nothing but characters of code 32 and below) becomes ".bak".
void LoadSettingsVariables(QSettings& store, TrimoraSettings& settings, QStringList* warnings);

// Everything read at main window creation, in its order: the settings
// variables, the toolbars' docking state, the recent lists, the column widths,
// the main window's bounds, its toolbar and its theme. commandNames are the
// main window's commands, for LoadToolbar. The caller applies Priority.
void LoadSettings(SettingsStore& store, TrimoraSettings& settings, const QStringList& commandNames,
                  QStringList* warnings);

// Everything written at main window destruction; answers false with the
// reason when the store could not be written.
bool SaveSettings(SettingsStore& store, const TrimoraSettings& settings, QString* error = nullptr);

// "Width", "Height", "Left", "Top" in the group currently open. SaveFormPos
// is given the window's normal bounds; LoadFormPos sets each bound present.
void SaveFormPos(QSettings& store, const QRect& bounds);
void LoadFormPos(QSettings& store, QRect& bounds, QStringList* warnings = nullptr);

// The toolbar as "Button 0", "Button 1", ... in the group Toolbar below the
// group currently open. SaveToolbar removes every other value of that group,
// whatever its number, so a toolbar that shrank never gets old buttons back.
// LoadToolbar reads every "Button N" present in numeric order; a name that is
// not one of commandNames (compared exactly) becomes a separator ("").
void SaveToolbar(QSettings& store, const QStringList& buttons);
QStringList LoadToolbar(QSettings& store, const QStringList& commandNames, QStringList* warnings = nullptr);
// The names as stored, in the same order; none when there is no Toolbar group.
std::optional<QStringList> ReadToolbarNames(QSettings& store, QStringList* warnings = nullptr);

// The recent lists in the group mru: "1" the most recent. Loading adds "9"
// down to "1" on top of each other as the menu does, so the stored order
// returns, a path stored twice appears once, and at most MaxRecentLists stay.
// Saving deletes "1" to "9" and writes at most MaxRecentLists from the top.
QStringList LoadRecentLists(QSettings& store, QStringList* warnings = nullptr);
void SaveRecentLists(QSettings& store, const QStringList& recentLists);

// "ShowTips": none when absent.
std::optional<bool> ReadShowTips(QSettings& store, QStringList* warnings = nullptr);
bool WriteShowTips(SettingsStore& store, bool show, QString* error = nullptr);

// "ScriptExt" and "StyleExt" for the fallback formats of older tag settings.
FallbackPatterns ReadFallbackPatterns(QSettings& store, QStringList* warnings = nullptr);

// The stored value of a single value of the store, typed as its kind uses it
// (int, bool or QString). None when absent; when present but of the wrong
// type, none and wrongType is set.
std::optional<QVariant> ReadStoredValue(QSettings& store, const SettingValue& value, bool* wrongType = nullptr);

}  // namespace trimora::app

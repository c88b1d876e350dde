#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QSize>
#include <QString>
#include <QVariant>

#include "batch_options.h"

namespace trimora::app {

// The bits of CompressOptions are the batch layer's (co...).
inline constexpr std::uint32_t AllCompressOptions = coOtherFolder | coPreserveDirs | coBackupMethods;
inline constexpr std::uint32_t DefaultCompressOptions = coMove | coRecycle;  // 40, as TBatchOptions has it

struct OptionBitName {
    std::uint32_t Bit;
    const char* Name;
};
inline constexpr OptionBitName CompressOptionNames[] = {
    {coOtherFolder, "coOtherFolder"}, {coPreserveDirs, "coPreserveDirs"},
    {coDelete, "coDelete"},           {coRecycle, "coRecycle"},
    {coSuffix, "coSuffix"},           {coMove, "coMove"},
};

inline constexpr int MaxRecentLists = 4;

// Groups of the store (keys of the registry on Windows).
inline constexpr char MainFormGroup[] = "MainForm";
inline constexpr char OptionsFormGroup[] = "OptionsForm";
inline constexpr char RecentListsGroup[] = "mru";
inline constexpr char ToolbarGroup[] = "Toolbar";  // below MainForm
inline constexpr char ToolbarsStateKey[] = "Toolbars/State";

// "backup" and the platform's separator.
QString DefaultMoveFolder();

// How a stored value is typed and what a user may set it to.
enum class ValueKind {
    Number,         // a 32-bit integer
    Switch,         // 0 or 1; any number but 0 reads as true
    Text,           // a string
    PriorityLevel,  // a number: one of the thread priority levels
    OptionBits,     // a number: the bits of CompressOptions
    ThemeName,      // a string: "Default", "OfficeXP" or "Stripes"
};

// What the default of a value is.
enum class DefaultUse {
    Written,   // RestoreDefaults writes it
    Centred,   // RestoreDefaults writes it from the primary screen's size
    Fallback,  // never written: the value used while it is absent
};

// One single value of the store.
struct SettingValue {
    const char* Key;  // as stored, with its group: "CompressOptions", "MainForm/Width"
    ValueKind Kind;
    DefaultUse Use;
    int Number;        // default of a number; Centred: half the window's extent
    const char* Text;  // default of a text
    bool Vertical;     // Centred: along the screen's height
    const char* Meaning;
};

// Every single value of the store, in the order `settings show` lists them;
// the lists (recent lists, toolbar buttons, toolbar docking) are not here.
const std::vector<SettingValue>& SettingValues();

// The default a value of the table gives (its Number, or its Text), by its
// exact key: the one place defaults are written down.
int DefaultNumberOf(const char* key);
QString DefaultTextOf(const char* key);

// The value of that name, ignoring case; none for an unknown name.
const SettingValue* FindSettingValue(const QString& name);

// The default of a value as it is stored: an int or a QString. Invalid for a
// Centred value without a screen size (its window is then centred when shown).
QVariant DefaultValue(const SettingValue& value, const std::optional<QSize>& primaryScreen = std::nullopt);

// Type tests of stored values. A store holds numbers as the platform's
// integers or, in a settings file, as decimal text; anything else is a value
// of the wrong type and answers none.
std::optional<int> StoredNumber(const QVariant& stored);
std::optional<bool> StoredSwitch(const QVariant& stored);
std::optional<QString> StoredText(const QVariant& stored);
// The stored value in the form its kind is used: an int, a bool or a QString.
std::optional<QVariant> StoredValue(const SettingValue& value, const QVariant& stored);

// What a user typed, checked against the value's kind: the value to store
// (an int or a QString) or, when refused, the reason.
struct ParsedValue {
    QVariant Value;
    QString Error;
};
ParsedValue ParseSettingText(const SettingValue& value, const QString& text);

// A value for people: numbers as digits (option bits and levels with their
// names), switches as 0 or 1, texts in double quotes.
QString FormatSettingValue(const SettingValue& value, const QVariant& used);

// The text of the store's warning for a value of the wrong type.
QString InvalidDataTypeMessage(const QString& key);
// The warning for a value of the right type that no setting can take.
QString OutOfRangeMessage(const QString& key);

}  // namespace trimora::app

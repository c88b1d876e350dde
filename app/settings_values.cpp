#include "settings_values.h"

#include <cstring>

#include <limits>

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

#include "thread_priority.h"

namespace trimora::app {

namespace {

constexpr const char* ThemeNames[] = {"Default", "OfficeXP", "Stripes"};

// Lower-case letters and digits only: "Below Normal", "below-normal" and
// "BelowNormal" name the same level.
QString Simplified(const QString& text) {
    QString out;
    for (QChar c : text)
        if (c.isLetterOrNumber()) out += c.toLower();
    return out;
}

// Decimal digits with an optional sign, in the range of a DWORD read either
// as signed or as unsigned; the result is the 32-bit pattern as an int.
std::optional<int> ParseDword(const QString& text, int base = 10) {
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok, base);
    if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
        number > static_cast<qlonglong>(std::numeric_limits<std::uint32_t>::max()))
        return std::nullopt;
    return static_cast<int>(static_cast<std::uint32_t>(number));
}

std::optional<int> ParseNumberText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) return ParseDword(trimmed.mid(2), 16);
    return ParseDword(trimmed);
}

ParsedValue Refuse(const QString& reason) { return {QVariant(), reason}; }

ParsedValue ParseOptionBits(const QString& text) {
    std::uint32_t bits = 0;
    if (const std::optional<int> number = ParseNumberText(text)) {
        bits = static_cast<std::uint32_t>(*number);
    } else {
        static const QRegularExpression separators(QStringLiteral("[\\s+|,]+"));
        const QStringList words = text.split(separators, Qt::SkipEmptyParts);
        if (words.isEmpty()) return Refuse(QStringLiteral("'%1' is neither a number nor option names").arg(text));
        for (const QString& word : words) {
            const OptionBitName* found = nullptr;
            for (const OptionBitName& option : CompressOptionNames) {
                const QString name = QLatin1String(option.Name);
                if (Simplified(word) == Simplified(name) || Simplified(word) == Simplified(name.mid(2)))
                    found = &option;
            }
            if (found == nullptr) return Refuse(QStringLiteral("'%1' is not an option name").arg(word));
            bits |= found->Bit;
        }
    }
    if ((bits & ~AllCompressOptions) != 0)
        return Refuse(QStringLiteral("%1 has bits outside the six options (at most 63)").arg(bits));
    const int originalMethods = int((bits & coDelete) != 0) + int((bits & coSuffix) != 0) + int((bits & coMove) != 0);
    if (originalMethods != 1) return Refuse(QStringLiteral("exactly one of coDelete, coSuffix and coMove must be set"));
    return {QVariant(static_cast<int>(bits)), {}};
}

ParsedValue ParsePriority(const QString& text) {
    if (const std::optional<int> number = ParseNumberText(text)) {
        if (FindPriorityLevel(*number) != nullptr) return {QVariant(*number), {}};
    } else {
        for (const PriorityLevel& level : PriorityLevels)
            if (Simplified(text) == Simplified(QLatin1String(level.Name))) return {QVariant(level.Level), {}};
    }
    QStringList levels;
    for (const PriorityLevel& level : PriorityLevels)
        levels << QStringLiteral("%1 (%2)").arg(level.Level).arg(QLatin1String(level.Name));
    return Refuse(
        QStringLiteral("'%1' is not a priority level; the levels are %2").arg(text, levels.join(QStringLiteral(", "))));
}

}  // namespace

QString DefaultMoveFolder() { return QStringLiteral("backup") + QDir::separator(); }

const std::vector<SettingValue>& SettingValues() {
    using K = ValueKind;
    using D = DefaultUse;
    static const std::vector<SettingValue> values = {
        {"CompressOptions", K::OptionBits, D::Written, int(DefaultCompressOptions), "", false,
         "where compressed files go and how originals are kept"},
        {"MoveFolder", K::Text, D::Written, 0, "", false, "folder originals are kept in with coMove"},
        {"OtherFolder", K::Text, D::Written, 0, "", false, "folder compressed files go to with coOtherFolder"},
        {"Suffix", K::Text, D::Fallback, 0, DefaultSuffix.data(), false, "added to an original's name with coSuffix"},
        {"Recurse", K::Switch, D::Written, 1, "", false, "adding a folder also adds its sub folders"},
        {"AutoSaveLoad", K::Switch, D::Written, 1, "", false,
         "the automatic list is loaded at start and saved at exit"},
        {"Priority", K::PriorityLevel, D::Written, 0, "", false, "thread priority level"},
        {"ShowTips", K::Switch, D::Fallback, 1, "", false, "show the tip of the day at start-up"},
        {"ScriptExt", K::Text, D::Fallback, 0, "*.js", false,
         "file patterns of the script format of older tag settings"},
        {"StyleExt", K::Text, D::Fallback, 0, "*.css", false,
         "file patterns of the style format of older tag settings"},
        {"MainForm/Width", K::Number, D::Written, 600, "", false, "main window width"},
        {"MainForm/Height", K::Number, D::Written, 450, "", false, "main window height"},
        {"MainForm/Left", K::Number, D::Centred, 300, "", false, "main window left edge"},
        {"MainForm/Top", K::Number, D::Centred, 225, "", true, "main window top edge"},
        {"MainForm/Column 1", K::Number, D::Written, 130, "", false, "width of the Filename column"},
        {"MainForm/Column 2", K::Number, D::Written, 150, "", false, "width of the Path column"},
        {"MainForm/Column 3", K::Number, D::Written, 70, "", false, "width of the Size column"},
        {"MainForm/Column 4", K::Number, D::Written, 110, "", false, "width of the Modified column"},
        {"MainForm/Column 5", K::Number, D::Written, 128, "", false, "width of the Status column"},
        {"MainForm/Theme", K::ThemeName, D::Fallback, 0, "Default", false, "look of menu bar and toolbar"},
        {"OptionsForm/Width", K::Number, D::Written, 350, "", false, "options dialog width"},
        {"OptionsForm/Height", K::Number, D::Written, 450, "", false, "options dialog height"},
        {"OptionsForm/Left", K::Number, D::Centred, 175, "", false, "options dialog left edge"},
        {"OptionsForm/Top", K::Number, D::Centred, 225, "", true, "options dialog top edge"},
    };
    return values;
}

int DefaultNumberOf(const char* key) {
    for (const SettingValue& value : SettingValues())
        if (std::strcmp(value.Key, key) == 0) return value.Number;
    return 0;
}

QString DefaultTextOf(const char* key) {
    for (const SettingValue& value : SettingValues())
        if (std::strcmp(value.Key, key) == 0) return QString::fromUtf8(value.Text);
    return {};
}

const SettingValue* FindSettingValue(const QString& name) {
    for (const SettingValue& value : SettingValues())
        if (name.compare(QLatin1String(value.Key), Qt::CaseInsensitive) == 0) return &value;
    return nullptr;
}

QVariant DefaultValue(const SettingValue& value, const std::optional<QSize>& primaryScreen) {
    switch (value.Kind) {
        case ValueKind::Text:
            // The one text default that depends on the platform.
            if (qstrcmp(value.Key, "MoveFolder") == 0) return DefaultMoveFolder();
            return QString::fromLatin1(value.Text);
        case ValueKind::ThemeName:
            return QString::fromLatin1(value.Text);
        default:
            break;
    }
    if (value.Use != DefaultUse::Centred) return value.Number;
    if (!primaryScreen) return {};
    // Half the screen, as an unsigned shift, less half the window.
    const auto extent = static_cast<std::uint32_t>(value.Vertical ? primaryScreen->height() : primaryScreen->width());
    return static_cast<int>(extent >> 1) - value.Number;
}

std::optional<int> StoredNumber(const QVariant& stored) {
    switch (stored.typeId()) {
        case QMetaType::Bool:
            return stored.toBool() ? 1 : 0;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::QString:
            return ParseDword(stored.toString());
        default:
            return std::nullopt;
    }
}

std::optional<bool> StoredSwitch(const QVariant& stored) {
    if (stored.typeId() == QMetaType::QString) {
        // A settings file written by QVariant(bool) says true or false.
        const QString text = stored.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
    }
    if (const std::optional<int> number = StoredNumber(stored)) return *number != 0;
    return std::nullopt;
}

std::optional<QString> StoredText(const QVariant& stored) {
    if (stored.typeId() != QMetaType::QString) return std::nullopt;
    return stored.toString();
}

std::optional<QVariant> StoredValue(const SettingValue& value, const QVariant& stored) {
    switch (value.Kind) {
        case ValueKind::Text:
        case ValueKind::ThemeName:
            if (const auto text = StoredText(stored)) return QVariant(*text);
            return std::nullopt;
        case ValueKind::Switch:
            if (const auto on = StoredSwitch(stored)) return QVariant(*on);
            return std::nullopt;
        default:
            if (const auto number = StoredNumber(stored)) return QVariant(*number);
            return std::nullopt;
    }
}

ParsedValue ParseSettingText(const SettingValue& value, const QString& text) {
    switch (value.Kind) {
        case ValueKind::Text:
            return {QVariant(text), {}};
        case ValueKind::ThemeName:
            for (const char* theme : ThemeNames)
                if (text.compare(QLatin1String(theme), Qt::CaseInsensitive) == 0)
                    return {QVariant(QString::fromLatin1(theme)), {}};
            return Refuse(
                QStringLiteral("'%1' is not a theme; the themes are Default, OfficeXP and Stripes").arg(text));
        case ValueKind::Switch: {
            const QString word = text.trimmed().toLower();
            for (const char* on : {"1", "true", "yes", "on"})
                if (word == QLatin1String(on)) return {QVariant(1), {}};
            for (const char* off : {"0", "false", "no", "off"})
                if (word == QLatin1String(off)) return {QVariant(0), {}};
            return Refuse(
                QStringLiteral("'%1' is not a switch: give 1 or 0 (true or false, yes or no, on or off)").arg(text));
        }
        case ValueKind::PriorityLevel:
            return ParsePriority(text);
        case ValueKind::OptionBits:
            return ParseOptionBits(text);
        case ValueKind::Number: {
            // Positions may lie left of or above the screen; sizes may not be negative.
            bool ok = false;
            const qlonglong number = text.trimmed().toLongLong(&ok);
            const qlonglong lowest = value.Use == DefaultUse::Centred ? std::numeric_limits<std::int32_t>::min() : 0;
            if (!ok) return Refuse(QStringLiteral("'%1' is not a whole number").arg(text));
            if (number < lowest || number > std::numeric_limits<std::int32_t>::max())
                return Refuse(QStringLiteral("%1 is out of range: give a whole number from %2 to 2147483647")
                                  .arg(number)
                                  .arg(lowest));
            return {QVariant(static_cast<int>(number)), {}};
        }
    }
    return Refuse(QStringLiteral("cannot be set"));
}

QString FormatSettingValue(const SettingValue& value, const QVariant& used) {
    switch (value.Kind) {
        case ValueKind::Text:
        case ValueKind::ThemeName:
            return QLatin1Char('"') + used.toString() + QLatin1Char('"');
        case ValueKind::Switch:
            return used.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case ValueKind::PriorityLevel: {
            const PriorityLevel* level = FindPriorityLevel(used.toInt());
            return QStringLiteral("%1 (%2)")
                .arg(used.toInt())
                .arg(level != nullptr ? QLatin1String(level->Name) : QLatin1String("not a level"));
        }
        case ValueKind::OptionBits: {
            const auto bits = static_cast<std::uint32_t>(used.toInt());
            QStringList names;
            for (const OptionBitName& option : CompressOptionNames)
                if ((bits & option.Bit) != 0) names << QLatin1String(option.Name);
            if ((bits & ~AllCompressOptions) != 0)
                names << QStringLiteral("0x%1").arg(bits & ~AllCompressOptions, 0, 16);
            return QStringLiteral("%1 (%2)").arg(bits).arg(names.isEmpty() ? QStringLiteral("none")
                                                                           : names.join(QLatin1Char(' ')));
        }
        case ValueKind::Number:
            return QString::number(used.toInt());
    }
    return used.toString();
}

QString InvalidDataTypeMessage(const QString& key) { return QStringLiteral("Invalid data type for '%1'").arg(key); }

QString OutOfRangeMessage(const QString& key) {
    return QStringLiteral("Value out of range for '%1'; its default is used").arg(key);
}

}  // namespace trimora::app

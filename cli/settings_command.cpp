#include <iostream>
#include <string>

#include <QStringDecoder>

#include "app_paths.h"
#include "cli_commands.h"
#include "cli_settings.h"
#include "restore_defaults.h"

namespace trimora::cli {

namespace {

constexpr std::string_view SettingsHelp =
    "Usage: trimora-cli settings show\n"
    "       trimora-cli settings set NAME VALUE\n"
    "       trimora-cli settings reset\n"
    "\n"
    "The settings trimora-cli and the Trimora window share. Nothing stored yet\n"
    "(the first use) writes the defaults, the built-in tag settings and the .lst\n"
    "association first, as the first start of the window does.\n"
    "\n"
    "  show             print every setting, whether it is stored or its default,\n"
    "                   and the value used\n"
    "  set NAME VALUE   store one setting; the value is checked against its type\n"
    "  reset            write every default again, the built-in tag settings and\n"
    "                   the .lst association (files replaced are kept)\n"
    "\n"
    "Settings that set takes (names ignore case):\n";

constexpr std::string_view SettingsHelpEnd =
    "\n"
    "CompressOptions takes a number or option names joined by '+', for example\n"
    "coRecycle+coMove (40); exactly one of coDelete, coSuffix and coMove. Priority\n"
    "takes a level (-15, -2, -1, 0, 1, 2, 15) or its name (Idle, Lowest, Below\n"
    "Normal, Normal, Above Normal, Highest, Time Critical). Switches take 1 or 0.\n"
    "\n"
    "The settings live in $TRIMORA_HOME/Trimora.conf when TRIMORA_HOME is set,\n"
    "else in ~/.config/Kestrova/Trimora.conf.\n"
    "\n"
    "Exit status: 0 on success, 1 when the settings could not be read or written,\n"
    "2 on a usage error (an unknown setting or a value it does not take).\n";

void PrintRow(std::size_t nameWidth, const QString& name, std::string_view source, const QString& value) {
    std::string padded = name.toStdString();
    padded.resize(std::max(padded.size(), nameWidth), ' ');
    std::string sourceText(source);
    sourceText.resize(9, ' ');
    std::cout << padded << "  " << sourceText << value.toStdString() << '\n';
}

int Show(const Arguments& arguments) {
    if (!arguments.empty()) return UsageError("settings", "show takes no arguments");
    app::SettingsStore store;
    PrepareSettings(store, "settings show");
    QSettings& settings = store.Settings();
    std::cout << "Settings:      " << store.Location().toStdString() << '\n'
              << "Tag settings:  " << app::TagSettingsPath().toStdString() << "\n\n";

    constexpr std::size_t nameWidth = 18;
    QStringList warnings;
    for (const app::SettingValue& value : app::SettingValues()) {
        const QString key = QLatin1String(value.Key);
        bool wrongType = false;
        const std::optional<QVariant> stored = app::ReadStoredValue(settings, value, &wrongType);
        if (wrongType) warnings << app::InvalidDataTypeMessage(key) + QStringLiteral("; its default is used");
        const QVariant byDefault = app::DefaultValue(value);
        const QString defaultText =
            byDefault.isValid() ? app::FormatSettingValue(value, byDefault) : QStringLiteral("(centred on the screen)");
        if (!stored) {
            PrintRow(nameWidth, key, wrongType ? "invalid" : "default", defaultText);
        } else if (key == QLatin1String("Suffix") && app::IsBlank(stored->toString())) {
            PrintRow(nameWidth, key, "stored",
                     defaultText + QStringLiteral(" (stored %1 is blank)").arg(app::FormatSettingValue(value, *stored)));
        } else {
            PrintRow(nameWidth, key, "stored", app::FormatSettingValue(value, *stored));
        }
    }

    const QStringList recent = app::LoadRecentLists(settings, &warnings);
    for (qsizetype i = 0; i < recent.size(); ++i)
        PrintRow(nameWidth, QStringLiteral("mru/%1").arg(i + 1), "stored",
                 QLatin1Char('"') + recent[i] + QLatin1Char('"'));
    if (recent.isEmpty()) PrintRow(nameWidth, QStringLiteral("mru"), "default", QStringLiteral("(no recent lists)"));

    settings.beginGroup(QLatin1String(app::MainFormGroup));
    const std::optional<QStringList> toolbar = app::ReadToolbarNames(settings, &warnings);
    settings.endGroup();
    if (toolbar) {
        QStringList shown;
        for (const QString& name : *toolbar) shown << (name.isEmpty() ? QStringLiteral("-") : name);
        PrintRow(nameWidth, QStringLiteral("MainForm/Toolbar"), "stored", shown.join(QStringLiteral(", ")));
    } else {
        PrintRow(nameWidth, QStringLiteral("MainForm/Toolbar"), "default", QStringLiteral("(empty)"));
    }

    const QString stateKey = QLatin1String(app::ToolbarsStateKey);
    const QVariant state = settings.value(stateKey);
    const QString stateDefault = QStringLiteral("(as the window lays out its bars)");
    if (state.typeId() == QMetaType::QByteArray) {
        PrintRow(nameWidth, stateKey, "stored", QStringLiteral("(%1 bytes)").arg(state.toByteArray().size()));
    } else if (state.isValid()) {
        PrintRow(nameWidth, stateKey, "invalid", stateDefault);
        warnings << app::InvalidDataTypeMessage(stateKey) + QStringLiteral("; its default is used");
    } else {
        PrintRow(nameWidth, stateKey, "default", stateDefault);
    }

    PrintMessages("settings show", warnings);
    return ExitOk;
}

int Set(const Arguments& arguments) {
    if (arguments.size() != 2) return UsageError("settings", "set takes NAME and VALUE");
    const QString name = QString::fromStdString(arguments[0]);
    const app::SettingValue* value = app::FindSettingValue(name);
    if (value == nullptr)
        return UsageError("settings",
                          "unknown setting '" + arguments[0] + "'; 'trimora-cli settings --help' lists them");
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(QByteArray::fromStdString(arguments[1]));
    if (utf8.hasError())
        return UsageError("settings", "the value for " + std::string(value->Key) + " is not UTF-8 text");
    const app::ParsedValue parsed = app::ParseSettingText(*value, text);
    if (!parsed.Error.isEmpty())
        return UsageError("settings", std::string(value->Key) + ": " + parsed.Error.toStdString());

    app::SettingsStore store;
    const QString notChanged = QStringLiteral("%1 was not changed").arg(QLatin1String(value->Key));
    if (!store.Problem().isEmpty()) {
        PrintMessages("settings set", {store.Problem(), notChanged});
        return ExitFailed;
    }
    PrepareSettings(store, "settings set");
    store.Settings().setValue(QLatin1String(value->Key), parsed.Value);
    QString error;
    if (!store.Sync(&error)) {
        PrintMessages("settings set", {error, notChanged});
        return ExitFailed;
    }
    std::cout << value->Key << " = " << app::FormatSettingValue(*value, parsed.Value).toStdString() << '\n';
    return ExitOk;
}

int Reset(const Arguments& arguments) {
    if (!arguments.empty()) return UsageError("settings", "reset takes no arguments");
    app::SettingsStore store;
    const app::RestoreReport report = app::RestoreDefaults(store, true, std::nullopt, ThisUsersAssociation());
    if (!report.DamagedSettingsKeptAs.isEmpty())
        std::cout << "The damaged settings file is kept as " << report.DamagedSettingsKeptAs.toStdString() << '\n';
    if (report.SettingsWritten) std::cout << "Wrote the default settings to " << store.Location().toStdString() << '\n';
    if (report.TagSettingsWritten)
        std::cout << "Wrote the built-in tag settings to " << app::TagSettingsPath().toStdString() << '\n';
    if (!report.OldTagSettingsKeptAs.isEmpty())
        std::cout << "The tag settings there before are kept as " << report.OldTagSettingsKeptAs.toStdString() << '\n';
    for (const QString& kept : report.Association.KeptFiles)
        std::cout << "A file the association replaced is kept as " << kept.toStdString() << '\n';
    if (report.Associated) std::cout << "*.lst files are associated with Trimora\n";
    PrintMessages("settings reset", report.Problems);
    return report.Problems.isEmpty() ? ExitOk : ExitFailed;
}

void PrintHelp() {
    std::cout << SettingsHelp;
    for (const app::SettingValue& value : app::SettingValues()) {
        std::string name = value.Key;
        name.resize(std::max<std::size_t>(name.size(), 20), ' ');
        std::cout << "  " << name << "  " << value.Meaning << '\n';
    }
    std::cout << SettingsHelpEnd;
}

}  // namespace

int RunSettingsCommand(const Arguments& arguments) {
    if (arguments.empty()) return UsageError("settings", "missing show, set or reset");
    for (const std::string& argument : arguments) {
        if (IsHelpOption(argument)) {
            PrintHelp();
            return ExitOk;
        }
    }
    const Arguments rest(arguments.begin() + 1, arguments.end());
    if (arguments[0] == "show") return Show(rest);
    if (arguments[0] == "set") return Set(rest);
    if (arguments[0] == "reset") return Reset(rest);
    return UsageError("settings", "unknown settings command '" + arguments[0] + "'");
}

}  // namespace trimora::cli

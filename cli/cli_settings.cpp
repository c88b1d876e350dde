#include "cli_settings.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include <QFile>

#include "app_paths.h"
#include "restore_defaults.h"

namespace trimora::cli {

app::WindowProgram DesktopProgram() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || self.empty()) return {QStringLiteral("trimora"), false};
    return app::FindWindowProgram(QFile::decodeName(QByteArray::fromStdString(self.string())));
}

app::LstAssociation ThisUsersAssociation() { return app::LstAssociation::ForProgram(DesktopProgram().Path); }

void PrintMessages(std::string_view command, const QStringList& messages) {
    for (const QString& message : messages)
        std::cerr << "trimora-cli" << (command.empty() ? "" : " ") << command << ": " << message.toStdString() << '\n';
}

void PrepareSettings(app::SettingsStore& store, std::string_view command, bool quiet) {
    if (!store.Problem().isEmpty())
        PrintMessages(command, {store.Problem(), QStringLiteral("'trimora-cli settings reset' sets the file aside and "
                                                                "writes the defaults")});
    const std::optional<app::RestoreReport> firstStart =
        app::RunFirstStart(store, std::nullopt, ThisUsersAssociation(), app::AssociationStep::Leave);
    if (!firstStart) return;
    if (quiet) return PrintMessages(command, firstStart->Problems);
    QStringList notes;
    if (firstStart->SettingsWritten)
        notes << QStringLiteral("first use: wrote the default settings to %1").arg(store.Location());
    if (firstStart->TagSettingsWritten)
        notes << QStringLiteral("first use: wrote the built-in tag settings to %1").arg(app::TagSettingsPath());
    if (!firstStart->OldTagSettingsKeptAs.isEmpty())
        notes << QStringLiteral("the tag settings there before are kept as %1").arg(firstStart->OldTagSettingsKeptAs);
    PrintMessages(command, notes + firstStart->Problems);
}

app::CompressDefaults StoredCompressDefaults(std::string_view command, bool quiet) {
    app::SettingsStore store;
    PrepareSettings(store, command, quiet);
    QStringList warnings;
    app::CompressDefaults defaults = app::ReadCompressDefaults(store, &warnings);
    for (QString& warning : warnings) warning += QStringLiteral("; its default is used");
    PrintMessages(command, warnings);
    return defaults;
}

}  // namespace trimora::cli

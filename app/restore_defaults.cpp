#include "restore_defaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app_paths.h"
#include "default_rules.h"
#include "file_io.h"

namespace trimora::app {

namespace {

bool SameBytes(const QString& path, std::span<const std::uint8_t> bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray content = file.readAll();
    return content.size() == static_cast<qsizetype>(bytes.size()) &&
           std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const std::uint8_t*>(content.constData()));
}

void WriteTagSettings(RestoreReport& report) {
    const std::span<const std::uint8_t> bytes = DefaultRuleBytes();
    const QString path = TagSettingsPath();
    if (!QDir().mkpath(DataFolder())) {
        report.Problems << QStringLiteral("Cannot create folder %1").arg(DataFolder());
        return;
    }
    if (QFileInfo(path).isFile() && !SameBytes(path, bytes)) {
        // Edited tag settings are worth keeping.
        const QString kept = path + QStringLiteral(".bak");
        QFile::remove(kept);
        if (!QFile::copy(path, kept)) {
            report.Problems << QStringLiteral("Cannot keep a copy of %1 as %2; it was left as it was").arg(path, kept);
            return;
        }
        report.OldTagSettingsKeptAs = kept;
    }
    std::string error;
    if (!WriteFileReplacing(QFile::encodeName(path).toStdString(), bytes.data(), bytes.size(), &error)) {
        report.Problems << QStringLiteral("Cannot create file %1 (%2)").arg(path, QString::fromStdString(error));
        return;
    }
    report.TagSettingsWritten = true;
}

}  // namespace

QStringList DefaultToolbarButtons() {
    return {QStringLiteral("CompressCmd"),
            QString(),
            QStringLiteral("CropCmd"),
            QStringLiteral("DeleteCmd"),
            QString(),
            QStringLiteral("AddDirCmd"),
            QStringLiteral("ClearCmd"),
            QStringLiteral("LoadListCmd"),
            QStringLiteral("SaveListCmd"),
            QString(),
            QStringLiteral("PreviewCmd")};
}

RestoreReport RestoreDefaults(SettingsStore& store, bool Overwrite, const std::optional<QSize>& primaryScreen,
                              const LstAssociation& association, AssociationStep step) {
    RestoreReport report;
    WriteTagSettings(report);
    if (Overwrite && !store.Problem().isEmpty()) {
        // Every value is about to be rewritten: keep the damaged file beside
        // the new one instead of refusing.
        QString error;
        if (!store.SetDamagedFileAside(&report.DamagedSettingsKeptAs, &error)) report.Problems << error;
    }

    QSettings& settings = store.Settings();
    for (const SettingValue& value : SettingValues()) {
        if (value.Use == DefaultUse::Fallback) continue;
        const QString key = QLatin1String(value.Key);
        const QVariant byDefault = DefaultValue(value, primaryScreen);
        if (!byDefault.isValid()) {
            if (Overwrite) settings.remove(key);
            continue;
        }
        if (Overwrite || !settings.contains(key)) settings.setValue(key, byDefault);
    }
    settings.beginGroup(QLatin1String(MainFormGroup));
    const bool toolbarStored = settings.childGroups().contains(QLatin1String(ToolbarGroup));
    if (Overwrite || !toolbarStored) SaveToolbar(settings, DefaultToolbarButtons());
    settings.endGroup();
    QString error;
    report.SettingsWritten = store.Sync(&error);
    if (!report.SettingsWritten) report.Problems << error;

    if (Overwrite && step == AssociationStep::Write) {
        AssociateLst(true, true, association, &report.Association);
        report.Associated = AssociateLst(true, false, association);
        report.Problems << report.Association.Problems;
    }
    return report;
}

std::optional<RestoreReport> RunFirstStart(SettingsStore& store, const std::optional<QSize>& primaryScreen,
                                           const LstAssociation& association, AssociationStep step) {
    if (store.KeyExists() || !store.Problem().isEmpty()) return std::nullopt;
    return RestoreDefaults(store, true, primaryScreen, association, step);
}

}  // namespace trimora::app

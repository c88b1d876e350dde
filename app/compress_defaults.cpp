#include "compress_defaults.h"

#include <QFile>

#include "app_paths.h"

namespace trimora::app {

CompressDefaults ReadCompressDefaults(SettingsStore& store, QStringList* warnings) {
    TrimoraSettings settings;
    LoadSettingsVariables(store.Settings(), settings, warnings);
    CompressDefaults defaults;
    defaults.CompressOptions = settings.CompressOptions;
    defaults.MoveFolder = settings.MoveFolder.toStdString();
    defaults.OtherFolder = settings.OtherFolder.toStdString();
    defaults.Suffix = settings.Suffix.toStdString();
    defaults.Recurse = settings.Recurse;
    defaults.AutoSaveLoad = settings.AutoSaveLoad;
    defaults.Priority = settings.Priority;
    defaults.Fallback = ReadFallbackPatterns(store.Settings(), warnings);
    defaults.TagSettingsPath = QFile::encodeName(TagSettingsPath()).toStdString();
    return defaults;
}

}  // namespace trimora::app

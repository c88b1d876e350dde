#include "compress_defaults.h"

#include <QFile>

#include "app_paths.h"

namespace trimora::app {

namespace {
std::string Bytes(const QString& text) { return QFile::encodeName(text).toStdString(); }
QString Text(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }
}  // namespace

TBatchOptions BatchOptionsOf(const TrimoraSettings& settings) {
    TBatchOptions options;
    options.CompressOptions = settings.CompressOptions;
    options.MoveFolder = Bytes(settings.MoveFolder);
    options.OtherFolder = Bytes(settings.OtherFolder);
    options.Suffix = EffectiveSuffix(Bytes(settings.Suffix));
    options.Recurse = settings.Recurse;
    options.AutoSaveLoad = settings.AutoSaveLoad;
    return options;
}

void StoreBatchOptions(const TBatchOptions& options, TrimoraSettings& settings) {
    settings.CompressOptions = options.CompressOptions;
    settings.MoveFolder = Text(options.MoveFolder);
    settings.OtherFolder = Text(options.OtherFolder);
    settings.Suffix = Text(options.Suffix);
    settings.Recurse = options.Recurse;
    settings.AutoSaveLoad = options.AutoSaveLoad;
}

CompressDefaults ReadCompressDefaults(SettingsStore& store, QStringList* warnings) {
    TrimoraSettings settings;
    LoadSettingsVariables(store.Settings(), settings, warnings);
    CompressDefaults defaults;
    defaults.Options = BatchOptionsOf(settings);
    defaults.Priority = settings.Priority;
    defaults.Fallback = ReadFallbackPatterns(store.Settings(), warnings);
    defaults.TagSettingsPath = Bytes(TagSettingsPath());
    return defaults;
}

}  // namespace trimora::app

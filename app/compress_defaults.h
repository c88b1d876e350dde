#pragma once

#include <cstdint>
#include <string>

#include <QStringList>

#include "batch_options.h"
#include "settings_store.h"
#include "trimora.h"

namespace trimora::app {

// The settings variables as the batch layer reads them, and back as they
// are stored (runs normalise MoveFolder and OtherFolder; that is what is
// stored). The one place the two meet.
TBatchOptions BatchOptionsOf(const TrimoraSettings& settings);
void StoreBatchOptions(const TBatchOptions& options, TrimoraSettings& settings);

// What a compress run takes from the store: the settings variables, the
// patterns of the fallback formats and the tag-settings file of the data
// folder. Texts are the file system's bytes.
struct CompressDefaults {
    TBatchOptions Options;        // Suffix never blank: ".bak" stands in
    int Priority = 0;             // a thread priority level, for ApplyThreadPriority
    FallbackPatterns Fallback;    // "ScriptExt" and "StyleExt", or "*.js" and "*.css"
    std::string TagSettingsPath;  // trimora.nti in the data folder
};

// Reads them; values absent or of the wrong type (reported in warnings) give
// their defaults. Run RunFirstStart on the store before, as a start would.
CompressDefaults ReadCompressDefaults(SettingsStore& store, QStringList* warnings = nullptr);

}  // namespace trimora::app

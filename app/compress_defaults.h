#pragma once

#include <cstdint>
#include <string>

#include <QStringList>

#include "settings_store.h"
#include "trimora.h"

namespace trimora::app {

// What a compress run takes from the store: the settings variables, the
// patterns of the fallback formats and the tag-settings file of the data
// folder. Texts are UTF-8.
struct CompressDefaults {
    std::uint32_t CompressOptions = DefaultCompressOptions;
    std::string MoveFolder;
    std::string OtherFolder;
    std::string Suffix;  // never blank: ".bak" stands in
    bool Recurse = true;
    bool AutoSaveLoad = true;
    int Priority = 0;             // a thread priority level, for ApplyThreadPriority
    FallbackPatterns Fallback;    // "ScriptExt" and "StyleExt", or "*.js" and "*.css"
    std::string TagSettingsPath;  // trimora.nti in the data folder
};

// Reads them; values absent or of the wrong type (reported in warnings) give
// their defaults. Run RunFirstStart on the store before, as a start would.
CompressDefaults ReadCompressDefaults(SettingsStore& store, QStringList* warnings = nullptr);

}  // namespace trimora::app

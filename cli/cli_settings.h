#pragma once

#include <string_view>

#include <QString>
#include <QStringList>

#include "app_paths.h"
#include "compress_defaults.h"
#include "lst_association.h"
#include "settings_store.h"

namespace trimora::cli {

// The program the .lst association starts: the desktop program "trimora" of
// the same installation or build folder as trimora-cli, so that both write
// the same association.
app::WindowProgram DesktopProgram();
app::LstAssociation ThisUsersAssociation();

// The first use: when nothing is stored yet, the defaults and the built-in
// tag settings are written, as the first start of the desktop program does,
// but no desktop association (a build server has no desktop; the window's
// first start, `associate on` and `settings reset` write it). Says so on
// standard error unless quiet. Also reports a store that cannot be written.
// Every command that reads the settings calls this first.
void PrepareSettings(app::SettingsStore& store, std::string_view command, bool quiet = false);

// "trimora-cli COMMAND: text" on standard error, one line each.
void PrintMessages(std::string_view command, const QStringList& messages);

// The stored defaults of a compress run, after the first use; warnings about
// values of the wrong type go to standard error.
app::CompressDefaults StoredCompressDefaults(std::string_view command, bool quiet = false);

}  // namespace trimora::cli

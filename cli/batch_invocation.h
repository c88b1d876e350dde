#pragma once

// What compress, restore, remove-backups, sync and watch share: their
// options, the stored settings with the options over them, the engines on
// the rules chosen, and the list of the paths given with its scan filter.

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "batch_options.h"
#include "cli_commands.h"
#include "compress_defaults.h"
#include "console_batch_callbacks.h"
#include "file_list.h"
#include "report_formats.h"
#include "restore.h"
#include "scan_filter.h"

namespace trimora::cli {

enum BatchOption : unsigned {
    OptOut = 1u << 0,
    OptFlat = 1u << 1,
    OptPreserveDirs = 1u << 2,
    OptSync = 1u << 3,
    OptUpdate = 1u << 4,
    OptBackup = 1u << 5,
    OptRecurse = 1u << 6,
    OptNoRecurse = 1u << 7,
    OptExclude = 1u << 8,
    OptHidden = 1u << 9,
    OptRules = 1u << 10,
    OptReport = 1u << 11,
    OptReportFormat = 1u << 12,
    OptJobs = 1u << 13,
    OptDryRun = 1u << 14,
    OptQuiet = 1u << 15,
};

// The options as given, before the stored settings are known.
struct BatchInvocation {
    std::optional<std::string> Out;  // absolute, ending with the separator
    bool Flat = false;
    bool PreserveDirs = false;
    bool Sync = false;
    bool Update = false;
    std::optional<std::string> Backup;
    std::optional<bool> Recurse;
    std::vector<std::string> Excludes;
    bool Hidden = false;
    std::string RulesFile;
    std::optional<std::string> ReportFile;
    TReportFormat ReportFormat = TReportFormat::Log;
    unsigned Jobs = 1;
    bool DryRun = false;
    bool Quiet = false;
    std::vector<std::string> Paths;
};

// Reads the arguments of a command taking the options in `accepted`.
// Answers a usage error, or nothing.
std::optional<std::string> ParseBatchInvocation(const Arguments& arguments, unsigned accepted,
                                                std::string_view command, BatchInvocation& invocation);

// The stored settings with the options given over them, for this run only.
// A relative --out is taken from the current folder and keeps the folder
// tree unless --flat; --backup without --out compresses in place; without
// either the stored settings keep their meaning.
TBatchOptions SettingsFor(const BatchInvocation& invocation, const app::CompressDefaults& stored);

// The engine on the rules of the invocation: the file or built-in set
// given, or the user's file in the data folder, or the classic rules when
// that cannot be made. The workers of a run share its rule tree.
class EngineSource {
public:
    explicit EngineSource(FallbackPatterns fallback) : fallback_(std::move(fallback)) {}

    // False (explained on standard error) when the rules cannot be used.
    bool Prepare(std::string_view command, const std::string& rulesArgument);
    TTrimora& First() { return *first_; }

private:
    FallbackPatterns fallback_;
    std::unique_ptr<TTrimora> first_;
};

// Checks a --rules file before anything is written (the settings of a first
// use included). False when it cannot be used; the reason is printed.
bool CheckRulesFileFirst(std::string_view command, const std::string& rulesFile);

// One batch command at work: its settings, engines, list and filter.
class BatchSession {
public:
    BatchSession(std::string_view command, const BatchInvocation& invocation);

    // The first use, the settings and the rules. False: exit with
    // ExitFailed (the reason was printed).
    bool Start();
    // Lists the paths given: a missing one is reported and counted as a
    // problem; folders are scanned through the filter.
    void AddPaths(bool addRecordedOriginals = false);
    // The folder the output tree and the mirror start from: the folder
    // common to every entry and every folder given.
    std::string Base() const;
    // How --sync and sync copy: below Base(), through the filter, never
    // replacing the compressed copy of a listed or supported file.
    TSyncSettings SyncSettings(bool update);
    // Prints what a synchronisation copied (and, unless only the lines are
    // wanted, how many); false when something failed.
    bool ReportSync(const TSyncResult& result, bool withCount = true);
    // Writes the report the invocation asks for; false when it could not.
    bool WriteReport();
    bool Failed() const { return problems_ || Callbacks.AnyFailed() || Callbacks.AnyRefused(); }
    void Problem() { problems_ = true; }

    const std::string Command;
    const BatchInvocation& Invocation;
    TBatchOptions Settings;
    TScanFilter Filter;
    std::unique_ptr<EngineSource> Engines;
    ConsoleBatchCallbacks Callbacks;
    std::unique_ptr<TFileList> List;
    std::vector<std::string> GivenFolders;

private:
    bool problems_ = false;
    std::set<std::string> listed_;
};

}  // namespace trimora::cli

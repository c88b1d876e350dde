// compress, restore, remove-backups and sync: the batch operations on the
// files, folders and list files named on the command line.

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "batch_options.h"
#include "cli_commands.h"
#include "cli_settings.h"
#include "compress_run.h"
#include "console_batch_callbacks.h"
#include "console_prompts.h"
#include "data_folder.h"
#include "default_rules.h"
#include "file_io.h"
#include "file_list.h"
#include "paths.h"
#include "report.h"
#include "restore.h"
#include "trimora.h"

namespace fs = std::filesystem;

namespace trimora::cli {

namespace {

enum class Operation { Compress, Restore, RemoveBackups, Sync };

// Options each operation accepts.
enum OptionBit : unsigned {
    OptOut = 1, OptPreserveDirs = 2, OptBackup = 4, OptRecurse = 8, OptRules = 16,
    OptReport = 32, OptJobs = 64, OptDryRun = 128, OptQuiet = 256,
};

struct OperationInfo {
    Operation Kind;
    std::string_view Name;
    unsigned Options;
    std::string_view Help;
};

constexpr std::string_view CommonOptionHelp =
    "  --backup METHOD     how originals are kept: move[:DIR] (DIR absolute, or\n"
    "                      relative to each file's folder; default backup/ beside\n"
    "                      each file), suffix[:SUFFIX] (default .bak), trash, none\n"
    "  --recurse           scan sub-folders of the folders given (the default)\n"
    "  --no-recurse        scan only the folders themselves\n"
    "  --rules RULES       tag-settings file deciding which files are supported and\n"
    "                      how they are compressed, or classic or modern for a\n"
    "                      built-in set (default: trimora.nti in the data folder,\n"
    "                      made from the classic rules on first use)\n";

constexpr OperationInfo Operations[] = {
    {Operation::Compress, "compress",
     OptOut | OptPreserveDirs | OptBackup | OptRecurse | OptRules | OptReport | OptJobs | OptDryRun | OptQuiet,
     "Usage: trimora-cli compress [OPTIONS] PATH...\n"
     "Compresses the files, folders and list files (.lst) given. Folders are scanned\n"
     "for the files the rules support; each original is kept as --backup says before\n"
     "its file is replaced, or with --out the compressed copies go elsewhere and the\n"
     "originals stay untouched.\n"
     "\n"
     "Options:\n"
     "  --out DIR           place compressed files in DIR (absolute, or relative to\n"
     "                      each file's folder) instead of replacing the originals\n"
     "  --preserve-dirs     with --out: keep each file's folder below the folder\n"
     "                      common to all files\n"},
    {Operation::Restore, "restore", OptBackup | OptRecurse | OptRules | OptReport | OptQuiet,
     "Usage: trimora-cli restore [OPTIONS] PATH...\n"
     "Puts the originals of the files given back from their backups: the method of\n"
     "--backup first, then the others. A backup in a shared folder is only taken\n"
     "back for the file it was made from.\n"
     "\n"
     "Options:\n"},
    {Operation::RemoveBackups, "remove-backups", OptBackup | OptRecurse | OptRules | OptReport | OptQuiet,
     "Usage: trimora-cli remove-backups [OPTIONS] PATH...\n"
     "Deletes the backups of the files given, for good; the files stay as they are.\n"
     "\n"
     "Options:\n"},
    {Operation::Sync, "sync", OptOut | OptPreserveDirs | OptBackup | OptRecurse | OptRules | OptQuiet,
     "Usage: trimora-cli sync --out DIR --preserve-dirs [OPTIONS] PATH...\n"
     "Copies every file below the folder common to the files given that the mirror\n"
     "folder DIR lacks (images, for instance), so that it becomes a complete copy of\n"
     "the site. A file already in the mirror is never replaced. DIR must be absolute.\n"
     "\n"
     "Options:\n"
     "  --out DIR           the mirror folder\n"
     "  --preserve-dirs     required: the mirror keeps the site's folders\n"},
};

constexpr std::string_view TrailingHelp =
    "  --quiet             print nothing but errors\n"
    "\n"
    "Output: one line per file with its path and status, then the number of files\n"
    "and their bytes (and how much smaller they became). On a terminal a progress\n"
    "line is shown on standard error during long runs; Ctrl+C stops after the file\n"
    "being processed.\n"
    "Exit status: 0 when every file ended well, 1 when any ended in \"Unable to\n"
    "Backup\", \"Compress Failed\", \"Restore Failed\" or \"Backup Removal Failed\" or a\n"
    "path or file could not be read or written, 2 on a usage error.\n";

void PrintHelp(const OperationInfo& info) {
    std::cout << info.Help << CommonOptionHelp;
    if (info.Options & OptReport)
        std::cout << "  --report FILE       write the size report (tab-separated) to FILE; - for\n"
                     "                      standard output\n";
    if (info.Options & OptJobs)
        std::cout << "  --jobs N            compress with N workers at once; the results are the\n"
                     "                      same as with one (default 1)\n";
    if (info.Options & OptDryRun)
        std::cout << "  --dry-run           compress in memory only and report what would be\n"
                     "                      saved; nothing is written\n";
    std::cout << TrailingHelp;
}

// The option defaults: the settings stored for the window, written on first use.
TBatchOptions StoredBatchOptions(const app::CompressDefaults& stored) {
    TBatchOptions options;
    options.CompressOptions = stored.CompressOptions;
    options.MoveFolder = stored.MoveFolder;
    options.OtherFolder = stored.OtherFolder;
    options.Suffix = stored.Suffix;
    options.Recurse = stored.Recurse;
    options.AutoSaveLoad = stored.AutoSaveLoad;
    return options;
}

struct Invocation {
    TBatchOptions Settings;
    std::string RulesFile;
    std::optional<std::string> ReportFile;
    unsigned Jobs = 1;
    bool DryRun = false;
    bool Quiet = false;
    std::vector<std::string> Paths;
};

bool ParseBackup(const std::string& value, TBatchOptions& settings) {
    const std::size_t colon = value.find(':');
    const std::string method = value.substr(0, colon);
    const std::optional<std::string> argument =
        colon == std::string::npos ? std::nullopt : std::optional(value.substr(colon + 1));
    std::uint32_t bit = 0;
    if (method == "move") {
        bit = coMove;
        if (argument) {
            if (TrimControls(*argument).empty()) return false;
            settings.MoveFolder = *argument;
        }
    } else if (method == "suffix") {
        bit = coSuffix;
        if (argument) settings.Suffix = EffectiveSuffix(*argument);
    } else if (method == "trash" && !argument) {
        bit = coRecycle;
    } else if (method == "none" && !argument) {
        bit = coDelete;
    } else {
        return false;
    }
    settings.CompressOptions = (settings.CompressOptions & ~coBackupMethods) | bit;
    return true;
}

// Answers an error message, or nothing when the arguments are good.
std::optional<std::string> Parse(const OperationInfo& info, const Arguments& arguments, Invocation& invocation) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            invocation.Paths.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (const std::size_t equals = argument.find('='); argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            inlineValue = argument.substr(equals + 1);
            argument.erase(equals);
        }
        struct Known {
            std::string_view Name;
            OptionBit Bit;
            bool TakesValue;
        };
        static constexpr Known known[] = {
            {"--out", OptOut, true},         {"--preserve-dirs", OptPreserveDirs, false},
            {"--backup", OptBackup, true},   {"--recurse", OptRecurse, false},
            {"--no-recurse", OptRecurse, false}, {"--rules", OptRules, true},
            {"--report", OptReport, true},   {"--jobs", OptJobs, true},
            {"--dry-run", OptDryRun, false}, {"--quiet", OptQuiet, false},
        };
        const Known* option = nullptr;
        for (const Known& candidate : known)
            if (candidate.Name == argument) option = &candidate;
        if (option == nullptr) return "unknown option '" + argument + "'";
        if ((info.Options & option->Bit) == 0)
            return "option '" + argument + "' does not apply to " + std::string(info.Name);
        std::string value;
        if (option->TakesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return "option '" + argument + "' needs a value";
            }
            if (value.empty()) return "option '" + argument + "' needs a value";
        } else if (inlineValue) {
            return "option '" + argument + "' takes no value";
        }

        TBatchOptions& settings = invocation.Settings;
        if (argument == "--out") {
            settings.CompressOptions |= coOtherFolder;
            settings.OtherFolder = value;
        } else if (argument == "--preserve-dirs") {
            settings.CompressOptions |= coPreserveDirs;
        } else if (argument == "--backup") {
            if (!ParseBackup(value, settings)) return "--backup takes move[:DIR], suffix[:SUFFIX], trash or none";
        } else if (argument == "--recurse" || argument == "--no-recurse") {
            settings.Recurse = argument == "--recurse";
        } else if (argument == "--rules") {
            invocation.RulesFile = value;
        } else if (argument == "--report") {
            invocation.ReportFile = value;
        } else if (argument == "--jobs") {
            char* end = nullptr;
            const long jobs = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || jobs < 1 || jobs > 256)
                return "--jobs takes a number from 1 to 256";
            invocation.Jobs = static_cast<unsigned>(jobs);
        } else if (argument == "--dry-run") {
            invocation.DryRun = true;
        } else if (argument == "--quiet") {
            invocation.Quiet = true;
        }
    }
    if (invocation.Paths.empty()) return std::string("no PATH given");
    return std::nullopt;
}

// Engines on the rules of the invocation: the file given, or the user's file
// in the data folder, or the built-in rules when that cannot be made.
class EngineSource {
public:
    explicit EngineSource(FallbackPatterns fallback) : fallback_(std::move(fallback)) {}

    bool Prepare(std::string_view command, const std::string& rulesFile) {
        if (const auto set = BuiltInSetNamed(rulesFile)) {
            first_ = std::make_unique<TTrimora>(BuiltInRules(*set));
            return true;
        }
        if (!rulesFile.empty()) {
            std::error_code ec;
            if (!fs::exists(rulesFile, ec)) {
                std::cerr << "trimora-cli " << command << ": " << rulesFile << ": no such file\n";
                return false;
            }
            file_ = rulesFile;
        } else {
            std::string error;
            file_ = UserRulesFile(&error);
            if (file_.empty())
                std::cerr << "trimora-cli " << command << ": " << error << "; using the built-in rules\n";
        }
        first_ = Make(&prompts_);
        const SettingsLoadReport& report = first_->LoadReport();
        if (file_.empty() || report.Result == SettingsLoadReport::Outcome::Loaded) return true;
        if (report.Result == SettingsLoadReport::Outcome::NewerVersion)
            std::cerr << "trimora-cli " << command << ": " << file_
                      << ": written by a newer version of Trimora; refused\n";
        else
            std::cerr << "trimora-cli " << command << ": " << report.Error << '\n';
        return false;
    }
    TTrimora& First() { return *first_; }
    // Every engine after the first shares the first one's rule tree.
    std::unique_ptr<TTrimora> Make(SettingsPrompts* prompts = nullptr) const {
        if (first_) return std::make_unique<TTrimora>(first_->Rules());
        if (!file_.empty()) return std::make_unique<TTrimora>(file_, prompts, fallback_);
        auto engine = std::make_unique<TTrimora>("", prompts, fallback_);
        const auto bytes = DefaultRuleBytes();
        engine->LoadSettingsFromBytes(bytes.data(), bytes.size());
        return engine;
    }

private:
    FallbackPatterns fallback_;
    ConsolePrompts prompts_;
    std::string file_;
    std::unique_ptr<TTrimora> first_;
};

bool WriteReport(std::string_view command, const std::string& target, const std::vector<TFileEntry>& entries) {
    const std::vector<std::string> lines = ReportLines(entries);
    if (lines.empty()) {
        std::cerr << "trimora-cli " << command << ": " << EmptyLogMessage << '\n';
        return true;
    }
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    if (target == "-") {
        std::cout << text << std::flush;
        return true;
    }
    std::string reason;
    if (WriteFileReplacing(target, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &reason))
        return true;
    std::cerr << "trimora-cli " << command << ": Cannot create file " << target << " (" << reason << ")\n";
    return false;
}

int RunOperation(const OperationInfo& info, const Arguments& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        if (IsHelpOption(argument)) {
            PrintHelp(info);
            return ExitOk;
        }
    }
    // Wrong usage is reported before anything is read or written; then the
    // options given override the stored settings for this run only.
    if (Invocation checked; const auto error = Parse(info, arguments, checked)) return UsageError(info.Name, *error);
    const app::CompressDefaults stored = StoredCompressDefaults(info.Name);
    Invocation invocation;
    invocation.Settings = StoredBatchOptions(stored);
    Parse(info, arguments, invocation);
    TBatchOptions& settings = invocation.Settings;
    if (info.Kind == Operation::Sync && !SyncPreconditionHolds(settings)) {
        std::string message(SyncPreconditionMessage);
        std::erase(message, '\r');
        std::cerr << "trimora-cli sync: " << message << '\n';
        return UsageError(info.Name, "sync needs --out with an absolute DIR and --preserve-dirs");
    }

    EngineSource engines(stored.Fallback);
    if (!engines.Prepare(info.Name, invocation.RulesFile)) return ExitFailed;
    ConsoleBatchCallbacks callbacks(info.Name, invocation.Quiet, std::cout, std::cerr);
    TFileList list(engines.First(), settings, &callbacks);
    callbacks.Attach(&list);

    bool problems = false;
    std::vector<std::string> paths;
    for (const std::string& path : invocation.Paths) {
        const std::string absolute = AbsolutePath(path);
        std::error_code ec;
        if (fs::exists(absolute, ec)) {
            paths.push_back(absolute);
        } else {
            std::cerr << "trimora-cli " << info.Name << ": " << path << ": no such file or folder\n";
            problems = true;
        }
    }
    list.AddDropped(paths, TDropTarget::ListView);
    // Restoring a folder also brings back recorded originals whose file is gone.
    if (info.Kind == Operation::Restore)
        for (const std::string& path : paths)
            if (std::error_code ec; fs::is_directory(path, ec)) AddRecordedOriginals(list, path);

    bool aborted = false;
    switch (info.Kind) {
        case Operation::Compress: {
            std::int64_t bytes = 0;
            for (const TFileEntry& entry : list.EntryList) bytes += entry.Size;
            callbacks.StartProgress(list.EntryList.size(), bytes);
            TRunSettings run;
            run.Jobs = invocation.Jobs;
            run.DryRun = invocation.DryRun;
            aborted = CompressFiles(list, run).Aborted;
            callbacks.EndProgress();
            break;
        }
        case Operation::Restore: RestoreFiles(list, -1); break;
        case Operation::RemoveBackups: RemBakFiles(list, -1); break;
        case Operation::Sync: {
            const TSyncResult result = SyncDirectories(list);
            for (const std::string& copied : result.Copied)
                if (!invocation.Quiet) std::cout << "copied\t" << copied << '\n';
            for (const std::string& failed : result.Failed)
                std::cerr << "trimora-cli sync: Cannot create file " << failed << '\n';
            if (!invocation.Quiet) std::cout << FileCountText(result.Copied.size()) << " copied\n";
            return problems || !result.Failed.empty() ? ExitFailed : ExitOk;
        }
    }

    if (aborted) std::cerr << "trimora-cli " << info.Name << ": stopped before every file was done\n";
    if (!invocation.Quiet) {
        const TStatusTotals totals = StatusTotals(list.EntryList, ",");
        std::cout << totals.Files << "  " << totals.Sizes << '\n';
        if (invocation.DryRun) std::cout << "Dry run: nothing was written.\n";
    }
    if (invocation.ReportFile && !WriteReport(info.Name, *invocation.ReportFile, list.EntryList)) problems = true;
    return problems || aborted || callbacks.AnyFailed() ? ExitFailed : ExitOk;
}

const OperationInfo& Find(Operation kind) {
    for (const OperationInfo& info : Operations)
        if (info.Kind == kind) return info;
    return Operations[0];
}

}  // namespace

int RunCompressCommand(const Arguments& arguments) { return RunOperation(Find(Operation::Compress), arguments); }
int RunRestoreCommand(const Arguments& arguments) { return RunOperation(Find(Operation::Restore), arguments); }
int RunRemoveBackupsCommand(const Arguments& arguments) {
    return RunOperation(Find(Operation::RemoveBackups), arguments);
}
int RunSyncCommand(const Arguments& arguments) { return RunOperation(Find(Operation::Sync), arguments); }

}  // namespace trimora::cli

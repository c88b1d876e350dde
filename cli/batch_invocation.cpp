#include "batch_invocation.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "cli_settings.h"
#include "console_prompts.h"
#include "data_folder.h"
#include "default_rules.h"
#include "file_io.h"
#include "option_parser.h"
#include "paths.h"
#include "report.h"
#include "rules_argument.h"
#include "trimora.h"

namespace fs = std::filesystem;

namespace trimora::cli {

namespace {

constexpr OptionSpec BatchOptionSpecs[] = {
    {OptOut, "--out", 'o', true},
    {OptFlat, "--flat", 0, false},
    {OptPreserveDirs, "--preserve-dirs", 0, false},
    {OptSync, "--sync", 0, false},
    {OptUpdate, "--update", 0, false},
    {OptBackup, "--backup", 0, true},
    {OptRecurse, "--recurse", 'r', false},
    {OptNoRecurse, "--no-recurse", 0, false},
    {OptExclude, "--exclude", 0, true},
    {OptHidden, "--hidden", 0, false},
    {OptRules, "--rules", 0, true},
    {OptReport, "--report", 0, true},
    {OptReportFormat, "--report-format", 0, true},
    {OptJobs, "--jobs", 'j', true},
    {OptDryRun, "--dry-run", 'n', false},
    {OptQuiet, "--quiet", 'q', false},
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

std::string AbsoluteFolder(const std::string& text) {
    std::string folder = AbsolutePath(text);
    if (!IsPathSeparator(folder.back())) folder += PathSeparator;
    return folder;
}

}  // namespace

std::optional<std::string> ParseBatchInvocation(const Arguments& arguments, unsigned accepted,
                                                std::string_view command, BatchInvocation& invocation) {
    ParsedArguments parsed;
    if (auto error = ParseArguments(arguments, BatchOptionSpecs, parsed)) return error;
    for (const ParsedOption& option : parsed.Options) {
        const auto bit = static_cast<BatchOption>(option.Id);
        if ((accepted & bit) == 0)
            return "option '" + option.Spelling + "' does not apply to " + std::string(command);
        const std::string& value = option.Value;
        switch (bit) {
            case OptOut: invocation.Out = AbsoluteFolder(value); break;
            case OptFlat: invocation.Flat = true; break;
            case OptPreserveDirs: invocation.PreserveDirs = true; break;
            case OptSync: invocation.Sync = true; break;
            case OptUpdate: invocation.Update = true; break;
            case OptBackup: {
                TBatchOptions scratch;
                if (!ParseBackup(value, scratch)) return "--backup takes move[:DIR], suffix[:SUFFIX], trash or none";
                invocation.Backup = value;
                break;
            }
            case OptRecurse: invocation.Recurse = true; break;
            case OptNoRecurse: invocation.Recurse = false; break;
            case OptExclude: {
                TScanFilter scratch;
                if (!scratch.AddPattern(value)) return "--exclude '" + value + "' matches nothing";
                invocation.Excludes.push_back(value);
                break;
            }
            case OptHidden: invocation.Hidden = true; break;
            case OptRules: invocation.RulesFile = value; break;
            case OptReport: invocation.ReportFile = value; break;
            case OptReportFormat:
                if (!ParseReportFormat(value, invocation.ReportFormat))
                    return "--report-format takes log, csv or json";
                break;
            case OptJobs: {
                char* end = nullptr;
                const long jobs = std::strtol(value.c_str(), &end, 10);
                if (end == value.c_str() || *end != '\0' || jobs < 1 || jobs > 256)
                    return "--jobs takes a number from 1 to 256";
                invocation.Jobs = static_cast<unsigned>(jobs);
                break;
            }
            case OptDryRun: invocation.DryRun = true; break;
            case OptQuiet: invocation.Quiet = true; break;
        }
    }
    invocation.Paths = std::move(parsed.Operands);
    if (invocation.Paths.empty()) return std::string("no PATH given");
    if (invocation.Flat && invocation.PreserveDirs) return std::string("--flat and --preserve-dirs exclude each other");
    if (invocation.Sync && !invocation.Out) return std::string("--sync needs --out DIR");
    if (invocation.Sync && invocation.Flat) return std::string("--sync copies the folder tree; it cannot go with --flat");
    return std::nullopt;
}

TBatchOptions SettingsFor(const BatchInvocation& invocation, const app::CompressDefaults& stored) {
    TBatchOptions options = stored.Options;
    // A backup method given asks for compressing in place, whatever is stored.
    if (invocation.Backup) {
        ParseBackup(*invocation.Backup, options);
        options.CompressOptions &= ~coOtherFolder;
    }
    if (invocation.Out) {
        options.CompressOptions |= coOtherFolder | coPreserveDirs;
        options.OtherFolder = *invocation.Out;
    }
    if (invocation.PreserveDirs) options.CompressOptions |= coPreserveDirs;
    if (invocation.Flat) options.CompressOptions &= ~coPreserveDirs;
    if (invocation.Recurse) options.Recurse = *invocation.Recurse;
    return options;
}

bool EngineSource::Prepare(std::string_view command, const std::string& rulesArgument) {
    std::string file = rulesArgument;
    if (file.empty()) {
        std::string error;
        file = UserRulesFile(&error);
        if (file.empty()) {
            std::cerr << "trimora-cli " << command << ": " << error << "; using the classic rules\n";
            first_ = std::make_unique<TTrimora>(BuiltInRules(BuiltInSet::Classic));
            return true;
        }
    }
    ConsolePrompts prompts(RulesMessagePrefix(command, file));
    TRuleTree rules;
    if (!ReadRulesArgument(file, command, rules, &prompts, RulesReading::AsLoaded, fallback_)) {
        if (rulesArgument.empty())
            std::cerr << "trimora-cli " << command
                      << ": 'trimora-cli rules use classic' writes the built-in rules there again (the file is kept "
                         "as trimora.nti.bak)\n";
        return false;
    }
    first_ = std::make_unique<TTrimora>(ShareRules(std::move(rules)));
    return true;
}

bool CheckRulesFileFirst(std::string_view command, const std::string& rulesArgument) {
    if (rulesArgument.empty()) return true;
    ConsolePrompts prompts(RulesMessagePrefix(command, rulesArgument));
    TRuleTree rules;
    return ReadRulesArgument(rulesArgument, command, rules, &prompts, RulesReading::AsLoaded);
}

BatchSession::BatchSession(std::string_view command, const BatchInvocation& invocation)
    : Command(command), Invocation(invocation), Callbacks(command, invocation.Quiet, std::cout, std::cerr) {}

bool BatchSession::Start() {
    // A rules file that cannot be used stops everything before the first
    // use writes a thing.
    if (!CheckRulesFileFirst(Command, Invocation.RulesFile)) return false;
    const app::CompressDefaults stored = StoredCompressDefaults(Command, Invocation.Quiet);
    Settings = SettingsFor(Invocation, stored);
    Engines = std::make_unique<EngineSource>(stored.Fallback);
    if (!Engines->Prepare(Command, Invocation.RulesFile)) return false;
    List = std::make_unique<TFileList>(Engines->First(), Settings, &Callbacks);
    Callbacks.Attach(List.get());
    Filter.IncludeHidden = Invocation.Hidden;
    for (const std::string& pattern : Invocation.Excludes) Filter.AddPattern(pattern);
    List->ScanFilter = [this](const std::string& path) { return Filter.Keeps(path); };
    return true;
}

void BatchSession::AddPaths(bool addRecordedOriginals) {
    std::vector<std::string> paths;
    for (const std::string& path : Invocation.Paths) {
        const std::string absolute = AbsolutePath(path);
        std::error_code ec;
        const fs::file_status status = fs::status(absolute, ec);
        if (!fs::exists(status)) {
            std::cerr << "trimora-cli " << Command << ": " << path << ": no such file or folder\n";
            problems_ = true;
            continue;
        }
        paths.push_back(absolute);
        if (fs::is_directory(status)) {
            GivenFolders.push_back(AbsoluteFolder(absolute));
            Filter.AddRoot(GivenFolders.back());
        }
    }
    List->AddDropped(paths, TDropTarget::ListView);
    if (addRecordedOriginals)
        for (const std::string& folder : GivenFolders) AddRecordedOriginals(*List, folder);
    for (const TFileEntry& entry : List->EntryList) listed_.insert(entry.Path());
}

std::string BatchSession::Base() const {
    std::string base = CommonFolder(List->EntryList);
    for (const std::string& folder : GivenFolders) base = base.empty() ? folder : FolderPart(CommonPrefix(base, folder));
    return base;
}

TSyncSettings BatchSession::SyncSettings(bool update) {
    TSyncSettings sync;
    sync.Base = Base();
    sync.Update = update;
    sync.DryRun = Invocation.DryRun;
    // A folder left out is neither entered nor copied; an excluded file is
    // copied as it is, a hidden one not at all.
    sync.Takes = [this](const std::string& path) {
        return IsPathSeparator(path.back()) ? Filter.Keeps(path) : !Filter.Hides(path);
    };
    sync.IsCompressed = [this](const std::string& path) {
        return listed_.count(path) != 0 || (List->IsSupported(path) && Filter.Keeps(path));
    };
    return sync;
}

bool BatchSession::ReportSync(const TSyncResult& result, bool withCount) {
    if (!Invocation.Quiet) {
        for (const std::string& copied : result.Copied) std::cout << "copied\t" << copied << '\n';
        for (const std::string& updated : result.Updated) std::cout << "updated\t" << updated << '\n';
    }
    for (std::size_t i = 0; i < result.Failed.size(); ++i)
        std::cerr << "trimora-cli " << Command << ": "
                  << (i < result.FailureReasons.size() && !result.FailureReasons[i].empty()
                          ? result.FailureReasons[i]
                          : "Cannot create file " + result.Failed[i])
                  << '\n';
    if (withCount && !Invocation.Quiet)
        std::cout << FileCountText(result.Copied.size()) << " copied, " << result.Updated.size() << " updated\n";
    if (!result.Failed.empty()) problems_ = true;
    return result.Failed.empty();
}

bool BatchSession::WriteReport() {
    if (!Invocation.ReportFile) return true;
    const std::string& target = *Invocation.ReportFile;
    const std::string text = ReportText(List->EntryList, Invocation.ReportFormat);
    if (text.empty()) {
        std::cerr << "trimora-cli " << Command << ": " << EmptyLogMessage << '\n';
        return true;
    }
    if (target == "-") {
        std::cout << text << std::flush;
        return true;
    }
    std::string reason;
    if (WriteFileReplacing(target, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &reason))
        return true;
    std::cerr << "trimora-cli " << Command << ": Cannot create file " << target << " (" << reason << ")\n";
    problems_ = true;
    return false;
}

}  // namespace trimora::cli

#include "rules_loading.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "file_checks.h"

namespace trimora::cli {

namespace {

// Record sizes of the layouts: headerless, then "TR1", "TR2" and "TR3".
constexpr std::uintmax_t RecordSizes[4] = {28, 1032, 284, 288};
constexpr std::uintmax_t HeaderSize = 3;

}  // namespace

std::string RulesFileProblem(const std::string& path, const SettingsLoadReport& report) {
    switch (report.Result) {
        case SettingsLoadReport::Outcome::Missing: return "no such file";
        case SettingsLoadReport::Outcome::CannotOpen: return CannotOpenFileText(path);
        case SettingsLoadReport::Outcome::NewerVersion: return "written by a newer version of Trimora; refused";
        case SettingsLoadReport::Outcome::Loaded: break;
    }
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && report.Layout >= 0 && report.Layout <= 3) {
        const std::uintmax_t header = report.Layout == 0 ? 0 : HeaderSize;
        const std::uintmax_t record = RecordSizes[report.Layout];
        if (report.Layout == 0 && (size == 0 || size % record != 0))
            return "not a tag-settings file: " + std::to_string(size) + " bytes fit none of its layouts";
        if (size >= header && (size - header) % record != 0)
            return "damaged: it ends inside a record";
    }
    if (report.Damaged) return "damaged: a record holds a name no tag can have";
    return {};
}

std::string RulesMessagePrefix(std::string_view command, const std::string& path) {
    return "trimora-cli " + std::string(command) + ": " + path + ": ";
}

bool LoadRulesFile(TTrimora& engine, ConsolePrompts& prompts, const std::string& path, std::string_view command) {
    prompts.Prefix = RulesMessagePrefix(command, path);
    engine.LoadSettings(path);
    return CheckLoadedRules(engine, path, command);
}

bool CheckLoadedRules(const TTrimora& engine, const std::string& path, std::string_view command) {
    const std::string problem = RulesFileProblem(path, engine.LoadReport());
    if (problem.empty()) return true;
    std::cerr << RulesMessagePrefix(command, path) << problem << '\n';
    return false;
}

}  // namespace trimora::cli

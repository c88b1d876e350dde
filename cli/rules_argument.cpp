#include "rules_argument.h"

#include <cstdio>
#include <iostream>

#include "default_rules.h"
#include "file_checks.h"
#include "file_io.h"

namespace trimora::cli {

namespace {

// Record sizes of the layouts: headerless, then "TR1", "TR2" and "TR3".
constexpr std::size_t RecordSizes[4] = {28, 1032, 284, 288};
constexpr std::size_t HeaderSize = 3;

// Why a file that was read cannot serve as rules; empty when it can.
std::string ProblemOf(std::size_t size, const SettingsLoadReport& report) {
    if (report.Layout == 0 && (size == 0 || size % RecordSizes[0] != 0))
        return "not a tag-settings file: " + std::to_string(size) + " bytes fit none of its layouts";
    if (report.Layout > 0 && report.Layout <= 3 && size >= HeaderSize &&
        (size - HeaderSize) % RecordSizes[report.Layout] != 0)
        return "damaged: it ends inside a record";
    if (report.Damaged) return "damaged: a record holds a name no tag can have, or the records are cut short";
    return {};
}

}  // namespace

std::string RulesMessagePrefix(std::string_view command, const std::string& file) {
    return "trimora-cli " + std::string(command) + ": " + file + ": ";
}

bool ReadRulesArgument(const std::string& argument, std::string_view command, TRuleTree& rules,
                       SettingsPrompts* prompts, RulesReading reading, const FallbackPatterns& fallback,
                       bool* readButRefused) {
    const auto read = reading == RulesReading::AsStored ? ReadRuleTreeAsStored : ReadRuleTree;
    if (const auto set = BuiltInSetNamed(argument)) {
        const auto bytes = BuiltInRuleBytes(*set);
        read(bytes.data(), bytes.size(), rules, prompts, fallback);
        return true;
    }
    std::vector<std::uint8_t> bytes;
    switch (ReadWholeFile(argument, bytes)) {
        case ReadResult::Ok:
            break;
        case ReadResult::Missing:
            std::cerr << "trimora-cli " << command << ": " << argument << ": no such file\n";
            return false;
        case ReadResult::NotRegular:
            std::cerr << "trimora-cli " << command << ": " << argument << " is not a regular file; nothing was read\n";
            return false;
        case ReadResult::CannotOpen:
        case ReadResult::ReadError:
            std::cerr << "trimora-cli " << command << ": " << CannotOpenFileText(argument) << '\n';
            return false;
    }
    const SettingsLoadReport report = read(bytes.data(), bytes.size(), rules, prompts, fallback);
    if (report.Result == SettingsLoadReport::Outcome::NewerVersion) {
        std::cerr << "trimora-cli " << command << ": " << argument
                  << ": written by a newer version of Trimora; refused\n";
        return false;
    }
    const std::string problem = ProblemOf(bytes.size(), report);
    if (problem.empty()) return true;
    std::cerr << RulesMessagePrefix(command, argument) << problem << '\n';
    if (readButRefused != nullptr) *readButRefused = true;
    return false;
}

bool ReadStandardInput(std::vector<std::uint8_t>& data) {
    data.clear();
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, stdin);
        data.insert(data.end(), chunk, chunk + got);
        if (got < sizeof chunk) return std::ferror(stdin) == 0;
    }
}

}  // namespace trimora::cli

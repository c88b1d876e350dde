#include "rules_argument.h"

#include <cstdio>
#include <iostream>

#include "default_rules.h"
#include "file_io.h"

namespace trimora::cli {

bool ReadRulesArgument(const std::string& argument, std::string_view command, TRuleTree& rules,
                       SettingsPrompts* prompts, RulesReading reading, const FallbackPatterns& fallback) {
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
            std::cerr << "trimora-cli " << command << ": Cannot open file " << argument << '\n';
            return false;
    }
    const SettingsLoadReport report = read(bytes.data(), bytes.size(), rules, prompts, fallback);
    if (report.Result == SettingsLoadReport::Outcome::NewerVersion) {
        std::cerr << "trimora-cli " << command << ": " << argument
                  << ": written by a newer version of Trimora; refused\n";
        return false;
    }
    return true;
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

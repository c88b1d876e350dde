#pragma once

#include <string>

#include "settings_prompts.h"

namespace trimora::cli {

// Answers the engine's messages without a window: the text goes to standard
// error after the prefix, and the newer-version question is answered No.
class ConsolePrompts final : public SettingsPrompts {
public:
    ConsolePrompts() = default;
    explicit ConsolePrompts(std::string prefix) : Prefix(std::move(prefix)) {}
    std::string Prefix;  // "trimora-cli COMMAND: FILE: "

    bool ShowCorruptFile(std::string_view caption, std::string_view text) override;
    bool AskNewerVersion(std::string_view caption, std::string_view text) override;
    void OpenWebPage(std::string_view address) override;
};

}  // namespace trimora::cli

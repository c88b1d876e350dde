#include "console_prompts.h"

#include <iostream>
#include <string>

namespace trimora::cli {

namespace {
void PrintMessage(const std::string& prefix, std::string_view caption, std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    // One line on the console: the window's line breaks become spaces.
    for (char c : text)
        if (c != '\r') plain += c == '\n' ? ' ' : c;
    std::cerr << prefix << caption << ": " << plain << '\n';
}
}  // namespace

bool ConsolePrompts::ShowCorruptFile(std::string_view caption, std::string_view text) {
    PrintMessage(Prefix, caption, text);
    return true;
}

bool ConsolePrompts::AskNewerVersion(std::string_view caption, std::string_view text) {
    PrintMessage(Prefix, caption, text);
    return false;
}

void ConsolePrompts::OpenWebPage(std::string_view) {}

}  // namespace trimora::cli

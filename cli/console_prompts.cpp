#include "console_prompts.h"

#include <iostream>
#include <string>

namespace trimora::cli {

namespace {
void PrintMessage(std::string_view caption, std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (char c : text)
        if (c != '\r') plain += c;
    std::cerr << caption << ": " << plain << '\n';
}
}  // namespace

bool ConsolePrompts::ShowCorruptFile(std::string_view caption, std::string_view text) {
    PrintMessage(caption, text);
    return true;
}

bool ConsolePrompts::AskNewerVersion(std::string_view caption, std::string_view text) {
    PrintMessage(caption, text);
    return false;
}

void ConsolePrompts::OpenWebPage(std::string_view) {}

}  // namespace trimora::cli

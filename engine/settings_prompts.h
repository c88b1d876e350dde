#pragma once

#include <string_view>

namespace trimora {

// The two messages that reading a tag-settings file can raise. The engine
// never shows a window: the GUI answers these with message boxes, the command
// line by printing to standard error.
class SettingsPrompts {
public:
    virtual ~SettingsPrompts() = default;

    // "Corrupt NTI file" (question icon, OK). Answers false when the message
    // could not be shown; reading then stops at the level being read.
    virtual bool ShowCorruptFile(std::string_view caption, std::string_view text) = 0;

    // "New Version Detected" (question icon, Yes and No). Answers true for Yes,
    // on which the engine asks for the product's web page to be opened.
    virtual bool AskNewerVersion(std::string_view caption, std::string_view text) = 0;
    virtual void OpenWebPage(std::string_view address) = 0;
};

inline constexpr std::string_view ProductWebPage = "https://www.kestrova.com/trimora/";

inline constexpr std::string_view CorruptFileCaption = "Corrupt NTI file";
inline constexpr std::string_view CorruptFileText =
    "An error has been encountered, the NTI data file is\r\n"
    "corrupt. Trimora will attempt to recover as much as possible.";

inline constexpr std::string_view NewerVersionCaption = "New Version Detected";
inline constexpr std::string_view NewerVersionText =
    "A newer version of Trimora is required. All tag\r\n"
    "settings may be lost if you do not upgrade and you keep\r\n"
    "using Trimora, it is suggested you close Trimora.\r\n"
    "\r\n"
    "Do you want to go to the Trimora web page\r\n"
    "(https://www.kestrova.com/trimora/) and\r\n"
    "download the new version?";

}  // namespace trimora

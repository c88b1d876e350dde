#include "start_up.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace trimora::app {

namespace {
// Lower-cases A to Z only: the text is bytes, not necessarily UTF-8.
std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}
}  // namespace

StartSwitch FindStartSwitch(std::string_view commandLine) {
    if (commandLine.find("Author") != std::string_view::npos) return StartSwitch::Author;
    const std::string lower = AsciiLower(commandLine);
    if (lower.find("/restore") == std::string::npos) return StartSwitch::None;
    return lower.find("/reset") != std::string::npos ? StartSwitch::RestoreReset : StartSwitch::Restore;
}

std::string CommandLineText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) text += ' ';
        text += argv[i];
    }
    return text;
}

InstanceLock::InstanceLock() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    path_ = folder + QStringLiteral("/Trimora.lock");
    lock_ = std::make_unique<QLockFile>(path_);
    held_ = lock_->tryLock(0);
}

InstanceLock::~InstanceLock() = default;

}  // namespace trimora::app

#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <QString>

class QLockFile;

namespace trimora::app {

// What the entry does before any window exists, decided by substring tests
// on the whole command-line text (the program's path included):
//   Author         the text contains "Author" (case-sensitive; tested first)
//   Restore        the lower-cased text contains "/restore": RestoreDefaults
//                  adding missing values only
//   RestoreReset   ... and also "/reset": RestoreDefaults with Overwrite
//   None           anything else, "/reset" alone included: start normally
enum class StartSwitch { None, Author, Restore, RestoreReset };

StartSwitch FindStartSwitch(std::string_view commandLine);

// The command-line text: the arguments, the program's path first, joined by
// single spaces.
std::string CommandLineText(int argc, const char* const* argv);

inline constexpr std::string_view AuthorMessage = "This program was written and is owned by Kestrova";

// The instance lock "Trimora": a lock file in the runtime folder, taken when
// free and held for the life of the process. Another instance that finds it
// taken starts normally all the same; the lock only tells other tools that
// Trimora runs.
class InstanceLock {
public:
    InstanceLock();
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool Held() const { return held_; }
    const QString& Path() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};

}  // namespace trimora::app

#pragma once

#include <map>
#include <string>
#include <vector>

namespace trimora::cli {

// Tells which files in watched folders were written, moved in or made, by
// the system's notifications (inotify): no folder is read again to find out.
// Each folder is watched on its own; sub-folders are the caller's choice.
class TFolderWatcher {
public:
    TFolderWatcher();
    ~TFolderWatcher();
    TFolderWatcher(const TFolderWatcher&) = delete;
    TFolderWatcher& operator=(const TFolderWatcher&) = delete;

    // Empty when notifications work here; else why not.
    const std::string& Problem() const { return problem_; }

    // Watches a folder (its path ending with the separator), or follows it
    // to its new path after a move. False with the system's reason.
    bool Watch(const std::string& folder, std::string* error = nullptr);
    std::size_t FolderCount() const { return folders_.size(); }

    struct TChange {
        std::string Path;       // a folder's ends with the separator
        bool IsFolder = false;  // a folder was made or moved in
    };
    struct TChanges {
        std::vector<TChange> Changed;  // in the order they came, each path once
        bool Overflow = false;         // notifications were lost: look at everything again
        bool Woken = false;            // wakeFd became readable
    };
    // Waits until something changes or wakeFd (when not -1) becomes
    // readable, then gathers what follows within settleMs of quiet.
    TChanges Wait(int wakeFd, int settleMs);

private:
    void Read(TChanges& changes);

    int fd_ = -1;
    std::string problem_;
    std::map<int, std::string> folders_;  // watch descriptor -> folder
};

}  // namespace trimora::cli

#include "folder_watcher.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#ifdef __linux__
#include <sys/inotify.h>
#endif

namespace trimora::cli {

#ifdef __linux__

namespace {
// Written and closed, renamed into the folder, made (for new folders), and
// the folder itself gone. A folder moved elsewhere keeps its descriptor with
// its old path until it is watched again where it arrived; what happens in
// it meanwhile names paths that are gone, which the caller skips.
constexpr std::uint32_t WatchedEvents =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;
}  // namespace

TFolderWatcher::TFolderWatcher() {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) problem_ = std::string("cannot watch for changes (") + std::strerror(errno) + ")";
}

TFolderWatcher::~TFolderWatcher() {
    if (fd_ >= 0) ::close(fd_);
}

bool TFolderWatcher::Watch(const std::string& folder, std::string* error) {
    if (fd_ < 0) {
        if (error != nullptr) *error = problem_;
        return false;
    }
    const int wd = ::inotify_add_watch(fd_, folder.c_str(), WatchedEvents);
    if (wd < 0) {
        if (error != nullptr) {
            *error = "cannot watch " + folder + " (" + std::strerror(errno) + ")";
            if (errno == ENOSPC) *error += "; the system's limit fs.inotify.max_user_watches is reached";
        }
        return false;
    }
    // The same folder watched again (after a move) keeps its descriptor.
    folders_[wd] = folder;
    return true;
}

void TFolderWatcher::Read(TChanges& changes) {
    alignas(inotify_event) char buffer[64 * 1024];
    std::set<std::string> seen;
    for (const TChange& change : changes.Changed) seen.insert(change.Path);
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) return;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                changes.Overflow = true;
                continue;
            }
            const auto folder = folders_.find(event->wd);
            if (folder == folders_.end()) continue;
            if (event->mask & IN_IGNORED) {
                folders_.erase(folder);
                continue;
            }

            if (event->len == 0) continue;  // the folder itself: its IN_IGNORED follows when it is gone
            TChange change;
            change.IsFolder = (event->mask & IN_ISDIR) != 0;
            // A new file shows when it is closed; only folders count when made.
            if ((event->mask & IN_CREATE) && !change.IsFolder) continue;
            change.Path = folder->second + event->name;
            if (change.IsFolder) change.Path += '/';
            if (seen.insert(change.Path).second) changes.Changed.push_back(std::move(change));
        }
    }
}

TFolderWatcher::TChanges TFolderWatcher::Wait(int wakeFd, int settleMs) {
    TChanges changes;
    if (fd_ < 0) return changes;
    pollfd polled[2] = {{fd_, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    // Until something happens; then until settleMs pass without more.
    int timeout = -1;
    for (;;) {
        const int ready = ::poll(polled, count, timeout);
        if (ready < 0 && errno != EINTR) return changes;
        if (count == 2 && (polled[1].revents & POLLIN)) {
            changes.Woken = true;
            return changes;
        }
        if (ready <= 0) {
            if (timeout >= 0 && ready == 0) return changes;
            continue;
        }
        Read(changes);
        if (!changes.Changed.empty() || changes.Overflow) timeout = settleMs;
    }
}

#else

TFolderWatcher::TFolderWatcher() : problem_("watching for changes is not available on this system") {}
TFolderWatcher::~TFolderWatcher() = default;
bool TFolderWatcher::Watch(const std::string&, std::string* error) {
    if (error != nullptr) *error = problem_;
    return false;
}
void TFolderWatcher::Read(TChanges&) {}
TFolderWatcher::TChanges TFolderWatcher::Wait(int, int) { return {}; }

#endif

}  // namespace trimora::cli

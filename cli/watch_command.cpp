// watch: compresses everything once into the output folder, then each file
// again as soon as it is written, until Ctrl+C.

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <set>

#include "batch_invocation.h"
#include "cli_commands.h"
#include "compress_run.h"
#include "folder_watcher.h"
#include "option_parser.h"
#include "paths.h"

namespace fs = std::filesystem;

namespace trimora::cli {

namespace {

constexpr std::string_view WatchHelp =
    "Usage: trimora-cli watch -o DIR [--sync] [OPTIONS] PATH...\n"
    "Compresses the files, folders and list files given into DIR as compress -o\n"
    "does (and with --sync copies every other file there too), then keeps\n"
    "watching: a file written, made or moved in below a folder given is\n"
    "compressed again within a second, and with --sync another file is copied\n"
    "again. New folders are watched as they appear. Nothing is ever removed\n"
    "from DIR. The system tells of each change (inotify): large trees are not\n"
    "read again and again. Ctrl+C stops watching.\n"
    "\n"
    "Options:\n"
    "  -o, --out DIR           write the compressed copies below DIR (absolute, or\n"
    "                          relative to the current folder), in the folder tree\n"
    "                          of the folder given\n"
    "      --preserve-dirs     accepted; watch always keeps the folder tree\n"
    "      --sync              also copy every other file below the folder given\n"
    "                          into DIR, again whenever it changes\n"
    "  -r, --recurse           watch sub-folders of the folders given (the default)\n"
    "      --no-recurse        watch only the folders themselves\n"
    "      --exclude PATTERN   leave out what PATTERN matches, as compress does:\n"
    "                          PATTERN/ matches folders, which are not watched;\n"
    "                          files a pattern matches are not compressed (--sync\n"
    "                          copies them as they are)\n"
    "      --hidden            also take files and folders whose names begin with\n"
    "                          '.' (left out otherwise)\n"
    "      --rules RULES       the tag-settings file, or classic or modern for a\n"
    "                          built-in set (default: trimora.nti in the data\n"
    "                          folder); read once when watching starts\n"
    "  -j, --jobs N            compress with N workers at once (default 1)\n"
    "  -q, --quiet             print nothing but errors\n"
    "  -h, --help              show this help\n"
    "\n"
    "Output: one line per file compressed, its path and status, as compress\n"
    "prints it; with --sync a line for each file copied (\"copied\" or \"updated\"\n"
    "and its path in DIR). When watching starts, a line on standard error says\n"
    "how many folders are watched.\n"
    "\n"
    "Exit status: 0 when stopped by Ctrl+C; 1 when watching could not start (the\n"
    "rules cannot be used, or the system cannot watch the folders); 2 on a usage\n"
    "error.\n"
    "\n"
    "Example:\n"
    "  trimora-cli watch -o dist --sync --exclude node_modules/ site/\n";

constexpr unsigned WatchOptions = OptOut | OptPreserveDirs | OptSync | OptRecurse | OptNoRecurse | OptExclude |
                                  OptHidden | OptRules | OptJobs | OptQuiet;

// Changes come to rest this long before they are acted on: an editor's save
// (write, rename, touch) is taken once.
constexpr int SettleMs = 100;

class Watch {
public:
    explicit Watch(BatchSession& session) : session_(session) {}

    // The first full run and the watches; false when watching cannot start.
    bool Start() {
        if (!watcher_.Problem().empty()) {
            std::cerr << "trimora-cli watch: " << watcher_.Problem() << '\n';
            return false;
        }
        session_.AddPaths();
        base_ = session_.Base();
        sync_ = session_.SyncSettings(true);
        sync_.Base = base_;
        for (const TFileEntry& entry : session_.List->EntryList)
            if (!InTree(entry.Path())) named_.insert(entry.Path());
        CompressAndCopyAll(false);
        bool ok = true;
        for (const std::string& folder : session_.GivenFolders) ok = WatchTree(folder, nullptr) && ok;
        for (const std::string& path : named_) ok = WatchFolder(FolderPart(path)) && ok;
        if (!ok) return false;
        if (!session_.Invocation.Quiet)
            std::cerr << "trimora-cli watch: watching " << watcher_.FolderCount()
                      << " folder(s) for changes; Ctrl+C stops\n";
        return true;
    }

    void Run(int wakeFd) {
        while (!session_.Callbacks.Interrupted()) {
            const TFolderWatcher::TChanges changes = watcher_.Wait(wakeFd, SettleMs);
            if (changes.Woken || session_.Callbacks.Interrupted()) break;
            if (changes.Overflow) {
                // Notifications were lost: everything is taken again.
                for (const std::string& folder : session_.GivenFolders) WatchTree(folder, nullptr);
                CompressAndCopyAll(true);
                continue;
            }
            std::vector<std::string> files;
            for (const TFolderWatcher::TChange& change : changes.Changed) {
                if (!change.IsFolder) {
                    files.push_back(change.Path);
                } else if (InTree(change.Path) && TakesFolder(change.Path)) {
                    // Files may have landed in it before it was watched.
                    WatchTree(change.Path, &files);
                }
            }
            Act(files);
        }
    }

private:
    bool InTree(const std::string& path) const {
        for (const std::string& root : session_.GivenFolders) {
            if (path.size() <= root.size() || path.compare(0, root.size(), root) != 0) continue;
            if (session_.Settings.Recurse || FolderPart(path) == root) return true;
        }
        return false;
    }

    bool TakesFolder(const std::string& folder) const {
        return session_.Settings.Recurse && !IsOwnFolder(session_.Settings, folder) && session_.Filter.Keeps(folder);
    }

    bool WatchFolder(const std::string& folder) {
        std::string error;
        if (watcher_.Watch(folder, &error)) return true;
        std::cerr << "trimora-cli watch: " << error << '\n';
        return false;
    }

    // Watches the folder and the sub-folders the scan would enter; collects
    // their files when asked.
    bool WatchTree(const std::string& root, std::vector<std::string>* files) {
        bool ok = true;
        std::vector<std::string> folders{root};
        while (!folders.empty()) {
            const std::string folder = std::move(folders.back());
            folders.pop_back();
            ok = WatchFolder(folder) && ok;
            std::error_code ec;
            for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
                 !ec && it != end; it.increment(ec)) {
                std::error_code statusError;
                const fs::file_status status = it->symlink_status(statusError);
                const std::string path = folder + it->path().filename().string();
                if (fs::is_directory(status)) {
                    if (TakesFolder(path + PathSeparator)) folders.push_back(path + PathSeparator);
                } else if (files != nullptr && fs::is_regular_file(status)) {
                    files->push_back(path);
                }
            }
        }
        return ok;
    }

    // Everything given, scanned again when asked.
    void CompressAndCopyAll(bool rescan) {
        TFileList& list = *session_.List;
        if (rescan) {
            list.EntryList.clear();
            std::vector<std::string> paths;
            for (const std::string& path : session_.Invocation.Paths) paths.push_back(AbsolutePath(path));
            list.AddDropped(paths, TDropTarget::ListView);
        }
        Compress();
        if (session_.Invocation.Sync) session_.ReportSync(SyncDirectories(list, sync_), false);
    }

    void Compress() {
        TRunSettings run;
        run.Jobs = session_.Invocation.Jobs;
        run.BaseFolder = base_;
        run.KeepIdenticalOutputs = true;
        CompressFiles(*session_.List, run);
    }

    // The files changed: those the rules compress are compressed again, the
    // others copied with --sync. Links are not followed, as in a scan.
    void Act(const std::vector<std::string>& files) {
        TFileList& list = *session_.List;
        list.EntryList.clear();
        TSyncResult copies;
        for (const std::string& path : files) {
            const bool named = named_.count(path) != 0;
            if (!named && !InTree(path)) continue;
            std::error_code ec;
            if (!fs::is_regular_file(fs::symlink_status(path, ec))) continue;
            TFileListing listing;
            if (named || (list.IsSupported(path) && session_.Filter.Keeps(path))) {
                if (ReadListing(path, listing)) list.AddFile(FolderPart(path), listing);
            } else if (session_.Invocation.Sync) {
                SyncFile(session_.Settings, base_, path, copies, sync_);
            }
        }
        if (!list.EntryList.empty()) Compress();
        session_.ReportSync(copies, false);
    }

    BatchSession& session_;
    TFolderWatcher watcher_;
    std::string base_;
    TSyncSettings sync_;
    std::set<std::string> named_;  // files given one by one or by a list, outside the folders given
};

}  // namespace

int RunWatchCommand(const Arguments& arguments) {
    if (AsksForHelp(arguments)) {
        std::cout << WatchHelp;
        return ExitOk;
    }
    BatchInvocation invocation;
    if (const auto error = ParseBatchInvocation(arguments, WatchOptions, "watch", invocation))
        return UsageError("watch", *error);
    if (!invocation.Out) return UsageError("watch", "watch needs --out DIR: files are never replaced while watched");
    invocation.PreserveDirs = true;
    BatchSession session("watch", invocation);
    if (!session.Start()) return ExitFailed;

    int wake[2];
    if (::pipe(wake) != 0) return ExitFailed;
    for (int fd : wake) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ConsoleBatchCallbacks::WakeOnInterrupt(wake[1]);
    Watch watch(session);
    const bool started = watch.Start();
    if (started) watch.Run(wake[0]);
    ConsoleBatchCallbacks::WakeOnInterrupt(-1);
    ::close(wake[0]);
    ::close(wake[1]);
    return started ? ExitOk : ExitFailed;
}

}  // namespace trimora::cli

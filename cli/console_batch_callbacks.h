#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "batch_callbacks.h"
#include "file_list.h"

namespace trimora::cli {

// The batch layer's hooks on a console: each finished entry is printed as
// its path and status, failures are explained on standard error (and, unless
// quiet, how a restore fell back along its ring), Ctrl+C
// asks the list to stop, and on a terminal a progress line (files and bytes
// done, rate) is kept up to date on standard error during long runs.
class ConsoleBatchCallbacks final : public TBatchCallbacks {
public:
    ConsoleBatchCallbacks(std::string_view command, bool quiet, std::ostream& out, std::ostream& err);
    ~ConsoleBatchCallbacks() override;

    // The list whose AbortRequested Ctrl+C sets; the total work of a run.
    void Attach(TFileList* list);
    void StartProgress(std::size_t files, std::int64_t bytes);
    void EndProgress();
    bool Interrupted() const;
    // Ctrl+C also writes a byte to this descriptor (-1: none), so that a
    // wait on it ends.
    static void WakeOnInterrupt(int fd);

    void ProcessEvents() override;
    bool AskAddUnsupported(std::string_view message, TDropTarget target) override;
    void Warning(std::string_view message) override;
    void EntryFinished(std::size_t index, const TFileEntry& entry, std::string_view detail) override;

    bool AnyFailed() const noexcept { return anyFailed_; }
    // A file named on the command line that no format supports.
    bool AnyRefused() const noexcept { return anyRefused_; }

private:
    void ShowProgress(bool force);
    void ClearProgress();

    std::string command_;
    bool quiet_;
    std::ostream& out_;
    std::ostream& err_;
    TFileList* list_ = nullptr;
    bool anyFailed_ = false;
    bool anyRefused_ = false;

    bool terminal_ = false;
    bool progressShown_ = false;
    std::size_t filesTotal_ = 0, filesDone_ = 0;
    std::int64_t bytesTotal_ = 0, bytesDone_ = 0;
    std::chrono::steady_clock::time_point started_, lastShown_;
};

}  // namespace trimora::cli

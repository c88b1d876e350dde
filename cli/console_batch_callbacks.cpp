#include "console_batch_callbacks.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "report.h"

namespace trimora::cli {

namespace {
volatile std::sig_atomic_t interrupted = 0;
// The stop flag of the list being worked on: set at once, so that the
// workers of a run stop after the file each is on.
std::atomic<std::atomic<bool>*> stopFlag{nullptr};
std::atomic<int> wakeFd{-1};

extern "C" void OnInterrupt(int) {
    interrupted = 1;
    if (std::atomic<bool>* flag = stopFlag.load()) flag->store(true);
    if (const int fd = wakeFd.load(); fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
}

// Progress appears once a run has taken this long, and is redrawn at most
// this often.
constexpr auto ProgressDelay = std::chrono::milliseconds(700);
constexpr auto ProgressInterval = std::chrono::milliseconds(100);

std::string Megabytes(std::int64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}
}  // namespace

ConsoleBatchCallbacks::ConsoleBatchCallbacks(std::string_view command, bool quiet, std::ostream& out,
                                             std::ostream& err)
    : command_(command), quiet_(quiet), out_(out), err_(err) {
    interrupted = 0;
    std::signal(SIGINT, OnInterrupt);
    terminal_ = !quiet && &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
}

ConsoleBatchCallbacks::~ConsoleBatchCallbacks() {
    ClearProgress();
    std::signal(SIGINT, SIG_DFL);
    stopFlag = nullptr;
}

void ConsoleBatchCallbacks::Attach(TFileList* list) {
    list_ = list;
    stopFlag = list != nullptr ? &list->AbortRequested : nullptr;
}

void ConsoleBatchCallbacks::Warning(std::string_view message) {
    ClearProgress();
    err_ << "trimora-cli " << command_ << ": " << message << '\n';
}

bool ConsoleBatchCallbacks::Interrupted() const { return interrupted != 0; }

void ConsoleBatchCallbacks::WakeOnInterrupt(int fd) { wakeFd = fd; }

void ConsoleBatchCallbacks::ProcessEvents() {
    if (interrupted != 0 && list_ != nullptr) list_->AbortRequested = true;
    ShowProgress(false);
}

bool ConsoleBatchCallbacks::AskAddUnsupported(std::string_view message, TDropTarget) {
    ClearProgress();
    err_ << "trimora-cli " << command_ << ": " << message << '\n';
    anyRefused_ = true;
    return false;
}

void ConsoleBatchCallbacks::StartProgress(std::size_t files, std::int64_t bytes) {
    filesTotal_ = files;
    bytesTotal_ = bytes;
    filesDone_ = 0;
    bytesDone_ = 0;
    started_ = lastShown_ = std::chrono::steady_clock::now();
}

void ConsoleBatchCallbacks::EndProgress() { ClearProgress(); }

void ConsoleBatchCallbacks::EntryFinished(std::size_t, const TFileEntry& entry, std::string_view detail) {
    ++filesDone_;
    bytesDone_ += entry.OriginalSize != -1 ? entry.OriginalSize : entry.Size;
    const bool failed = IsFailureStatus(entry.Status);
    anyFailed_ = anyFailed_ || failed;
    const bool explained = !detail.empty() && (failed || !quiet_);
    if (!quiet_ || explained) ClearProgress();
    if (!quiet_) out_ << entry.Path() << '\t' << trimora::StatusText(entry.Status) << std::endl;
    if (explained) err_ << "trimora-cli " << command_ << ": " << detail << '\n';
    ShowProgress(false);
}

void ConsoleBatchCallbacks::ShowProgress(bool force) {
    if (!terminal_ || filesTotal_ == 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && (now - started_ < ProgressDelay || now - lastShown_ < ProgressInterval)) return;
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    char line[160];
    std::snprintf(line, sizeof line, "\r%zu/%zu files, %s of %s, %.1f MB/s\x1b[K", filesDone_, filesTotal_,
                  Megabytes(bytesDone_).c_str(), Megabytes(bytesTotal_).c_str(),
                  seconds > 0 ? static_cast<double>(bytesDone_) / 1e6 / seconds : 0.0);
    err_ << line << std::flush;
    progressShown_ = true;
}

void ConsoleBatchCallbacks::ClearProgress() {
    if (!progressShown_) return;
    err_ << "\r\x1b[K" << std::flush;
    progressShown_ = false;
}

}  // namespace trimora::cli

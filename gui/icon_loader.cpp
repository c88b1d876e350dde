#include "icon_loader.h"

namespace trimora::gui {

TUpdateList::TUpdateList(FoundHandler found) : found_(std::move(found)) {
    thread_ = std::thread([this] { Work(); });
}

TUpdateList::~TUpdateList() {
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TUpdateList::Add(std::uint64_t entryId, const QString& fileName) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({entryId, fileName});
    }
    wake_.notify_one();
}

void TUpdateList::Pause() {
    std::lock_guard lock(mutex_);
    paused_ = true;
}

void TUpdateList::Resume() {
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
    }
    wake_.notify_one();
}

void TUpdateList::Clear() {
    std::lock_guard lock(mutex_);
    queue_.clear();
}

std::size_t TUpdateList::Queued() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void TUpdateList::Work() {
    for (;;) {
        Request request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return terminated_ || (!paused_ && !queue_.empty()); });
            if (terminated_) return;
            // Taken out under the lock: a request queued meanwhile is never lost.
            request = std::move(queue_.back());
            queue_.pop_back();
        }
        found_(request.EntryId, IconNamesOf(request.FileName));
    }
}

}  // namespace trimora::gui

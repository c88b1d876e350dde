#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <QString>

#include "file_icons.h"

namespace trimora::gui {

// The icon loader of the file list: a thread of its own that finds the type
// of each file a row shows. The view asks for rows as it paints them; the
// row asked for last is looked up first, so that scrolling through a long
// list brings the icons of what is on screen now. The answer goes back by
// Found, called on the loader's thread; the receiver hands it to the
// window's thread, which alone touches the list and makes the icon.
class TUpdateList {
public:
    // entryId: the entry the row showed when it was asked for.
    using FoundHandler = std::function<void(std::uint64_t entryId, const TIconNames& names)>;

    explicit TUpdateList(FoundHandler found);
    ~TUpdateList();  // terminates, wakes and waits for the thread
    TUpdateList(const TUpdateList&) = delete;
    TUpdateList& operator=(const TUpdateList&) = delete;

    // Queues a lookup and wakes the thread.
    void Add(std::uint64_t entryId, const QString& fileName);
    // While paused the thread takes nothing from the queue; what is queued
    // meanwhile waits.
    void Pause();
    void Resume();
    // Forgets every request not yet taken (the list was emptied).
    void Clear();
    std::size_t Queued() const;

private:
    struct Request {
        std::uint64_t EntryId;
        QString FileName;
    };
    void Work();

    FoundHandler found_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Request> queue_;  // the last one is taken first
    bool paused_ = false;
    bool terminated_ = false;
    std::thread thread_;
};

}  // namespace trimora::gui

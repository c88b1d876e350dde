#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace trimora {

struct TFileEntry;

// Where dropped items landed: on the list view the unsupported-file message
// has only OK; elsewhere on the window it asks Yes or No.
enum class TDropTarget { ListView, Window };

// How the batch layer reaches the window (or the console) that shows it.
// Every hook has a default that does nothing, so a caller overrides only
// what it shows. All hooks are called on the thread that called the batch
// operation.
class TBatchCallbacks {
public:
    virtual ~TBatchCallbacks() = default;

    // Lets pending window events through; Esc sets AbortRequested here.
    virtual void ProcessEvents() {}

    // Every change of EntryList is announced before and after, with its
    // range, so that a view's model can follow it without a reset:
    // rows first..last are inserted, or removed; a layout change (a sort)
    // tells where each old row went (newRowOfOld[old] is its new row).
    virtual void RowsAboutToBeInserted(std::size_t /*first*/, std::size_t /*last*/) {}
    virtual void RowsInserted() {}
    virtual void RowsAboutToBeRemoved(std::size_t /*first*/, std::size_t /*last*/) {}
    virtual void RowsRemoved() {}
    virtual void LayoutAboutToChange() {}
    virtual void LayoutChanged(const std::vector<std::size_t>& /*newRowOfOld*/) {}

    // The list view: rows whose texts changed, the row count.
    virtual void RowCountChanged(std::size_t /*count*/) {}
    virtual void RedrawRows(std::size_t /*first*/, std::size_t /*last*/) {}
    virtual void RedrawAll() {}
    virtual void FreezeRows(bool /*frozen*/) {}
    virtual void ClearSelection() {}

    // Status bar panels 0 and 1, window caption, menu and toolbar freezing.
    virtual void StatusText(int /*panel*/, std::string_view /*text*/) {}
    virtual void CaptionChanged(std::string_view /*caption*/) {}
    virtual void FreezeMenus(bool /*frozen*/) {}

    // The progress bar of list loading and saving.
    virtual void ProgressStart(std::int64_t /*maximum*/) {}
    virtual void ProgressPosition(std::int64_t /*position*/) {}
    virtual void ProgressEnd() {}

    // The icon loader is paused while a list loads or saves.
    virtual void PauseIconLoader() {}
    virtual void ResumeIconLoader() {}

    // "... is not recognised as a supported file! ..." under ConfirmCaption.
    // On the list view only OK is offered and the answer is ignored; on the
    // window, true (Yes) adds the file all the same.
    virtual bool AskAddUnsupported(std::string_view /*message*/, TDropTarget /*target*/) { return false; }

    // A problem the user should hear of that ends no command (a list file
    // too large to be one).
    virtual void Warning(std::string_view /*message*/) {}

    // Entry index is about to be compressed (the view keeps it in sight), and
    // has been compressed, restored or had its backup removed; detail
    // explains a failure.
    virtual void EntryStarting(std::size_t /*index*/) {}
    virtual void EntryFinished(std::size_t /*index*/, const TFileEntry& /*entry*/, std::string_view /*detail*/) {}
};

}  // namespace trimora

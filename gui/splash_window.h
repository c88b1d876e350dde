#pragma once

#include <functional>

#include <QPointer>
#include <QWidget>

namespace trimora::gui {

class TShimmerStrip;

// The start-up window: logo, maker and the animated strip. It closes and
// deletes itself at the first strip redraw at least 101 ms after it started
// once the main window is visible. While shown it sees every key first: Esc
// asks for the start-up's work to stop, any other key takes that back.
class TfmSplash : public QWidget {
    Q_OBJECT
public:
    // abortRequested is told true for Esc and false for any other key.
    explicit TfmSplash(std::function<void(bool)> abortRequested = {});

    void SetMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }
    TShimmerStrip* Strip() const { return Shimmer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShimmerRedrawn();

    std::function<void(bool)> abortRequested_;
    QPointer<QWidget> mainWindow_;
    TShimmerStrip* Shimmer;
    bool closing_ = false;
};

}  // namespace trimora::gui

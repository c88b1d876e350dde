#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QWidget>

namespace trimora::gui {

// The colour of line x of the animated strip: with v = (phase + x) mod 512,
// folded to 511 - v above 255, red and green v and blue 255, a band fading
// from blue to white and back every 512 pixels. Line x stands at column
// width - x.
QColor ShimmerColor(int phase, int x);

// The phase after a timer tick elapsedMs after the strip started: 5 further
// once the time per step so far, elapsedMs / (phase + 1), exceeds 10.
int NextShimmerPhase(int phase, qint64 elapsedMs);

// The animated colour strip of the splash and the About box.
class TShimmerStrip : public QWidget {
    Q_OBJECT
public:
    TShimmerStrip(int intervalMs, QWidget* parent);

    int Phase() const { return phase_; }
    // One timer tick at that time since the strip started; answers whether
    // the strip moved (and was redrawn).
    bool Tick(qint64 elapsedMs);
    qint64 Elapsed() const { return started_.elapsed(); }

signals:
    // After each tick that moved the strip.
    void Redrawn();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    int phase_ = 0;
    QElapsedTimer started_;
};

// The About box's credits: the line scrolls to the left by one pixel a tick
// and comes back in from the right once it has left.
class TCreditsStrip : public QWidget {
    Q_OBJECT
public:
    TCreditsStrip(const QString& line, QWidget* parent);

    int ScrollX() const { return scrollX_; }
    const QString& Line() const { return line_; }
    void Tick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QString line_;
    int scrollX_ = 0;
    QImage image_;
};

}  // namespace trimora::gui

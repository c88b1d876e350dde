#include "strips.h"

#include <QPainter>
#include <QTimerEvent>

namespace trimora::gui {

QColor ShimmerColor(int phase, int x) {
    int v = (phase + x) % 512;
    if (v > 255) v = 511 - v;
    return QColor(v, v, 255);
}

int NextShimmerPhase(int phase, qint64 elapsedMs) {
    return elapsedMs / (phase + 1) > 10 ? phase + 5 : phase;
}

TShimmerStrip::TShimmerStrip(int intervalMs, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    started_.start();
    startTimer(intervalMs);
}

bool TShimmerStrip::Tick(qint64 elapsedMs) {
    const int next = NextShimmerPhase(phase_, elapsedMs);
    if (next == phase_) return false;
    phase_ = next;
    repaint();
    emit Redrawn();
    return true;
}

void TShimmerStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    for (int x = 0; x <= w; ++x) {
        painter.setPen(ShimmerColor(phase_, x));
        painter.drawLine(w - x, 0, w - x, height() - 1);
    }
}

void TShimmerStrip::timerEvent(QTimerEvent*) { Tick(started_.elapsed()); }

TCreditsStrip::TCreditsStrip(const QString& line, QWidget* parent) : QWidget(parent), line_(line) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    startTimer(150);
}

void TCreditsStrip::Tick() {
    if (image_.isNull()) return;
    image_.fill(Qt::white);
    QPainter painter(&image_);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPoint(scrollX_, painter.fontMetrics().ascent()), line_);
    painter.end();
    --scrollX_;
    if (fontMetrics().horizontalAdvance(line_) + scrollX_ < 1) scrollX_ = image_.width();
    update();
}

void TCreditsStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!image_.isNull()) painter.drawImage(0, 0, image_);
}

void TCreditsStrip::resizeEvent(QResizeEvent*) {
    image_ = QImage(size(), QImage::Format_RGB32);
    image_.fill(Qt::white);
}

void TCreditsStrip::timerEvent(QTimerEvent*) { Tick(); }

}  // namespace trimora::gui

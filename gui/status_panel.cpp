#include "status_panel.h"

#include <QPainter>

namespace trimora::gui {

TStatusPanel::TStatusPanel(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void TStatusPanel::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(text);
    update();
}

QRect TStatusPanel::TextRect() const { return rect().adjusted(2, 0, -20, 0); }

QString TStatusPanel::ShownText() const {
    return fontMetrics().elidedText(text_, Qt::ElideMiddle, std::max(0, TextRect().width()));
}

QSize TStatusPanel::sizeHint() const { return {100, fontMetrics().height() + 4}; }

QSize TStatusPanel::minimumSizeHint() const { return {40, fontMetrics().height() + 4}; }

void TStatusPanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(TextRect(), Qt::AlignLeft | Qt::AlignVCenter, ShownText());
}

}  // namespace trimora::gui

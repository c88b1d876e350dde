#include "splash_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "about_box.h"
#include "gui_resources.h"
#include "strips.h"

namespace trimora::gui {

TfmSplash::TfmSplash(std::function<void(bool)> abortRequested)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      abortRequested_(std::move(abortRequested)) {
    setObjectName(QStringLiteral("fmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAccessibleName(QStringLiteral("Trimora"));
    setFixedSize(260, 73);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    // Inside the frame, along the bottom.
    Shimmer = new TShimmerStrip(20, this);
    Shimmer->setObjectName(QStringLiteral("Shimmer"));
    Shimmer->setGeometry(1, height() - 6, width() - 2, 5);
    connect(Shimmer, &TShimmerStrip::Redrawn, this, &TfmSplash::ShimmerRedrawn);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TfmSplash::ShimmerRedrawn() {
    if (closing_ || Shimmer->Elapsed() < 101 || mainWindow_.isNull() || !mainWindow_->isVisible()) return;
    closing_ = true;
    QTimer::singleShot(0, this, &QWidget::close);
}

bool TfmSplash::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::KeyPress && abortRequested_)
        abortRequested_(static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape);
    return false;
}

void TfmSplash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, Picture(QStringLiteral("logo")));
    QFont maker = font();
    maker.setBold(true);
    maker.setPointSizeF(7.5);
    painter.setFont(maker);
    painter.setPen(QColor(0xC0, 0xC0, 0xC0));
    painter.drawText(QRect(0, 0, width() - 6, 66), Qt::AlignRight | Qt::AlignBottom, QLatin1String(MakerName));
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

void TfmSplash::showEvent(QShowEvent* event) {
    // Every key of the application passes here first while the splash shows.
    qApp->installEventFilter(this);
    QWidget::showEvent(event);
}

void TfmSplash::hideEvent(QHideEvent* event) {
    if (qApp != nullptr) qApp->removeEventFilter(this);
    QWidget::hideEvent(event);
}

}  // namespace trimora::gui

#pragma once

#include <QString>
#include <QWidget>

namespace trimora::gui {

// Panel 1 of the status bar, drawn by the window: its text in the panel
// narrowed by 2 pixels on the left and 20 on the right, shortened in the
// middle with an ellipsis when it does not fit (a long path keeps its start
// and its file).
class TStatusPanel : public QWidget {
    Q_OBJECT
public:
    explicit TStatusPanel(QWidget* parent = nullptr);

    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    // The text as drawn at the panel's width now.
    QString ShownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TextRect() const;
    QString text_;
};

}  // namespace trimora::gui

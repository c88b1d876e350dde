#include "widget_text.h"

#include <QWidget>

namespace trimora::gui {

QString FromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) { return text.toLatin1().toStdString(); }

QString StripAccelerators(const QString& caption) {
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) text += QLatin1Char('&');
            ++i;
            if (i < caption.size() && caption[i] != QLatin1Char('&')) text += caption[i];
            continue;
        }
        text += caption[i];
    }
    return text;
}

void SetAccessibleCaption(QWidget* widget, const QString& caption) {
    widget->setAccessibleName(StripAccelerators(caption));
}

}  // namespace trimora::gui

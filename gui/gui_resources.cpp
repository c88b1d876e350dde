#include "gui_resources.h"

#include <mutex>

#include <QFile>

// Q_INIT_RESOURCE may not stand inside a namespace.
static void InitGuiResources() { Q_INIT_RESOURCE(trimora_gui); }

namespace trimora::gui {

void EnsureGuiResources() {
    static std::once_flag once;
    std::call_once(once, InitGuiResources);
}

QIcon BundledIcon(const QString& name) {
    EnsureGuiResources();
    QIcon icon;
    for (const char* size : {"16", "32"}) {
        const QString path = QStringLiteral(":/icons/%1/%2.png").arg(QLatin1String(size), name);
        if (QFile::exists(path)) icon.addFile(path);
    }
    return icon;
}

QPixmap Picture(const QString& name) {
    EnsureGuiResources();
    // QPixmap picks name@2x.png by itself on a high-density screen.
    return QPixmap(QStringLiteral(":/pictures/%1.png").arg(name));
}

QIcon ApplicationIcon() {
    EnsureGuiResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) icon.addFile(QStringLiteral(":/pictures/trimora-%1.png").arg(size));
    return icon;
}

}  // namespace trimora::gui

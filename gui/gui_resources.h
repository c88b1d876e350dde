#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace trimora::gui {

// Registers the pictures, icons, tips and manual compiled into the window
// layer. Safe to call any number of times; every routine here calls it.
void EnsureGuiResources();

// An icon of the bundled set by name ("CompressCmd", "text-html"), at 16 and
// 32 pixels; a null icon for an unknown name.
QIcon BundledIcon(const QString& name);

// The program's pictures: "logo" (260 x 60), "bulb" (32 x 32), each with its
// double-size variant for high-density screens, and the application icon.
QPixmap Picture(const QString& name);
QIcon ApplicationIcon();

}  // namespace trimora::gui

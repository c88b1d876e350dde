#pragma once

#include <QString>
#include <QStringList>

namespace trimora::gui {

// The looks of the menu bar, the toolbars and the menus, by their stored
// names: "Default" (the platform's own), "OfficeXP" and "Stripes".
QStringList ThemeNames();

// The name as stored when it is one of them, else "Default".
QString KnownTheme(const QString& name);

// The style sheet of a look; empty for "Default".
QString ThemeStyleSheet(const QString& name);

}  // namespace trimora::gui

#include "themes.h"

namespace trimora::gui {

namespace {

// Flat bars on a pale ground; the item under the mouse framed in blue.
constexpr char OfficeXP[] = R"(
QToolBar { background: #f4f3ee; border: none; spacing: 2px; padding: 1px; }
QMenuBar { background: #f4f3ee; }
QMenuBar::item { padding: 3px 8px; background: transparent; border: 1px solid transparent; }
QMenuBar::item:selected { background: #c1d2ee; border: 1px solid #316ac5; }
QMenuBar::item:pressed { background: #e8e6df; border: 1px solid #8a867a; }
QMenu { background: #fcfcf9; border: 1px solid #8a867a; }
QMenu::item { padding: 3px 24px 3px 28px; border: 1px solid transparent; }
QMenu::item:selected { background: #c1d2ee; color: black; border: 1px solid #316ac5; }
QMenu::item:disabled { color: #a0a0a0; }
QMenu::separator { height: 1px; background: #c5c2b8; margin: 3px 4px 3px 28px; }
QMenu::icon { padding-left: 6px; }
QToolButton { border: 1px solid transparent; padding: 2px; }
QToolButton:hover { background: #c1d2ee; border: 1px solid #316ac5; }
QToolButton:pressed { background: #98b5e2; border: 1px solid #316ac5; }
)";

// Bars shaded in thin horizontal stripes; menus with a striped margin.
constexpr char Stripes[] = R"(
QToolBar, QMenuBar {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, spread:repeat,
    stop:0 #e9eef6, stop:0.49 #e9eef6, stop:0.5 #dce4f0, stop:1 #dce4f0);
  border: none;
}
QToolBar { spacing: 2px; padding: 1px; }
QMenuBar::item { padding: 3px 8px; background: transparent; }
QMenuBar::item:selected { background: #3d6bb3; color: white; }
QMenu {
  background: qlineargradient(x1:0, y1:0, x2:1, y2:0,
    stop:0 #dce4f0, stop:0.12 #dce4f0, stop:0.121 white, stop:1 white);
  border: 1px solid #6f8bb8;
}
QMenu::item { padding: 3px 24px 3px 28px; }
QMenu::item:selected { background: #3d6bb3; color: white; }
QMenu::item:disabled { color: #9aa3b0; }
QMenu::separator { height: 1px; background: #b8c6dc; margin: 3px 4px 3px 28px; }
QToolButton { border: 1px solid transparent; padding: 2px; border-radius: 2px; }
QToolButton:hover { background: white; border: 1px solid #6f8bb8; }
QToolButton:pressed { background: #c5d4ea; border: 1px solid #3d6bb3; }
)";

}  // namespace

QStringList ThemeNames() {
    return {QStringLiteral("Default"), QStringLiteral("OfficeXP"), QStringLiteral("Stripes")};
}

QString KnownTheme(const QString& name) { return ThemeNames().contains(name) ? name : QStringLiteral("Default"); }

QString ThemeStyleSheet(const QString& name) {
    if (name == QLatin1String("OfficeXP")) return QString::fromLatin1(OfficeXP);
    if (name == QLatin1String("Stripes")) return QString::fromLatin1(Stripes);
    return {};
}

}  // namespace trimora::gui

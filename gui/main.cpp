#include <QApplication>

#include "gui_resources.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trimora"));
    QApplication::setOrganizationName(QStringLiteral("Kestrova"));
    QApplication::setWindowIcon(trimora::gui::ApplicationIcon());
    return 0;
}

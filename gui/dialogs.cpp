#include "dialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QCursor>
#include <QFileDialog>
#include <QWhatsThis>

#include "help.h"

namespace trimora::gui {

void TDialogs::ShowError(QWidget* parent, const QString& text) {
    Message(parent, QMessageBox::Critical, QLatin1String(ApplicationTitle), text, QMessageBox::Ok);
}

void TDialogs::HelpPopup(QWidget* parent, int helpContext) {
    const QString text = HelpContextText(helpContext);
    if (!text.isEmpty()) QWhatsThis::showText(QCursor::pos(), text, parent);
}

QMessageBox::StandardButton TWidgetDialogs::Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                                    const QString& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString TWidgetDialogs::ChooseFolder(QWidget* parent, const QString& caption, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, caption, start,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

namespace {
QString RunFileDialog(QWidget* parent, const TDialogs::FileRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, request.Caption, request.Start, request.Filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    if (!request.ConfirmReplace) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}
}  // namespace

QString TWidgetDialogs::SaveFileName(QWidget* parent, const FileRequest& request) {
    return RunFileDialog(parent, request, QFileDialog::AcceptSave);
}

QString TWidgetDialogs::OpenFileName(QWidget* parent, const FileRequest& request) {
    return RunFileDialog(parent, request, QFileDialog::AcceptOpen);
}

int TWidgetDialogs::Exec(QDialog& dialog) { return dialog.exec(); }

void TSystemDesktop::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace trimora::gui

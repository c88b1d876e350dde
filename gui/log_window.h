#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace trimora::gui {

class TDialogs;

// The log window: the size report in an editable memo that can be saved as
// text.
class TfmLog : public QDialog {
    Q_OBJECT
public:
    explicit TfmLog(TDialogs& dialogs, QWidget* owner = nullptr);

    void SetLines(const QStringList& lines);
    // The memo's lines as they stand now, edits included.
    QStringList Lines() const;
    // Writes the lines to the file, replacing it, each ended by CR LF. On a
    // failure answers false with the message for the user.
    bool SaveLines(const QString& path, QString* error) const;

private:
    void btSaveClick();

    TDialogs& dialogs_;
    QPlainTextEdit* Memo;
    QPushButton* btSave;
    QPushButton* btClose;
};

}  // namespace trimora::gui

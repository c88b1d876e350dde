#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>

class QDialog;
class QWidget;

namespace trimora::gui {

// Everything modal the windows ask of the user goes through here, so that
// tests answer it without a screen.
class TDialogs {
public:
    virtual ~TDialogs() = default;

    // A message box; answers the button pressed.
    virtual QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                                const QString& text, QMessageBox::StandardButtons buttons) = 0;
    // The application's one handler for platform errors ("Cannot open file
    // %s"): the message is shown and the program goes on.
    void ShowError(QWidget* parent, const QString& text);

    // The folder chooser; an empty text when cancelled.
    virtual QString ChooseFolder(QWidget* parent, const QString& caption, const QString& start) = 0;
    // The file dialogs; an empty text when cancelled.
    struct FileRequest {
        QString Caption;        // empty: the toolkit's own
        QString Filter;         // in Qt's form: "Text Files (*.txt)"
        QString DefaultSuffix;  // added to a name typed without one: "txt"
        QString Start;          // the preset file or folder
        bool ConfirmReplace = false;
    };
    virtual QString SaveFileName(QWidget* parent, const FileRequest& request) = 0;
    virtual QString OpenFileName(QWidget* parent, const FileRequest& request) = 0;

    // Shows a window modally and answers its result (QDialog::Accepted or
    // Rejected).
    virtual int Exec(QDialog& dialog) = 0;

    // What's This? help: the topic of a help context as a pop-up beside the
    // mouse, gone at the next click; nothing for a context without topic.
    virtual void HelpPopup(QWidget* parent, int helpContext);
};

// The desktop's "open": a file or a web page in its default program.
class TDesktop {
public:
    virtual ~TDesktop() = default;
    virtual void OpenUrl(const QUrl& url) = 0;
};

// The real ones: Qt's message boxes and Qt's own file dialogs (never the
// platform's, which tests could not drive), and QDesktopServices.
class TWidgetDialogs : public TDialogs {
public:
    QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons buttons) override;
    QString ChooseFolder(QWidget* parent, const QString& caption, const QString& start) override;
    QString SaveFileName(QWidget* parent, const FileRequest& request) override;
    QString OpenFileName(QWidget* parent, const FileRequest& request) override;
    int Exec(QDialog& dialog) override;
};

class TSystemDesktop : public TDesktop {
public:
    void OpenUrl(const QUrl& url) override;
};

// The caption of the application's messages.
inline constexpr char ApplicationTitle[] = "Trimora";

}  // namespace trimora::gui

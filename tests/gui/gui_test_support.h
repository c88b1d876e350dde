#pragma once

#include <deque>
#include <functional>
#include <vector>

#include <QAbstractButton>
#include <QDialog>
#include <QString>
#include <QTest>
#include <QUrl>

#include "dialogs.h"

namespace trimora::test {

// Answers the window layer's modal questions from a script and records them.
class ScriptedDialogs : public gui::TDialogs {
public:
    struct Shown {
        QMessageBox::Icon Icon;
        QString Caption;
        QString Text;
        QMessageBox::StandardButtons Buttons;
    };
    std::vector<Shown> Messages;
    std::deque<QMessageBox::StandardButton> Answers;  // the default answer is the first button offered
    std::deque<QString> Folders;                      // empty: cancelled
    std::deque<QString> SaveNames;
    std::deque<QString> OpenNames;
    std::vector<QString> FolderCaptions;
    std::vector<FileRequest> SaveRequests;
    std::vector<FileRequest> OpenRequests;
    std::vector<int> HelpPopups;  // the help contexts shown as What's This? pop-ups
    // Runs a window shown modally; by default it is closed with Cancel.
    std::function<int(QDialog&)> OnExec = [](QDialog&) { return int(QDialog::Rejected); };

    QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon icon, const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons buttons) override {
        Messages.push_back({icon, caption, text, buttons});
        if (!Answers.empty()) {
            const QMessageBox::StandardButton answer = Answers.front();
            Answers.pop_front();
            return answer;
        }
        for (int bit = 1; bit != 0; bit <<= 1)
            if (buttons.testFlag(static_cast<QMessageBox::StandardButton>(bit)))
                return static_cast<QMessageBox::StandardButton>(bit);
        return QMessageBox::NoButton;
    }
    QString ChooseFolder(QWidget*, const QString& caption, const QString&) override {
        FolderCaptions.push_back(caption);
        return Take(Folders);
    }
    QString SaveFileName(QWidget*, const FileRequest& request) override {
        SaveRequests.push_back(request);
        return Take(SaveNames);
    }
    QString OpenFileName(QWidget*, const FileRequest& request) override {
        OpenRequests.push_back(request);
        return Take(OpenNames);
    }
    int Exec(QDialog& dialog) override { return OnExec(dialog); }
    void HelpPopup(QWidget*, int helpContext) override { HelpPopups.push_back(helpContext); }

    QStringList MessageTexts() const {
        QStringList texts;
        for (const Shown& shown : Messages) texts << shown.Text;
        return texts;
    }

private:
    static QString Take(std::deque<QString>& queue) {
        if (queue.empty()) return {};
        QString value = queue.front();
        queue.pop_front();
        return value;
    }
};

class RecordingDesktop : public gui::TDesktop {
public:
    std::vector<QUrl> Opened;
    void OpenUrl(const QUrl& url) override { Opened.push_back(url); }
};

// The child of a window by object name; fails the test when there is none.
template <typename T>
T* Child(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(QLatin1String(name));
    if (child == nullptr) qFatal("no child %s", name);
    return child;
}

// Every control of a window that a user reaches without a name a screen
// reader could read.
inline QStringList UnnamedControls(const QWidget* window) {
    QStringList unnamed;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const bool control = widget->focusPolicy() != Qt::NoFocus && !widget->objectName().startsWith(QLatin1String("qt_"));
        if (control && widget->accessibleName().isEmpty() && widget->parentWidget() != nullptr &&
            !widget->parentWidget()->objectName().startsWith(QLatin1String("qt_")))
            unnamed << QStringLiteral("%1 (%2)").arg(widget->objectName(), QLatin1String(widget->metaObject()->className()));
    }
    return unnamed;
}

}  // namespace trimora::test

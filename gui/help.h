#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QUrl>

class QTextBrowser;

namespace trimora::gui {

class TDesktop;

// The list view's own help context.
inline constexpr int ListViewHelpContext = 5;

// The manual shipped with the program, at the topic of a help context (its
// anchor is the number); 0 gives the manual's start.
QUrl ManualUrl(int helpContext = 0);

// The topic of a help context as rich text, for What's This? pop-ups: its
// heading and paragraphs from the manual. Empty for a number without topic.
QString HelpContextText(int helpContext);

// Every help context the manual has a topic for.
QList<int> ManualHelpContexts();

// The help window: the manual in a browser, opened at a topic. Links to web
// pages go to the desktop's browser.
class TfmHelp : public QDialog {
    Q_OBJECT
public:
    explicit TfmHelp(TDesktop& desktop, QWidget* parent = nullptr);

    // Shows the topic of the help context (0: the start) and raises the window.
    void ShowTopic(int helpContext);
    QTextBrowser* Browser() const { return browser_; }

private:
    void BrowserAnchorClicked(const QUrl& url);

    TDesktop& desktop_;
    QTextBrowser* browser_;
};

}  // namespace trimora::gui

#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

namespace trimora::app {
class SettingsStore;
}

namespace trimora::gui {

class TDialogs;

// tips.txt in the data folder: when it is there, its lines are the tips
// instead of the ones shipped with the program.
QString TipsFilePath();

// The tip shown when no tip could be loaded.
inline constexpr char DefaultTip[] =
    "You can compress a group of HTML files in a lst file by right-clicking it in Explorer.";

// The Tip of the Day window. Creating it loads the tips, picks one at
// random and shows the one after it; a tips file that cannot be read or has
// no lines is reported through the application's error handler.
class TfmTip : public QDialog {
    Q_OBJECT
public:
    explicit TfmTip(TDialogs& dialogs, QWidget* owner = nullptr);

    void SetShowTips(bool show);
    bool GetShowTips() const;
    void NextTip();

    const QStringList& Tips() const { return Tips_; }
    int TipIndex() const { return TipIndex_; }
    QString TipText() const;

private:
    TDialogs& dialogs_;
    QStringList Tips_;
    int TipIndex_ = 0;
    QLabel* lbTip;
    QCheckBox* cbShowTips;
    QPushButton* btNext;
    QPushButton* btClose;
};

enum class TipOccasion {
    FirstActivation,  // shown when "ShowTips" is absent or set, its box ticked
    ShowTipsCommand,  // always shown, its box ticked only when "ShowTips" is set
};

// The Tip of the Day as the main window offers it: settings written first
// when none are stored yet, the window shown modally through dialogs, and
// "ShowTips" stored from its box afterwards. Answers whether it was shown.
bool RunTipOfTheDay(app::SettingsStore& store, TDialogs& dialogs, TipOccasion occasion, QWidget* owner);

}  // namespace trimora::gui

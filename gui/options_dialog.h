#pragma once

#include <optional>

#include <QDialog>

#include "lst_association.h"
#include "tag_tree.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolBar;

namespace trimora::app {
class SettingsStore;
struct TrimoraSettings;
}  // namespace trimora::app

namespace trimora::gui {

class TCommands;
class TDialogs;
class TTagTreeEditor;
class TToolbarPage;

// What the options dialog works on, all of it the main window's.
struct TOptionsContext {
    app::TrimoraSettings& Settings;  // the settings variables; OK writes them
    app::SettingsStore& Store;       // the dialog keeps its own bounds there
    const TCommands& Commands;       // the commands the toolbar can carry
    QToolBar& Toolbar;               // the main toolbar; OK rebuilds it
    TDialogs& Dialogs;
    app::LstAssociation Association;  // tested at opening, applied at OK
};

// The options dialog. It edits the settings variables, the .lst association,
// the main toolbar, the main thread's priority (at once) and a copy of the
// rule tree. The tree goes back to the caller as a value:
//
//     TfmOptions options(context, engineRules, mainWindow);
//     const int result = dialogs.Exec(options);
//     if (auto rules = options.TakeEditedRules()) { swap *rules in between runs }
//     if (result == QDialog::Accepted) { write the tag-settings file, e.g.
//                                        EncodeRuleTree(tree) or SaveSettings }
class TfmOptions : public QDialog {
    Q_OBJECT
public:
    TfmOptions(TOptionsContext& context, const TTagInfo& rules, QWidget* owner = nullptr);
    ~TfmOptions() override;

    // The edited rule tree, after OK or after the hidden "Save" (which applies
    // the tree without writing its file); none while neither happened. Tags
    // are normalised and sorted as lookups need them.
    std::optional<TTagInfo> TakeEditedRules();

    TTagTreeEditor* TagEditor() const { return TagEditor_; }
    TToolbarPage* ToolbarPage() const { return ToolbarPage_; }

    // The place reached in the access word; it lasts while the program runs.
    static int KeyPos;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildCompressPage();
    QWidget* BuildFileFormatsPage();
    QWidget* BuildOtherPage();
    void Open();
    void btOKClick();
    void rbOutDirOriginalClick();
    void rbOutDirOtherClick();
    void rbDelExistClick();
    void rbRenExistClick();
    void rbMoveClick();
    void btBrowseClick(QLineEdit* edit);
    void TrackBar1Change(int position);
    void KeyPressed(const QKeyEvent& key);

    TOptionsContext& context_;
    bool rulesApplied_ = false;
    bool watchingKeys_ = false;

    QTabWidget* PageControl1;
    QRadioButton* rbOutDirOriginal;
    QGroupBox* gbExistingFile;
    QRadioButton* rbDelExist;
    QCheckBox* cbRecycle;
    QRadioButton* rbRenExist;
    QLineEdit* edSuffix;
    QRadioButton* rbMove;
    QLineEdit* edMove;
    QPushButton* btBrowse1;
    QRadioButton* rbOutDirOther;
    QLineEdit* edOtherFldr;
    QPushButton* btBrowse2;
    QCheckBox* cbPreserveDir;
    TTagTreeEditor* TagEditor_;
    QCheckBox* cbAssociateLst;
    TToolbarPage* ToolbarPage_;
    QLabel* lbThread;
    QSlider* TrackBar1;
    QLabel* lbThreadPriority;
    QCheckBox* cbRecurse;
    QCheckBox* cbAutoSaveLoad;
    QPushButton* btOK;
    QPushButton* btCancel;
    QPushButton* Button2;
    QPushButton* Button3;
};

}  // namespace trimora::gui

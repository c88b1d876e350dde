#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>

#include "batch_options.h"
#include "commands.h"
#include "compress_run.h"
#include "lst_association.h"
#include "settings_store.h"

class QActionGroup;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QTableView;
class QTimer;
class QToolBar;

namespace trimora {
class TFileList;
class TTrimora;
}  // namespace trimora

namespace trimora::gui {

class TDesktop;
class TDialogs;
class TFileListModel;
class TFileListView;
class TStatusPanel;
class TfmHelp;

struct TMainWindowSetup {
    // The program's parameters: list files to load, "/c" to compress them
    // and end.
    QStringList Parameters;
    // When first shown: the parameters, the automatic list and the Tip of
    // the Day. Off, the window starts with an empty list and asks nothing.
    bool StartUp = true;
    // The program the .lst association starts; empty: this program.
    QString ProgramPath;
};

// The main window: the file list, every command on it, the status bar, and
// the runs that compress, restore, remove backups and synchronise off the
// window's thread. It reads the settings when it is made and writes them
// when it goes.
class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    TfmMain(TDialogs& dialogs, TDesktop& desktop, TMainWindowSetup setup = {}, QWidget* parent = nullptr);
    ~TfmMain() override;

    TFileList& List() { return *list_; }
    TTrimora& Engine() { return *engine_; }
    TFileListModel* Model() const { return model_; }
    QTableView* FileView() const;
    TCommands& Commands() { return *alGeneral; }
    QAction* Action(CommandId id) const { return alGeneral->Action(id); }
    QMenu* RecentListsMenu() const { return mnFile; }
    QMenu* ListMenu() const { return PopupMenu1; }
    QMenu* ThemesMenu() const { return mnThemes; }
    QProgressBar* Progress() const { return pbProgress; }
    app::TrimoraSettings& Settings() { return settings_; }
    TBatchOptions& Options() { return options_; }
    app::SettingsStore& Store() { return store_; }

    // Status bar panel 0 ("3 file(s)") and 1 (bytes, or the search path).
    QString StatusPanelText(int panel) const;
    bool HelpMode() const { return HelpMode_; }
    bool RunActive() const { return run_.has_value(); }
    bool BatchMode() const { return batchMode_; }
    // The rows selected, in list order.
    std::vector<int> SelectedRows() const;

    // The enabling rules and the status-bar totals; both are also applied
    // whenever the window has gone idle after a change.
    void alGeneralUpdate();
    void UpdateStatusTotals();
    // What the enabling rules depend on, as it is now.
    CommandState CurrentState() const;

    // Settings for the runs this window starts (tests stop a run at a file).
    TRunSettings RunSettings;

    // Writes everything stored at exit; the destructor does it too.
    void SaveState();

    // Commands, as the actions run them (outside help mode).
    void Execute(CommandId id);

    // Items dropped on the list view or elsewhere on the window.
    void FilesDropped(const QStringList& paths, bool onListView);

signals:
    // A compress, restore, removal or synchronisation run has ended.
    void RunFinished();
    // The run of "/c" has ended: the program ends with this status, 1 when a
    // file failed or the run was stopped.
    void BatchFinished(int exitStatus);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class TWindowCallbacks;
    class TWindowPrompts;
    struct TRunning {
        std::shared_ptr<void> Owner;
        std::function<bool()> TakeResults;
        std::function<void()> Stop;
        std::function<bool()> Aborted;
        bool Compressing = false;
    };
    // A scan, a list load or save, or a drop is going on: the list-changing
    // commands wait, and a close request waits for its end.
    class TBusy {
    public:
        explicit TBusy(TfmMain& window);
        ~TBusy();
        TBusy(const TBusy&) = delete;
        TBusy& operator=(const TBusy&) = delete;

    private:
        TfmMain& w_;
    };

    void ReadSettings();
    void CreateEngine();
    void BuildCommands();
    void BuildMenus();
    void BuildListView();
    void BuildStatusBar();
    void RestoreWindowState();
    void ApplyTheme(const QString& name);
    void NameToolbarButtons();
    void RebuildRecentLists();
    void ScheduleIdle();
    void FirstShown();
    void FirstActivation();

    // Messages: one place decides how they are shown; in a "/c" run none
    // blocks, each goes to standard error and the safest answer is taken.
    QMessageBox::StandardButton Ask(QMessageBox::Icon icon, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons);
    void ShowError(const QString& text);
    void ShowHelpPopup(int helpContext);

    // Asks to save a changed list; false when the user cancelled.
    bool AskSaveChanges();
    bool SaveListTo();
    // Loads a list file (a user load, or the automatic list) and reports
    // what went wrong.
    void LoadListFile(const std::string& path, bool automatic);
    std::function<bool(std::size_t)> SelectionOf() const;
    void SyncSettingsFromOptions();
    void SyncOptionsFromSettings();

    void StartRun(TRunning running, const std::function<void(std::function<void()>)>& start);
    template <typename Run>
    void StartResultsRun(const std::shared_ptr<Run>& run, bool compressing);
    void TakeRunResults();
    void EndRun();
    void RequestAbort();
    void KeepInSight(std::size_t row);
    void CloseWhenIdle();

    void CompressCmdExecute();
    void RestoreAllCmdExecute();
    void RestoreCmdExecute();
    void RemBakCmdExecute();
    void AddDirCmdExecute();
    void DeleteCmdExecute();
    void CropCmdExecute();
    void SyncDirsCmdExecute();
    void ClearCmdExecute();
    void LoadListCmdExecute();
    void SaveListCmdExecute();
    void SaveAsListCmdExecute();
    void RefreshCmdExecute();
    void PreviewCmdExecute();
    void ViewLogCmdExecute();
    void OptionCmdExecute();
    void HelpCmdExecute();
    void WhatsThisCmdExecute();
    void ShowTipsCmdExecute();
    void AboutCmdExecute();
    void RecentListClick(const QString& path);
    void lvFilesColumnClick(int column);
    void lvFilesDblClick();

    TDialogs& dialogs_;
    TDesktop& desktop_;
    TMainWindowSetup setup_;
    app::LstAssociation association_;
    app::SettingsStore store_;
    app::TrimoraSettings settings_;
    TBatchOptions options_;
    QStringList settingsWarnings_;
    std::unique_ptr<TWindowPrompts> prompts_;
    std::unique_ptr<TTrimora> engine_;
    std::unique_ptr<TWindowCallbacks> callbacks_;
    std::unique_ptr<TFileList> list_;
    TFileListModel* model_ = nullptr;
    TCommands* alGeneral = nullptr;

    QToolBar* MainMenu = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QToolBar* tbMain = nullptr;
    QMenu* mnFile = nullptr;
    QMenu* mnTools = nullptr;
    QMenu* mnHelp = nullptr;
    QMenu* mnThemes = nullptr;
    QActionGroup* themeGroup_ = nullptr;
    QAction* recentStart_ = nullptr;  // the separators around the recent lists
    QAction* recentEnd_ = nullptr;
    QList<QAction*> recentItems_;
    QMenu* PopupMenu1 = nullptr;
    TFileListView* lvFiles = nullptr;
    QLabel* sbPanel0 = nullptr;
    TStatusPanel* sbPanel1 = nullptr;
    QProgressBar* pbProgress = nullptr;
    QPointer<TfmHelp> helpWindow_;
    QTimer* idleTimer_ = nullptr;
    QTimer* syncProgress_ = nullptr;

    bool HelpMode_ = false;
    bool batchMode_ = false;  // "/c": no message may wait for an answer
    bool batchRun_ = false;   // the run of "/c" has started
    bool shown_ = false;
    bool activated_ = false;
    bool closeRequested_ = false;
    bool stateSaved_ = false;
    bool sortingByHeader_ = false;
    int busy_ = 0;  // nested: a scan, a list load or save, a drop
    QString openPreset_;
    std::optional<TRunning> run_;
    std::atomic<bool> resultsPosted_{false};
};

}  // namespace trimora::gui

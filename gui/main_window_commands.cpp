// What each command of the main window does, and the runs that compress,
// restore, remove backups and synchronise while the window stays
// responsive.

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "about_box.h"
#include "data_folder.h"
#include "dialogs.h"
#include "file_list.h"
#include "file_list_model.h"
#include "file_list_view.h"
#include "help.h"
#include "log_window.h"
#include "main_window.h"
#include "options_dialog.h"
#include "report.h"
#include "restore.h"
#include "tip_window.h"
#include "trimora.h"

namespace trimora::gui {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

constexpr char ListFilter[] = "Trimora File List (*.lst)";
constexpr char AddDirectoryText[] = "Select the Directory containing the HTML files you want to add.";
constexpr char HelpModeCaption[] = "Help Mode";
constexpr char HelpModeOn[] = "You are now in Help mode, unselect What's This to exit this mode";
constexpr char HelpModeOff[] = "You are now not in Help mode";

TDialogs::FileRequest ListRequest(const QString& caption, const QString& start, bool confirmReplace) {
    TDialogs::FileRequest request;
    request.Caption = caption;
    request.Filter = QLatin1String(ListFilter);
    request.DefaultSuffix = QStringLiteral("lst");
    request.Start = start;
    request.ConfirmReplace = confirmReplace;
    return request;
}

}  // namespace

void TfmMain::Execute(CommandId id) {
    using enum CommandId;
    // In help mode a command shows what it does instead of doing it.
    if (HelpMode_ && id != WhatsThisCmd) {
        ShowHelpPopup(Spec(id).HelpContext);
        return;
    }
    // The rules as they stand now, not as the window last idled.
    if (!EnabledCommands(CurrentState())[static_cast<std::size_t>(id)]) return;
    switch (id) {
        case CompressCmd: CompressCmdExecute(); break;
        case RestoreAllCmd: RestoreAllCmdExecute(); break;
        case RestoreCmd: RestoreCmdExecute(); break;
        case RemBakCmd: RemBakCmdExecute(); break;
        case AddDirCmd: AddDirCmdExecute(); break;
        case ExitCmd: close(); break;
        case DeleteCmd: DeleteCmdExecute(); break;
        case CropCmd: CropCmdExecute(); break;
        case SyncDirsCmd: SyncDirsCmdExecute(); break;
        case ClearCmd: ClearCmdExecute(); break;
        case LoadListCmd: LoadListCmdExecute(); break;
        case SaveListCmd: SaveListCmdExecute(); break;
        case SaveAsListCmd: SaveAsListCmdExecute(); break;
        case RefreshCmd: RefreshCmdExecute(); break;
        case PreviewCmd: PreviewCmdExecute(); break;
        case ViewLogCmd: ViewLogCmdExecute(); break;
        case OptionCmd: OptionCmdExecute(); break;
        case HelpCmd: HelpCmdExecute(); break;
        case WhatsThisCmd: WhatsThisCmdExecute(); break;
        case ShowTipsCmd: ShowTipsCmdExecute(); break;
        case AboutCmd: AboutCmdExecute(); break;
    }
    ScheduleIdle();
}

// --- Runs -----------------------------------------------------------------

void TfmMain::StartRun(TRunning running, const std::function<void(std::function<void()>)>& start) {
    run_ = std::move(running);
    alGeneralUpdate();
    // Called on a worker's thread: one queued call at a time takes whatever
    // is ready by then.
    start([this] {
        if (!resultsPosted_.exchange(true))
            QMetaObject::invokeMethod(this, &TfmMain::TakeRunResults, Qt::QueuedConnection);
    });
    // A run without entries reports nothing: it is taken over at once.
    resultsPosted_ = true;
    QMetaObject::invokeMethod(this, &TfmMain::TakeRunResults, Qt::QueuedConnection);
}

void TfmMain::TakeRunResults() {
    resultsPosted_ = false;
    if (run_ && run_->TakeResults()) EndRun();
}

void TfmMain::EndRun() {
    const bool aborted = run_->Aborted && run_->Aborted();
    run_.reset();
    syncProgress_->stop();
    pbProgress->hide();
    alGeneralUpdate();
    ScheduleIdle();
    emit RunFinished();
    if (batchRun_) {
        batchRun_ = false;
        bool failed = aborted;
        for (const TFileEntry& entry : list_->EntryList) failed = failed || IsFailureStatus(entry.Status);
        emit BatchFinished(failed ? 1 : 0);
        return;
    }
    if (closeRequested_) CloseWhenIdle();
}

// Compress, restore and backup removal: a plan whose results are taken over
// as they come.
template <typename Run>
void TfmMain::StartResultsRun(const std::shared_ptr<Run>& run, bool compressing) {
    TRunning running;
    running.Owner = run;
    running.TakeResults = [run] { return run->TakeResults(); };
    running.Stop = [run] { run->Stop(); };
    running.Aborted = [run] { return run->Result().Aborted; };
    running.Compressing = compressing;
    StartRun(std::move(running), [run](std::function<void()> ready) {
        run->ResultsReady = std::move(ready);
        run->Start();
    });
}

void TfmMain::CompressCmdExecute() {
    if (run_ || busy_ > 0) return;
    lvFiles->scrollToTop();
    StartResultsRun(std::make_shared<TCompressRun>(*list_, RunSettings), true);
}

void TfmMain::RestoreAllCmdExecute() {
    if (run_ || busy_ > 0) return;
    StartResultsRun(std::make_shared<TRingRun>(*list_, TRingKind::Restore, [](std::size_t) { return true; }), false);
}

void TfmMain::RestoreCmdExecute() {
    if (run_ || busy_ > 0) return;
    StartResultsRun(std::make_shared<TRingRun>(*list_, TRingKind::Restore, SelectionOf()), false);
}

void TfmMain::RemBakCmdExecute() {
    if (run_ || busy_ > 0) return;
    if (Ask(QMessageBox::Warning, Text(RemoveBackupsCaption), Text(RemoveBackupsQuestion),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    StartResultsRun(std::make_shared<TRingRun>(*list_, TRingKind::RemoveBackups, [](std::size_t) { return true; }),
                    false);
}

void TfmMain::SyncDirsCmdExecute() {
    if (run_ || busy_ > 0) return;
    if (!SyncPreconditionHolds(options_)) {
        Ask(QMessageBox::Information, Text(InformationCaption), Text(SyncPreconditionMessage).replace(
                                                                    QLatin1String("\r\n"), QLatin1String("\n")),
            QMessageBox::Ok);
        return;
    }
    auto run = std::make_shared<TSyncRun>(*list_);
    TRunning running;
    running.Owner = run;
    running.TakeResults = [run] { return run->TakeResults(); };
    running.Stop = [run] { run->Stop(); };
    running.Aborted = [run] { return run->Result().Stopped; };
    // The copying can take a while: the bar says it is going on, and its
    // tip how far.
    pbProgress->setRange(0, 0);
    pbProgress->show();
    pbProgress->raise();
    disconnect(syncProgress_, nullptr, this, nullptr);
    connect(syncProgress_, &QTimer::timeout, this, [this, run] {
        pbProgress->setToolTip(QStringLiteral("%1 file(s) looked at").arg(run->Visited()));
    });
    syncProgress_->start();
    StartRun(std::move(running), [run](std::function<void()> ready) {
        run->Finished = std::move(ready);
        run->Start();
    });
}

// --- The list -------------------------------------------------------------

void TfmMain::AddDirCmdExecute() {
    const QString folder = dialogs_.ChooseFolder(this, QLatin1String(AddDirectoryText), QString());
    if (folder.isEmpty()) return;
    TBusy busy(*this);
    list_->AddDir(PathBytes(folder));
}

void TfmMain::DeleteCmdExecute() { list_->DeleteSelected(SelectionOf()); }

void TfmMain::CropCmdExecute() { list_->CropSelected(SelectionOf()); }

bool TfmMain::AskSaveChanges() {
    switch (Ask(QMessageBox::Question, Text(SaveCaption), Text(SaveChangesQuestion),
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
        case QMessageBox::Yes: SaveListCmdExecute(); return true;
        case QMessageBox::No: return true;
        default: return false;
    }
}

void TfmMain::ClearCmdExecute() {
    if (list_->ListModified && !AskSaveChanges()) return;
    list_->NewList();
}

void TfmMain::LoadListCmdExecute() {
    if (list_->ListModified && !AskSaveChanges()) return;
    const QString path = dialogs_.OpenFileName(this, ListRequest(QStringLiteral("Load List"), openPreset_, false));
    if (path.isEmpty()) return;
    openPreset_ = path;
    list_->Clear();
    LoadListFile(PathBytes(path), false);
}

bool TfmMain::SaveListTo() {
    if (list_->ListFileName.empty()) {
        const QString path = dialogs_.SaveFileName(this, ListRequest(QString(), openPreset_, true));
        if (path.isEmpty()) return false;
        list_->ListFileName = PathBytes(path);
    }
    std::string error;
    bool saved;
    {
        TBusy busy(*this);
        saved = list_->SaveList(&error);
    }
    if (!saved) {
        ShowError(PathText(error));
        return false;
    }
    openPreset_ = PathText(list_->ListFileName);
    return true;
}

void TfmMain::SaveListCmdExecute() { SaveListTo(); }

void TfmMain::SaveAsListCmdExecute() {
    const QString path = dialogs_.SaveFileName(this, ListRequest(QString(), openPreset_, true));
    if (path.isEmpty()) return;
    list_->ListFileName = PathBytes(path);
    openPreset_ = path;
    setWindowTitle(PathText(list_->Caption()));
    SaveListTo();
}

void TfmMain::RefreshCmdExecute() {
    list_->UpdateItem(-1);
    model_->RedrawAll();
}

void TfmMain::RecentListClick(const QString& path) {
    if (run_ || busy_ > 0) return;
    if (HelpMode_) return;
    openPreset_ = path;
    TBusy busy(*this);
    list_->OpenRecentList(PathBytes(path));
}

void TfmMain::PreviewCmdExecute() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    const TFileEntry& entry = list_->EntryList[static_cast<std::size_t>(rows.front())];
    const QString path = PathText((entry.OutFolder.empty() ? entry.Folder : entry.OutFolder) + entry.Name);
    if (QFileInfo(path).isFile()) desktop_.OpenUrl(QUrl::fromLocalFile(path));
}

void TfmMain::ViewLogCmdExecute() {
    const std::vector<std::string> lines = ReportLines(list_->EntryList);
    if (lines.empty()) {
        Ask(QMessageBox::Information, Text(LogCaption), Text(EmptyLogMessage), QMessageBox::Ok);
        return;
    }
    QStringList text;
    for (const std::string& line : lines) text << PathText(line);
    TfmLog log(dialogs_, this);
    log.SetLines(text);
    dialogs_.Exec(log);
}

// --- Settings and help ------------------------------------------------------

void TfmMain::OptionCmdExecute() {
    SyncSettingsFromOptions();
    TOptionsContext context{settings_, store_, *alGeneral, *tbMain, dialogs_, association_};
    TfmOptions options(context, engine_->Formats(), this);
    const int result = dialogs_.Exec(options);
    if (auto rules = options.TakeEditedRules()) {
        TRuleTree edited;
        edited.Formats = std::move(*rules);
        engine_->SetRules(std::move(edited));
    }
    if (result == QDialog::Accepted) {
        const SettingsSaveReport saved = engine_->SaveSettings();
        if (!saved.Ok) ShowError(PathText(saved.Error));
    }
    SyncOptionsFromSettings();
    NameToolbarButtons();
}

void TfmMain::HelpCmdExecute() {
    if (!helpWindow_) helpWindow_ = new TfmHelp(desktop_, this);
    helpWindow_->ShowTopic(0);
}

void TfmMain::WhatsThisCmdExecute() {
    HelpMode_ = !HelpMode_;
    Action(CommandId::WhatsThisCmd)->setChecked(HelpMode_);
    if (HelpMode_) {
        Ask(QMessageBox::Information, QLatin1String(HelpModeCaption), QLatin1String(HelpModeOn), QMessageBox::Ok);
        QApplication::setOverrideCursor(Qt::WhatsThisCursor);
        alGeneralUpdate();
    } else {
        Ask(QMessageBox::Information, QLatin1String(HelpModeCaption), QLatin1String(HelpModeOff), QMessageBox::Ok);
        alGeneralUpdate();
        QApplication::restoreOverrideCursor();
    }
}

void TfmMain::ShowTipsCmdExecute() { RunTipOfTheDay(store_, dialogs_, TipOccasion::ShowTipsCommand, this); }

void TfmMain::AboutCmdExecute() {
    TfmAbout about(desktop_, this);
    dialogs_.Exec(about);
}

void TfmMain::lvFilesColumnClick(int column) {
    if (busy_ > 0) return;
    sortingByHeader_ = true;
    list_->SortByColumn(column);
    sortingByHeader_ = false;
    QHeaderView* header = lvFiles->horizontalHeader();
    header->setSortIndicator(column, list_->SortDirection > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    header->setSortIndicatorShown(true);
    if (lvFiles->currentIndex().isValid()) lvFiles->scrollTo(lvFiles->currentIndex());
}

void TfmMain::lvFilesDblClick() { Execute(CommandId::PreviewCmd); }

}  // namespace trimora::gui

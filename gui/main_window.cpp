// The main window: how it is built, what it reads and writes, and how it
// follows the list. The commands themselves are in main_window_commands.cpp.

#include "main_window.h"

#include "compress_defaults.h"

#include <algorithm>
#include <cstdio>

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QSessionManager>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app_paths.h"
#include "batch_callbacks.h"
#include "command_line.h"
#include "data_folder.h"
#include "default_rules.h"
#include "dialogs.h"
#include "file_list.h"
#include "file_list_model.h"
#include "file_list_view.h"
#include "gui_resources.h"
#include "help.h"
#include "icon_loader.h"
#include "report.h"
#include "restore_defaults.h"
#include "status_panel.h"
#include "themes.h"
#include "thread_priority.h"
#include "tip_window.h"
#include "trimora.h"
#include "widget_text.h"

namespace trimora::gui {

namespace {

QString FromBytes8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Texts of the batch layer end their lines with CR LF, as they are stored;
// a message box wants LF.
QString MessageText(std::string_view text) {
    QString message = FromBytes8(text);
    message.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return message;
}

std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::optional<QSize> PrimaryScreenSize() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->size();
    return std::nullopt;
}

}  // namespace

// How the batch layer reaches this window.
class TfmMain::TWindowCallbacks : public TBatchCallbacks {
public:
    explicit TWindowCallbacks(TfmMain& window) : w_(window) {}

    QString LastWarning;

    // Events are let through at most every 20 ms: a list of 100,000 lines
    // would otherwise repaint 100,000 times, and Esc is still seen at once.
    void ProcessEvents() override {
        if (eventsClock_.isValid() && eventsClock_.elapsed() < 20) return;
        QCoreApplication::processEvents();
        eventsClock_.restart();
    }

    void RowsAboutToBeInserted(std::size_t first, std::size_t last) override {
        if (w_.model_ != nullptr) w_.model_->RowsAboutToBeInserted(first, last);
    }
    void RowsInserted() override {
        if (w_.model_ != nullptr) w_.model_->RowsInserted();
    }
    void RowsAboutToBeRemoved(std::size_t first, std::size_t last) override {
        if (w_.model_ != nullptr) w_.model_->RowsAboutToBeRemoved(first, last);
    }
    void RowsRemoved() override {
        if (w_.model_ != nullptr) w_.model_->RowsRemoved();
    }
    void LayoutAboutToChange() override {
        if (w_.model_ == nullptr) return;
        if (!w_.sortingByHeader_) w_.lvFiles->horizontalHeader()->setSortIndicatorShown(false);
        w_.model_->LayoutAboutToChange();
    }
    void LayoutChanged(const std::vector<std::size_t>& newRowOfOld) override {
        if (w_.model_ != nullptr) w_.model_->LayoutChanged(newRowOfOld);
    }
    void RedrawRows(std::size_t first, std::size_t last) override {
        if (w_.model_ == nullptr) return;
        w_.model_->RedrawRows(first, last);
        if (w_.run_ && w_.run_->Compressing) w_.KeepInSight(last);
    }
    void RedrawAll() override {
        if (w_.model_ != nullptr) w_.model_->RedrawAll();
    }
    void FreezeRows(bool frozen) override { w_.lvFiles->setUpdatesEnabled(!frozen); }
    void ClearSelection() override { w_.lvFiles->clearSelection(); }

    void StatusText(int panel, std::string_view text) override {
        if (panel == 0)
            w_.sbPanel0->setText(PathText(std::string(text)));
        else
            w_.sbPanel1->SetText(PathText(std::string(text)));
    }
    void CaptionChanged(std::string_view caption) override { w_.setWindowTitle(PathText(std::string(caption))); }
    void FreezeMenus(bool frozen) override {
        w_.MainMenu->setUpdatesEnabled(!frozen);
        w_.tbMain->setUpdatesEnabled(!frozen);
    }

    void ProgressStart(std::int64_t maximum) override {
        scale_ = maximum > 0x3FFFFFFF ? maximum / 0x3FFFFFFF + 1 : 1;
        w_.pbProgress->setRange(0, static_cast<int>(maximum / scale_));
        w_.pbProgress->setValue(0);
        w_.pbProgress->show();
        w_.pbProgress->raise();
    }
    void ProgressPosition(std::int64_t position) override {
        w_.pbProgress->setValue(static_cast<int>(std::min(position / scale_, std::int64_t{w_.pbProgress->maximum()})));
    }
    void ProgressEnd() override { w_.pbProgress->hide(); }

    void PauseIconLoader() override { w_.model_->IconLoader().Pause(); }
    void ResumeIconLoader() override { w_.model_->IconLoader().Resume(); }

    bool AskAddUnsupported(std::string_view message, TDropTarget target) override {
        const QString text = PathText(std::string(message));
        const QString caption = FromBytes8(ConfirmCaption);
        if (target == TDropTarget::ListView) {
            w_.Ask(QMessageBox::Warning, caption, text, QMessageBox::Ok);
            return false;
        }
        return w_.Ask(QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }

    void Warning(std::string_view message) override {
        LastWarning = PathText(std::string(message));
        w_.Ask(QMessageBox::Warning, QLatin1String(ApplicationTitle), LastWarning, QMessageBox::Ok);
    }

    void EntryFinished(std::size_t /*index*/, const TFileEntry& entry, std::string_view detail) override {
        w_.model_->SetFailureDetail(entry.Id, IsFailureStatus(entry.Status) ? PathText(std::string(detail)) : QString());
    }

private:
    TfmMain& w_;
    QElapsedTimer eventsClock_;
    std::int64_t scale_ = 1;
};

// The questions reading a damaged or newer tag-settings file raises.
class TfmMain::TWindowPrompts : public SettingsPrompts {
public:
    explicit TWindowPrompts(TfmMain& window) : w_(window) {}
    bool ShowCorruptFile(std::string_view caption, std::string_view text) override {
        w_.Ask(QMessageBox::Question, MessageText(caption), MessageText(text), QMessageBox::Ok);
        return true;
    }
    bool AskNewerVersion(std::string_view caption, std::string_view text) override {
        return w_.Ask(QMessageBox::Question, MessageText(caption), MessageText(text),
                      QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    void OpenWebPage(std::string_view address) override { w_.desktop_.OpenUrl(QUrl(FromBytes8(address))); }

private:
    TfmMain& w_;
};

TfmMain::TBusy::TBusy(TfmMain& window) : w_(window) {
    ++w_.busy_;
    w_.alGeneralUpdate();
}

TfmMain::TBusy::~TBusy() {
    --w_.busy_;
    // At once: a key pressed right after a load finds its command enabled.
    if (w_.busy_ == 0) w_.alGeneralUpdate();
    w_.ScheduleIdle();
    if (w_.busy_ == 0 && w_.closeRequested_) w_.CloseWhenIdle();
}

TfmMain::TfmMain(TDialogs& dialogs, TDesktop& desktop, TMainWindowSetup setup, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      desktop_(desktop),
      setup_(std::move(setup)),
      association_(app::LstAssociation::ForProgram(
          setup_.ProgramPath.isEmpty() ? QCoreApplication::applicationFilePath() : setup_.ProgramPath)) {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(FromBytes8(UntitledCaption));
    setWindowIcon(ApplicationIcon());
    resize(445, 328);
    if (setup_.StartUp) {
        std::vector<std::string> parameters;
        for (const QString& parameter : setup_.Parameters) parameters.push_back(PathBytes(parameter));
        batchMode_ = ReadCommandLine(parameters).BatchMode;
    }

    prompts_ = std::make_unique<TWindowPrompts>(*this);
    callbacks_ = std::make_unique<TWindowCallbacks>(*this);
    BuildCommands();
    ReadSettings();
    CreateEngine();
    list_ = std::make_unique<TFileList>(*engine_, options_, callbacks_.get());
    {
        std::vector<std::string> recent;
        for (const QString& path : settings_.RecentLists) recent.push_back(PathBytes(path));
        list_->RecentLists.Restore(recent);
    }
    BuildListView();
    BuildStatusBar();
    BuildMenus();
    RestoreWindowState();

    idleTimer_ = new QTimer(this);
    idleTimer_->setSingleShot(true);
    idleTimer_->setInterval(0);
    connect(idleTimer_, &QTimer::timeout, this, [this] {
        alGeneralUpdate();
        UpdateStatusTotals();
        RebuildRecentLists();
    });
    syncProgress_ = new QTimer(this);
    syncProgress_->setInterval(200);

    setAcceptDrops(true);
    qApp->installEventFilter(this);
    // At log-out the session manager starts the program again at the next
    // log-in, as it was: without its parameters.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [](QSessionManager& manager) {
        manager.setRestartHint(QSessionManager::RestartIfRunning);
        manager.setRestartCommand({QCoreApplication::applicationFilePath()});
    });
    alGeneralUpdate();
}

TfmMain::~TfmMain() {
    if (qApp != nullptr) qApp->removeEventFilter(this);
    // Workers end before anything they report to goes.
    if (run_) {
        run_->Stop();
        run_.reset();
    }
    if (HelpMode_) QApplication::restoreOverrideCursor();
    SaveState();
    // The view and its model go before the list they read.
    lvFiles->setModel(nullptr);
    delete model_;
    model_ = nullptr;
}

QTableView* TfmMain::FileView() const { return lvFiles; }

void TfmMain::BuildCommands() {
    alGeneral = new TCommands(this);
    alGeneral->setObjectName(QStringLiteral("alGeneral"));
    for (const CommandSpec& spec : CommandTable()) {
        const CommandId id = spec.Id;
        connect(alGeneral->Action(id), &QAction::triggered, this, [this, id] { Execute(id); });
    }
    // The keys work wherever the focus is in the window.
    addActions(QList<QAction*>(alGeneral->Actions().begin(), alGeneral->Actions().end()));
}

void TfmMain::ReadSettings() {
    if (const auto report = app::RunFirstStart(store_, PrimaryScreenSize(), association_))
        settingsWarnings_ << report->Problems;
    if (!store_.Problem().isEmpty()) settingsWarnings_ << store_.Problem();
    app::LoadSettings(store_, settings_, alGeneral->Names(), &settingsWarnings_);
    app::ApplyThreadPriority(settings_.Priority);
    SyncOptionsFromSettings();
}

void TfmMain::CreateEngine() {
    std::string error;
    const std::string path = UserRulesFile(&error);
    const FallbackPatterns fallback = app::ReadFallbackPatterns(store_.Settings(), &settingsWarnings_);
    if (path.empty()) {
        engine_ = std::make_unique<TTrimora>(BuiltInRules(BuiltInSet::Classic));
        settingsWarnings_ << PathText(error) + QStringLiteral("; the built-in rules are used.");
        return;
    }
    engine_ = std::make_unique<TTrimora>(path, prompts_.get(), fallback);
    if (engine_->LoadReport().Result == SettingsLoadReport::Outcome::CannotOpen)
        settingsWarnings_ << PathText(engine_->LoadReport().Error);
}

void TfmMain::SyncOptionsFromSettings() { options_ = app::BatchOptionsOf(settings_); }

// Runs normalise MoveFolder and OtherFolder; that is what is stored.
void TfmMain::SyncSettingsFromOptions() { app::StoreBatchOptions(options_, settings_); }

void TfmMain::BuildListView() {
    lvFiles = new TFileListView(this);
    lvFiles->setObjectName(QStringLiteral("lvFiles"));
    SetAccessibleCaption(lvFiles, QStringLiteral("Files"));
    model_ = new TFileListModel(*list_, this);
    lvFiles->setModel(model_);
    lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFiles->setShowGrid(false);
    lvFiles->setWordWrap(false);
    lvFiles->setCornerButtonEnabled(false);
    lvFiles->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    lvFiles->setIconSize(QSize(16, 16));
    lvFiles->setWhatsThis(HelpContextText(ListViewHelpContext));
    QHeaderView* rows = lvFiles->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(std::max(18, lvFiles->fontMetrics().height() + 4));
    QHeaderView* header = lvFiles->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The selection stays visible when the list loses the focus.
    QPalette palette = lvFiles->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    lvFiles->setPalette(palette);
    setCentralWidget(lvFiles);

    connect(header, &QHeaderView::sectionClicked, this, &TfmMain::lvFilesColumnClick);
    connect(lvFiles, &QAbstractItemView::doubleClicked, this, &TfmMain::lvFilesDblClick);
    connect(lvFiles, &TFileListView::FilesDropped, this,
            [this](const QStringList& paths) { FilesDropped(paths, true); }, Qt::QueuedConnection);
    lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        alGeneralUpdate();
        PopupMenu1->popup(lvFiles->viewport()->mapToGlobal(position));
    });
    connect(lvFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TfmMain::ScheduleIdle);
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model_, signal, this, &TfmMain::ScheduleIdle);
    connect(model_, &QAbstractItemModel::dataChanged, this, &TfmMain::ScheduleIdle);
    connect(model_, &QAbstractItemModel::layoutChanged, this, &TfmMain::ScheduleIdle);
    lvFiles->viewport()->installEventFilter(this);
}

void TfmMain::BuildStatusBar() {
    QStatusBar* sbHint = statusBar();
    sbHint->setObjectName(QStringLiteral("sbHint"));
    sbPanel0 = new QLabel(FromBytes8(FileCountText(0)), sbHint);
    sbPanel0->setObjectName(QStringLiteral("sbPanel0"));
    sbPanel0->setFixedWidth(100);
    sbPanel1 = new TStatusPanel(sbHint);
    sbPanel1->setObjectName(QStringLiteral("sbPanel1"));
    sbHint->addWidget(sbPanel0);
    sbHint->addWidget(sbPanel1, 1);
    pbProgress = new QProgressBar(sbHint);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setAccessibleName(QStringLiteral("Progress"));
    pbProgress->setTextVisible(false);
    pbProgress->hide();
    sbHint->installEventFilter(this);
}

void TfmMain::BuildMenus() {
    using enum CommandId;
    MainMenu = new QToolBar(QStringLiteral("Main Menu"), this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    MainMenu->setAccessibleName(QStringLiteral("Main Menu"));
    // A menu bar reads across: it docks at the top or the bottom only.
    MainMenu->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    menuBar_ = new QMenuBar(MainMenu);
    menuBar_->setObjectName(QStringLiteral("mbMain"));
    menuBar_->setNativeMenuBar(false);
    menuBar_->setAccessibleName(QStringLiteral("Main Menu"));
    MainMenu->addWidget(menuBar_);
    addToolBar(Qt::TopToolBarArea, MainMenu);
    addToolBarBreak(Qt::TopToolBarArea);
    tbMain = new QToolBar(QStringLiteral("Main Toolbar"), this);
    tbMain->setObjectName(QStringLiteral("tbMain"));
    tbMain->setAccessibleName(QStringLiteral("Main Toolbar"));
    tbMain->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, tbMain);
    for (QToolBar* bar : {MainMenu, tbMain}) {
        bar->setMovable(true);
        bar->setFloatable(true);
    }

    auto add = [this](QMenu* menu, std::initializer_list<CommandId> ids) {
        for (CommandId id : ids) menu->addAction(alGeneral->MenuEntry(id));
    };
    mnFile = menuBar_->addMenu(QStringLiteral("&File"));
    mnFile->setObjectName(QStringLiteral("mnFile"));
    add(mnFile, {CompressCmd});
    mnFile->addSeparator()->setVisible(false);
    add(mnFile, {RestoreAllCmd, RestoreCmd, RemBakCmd});
    mnFile->addSeparator();
    add(mnFile, {AddDirCmd});
    recentStart_ = mnFile->addSeparator();
    recentEnd_ = mnFile->addSeparator();
    add(mnFile, {ExitCmd});
    connect(mnFile, &QMenu::aboutToShow, this, &TfmMain::RebuildRecentLists);

    mnTools = menuBar_->addMenu(QStringLiteral("&Tools"));
    mnTools->setObjectName(QStringLiteral("mnTools"));
    add(mnTools, {DeleteCmd, CropCmd, SyncDirsCmd});
    mnTools->addSeparator();
    add(mnTools, {ClearCmd, LoadListCmd, SaveListCmd, SaveAsListCmd, RefreshCmd});
    mnTools->addSeparator();
    add(mnTools, {PreviewCmd, ViewLogCmd});
    mnTools->addSeparator();
    mnThemes = mnTools->addMenu(QStringLiteral("Themes"));
    mnThemes->setObjectName(QStringLiteral("mnThemes"));
    themeGroup_ = new QActionGroup(this);
    themeGroup_->setExclusive(true);
    for (const QString& name : ThemeNames()) {
        QAction* theme = mnThemes->addAction(name);
        theme->setObjectName(QStringLiteral("Theme") + name);
        theme->setCheckable(true);
        themeGroup_->addAction(theme);
        connect(theme, &QAction::triggered, this, [this, name] { ApplyTheme(name); });
    }
    add(mnTools, {OptionCmd});

    mnHelp = menuBar_->addMenu(QStringLiteral("&Help"));
    mnHelp->setObjectName(QStringLiteral("mnHelp"));
    add(mnHelp, {HelpCmd, WhatsThisCmd, ShowTipsCmd});
    mnHelp->addSeparator();
    add(mnHelp, {AboutCmd});

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    add(PopupMenu1, {PreviewCmd});
    PopupMenu1->addSeparator();
    add(PopupMenu1, {DeleteCmd, ClearCmd, CropCmd});
    PopupMenu1->addSeparator();
    add(PopupMenu1, {LoadListCmd, SaveListCmd});
    PopupMenu1->addSeparator();
    add(PopupMenu1, {RestoreCmd});
}

void TfmMain::NameToolbarButtons() {
    for (QAction* action : tbMain->actions()) {
        QWidget* button = tbMain->widgetForAction(action);
        if (button != nullptr && !action->isSeparator()) SetAccessibleCaption(button, action->text());
    }
}

void TfmMain::RestoreWindowState() {
    FillToolbar(*tbMain, settings_.ToolbarButtons, *alGeneral);
    NameToolbarButtons();
    if (!settings_.ToolbarsState.isEmpty()) restoreState(settings_.ToolbarsState);
    QHeaderView* header = lvFiles->horizontalHeader();
    for (std::size_t i = 0; i < settings_.ColumnWidths.size(); ++i)
        header->resizeSection(static_cast<int>(i), std::max(8, settings_.ColumnWidths[i]));
    // Bounds from another screen arrangement are not kept off screen.
    QRect bounds = settings_.MainFormBounds;
    bounds.setSize(bounds.size().expandedTo(QSize(200, 150)));
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(bounds);
    if (!onScreen && QGuiApplication::primaryScreen() != nullptr) {
        bounds.moveCenter(QGuiApplication::primaryScreen()->availableGeometry().center());
    }
    setGeometry(bounds);
    ApplyTheme(settings_.Theme);
}

void TfmMain::ApplyTheme(const QString& name) {
    settings_.Theme = KnownTheme(name);
    const QString sheet = ThemeStyleSheet(settings_.Theme);
    for (QWidget* themed : std::initializer_list<QWidget*>{MainMenu, tbMain, PopupMenu1}) themed->setStyleSheet(sheet);
    for (QAction* theme : themeGroup_->actions())
        theme->setChecked(theme->objectName() == QStringLiteral("Theme") + settings_.Theme);
}

void TfmMain::RebuildRecentLists() {
    const std::vector<std::string>& items = list_->RecentLists.Items();
    QStringList wanted;
    for (std::size_t i = 0; i < items.size(); ++i)
        wanted << PathText(TRecentLists::MenuCaption(i, items[i])) + QLatin1Char('\n') + PathText(items[i]);
    QStringList shown;
    for (const QAction* item : recentItems_) shown << item->text() + QLatin1Char('\n') + item->data().toString();
    if (wanted == shown) return;
    for (QAction* item : recentItems_) {
        mnFile->removeAction(item);
        item->deleteLater();
    }
    recentItems_.clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QString path = PathText(items[i]);
        auto* item = new QAction(PathText(TRecentLists::MenuCaption(i, items[i])), mnFile);
        item->setObjectName(QStringLiteral("RecentList%1").arg(i + 1));
        item->setData(path);
        item->setToolTip(path);
        connect(item, &QAction::triggered, this, [this, path] { RecentListClick(path); });
        mnFile->insertAction(recentEnd_, item);
        recentItems_ << item;
    }
}

QString TfmMain::StatusPanelText(int panel) const { return panel == 0 ? sbPanel0->text() : sbPanel1->Text(); }

std::vector<int> TfmMain::SelectedRows() const {
    std::vector<int> rows;
    const QItemSelectionModel* selection = lvFiles->selectionModel();
    if (selection == nullptr) return rows;
    for (const QItemSelectionRange& range : selection->selection())
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int count = model_->rowCount();
    rows.erase(std::remove_if(rows.begin(), rows.end(), [count](int row) { return row < 0 || row >= count; }),
               rows.end());
    return rows;
}

std::function<bool(std::size_t)> TfmMain::SelectionOf() const {
    auto selected = std::make_shared<std::vector<bool>>(list_->EntryList.size(), false);
    for (int row : SelectedRows())
        if (static_cast<std::size_t>(row) < selected->size()) (*selected)[static_cast<std::size_t>(row)] = true;
    return [selected](std::size_t row) { return row < selected->size() && (*selected)[row]; };
}

void TfmMain::ScheduleIdle() {
    if (idleTimer_ != nullptr) idleTimer_->start();
}

CommandState TfmMain::CurrentState() const {
    CommandState state;
    state.ListEmpty = list_->EntryList.empty();
    state.RowSelected = lvFiles->selectionModel() != nullptr && lvFiles->selectionModel()->hasSelection();
    state.RunActive = run_.has_value() || busy_ > 0;
    state.HelpMode = HelpMode_;
    return state;
}

void TfmMain::alGeneralUpdate() {
    alGeneral->ApplyEnabling(CurrentState());
}

void TfmMain::UpdateStatusTotals() {
    // While a folder is scanned panel 1 shows where.
    if (busy_ > 0) return;
    const std::vector<int> rows = SelectedRows();
    TRowSelection isSelected;
    if (!rows.empty()) isSelected = SelectionOf();
    static const std::string separator = QLocale().groupSeparator().toStdString();
    const TStatusTotals totals = StatusTotals(list_->EntryList, separator, isSelected);
    sbPanel0->setText(FromBytes8(totals.Files));
    sbPanel1->SetText(FromBytes8(totals.Sizes));
}

QMessageBox::StandardButton TfmMain::Ask(QMessageBox::Icon icon, const QString& caption, const QString& text,
                                         QMessageBox::StandardButtons buttons) {
    if (batchMode_) {
        // Nobody is there to answer: the message is written down and the
        // answer that changes least is taken.
        std::fprintf(stderr, "trimora: %s: %s\n", qPrintable(caption), qPrintable(text));
        for (QMessageBox::StandardButton safest : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok})
            if (buttons.testFlag(safest)) return safest;
        return QMessageBox::NoButton;
    }
    return dialogs_.Message(isVisible() ? this : nullptr, icon, caption, text, buttons);
}

void TfmMain::ShowError(const QString& text) {
    if (text.isEmpty()) return;
    if (batchMode_) {
        std::fprintf(stderr, "trimora: %s\n", qPrintable(text));
        return;
    }
    dialogs_.ShowError(isVisible() ? this : nullptr, text);
}

void TfmMain::ShowHelpPopup(int helpContext) { dialogs_.HelpPopup(this, helpContext); }

void TfmMain::SaveState() {
    if (stateSaved_) return;
    stateSaved_ = true;
    settings_.ToolbarsState = saveState();
    settings_.Priority = app::CurrentThreadPriority();
    settings_.ToolbarButtons = ToolbarButtons(*tbMain);
    const QHeaderView* header = lvFiles->horizontalHeader();
    for (std::size_t i = 0; i < settings_.ColumnWidths.size(); ++i)
        settings_.ColumnWidths[i] = header->sectionSize(static_cast<int>(i));
    QRect bounds = (isMaximized() || isMinimized() || isFullScreen()) ? normalGeometry() : geometry();
    if (!bounds.isValid()) bounds = geometry();
    settings_.MainFormBounds = bounds;
    SyncSettingsFromOptions();
    settings_.RecentLists.clear();
    for (const std::string& path : list_->RecentLists.Items()) settings_.RecentLists << PathText(path);
    QString error;
    if (!app::SaveSettings(store_, settings_, &error)) std::fprintf(stderr, "trimora: %s\n", qPrintable(error));
}

void TfmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    if (setup_.StartUp) QTimer::singleShot(0, this, &TfmMain::FirstShown);
}

void TfmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || activated_) return;
    activated_ = true;
    if (setup_.StartUp && !batchMode_) QTimer::singleShot(0, this, &TfmMain::FirstActivation);
}

void TfmMain::FirstActivation() {
    // Not over a list that is still loading: when it is done.
    if (busy_ > 0) {
        QTimer::singleShot(50, this, &TfmMain::FirstActivation);
        return;
    }
    RunTipOfTheDay(store_, dialogs_, TipOccasion::FirstActivation, this);
}

void TfmMain::FirstShown() {
    std::vector<std::string> parameters;
    for (const QString& parameter : setup_.Parameters) parameters.push_back(PathBytes(parameter));
    const TCommandLineRun commandLine = ReadCommandLine(parameters);
    if (commandLine.Minimise) showMinimized();
    for (const std::string& file : commandLine.ListFiles) LoadListFile(file, false);
    for (const QString& warning : settingsWarnings_) ShowError(warning);
    settingsWarnings_.clear();
    if (commandLine.BatchMode) {
        batchRun_ = true;
        CompressCmdExecute();
        return;
    }
    if (commandLine.Minimise) showNormal();
    if (options_.AutoSaveLoad) LoadListFile(AutomaticListFile(), true);
}

void TfmMain::LoadListFile(const std::string& path, bool automatic) {
    TBusy busy(*this);
    std::string error;
    callbacks_->LastWarning.clear();
    const bool loaded = automatic ? list_->LoadAutomaticList(path, &error) : list_->LoadList(path, true, &error);
    // A list too large was reported as it was met.
    if (!loaded && PathText(error) != callbacks_->LastWarning) ShowError(PathText(error));
}

void TfmMain::closeEvent(QCloseEvent* event) {
    // A run or a scan ends first, after the file it is on.
    if (run_ || busy_ > 0) {
        RequestAbort();
        closeRequested_ = true;
        event->ignore();
        return;
    }
    closeRequested_ = false;
    if (options_.AutoSaveLoad) {
        std::string error;
        if (!list_->SaveAutomaticList(AutomaticListFile(), &error)) ShowError(PathText(error));
    } else if (list_->ListModified) {
        switch (Ask(QMessageBox::Question, FromBytes8(SaveCaption), FromBytes8(SaveChangesQuestion),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
            case QMessageBox::Yes:
                SaveListCmdExecute();
                if (list_->ListModified) {
                    event->ignore();
                    return;
                }
                break;
            case QMessageBox::No: break;
            default: event->ignore(); return;
        }
    }
    list_->AbortRequested = true;
    if (helpWindow_) helpWindow_->close();
    SaveState();
    event->accept();
}

void TfmMain::CloseWhenIdle() {
    QTimer::singleShot(0, this, [this] {
        if (!run_ && busy_ == 0 && closeRequested_) close();
    });
}

void TfmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == lvFiles || run_ || busy_ > 0) {
        event->ignore();
        return;
    }
    AcceptFileDrag(event);
}

void TfmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() == lvFiles || run_ || busy_ > 0) {
        event->ignore();
        return;
    }
    AcceptFileDrag(event);
}

void TfmMain::dropEvent(QDropEvent* event) {
    const QStringList files = event->source() == lvFiles ? QStringList() : LocalFilesOf(event->mimeData());
    if (files.isEmpty() || !AcceptFileDrag(event)) return;
    raise();
    activateWindow();
    // The drop ends before the files are taken: a scan lets events through.
    QTimer::singleShot(0, this, [this, files] { FilesDropped(files, false); });
}

void TfmMain::FilesDropped(const QStringList& paths, bool onListView) {
    if (run_ || busy_ > 0) return;
    std::vector<std::string> items;
    for (const QString& path : paths) items.push_back(PathBytes(path));
    TBusy busy(*this);
    list_->AddDropped(items, onListView ? TDropTarget::ListView : TDropTarget::Window);
}

bool TfmMain::event(QEvent* event) {
    // The hints are the commands' tool tips; the status bar keeps its panels.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            // Esc anywhere in the window, whichever control has the focus.
            const auto* key = static_cast<QKeyEvent*>(event);
            const auto* widget = qobject_cast<QWidget*>(watched);
            if (key->key() == Qt::Key_Escape && widget != nullptr &&
                (widget->window() == this || widget->window() == MainMenu || widget->window() == tbMain))
                RequestAbort();
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (HelpMode_ && lvFiles != nullptr && watched == lvFiles->viewport()) {
                ShowHelpPopup(ListViewHelpContext);
                return true;
            }
            break;
        case QEvent::Resize:
        case QEvent::Show:
            if (watched == statusBar()) {
                const QRect bar = statusBar()->rect();
                pbProgress->setGeometry(102, std::max(0, bar.height() - 17), std::max(0, bar.width() - 102), 17);
            }
            break;
        default: break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfmMain::RequestAbort() {
    list_->AbortRequested = true;
    if (run_) run_->Stop();
}

void TfmMain::KeepInSight(std::size_t row) {
    const QModelIndex index = model_->index(static_cast<int>(row), 0);
    if (!index.isValid()) return;
    const QRect shown = lvFiles->visualRect(index);
    // A page at a time: the row just reached becomes the top one.
    if (!lvFiles->viewport()->rect().contains(shown)) lvFiles->scrollTo(index, QAbstractItemView::PositionAtTop);
}

}  // namespace trimora::gui

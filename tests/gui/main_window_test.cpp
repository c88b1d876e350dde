// The main window through its real widgets: commands from keys, menus and
// clicks, the status bar, drops, runs off the window's thread, the command
// line and the automatic list. Message boxes, file dialogs and the
// desktop's "open" are answered by ScriptedDialogs and RecordingDesktop.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDragEnterEvent>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QUrl>
#include <QtTest>

#include "app_paths.h"
#include "data_folder.h"
#include "file_list.h"
#include "file_list_model.h"
#include "gui_test_support.h"
#include "isolated_home.h"
#include "log_window.h"
#include "main_window.h"
#include "report.h"
#include "settings_store.h"
#include "status_panel.h"
#include "tip_window.h"

using namespace trimora;
using namespace trimora::gui;
using trimora::test::ScriptedDialogs;

namespace {

namespace fs = std::filesystem;
using enum CommandId;

const std::string Page = "<html>\n  <body>\n    <p class=\"x\">Hello   there</p>\n  </body>\n</html>\n";

QStringList EnabledCommands(TfmMain& window) {
    QStringList enabled;
    for (const CommandSpec& spec : CommandTable())
        if (window.Action(spec.Id)->isEnabled()) enabled << QLatin1String(spec.Name);
    enabled.sort();
    return enabled;
}

QStringList Everything() {
    QStringList names;
    for (const CommandSpec& spec : CommandTable()) names << QLatin1String(spec.Name);
    names.sort();
    return names;
}

QStringList Without(QStringList names, const QStringList& removed) {
    for (const QString& name : removed) names.removeAll(name);
    return names;
}

QString Status(TfmMain& window, int row) {
    return window.Model()->index(row, ColumnStatus).data().toString();
}

// Sends a drag of local files onto a widget and drops it where accepted,
// the way a file manager's drag arrives.
bool DropFiles(QWidget* target, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    mime.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void columnTexts_data();
    void columnTexts();
    void enablingTable_data();
    void enablingTable();
    void statusBarSumsTheSelection_data();
    void statusBarSumsTheSelection();
    void statusBarAfterACompressRun();
    void captionFollowsTheListFile();
    void helpModeShowsTopicsInsteadOfRunning();
    void dropOnEachTarget_data();
    void dropOnEachTarget();
    void dragOutOffersTheSelectedFilesInListOrder();
    void compressThenEscapeStopsBetweenFiles();
    void restoreAllAndRemoveBackups();
    void syncNeedsItsOptions();
    void batchRunCompressesAndEnds_data();
    void batchRunCompressesAndEnds();
    void batchRunOfTheProgram();
    void restoreSwitchNeedsNoDisplay();
    void authorSwitchOpensNoWindow();
    void automaticListRoundTrip();
    void closePromptWithoutAutomaticList();
    void loadSaveAndRecentLists();
    void sortByHeaderKeepsTheSelection();
    void modelFollowsEveryChange();
    void deleteCropAndRefreshFromKeys();
    void addDirectoryAsksForAFolder();
    void previewOpensTheFileShown();
    void viewLogShowsTheReport();
    void tipOfTheDayAtFirstActivation_data();
    void tipOfTheDayAtFirstActivation();
    void settingsStoredAtExit();
    void menusAsTheyStand();
    void everyCommandReachedFromItsKeyToolbarAndMenus();
    void progressAndSearchWhileBusy();
    void longPathsShortenedInTheMiddle();
    void runKeepsTheRowInSight();
    void batchRunShowsNoMessage();
    void everyControlHasAName();

private:
    TfmMain& Open(const QStringList& parameters = {}, bool startUp = false);
    TfmMain& W() { return *window_; }
    std::string Write(const std::string& relative, const std::string& content);
    std::string SitePath(const std::string& relative) const { return (*home_ / "site") + "/" + relative; }
    void MakeSite();
    void AddSite();
    void ClickRow(int row, Qt::KeyboardModifiers modifiers = {});
    // Starts a run by its command and waits for its end.
    void RunToTheEnd(CommandId id) {
        QSignalSpy finished(&W(), &TfmMain::RunFinished);
        W().Action(id)->trigger();
        QTRY_COMPARE(finished.count(), 1);
    }
    void Idle() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    std::unique_ptr<test::IsolatedHome> home_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<test::RecordingDesktop> desktop_;
    std::unique_ptr<TfmMain> window_;
    QStringList execs_;  // the class of each window shown modally
};

void MainWindowTest::init() {
    home_ = std::make_unique<test::IsolatedHome>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    desktop_ = std::make_unique<test::RecordingDesktop>();
    execs_.clear();
    dialogs_->OnExec = [this](QDialog& dialog) {
        execs_ << QLatin1String(dialog.metaObject()->className());
        return int(QDialog::Rejected);
    };
}

void MainWindowTest::cleanup() {
    window_.reset();
    dialogs_.reset();
    home_.reset();
}

TfmMain& MainWindowTest::Open(const QStringList& parameters, bool startUp) {
    TMainWindowSetup setup;
    setup.Parameters = parameters;
    setup.StartUp = startUp;
    setup.ProgramPath = QStringLiteral("/opt/trimora/bin/trimora");
    window_ = std::make_unique<TfmMain>(*dialogs_, *desktop_, setup);
    window_->resize(720, 480);
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) qWarning("the main window was not shown");
    Idle();
    return *window_;
}

std::string MainWindowTest::Write(const std::string& relative, const std::string& content) {
    const std::string path = *home_ / relative;
    fs::create_directories(fs::path(path).parent_path());
    test::WriteText(path, content);
    return path;
}

void MainWindowTest::MakeSite() {
    for (const char* name : {"a.html", "b.html", "c.html", "d.html", "e.html", "f.html"})
        Write(std::string("site/") + name, Page + name);
    Write("site/notes.txt", "not a web file\n");
}

void MainWindowTest::AddSite() {
    W().List().AddDir(SitePath(""));
    Idle();
}

void MainWindowTest::ClickRow(int row, Qt::KeyboardModifiers modifiers) {
    QTableView* view = W().FileView();
    const QModelIndex index = view->model()->index(row, ColumnFilename);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(index).center());
    Idle();
}

void MainWindowTest::columnTexts_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty") << qint64(0) << "1 KB";
    QTest::newRow("1,023 bytes") << qint64(1023) << "1 KB";
    QTest::newRow("1,024 bytes") << qint64(1024) << "2 KB";
    QTest::newRow("5,000,000 bytes") << qint64(5000000) << "4,883 KB";
    QTest::newRow("beyond 32 bits") << qint64(5000000000) << "4,882,813 KB";
}

// Sizes in KB, never 0, grouped as the locale groups (C here); times in the
// locale's short date and long time, the time left out at midnight.
void MainWindowTest::columnTexts() {
    QFETCH(qint64, size);
    QFETCH(QString, shown);
    QCOMPARE(TFileListModel::SizeText(size), shown);
    const QDateTime midnight(QDate(2024, 3, 9), QTime(0, 0));
    const QDateTime afternoon(QDate(2024, 3, 9), QTime(15, 4, 5));
    const QString date = QLocale().toString(QDate(2024, 3, 9), QLocale::ShortFormat);
    QCOMPARE(TFileListModel::ModifiedText(midnight.toSecsSinceEpoch()), date);
    QVERIFY(TFileListModel::ModifiedText(afternoon.toSecsSinceEpoch()).startsWith(date + QLatin1Char(' ')));
    QVERIFY(TFileListModel::ModifiedText(afternoon.toSecsSinceEpoch()).contains(QStringLiteral("15:04:05")));
}

void MainWindowTest::enablingTable_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("enabled");
    QStringList emptyList = {"AddDirCmd", "LoadListCmd", "SyncDirsCmd", "OptionCmd", "HelpCmd",
                             "WhatsThisCmd", "ShowTipsCmd", "AboutCmd", "ExitCmd"};
    emptyList.sort();
    QTest::newRow("empty list") << 0 << 0 << emptyList;
    QTest::newRow("rows, none selected") << 3 << 0
                                         << Without(Everything(), {"DeleteCmd", "CropCmd", "PreviewCmd", "RestoreCmd"});
    QTest::newRow("rows, one selected") << 3 << 1 << Everything();
}

void MainWindowTest::enablingTable() {
    QFETCH(int, rows);
    QFETCH(int, selected);
    QFETCH(QStringList, enabled);
    for (int i = 0; i < rows; ++i) Write("site/p" + std::to_string(i) + ".html", Page);
    Open();
    if (rows > 0) AddSite();
    if (selected > 0) ClickRow(1);
    QTRY_COMPARE(EnabledCommands(W()), enabled);
    // The menus show the same: Tip of the Day follows Show Tips.
    QMenu* help = W().findChild<QMenu*>(QStringLiteral("mnHelp"));
    for (QAction* entry : help->actions())
        if (entry->objectName() == QLatin1String("ShowTipsCmdMenu")) QVERIFY(entry->isEnabled());
}

void MainWindowTest::statusBarSumsTheSelection_data() {
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QList<int>>("clicked");
    QTest::addColumn<QString>("files");
    QTest::addColumn<QString>("bytes");
    QTest::newRow("two of 1,000 and 3,000") << QList<int>{1000, 3000} << QList<int>{0, 1} << "2 file(s) selected"
                                            << "4,000 bytes";
    QTest::newRow("first and last of five") << QList<int>{100, 200, 300, 400, 500} << QList<int>{0, 4}
                                            << "2 file(s) selected" << "600 bytes";
    QTest::newRow("none selected") << QList<int>{100, 200, 300, 400, 500} << QList<int>{} << "5 file(s)"
                                   << "1,500 bytes";
}

void MainWindowTest::statusBarSumsTheSelection() {
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, clicked);
    QFETCH(QString, files);
    QFETCH(QString, bytes);
    for (int i = 0; i < sizes.size(); ++i)
        Write("site/" + std::string(1, char('a' + i)) + ".html", std::string(static_cast<std::size_t>(sizes[i]), 'x'));
    Open();
    AddSite();
    for (int row : clicked) ClickRow(row, Qt::ControlModifier);
    QTRY_COMPARE(W().StatusPanelText(0), files);
    QCOMPARE(W().StatusPanelText(1), bytes);
}

void MainWindowTest::statusBarAfterACompressRun() {
    MakeSite();
    Open();
    AddSite();
    RunToTheEnd(CompressCmd);
    Idle();
    const TStatusTotals totals = StatusTotals(W().List().EntryList, ",");
    QVERIFY(totals.Sizes.find(" was ") != std::string::npos);
    QCOMPARE(W().StatusPanelText(0), QStringLiteral("6 file(s)"));
    QCOMPARE(W().StatusPanelText(1), QString::fromStdString(totals.Sizes));
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9,]+ bytes was [0-9,]+ bytes decreased by [0-9]+%$"))
                .match(W().StatusPanelText(1))
                .hasMatch());
}

void MainWindowTest::captionFollowsTheListFile() {
    MakeSite();
    Open();
    QCOMPARE(W().windowTitle(), QStringLiteral("Trimora - Untitled"));
    AddSite();
    const QString listPath = QString::fromStdString(*home_ / "mine.lst");
    dialogs_->SaveNames.push_back(listPath);
    W().Action(SaveAsListCmd)->trigger();
    QCOMPARE(W().windowTitle(), QStringLiteral("Trimora - ") + listPath);
    QCOMPARE(dialogs_->SaveRequests.back().Filter, QStringLiteral("Trimora File List (*.lst)"));
    QCOMPARE(dialogs_->SaveRequests.back().DefaultSuffix, QStringLiteral("lst"));
    QVERIFY(dialogs_->SaveRequests.back().ConfirmReplace);
    QTest::keyClick(W().FileView(), Qt::Key_Delete, Qt::ControlModifier);  // New List: saved, so no question
    QVERIFY(dialogs_->Messages.empty());
    QCOMPARE(W().windowTitle(), QStringLiteral("Trimora - Untitled"));
    QCOMPARE(W().List().EntryList.size(), 0u);
    dialogs_->OpenNames.push_back(listPath);
    QTest::keyClick(W().FileView(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(W().windowTitle(), QStringLiteral("Trimora - ") + listPath);
    QCOMPARE(W().List().EntryList.size(), 6u);
}

void MainWindowTest::helpModeShowsTopicsInsteadOfRunning() {
    MakeSite();
    Open();
    AddSite();
    QTest::keyClick(W().FileView(), Qt::Key_F1, Qt::ShiftModifier);
    QVERIFY(W().HelpMode());
    QVERIFY(W().Action(WhatsThisCmd)->isChecked());
    QCOMPARE(dialogs_->Messages.size(), 1u);
    QCOMPARE(dialogs_->Messages[0].Caption, QStringLiteral("Help Mode"));
    QCOMPARE(dialogs_->Messages[0].Text,
             QStringLiteral("You are now in Help mode, unselect What's This to exit this mode"));
    QCOMPARE(dialogs_->Messages[0].Icon, QMessageBox::Information);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WhatsThisCursor);
    // Every command is enabled, and none runs.
    QTRY_COMPARE(EnabledCommands(W()), Everything());
    QTest::keyClick(W().FileView(), Qt::Key_M, Qt::ControlModifier);
    QTest::qWait(50);
    QVERIFY(!W().RunActive());
    QCOMPARE(dialogs_->HelpPopups, std::vector<int>{10030});
    for (const TFileEntry& entry : W().List().EntryList) {
        QCOMPARE(entry.Status, TEntryStatus::Waiting);
        QVERIFY(test::ReadText(entry.Path()).find("\n  ") != std::string::npos);
    }
    W().Action(DeleteCmd)->trigger();
    QCOMPARE(W().List().EntryList.size(), 6u);
    ClickRow(2);
    QCOMPARE(dialogs_->HelpPopups, (std::vector<int>{10030, 10010, 5}));
    QVERIFY(W().FileView()->selectionModel()->selectedRows().isEmpty());

    W().Action(WhatsThisCmd)->trigger();
    QVERIFY(!W().HelpMode());
    QCOMPARE(dialogs_->Messages.back().Text, QStringLiteral("You are now not in Help mode"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // At once: the commands that need a selection are off again.
    QVERIFY(!W().Action(DeleteCmd)->isEnabled());
    QVERIFY(!W().Action(PreviewCmd)->isEnabled());
}

void MainWindowTest::dropOnEachTarget_data() {
    QTest::addColumn<bool>("onList");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("buttons");
    QTest::newRow("folder on the list") << true << "site" << 0 << 6 << 0;
    QTest::newRow("folder on the window") << false << "site" << 0 << 6 << 0;
    QTest::newRow("unsupported file on the list") << true << "site/notes.txt" << int(QMessageBox::Ok) << 0
                                                  << int(QMessageBox::Ok);
    QTest::newRow("unsupported file on the window, Yes")
        << false << "site/notes.txt" << int(QMessageBox::Yes) << 1 << int(QMessageBox::Yes | QMessageBox::No);
    QTest::newRow("unsupported file on the window, No")
        << false << "site/notes.txt" << int(QMessageBox::No) << 0 << int(QMessageBox::Yes | QMessageBox::No);
}

void MainWindowTest::dropOnEachTarget() {
    QFETCH(bool, onList);
    QFETCH(QString, item);
    QFETCH(int, answer);
    QFETCH(int, rows);
    QFETCH(int, buttons);
    MakeSite();
    Open();
    if (answer != 0) dialogs_->Answers.push_back(static_cast<QMessageBox::StandardButton>(answer));
    QWidget* target = onList ? W().FileView()->viewport() : static_cast<QWidget*>(W().statusBar());
    const QString path = QString::fromStdString(*home_ / item.toStdString());
    QVERIFY(DropFiles(target, {path}));
    QTRY_COMPARE(int(W().List().EntryList.size()), rows);
    QTest::qWait(20);
    if (buttons == 0) {
        QVERIFY(dialogs_->Messages.empty());
        return;
    }
    QCOMPARE(dialogs_->Messages.size(), 1u);
    QCOMPARE(dialogs_->Messages[0].Caption, QStringLiteral("Confirm"));
    QCOMPARE(dialogs_->Messages[0].Icon, QMessageBox::Warning);
    QCOMPARE(int(dialogs_->Messages[0].Buttons), buttons);
    QCOMPARE(dialogs_->Messages[0].Text,
             QStringLiteral("\"%1\" is not recognised as a supported file! Go to Options to confiure Trimora to "
                            "handle this type of file.")
                 .arg(path));
    // Dropping the same folder again adds nothing twice.
    if (rows == 1) {
        QVERIFY(DropFiles(W().FileView()->viewport(), {QString::fromStdString(SitePath(""))}));
        QTRY_COMPARE(W().List().EntryList.size(), 7u);
    }
}

void MainWindowTest::dragOutOffersTheSelectedFilesInListOrder() {
    MakeSite();
    Open();
    AddSite();
    ClickRow(4);
    ClickRow(1, Qt::ControlModifier);
    const QModelIndexList selected = W().FileView()->selectionModel()->selectedRows();
    std::unique_ptr<QMimeData> mime(W().Model()->mimeData(selected));
    QVERIFY(mime != nullptr);
    QCOMPARE(mime->urls(), (QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(SitePath("b.html"))),
                                        QUrl::fromLocalFile(QString::fromStdString(SitePath("e.html")))}));
    QCOMPARE(W().Model()->supportedDragActions(), Qt::CopyAction);
    QVERIFY(W().FileView()->dragEnabled());
}

void MainWindowTest::compressThenEscapeStopsBetweenFiles() {
    MakeSite();
    Open();
    AddSite();
    std::atomic<bool> reached{false};
    std::atomic<bool> release{false};
    W().RunSettings.BeforeFile = [&](std::size_t index) {
        if (index != 2) return;
        reached = true;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    struct Release {
        std::atomic<bool>& Flag;
        ~Release() { Flag = true; }
    } releaseAtEnd{release};
    QSignalSpy finished(&W(), &TfmMain::RunFinished);
    QTest::keyClick(W().FileView(), Qt::Key_M, Qt::ControlModifier);
    QTRY_VERIFY(reached.load());
    // The window goes on answering; what would change the list waits.
    QVERIFY(W().RunActive());
    // The row in progress says so (results are taken over in list order).
    QTRY_COMPARE(Status(W(), 0), QStringLiteral("Optimizing"));
    for (CommandId id : {CompressCmd, DeleteCmd, ClearCmd, LoadListCmd, AddDirCmd, OptionCmd})
        QVERIFY2(!W().Action(id)->isEnabled(), Spec(id).Name);
    QVERIFY(W().Action(AboutCmd)->isEnabled());
    QTest::keyClick(W().FileView(), Qt::Key_Escape);
    release = true;
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(!W().RunActive());
    for (int row = 0; row < 6; ++row) {
        const TFileEntry& entry = W().List().EntryList[static_cast<std::size_t>(row)];
        const bool compressed = test::ReadText(entry.Path()).find("\n  ") == std::string::npos;
        QCOMPARE(compressed, row < 2);
        QCOMPARE(Status(W(), row), row < 2 ? QStringLiteral("Finished") : QStringLiteral("Waiting"));
    }
    QTRY_VERIFY(W().Action(CompressCmd)->isEnabled());
}

void MainWindowTest::restoreAllAndRemoveBackups() {
    MakeSite();
    Open();
    AddSite();
    RunToTheEnd(CompressCmd);
    QVERIFY(fs::exists(SitePath("backup/a.html")));
    QSignalSpy finished(&W(), &TfmMain::RunFinished);
    // Remove Backups asks first; No leaves them.
    dialogs_->Answers.push_back(QMessageBox::No);
    QTest::keyClick(W().FileView(), Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(dialogs_->Messages.back().Caption, QStringLiteral("Remove Backups"));
    QCOMPARE(dialogs_->Messages.back().Text, QStringLiteral("Are you sure you want to permantly delete the backups?"));
    QCOMPARE(dialogs_->Messages.back().Icon, QMessageBox::Warning);
    QVERIFY(!W().RunActive());
    QVERIFY(fs::exists(SitePath("backup/a.html")));
    // Restore of one selected row restores that file only.
    ClickRow(0);
    W().Action(RestoreCmd)->trigger();
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(test::ReadText(SitePath("a.html")), Page + "a.html");
    QCOMPARE(Status(W(), 0), QStringLiteral("Restored"));
    QCOMPARE(Status(W(), 1), QStringLiteral("Finished"));
    QTest::keyClick(W().FileView(), Qt::Key_R, Qt::ControlModifier);
    QTRY_COMPARE(finished.count(), 2);
    QCOMPARE(test::ReadText(SitePath("f.html")), Page + "f.html");
    QCOMPARE(Status(W(), 5), QStringLiteral("Restored"));
    QVERIFY(!fs::exists(SitePath("backup")));
}

void MainWindowTest::syncNeedsItsOptions() {
    MakeSite();
    Open();
    AddSite();
    W().Action(SyncDirsCmd)->trigger();
    QCOMPARE(dialogs_->Messages.size(), 1u);
    QCOMPARE(dialogs_->Messages[0].Caption, QStringLiteral("Information"));
    QCOMPARE(dialogs_->Messages[0].Text,
             QStringLiteral("To use this feature, under Options you must:\n"
                            " a) enable \"Place compressed file in another folder\"\n"
                            " b) enable \"Preserve directory structure\"\n"
                            " c) ensure the directory for \"Place compressed file in another folder\" is absolute."));
    W().Options().CompressOptions = coOtherFolder | coPreserveDirs;
    W().Options().OtherFolder = *home_ / "mirror";
    QSignalSpy finished(&W(), &TfmMain::RunFinished);
    W().Action(SyncDirsCmd)->trigger();
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(test::ReadText(*home_ / "mirror/notes.txt"), std::string("not a web file\n"));
    QVERIFY(W().Progress()->isHidden());
}

void MainWindowTest::batchRunCompressesAndEnds_data() {
    QTest::addColumn<QStringList>("parameters");
    QTest::addColumn<int>("status");
    QTest::newRow("/C first") << QStringList{"/C", "one.lst", "two.lst"} << 0;
    QTest::newRow("/c between") << QStringList{"one.lst", "/c", "two.lst"} << 0;
    QTest::newRow("a file that fails") << QStringList{"one.lst", "bad.lst", "/c"} << 1;
}

void MainWindowTest::batchRunCompressesAndEnds() {
    QFETCH(QStringList, parameters);
    QFETCH(int, status);
    MakeSite();
    Write("one.lst", SitePath("a.html") + "\r\n" + SitePath("b.html") + "\r\n");
    Write("two.lst", SitePath("c.html") + "\r\n");
    Write("bad.lst", SitePath("notes.txt") + "\r\n");
    // The automatic list is not read in a batch run.
    Write("trimora/Trimora.lst", SitePath("f.html") + "\r\n");
    QStringList absolute;
    for (const QString& parameter : parameters)
        absolute << (parameter.endsWith(QLatin1String(".lst")) ? QString::fromStdString(*home_ / parameter.toStdString())
                                                               : parameter);
    TMainWindowSetup setup;
    setup.Parameters = absolute;
    setup.ProgramPath = QStringLiteral("/opt/trimora/bin/trimora");
    window_ = std::make_unique<TfmMain>(*dialogs_, *desktop_, setup);
    QSignalSpy ended(window_.get(), &TfmMain::BatchFinished);
    window_->show();
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended[0][0].toInt(), status);
    QVERIFY(W().isMinimized());
    QVERIFY(dialogs_->Messages.empty());
    QVERIFY(execs_.isEmpty());  // no Tip of the Day either
    QCOMPARE(W().List().EntryList.size(), status == 0 ? 3u : 3u);
    for (const char* name : {"a.html", "b.html"})
        QVERIFY(test::ReadText(SitePath(name)).find("\n  ") == std::string::npos);
    QVERIFY(test::ReadText(SitePath("f.html")).find("\n  ") != std::string::npos);
    for (const TFileEntry& entry : W().List().EntryList)
        QCOMPARE(entry.Status, entry.Name == "notes.txt" ? TEntryStatus::CompressFailed : TEntryStatus::Finished);
}

void MainWindowTest::batchRunOfTheProgram() {
    MakeSite();
    const std::string one = Write("one.lst", SitePath("a.html") + "\r\n");
    const std::string two = Write("two.lst", SitePath("d.html") + "\r\n");
    QProcess program;
    program.start(QStringLiteral(TRIMORA_GUI_PATH),
                  {QString::fromStdString(one), QStringLiteral("/c"), QString::fromStdString(two)});
    QVERIFY(program.waitForFinished(60000));
    // What the program said, should it end otherwise than expected.
    const QByteArray said = program.readAllStandardError() + program.readAllStandardOutput();
    QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, said.constData());
    for (const char* name : {"a.html", "d.html"}) QVERIFY(test::ReadText(SitePath(name)).find("\n  ") == std::string::npos);
    QVERIFY(test::ReadText(SitePath("b.html")).find("\n  ") != std::string::npos);
    // A batch run does not write the automatic list.
    QVERIFY(!fs::exists(*home_ / "trimora/Trimora.lst"));
}

void MainWindowTest::restoreSwitchNeedsNoDisplay() {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TRIMORA_GUI_PATH), {QStringLiteral("/RESTORE"), QStringLiteral("/Reset")});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(fs::exists(*home_ / "trimora/trimora.nti"));
    app::SettingsStore store;
    QCOMPARE(store.Settings().value(QStringLiteral("CompressOptions")).toInt(), 40);
    QCOMPARE(store.Settings().value(QStringLiteral("MainForm/Toolbar/Button 0")).toString(),
             QStringLiteral("CompressCmd"));
}

// "Author" anywhere in the command line shows who made the program and
// nothing else: the main window, which would write the first start's
// settings, is never made.
void MainWindowTest::authorSwitchOpensNoWindow() {
    QProcess program;
    program.start(QStringLiteral(TRIMORA_GUI_PATH), {QStringLiteral("--by-Author")});
    QVERIFY(program.waitForStarted());
    QVERIFY(!program.waitForFinished(1500));  // the message waits for its OK
    program.kill();
    program.waitForFinished();
    QVERIFY(!fs::exists(*home_ / "trimora/Trimora.conf"));
    QVERIFY(!fs::exists(*home_ / "trimora/trimora.nti"));
}

void MainWindowTest::automaticListRoundTrip() {
    MakeSite();
    Open({}, true);
    QVERIFY(W().List().EntryList.empty());
    W().List().AddDir(SitePath(""));
    QVERIFY(W().close());
    const std::string automatic = AutomaticListFile();
    std::string expected;
    for (const char* name : {"a.html", "b.html", "c.html", "d.html", "e.html", "f.html"})
        expected += SitePath(name) + "\r\n";
    QCOMPARE(test::ReadText(automatic), expected);
    window_.reset();

    Open({}, true);
    QTRY_COMPARE(W().List().EntryList.size(), 6u);
    QVERIFY(W().List().ListModified);
    QCOMPARE(W().windowTitle(), QStringLiteral("Trimora - Untitled"));
    QVERIFY(W().Progress()->isHidden());
    // Emptied, it is written empty.
    W().List().NewList();
    QVERIFY(W().close());
    QCOMPARE(test::ReadText(automatic), std::string());
}

void MainWindowTest::closePromptWithoutAutomaticList() {
    MakeSite();
    Open();
    W().Options().AutoSaveLoad = false;
    AddSite();
    dialogs_->Answers = {QMessageBox::Cancel};
    QVERIFY(!W().close());
    QVERIFY(W().isVisible());
    QCOMPARE(dialogs_->Messages.back().Text, QStringLiteral("Do you want to save changes to the list?"));
    QCOMPARE(dialogs_->Messages.back().Caption, QStringLiteral("Save"));
    QCOMPARE(int(dialogs_->Messages.back().Buttons), int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
    // Yes with the Save dialog cancelled keeps the window open.
    dialogs_->Answers = {QMessageBox::Yes};
    QVERIFY(!W().close());
    dialogs_->Answers = {QMessageBox::No};
    QVERIFY(W().close());
    QVERIFY(!fs::exists(AutomaticListFile()));
}

void MainWindowTest::loadSaveAndRecentLists() {
    MakeSite();
    Open();
    AddSite();
    const QString first = QString::fromStdString(*home_ / "first.lst");
    dialogs_->SaveNames.push_back(first);
    QTest::keyClick(W().FileView(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(QString::fromStdString(test::ReadText(first.toStdString())).count(QStringLiteral("\r\n")), 6);
    QVERIFY(!W().List().ListModified);
    // The File menu lists it, and choosing it loads it into an emptied list.
    W().RecentListsMenu()->aboutToShow();
    QAction* recent = W().RecentListsMenu()->findChild<QAction*>(QStringLiteral("RecentList1"));
    QVERIFY(recent != nullptr);
    QCOMPARE(recent->text(), QStringLiteral("&1 first.lst"));
    recent->trigger();
    QCOMPARE(W().List().EntryList.size(), 6u);
    // Loading asks to save a changed list, and says where.
    ClickRow(0);
    QTest::keyClick(W().FileView(), Qt::Key_Delete);
    QCOMPARE(W().List().EntryList.size(), 5u);
    dialogs_->Answers = {QMessageBox::No};
    dialogs_->OpenNames.push_back(first);
    W().Action(LoadListCmd)->trigger();
    QCOMPARE(dialogs_->Messages.back().Text, QStringLiteral("Do you want to save changes to the list?"));
    QCOMPARE(dialogs_->OpenRequests.back().Caption, QStringLiteral("Load List"));
    QCOMPARE(dialogs_->OpenRequests.back().Filter, QStringLiteral("Trimora File List (*.lst)"));
    QCOMPARE(W().List().EntryList.size(), 6u);
    // A recent list that is gone leaves the menu and an empty list.
    fs::remove(first.toStdString());
    W().RecentListsMenu()->aboutToShow();
    W().RecentListsMenu()->findChild<QAction*>(QStringLiteral("RecentList1"))->trigger();
    QVERIFY(W().List().EntryList.empty());
    W().RecentListsMenu()->aboutToShow();
    QTRY_VERIFY(W().RecentListsMenu()->findChild<QAction*>(QStringLiteral("RecentList1")) == nullptr);
}

void MainWindowTest::sortByHeaderKeepsTheSelection() {
    MakeSite();
    Write("site/big.html", Page + std::string(6000, ' '));
    Open();
    AddSite();
    QHeaderView* header = W().FileView()->horizontalHeader();
    ClickRow(3);  // c.html, after a.html, b.html and big.html
    auto click = [&](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
        Idle();
    };
    click(ColumnFilename);  // the first click sorts descending
    QCOMPARE(W().Model()->index(0, ColumnFilename).data().toString(), QStringLiteral("f.html"));
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    click(ColumnSize);
    QCOMPARE(W().Model()->index(6, ColumnFilename).data().toString(), QStringLiteral("big.html"));
    QCOMPARE(W().Model()->index(6, ColumnSize).data().toString(), QStringLiteral("6 KB"));
    const QModelIndexList selected = W().FileView()->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0].data().toString(), QStringLiteral("c.html"));
    QCOMPARE(W().StatusPanelText(0), QStringLiteral("1 file(s) selected"));
}

void MainWindowTest::modelFollowsEveryChange() {
    MakeSite();
    Open();
    QAbstractItemModelTester tester(W().Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    AddSite();
    W().List().AddDir(SitePath(""));
    for (int column = 0; column < 5; ++column) W().List().SortByColumn(column);
    ClickRow(0);
    ClickRow(3, Qt::ControlModifier);
    W().Action(CropCmd)->trigger();
    QCOMPARE(W().Model()->rowCount(), 2);
    W().List().AddDir(SitePath(""));
    const std::string list = Write("list.lst", SitePath("a.html") + "\r\n" + SitePath("a.html") + "\r\n");
    W().List().LoadList(list, true);
    QCOMPARE(W().Model()->rowCount(), 8);
    W().List().RemDuplicates();
    QCOMPARE(W().Model()->rowCount(), 6);
    W().List().NewList();
    QCOMPARE(W().Model()->rowCount(), 0);
    // Icons arrive for the rows shown.
    AddSite();
    QTRY_VERIFY(W().List().EntryList[0].IconIndex > 0);
}

void MainWindowTest::deleteCropAndRefreshFromKeys() {
    MakeSite();
    Open();
    AddSite();
    ClickRow(1);
    ClickRow(3, Qt::ControlModifier);
    QTest::keyClick(W().FileView(), Qt::Key_Delete);
    QCOMPARE(W().List().EntryList.size(), 4u);
    QVERIFY(W().List().ListModified);
    ClickRow(0);
    QTest::keyClick(W().FileView(), Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(W().List().EntryList.size(), 1u);
    QCOMPARE(W().List().EntryList[0].Name, std::string("a.html"));
    Write("site/a.html", std::string(3000, 'y'));
    QTest::keyClick(W().FileView(), Qt::Key_F5);
    QCOMPARE(W().Model()->index(0, ColumnSize).data().toString(), QStringLiteral("3 KB"));
    QTRY_COMPARE(W().StatusPanelText(1), QStringLiteral("3,000 bytes"));
}

void MainWindowTest::addDirectoryAsksForAFolder() {
    MakeSite();
    Open();
    dialogs_->Folders.push_back(QString());
    W().Action(AddDirCmd)->trigger();
    QVERIFY(W().List().EntryList.empty());
    dialogs_->Folders.push_back(QString::fromStdString(SitePath("")));
    W().Action(AddDirCmd)->trigger();
    QCOMPARE(dialogs_->FolderCaptions.back(),
             QStringLiteral("Select the Directory containing the HTML files you want to add."));
    QCOMPARE(W().List().EntryList.size(), 6u);
    QTRY_COMPARE(W().StatusPanelText(0), QStringLiteral("6 file(s)"));
}

void MainWindowTest::previewOpensTheFileShown() {
    MakeSite();
    Open();
    AddSite();
    ClickRow(1);
    W().Action(PreviewCmd)->trigger();
    QCOMPARE(desktop_->Opened, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(SitePath("b.html")))});
    // The copy in another folder when there is one; a missing file opens nothing.
    W().List().EntryList[1].OutFolder = *home_ / "out/";
    W().Action(PreviewCmd)->trigger();
    QCOMPARE(desktop_->Opened.size(), 1u);
    Write("out/b.html", Page);
    QTest::mouseDClick(W().FileView()->viewport(), Qt::LeftButton, {},
                       W().FileView()->visualRect(W().Model()->index(1, 0)).center());
    QCOMPARE(desktop_->Opened.back(), QUrl::fromLocalFile(QString::fromStdString(*home_ / "out/b.html")));
}

void MainWindowTest::viewLogShowsTheReport() {
    MakeSite();
    Open();
    AddSite();
    QStringList shown;
    dialogs_->OnExec = [&](QDialog& dialog) {
        if (auto* log = qobject_cast<TfmLog*>(&dialog)) shown = log->Lines();
        return int(QDialog::Rejected);
    };
    W().Action(ViewLogCmd)->trigger();
    QStringList expected;
    for (const std::string& line : ReportLines(W().List().EntryList)) expected << QString::fromStdString(line);
    QCOMPARE(shown, expected);
    QCOMPARE(shown.size(), 8);
}

void MainWindowTest::tipOfTheDayAtFirstActivation_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("shown");
    QTest::newRow("never asked") << QVariant() << 1;
    QTest::newRow("switched off") << QVariant(false) << 0;
}

void MainWindowTest::tipOfTheDayAtFirstActivation() {
    QFETCH(QVariant, stored);
    QFETCH(int, shown);
    TMainWindowSetup setup;
    setup.ProgramPath = QStringLiteral("/opt/trimora/bin/trimora");
    window_ = std::make_unique<TfmMain>(*dialogs_, *desktop_, setup);
    if (stored.isValid()) QVERIFY(app::WriteShowTips(W().Store(), stored.toBool()));
    W().show();
    W().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&W()));
    QTest::qWait(100);
    QCOMPARE(int(execs_.count(QStringLiteral("trimora::gui::TfmTip"))), shown);
    // Coming back from a dialog shows nothing more; the command still does.
    W().Action(AboutCmd)->trigger();
    W().activateWindow();
    QTest::qWait(50);
    QCOMPARE(int(execs_.count(QStringLiteral("trimora::gui::TfmTip"))), shown);
    W().Action(ShowTipsCmd)->trigger();
    QCOMPARE(int(execs_.count(QStringLiteral("trimora::gui::TfmTip"))), shown + 1);
}

void MainWindowTest::settingsStoredAtExit() {
    Open();
    W().FileView()->horizontalHeader()->resizeSection(ColumnPath, 260);
    W().ThemesMenu()->findChild<QAction*>(QStringLiteral("ThemeStripes"))->trigger();
    QVERIFY(!W().findChild<QToolBar*>(QStringLiteral("tbMain"))->styleSheet().isEmpty());
    W().addToolBar(Qt::LeftToolBarArea, W().findChild<QToolBar*>(QStringLiteral("tbMain")));
    QVERIFY(W().close());
    window_.reset();
    Open();
    QCOMPARE(W().FileView()->horizontalHeader()->sectionSize(ColumnPath), 260);
    QCOMPARE(W().Settings().Theme, QStringLiteral("Stripes"));
    QVERIFY(W().ThemesMenu()->findChild<QAction*>(QStringLiteral("ThemeStripes"))->isChecked());
    QCOMPARE(W().toolBarArea(W().findChild<QToolBar*>(QStringLiteral("tbMain"))), Qt::LeftToolBarArea);
    QCOMPARE(ToolbarButtons(*W().findChild<QToolBar*>(QStringLiteral("tbMain"))),
             (QStringList{"CompressCmd", "", "CropCmd", "DeleteCmd", "", "AddDirCmd", "ClearCmd", "LoadListCmd",
                          "SaveListCmd", "", "PreviewCmd"}));
}

namespace {
// A menu's entries by name, "-" for a separator shown.
QStringList Entries(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            if (action->isVisible()) entries << QStringLiteral("-");
        } else {
            entries << (action->menu() != nullptr ? action->menu()->title() : action->objectName());
        }
    }
    return entries;
}
}  // namespace

void MainWindowTest::menusAsTheyStand() {
    Open();
    QCOMPARE(Entries(W().findChild<QMenu*>(QStringLiteral("mnFile"))),
             (QStringList{"CompressCmd", "RestoreAllCmd", "RestoreCmd", "RemBakCmd", "-", "AddDirCmd", "-", "-",
                          "ExitCmd"}));
    QCOMPARE(Entries(W().findChild<QMenu*>(QStringLiteral("mnTools"))),
             (QStringList{"DeleteCmd", "CropCmd", "SyncDirsCmd", "-", "ClearCmd", "LoadListCmd", "SaveListCmd",
                          "SaveAsListCmd", "RefreshCmd", "-", "PreviewCmd", "ViewLogCmd", "-", "Themes",
                          "OptionCmd"}));
    QCOMPARE(Entries(W().findChild<QMenu*>(QStringLiteral("mnHelp"))),
             (QStringList{"HelpCmd", "WhatsThisCmd", "ShowTipsCmdMenu", "-", "AboutCmd"}));
    QCOMPARE(W().findChild<QAction*>(QStringLiteral("ShowTipsCmdMenu"))->text(), QStringLiteral("&Tip of the Day"));
    QCOMPARE(Entries(W().ListMenu()), (QStringList{"PreviewCmd", "-", "DeleteCmd", "ClearCmd", "CropCmd", "-",
                                                   "LoadListCmd", "SaveListCmd", "-", "RestoreCmd"}));
    QCOMPARE(Entries(W().ThemesMenu()), (QStringList{"ThemeDefault", "ThemeOfficeXP", "ThemeStripes"}));
    QVERIFY(W().ThemesMenu()->findChild<QAction*>(QStringLiteral("ThemeDefault"))->isChecked());
    // The menu bar and the toolbar are bars of their own, one above the other.
    auto* menuBar = W().findChild<QToolBar*>(QStringLiteral("MainMenu"));
    auto* toolbar = W().findChild<QToolBar*>(QStringLiteral("tbMain"));
    QCOMPARE(menuBar->windowTitle(), QStringLiteral("Main Menu"));
    QCOMPARE(toolbar->windowTitle(), QStringLiteral("Main Toolbar"));
    QVERIFY(menuBar->isMovable() && menuBar->isFloatable() && toolbar->isMovable() && toolbar->isFloatable());
    QVERIFY(menuBar->geometry().bottom() < toolbar->geometry().top());
}

// In help mode each command shows its topic instead of running: a way to
// see that its key, its toolbar button and its menu entries reach it.
void MainWindowTest::everyCommandReachedFromItsKeyToolbarAndMenus() {
    MakeSite();
    Open();
    AddSite();
    W().Action(WhatsThisCmd)->trigger();
    QVERIFY(W().HelpMode());
    for (const CommandSpec& spec : CommandTable()) {
        if (spec.Shortcut == nullptr || spec.Id == WhatsThisCmd) continue;
        dialogs_->HelpPopups.clear();
        QTest::keySequence(W().FileView(), QKeySequence(QLatin1String(spec.Shortcut)));
        QCOMPARE(dialogs_->HelpPopups, std::vector<int>{spec.HelpContext});
    }
    auto* toolbar = W().findChild<QToolBar*>(QStringLiteral("tbMain"));
    for (QAction* action : toolbar->actions()) {
        if (action->isSeparator()) continue;
        dialogs_->HelpPopups.clear();
        QTest::mouseClick(toolbar->widgetForAction(action), Qt::LeftButton);
        QCOMPARE(dialogs_->HelpPopups, std::vector<int>{HelpContextOf(action)});
    }
    // File > Compress Files and Tools > Delete by their access keys, and the
    // list's context menu.
    const std::tuple<Qt::Key, Qt::Key, int> entries[] = {{Qt::Key_F, Qt::Key_M, 10030}, {Qt::Key_T, Qt::Key_D, 10010}};
    for (const auto& [menu, entry, context] : entries) {
        dialogs_->HelpPopups.clear();
        QTest::keyClick(&W(), menu, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
        QTest::keyClick(QApplication::activePopupWidget(), entry);
        QTRY_COMPARE(dialogs_->HelpPopups, std::vector<int>{context});
    }
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    dialogs_->HelpPopups.clear();
    W().ListMenu()->popup(W().mapToGlobal(QPoint(50, 50)));
    QTRY_VERIFY(W().ListMenu()->isVisible());
    QTest::keyClick(W().ListMenu(), Qt::Key_Down);
    QTest::keyClick(W().ListMenu(), Qt::Key_Return);
    QTRY_COMPARE(dialogs_->HelpPopups, std::vector<int>{10055});
    W().Action(WhatsThisCmd)->trigger();
    QVERIFY(!W().RunActive());
    QCOMPARE(W().List().EntryList.size(), 6u);
}

// While a folder is scanned panel 1 says where; while a list loads or is
// saved the progress bar shows. Both are gone after.
void MainWindowTest::progressAndSearchWhileBusy() {
    MakeSite();
    Write("site/sub/g.html", Page);
    Open();
    QString searching;
    QTimer::singleShot(0, &W(), [&] { searching = W().StatusPanelText(1); });
    dialogs_->Folders.push_back(QString::fromStdString(SitePath("")));
    W().Action(AddDirCmd)->trigger();
    QVERIFY2(searching.startsWith(QStringLiteral("Press Esc to abort! Searching: ")), qPrintable(searching));
    QVERIFY(searching.endsWith(QStringLiteral("*.*")));
    QTRY_COMPARE(W().StatusPanelText(1),
                 QString::fromStdString(StatusTotals(W().List().EntryList, ",").Sizes));

    auto watchProgress = [&](int* maximum) {
        QTest::qWait(30);  // events are let through at most every 20 ms
        QTimer::singleShot(0, &W(), [this, maximum] {
            *maximum = W().Progress()->isVisible() ? W().Progress()->maximum() : -1;
        });
    };
    const QString list = QString::fromStdString(*home_ / "seven.lst");
    dialogs_->SaveNames.push_back(list);
    int saving = 0;
    watchProgress(&saving);
    W().Action(SaveListCmd)->trigger();
    QCOMPARE(saving, 7);  // one step a row
    QVERIFY(W().Progress()->isHidden());
    int loading = 0;
    watchProgress(&loading);
    dialogs_->OpenNames.push_back(list);
    W().Action(LoadListCmd)->trigger();
    QCOMPARE(loading, int(test::ReadText(list.toStdString()).size()));  // bytes
    QVERIFY(W().Progress()->isHidden());
    QCOMPARE(W().List().EntryList.size(), 7u);
}

void MainWindowTest::longPathsShortenedInTheMiddle() {
    Open();
    auto* panel = W().findChild<TStatusPanel*>(QStringLiteral("sbPanel1"));
    QVERIFY(panel != nullptr);
    const QString path = QStringLiteral("Press Esc to abort! Searching: /srv/www/") + QString(40, QLatin1Char('x')) +
                         QStringLiteral("/very/deep/folder/of/the/site/*.*");
    panel->SetText(path);
    panel->resize(220, panel->height());
    const QString shown = panel->ShownText();
    QVERIFY2(shown.contains(QChar(0x2026)), qPrintable(shown));
    QVERIFY(shown.startsWith(QStringLiteral("Press")));
    QVERIFY(shown.endsWith(QStringLiteral("*.*")));
    QVERIFY(panel->fontMetrics().horizontalAdvance(shown) <= 220 - 22);
    panel->resize(2000, panel->height());
    QCOMPARE(panel->ShownText(), path);
}

void MainWindowTest::runKeepsTheRowInSight() {
    for (int i = 0; i < 60; ++i) Write("site/p" + std::to_string(100 + i) + ".html", Page);
    Open();
    W().resize(600, 260);
    AddSite();
    QTableView* view = W().FileView();
    view->scrollToBottom();
    Idle();
    QSignalSpy finished(&W(), &TfmMain::RunFinished);
    std::vector<int> topRows;
    W().RunSettings.BeforeFile = [&](std::size_t) {};
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] { topRows.push_back(view->rowAt(0)); });
    watch.start(1);
    W().Action(CompressCmd)->trigger();
    QTRY_COMPARE(finished.count(), 1);
    watch.stop();
    // The run starts at the top and goes down with the files.
    QVERIFY(!topRows.empty());
    QCOMPARE(topRows.front(), 0);
    QVERIFY(std::is_sorted(topRows.begin(), topRows.end()));
    const QRect last = view->visualRect(W().Model()->index(59, 0));
    QVERIFY(view->viewport()->rect().intersects(last));
}

// Nothing waits for an answer in a "/c" run: what would be a message box
// goes to standard error. Outside such a run the same problem is shown.
void MainWindowTest::batchRunShowsNoMessage() {
    MakeSite();
    const std::string list = Write("one.lst", SitePath("a.html") + "\r\n");
    Write("trimora/Trimora.conf", "[General]\nRecurse=maybe\nShowTips=0\n");
    TMainWindowSetup setup;
    setup.Parameters = {QStringLiteral("/c"), QString::fromStdString(list)};
    window_ = std::make_unique<TfmMain>(*dialogs_, *desktop_, setup);
    QSignalSpy ended(window_.get(), &TfmMain::BatchFinished);
    W().show();
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended[0][0].toInt(), 0);
    QVERIFY(dialogs_->Messages.empty());
    window_.reset();

    Write("trimora/Trimora.conf", "[General]\nRecurse=maybe\nShowTips=0\n");
    Open({}, true);
    QTRY_COMPARE(dialogs_->Messages.size(), 1u);
    QCOMPARE(dialogs_->Messages[0].Text, QStringLiteral("Invalid data type for 'Recurse'"));
    QCOMPARE(dialogs_->Messages[0].Icon, QMessageBox::Critical);
}

void MainWindowTest::everyControlHasAName() {
    MakeSite();
    Open();
    AddSite();
    QCOMPARE(test::UnnamedControls(&W()), QStringList());
    QCOMPARE(W().FileView()->accessibleName(), QStringLiteral("Files"));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

// trimora: the Trimora window.
//
//   trimora [LIST.lst...] [/c]      the main window; list files given are
//                                   loaded, and with /c compressed, after
//                                   which the program ends (status 1 when a
//                                   file failed)
//   trimora /restore [/reset]       writes the missing settings (with /reset:
//                                   every default and the .lst association)
//                                   and ends, without a window
//   trimora --screenshots DIR FILE...
//                                   saves the main window after compressing
//                                   the FILEs, its log, the small windows and
//                                   each page of the options dialog as PNGs
//                                   in DIR

#include <cstdio>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include "about_box.h"
#include "dialogs.h"
#include "file_list.h"
#include "gui_resources.h"
#include "help.h"
#include "log_window.h"
#include "main_window.h"
#include "options_dialog.h"
#include "report.h"
#include "restore_defaults.h"
#include "settings_store.h"
#include "splash_window.h"
#include "start_up.h"
#include "tag_tree_editor.h"
#include "tip_window.h"
#include "trimora.h"

using namespace trimora;
using namespace trimora::gui;

namespace {

void SetNames() {
    QCoreApplication::setApplicationName(QStringLiteral("Trimora"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrova"));
}

app::LstAssociation Association() {
    return app::LstAssociation::ForProgram(QCoreApplication::applicationFilePath());
}

// "/restore" needs no display: the settings store is Qt Core.
int RestoreSettings(int argc, char** argv, bool reset) {
    QCoreApplication application(argc, argv);
    SetNames();
    app::SettingsStore store;
    const app::RestoreReport report = app::RestoreDefaults(store, reset, std::nullopt, Association());
    for (const QString& problem : report.Problems) std::fprintf(stderr, "trimora: %s\n", qPrintable(problem));
    return report.Problems.isEmpty() ? 0 : 1;
}

int ShowAuthor(int argc, char** argv) {
    QApplication application(argc, argv);
    SetNames();
    QMessageBox box(QMessageBox::NoIcon, QString(), QString::fromUtf8(app::AuthorMessage.data(),
                                                                     static_cast<qsizetype>(app::AuthorMessage.size())),
                    QMessageBox::Ok);
    box.exec();
    return 0;
}

// Lets events through for a while (layouts settle, animations draw).
void Settle(int milliseconds) {
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool Save(QWidget& window, const QDir& folder, const char* name) {
    window.show();
    Settle(400);
    const bool saved = window.grab().save(folder.filePath(QLatin1String(name) + QStringLiteral(".png")));
    if (!saved) std::fprintf(stderr, "trimora: cannot write %s.png\n", name);
    return saved;
}

// The windows as a user meets them, over the files given (named relative
// to the current folder, so that no path of this machine shows): the main
// window after compressing them, its log, the small windows and the
// options dialog. Nothing is asked: the windows are shown, not run.
int TakeScreenshots(const QString& target, const QStringList& files) {
    QDir folder(target);
    if (!folder.mkpath(QStringLiteral("."))) return 1;
    TWidgetDialogs dialogs;
    TSystemDesktop desktop;
    TMainWindowSetup setup;
    setup.StartUp = false;
    TfmMain window(dialogs, desktop, setup);
    window.resize(640, 420);
    window.show();
    bool ok = true;
    {
        std::vector<std::string> supported;
        for (const QString& file : files)
            if (window.Engine().FindFormat(QFileInfo(file).fileName().toStdString()) >= 0)
                supported.push_back(QFile::encodeName(file).toStdString());
        window.List().AddDropped(supported, TDropTarget::ListView);
        QEventLoop finished;
        QObject::connect(&window, &TfmMain::RunFinished, &finished, &QEventLoop::quit);
        window.Execute(CommandId::CompressCmd);
        if (window.RunActive()) finished.exec();
        // Two rows selected: the status bar sums them.
        window.FileView()->selectRow(1);
        window.FileView()->selectionModel()->select(window.FileView()->model()->index(2, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ok &= Save(window, folder, "main-window");
    }
    {
        TfmLog log(dialogs, &window);
        QStringList lines;
        for (const std::string& line : ReportLines(window.List().EntryList)) lines << QString::fromStdString(line);
        log.SetLines(lines);
        log.resize(560, 276);
        ok &= Save(log, folder, "log");
    }
    {
        TfmAbout about(desktop);
        ok &= Save(about, folder, "about");
    }
    {
        TfmTip tip(dialogs);
        tip.SetShowTips(true);
        ok &= Save(tip, folder, "tip-of-the-day");
    }
    {
        TfmSplash splash;
        ok &= Save(splash, folder, "splash");
        splash.hide();
    }
    {
        QToolBar toolbar;
        FillToolbar(toolbar, window.Settings().ToolbarButtons, window.Commands());
        TOptionsContext context{window.Settings(), window.Store(), window.Commands(), toolbar, dialogs, Association()};
        TfmOptions options(context, window.Engine().Formats());
        options.resize(360, 480);
        auto* pages = options.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        const char* names[] = {"options-compress", "options-individual-tags", "options-file-formats",
                               "options-toolbar", "options-other"};
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            if (page == 1) {
                // A tag with its panel: SCRIPT of the HTML format.
                QTreeWidget* tree = options.TagEditor()->TagView();
                const auto found = tree->findItems(QStringLiteral("SCRIPT"), Qt::MatchExactly | Qt::MatchRecursive);
                if (!found.isEmpty()) {
                    tree->setCurrentItem(found.first());
                    tree->scrollToItem(found.first(), QAbstractItemView::PositionAtCenter);
                }
            }
            ok &= Save(options, folder, names[page]);
        }
    }
    {
        TfmHelp help(desktop);
        help.ShowTopic(10030);
        ok &= Save(help, folder, "help");
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // The switches are found in the whole command line, before any window.
    switch (app::FindStartSwitch(app::CommandLineText(argc, argv))) {
        case app::StartSwitch::Author: return ShowAuthor(argc, argv);
        case app::StartSwitch::Restore: return RestoreSettings(argc, argv, false);
        case app::StartSwitch::RestoreReset: return RestoreSettings(argc, argv, true);
        case app::StartSwitch::None: break;
    }
    const app::InstanceLock instanceLock;
    QApplication application(argc, argv);
    SetNames();
    QApplication::setWindowIcon(ApplicationIcon());
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() >= 2 && arguments[0] == QLatin1String("--screenshots"))
        return TakeScreenshots(arguments[1], arguments.mid(2));

    // The splash first, painted at once; Esc on it asks the start-up's list
    // loading to stop.
    TfmMain* window = nullptr;
    const QPointer<TfmSplash> splash = new TfmSplash([&window](bool abort) {
        if (window != nullptr) window->List().AbortRequested = abort;
    });
    splash->show();
    splash->raise();
    splash->repaint();

    TWidgetDialogs dialogs;
    TSystemDesktop desktop;
    TMainWindowSetup setup;
    setup.Parameters = arguments;
    TfmMain mainWindow(dialogs, desktop, setup);
    window = &mainWindow;
    splash->SetMainWindow(&mainWindow);
    QObject::connect(&mainWindow, &TfmMain::BatchFinished, &application,
                     [](int status) { QCoreApplication::exit(status); });

    // The splash stays at least a second after the main window was made; it
    // animates meanwhile and closes itself once the window shows.
    QEventLoop wait;
    QTimer::singleShot(1000, &wait, &QEventLoop::quit);
    wait.exec();
    mainWindow.show();
    // Where no window manager hands out the focus, the window takes it.
    mainWindow.activateWindow();
    const int status = QApplication::exec();
    // A splash still showing (a batch run that ended at once) goes before the
    // window it watches and the variables its key handler reads.
    delete splash.data();
    return status;
}

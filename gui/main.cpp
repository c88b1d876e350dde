// trimora: for now the window layer's pieces on their own, until the main
// window with its file list joins them.
//
//   trimora                          a window with the menus and toolbar of the
//                                    commands; About, Tip of the Day, Options
//                                    and Help Topics work
//   trimora --screenshots DIR [FILE...]
//                                    saves the small windows and each page of
//                                    the options dialog as PNGs in DIR; the log
//                                    window shows the size report of the FILEs
//                                    compressed in memory, named as given

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include "about_box.h"
#include "app_paths.h"
#include "commands.h"
#include "dialogs.h"
#include "gui_resources.h"
#include "help.h"
#include "log_window.h"
#include "options_dialog.h"
#include "report.h"
#include "restore_defaults.h"
#include "settings_store.h"
#include "splash_window.h"
#include "tag_tree_editor.h"
#include "thread_priority.h"
#include "tip_window.h"
#include "trimora.h"

using namespace trimora;
using namespace trimora::gui;

namespace {

std::optional<QSize> PrimaryScreenSize() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->size();
    return std::nullopt;
}

app::LstAssociation Association() {
    return app::LstAssociation::ForProgram(QCoreApplication::applicationFilePath());
}

// What the program keeps while it runs: settings, engine, commands.
struct TProgram {
    app::SettingsStore Store;
    app::TrimoraSettings Settings;
    std::unique_ptr<TTrimora> Engine;
    TCommands Commands;
    TWidgetDialogs Dialogs;
    TSystemDesktop Desktop;

    TProgram() {
        app::RunFirstStart(Store, PrimaryScreenSize(), Association());
        QStringList warnings;
        app::LoadSettings(Store, Settings, Commands.Names(), &warnings);
        app::ApplyThreadPriority(Settings.Priority);
        Engine = std::make_unique<TTrimora>(app::TagSettingsPath().toStdString());
        Commands.ApplyEnabling({});
    }

    // Options over the engine's rules; OK makes the edited tree the engine's
    // and writes it to the tag-settings file.
    void Options(QToolBar& toolbar, QWidget* owner) {
        TOptionsContext context{Settings, Store, Commands, toolbar, Dialogs, Association()};
        TfmOptions options(context, Engine->Formats(), owner);
        const int result = Dialogs.Exec(options);
        if (auto rules = options.TakeEditedRules()) {
            TRuleTree edited;
            edited.Formats = std::move(*rules);
            Engine->SetRules(std::move(edited));
        }
        if (result == QDialog::Accepted) {
            const SettingsSaveReport saved = Engine->SaveSettings();
            if (!saved.Ok) Dialogs.ShowError(owner, QString::fromStdString(saved.Error));
        }
    }

    void Save(QToolBar& toolbar) {
        Settings.Priority = app::CurrentThreadPriority();
        Settings.ToolbarButtons = ToolbarButtons(toolbar);
        app::SaveSettings(Store, Settings);
    }
};

int RunWindow(TProgram& program) {
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Trimora - Untitled"));
    window.resize(600, 450);
    TCommands& commands = program.Commands;
    auto add = [&](QMenu* menu, std::initializer_list<CommandId> ids) {
        for (CommandId id : ids) menu->addAction(commands.MenuEntry(id));
    };
    using enum CommandId;
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    add(file, {CompressCmd, RestoreAllCmd, RestoreCmd, RemBakCmd});
    file->addSeparator();
    add(file, {AddDirCmd});
    file->addSeparator();
    add(file, {ExitCmd});
    QMenu* tools = window.menuBar()->addMenu(QStringLiteral("&Tools"));
    add(tools, {DeleteCmd, CropCmd, SyncDirsCmd});
    tools->addSeparator();
    add(tools, {ClearCmd, LoadListCmd, SaveListCmd, SaveAsListCmd, RefreshCmd});
    tools->addSeparator();
    add(tools, {PreviewCmd, ViewLogCmd});
    tools->addSeparator();
    add(tools, {OptionCmd});
    QMenu* help = window.menuBar()->addMenu(QStringLiteral("&Help"));
    add(help, {HelpCmd, WhatsThisCmd, ShowTipsCmd});
    help->addSeparator();
    add(help, {AboutCmd});

    auto* toolbar = window.addToolBar(QStringLiteral("Main Toolbar"));
    toolbar->setObjectName(QStringLiteral("tbMain"));
    FillToolbar(*toolbar, program.Settings.ToolbarButtons, commands);

    auto* placeholder = new QLabel(QStringLiteral("The file list comes with the main window."), &window);
    placeholder->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(placeholder);

    TfmHelp helpWindow(program.Desktop, &window);
    QObject::connect(commands.Action(ExitCmd), &QAction::triggered, &window, &QWidget::close);
    QObject::connect(commands.Action(AboutCmd), &QAction::triggered, &window, [&] {
        TfmAbout about(program.Desktop, &window);
        program.Dialogs.Exec(about);
    });
    QObject::connect(commands.Action(ShowTipsCmd), &QAction::triggered, &window, [&] {
        RunTipOfTheDay(program.Store, program.Dialogs, TipOccasion::ShowTipsCommand, &window);
    });
    QObject::connect(commands.Action(OptionCmd), &QAction::triggered, &window,
                     [&] { program.Options(*toolbar, &window); });
    QObject::connect(commands.Action(HelpCmd), &QAction::triggered, &window, [&] { helpWindow.ShowTopic(0); });

    auto* splash = new TfmSplash;
    splash->SetMainWindow(&window);
    splash->show();
    QTimer::singleShot(1000, &window, [&] {
        window.show();
        RunTipOfTheDay(program.Store, program.Dialogs, TipOccasion::FirstActivation, &window);
    });
    const int status = QApplication::exec();
    program.Save(*toolbar);
    return status;
}

// The size report of files compressed in memory, as View Log shows it after a run.
QStringList ReportOf(TTrimora& engine, const QStringList& files) {
    std::vector<TFileEntry> entries;
    for (const QString& path : files) {
        std::ifstream in(path.toStdString(), std::ios::binary);
        const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::vector<std::uint8_t> output;
        const QFileInfo info(path);
        if (!engine.CompressBytes(info.fileName().toStdString(), input, output)) continue;
        TFileEntry entry;
        entry.Name = info.fileName().toStdString();
        entry.Folder = QDir::toNativeSeparators(info.path() + QLatin1Char('/')).toStdString();
        entry.OriginalSize = static_cast<std::int64_t>(input.size());
        entry.Size = static_cast<std::int64_t>(output.size());
        entries.push_back(entry);
    }
    QStringList lines;
    for (const std::string& line : ReportLines(entries)) lines << QString::fromStdString(line);
    return lines;
}

bool Save(QWidget& window, const QDir& folder, const char* name) {
    window.show();
    // Let layouts settle and the animations draw a few frames.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const bool saved = window.grab().save(folder.filePath(QLatin1String(name) + QStringLiteral(".png")));
    if (!saved) std::fprintf(stderr, "trimora: cannot write %s.png\n", name);
    return saved;
}

int TakeScreenshots(TProgram& program, const QString& target, const QStringList& files) {
    QDir folder(target);
    if (!folder.mkpath(QStringLiteral("."))) return 1;
    bool ok = true;
    {
        TfmAbout about(program.Desktop);
        ok &= Save(about, folder, "about");
    }
    {
        TfmTip tip(program.Dialogs);
        tip.SetShowTips(true);
        ok &= Save(tip, folder, "tip-of-the-day");
    }
    {
        TfmLog log(program.Dialogs);
        log.SetLines(ReportOf(*program.Engine, files));
        log.resize(560, 276);
        ok &= Save(log, folder, "log");
    }
    {
        TfmSplash splash;
        ok &= Save(splash, folder, "splash");
        splash.hide();
    }
    {
        QToolBar toolbar;
        FillToolbar(toolbar, program.Settings.ToolbarButtons, program.Commands);
        TOptionsContext context{program.Settings, program.Store, program.Commands, toolbar, program.Dialogs,
                                Association()};
        TfmOptions options(context, program.Engine->Formats());
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
        TfmHelp help(program.Desktop);
        help.ShowTopic(10030);
        ok &= Save(help, folder, "help");
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trimora"));
    QApplication::setOrganizationName(QStringLiteral("Kestrova"));
    QApplication::setWindowIcon(ApplicationIcon());
    TProgram program;
    QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() >= 2 && arguments[0] == QLatin1String("--screenshots"))
        return TakeScreenshots(program, arguments[1], arguments.mid(2));
    return RunWindow(program);
}

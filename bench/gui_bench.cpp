// The main window's list with 100,000 files, on the offscreen platform:
// loading them from a list file through the window (model, view, status
// bar and all), sorting by every column with a selection held, and what a
// screenful costs: the model's texts and icons for the rows in sight, and
// a whole repaint of the view. Each figure is one user action; anything
// above a tenth of a second would be a visible stall.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include <unistd.h>
#include <utime.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QTableView>

#include <benchmark/benchmark.h>

#include "dialogs.h"
#include "file_list.h"
#include "file_list_model.h"
#include "main_window.h"

namespace fs = std::filesystem;
using namespace trimora;
using namespace trimora::gui;

namespace {

constexpr int FileCount = 100000;
constexpr int FolderCount = 100;

// In memory when the machine has a tmpfs: the figures are the window's,
// not the disk's (a list loaded twice is read from the page cache anyway).
fs::path ScratchFolder() {
    if (std::getenv("TMPDIR") == nullptr && ::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return fs::temp_directory_path();
}

// 100,000 small files in 100 folders with sizes and times spread out, the
// list file naming them all, and a settings folder of its own.
class Files {
public:
    Files() {
        std::string pattern = (ScratchFolder() / "trimora-gui-bench-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        std::mt19937 random(7);
        std::uniform_int_distribution<int> length(0, 300);
        std::uniform_int_distribution<long> age(0, 3L * 365 * 24 * 3600);
        std::ofstream list(root_ / "all.lst", std::ios::binary);
        static const char* const extensions[] = {".html", ".htm", ".css", ".js", ".vbs"};
        for (int i = 0; i < FileCount; ++i) {
            const fs::path folder = root_ / "site" / ("folder" + std::to_string(i % FolderCount));
            if (i < FolderCount) fs::create_directories(folder);
            const fs::path file = folder / ("page" + std::to_string(i) + extensions[i % 5]);
            {
                std::ofstream out(file, std::ios::binary);
                out << std::string(static_cast<std::size_t>(length(random)), 'x');
            }
            const time_t when = time(nullptr) - age(random);
            const utimbuf times{when, when};
            ::utime(file.c_str(), &times);
            list << file.string() << "\r\n";
        }
        ListFile = (root_ / "all.lst").string();
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    std::string ListFile;
    std::string Home() const { return (root_ / "home").string(); }

private:
    fs::path root_;
};

// The window with settings, data folder and desktop files of its own, in a
// temporary home: nothing of the user's is read or written.
struct Window {
    TWidgetDialogs Dialogs;
    TSystemDesktop Desktop;
    std::unique_ptr<TfmMain> Main;

    Window() {
        TMainWindowSetup setup;
        setup.StartUp = false;
        Main = std::make_unique<TfmMain>(Dialogs, Desktop, setup);
        Main->resize(800, 600);
        Main->show();
        QCoreApplication::processEvents();
    }
};

std::unique_ptr<Files> files;
std::unique_ptr<Window> window;

Files& TheFiles() { return *files; }
Window& TheWindow() { return *window; }

// The list loaded and a hundred rows selected here and there.
void LoadedAndSelected() {
    static bool done = false;
    if (done) return;
    done = true;
    TfmMain& main = *TheWindow().Main;
    main.List().Clear();
    main.List().LoadList(TheFiles().ListFile, true);
    QItemSelectionModel* selection = main.FileView()->selectionModel();
    for (int row = 0; row < FileCount; row += FileCount / 100)
        selection->select(main.Model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCoreApplication::processEvents();
}

void BM_LoadList(benchmark::State& state) {
    TfmMain& main = *TheWindow().Main;
    const std::string& list = TheFiles().ListFile;
    for (auto _ : state) {
        state.PauseTiming();
        main.List().Clear();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        main.List().LoadList(list, true);
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = static_cast<double>(main.List().EntryList.size());
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortByColumn(benchmark::State& state) {
    LoadedAndSelected();
    TfmMain& main = *TheWindow().Main;
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        main.List().SortByColumn(column);
        QCoreApplication::processEvents();
    }
    state.counters["selected"] = static_cast<double>(main.SelectedRows().size());
}
BENCHMARK(BM_SortByColumn)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(6);

// What the view asks of the model for the rows in sight: every column's
// text and the name's icon.
void BM_ScreenfulOfData(benchmark::State& state) {
    LoadedAndSelected();
    const TFileListModel& model = *TheWindow().Main->Model();
    std::mt19937 random(3);
    std::uniform_int_distribution<int> top(0, FileCount - 40);
    for (auto _ : state) {
        const int first = top(random);
        for (int row = first; row < first + 40; ++row)
            for (int column = 0; column < TFileListModel::ColumnCount; ++column) {
                benchmark::DoNotOptimize(model.index(row, column).data(Qt::DisplayRole));
                if (column == 0) benchmark::DoNotOptimize(model.index(row, column).data(Qt::DecorationRole));
            }
    }
}
BENCHMARK(BM_ScreenfulOfData)->Unit(benchmark::kMicrosecond);

// Scrolling to a far place and drawing the view there.
void BM_ScrollAndPaint(benchmark::State& state) {
    LoadedAndSelected();
    QTableView& view = *TheWindow().Main->FileView();
    std::mt19937 random(5);
    std::uniform_int_distribution<int> row(0, FileCount - 1);
    for (auto _ : state) {
        view.scrollTo(view.model()->index(row(random), 0), QAbstractItemView::PositionAtTop);
        benchmark::DoNotOptimize(view.viewport()->grab());
    }
}
BENCHMARK(BM_ScrollAndPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    files = std::make_unique<Files>();
    const std::string home = files->Home();
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TRIMORA_HOME"})
        ::setenv(variable, (home + "/" + variable).c_str(), 1);
    fs::create_directories(home + "/HOME");
    QApplication application(argc, argv);
    window = std::make_unique<Window>();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The window goes before the application it belongs to.
    window.reset();
    files.reset();
    return 0;
}

// Whole-process throughput: the real `trimora-cli file IN -o OUT` run as a
// child process on large files of real pages, scripts and style sheets,
// beside the in-memory compressor on the same bytes, so that the two can be
// compared in one run. The inputs are made when the benchmark starts, in the
// build folder: the pages, scripts and style sheets shipped in a few npm
// packages, joined (and repeated) into files of at least 40 MiB.
//
// Read the pages rows with this in mind: under the classic rules a script
// block is copied as it stands ("Do Not Compress"), and a greater-than sign
// in it before any less-than sign counts as a nested opening tag, so its
// closing tag is never matched and the rest of the file is copied unchanged.
// Real pages have such scripts early (the joined pages here after about
// 15 KB), so the classic pages row mostly measures that copy; pages-modern is
// the row where the markup pass works through all of the input.
//
// Each row is one run; the median of the repetitions is what to read.
//   InMemory/<kind>        TCompressor on the bytes in memory (the classic rules,
//                          the default of the command; the modern ones for pages-modern)
//   WholeProcess/<kind>    the child's wall time, the output on tmpfs (the
//                          data sync costs nothing there: the process's own work)
//   WholeProcessDisk/<kind>  the same with the output beside the input on the
//                          build folder's disk: its data is synced before the rename
// Counters of the child: cpu_MBps (input over user + system time), faults
// (minor + major page faults), rss_MB (peak resident), over_io_MB (peak
// resident less input and output).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "compressor.h"
#include "default_rules.h"
#include "file_io.h"
#include "trimora.h"

namespace fs = std::filesystem;

namespace {

// Packages whose pages, scripts and style sheets make the inputs; the first
// four are those the meaning check loads.
const char* const Packages[] = {"jquery-ui@1.12.1", "uikit@3.25.29",   "reveal.js@4.6.1",
                                "html5-boilerplate@9.0.1", "jquery@3.7.1", "bootstrap@5.3.3"};
constexpr std::uintmax_t CorpusSize = std::uintmax_t{40} << 20;

struct Kind {
    const char* Name;       // the row's name
    const char* File;       // the input's name, whose extension chooses the format
    std::vector<std::string> Extensions;
    bool Modern = false;    // the modern rules rather than the classic ones, the default
};
const Kind Kinds[] = {
    {"pages", "pages.html", {".html", ".htm"}},
    {"pages-modern", "pages.html", {".html", ".htm"}, true},
    {"scripts", "scripts.js", {".js"}},
    {"stylesheets", "styles.css", {".css"}},
};

// The same benchmark builds against engines without the reusable buffer.
#if __has_include("byte_buffer.h")
using Buffer = trimora::TByteBuffer;
#else
using Buffer = std::vector<std::uint8_t>;
#endif

// TRIMORA_BENCH_CLI names another trimora-cli to run, for comparisons.
const char* CliPath() {
    const char* other = std::getenv("TRIMORA_BENCH_CLI");
    return other != nullptr && *other != 0 ? other : TRIMORA_CLI;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// Each package unpacked once into work/packages/NAME.
bool FetchPackages(const fs::path& work) {
    for (const std::string spec : Packages) {
        const std::string name = spec.substr(0, spec.rfind('@'));
        const fs::path target = work / "packages" / name;
        if (fs::exists(target)) continue;
        const fs::path cache = work / "npm";
        fs::create_directories(cache);
        const fs::path unpacked = work / "packages" / (name + ".tmp");
        fs::remove_all(unpacked);
        fs::create_directories(unpacked);
        const std::string command = "cd " + Quoted(cache.string()) + " && tarball=$(npm pack --silent " +
                                    Quoted(spec) + " | tail -n 1) && tar -xzf \"$tarball\" -C " +
                                    Quoted(unpacked.string());
        if (!Shell(command)) {
            std::cerr << "whole_process_bench: could not fetch " << spec << " with npm\n";
            return false;
        }
        fs::rename(unpacked / "package", target);
        fs::remove_all(unpacked);
    }
    return true;
}

bool Wanted(const fs::path& path, const Kind& kind) {
    const std::string name = path.filename().string();
    if (name.find(".min.") != std::string::npos) return false;  // already minified
    return std::find(kind.Extensions.begin(), kind.Extensions.end(), path.extension().string()) !=
           kind.Extensions.end();
}

// The package files of one kind in a fixed order, joined by line breaks and
// repeated until the file is at least CorpusSize.
bool MakeCorpus(const fs::path& work, const Kind& kind, const fs::path& target) {
    if (fs::exists(target) && fs::file_size(target) >= CorpusSize) return true;
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(work / "packages"))
        if (entry.is_regular_file() && Wanted(entry.path(), kind)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty()) return false;
    std::string joined;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        joined.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        joined += '\n';
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    std::uintmax_t written = 0;
    while (written < CorpusSize && !joined.empty()) {
        out << joined;
        written += joined.size();
    }
    return static_cast<bool>(out);
}

struct Corpus {
    bool Ready = false;
    fs::path Work;
    fs::path Inputs[std::size(Kinds)];
};

const Corpus& TheCorpus() {
    static const Corpus corpus = [] {
        Corpus made;
        made.Work = TRIMORA_BENCH_WORK;
        fs::create_directories(made.Work / "corpus");
        if (!FetchPackages(made.Work)) return made;
        for (std::size_t k = 0; k < std::size(Kinds); ++k) {
            made.Inputs[k] = made.Work / "corpus" / Kinds[k].File;
            if (!MakeCorpus(made.Work, Kinds[k], made.Inputs[k])) return made;
        }
        made.Ready = true;
        return made;
    }();
    return corpus;
}

const trimora::TSharedRules& ClassicRules() {
    static const trimora::TSharedRules rules = trimora::BuiltInRules(trimora::BuiltInSet::Classic);
    return rules;
}

const trimora::TSharedRules& ModernRules() {
    static const trimora::TSharedRules rules = trimora::BuiltInRules(trimora::BuiltInSet::Modern);
    return rules;
}

void InMemory(benchmark::State& state, std::size_t kind) {
    const Corpus& corpus = TheCorpus();
    if (!corpus.Ready) return state.SkipWithError("the inputs could not be made (npm needed)");
    Buffer input, output;
    trimora::ReadWholeFile(corpus.Inputs[kind].string(), input);
    trimora::TCompressor compressor(Kinds[kind].Modern ? ModernRules() : ClassicRules());
    for (auto _ : state) {
        compressor.CompressBytes(Kinds[kind].File, {input.data(), input.size()}, output);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    state.counters["input_MB"] = static_cast<double>(input.size()) / 1e6;
    state.counters["output_MB"] = static_cast<double>(output.size()) / 1e6;
}

// Runs trimora-cli file on the input; the child's wall time and usage.
struct ChildRun {
    bool Ok = false;
    double Seconds = 0, CpuSeconds = 0;
    long Faults = 0, PeakKb = 0;
};

ChildRun RunFileCommand(const fs::path& input, const fs::path& output, const fs::path& home, bool modern) {
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("TRIMORA_HOME", home.c_str(), 1);
        const std::string in = input.string(), out = output.string();
        const char* cli = CliPath();
        ::execl(cli, cli, "file", in.c_str(), "-o", out.c_str(), "--rules", modern ? "modern" : "classic",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (child < 0) return run;
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child) return run;
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    run.CpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.Faults = usage.ru_minflt + usage.ru_majflt;
    run.PeakKb = usage.ru_maxrss;
    run.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

fs::path TmpfsFolder() {
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return {};
}

void WholeProcess(benchmark::State& state, std::size_t kind, bool onDisk) {
    const Corpus& corpus = TheCorpus();
    if (!corpus.Ready) return state.SkipWithError("the inputs could not be made (npm needed)");
    fs::path folder = onDisk ? corpus.Work / "out" : TmpfsFolder();
    if (folder.empty()) return state.SkipWithError("no tmpfs folder to write to");
    if (!onDisk) folder /= "trimora-bench-" + std::to_string(::getpid());
    fs::create_directories(folder);
    const fs::path home = corpus.Work / "home";
    fs::create_directories(home);
    const fs::path input = corpus.Inputs[kind];
    const fs::path output = folder / Kinds[kind].File;
    const double inputBytes = static_cast<double>(fs::file_size(input));
    ChildRun total;
    double outputBytes = 0;
    for (auto _ : state) {
        const ChildRun run = RunFileCommand(input, output, home, Kinds[kind].Modern);
        if (!run.Ok) {
            state.SkipWithError("trimora-cli file failed");
            break;
        }
        state.SetIterationTime(run.Seconds);
        total.CpuSeconds += run.CpuSeconds;
        total.Faults += run.Faults;
        total.PeakKb = std::max(total.PeakKb, run.PeakKb);
        outputBytes = static_cast<double>(fs::file_size(output));
        fs::remove(output);
    }
    const double runs = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.SetBytesProcessed(static_cast<std::int64_t>(inputBytes * runs));
    state.counters["cpu_MBps"] = total.CpuSeconds > 0 ? inputBytes * runs / total.CpuSeconds / 1e6 : 0.0;
    state.counters["faults"] = static_cast<double>(total.Faults) / runs;
    state.counters["rss_MB"] = static_cast<double>(total.PeakKb) * 1024 / 1e6;
    state.counters["over_io_MB"] = (static_cast<double>(total.PeakKb) * 1024 - inputBytes - outputBytes) / 1e6;
    if (!onDisk) fs::remove_all(folder);
}

void Register() {
    for (std::size_t k = 0; k < std::size(Kinds); ++k) {
        const std::string name = Kinds[k].Name;
        benchmark::RegisterBenchmark(("InMemory/" + name).c_str(), [k](benchmark::State& s) { InMemory(s, k); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(("WholeProcess/" + name).c_str(),
                                     [k](benchmark::State& s) { WholeProcess(s, k, false); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(("WholeProcessDisk/" + name).c_str(),
                                     [k](benchmark::State& s) { WholeProcess(s, k, true); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

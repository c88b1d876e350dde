// trimora-cli watch with real changes: a page edited, a folder made with a
// style sheet in it, an image replaced; then Ctrl+C.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "default_rules.h"
#include "test_support.h"
#include "trimora.h"

namespace trimora {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string Compressed(const std::string& name, const std::string& text) {
    TTrimora engine("");
    const auto rules = DefaultRuleBytes();
    engine.LoadSettingsFromBytes(rules.data(), rules.size());
    std::vector<std::uint8_t> output;
    engine.CompressBytes(name, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), output);
    return std::string(output.begin(), output.end());
}

// Starts trimora-cli in dir with its own home there; standard output and
// error go to files in dir.
pid_t Start(const TempDir& dir, std::vector<std::string> arguments) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    if (::chdir(dir.Path().c_str()) != 0) ::_exit(127);
    ::setenv("HOME", (dir / "home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "home/.local/share").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "home/.config").c_str(), 1);
    ::setenv("TRIMORA_HOME", (dir / "data").c_str(), 1);
    const int out = ::open((dir / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open((dir / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>(TRIMORA_CLI_PATH)};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(TRIMORA_CLI_PATH, argv.data());
    ::_exit(127);
}

// Waits (generously: machines here are shared) until the condition holds.
bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

void Write(const TempDir& dir, const std::string& relative, const std::string& text) {
    fs::create_directories(fs::path(dir / relative).parent_path());
    test::WriteText(dir / relative, text);
}

TEST(CliWatch, CompressesEachChangeUntilCtrlC) {
    TempDir dir;
    const std::string page = "<p>  first   page </p>\n", edited = "<p>  edited   page </p>\n";
    const std::string style = "a  {  b : c  }", logo = "PNG logo";
    Write(dir, "site/index.html", page);
    Write(dir, "site/img/logo.png", logo);
    Write(dir, "site/.git/HEAD", "ref: refs/heads/main\n");
    const pid_t child = Start(dir, {"watch", "-o", "dist", "--sync", "site"});
    ASSERT_GT(child, 0);
    const auto read = [&](const std::string& relative) { return test::ReadText(dir / relative); };

    ASSERT_TRUE(Eventually([&] { return read("err.txt").find("watching ") != std::string::npos; })) << read("err.txt");
    EXPECT_EQ(read("dist/index.html"), Compressed("index.html", page));
    EXPECT_EQ(read("dist/img/logo.png"), logo);

    // An editor's save: a new file renamed over the page.
    Write(dir, "site/.index.html.swp", edited);
    fs::rename(dir / "site/.index.html.swp", dir / "site/index.html");
    // A new folder with a style sheet, and a replaced image.
    Write(dir, "site/css/new/site.css", style);
    Write(dir, "site/img/logo.png", "PNG logo, redrawn");
    EXPECT_TRUE(Eventually([&] { return read("dist/index.html") == Compressed("index.html", edited); }))
        << read("out.txt") << read("err.txt");
    EXPECT_TRUE(Eventually([&] { return read("dist/css/new/site.css") == Compressed("site.css", style); }))
        << read("out.txt") << read("err.txt");
    EXPECT_TRUE(Eventually([&] { return read("dist/img/logo.png") == "PNG logo, redrawn"; }))
        << read("out.txt") << read("err.txt");

    // A page that is gone stays in the mirror: watching removes nothing.
    fs::remove(dir / "site/index.html");
    Write(dir, "site/about.html", page);
    EXPECT_TRUE(Eventually([&] { return fs::exists(dir / "dist/about.html"); }));
    EXPECT_TRUE(fs::exists(dir / "dist/index.html"));
    EXPECT_FALSE(fs::exists(dir / "dist/.git"));
    EXPECT_FALSE(fs::exists(dir / "dist/.index.html.swp"));

    ASSERT_EQ(::kill(child, SIGINT), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal: " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << read("err.txt");
    EXPECT_NE(read("out.txt").find(dir / "site/css/new/site.css\tFinished\n"), std::string::npos) << read("out.txt");
    EXPECT_NE(read("out.txt").find("updated\t" + (dir / "dist/img/logo.png") + "\n"), std::string::npos);
}

TEST(CliWatch, NeedsAnOutputFolder) {
    TempDir dir;
    fs::create_directories(dir / "site");
    const pid_t child = Start(dir, {"watch", "site"});
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(test::ReadText(dir / "err.txt").find("watch needs --out DIR"), std::string::npos);
}

}  // namespace
}  // namespace trimora

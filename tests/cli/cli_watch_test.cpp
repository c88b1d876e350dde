// trimora-cli watch with real changes: a page edited, a folder made with a
// style sheet in it, an image replaced; then Ctrl+C.

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

#include "cli_test_support.h"

namespace trimora {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

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
    const pid_t child = test::StartCliIn(dir, {"watch", "-o", "dist", "--sync", "site"}, dir / "out.txt", dir / "err.txt");
    ASSERT_GT(child, 0);
    const auto read = [&](const std::string& relative) { return test::ReadText(dir / relative); };

    ASSERT_TRUE(Eventually([&] { return read("err.txt").find("watching ") != std::string::npos; })) << read("err.txt");
    EXPECT_EQ(read("dist/index.html"), test::BuiltInCompressed("index.html", page));
    EXPECT_EQ(read("dist/img/logo.png"), logo);

    // An editor's save: a new file renamed over the page.
    Write(dir, "site/.index.html.swp", edited);
    fs::rename(dir / "site/.index.html.swp", dir / "site/index.html");
    // A new folder with a style sheet, and a replaced image.
    Write(dir, "site/css/new/site.css", style);
    Write(dir, "site/img/logo.png", "PNG logo, redrawn");
    EXPECT_TRUE(Eventually([&] { return read("dist/index.html") == test::BuiltInCompressed("index.html", edited); }))
        << read("out.txt") << read("err.txt");
    EXPECT_TRUE(Eventually([&] { return read("dist/css/new/site.css") == test::BuiltInCompressed("site.css", style); }))
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
    const pid_t child = test::StartCliIn(dir, {"watch", "site"}, dir / "out.txt", dir / "err.txt");
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(test::ReadText(dir / "err.txt").find("watch needs --out DIR"), std::string::npos);
}

}  // namespace
}  // namespace trimora

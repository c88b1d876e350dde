// The command line as a web developer deploys with it: an output folder
// named from where one stands, the other files copied beside the compressed
// ones, files left out by pattern and hidden ones skipped.

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "isolated_home.h"

namespace trimora {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunCliIn;
using test::TempDir;

const std::string Page = "<html>\n  <body>\n    <!-- note -->\n    <p class=\"x\">Hello</p>\n  </body>\n</html>\n";
const std::string Script = "function  add ( a , b )  {\n  return a + b ;\n}\n";
const std::string Style = "p  {\n  color : red ;\n}\n";

void Write(const TempDir& dir, const std::string& relative, const std::string& text) {
    fs::create_directories(fs::path(dir / relative).parent_path());
    test::WriteText(dir / relative, text);
}

// A site as one keeps it in a repository: pages, scripts, style sheets,
// images, a minified library, a .git folder and node_modules.
void MakeSite(const TempDir& dir) {
    Write(dir, "site/index.html", Page);
    Write(dir, "site/blog/index.html", Page + "<p>blog</p>\n");
    Write(dir, "site/js/app.js", Script);
    Write(dir, "site/js/jquery.min.js", "var  jq = 1 ;\n");
    Write(dir, "site/css/site.css", Style);
    Write(dir, "site/img/logo.png", "PNG logo");
    Write(dir, "site/img/icons/home.png", "PNG home");
    Write(dir, "site/.git/config", "[core]\n");
    Write(dir, "site/.git/hooks/check.js", Script);
    Write(dir, "site/.htaccess", "Options -Indexes\n");
    Write(dir, "site/node_modules/pkg/index.js", Script);
    Write(dir, "site/node_modules/pkg/logo.png", "PNG pkg");
}

// Identity and time of every file below root: which ones were written.
std::map<std::string, std::string> Stamps(const std::string& root) {
    std::map<std::string, std::string> stamps;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (!item.is_regular_file()) continue;
        struct stat info {};
        ::stat(item.path().c_str(), &info);
        stamps[fs::relative(item.path(), root).string()] =
            std::to_string(info.st_ino) + "@" + std::to_string(info.st_mtim.tv_sec) + "." +
            std::to_string(info.st_mtim.tv_nsec);
    }
    return stamps;
}

std::set<std::string> Changed(const std::map<std::string, std::string>& before,
                              const std::map<std::string, std::string>& after) {
    std::set<std::string> changed;
    for (const auto& [path, stamp] : after)
        if (!before.count(path) || before.at(path) != stamp) changed.insert(path);
    return changed;
}

TEST(CliDeploy, OneCommandGivesACompleteSiteAndASecondRunUpdatesOnlyWhatChanged) {
    TempDir dir;
    MakeSite(dir);
    const auto source = test::Snapshot(dir / "site");
    const std::string deploy = "compress -o dist --sync --exclude '*.min.js' --exclude node_modules/ site/";
    const CliResult first = RunCliIn(dir, deploy);
    ASSERT_EQ(first.Status, 0) << first.Out << first.Err;
    EXPECT_EQ(test::Snapshot(dir / "dist"), (std::map<std::string, std::string>{
                                      {"index.html", test::BuiltInCompressed("index.html", Page)},
                                      {"blog/index.html", test::BuiltInCompressed("index.html", Page + "<p>blog</p>\n")},
                                      {"js/app.js", test::BuiltInCompressed("app.js", Script)},
                                      {"js/jquery.min.js", "var  jq = 1 ;\n"},
                                      {"css/site.css", test::BuiltInCompressed("site.css", Style)},
                                      {"img/logo.png", "PNG logo"},
                                      {"img/icons/home.png", "PNG home"}}));
    EXPECT_EQ(test::Snapshot(dir / "site"), source) << "nothing is written into the site";
    EXPECT_FALSE(fs::exists(dir / "site/dist"));

    const auto before = Stamps(dir / "dist");
    Write(dir, "site/img/logo.png", "PNG logo, redrawn");
    Write(dir, "site/blog/index.html", Page + "<p>blog, edited</p>\n");
    const CliResult second = RunCliIn(dir, deploy);
    ASSERT_EQ(second.Status, 0) << second.Out << second.Err;
    EXPECT_EQ(Changed(before, Stamps(dir / "dist")), (std::set<std::string>{"img/logo.png", "blog/index.html"}));
    EXPECT_NE(second.Out.find("updated\t" + (dir / "dist/img/logo.png") + "\n"), std::string::npos) << second.Out;
    EXPECT_EQ(test::ReadText(dir / "dist/blog/index.html"), test::BuiltInCompressed("index.html", Page + "<p>blog, edited</p>\n"));
}

TEST(CliDeploy, RelativeOutIsTakenFromTheCurrentFolderAndKeepsTheTree) {
    TempDir dir;
    MakeSite(dir);
    const CliResult result = RunCliIn(dir, "compress --out dist site/");
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_TRUE(fs::exists(dir / "dist/index.html"));
    EXPECT_TRUE(fs::exists(dir / "dist/blog/index.html"));
    for (const char* inside : {"site/dist", "site/blog/dist", "site/js/dist", "site/css/dist"})
        EXPECT_FALSE(fs::exists(dir / inside)) << inside;
    // An output folder inside the site is never scanned into itself.
    const CliResult again = RunCliIn(dir, "compress -o site/dist --sync site/");
    ASSERT_EQ(again.Status, 0) << again.Err;
    EXPECT_FALSE(fs::exists(dir / "site/dist/dist"));
    EXPECT_TRUE(fs::exists(dir / "site/dist/img/logo.png"));
}

// Two files of one name never share a copy: the second is refused, said so,
// and the exit status tells.
TEST(CliDeploy, FlatOutputRefusesFilesThatWouldShareACopy) {
    TempDir dir;
    MakeSite(dir);
    const CliResult flat = RunCliIn(dir, "compress -o dist --flat site/");
    EXPECT_EQ(flat.Status, 1);
    EXPECT_NE(flat.Out.find(dir / "site/index.html\tFinished\n"), std::string::npos) << flat.Out;
    EXPECT_NE(flat.Out.find(dir / "site/blog/index.html\tCompress Failed\n"), std::string::npos) << flat.Out;
    EXPECT_NE(flat.Err.find("is also the output of " + (dir / "site/index.html")), std::string::npos) << flat.Err;
    EXPECT_EQ(test::ReadText(dir / "dist/index.html"), test::BuiltInCompressed("index.html", Page));
    EXPECT_FALSE(fs::exists(dir / "dist/blog"));

    const CliResult kept = RunCliIn(dir, "compress -o kept --preserve-dirs site/");
    EXPECT_EQ(kept.Status, 0) << kept.Err;
    EXPECT_TRUE(fs::exists(dir / "kept/blog/index.html"));
}

TEST(CliDeploy, SyncTakesARelativeMirrorAndUpdatesAChangedImageWhenAsked) {
    TempDir dir;
    MakeSite(dir);
    ASSERT_EQ(RunCliIn(dir, "compress -q -o mirror site").Status, 0);
    const CliResult synced = RunCliIn(dir, "sync -o mirror site");
    ASSERT_EQ(synced.Status, 0) << synced.Err;
    EXPECT_EQ(test::ReadText(dir / "mirror/img/logo.png"), "PNG logo");
    EXPECT_EQ(test::ReadText(dir / "mirror/index.html"), test::BuiltInCompressed("index.html", Page));
    EXPECT_FALSE(fs::exists(dir / "mirror/.git"));
    EXPECT_FALSE(fs::exists(dir / "mirror/.htaccess"));

    Write(dir, "site/img/logo.png", "PNG logo, redrawn");
    EXPECT_EQ(RunCliIn(dir, "sync -o mirror site").Out, "0 file(s) copied, 0 updated\n");
    EXPECT_EQ(test::ReadText(dir / "mirror/img/logo.png"), "PNG logo");
    const CliResult updated = RunCliIn(dir, "sync --update -o mirror site");
    ASSERT_EQ(updated.Status, 0) << updated.Err;
    EXPECT_EQ(updated.Out, "updated\t" + (dir / "mirror/img/logo.png") + "\n0 file(s) copied, 1 updated\n");
    EXPECT_EQ(test::ReadText(dir / "mirror/img/logo.png"), "PNG logo, redrawn");
    // The compressed pages are never replaced by their originals.
    EXPECT_EQ(test::ReadText(dir / "mirror/index.html"), test::BuiltInCompressed("index.html", Page));
}

TEST(CliDeploy, SyncWithoutAMirrorSaysWhichOptionIsMissing) {
    TempDir dir;
    MakeSite(dir);
    const CliResult result = RunCliIn(dir, "sync site");
    EXPECT_EQ(result.Status, 2);
    EXPECT_NE(result.Err.find("sync needs the mirror folder: --out DIR"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find("Options"), std::string::npos) << result.Err;
}

// Which files a scan takes: hidden ones and excluded ones are left out,
// files named one by one are always taken.
struct ChoiceCase {
    const char* Name;
    const char* Options;
    std::set<std::string> Listed;  // below site/
    friend void PrintTo(const ChoiceCase& c, std::ostream* out) { *out << c.Name; }
};
class CliChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(CliChoiceTest, ListsWhatTheScanTakes) {
    TempDir dir;
    MakeSite(dir);
    const CliResult result = RunCliIn(dir, std::string("compress -n ") + GetParam().Options);
    ASSERT_EQ(result.Status, 0) << result.Err;
    std::set<std::string> listed;
    const std::string root = dir / "site/";
    for (std::size_t at = 0; (at = result.Out.find(root, at)) != std::string::npos;) {
        const std::size_t tab = result.Out.find('\t', at);
        listed.insert(result.Out.substr(at + root.size(), tab - at - root.size()));
        at = tab;
    }
    EXPECT_EQ(listed, GetParam().Listed) << result.Out;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliChoiceTest,
    ::testing::Values(
        ChoiceCase{"HiddenFoldersAreSkipped",
                   "site",
                   {"index.html", "blog/index.html", "js/app.js", "js/jquery.min.js", "css/site.css",
                    "node_modules/pkg/index.js"}},
        ChoiceCase{"Excluded",
                   "--exclude '*.min.js' --exclude node_modules/ site",
                   {"index.html", "blog/index.html", "js/app.js", "css/site.css"}},
        ChoiceCase{"ExcludedByPathBelowTheFolderGiven",
                   "--exclude 'js/*' --exclude node_modules/ --exclude blog/ site",
                   {"index.html", "css/site.css"}},
        ChoiceCase{"HiddenWanted",
                   "--hidden --exclude node_modules/ site",
                   {"index.html", "blog/index.html", "js/app.js", "js/jquery.min.js", "css/site.css",
                    ".git/hooks/check.js"}},
        ChoiceCase{"NamedFilesAreAlwaysTaken",
                   "--exclude '*.js' site/js/jquery.min.js site/.git/hooks/check.js",
                   {"js/jquery.min.js", ".git/hooks/check.js"}},
        ChoiceCase{"NoRecurse", "-r --no-recurse site", {"index.html"}}),
    [](const auto& testInfo) { return std::string(testInfo.param.Name); });

TEST(CliDeploy, ReportsForPrograms) {
    TempDir dir;
    MakeSite(dir);
    const CliResult json =
        RunCliIn(dir, "compress -q -o dist --exclude node_modules/ --report - --report-format json site/index.html");
    ASSERT_EQ(json.Status, 0) << json.Err;
    const std::string size = std::to_string(Page.size()), now = std::to_string(test::BuiltInCompressed("index.html", Page).size());
    EXPECT_EQ(json.Out.rfind("{\n  \"files\": [\n    {\"path\": \"" + (dir / "site/index.html") +
                                 "\", \"status\": \"Finished\", \"original_bytes\": " + size +
                                 ", \"compressed_bytes\": " + now + ", ",
                             0),
              0u)
        << json.Out;
    EXPECT_NE(json.Out.find("\"total\": {\"files\": 1, \"original_bytes\": " + size), std::string::npos);

    const CliResult csv = RunCliIn(dir, "restore -q --report report.csv --report-format=csv site/index.html");
    EXPECT_EQ(csv.Status, 1);  // nothing to restore
    EXPECT_EQ(test::ReadText(dir / "report.csv"),
              "path,status,original_bytes,compressed_bytes,saved_bytes,saved_percent\n" + (dir / "site/index.html") +
                  ",Restore Failed," + size + "," + size + ",0,0.0\nTotal,," + size + "," + size + ",0,0.0\n");
    EXPECT_EQ(RunCliIn(dir, "compress --report-format xml site").Status, 2);
}

}  // namespace
}  // namespace trimora

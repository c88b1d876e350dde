#include <filesystem>

#include "batch_fixture.h"
#include "scan_filter.h"

namespace trimora::test {
namespace {

struct FilterCase {
    const char* Name;
    std::vector<const char*> Patterns;
    bool Hidden;
    const char* Path;  // below /site/; a folder's ends with '/'
    bool Kept;
};

class ScanFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(ScanFilterTest, KeepsOrLeavesOut) {
    TScanFilter filter;
    filter.AddRoot("/site");
    filter.AddRoot("/site/blog/");  // a deeper root: paths below it are matched from there
    for (const char* pattern : GetParam().Patterns) ASSERT_TRUE(filter.AddPattern(pattern));
    filter.IncludeHidden = GetParam().Hidden;
    EXPECT_EQ(filter.Keeps(std::string("/site/") + GetParam().Path), GetParam().Kept);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScanFilterTest,
    ::testing::Values(
        FilterCase{"PlainFile", {}, false, "js/app.js", true},
        FilterCase{"MinifiedByName", {"*.min.js"}, false, "js/jquery.min.js", false},
        FilterCase{"NameAtAnyDepth", {"*.min.js"}, false, "a/b/c/x.min.js", false},
        FilterCase{"NameWithoutCase", {"*.min.js"}, false, "js/JQUERY.MIN.JS", false},
        FilterCase{"OtherScript", {"*.min.js"}, false, "js/jquery.js", true},
        FilterCase{"FolderPattern", {"node_modules/"}, false, "node_modules/", false},
        FilterCase{"FolderPatternDeep", {"node_modules/"}, false, "lib/node_modules/", false},
        FilterCase{"FolderPatternSparesFiles", {"node_modules/"}, false, "node_modules", true},
        FilterCase{"FilePatternSparesFolders", {"vendor"}, false, "vendor/", true},
        FilterCase{"PathBelowRoot", {"vendor/*.css"}, false, "vendor/a.css", false},
        FilterCase{"PathStarCrossesFolders", {"vendor/*.css"}, false, "vendor/x/a.css", false},
        FilterCase{"PathIsAnchored", {"vendor/*.css"}, false, "lib/vendor/a.css", true},
        FilterCase{"PathFromDeepestRoot", {"vendor/*.css"}, false, "blog/vendor/a.css", false},
        FilterCase{"LeadingDotSlash", {"./index.html"}, false, "index.html", false},
        FilterCase{"QuestionMark", {"page?.html"}, false, "page1.html", false},
        FilterCase{"QuestionMarkIsOneCharacter", {"page?.html"}, false, "page10.html", true},
        FilterCase{"SeveralPatterns", {"*.map", "*.min.js"}, false, "js/app.min.js", false},
        FilterCase{"HiddenFolder", {}, false, ".git/", false},
        FilterCase{"HiddenFile", {}, false, ".htaccess", false},
        FilterCase{"BelowHiddenFolder", {}, false, ".well-known/x.html", false},
        FilterCase{"HiddenWanted", {}, true, ".well-known/x.html", true},
        FilterCase{"HiddenWantedStillExcluded", {".git/"}, true, ".git/", false},
        FilterCase{"DotInsideName", {}, false, "a.b/c.html", true}),
    CaseName());

TEST(ScanFilter, HiddenFoldersAboveTheRootDoNotCount) {
    TScanFilter filter;
    filter.AddRoot("/home/me/.cache/site/");
    EXPECT_TRUE(filter.Keeps("/home/me/.cache/site/index.html"));
    EXPECT_TRUE(filter.Hides("/home/me/.cache/site/.env"));
}

TEST(ScanFilter, PatternsThatMatchNothingAreRefused) {
    TScanFilter filter;
    for (const char* pattern : {"", "/", "//", "./"}) EXPECT_FALSE(filter.AddPattern(pattern)) << pattern;
}

struct MatchCase {
    const char* Text;
    const char* Pattern;
    bool Matches;
};
class WildcardTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(WildcardTest, MatchesAsTheRulesPatterns) {
    EXPECT_EQ(TScanFilter::Matches(GetParam().Text, GetParam().Pattern), GetParam().Matches)
        << GetParam().Text << " ~ " << GetParam().Pattern;
}

INSTANTIATE_TEST_SUITE_P(Table, WildcardTest,
                         ::testing::Values(MatchCase{"a.min.js", "*.min.js", true}, MatchCase{"a.js", "*.min.js", false},
                                           MatchCase{"", "*", true}, MatchCase{"", "?", false},
                                           MatchCase{"abc", "a*c", true}, MatchCase{"abcbc", "a*bc", true},
                                           MatchCase{"ab", "a*b*", true}, MatchCase{"a", "a**", true},
                                           MatchCase{"x.CSS", "*.css", true}, MatchCase{"x.css.map", "*.css", false},
                                           // Longer than the 255 bytes the rule tree's patterns hold.
                                           MatchCase{"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                                                     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                                                     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/x.js",
                                                     "*/x.js", true}));

// The list asks the filter while it scans; files named one by one are taken
// whatever it says.
class ScanWithFilterTest : public BatchTest {};

TEST_F(ScanWithFilterTest, ScansLeaveOutWhatTheFilterRefusesButNamedFilesStay) {
    Write("site/index.html", "<p> a </p>");
    Write("site/js/app.js", "var a;");
    Write("site/js/jquery.min.js", "var b;");
    Write("site/.git/hooks/x.js", "var c;");
    Write("site/node_modules/lib/y.js", "var d;");
    Write("site/.hidden.css", "a { }");
    TScanFilter filter;
    filter.AddRoot(Dir / "site/");
    filter.AddPattern("*.min.js");
    filter.AddPattern("node_modules/");
    List.ScanFilter = [&](const std::string& path) { return filter.Keeps(path); };
    List.AddDropped({Dir / "site", Dir / "site/js/jquery.min.js"}, TDropTarget::ListView);
    std::vector<std::string> paths = Paths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{"site/index.html", "site/js/app.js", "site/js/jquery.min.js"}));
}

}  // namespace
}  // namespace trimora::test

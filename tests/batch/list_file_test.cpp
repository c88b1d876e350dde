#include <filesystem>

#include "batch_fixture.h"
#include "command_line.h"
#include "data_folder.h"
#include "file_io.h"
#include "recent_lists.h"

namespace trimora::test {
namespace {

namespace fs = std::filesystem;

class ListFileTest : public BatchTest {};

TEST_F(ListFileTest, SavedListIsOnePathALineWithCrLf) {
    Write("site/index.htm", "x");
    Write("site/style.css", "y");
    List.AddDir(Dir / "site");
    List.ListFileName = Dir / "my.lst";
    ASSERT_TRUE(List.SaveList());
    EXPECT_EQ(Read("my.lst"), Dir / "site/index.htm" + "\r\n" + Dir / "site/style.css" + "\r\n");
    EXPECT_FALSE(List.ListModified);
    EXPECT_EQ(List.RecentLists.Items(), std::vector<std::string>{Dir / "my.lst"});
    EXPECT_EQ(Callbacks.Captions.back(), "Trimora - " + Dir / "my.lst");

    List.EntryList.clear();
    ASSERT_TRUE(List.SaveList());
    EXPECT_EQ(Read("my.lst"), "");
}

TEST_F(ListFileTest, LoadingReadsLinesOfEveryKind) {
    Write("site/index.htm", "x");
    Write("site/notes.txt", "any type is taken from a list");
    Write("folder/a.css", "y");
    Write("folder/sub/b.js", "z");
    Write("folder/skip.txt", "not supported: a folder line adds supported files only");
    Write("lists/near.htm", "named relative to the list");
    Write("lists/my.lst", Dir / "site/index.htm" + "\r\n" + Dir / "site/notes.txt" + "\n" + Dir / "missing.htm" +
                              "\r\n\r\n" + Dir / "folder" + "\r\nnear.htm\r\n" + Dir / "site/index.htm");
    List.ListModified = true;
    ASSERT_TRUE(List.LoadList(Dir / "lists/my.lst", true));
    // Loading appends and does not remove duplicates; a folder line sorts
    // and deduplicates what is there so far.
    EXPECT_EQ(Paths(), (std::vector<std::string>{"folder/a.css", "folder/sub/b.js", "site/index.htm",
                                                 "site/notes.txt", "lists/near.htm", "site/index.htm"}));
    EXPECT_FALSE(List.ListModified);
    EXPECT_EQ(List.ListFileName, Dir / "lists/my.lst");
    EXPECT_EQ(List.RecentLists.Items().front(), Dir / "lists/my.lst");
    EXPECT_EQ(Callbacks.Captions.back(), "Trimora - " + Dir / "lists/my.lst");
    EXPECT_EQ(Callbacks.Paused, 1);
    EXPECT_EQ(Callbacks.Resumed, 1);
    EXPECT_EQ(Callbacks.Status[0].back(), "6 file(s)");
}

TEST_F(ListFileTest, MissingListIsDroppedFromTheRecentLists) {
    List.AddMRU(Dir / "gone.lst");
    List.AddFile("/s/", TFileListing{"a.htm", 1, 0});
    EXPECT_TRUE(List.LoadList(Dir / "gone.lst", true));
    EXPECT_TRUE(List.RecentLists.Items().empty());
    EXPECT_EQ(List.ListFileName, Dir / "gone.lst");
    EXPECT_EQ(List.EntryList.size(), 1u);
    EXPECT_TRUE(Callbacks.Captions.empty());
}

TEST_F(ListFileTest, UnreadableListIsReported) {
    fs::create_directories(Dir / "folder.lst");
    std::string error;
    EXPECT_FALSE(List.LoadList(Dir / "folder.lst", true, &error));
    EXPECT_EQ(error, "Cannot open file " + Dir / "folder.lst");
}

TEST_F(ListFileTest, ListThatNamesItselfIsReadOnce) {
    Write("site/index.htm", "x");
    Write("site/self.lst", Folder("site") + "\r\n" + Dir / "site/self.lst" + "\r\n");
    Write("site/other.lst", Folder("site") + "\r\n");
    ASSERT_TRUE(List.LoadList(Dir / "site/self.lst", true));
    EXPECT_EQ(Paths(), (std::vector<std::string>{"site/index.htm", "site/self.lst"}));
}

TEST_F(ListFileTest, EscStopsAfterTheCurrentLineAndIconsResume) {
    for (const char* name : {"a.htm", "b.htm", "c.htm"}) Write(std::string("site/") + name, "x");
    Write("my.lst", Dir / "site/a.htm" + "\r\n" + Dir / "site/b.htm" + "\r\n" + Dir / "site/c.htm" + "\r\n");
    Callbacks.OnEvents = [&] { List.AbortRequested = Callbacks.EventPasses == 2; };
    List.LoadList(Dir / "my.lst", true);
    EXPECT_EQ(Paths(), (std::vector<std::string>{"site/a.htm", "site/b.htm"}));
    EXPECT_FALSE(List.AbortRequested);
    EXPECT_EQ(Callbacks.Resumed, Callbacks.Paused);

    // Esc while saving: the whole list or nothing, and the user is told.
    List.AddFile(Folder("site"), TFileListing{"c.htm", 1, 0});
    Write("saved.lst", "the list as saved before\r\n");
    List.ListFileName = Dir / "saved.lst";
    List.ListModified = true;
    Callbacks.EventPasses = 0;
    std::string error;
    EXPECT_FALSE(List.SaveList(&error));
    EXPECT_NE(error.find("not saved"), std::string::npos) << error;
    EXPECT_EQ(Read("saved.lst"), "the list as saved before\r\n");
    EXPECT_TRUE(List.ListModified);
    EXPECT_FALSE(List.AbortRequested);
    Callbacks.OnEvents = nullptr;
    EXPECT_TRUE(List.SaveList());
    EXPECT_EQ(Read("saved.lst"),
              Dir / "site/a.htm" + "\r\n" + Dir / "site/b.htm" + "\r\n" + Dir / "site/c.htm" + "\r\n");
    EXPECT_FALSE(List.ListModified);
}

TEST_F(ListFileTest, FailedSaveKeepsTheListModifiedAndTheOldFile) {
    Write("my.lst", "old contents\r\n");
    Write("blocker", "a file where a folder is expected");
    List.AddFile("/s/", TFileListing{"a.htm", 1, 0});
    List.ListModified = true;
    List.ListFileName = Dir / "blocker/my.lst";
    std::string error;
    EXPECT_FALSE(List.SaveList(&error));
    EXPECT_NE(error.find("Cannot create file " + Dir / "blocker/my.lst"), std::string::npos);
    EXPECT_TRUE(List.ListModified);
    EXPECT_TRUE(List.RecentLists.Items().empty());

    SetWriteFailureAfterForTesting(4);
    List.ListFileName = Dir / "my.lst";
    EXPECT_FALSE(List.SaveList());
    SetWriteFailureAfterForTesting(-1);
    EXPECT_EQ(Read("my.lst"), "old contents\r\n");
    EXPECT_TRUE(List.ListModified);
}

TEST_F(ListFileTest, AutomaticListIsQuietAndCountsAsModified) {
    Write("site/a.htm", "x");
    List.AddDir(Dir / "site");
    ASSERT_TRUE(List.SaveAutomaticList(AutomaticListFile()));
    EXPECT_EQ(AutomaticListFile(), Dir / "data/Trimora.lst");
    EXPECT_EQ(Read("data/Trimora.lst"), Dir / "site/a.htm" + "\r\n");

    TFileList next(*Engine, Options, &Callbacks);
    Callbacks.Captions.clear();
    ASSERT_TRUE(next.LoadAutomaticList(AutomaticListFile()));
    EXPECT_EQ(next.EntryList.size(), 1u);
    EXPECT_TRUE(next.ListModified);
    EXPECT_EQ(next.ListFileName, "");
    EXPECT_TRUE(next.RecentLists.Items().empty());
    EXPECT_TRUE(Callbacks.Captions.empty());
}

TEST_F(ListFileTest, RecentListIsLoadedIntoAnEmptiedList) {
    Write("site/a.htm", "x");
    Write("my.lst", Dir / "site/a.htm" + "\r\n");
    List.OpenRecentList(Dir / "my.lst");
    List.OpenRecentList(Dir / "my.lst");
    EXPECT_EQ(Paths(), std::vector<std::string>{"site/a.htm"});
    EXPECT_EQ(List.RecentLists.Items(), std::vector<std::string>{Dir / "my.lst"});

    fs::remove(Dir / "my.lst");
    List.OpenRecentList(Dir / "my.lst");
    EXPECT_TRUE(List.EntryList.empty());
    EXPECT_TRUE(List.RecentLists.Items().empty());
    EXPECT_EQ(List.ListFileName, Dir / "my.lst");
}

TEST(RecentLists, MostRecentFirstAtMostFour) {
    TRecentLists recent;
    for (const char* path : {"/l/1.lst", "/l/2.lst", "/l/3.lst", "/l/4.lst", "/l/5.lst", "/l/3.lst"})
        recent.AddMRU(path);
    EXPECT_EQ(recent.Items(), (std::vector<std::string>{"/l/3.lst", "/l/5.lst", "/l/4.lst", "/l/2.lst"}));
    recent.DeleteMRU("/l/5.lst");
    recent.DeleteMRU("/l/none.lst");
    EXPECT_EQ(recent.Items(), (std::vector<std::string>{"/l/3.lst", "/l/4.lst", "/l/2.lst"}));
    EXPECT_EQ(TRecentLists::MenuCaption(0, "/l/3.lst"), "&1 3.lst");
    recent.Restore({"/a.lst", "", "/b.lst", "/a.lst", "/c.lst", "/d.lst", "/e.lst"});
    EXPECT_EQ(recent.Items(), (std::vector<std::string>{"/a.lst", "/b.lst", "/c.lst", "/d.lst"}));
}

struct CommandLineCase {
    std::vector<std::string> Parameters;  // "@" stands for an existing list file
    bool Batch;
    std::size_t Lists;
};
class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, FindsListsAndBatchMode) {
    TempDir dir;
    WriteText(dir / "list.lst", "");
    std::vector<std::string> parameters;
    for (const std::string& parameter : GetParam().Parameters)
        parameters.push_back(parameter == "@" ? dir / "list.lst" : parameter);
    const TCommandLineRun run = ReadCommandLine(parameters);
    EXPECT_EQ(run.BatchMode, GetParam().Batch);
    EXPECT_EQ(run.ListFiles.size(), GetParam().Lists);
    EXPECT_EQ(run.Minimise, !parameters.empty());
}

INSTANTIATE_TEST_SUITE_P(BatchRun, CommandLineTest,
                         ::testing::Values(CommandLineCase{{}, false, 0}, CommandLineCase{{"/C", "@"}, true, 1},
                                           CommandLineCase{{"@", "/c"}, true, 1},
                                           CommandLineCase{{"/c", "@", "@"}, true, 2},
                                           CommandLineCase{{"@"}, false, 1},
                                           CommandLineCase{{"/restore", "/missing.lst"}, false, 0},
                                           CommandLineCase{{"c", "/cc"}, false, 0}));

TEST_F(ListFileTest, CommandLineListsAreLoadedAsUserLoads) {
    Write("site/a.htm", "x");
    Write("one.lst", Dir / "site/a.htm" + "\r\n");
    Write("site/b.htm", "x");
    Write("two.lst", Dir / "site/b.htm" + "\r\n");
    EXPECT_TRUE(LoadCommandLineLists(List, ReadCommandLine({Dir / "one.lst", "/c", Dir / "two.lst"})));
    EXPECT_EQ(Paths(), (std::vector<std::string>{"site/a.htm", "site/b.htm"}));
    EXPECT_EQ(List.ListFileName, Dir / "two.lst");
}

// The data folder, by the environment.
struct DataFolderCase {
    const char* TrimoraHome;  // nullptr: unset; "@" stands for the temporary folder
    const char* DataHome;
    const char* Home;
    const char* Expected;
};
class DataFolderTest : public BatchTest, public ::testing::WithParamInterface<DataFolderCase> {};

TEST_P(DataFolderTest, FollowsTheEnvironment) {
    auto set = [&](const char* name, const char* value) {
        if (value == nullptr) {
            unsetenv(name);
            return;
        }
        std::string text = value;
        if (!text.empty() && text[0] == '@') text = Dir.Path().string() + text.substr(1);
        setenv(name, text.c_str(), 1);
    };
    set("TRIMORA_HOME", GetParam().TrimoraHome);
    set("XDG_DATA_HOME", GetParam().DataHome);
    set("HOME", GetParam().Home);
    std::string expected = GetParam().Expected;
    if (!expected.empty() && expected[0] == '@') expected = Dir.Path().string() + expected.substr(1);
    EXPECT_EQ(DataFolder(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environment, DataFolderTest,
    ::testing::Values(DataFolderCase{"@/t", "@/x", "@/h", "@/t/"}, DataFolderCase{"", "@/x", "@/h", "@/x/Kestrova/Trimora/"},
                      DataFolderCase{nullptr, "@/x", "@/h", "@/x/Kestrova/Trimora/"},
                      DataFolderCase{nullptr, "relative", "@/h", "@/h/.local/share/Kestrova/Trimora/"},
                      DataFolderCase{nullptr, "", "@/h", "@/h/.local/share/Kestrova/Trimora/"},
                      DataFolderCase{nullptr, nullptr, nullptr, ""}));

TEST_F(ListFileTest, UserRulesFileIsMadeFromTheBuiltInSetOnce) {
    std::string error;
    const std::string file = UserRulesFile(&error);
    ASSERT_EQ(file, Dir / "data/trimora.nti") << error;
    const auto builtIn = DefaultRuleBytes();
    EXPECT_EQ(ReadBytes(file), std::vector<std::uint8_t>(builtIn.begin(), builtIn.end()));
    WriteText(file, "edited by the user");
    EXPECT_EQ(UserRulesFile(), file);
    EXPECT_EQ(Read("data/trimora.nti"), "edited by the user");

    setenv("TRIMORA_HOME", (Dir / "data/trimora.nti/below").c_str(), 1);
    EXPECT_EQ(UserRulesFile(&error), "");
    EXPECT_NE(error.find("Cannot create the data folder"), std::string::npos);
}

}  // namespace
}  // namespace trimora::test

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "default_rules.h"
#include "file_io.h"
#include "test_support.h"
#include "trimora.h"

namespace trimora {
namespace {

using test::TempDir;
using Bytes = std::vector<std::uint8_t>;

// Records the messages the loader raises; can refuse to show them.
class RecordingPrompts : public SettingsPrompts {
public:
    bool ShowCorruptFile(std::string_view caption, std::string_view text) override {
        corruptShown.emplace_back(caption);
        EXPECT_EQ(text, CorruptFileText);
        return canShow;
    }
    bool AskNewerVersion(std::string_view caption, std::string_view) override {
        newerAsked.emplace_back(caption);
        return answerYes;
    }
    void OpenWebPage(std::string_view address) override { opened.emplace_back(address); }

    bool canShow = true;
    bool answerYes = false;
    std::vector<std::string> corruptShown, newerAsked, opened;
};

// A record of any layout: name at 0, replacement at 11, flags at 24, pattern
// at 28 (layouts 1 to 3) and the child count at 284 (layout 3).
Bytes Record(std::size_t size, std::string_view name, std::uint32_t flags = 0, std::string_view pattern = {},
             std::uint16_t childCount = 0, std::string_view replaceWith = {}) {
    Bytes record(size, 0);
    record[0] = static_cast<std::uint8_t>(name.size());
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 10), record.begin() + 1);
    record[11] = static_cast<std::uint8_t>(replaceWith.size());
    std::copy(replaceWith.begin(), replaceWith.end(), record.begin() + 12);
    for (int i = 0; i < 4; ++i) record[24 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(flags >> (8 * i));
    if (size > 28) {
        record[28] = static_cast<std::uint8_t>(pattern.size());
        std::copy(pattern.begin(), pattern.end(), record.begin() + 29);
    }
    if (size >= 288) {
        record[284] = static_cast<std::uint8_t>(childCount);
        record[285] = static_cast<std::uint8_t>(childCount >> 8);
    }
    return record;
}

Bytes Tr3(std::string_view name, std::uint32_t flags = 0, std::string_view pattern = {}, std::uint16_t children = 0) {
    return Record(288, name, flags, pattern, children);
}

Bytes File(std::string_view header, std::initializer_list<Bytes> records) {
    Bytes file(header.begin(), header.end());
    for (const Bytes& record : records) file.insert(file.end(), record.begin(), record.end());
    return file;
}

struct LoadedTree {
    RecordingPrompts prompts;
    TTrimora engine{"", &prompts};
    SettingsLoadReport report;

    explicit LoadedTree(const Bytes& bytes, bool canShow = true) {
        prompts.canShow = canShow;
        report = engine.LoadSettingsFromBytes(bytes.data(), bytes.size());
    }
    std::vector<std::string> Names(const TTagInfo& list) const {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < list.Size(); ++i) names.push_back(list[i].Name.Str());
        return names;
    }
};

using Names = std::vector<std::string>;

// ---------------------------------------------------------------- writing

TEST(SaveSettings, FormatRecordIsExactlyTheseBytes) {
    TTagInfo formats;
    TagRule css;
    css.Name = "0";
    css.Flags = tfStyleSheet;
    css.Pattern = "*.css";
    formats.Add(css);
    const Bytes bytes = EncodeRuleTree(formats);
    Bytes expected{'T', 'R', '3', 0x01, 0x30};
    expected.resize(expected.size() + 9 + 11 + 2, 0);
    for (int b : {0x20, 0x00, 0x00, 0x00, 0x05, 0x2A, 0x2E, 0x63, 0x73, 0x73}) expected.push_back(static_cast<std::uint8_t>(b));
    expected.resize(expected.size() + 250 + 2 + 2, 0);
    ASSERT_EQ(expected.size(), 3u + 288u);
    EXPECT_EQ(bytes, expected);
}

TEST(SaveSettings, RoundTripKeepsTheTreeAndZeroesEverythingAfterEachText) {
    TTagInfo formats;
    BuildDefaultRuleTree(formats);
    TagProp& html = formats[1];
    TagRule odd;
    odd.Name = "a";  // normalised on load
    odd.ReplaceWith = "xyz";
    odd.Flags = tfReplaceTag | tfKeepComments;
    odd.Pattern = std::string(255, 'p');
    TagProp& added = html.Children.Add(odd);
    TagRule deep;
    deep.Name = "deep";
    deep.Pattern = "*deep*";
    added.Children.Add(deep).Children.Add(deep);
    const Bytes first = EncodeRuleTree(formats);

    LoadedTree loaded(first);
    EXPECT_TRUE(loaded.prompts.corruptShown.empty());
    const TTagInfo& tags = loaded.engine.Formats()[1].Children;
    ASSERT_EQ(tags[1].Name.Str(), "A");  // after "!DOCTYPE"
    EXPECT_EQ(tags[1].Pattern.Size(), 255u);
    EXPECT_EQ(tags[1].ReplaceWith.Str(), "xyz");
    EXPECT_EQ(tags[1].Children[0].Children[0].Pattern.Str(), "*deep*");
    EXPECT_EQ(loaded.engine.SettingsBytes(), EncodeRuleTree(loaded.engine.Formats()));

    // Saved again: the same bytes but for the normalised name.
    Bytes second = loaded.engine.SettingsBytes();
    ASSERT_EQ(second.size(), first.size());
    for (std::size_t record = 3; record < second.size(); record += 288) {
        const std::uint8_t* r = second.data() + record;
        for (std::size_t i = 1u + r[0]; i < 11; ++i) ASSERT_EQ(r[i], 0) << "name tail";
        for (std::size_t i = 12u + r[11]; i < 22; ++i) ASSERT_EQ(r[i], 0) << "replacement tail";
        EXPECT_EQ(r[22] | r[23] | r[286] | r[287], 0) << "reserved";
        for (std::size_t i = 29u + r[28]; i < 284; ++i) ASSERT_EQ(r[i], 0) << "pattern tail";
    }
}

TEST(SaveSettings, WritesAtomicallyAndKeepsTheOldFileOnFailure) {
    TempDir dir;
    const std::string path = dir / "trimora.nti";
    const Bytes old = File("TR3", {Tr3("0", 0, "*.old")});
    test::WriteBytes(path, old);
    TTrimora engine(path);
    TRuleTree defaults;
    BuildDefaultRuleTree(defaults.Formats);
    engine.SetRules(std::move(defaults));

    SetWriteFailureAfterForTesting(100);  // the disk fills up part way
    const SettingsSaveReport failed = engine.SaveSettings();
    SetWriteFailureAfterForTesting(-1);
    EXPECT_FALSE(failed.Ok);
    EXPECT_EQ(failed.Error, "Cannot create file " + path);
    EXPECT_EQ(test::ReadBytes(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "no temporary left";

    const SettingsSaveReport saved = engine.SaveSettings();
    EXPECT_TRUE(saved.Ok);
    const auto builtIn = DefaultRuleBytes();
    EXPECT_EQ(test::ReadBytes(path), Bytes(builtIn.begin(), builtIn.end()));
}

TEST(SaveSettings, ReportsAFolderThatCannotTakeTheFile) {
    TempDir dir;
    test::WriteText(dir / "file", "x");
    TTrimora engine("");
    const std::string path = dir / "file/trimora.nti";  // a file stands where the folder should be
    const SettingsSaveReport report = engine.SaveSettings(path);
    EXPECT_FALSE(report.Ok);
    EXPECT_EQ(report.Error, "Cannot create file " + path);
}

TEST(SaveSettings, KeepsTheFileOfANewerVersionBesideIt) {
    TempDir dir;
    const std::string path = dir / "trimora.nti";
    const Bytes newer = File("TR4", {Tr3("future")});
    test::WriteBytes(path, newer);
    RecordingPrompts prompts;
    TTrimora engine(path, &prompts);
    EXPECT_EQ(engine.LoadReport().Result, SettingsLoadReport::Outcome::NewerVersion);
    EXPECT_TRUE(engine.Formats().Empty());

    const SettingsSaveReport report = engine.SaveSettings();
    EXPECT_TRUE(report.Ok);
    EXPECT_EQ(report.KeptNewerFile, path + ".newer");
    EXPECT_EQ(test::ReadBytes(path + ".newer"), newer);
    EXPECT_EQ(test::ReadBytes(path), Bytes({'T', 'R', '3'}));

    // A second refused file does not replace the first one kept.
    test::WriteBytes(path, newer);
    EXPECT_EQ(engine.SaveSettings().KeptNewerFile, path + ".newer-2");
}

// ---------------------------------------------------------------- reading

TEST(LoadSettings, HeaderOnlyGivesAnEmptyTree) {
    LoadedTree loaded(Bytes{'T', 'R', '3'});
    EXPECT_TRUE(loaded.engine.Formats().Empty());
    EXPECT_EQ(loaded.report.Layout, 3);
}

TEST(LoadSettings, RecordsClaimingMoreChildrenThanTheDataHoldsLoadWhatIsThere) {
    LoadedTree loaded(File("TR3", {Tr3("0", 0, "*.htm", 2), Tr3("P")}));
    ASSERT_EQ(loaded.engine.Formats().Size(), 1u);
    EXPECT_EQ(loaded.Names(loaded.engine.Formats()[0].Children), Names{"P"});
    EXPECT_TRUE(loaded.report.Damaged);
}

TEST(LoadSettings, TrailingPieceShorterThanARecordIsIgnored) {
    Bytes bytes = File("TR3", {Tr3("0", 0, "*.htm", 1), Tr3("P")});
    bytes.resize(bytes.size() + 100, 0x41);
    LoadedTree loaded(bytes);
    ASSERT_EQ(loaded.engine.Formats().Size(), 1u);
    EXPECT_EQ(loaded.engine.Formats()[0].Children.Size(), 1u);
    EXPECT_TRUE(loaded.report.Damaged);
}

// A file cut short, or whose counts promise more records than it holds, is
// damaged: the corruption message is shown once and what is there is loaded.
struct ShapeCase {
    std::string Name;
    Bytes File;
    bool Damaged;
    friend void PrintTo(const ShapeCase& c, std::ostream* out) { *out << c.Name; }
};

class FileShapeTest : public testing::TestWithParam<ShapeCase> {};

TEST_P(FileShapeTest, DamageIsReportedOnce) {
    LoadedTree loaded(GetParam().File);
    EXPECT_EQ(loaded.report.Damaged, GetParam().Damaged);
    EXPECT_EQ(loaded.prompts.corruptShown, GetParam().Damaged ? Names{"Corrupt NTI file"} : Names{});
    EXPECT_EQ(loaded.report.Result, SettingsLoadReport::Outcome::Loaded);
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

Bytes BuiltInBytes() {
    const auto builtIn = DefaultRuleBytes();
    return Bytes(builtIn.begin(), builtIn.end());
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileShapeTest,
    testing::Values(
        ShapeCase{"BuiltInSet", BuiltInBytes(), false},
        ShapeCase{"HeaderOnly", Bytes{'T', 'R', '3'}, false},
        ShapeCase{"Empty", Bytes{}, false},
        ShapeCase{"WholeFormatsOnly", File("TR3", {Tr3("0", 0, "*.css"), Tr3("0", 0, "*.htm", 1), Tr3("P")}), false},
        ShapeCase{"BuiltInSetCutAt5000", Cut(BuiltInBytes(), 5000), true},
        ShapeCase{"CutInsideTheFirstRecord", Cut(BuiltInBytes(), 100), true},
        ShapeCase{"EndsInsideARecord", Cut(File("TR3", {Tr3("0", 0, "*.htm", 1), Tr3("P")}), 3 + 288 + 287), true},
        ShapeCase{"ChildCountBeyondTheData", File("TR3", {Tr3("0", 0, "*.htm", 3), Tr3("P"), Tr3("B")}), true},
        ShapeCase{"SubTagCountBeyondTheData", File("TR3", {Tr3("0", 0, "*.htm", 1), Tr3("P", 0, "", 1)}), true},
        ShapeCase{"Tr2EndsInsideARecord", File("TR2", {Record(284, "P"), Bytes(10, 0)}), true},
        ShapeCase{"Tr1EndsInsideARecord", File("TR1", {Record(1032, "P"), Bytes(1031, 0)}), true},
        ShapeCase{"WholeTr2Records", File("TR2", {Record(284, "P"), Record(284, "TD")}), false},
        ShapeCase{"HeaderlessEndsInsideARecord", File("", {Record(28, "td"), Bytes(27, 0)}), true},
        ShapeCase{"WholeHeaderlessRecords", File("", {Record(28, "td"), Record(28, "b")}), false}),
    [](const testing::TestParamInfo<ShapeCase>& row) { return row.param.Name; });

TEST(LoadSettings, EveryCutOfTheBuiltInSetIsDamagedUnlessItFallsBetweenFormats) {
    const Bytes builtIn = BuiltInBytes();
    // Offsets where a whole format and everything below it ends.
    std::vector<std::size_t> formatEnds;
    {
        LoadedTree whole(builtIn);
        std::size_t at = 3;
        for (std::size_t f = 0; f < whole.engine.Formats().Size(); ++f) {
            std::vector<const TTagInfo*> pending{&whole.engine.Formats()[f].Children};
            at += 288;
            while (!pending.empty()) {
                const TTagInfo* list = pending.back();
                pending.pop_back();
                at += 288 * list->Size();
                for (std::size_t i = 0; i < list->Size(); ++i) pending.push_back(&(*list)[i].Children);
            }
            formatEnds.push_back(at);
        }
        ASSERT_EQ(formatEnds.back(), builtIn.size());
    }
    for (std::size_t size = 4; size < builtIn.size(); ++size) {
        LoadedTree cut(Cut(builtIn, size));
        const bool betweenFormats = std::find(formatEnds.begin(), formatEnds.end(), size) != formatEnds.end();
        ASSERT_EQ(cut.report.Damaged, !betweenFormats) << "cut at " << size;
        ASSERT_LE(cut.prompts.corruptShown.size(), 1u);
    }
}

TEST(LoadSettings, ReordersTagsAndNormalisesTheirNames) {
    LoadedTree loaded(File("TR3", {Tr3("0", 0, "*.htm", 3), Tr3("H1"), Tr3("a"), Tr3("/em", 0, "", 1),
                                   Tr3("*sub*", 0, "*sub*")}));
    const TTagInfo& tags = loaded.engine.Formats()[0].Children;
    EXPECT_EQ(loaded.Names(tags), (Names{"A", "EM", "H1"}));
    EXPECT_EQ(tags[1].Children[0].Name.Str(), "*sub*") << "sub-tag names stay as read";
    const Bytes saved = loaded.engine.SettingsBytes();
    EXPECT_EQ(saved[3 + 288 + 1], 'A');
    EXPECT_EQ(saved[3 + 2 * 288 + 1], 'E');
}

TEST(LoadSettings, NewerVersionsAreRefusedWithAnEmptyTree) {
    for (char digit : {'0', '4', '9'}) {
        const Bytes bytes = File(std::string("TR") + digit, {Tr3("0", 0, "*.htm")});
        LoadedTree loaded(bytes);
        EXPECT_EQ(loaded.report.Result, SettingsLoadReport::Outcome::NewerVersion) << digit;
        EXPECT_TRUE(loaded.engine.Formats().Empty());
        EXPECT_EQ(loaded.prompts.newerAsked, Names{"New Version Detected"});
        EXPECT_TRUE(loaded.prompts.opened.empty());
    }
}

TEST(LoadSettings, YesToTheNewerVersionQuestionOpensTheWebPage) {
    RecordingPrompts prompts;
    prompts.answerYes = true;
    TTrimora engine("", &prompts);
    const Bytes bytes{'T', 'R', '5'};
    engine.LoadSettingsFromBytes(bytes.data(), bytes.size());
    EXPECT_EQ(prompts.opened, Names{std::string(ProductWebPage)});
    EXPECT_NE(NewerVersionText.find(ProductWebPage), std::string_view::npos);
}

TEST(LoadSettings, Tr2MergesConsecutiveSameNamesIntoSubTags) {
    const Bytes p = Record(284, "P", tfRemoveWhitespace);
    const Bytes js = Record(284, "SCRIPT", tfJavaScript | tfRemoveWhitespace, "*javascript*");
    const Bytes vb = Record(284, "SCRIPT", tfVBScript, "*vb*");
    const Bytes third = Record(284, "SCRIPT", tfRemoveContent, "*x*");
    const Bytes td = Record(284, "TD", tfRemoveWhitespace);

    LoadedTree two(File("TR2", {p, js, vb, td}));
    ASSERT_EQ(two.engine.Formats().Size(), 3u);
    EXPECT_EQ(two.Names(two.engine.Formats()), (Names{"ALL", "JS", "CSS"}));
    const TTagInfo& tags = two.engine.Formats()[0].Children;
    ASSERT_EQ(two.Names(tags), (Names{"P", "SCRIPT", "TD"}));
    EXPECT_EQ(tags[1].Flags, tfDoNotCompress);
    ASSERT_EQ(tags[1].Children.Size(), 2u);
    EXPECT_EQ(tags[1].Children[0].Pattern.Str(), "*javascript*");
    EXPECT_EQ(tags[1].Children[0].Flags, tfJavaScript | tfRemoveWhitespace);
    EXPECT_EQ(tags[1].Children[1].Pattern.Str(), "*vb*");

    LoadedTree three(File("TR2", {p, js, vb, third, td}));
    EXPECT_EQ(three.engine.Formats()[0].Children[1].Children.Size(), 3u);

    // Only consecutive records merge; a later record of the same name is a tag of its own.
    LoadedTree apart(File("TR2", {js, p, vb}));
    EXPECT_EQ(apart.Names(apart.engine.Formats()[0].Children), (Names{"P", "SCRIPT", "SCRIPT"}));
}

TEST(LoadSettings, Tr1RecordsAre1032Bytes) {
    LoadedTree loaded(File("TR1", {Record(1032, "b", 0x40, "", 0, "strong"), Record(1032, "td", 4)}));
    const TTagInfo& tags = loaded.engine.Formats()[0].Children;
    ASSERT_EQ(loaded.Names(tags), (Names{"B", "TD"}));
    EXPECT_EQ(tags[0].ReplaceWith.Str(), "strong");
    EXPECT_EQ(loaded.report.Layout, 1);
}

TEST(LoadSettings, HeaderlessRecordsBecomeTagsOfTheFirstFallbackFormat) {
    FallbackPatterns patterns;
    patterns.ScriptExt = "*.js;*.mjs";
    patterns.StyleExt = "*.css";
    RecordingPrompts prompts;
    TTrimora engine("", &prompts, patterns);
    const Bytes bytes = File("", {Record(28, "td", 4), Record(28, "b", 0x40, "", 0, "STRONG")});
    engine.LoadSettingsFromBytes(bytes.data(), bytes.size());
    ASSERT_EQ(engine.Formats().Size(), 3u);
    EXPECT_EQ(engine.Formats()[0].Pattern.Str(), "*.htm;*.html;");
    EXPECT_EQ(engine.Formats()[1].Pattern.Str(), "*.js;*.mjs");
    EXPECT_EQ(engine.Formats()[1].Flags, tfJavaScript);
    EXPECT_EQ(engine.Formats()[2].Flags, tfStyleSheet);
    const TTagInfo& tags = engine.Formats()[0].Children;
    ASSERT_EQ(tags.Size(), 2u);
    EXPECT_EQ(tags[0].Name.Str(), "B");
    EXPECT_EQ(tags[1].Name.Str(), "TD");
    EXPECT_EQ(engine.FindFormat("x.mjs"), 1);
    EXPECT_EQ(engine.Rules()->MaxLength(1), 0);
}

TEST(LoadSettings, ShortOlderFilesGiveTheFallbackFormatsWithoutTags) {
    for (const Bytes& bytes : {Bytes{}, Bytes{'T', 'R'}, Bytes(27, 'x'), Bytes{'T', 'R', '2', 1, 2, 3}}) {
        LoadedTree loaded(bytes);
        ASSERT_EQ(loaded.engine.Formats().Size(), 3u);
        EXPECT_TRUE(loaded.engine.Formats()[0].Children.Empty());
    }
}

TEST(LoadSettings, OverlongNameLengthsAreCutToTenCharacters) {
    Bytes record = Tr3("ABCDEFGHIJ");
    record[0] = 200;
    LoadedTree loaded(File("TR3", {Tr3("0", 0, "*.htm", 1), record}));
    EXPECT_EQ(loaded.engine.Formats()[0].Children[0].Name.Str(), "ABCDEFGHIJ");
}

// ---------------------------------------------------------------- damage

TEST(IsValidTagName, TestsEveryCharacterButTheLast) {
    EXPECT_TRUE(TTrimora::IsValidTagName(NameString("!DOCTYPE")));
    EXPECT_TRUE(TTrimora::IsValidTagName(NameString("H1")));
    EXPECT_TRUE(TTrimora::IsValidTagName(NameString("TAG#")));
    EXPECT_TRUE(TTrimora::IsValidTagName(NameString("#")));
    EXPECT_TRUE(TTrimora::IsValidTagName(NameString("")));
    EXPECT_TRUE(TTrimora::IsValidTagName(NameString(std::string_view("A\0#B", 4))));
    EXPECT_FALSE(TTrimora::IsValidTagName(NameString("TA#G")));
    EXPECT_FALSE(TTrimora::IsValidTagName(NameString("/P")));
    EXPECT_FALSE(TTrimora::IsValidTagName(NameString("A-B")));
}

TEST(LoadSettings, CorruptNamesShowTheMessageOnceAndStillLoad) {
    LoadedTree loaded(File("TR3", {Tr3("0", 0, "*.htm", 4), Tr3("TA#G"), Tr3("P"), Tr3("X Y"), Tr3("TAG#")}));
    EXPECT_EQ(loaded.prompts.corruptShown, Names{"Corrupt NTI file"});
    EXPECT_TRUE(loaded.report.Damaged);
    EXPECT_EQ(loaded.engine.Formats()[0].Children.Size(), 4u);

    // The flag is cleared at each load.
    const Bytes again = File("TR3", {Tr3("0", 0, "*.htm", 1), Tr3("TA#G")});
    loaded.engine.LoadSettingsFromBytes(again.data(), again.size());
    EXPECT_EQ(loaded.prompts.corruptShown.size(), 2u);
}

TEST(LoadSettings, OnlyTagNamesAreTested) {
    LoadedTree loaded(File("TR3", {Tr3("#0#", 0, "*.htm", 1), Tr3("P", 0, "", 1), Tr3("*sub*", 0, "*sub*")}));
    EXPECT_TRUE(loaded.prompts.corruptShown.empty());
    EXPECT_FALSE(loaded.report.Damaged);
}

TEST(LoadSettings, WhenTheMessageCannotBeShownReadingStopsAtThatLevel) {
    const Bytes bytes = File("TR3", {Tr3("0", 0, "*.htm", 3), Tr3("A"), Tr3("B#B"), Tr3("C"),
                                     Tr3("0", 0, "*.css")});
    LoadedTree loaded(bytes, /*canShow=*/false);
    // Format 1 keeps A; the records B#B and C are then read as roots.
    ASSERT_GE(loaded.engine.Formats().Size(), 1u);
    EXPECT_EQ(loaded.Names(loaded.engine.Formats()[0].Children), Names{"A"});

    LoadedTree old(File("TR2", {Record(284, "A"), Record(284, "B#B"), Record(284, "C")}), false);
    EXPECT_EQ(old.Names(old.engine.Formats()[0].Children), Names{"A"});
}

TEST(LoadSettings, DeepNestingLoadsWithoutExhaustingTheStack) {
    Bytes bytes{'T', 'R', '3'};
    const int depth = 60000;
    for (int level = 0; level < depth; ++level) {
        const Bytes record = Tr3(level == 1 ? "P" : "x", 0, "*x*", 1);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    LoadedTree loaded(bytes);
    int levels = 0;
    for (const TTagInfo* list = &loaded.engine.Formats(); !list->Empty(); list = &(*list)[0].Children) ++levels;
    EXPECT_EQ(levels, depth);
    EXPECT_NE(FindTag(loaded.engine.Formats()[0].Children, NormalizeTagName("P"), "x"), nullptr);
    EXPECT_EQ(loaded.engine.SettingsBytes().size(), bytes.size());
}

TEST(LoadSettings, RandomAndMutatedFilesNeverCrash) {
    std::mt19937 random(11);
    const auto builtIn = DefaultRuleBytes();
    const Bytes seed(builtIn.begin(), builtIn.end());
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes;
        if (round % 3 == 0) {
            bytes.resize(random() % 2000);
            for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
            if (bytes.size() >= 3 && round % 2 == 0) {
                bytes[0] = 'T';
                bytes[1] = 'R';
                bytes[2] = static_cast<std::uint8_t>('1' + random() % 3);
            }
        } else {
            bytes = seed;
            for (int flips = 1 + static_cast<int>(random() % 20); flips > 0; --flips)
                bytes[3 + random() % (bytes.size() - 3)] = static_cast<std::uint8_t>(random());
            bytes.resize(random() % 2 ? bytes.size() : random() % bytes.size());
        }
        LoadedTree loaded(bytes);
        for (const char* name : {"a.htm", "a.css", "a.js", "a.xml"}) {
            const std::int32_t format = loaded.engine.FindFormat(name);
            if (format < 0) continue;
            FindTag(loaded.engine.Formats()[static_cast<std::size_t>(format)].Children, NormalizeTagName("script"),
                    "language=javascript");
        }
        const Bytes saved = loaded.engine.SettingsBytes();
        LoadedTree reloaded(saved);
        // Saved and read again, the tree keeps its shape (a name like "//B"
        // may still lose a slash: names are normalised at every load).
        ASSERT_EQ(reloaded.engine.SettingsBytes().size(), saved.size()) << "round " << round;
        ASSERT_EQ(reloaded.engine.Formats().Size(), loaded.engine.Formats().Size());
    }
}

TEST(LoadSettings, FileOnDisk) {
    TempDir dir;
    RecordingPrompts prompts;
    TTrimora missing(dir / "none.nti", &prompts);
    EXPECT_EQ(missing.LoadReport().Result, SettingsLoadReport::Outcome::Missing);
    EXPECT_TRUE(missing.Formats().Empty());

    TTrimora folder(dir.Path().string(), &prompts);
    EXPECT_EQ(folder.LoadReport().Result, SettingsLoadReport::Outcome::CannotOpen);
    EXPECT_EQ(folder.LoadReport().Error, "Cannot open file " + dir.Path().string());

    const auto builtIn = DefaultRuleBytes();
    test::WriteBytes(dir / "trimora.nti", Bytes(builtIn.begin(), builtIn.end()));
    TTrimora engine(dir / "trimora.nti", &prompts);
    EXPECT_EQ(engine.FileName, dir / "trimora.nti");
    EXPECT_EQ(engine.Formats().Size(), 5u);
}

}  // namespace
}  // namespace trimora

// One rule tree shared by many compressors: threads compress at once on one
// tree and give what one compressor gives alone; an edited copy put in force
// changes only the calls that follow, never a pass under way.
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "file_io.h"

namespace trimora {
namespace {

struct Page {
    std::string Name;
    std::vector<std::uint8_t> Bytes;
};

std::vector<Page> SamplePages() {
    std::vector<Page> pages;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TRIMORA_SAMPLE_SITE)) {
        Page page{entry.path().string(), {}};
        if (entry.is_regular_file() && ReadWholeFile(page.Name, page.Bytes) == ReadResult::Ok)
            pages.push_back(std::move(page));
    }
    return pages;
}

TSharedRules BuiltInRules() {
    TTrimora engine("");
    test::LoadBuiltInRules(engine);
    return engine.Rules();
}

TEST(SharedRules, ThreadsOnOneTreeGiveWhatOneCompressorGives) {
    const std::vector<Page> pages = SamplePages();
    ASSERT_FALSE(pages.empty());
    const TSharedRules rules = BuiltInRules();
    std::vector<std::vector<std::uint8_t>> expected(pages.size());
    TCompressor alone(rules);
    for (std::size_t i = 0; i < pages.size(); ++i) ASSERT_TRUE(alone.CompressBytes(pages[i].Name, pages[i].Bytes, expected[i]));

    constexpr int Threads = 4;
    std::vector<int> mismatches(Threads, 0);
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t) {
        workers.emplace_back([&, t] {
            TCompressor compressor(rules);
            std::vector<std::uint8_t> output;
            for (int round = 0; round < 20; ++round)
                for (std::size_t i = 0; i < pages.size(); ++i) {
                    const std::size_t page = (i + static_cast<std::size_t>(t)) % pages.size();
                    if (!compressor.CompressBytes(pages[page].Name, pages[page].Bytes, output) ||
                        output != expected[page])
                        ++mismatches[static_cast<std::size_t>(t)];
                }
        });
    }
    for (std::thread& worker : workers) worker.join();
    for (int t = 0; t < Threads; ++t) EXPECT_EQ(mismatches[static_cast<std::size_t>(t)], 0) << "thread " << t;
}

TEST(SharedRules, EnginesMadeOnAnotherEnginesRulesShareTheTree) {
    TTrimora first("");
    test::LoadBuiltInRules(first);
    TTrimora second(first.Rules());
    EXPECT_EQ(second.Rules().get(), first.Rules().get());
    EXPECT_EQ(test::CompressText(second, "a.htm", "<p>  a  <strong>b</strong>"), "<p> a <B>b</B>");
}

TEST(SharedRules, AnEditedCopyChangesNothingUntilItIsPutInForce) {
    TTrimora engine("");
    test::LoadBuiltInRules(engine);
    const std::string page = "<p> a <strong>b</strong>";
    const std::string before = test::CompressText(engine, "a.htm", page);
    ASSERT_EQ(before, "<p> a <B>b</B>");

    TRuleTree edited = engine.CopyRules();
    TagProp& html = edited.Formats[1];
    TagRule span;
    span.Name = "STRONG";
    span.Flags = tfReplaceTag;
    span.ReplaceWith = "EM";
    for (std::size_t i = 0; i < html.Children.Size(); ++i)
        if (html.Children[i].Name == std::string_view("STRONG")) static_cast<TagRule&>(html.Children[i]) = span;
    TagRule first;
    first.Name = "A";  // added out of order: putting the tree in force sorts it
    first.Flags = tfRemoveTag;
    html.Children.Add(first);
    EXPECT_EQ(test::CompressText(engine, "a.htm", page), before) << "the copy is separate";

    // A compressor made on the old tree keeps it, whatever the engine takes.
    TCompressor onOld(engine.Rules());
    engine.SetRules(std::move(edited));
    EXPECT_EQ(test::CompressText(engine, "a.htm", page + "<a>x</a>"), "<p> a <EM>b</EM>x");
    std::vector<std::uint8_t> output;
    ASSERT_TRUE(onOld.CompressBytes("a.htm", {reinterpret_cast<const std::uint8_t*>(page.data()), page.size()}, output));
    EXPECT_EQ(std::string(output.begin(), output.end()), before);
}

TEST(SharedRules, ACompressorWithoutRulesMatchesNoFormat) {
    TCompressor none(nullptr);
    std::vector<std::uint8_t> output{1, 2, 3};
    const CompressResult result = none.CompressBytes("a.htm", {}, output);
    EXPECT_EQ(result.Status, CompressStatus::NoFormat);
    EXPECT_EQ(result.Size, -1);
    EXPECT_EQ(result.Detail, "No file format matches the name a.htm");
    EXPECT_TRUE(output.empty());
}

}  // namespace
}  // namespace trimora

// Random and mutated inputs under random rule trees: the engine never
// crashes or reads out of bounds (the sanitizer build runs this too), its
// shortcuts give the same bytes as the byte-at-a-time pass, and the output
// grows only by what line wrapping and longer replacement names add.
#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "file_io.h"

namespace trimora {
namespace {

const char* const Fragments[] = {
    "<", ">", "</", "/>", "<!--", "-->", "<!DOCTYPE html>", "\"", "'", "=", " ", "  ", "\t", "\r\n", "\n", "\r",
    "<script language=\"javascript\">", "</script>", "</script >", "<style>", "</style>", "<pre>", "</pre>",
    "<p class=\"a b\">", "<em>", "</em>", "<x>", "</x>", "<a href='x.htm'>", "alt=\"\"", "//", "/*", "*/", "/",
    "\\", "`", "${", "}", "{", ";", ":", ",", "return /a[/]b/g", "a", "bc", "\xe9", "\0", "<meta name=\"author\">",
    "<!", "--", "x = 1;", "if (a) b();", "color : red", "div ::selection", "/*!", "'a  b'", "\"c ; d\"",
    "MsgBox \"x  y\"", "url(\"a  b\")", "\\\""};

const char* const TagNames[] = {"P", "A", "B", "SCRIPT", "STYLE", "PRE", "X", "EM", "!DOCTYPE", "BR", "META", "", "/"};
const std::uint32_t TagFlagBits[] = {tfRemoveContent, tfRemoveTag,  tfRemoveWhitespace, tfDoNotCompress, tfJavaScript,
                                     tfStyleSheet,    tfReplaceTag, tfVBScript,         tfKeepLicense,   tfStyleComments};

std::uint32_t RandomFlags(std::mt19937& random, int bits) {
    std::uint32_t flags = 0;
    for (int i = 0; i < bits; ++i)
        if (random() % 3 == 0) flags |= TagFlagBits[random() % 10];
    return flags;
}

std::vector<test::TestTag> RandomTags(std::mt19937& random, std::size_t& longestReplacement) {
    std::vector<test::TestTag> tags;
    for (int count = static_cast<int>(random() % 6); count > 0; --count) {
        test::TestTag tag{TagNames[random() % 13], RandomFlags(random, 3), std::string(random() % 6, 'R')};
        longestReplacement = std::max(longestReplacement, tag.ReplaceWith.size());
        if (random() % 3 == 0) tag.SubTags.push_back({"*a*", RandomFlags(random, 3)});
        tags.push_back(tag);
    }
    return tags;
}

std::string RandomInput(std::mt19937& random) {
    std::string input;
    for (int pieces = static_cast<int>(random() % 40); pieces > 0; --pieces) {
        if (random() % 4 == 0)
            input += static_cast<char>(random());
        else
            input += std::string(Fragments[random() % (sizeof Fragments / sizeof *Fragments)]);
    }
    return input;
}

std::vector<std::string> SamplePages() {
    std::vector<std::string> pages;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TRIMORA_SAMPLE_SITE)) {
        std::vector<std::uint8_t> bytes;
        if (entry.is_regular_file() && ReadWholeFile(entry.path().string(), bytes) == ReadResult::Ok)
            pages.emplace_back(bytes.begin(), bytes.end());
    }
    return pages;
}

void CheckOne(const std::string& input, const std::string& fileName, std::uint32_t formatFlags, int maxLength,
              const std::vector<test::TestTag>& tags, std::size_t longestReplacement) {
    TTrimora fast(""), slow("");
    // The script and style flags go to the whole-file formats too.
    const std::uint32_t wholeFileFlags = formatFlags & (tfKeepLicense | tfStyleComments);
    test::BuildTree(fast, formatFlags, maxLength, tags, wholeFileFlags);
    test::BuildTree(slow, formatFlags, maxLength, tags, wholeFileFlags);
    slow.SetFastPathsForTesting(false);
    const std::string fastOutput = test::CompressText(fast, fileName, input);
    const std::string slowOutput = test::CompressText(slow, fileName, input);
    ASSERT_EQ(test::Visible(fastOutput), test::Visible(slowOutput))
        << "input: " << test::Visible(input) << " file " << fileName << " flags " << formatFlags << " max "
        << maxLength;

    std::size_t allowance = 0;
    if (longestReplacement > 1)
        allowance += (longestReplacement - 1) * static_cast<std::size_t>(std::count(input.begin(), input.end(), '<'));
    if (maxLength > 0) {
        for (std::size_t at = fastOutput.find("\r\n"); at != std::string::npos; at = fastOutput.find("\r\n", at + 1))
            allowance += 2;
    }
    EXPECT_LE(fastOutput.size(), input.size() + allowance) << "input: " << test::Visible(input);
}

TEST(Robustness, RandomInputsUnderRandomRules) {
    std::mt19937 random(2024);
    const int maxLengths[] = {0, 0, 0, 4, 12, 40};
    const char* const fileNames[] = {"x.htm", "x.htm", "x.htm", "x.js", "x.css", "x.vbs"};
    for (int round = 0; round < 30000; ++round) {
        std::size_t longest = 0;
        const std::vector<test::TestTag> tags = RandomTags(random, longest);
        const std::uint32_t formatFlags = (random() % 2 ? tfRemoveQuotes : 0) | (random() % 4 == 0 ? tfKeepComments : 0) |
                                          (random() % 2 ? tfKeepLicense : 0) | (random() % 2 ? tfStyleComments : 0);
        CheckOne(RandomInput(random), fileNames[random() % 6], formatFlags, maxLengths[random() % 6], tags, longest);
        if (testing::Test::HasFatalFailure()) return;
    }
}

// Tags dense with what the tag shortcut takes in one go: names ended by
// each kind of whitespace, runs of attributes with either quote, empty
// values, values holding the other quote, '>' or whitespace, unquoted
// values, declarations and comments, and tags cut off by the end.
std::string RandomTags(std::mt19937& random) {
    const char* const names[] = {"p", "a", "div", "!DOCTYPE", "!--", "!-", "-", "/p", "x-y", "", "a\"b", "br/"};
    const char* const spaces[] = {" ", "  ", "\n", "\t", "\r\n", " \n "};
    const char* const values[] = {"x", "", "a b", "a'b", "a\"b", "a>b", "a\tb", "http://x/y?z=1&w=2", "\n"};
    std::string page;
    for (int tags = 1 + static_cast<int>(random() % 8); tags > 0; --tags) {
        if (random() % 3 == 0) page += random() % 2 ? "text " : " \n ";
        page += "<";
        page += names[random() % std::size(names)];
        for (int attributes = static_cast<int>(random() % 5); attributes > 0; --attributes) {
            page += spaces[random() % std::size(spaces)];
            page += random() % 2 ? "class" : "a";
            if (random() % 5 == 0) continue;  // no value
            page += random() % 4 == 0 ? " = " : "=";
            const char* value = values[random() % std::size(values)];
            switch (random() % 3) {
                case 0: page += std::string("\"") + value + (random() % 9 ? "\"" : ""); break;
                case 1: page += std::string("'") + value + (random() % 9 ? "'" : ""); break;
                default: page += value; break;
            }
        }
        if (random() % 4 == 0) page += spaces[random() % std::size(spaces)];
        if (random() % 6 == 0) page += "/";
        if (random() % 10 != 0) page += ">";
    }
    if (random() % 4 == 0) page.resize(random() % (page.size() + 1));
    return page;
}

TEST(Robustness, TagsDenseWithAttributesMatchTheByteAtATimePass) {
    std::mt19937 random(77);
    for (int round = 0; round < 20000; ++round) {
        std::size_t longest = 0;
        const std::vector<test::TestTag> tags = RandomTags(random, longest);
        const std::uint32_t formatFlags = (random() % 4 != 0 ? tfRemoveQuotes : 0) | (random() % 4 == 0 ? tfKeepComments : 0);
        CheckOne(RandomTags(random), "x.htm", formatFlags, 0, tags, longest);
        if (testing::Test::HasFatalFailure()) return;
    }
}

TEST(Robustness, MutatedSamplePages) {
    std::mt19937 random(99);
    const std::vector<std::string> pages = SamplePages();
    ASSERT_FALSE(pages.empty());
    for (int round = 0; round < 300; ++round) {
        std::string page = pages[random() % pages.size()];
        for (int edits = 1 + static_cast<int>(random() % 12); edits > 0 && !page.empty(); --edits) {
            const std::size_t at = random() % page.size();
            switch (random() % 3) {
                case 0: page[at] = static_cast<char>(random()); break;
                case 1: page.erase(at, random() % 20); break;
                default: page.insert(at, Fragments[random() % (sizeof Fragments / sizeof *Fragments)]); break;
            }
        }
        if (random() % 3 == 0) page.resize(random() % (page.size() + 1));
        std::size_t longest = 0;
        const std::vector<test::TestTag> tags = RandomTags(random, longest);
        const char* name = random() % 2 ? "x.htm" : (random() % 2 ? "x.js" : "x.css");
        CheckOne(page, name, tfRemoveQuotes, random() % 4 == 0 ? 60 : 0, tags, longest);
        if (testing::Test::HasFatalFailure()) return;
    }
}

TEST(Robustness, BuiltInRulesOnMutatedPagesMatchTheByteAtATimePass) {
    std::mt19937 random(5);
    const std::vector<std::string> pages = SamplePages();
    for (int round = 0; round < 300; ++round) {
        std::string page = pages[random() % pages.size()];
        for (int edits = static_cast<int>(random() % 6); edits > 0 && !page.empty(); --edits)
            page.insert(random() % page.size(), Fragments[random() % (sizeof Fragments / sizeof *Fragments)]);
        TTrimora fast(""), slow("");
        test::LoadBuiltInRules(fast);
        test::LoadBuiltInRules(slow);
        slow.SetFastPathsForTesting(false);
        const char* name = round % 3 == 0 ? "a.html" : round % 3 == 1 ? "a.js" : "a.css";
        ASSERT_EQ(test::CompressText(fast, name, page), test::CompressText(slow, name, page)) << test::Visible(page);
    }
}

TEST(Robustness, HostileShapesStayLinearAndBounded) {
    TTrimora engine("");
    test::LoadBuiltInRules(engine);
    const std::size_t size = 1 << 20;
    const std::string shapes[] = {
        std::string(size, '<'),
        "<" + std::string(size, 'a'),
        "<a b=\"" + std::string(size, 'x'),
        "<style>" + std::string(size, ':'),
        "<style>" + std::string(size / 2, ' ') + std::string(size / 2, ':'),
        "<script language=javascript>" + std::string(size, '/'),
        "<script language=javascript>" + std::string(size / 4, ' ') + std::string(size / 4, '/') +
            std::string(size / 4, '*'),
        "<!--" + std::string(size, '-'),
        "<pre>" + std::string(size, '>'),
        std::string(size, '"'),
    };
    for (const std::string& input : shapes) {
        const std::string output = test::CompressText(engine, "x.htm", input);
        EXPECT_LE(output.size(), input.size());
    }
}

}  // namespace
}  // namespace trimora

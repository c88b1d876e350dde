// A script block ends at its closing tag wherever that tag starts: in code,
// right after the line break of a line comment, inside a comment. Nothing
// after "</script>" is ever read as script.

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace trimora {
namespace {

std::string Compress(const std::string& page, bool builtIn, bool fastPaths = true) {
    TTrimora engine("");
    engine.SetFastPathsForTesting(fastPaths);
    if (builtIn)
        test::LoadBuiltInRules(engine);
    else
        test::BuildTree(engine, tfRemoveQuotes, 0, {{"SCRIPT", tfJavaScript}});
    return test::CompressText(engine, "x.htm", page);
}

// Every line break of a text given with "\n" replaced by the one wanted.
std::string WithBreaks(const std::string& text, const std::string& lineBreak, const std::string& afterComment = {}) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += lineBreak;
        else if (c == '~' && !afterComment.empty())
            out += afterComment;
        else
            out += c;
    }
    return out;
}

struct ScriptEndCase {
    std::string Name;
    std::string Input;     // "\n" stands for the line break under test
    std::string Expected;  // "\n": the break kept in code (CR of CR LF); "~": the one kept after a line comment
    bool BuiltIn = true;
};

class ScriptEnd : public testing::TestWithParam<ScriptEndCase> {};

TEST_P(ScriptEnd, EndsAtTheClosingTag) {
    const ScriptEndCase& c = GetParam();
    for (const std::string lineBreak : {"\n", "\r\n", "\r"}) {
        const std::string kept = lineBreak == "\r\n" ? "\r" : lineBreak;
        const std::string keptAfterComment = lineBreak == "\r\n" ? "\n" : lineBreak;
        for (bool fastPaths : {true, false}) {
            EXPECT_EQ(test::Visible(Compress(WithBreaks(c.Input, lineBreak), c.BuiltIn, fastPaths)),
                      test::Visible(WithBreaks(c.Expected, kept, keptAfterComment)))
                << "line break " << test::Visible(lineBreak) << (fastPaths ? "" : " (byte at a time)");
        }
    }
}

const std::string Paragraphs =
    "<p>see <a href=\"http://example.com/x\">http://example.com/x</a> now</p>\n<p>it's   here</p>";
// Under the built-in rules no whitespace stays before a paragraph.
const std::string ParagraphsCompressed = "<p>see <a href=http://example.com/x>http://example.com/x</a> now</p><p>it's here</p>";

INSTANTIATE_TEST_SUITE_P(
    Rows, ScriptEnd,
    testing::Values(
        ScriptEndCase{"LineCommentLastLine", "<script language=\"javascript\">f();\n// end\n</script>\n" + Paragraphs,
                      "<script language=javascript>f();\n</script>" + ParagraphsCompressed},
        ScriptEndCase{"CdataIdiom",
                      "<script type=\"text/javascript\">\n//<![CDATA[\nf(a  +  b);\n//]]>\n</script>\n" + Paragraphs,
                      "<script type=text/javascript>\nf(a + b);\n</script>" + ParagraphsCompressed},
        ScriptEndCase{"HiddenEnd", "<script language=\"javascript\">\n<!--\nf();\n//-->\n</script>\n" + Paragraphs,
                      "<script language=javascript>\n<!--\nf();\n//-->\n</script>" + ParagraphsCompressed},
        ScriptEndCase{"ClosingTagInCode", "<script language=\"javascript\">f()</script>  " + Paragraphs,
                      "<script language=javascript>f()</script>" + ParagraphsCompressed},
        ScriptEndCase{"TagOpenBeforeComment", "<script language=\"javascript\">if (a<b)// c\n</script>" + Paragraphs,
                      "<script language=javascript>if (a<b)~</script>" + ParagraphsCompressed},
        ScriptEndCase{"TagOpenBeforeCommentNoSpace", "<script language=\"javascript\">a<b//c\n</script>" + Paragraphs,
                      "<script language=javascript>a<b~</script>" + ParagraphsCompressed},
        ScriptEndCase{"ClosingTagInsideLineComment", "<script language=\"javascript\">f(); // x </script>  " + Paragraphs,
                      "<script language=javascript>f(); </script>" + ParagraphsCompressed},
        ScriptEndCase{"ClosingTagInsideBlockComment",
                      "<script language=\"javascript\">f(); /* x\n</script>  " + Paragraphs,
                      "<script language=javascript>f(); </script>" + ParagraphsCompressed},
        ScriptEndCase{"UpperCaseClosingTag", "<script language=\"javascript\">f();\n// end\n</SCRIPT >" + Paragraphs,
                      "<script language=javascript>f();\n</SCRIPT >" + ParagraphsCompressed},
        // The lines before the comment no longer run together.
        ScriptEndCase{"StatementBeforeComment", "<script language=\"javascript\">a;b// c\nx</script>",
                      "<script language=javascript>a;b~x</script>"},
        ScriptEndCase{"StatementEndsBeforeComment", "<script language=\"javascript\">a; // c\nx</script>",
                      "<script language=javascript>a; x</script>"},
        // A closing tag's name ends at whitespace or '>', as in the markup pass.
        ScriptEndCase{"CutOffClosingTagKeepsTheComment", "<script>// x </script", "<script>// x </script", false},
        ScriptEndCase{"CutOffCommentKeptAsWritten", "<script>a  =  1; // x", "<script>a = 1; // x", false},
        ScriptEndCase{"SlashAfterNameEndsNothing", "<script>// x </script/> y\nz</script>  <p>a  b</p>",
                      "<script>~z</script> <p>a b</p>", false}),
    [](const testing::TestParamInfo<ScriptEndCase>& row) { return row.param.Name; });

// Pages built from script blocks with comments, strings, regular expressions
// and template literals in front of their closing tags: the markup after each
// block is compressed exactly as it is without the block.
TEST(ScriptEnd, MarkupAfterRandomBlocksIsUntouched) {
    const std::vector<std::string> pieces = {
        "f(a,  b);", "x = \"a // b\";", "y = 'it\\'s  </p>';", "z = /\\/\\/  x/g;", "t = `a ${ b  +  c } // d`;",
        "/* block  */", "/* a\nb */", "// line comment", "//]]>", "//-->", "<!--", "if (a < b) c();",
        "a<b", "r = a / b;", "s = \"\";", "q = x.replace(/'/g, \"\");", "/*! keep */", "return;",
        "w  =  1", "e = `\n  multi line  \n`;", "// </scripts>", "n = 1 //", "  ", "\t",
    };
    const std::vector<std::string> lineBreaks = {"\n", "\r\n", "\r"};
    const std::vector<std::string> openings = {"<script language=\"javascript\">", "<script type=\"text/javascript\">",
                                               "<SCRIPT language=javascript>"};
    const std::vector<std::string> closings = {"</script>", "</SCRIPT>", "</script >", "</script\n>"};
    const std::vector<std::string> markup = {
        "<p>it's   here</p>", "<a href=\"http://example.com/x\">http://example.com/x</a>", "<b>x</b>  y",
        "text with // slashes and 'quotes'", "<div class=\"a  b\">  c  </div>", "<i>/* not */ a comment</i>",
    };
    std::mt19937 random(20261209);
    const auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };

    for (int round = 0; round < 3000; ++round) {
        const std::string lineBreak = pick(lineBreaks);
        std::string block;
        const int count = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i) {
            const std::string piece = pick(pieces);
            block += piece;
            // A line comment ends at its line break, or at the closing tag.
            const bool lineComment = piece.find("//") != std::string::npos && piece.find('"') == std::string::npos &&
                                     piece.find('`') == std::string::npos && piece.find("/\\") == std::string::npos;
            if ((lineComment && i + 1 < count) || random() % 2 == 0) block += "\n";
        }
        std::string after = "<p>marker</p>";
        for (int i = 0; i < 3; ++i) after += pick(markup) + lineBreak;
        const std::string page = pick(openings) + WithBreaks(block, lineBreak) + pick(closings) + after;
        const bool fastPaths = round % 2 == 0;
        const std::string alone = Compress(after, true, fastPaths);
        const std::string whole = Compress(page, true, fastPaths);
        ASSERT_GE(whole.size(), alone.size());
        ASSERT_EQ(test::Visible(whole.substr(whole.size() - alone.size())), test::Visible(alone))
            << "page: " << test::Visible(page);
    }
}

}  // namespace
}  // namespace trimora

#include <cstdio>
#include <random>
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace trimora {
namespace {

using test::TestTag;

// One row: input -> output under a rule tree. Tags apply to "*.htm;*.html";
// the file name chooses the format ("x.js", "x.css" and "x.vbs" are whole files).
struct CompressCase {
    std::string Name;
    std::string Input;
    std::string Expected;
    std::uint32_t FormatFlags = 0;
    std::vector<TestTag> Tags = {};
    int MaxLength = 0;
    std::string FileName = "x.htm";
    bool BuiltInRules = false;
    std::uint32_t WholeFileFlags = 0;  // added to the "*.js", "*.css" and "*.vbs" formats
    friend void PrintTo(const CompressCase& c, std::ostream* out) { *out << c.Name; }
};

class CompressTable : public testing::TestWithParam<CompressCase> {};

TEST_P(CompressTable, GivesExactBytes) {
    const CompressCase& c = GetParam();
    for (bool fastPaths : {true, false}) {
        TTrimora engine("");
        engine.SetFastPathsForTesting(fastPaths);
        if (c.BuiltInRules)
            test::LoadBuiltInRules(engine);
        else
            test::BuildTree(engine, c.FormatFlags, c.MaxLength, c.Tags, c.WholeFileFlags);
        const std::string output = test::CompressText(engine, c.FileName, c.Input);
        EXPECT_EQ(test::Visible(output), test::Visible(c.Expected))
            << "input: " << test::Visible(c.Input) << (fastPaths ? "" : " (byte at a time)");
        // Style sheets and VBScript: a second run finds nothing more to do
        // (scripts only under the rules that settle them, tested below).
        if (c.FileName != "x.htm" && c.FileName != "x.js" && c.MaxLength == 0) {
            EXPECT_EQ(test::Visible(test::CompressText(engine, c.FileName, output)), test::Visible(output))
                << "second run over " << test::Visible(c.Input);
        }
    }
}

std::string CaseName(const testing::TestParamInfo<CompressCase>& info) { return info.param.Name; }

constexpr std::uint32_t Quotes = tfRemoveQuotes;

// ------------------------------------------------------------ the markup pass

INSTANTIATE_TEST_SUITE_P(
    MarkupPass, CompressTable,
    testing::Values(
        CompressCase{"SpaceRunBecomesOne", "a   b", "a b"},
        CompressCase{"AnyWhitespaceBecomesSpace", "a\r\n\tb", "a b"},
        CompressCase{"FinalSpaceDropped", "a b ", "a b"},
        CompressCase{"QuotedValueKeepsWhitespace", "<p  title=\"x  y\">", "<p title=\"x  y\">"},
        CompressCase{"SpaceBeforeGreaterStays", "<a href=\"x\" >", "<a href=\"x\" >"},
        CompressCase{"CommentAndSpaceBeforeGo", "a <!-- c --> b", "a b"},
        CompressCase{"ShortestComment", "<!-->x", "x"},
        CompressCase{"UnclosedCommentRemovesRest", "a <!-- c", "a"},
        CompressCase{"GreaterInQuotesDoesNotEndTag", "<p title=\"a>b\">", "<p title=\"a>b\">"},
        CompressCase{"WrapAtMaxLength", "aaaa bbbb cccc", "aaaa bbbb\r\ncccc", 0, {}, 10},
        CompressCase{"WrapFirstLineOneEarly", "aaaa bbbbb", "aaaa\r\nbbbbb", 0, {}, 10},
        CompressCase{"WrapAfterGreater", "<b>xxxxxxxxxx</b>", "<b>xxxxxxxxxx</b>", 0, {}, 10},
        CompressCase{"WrapReplacesSpaceEvenInTextQuotes", "aaa \"b c\"dddddd", "aaa \"b\r\nc\"dddddd", 0, {}, 10},
        // The space that set the break point was removed with the tag moved
        // over it: the byte now there goes to the new line.
        CompressCase{"WrapMovesByteBeforeBreak", "aaaa <x>bbbbbbbb", "aaaa\r\n<x>bbbbbbbb", 0,
                     {{"X", tfRemoveWhitespace}}, 10},
        CompressCase{"KeptComment", "a <!-- c --> b", "a <!-- c --> b", tfKeepComments},
        CompressCase{"KeptCommentEndsAtGreater", "a <!-- x > y --> b", "a <!-- x > y --> b", tfKeepComments},
        CompressCase{"EmptyInput", "", ""},
        CompressCase{"SelfClosingLooksUpNameWithSlash", "a <br/> b", "a <br/> b", 0, {{"BR", tfRemoveWhitespace}}},
        CompressCase{"SpacedSelfClosingFindsRule", "a <br /> b", "a<br /> b", 0, {{"BR", tfRemoveWhitespace}}},
        CompressCase{"DoNotCompressKeepsNestedContent", "<pre> a  <pre>b</pre>  c </pre>  d",
                     "<pre> a  <pre>b</pre>  c </pre> d", 0, {{"PRE", tfDoNotCompress}}},
        CompressCase{"DoNotCompressClosingTagGetsItsRule", "x <pre> a </pre>", "x<pre> a</pre>", 0,
                     {{"PRE", tfDoNotCompress | tfRemoveWhitespace}}},
        CompressCase{"RemoveContentKeepsTags", "<x>abc<b>d</b></x> e", "<x></x> e", 0, {{"X", tfRemoveContent}}},
        CompressCase{"RemoveContentAndTag", "a <x>abc</x> b", "a  b", 0, {{"X", tfRemoveContent | tfRemoveTag}}},
        CompressCase{"UnclosedTagRunsToEnd", "a <b c=\"d  e", "a <b c=\"d  e"},
        CompressCase{"EmptyTagDoesNothing", "a <> b > c", "a <> b > c"},
        CompressCase{"BytesAbove127AreOrdinary", "\xe9t\xe9   \xff", "\xe9t\xe9 \xff"}),
    CaseName);

// ------------------------------------------------------------ tag rewriting

INSTANTIATE_TEST_SUITE_P(
    TagRewriting, CompressTable,
    testing::Values(
        CompressCase{"Unquote", "<a href=\"x.htm\">", "<a href=x.htm>", Quotes},
        CompressCase{"UnquoteApostrophes", "<a href='x.htm'>", "<a href=x.htm>", Quotes},
        CompressCase{"SpaceKeepsQuotes", "<a title=\"a b\">", "<a title=\"a b\">", Quotes},
        CompressCase{"OtherQuoteKeepsQuotes", "<a title=\"it's\">", "<a title=\"it's\">", Quotes},
        CompressCase{"GreaterKeepsQuotes", "<a title=\"a>b\">", "<a title=\"a>b\">", Quotes},
        CompressCase{"EqualsNeedsNoQuotes", "<a title=\"a=b\">", "<a title=a=b>", Quotes},
        CompressCase{"TabKeepsQuotes", "<a title=\"a\tb\">", "<a title=\"a\tb\">", Quotes},
        CompressCase{"LineBreakKeepsQuotes", "<a title=\"a\r\nb\">", "<a title=\"a\r\nb\">", Quotes},
        CompressCase{"ValueEndingInEquals", "<a href=\"?x=\">", "<a href=?x=>", Quotes},
        CompressCase{"NoRemoveQuotesFlag", "<a href=\"x.htm\" alt=\"\">", "<a href=\"x.htm\" alt=\"\">"},
        CompressCase{"SeveralValues", "<a  href=\"x\"   class='y z'  id=\"q\">", "<a href=x class='y z' id=q>", Quotes},
        CompressCase{"RemovePrecedingSpace", "a <x> b", "a<x> b", 0, {{"X", tfRemoveWhitespace}}},
        CompressCase{"RemoveTagKeepsBothSpaces", "a <x> b", "a  b", 0, {{"X", tfRemoveTag}}},
        CompressCase{"RemoveTagAndSpace", "a <x> b", "a b", 0, {{"X", tfRemoveTag | tfRemoveWhitespace}}},
        CompressCase{"ReplaceTagName", "<em class=\"c\">t</em>", "<I class=c>t</I>", Quotes,
                     {{"EM", tfReplaceTag, "I"}}},
        CompressCase{"ReplaceWithLongerName", "<b>t</B>", "<STRONG>t</STRONG>", 0, {{"B", tfReplaceTag, "STRONG"}}},
        CompressCase{"ReplaceWithEmptyNameChangesNothing", "<em>t</em>", "<em>t</em>", 0, {{"EM", tfReplaceTag, ""}}},
        CompressCase{"RemoveSpaceAtVeryStart", "<x>", "<x>", 0, {{"X", tfRemoveWhitespace}}},
        CompressCase{"RemoveSpaceOnlyOneSpace", "a\n\n<x>", "a<x>", 0, {{"X", tfRemoveWhitespace}}},
        // The closing tag has no attribute text of its own: it keeps the tag's rule.
        CompressCase{"RuleOfSubTag", "<script language=\"vbscript\"> a </script>", "</script>", Quotes,
                     {{"SCRIPT", tfDoNotCompress, "", {{"*vb*", tfRemoveContent | tfRemoveTag}}}}}),
    CaseName);

// ------------------------------------------------------------ mended faults

INSTANTIATE_TEST_SUITE_P(
    MendedFaults, CompressTable,
    testing::Values(
        // A greater-than sign in text ends no tag.
        CompressCase{"GreaterInTextAfterReplacedTag", "<p><em>x</em> item > b</p>", "<p><I>x</I> item > b</p>", 0,
                     {}, 0, "x.htm", true},
        CompressCase{"GreaterInTextAfterRemovedTag", "<p>a</p><meta name=x>Home > Products",
                     "<p>a</p>Home > Products", 0, {}, 0, "x.htm", true},
        CompressCase{"ClosingScriptTagWithSpace", "<script language=\"javascript\">a</script >x > y",
                     "<script language=javascript>a</script >x > y", 0, {}, 0, "x.htm", true},
        CompressCase{"CommentLeavesNothingPending", "<b>x</b><!-- c -->y > z", "<B>x</B>y > z", 0,
                     {{"B", tfReplaceTag, "B"}}},
        // Only a final SPACE is dropped.
        CompressCase{"StyleBlockRunningToEnd", "<style>a{b;} ", "<style>a{b;}", 0, {}, 0, "x.htm", true},
        // Quotes go only when what follows cannot run into the value.
        CompressCase{"QuoteBeforeSlash", "<link rel=\"stylesheet\" href=\"a.css\"/>",
                     "<link rel=stylesheet href=\"a.css\"/>", Quotes},
        CompressCase{"QuoteAtEndOfInput", "<a b=\"c\"", "<a b=c", Quotes},
        CompressCase{"QuoteBeforeNextAttribute", "<a b=\"1\"c=\"2\">", "<a b=\"1\"c=2>", Quotes},
        // An empty value keeps its quotes and its attribute.
        CompressCase{"EmptyValueFirst", "<img alt=\"\" src=\"a.gif\">", "<img alt=\"\" src=a.gif>", Quotes},
        CompressCase{"EmptyValueLast", "<img src=\"a.gif\" alt=\"\">", "<img src=a.gif alt=\"\">", Quotes},
        CompressCase{"EmptyApostrophes", "<a b=''>", "<a b=''>", Quotes},
        CompressCase{"EmptyAfterJoinedValue", "<a b=\"1\"c=\"\">", "<a b=\"1\"c=\"\">", Quotes},
        CompressCase{"EmptyWithoutName", "<x=\"\">", "<x=\"\">", Quotes},
        // Declarations keep their quotes.
        CompressCase{"DoctypeKeepsQuotes",
                     "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
                     "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">",
                     "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
                     "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">",
                     Quotes},
        CompressCase{"KeptCommentKeepsQuotes", "<!-- a=\"b\" -->", "<!-- a=\"b\" -->", Quotes | tfKeepComments},
        // A dotted folder gives no extension.
        CompressCase{"DottedFolder", "a  b", "<no format>", 0, {}, 0, "/srv/site.htm/readme"}),
    CaseName);

// ------------------------------------------------------------ scripts

std::vector<CompressCase> ScriptCases() {
    struct Row {
        const char* Name;
        std::string Input, Expected;
    };
    const Row rows[] = {
        {"SpaceRuns", "a  =  b", "a = b"},
        {"SpaceBeforeSemicolon", "x = 1 ;", "x = 1;"},
        {"Indentation", "\n    x", "\nx"},
        {"CrLfKeepsOneBreak", "a\r\nb", "a\rb"},
        {"BlockComment", "a/* c */b", "ab"},
        {"DoubleString", "s = \"a  b\";", "s = \"a  b\";"},
        {"EscapedQuote", "s = 'it\\'s';", "s = 'it\\'s';"},
        {"LineCommentCrLf", "a // c\r\nb", "a \nb"},
        {"LineCommentAfterSemicolon", "a; // c\r\nb", "a; b"},
        {"LineCommentLf", "a // c\nb", "a \nb"},
        {"LineCommentLfAfterSemicolon", "a; // c\nb", "a; b"},
        {"LineCommentLoneCr", "a // c\rb", "a \rb"},
        {"LineCommentIndentedNextLine", "a // c\n    b", "a \nb"},
        {"HiddenEnd", "// hide -->", "//-->"},
        {"Division", "a / b", "a / b"},
        {"SlashStarSlash", "/*/ x */ y", " x */ y"},
        {"RegexWithSlashes", "x = /^\\/\\//.test(s); // c", "x = /^\\/\\//.test(s); "},
        {"RegexWithQuote", "a = b + /'/.source;  c  =  'd  e';", "a = b + /'/.source; c = 'd  e';"},
        {"RegexAfterKeyword", "return /[/]x/.test(a)  ", "return /[/]x/.test(a) "},
        {"RegexAtStart", "/\\/\\*  x/g", "/\\/\\*  x/g"},
        {"RegexEndsAtLineBreak", "x = /a\ny  =  1", "x = /a\ny = 1"},
        {"DivisionAfterName", "a = b / c / d", "a = b / c / d"},
        {"DivisionAfterParen", "f(a) / 2 // half", "f(a) / 2 "},
        {"NotAKeywordEnding", "areturn / x / y", "areturn / x / y"},
        {"BackslashEscapesNextByte", "a\\\"b  c", "a\\\"b c"},
        {"StringEndingInBackslash", "s = \"\\\\\"; t = \"a  b\"; // x", "s = \"\\\\\"; t = \"a  b\"; "},
        {"TemplateLiteral", "s = `a  // b ${ x  +  y } c'd`;  e  =  1", "s = `a  // b ${ x + y } c'd`; e = 1"},
        {"NestedTemplate", "`a ${ f(`b  ${c}  d`) } e`  ;", "`a ${ f(`b  ${c}  d`) } e`;"},
        {"EscapedTemplateDollar", "`\\${a  b}`", "`\\${a  b}`"},
        {"LessBangDashDash", "a <!-- b", "a <!-- b"},
        {"UnterminatedString", "s = 'abc  ", "s = 'abc  "},
    };
    std::vector<CompressCase> cases;
    for (const Row& row : rows) cases.push_back({row.Name, row.Input, row.Expected, 0, {}, 0, "x.js"});
    cases.push_back({"SlashAtEndOfInput", "a/", "a", 0, {}, 0, "x.js"});
    cases.push_back({"ScriptFileStopsAtEmptyClosingTag", "a  =  1 </ >  b  c", "a = 1 </ > b c", 0, {}, 0, "x.js"});
    // The same rows inside a page: the block ends at its closing tag.
    for (const Row& row : rows) {
        if (std::string(row.Name) == "HiddenEnd") continue;
        cases.push_back({std::string("InPage") + row.Name,
                         "<script language=\"javascript\">" + row.Input + "</script>",
                         "<script language=javascript>" + row.Expected + "</script>", 0, {}, 0, "x.htm", true});
    }
    cases.push_back({"WholeBlockExample",
                     "<script language=\"javascript\">\r\n<!--\r\n  var a = 1;  // one\r\n"
                     "  /* two */ b = \"x  y\";\r\n//-->\r\n</script>\r\n",
                     "<script language=javascript>\r<!--\rvar a = 1;  b = \"x  y\";\r//-->\r</script>", 0, {}, 0,
                     "x.htm", true});
    cases.push_back({"ClosingTagInStringDoesNotEndBlock",
                     "<script language=\"javascript\">s = \"</script>\";  x</script>  y",
                     "<script language=javascript>s = \"</script>\"; x</script> y", 0, {}, 0, "x.htm", true});
    // A browser ends the block at its closing tag even inside a comment.
    cases.push_back({"ClosingTagInLineComment", "<script type=\"text/javascript\">a(); // c</script><p>b  c</p>",
                     "<script type=text/javascript>a(); </script><p>b c</p>", 0, {}, 0, "x.htm", true});
    cases.push_back({"ClosingTagInBlockComment", "<script language=javascript>a(); /* c </SCRIPT > d */ e",
                     "<script language=javascript>a(); </SCRIPT > d */ e", 0, {}, 0, "x.htm", true});
    cases.push_back({"OtherClosingTagInComment", "<script language=javascript>a(); // </scripts>\nb</script>",
                     "<script language=javascript>a(); b</script>", 0, {}, 0, "x.htm", true});
    cases.push_back({"ScriptWithoutSubTagIsCopied", "<script src=\"a.js\">  a  </script>",
                     "<script src=a.js>  a  </script>", 0, {}, 0, "x.htm", true});
    // "/*!" comments: kept as written where the rule says so.
    CompressCase licence{"LicenceKept", "/*! v1  (c) x */\n  var  a;", "/*! v1  (c) x */\nvar a;", 0, {}, 0, "x.js"};
    licence.WholeFileFlags = tfKeepLicense;
    cases.push_back(licence);
    cases.push_back({"LicenceRemovedWithoutTheFlag", "/*! v1 */a", "a", 0, {}, 0, "x.js"});
    licence = {"LicenceAfterCode", "a = 1;  /*!b*/  c", "a = 1; /*!b*/ c", 0, {}, 0, "x.js"};
    licence.WholeFileFlags = tfKeepLicense;
    cases.push_back(licence);
    licence = {"OtherCommentsStillGo", "a/* x */b/*! y */", "ab/*! y */", 0, {}, 0, "x.js"};
    licence.WholeFileFlags = tfKeepLicense;
    cases.push_back(licence);
    cases.push_back({"LicenceInScriptBlock", "<script>/*! keep  me */ a  =  1</script>",
                     "<script>/*! keep  me */ a = 1</script>", 0, {{"SCRIPT", tfJavaScript | tfKeepLicense}}});
    cases.push_back({"LicenceEndsAtTheClosingTag", "<script>/*! a </script>  b",
                     "<script>/*! a </script> b", 0, {{"SCRIPT", tfJavaScript | tfKeepLicense}}});
    cases.push_back({"VbTabs", "a\t\tb", "a b", 0, {}, 0, "x.vbs"});
    // Strings are data: copied byte for byte.
    cases.push_back({"VbStringKeepsItsSpaces", "MsgBox \"a   b\"", "MsgBox \"a   b\"", 0, {}, 0, "x.vbs"});
    cases.push_back({"VbDoubledQuoteInString", "s  =  \"a \"\"  \"\" b\"  &  x", "s = \"a \"\"  \"\" b\" & x", 0, {}, 0,
                     "x.vbs"});
    cases.push_back({"VbTabInString", "a\t\"x\t\ty\"\t\tb", "a \"x\t\ty\" b", 0, {}, 0, "x.vbs"});
    cases.push_back({"VbStringEndsAtLineEnd", "s = \"a  \n  b  c", "s = \"a  \n b c", 0, {}, 0, "x.vbs"});
    cases.push_back({"VbStringInPage", "<script language=\"vbscript\">MsgBox  \"a  b\"</script>",
                     "<script language=vbscript>MsgBox \"a  b\"</script>", 0, {}, 0, "x.htm", true});
    cases.push_back({"VbLineBreaksStay", "a\r\n\r\nb", "a\r\n\r\nb", 0, {}, 0, "x.vbs"});
    cases.push_back({"VbInPage", "<script language=\"vbscript\">  a \t b  </script>  c",
                     "<script language=vbscript> a b </script> c", 0, {}, 0, "x.htm", true});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Scripts, CompressTable, testing::ValuesIn(ScriptCases()), CaseName);

// The modern rules settle a script in one run: a second run changes nothing.
TEST(Compress, ModernRulesSettleEveryScriptRowInOneRun) {
    TTrimora engine(BuiltInRules(BuiltInSet::Modern));
    for (const CompressCase& c : ScriptCases()) {
        const std::string once = test::CompressText(engine, c.FileName == "x.htm" ? "x.html" : c.FileName, c.Input);
        EXPECT_EQ(test::Visible(test::CompressText(engine, c.FileName == "x.htm" ? "x.html" : c.FileName, once)),
                  test::Visible(once))
            << c.Name;
    }
}

// ------------------------------------------------------------ style sheets

std::vector<CompressCase> StyleCases() {
    std::vector<CompressCase> cases = {
        {"Separators", "a { color : red ; }", "a{color:red;}"},
        {"AfterComma", "a,  b", "a,b"},
        {"LineBreaks", "h1\r\n{\r\n\tmargin: 0;\r\n}", "h1{margin:0;}"},
        {"ChildCombinatorStays", "a > b", "a > b"},
        {"CommentsAreText", "a { /* note */ }", "a{/* note */}"},
        // Strings are data: copied byte for byte.
        {"StringKeepsItsSpaces", "p:after { content: \"x  y\" }", "p:after{content:\"x  y\"}"},
        {"UrlString", "a { background : url(\"my  file.png\") }", "a{background:url(\"my  file.png\")}"},
        {"AttributeSelectorString", "a[title=\"x  y\"] { b : c }", "a[title=\"x  y\"]{b:c}"},
        {"SeparatorsInString", "p { content : \"a, b\" ; }", "p{content:\"a, b\";}"},
        {"ApostropheString", "p { content : 'a : b' }", "p{content:'a : b'}"},
        {"EscapedQuoteInString", "p{content:\"a\\\"  b\"  }", "p{content:\"a\\\"  b\"}"},
        {"EscapedLineBreakInString", "p{content:\"a\\\n  b\"}", "p{content:\"a\\\n  b\"}"},
        // An unescaped line break ends a string; the next line stays out of it.
        {"LineBreakEndsAString", "p{content:\"a\n}\nq{color : red}", "p{content:\"a\n}q{color:red}"},
        {"QuoteInCommentOpensNoString", "/* don't */ a { b : c }", "/* don't */ a{b:c}"},
        {"FinalSpaceStaysInAFile", "a b ", "a b "},
        {"PseudoElementAfterSpace", "div ::selection { x : y }", "div ::selection{x:y}"},
        {"PseudoClassAfterSpace", ".x :not(.y) { }", ".x :not(.y){}"},
        {"ValidAfterSpace", ".was-validated :valid{a:b}", ".was-validated :valid{a:b}"},
        {"PropertyColon", "color : red", "color:red"},
        {"ColonBeforeClosingBrace", "a { b : c }", "a{b:c}"},
        {"SeveralSelectorColons", "a :hover , b :focus { c : d ; e : f }", "a :hover,b :focus{c:d;e:f}"},
    };
    for (CompressCase& c : cases) c.FileName = "x.css";
    // Comments removed (tfStyleComments), "/*!" comments kept (tfKeepLicense).
    const std::uint32_t removed = tfStyleComments, licence = tfStyleComments | tfKeepLicense;
    const std::pair<CompressCase, std::uint32_t> commentRows[] = {
        {{"CommentsRemoved", "a { /* note */ color : red } /* end */", "a{color:red}"}, removed},
        {{"CommentBetweenSpaces", "a /* x */ b", "a b"}, removed},
        {{"CommentBeforeColon", "a/* x */:hover{}", "a:hover{}"}, removed},
        {{"CommentBetweenWordsLeavesEmptyComment", "a{margin:1px/* x */2px}", "a{margin:1px/**/2px}"}, removed},
        {{"CommentInStringStays", "a{content:\"/* x */\"}", "a{content:\"/* x */\"}"}, removed},
        {{"SlashStarSlashIsNoComment", "/*/ a */b", "b"}, removed},
        {{"UnclosedCommentRunsToTheEnd", "a{}/* x", "a{}"}, removed},
        {{"LicenceRemovedWithoutKeep", "/*! v1 */a{}", "a{}"}, removed},
        {{"LicenceKept", "/*! v1  (c) */\na { }", "/*! v1  (c) */ a{}"}, licence},
        {{"LicenceKeptWithoutRemoval", "/*!  x  */ a { }", "/*!  x  */ a{}"}, tfKeepLicense},
    };
    for (auto [c, flags] : commentRows) {
        c.FileName = "x.css";
        c.WholeFileFlags = flags;
        cases.push_back(c);
    }
    const std::uint32_t styleBlock = tfStyleSheet | tfStyleComments | tfKeepLicense;
    cases.push_back({"CommentRemovedInBlock", "<style> a{} /* x */ </style>", "<style> a{}</style>", 0,
                     {{"STYLE", styleBlock}}});
    cases.push_back({"CommentRunsToTheClosingTag", "<style>a{}/* x </style><p>y", "<style>a{}</style><p>y", 0,
                     {{"STYLE", styleBlock}}});
    cases.push_back({"ClosingTagInStringEndsTheBlock", "<style>p{content:\"</style>  <p>x\"}",
                     "<style>p{content:\"</style> <p>x\"}", 0, {{"STYLE", styleBlock}}});
    cases.push_back({"StyleBlockInPage", "<style> a { b : c } </style>", "<style> a{b:c}</style>", 0, {}, 0, "x.htm",
                     true});
    cases.push_back({"StyleBlockClosingTagGetsRule", "<style>a{}</style>  <p>x", "<style>a{}</style><p>x", 0, {}, 0,
                     "x.htm", true});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Styles, CompressTable, testing::ValuesIn(StyleCases()), CaseName);

// ------------------------------------------------------------ a whole page

TEST(Compress, BuiltInRulesOnAPage) {
    const std::string page =
        "<!DOCTYPE html>\r\n<html>\r\n  <head>\r\n    <meta name=\"generator\" content=\"x\">\r\n"
        "    <title>Site</title>\r\n  </head>\r\n  <body>\r\n    <!-- nav -->\r\n"
        "    <p class=\"intro\">Hello   <strong>world</strong>, <em>again</em>.</p>\r\n"
        "    <pre>  keep   this  </pre>\r\n  </body>\r\n</html>\r\n";
    TTrimora engine("");
    test::LoadBuiltInRules(engine);
    EXPECT_EQ(test::CompressText(engine, "index.htm", page),
              "<html><head><title>Site</title></head><body><p class=intro>Hello <B>world</B>, <I>again</I>.</p>"
              "<pre>  keep   this </pre></body></html>");
}


// Tags are looked up through a cache of short names: a page with more names
// than it holds, names of every length up to a tag name's ten bytes, closing
// tags, mixed case and names that are not tags must each get their own rule.
TEST(Compress, EveryTagNameGetsItsOwnRuleWhateverWasLookedUpBefore) {
    std::vector<TestTag> tags;
    std::vector<std::string> names;
    for (int n = 0; n < 300; ++n) {
        // "T0".."T299" and, for every tenth, longer names of 7 to 10 bytes.
        std::string name = "T" + std::to_string(n);
        if (n % 10 == 3) name += std::string(static_cast<std::size_t>(4 + n % 4), 'X').substr(0, 9 - name.size());
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (std::size_t n = 0; n < names.size(); ++n)
        tags.push_back({names[n], tfReplaceTag, "R" + std::to_string(n)});
    TTrimora engine("");
    test::BuildTree(engine, 0, 0, tags);

    std::mt19937 random(11);
    std::string page, expected;
    for (int round = 0; round < 5000; ++round) {
        const std::size_t n = random() % (names.size() + 20);
        std::string name = n < names.size() ? names[n] : "Q" + std::to_string(n) + "X";  // no such tag
        for (char& c : name)
            if (random() % 2 != 0 && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        const std::string written = n < names.size() ? "R" + std::to_string(n) : name;
        page += "<" + name + " a=1>x</" + name + ">";
        expected += "<" + written + " a=1>x</" + written + ">";
    }
    for (bool fastPaths : {true, false}) {
        engine.SetFastPathsForTesting(fastPaths);
        ASSERT_EQ(test::CompressText(engine, "x.htm", page), expected) << (fastPaths ? "" : "byte at a time");
    }
}


// Sub tags' patterns are kept ready per pass in a small cache: with more sub
// tags than it holds, nested ones, patterns of every shape and attributes in
// any case, each tag must still get the rule the plain lookup gives.
TEST(Compress, EverySubTagRuleIsTheOneTheLookupGives) {
    const char* const shapes[] = {"*k%d*", "*K%d?*", "*k%d", "k%d*", "*=?k%d?*", "*k%d**", "?*k%d*"};
    std::vector<TestTag> tags;
    int replacement = 0;
    for (const char* name : {"DIV", "SPAN", "A"}) {
        TestTag tag{name, 0};
        for (int n = 0; n < 14; ++n) {
            char pattern[32];
            std::snprintf(pattern, sizeof pattern, shapes[(n + tag.Name.size()) % std::size(shapes)], n);
            TestTag sub{pattern, tfReplaceTag, "S" + std::to_string(replacement++)};
            if (n % 5 == 0) sub.SubTags.push_back({"*deep*", tfReplaceTag, "S" + std::to_string(replacement++)});
            tag.SubTags.push_back(sub);
        }
        tags.push_back(tag);
    }
    TTrimora engine("");
    test::BuildTree(engine, 0, 0, tags);
    const TRuleTree rules = test::MakeTree(0, 0, tags);
    TRuleTree sorted = rules.Copy();
    sorted.SortAllTags();

    std::mt19937 random(21);
    std::string page, expected;
    for (int round = 0; round < 4000; ++round) {
        const std::string name = round % 3 == 0 ? "div" : round % 3 == 1 ? "Span" : "a";
        std::string attributes;
        for (int words = static_cast<int>(random() % 4); words > 0; --words) {
            attributes += random() % 2 ? " =k" : " K";
            attributes += std::to_string(random() % 16);
            if (random() % 6 == 0) attributes += " DEEP";
        }
        // The pass reads the attributes from after the space that ends the name.
        const std::string attrText = attributes.empty() ? "" : attributes.substr(1);
        const TagProp* rule = FindTag(sorted.Formats[0].Children, NormalizeTagName(name), attrText);
        const std::string written = rule != nullptr && !rule->ReplaceWith.View().empty() ? rule->ReplaceWith.Str() : name;
        page += "<" + name + attributes + ">x";
        expected += "<" + written + attributes + ">x";
    }
    for (bool fastPaths : {true, false}) {
        engine.SetFastPathsForTesting(fastPaths);
        ASSERT_EQ(test::CompressText(engine, "x.htm", page), expected) << (fastPaths ? "" : "byte at a time");
    }
}

}  // namespace
}  // namespace trimora

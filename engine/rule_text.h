#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "rule_tree.h"

namespace trimora {

// The rule tree as text, one node a line, in the order of the tag-settings
// file, so that rules can be kept in version control and reviewed in a diff.
// Reading the text back gives exactly the tree it was made from.
//
//   # comment                  (and blank lines: ignored)
//   format "*.html;*.htm" max 0 flags tfRemoveQuotes
//     tag "META" flags tfRemoveTag tfRemoveWhitespace
//       sub "*author*" flags tfRemoveTag tfRemoveWhitespace
//         sub "*x*" flags none
//
// - A line is a keyword, a quoted text and then fields. "format" (level 0)
//   is followed by its patterns, "tag" (level 1) by its name, "sub" by its
//   pattern. A sub tag's level is its indentation, two spaces a level;
//   deeper than level 8 it is written "sub:N" (N its level) instead.
// - Fields, each at most once: "max N" (a format's maximum line length) or
//   "name TEXT" (a format's name that is not a plain number, or a sub tag's
//   name when it is not the first 10 characters of its pattern made
//   upper-case); "pattern TEXT" (a tag's pattern, rarely set);
//   "replace TEXT"; and last "flags" with the flag names, "none", or bits
//   without a name in hexadecimal (0x2000).
// - Texts are in double quotes. A byte outside the printable ASCII range,
//   the double quote and the backslash are written \xHH, \" and \\.
// - Names and replacements hold at most 10 bytes, patterns at most 255.
std::string RuleTreeText(const TTagInfo& formats);

// Where reading a text failed: the 1-based line and what is wrong.
struct RuleTextResult {
    bool Ok = true;
    std::size_t Line = 0;
    std::string Error;
};

// Reads a tree written as RuleTreeText writes it.
RuleTextResult ReadRuleTreeText(std::string_view text, TRuleTree& rules);

}  // namespace trimora

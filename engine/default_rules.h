#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "rule_tree.h"

namespace trimora {

// The two rule sets built into the program. Classic is the default: the
// tree of resources/default.nti, made for the web of its time. Modern keeps
// HTML5 pages as a browser reads them: the doctype, every meta tag, names
// and inline spacing stay, verbatim elements are copied, scripts without a
// type or of type module are compressed and other declared types copied,
// licence comments kept and style-sheet comments removed.
enum class BuiltInSet { Classic, Modern };

// "classic" or "modern"; nothing for any other name.
std::optional<BuiltInSet> BuiltInSetNamed(std::string_view name) noexcept;
std::string_view BuiltInSetName(BuiltInSet set) noexcept;

// The classic set: five file formats, the tags of the HTML format and their
// sub tags, as tables. resources/default.nti is made from them.
void BuildDefaultRuleTree(TTagInfo& formats);
// The modern set, from its tables.
void BuildModernRuleTree(TTagInfo& formats);

// The bytes of resources/default.nti as compiled into the program.
std::span<const std::uint8_t> DefaultRuleBytes() noexcept;

// A built-in set as a tag-settings file in the newest layout.
std::span<const std::uint8_t> BuiltInRuleBytes(BuiltInSet set);
// A built-in set read as from its file, shared.
TSharedRules BuiltInRules(BuiltInSet set);

}  // namespace trimora

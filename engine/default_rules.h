#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tag_tree.h"

namespace trimora {

// The built-in rule set: five file formats, the tags of the HTML format and
// their sub tags, as tables. resources/default.nti is made from them.
void BuildDefaultRuleTree(TTagInfo& formats);

// The bytes of resources/default.nti as compiled into the program.
std::span<const std::uint8_t> DefaultRuleBytes() noexcept;

}  // namespace trimora

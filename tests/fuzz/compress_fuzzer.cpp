// libFuzzer target for the in-memory compressor. The first bytes choose the
// file format, its flags and line length, and the rules of a few tags; the
// rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "trimora.h"

namespace {

const char* const TagNames[] = {"P", "SCRIPT", "STYLE", "PRE", "EM", "!DOCTYPE", "X", "/"};
const char* const FileNames[] = {"a.htm", "a.js", "a.css", "a.vbs"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 12) return 0;
    using namespace trimora;
    TRuleTree rules;
    TagRule html;
    html.Name = std::to_string(data[0] % 4 == 0 ? data[1] % 40 : 0);
    html.Flags = (data[2] & 1 ? tfRemoveQuotes : 0) | (data[2] & 2 ? tfKeepComments : 0);
    html.Pattern = "*.htm";
    TagProp& format = rules.Formats.Add(html);
    for (int i = 0; i < 8; ++i) {
        TagRule tag;
        tag.Name = TagNames[i];
        tag.Flags = static_cast<std::uint32_t>(data[3 + i]) & 0x17F;
        tag.ReplaceWith = std::string(data[3 + i] >> 5, 'R');
        TagProp& node = format.Children.Add(tag);
        if (data[3 + i] & 0x80) {
            TagRule sub;
            sub.Pattern = "*a*";
            sub.Flags = data[2] & 0x70;
            node.Children.Add(sub);
        }
    }
    for (auto [pattern, flags] : {std::pair{"*.js", tfJavaScript}, {"*.css", tfStyleSheet}, {"*.vbs", tfVBScript}}) {
        TagRule whole;
        whole.Pattern = pattern;
        whole.Flags = flags;
        rules.Formats.Add(whole);
    }
    TTrimora engine(ShareRules(std::move(rules)));
    std::vector<std::uint8_t> fast, slow;
    const std::span<const std::uint8_t> input(data + 11, size - 11);
    engine.CompressBytes(FileNames[data[2] >> 6], input, fast);
    engine.SetFastPathsForTesting(false);
    engine.CompressBytes(FileNames[data[2] >> 6], input, slow);
    if (fast != slow) std::abort();  // the shortcuts must give the same bytes
    return 0;
}

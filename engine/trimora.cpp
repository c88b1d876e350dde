#include "trimora.h"

#include <utility>

namespace trimora {

namespace {
const TSharedRules& EmptyRules() {
    static const TSharedRules empty = std::make_shared<const TRuleTree>();
    return empty;
}
}  // namespace

TTrimora::TTrimora(std::string fileName, SettingsPrompts* prompts, FallbackPatterns fallback)
    : FileName(std::move(fileName)),
      rules_(EmptyRules()),
      compressor_(rules_),
      prompts_(prompts),
      fallback_(std::move(fallback)) {
    loadReport_ = LoadSettings(FileName);
}

TTrimora::TTrimora(TSharedRules rules)
    : rules_(rules != nullptr ? std::move(rules) : EmptyRules()), compressor_(rules_) {
    loadReport_.Result = SettingsLoadReport::Outcome::Loaded;
}

void TTrimora::SetRules(TSharedRules rules) {
    rules_ = rules != nullptr ? std::move(rules) : EmptyRules();
    compressor_.SetRules(rules_);
}

SettingsLoadReport TTrimora::LoadSettings(const std::string& path) {
    FileName = path;
    TRuleTree tree;
    loadReport_ = ReadRuleTreeFile(path, tree, prompts_, fallback_);
    if (loadReport_.Result != SettingsLoadReport::Outcome::Missing) SetRules(std::move(tree));
    return loadReport_;
}

SettingsLoadReport TTrimora::LoadSettingsFromBytes(const std::uint8_t* data, std::size_t size) {
    TRuleTree tree;
    loadReport_ = ReadRuleTree(data, size, tree, prompts_, fallback_);
    SetRules(std::move(tree));
    return loadReport_;
}

SettingsSaveReport TTrimora::SaveSettings(const std::string& path) const {
    return WriteRuleTreeFile(*rules_, path.empty() ? FileName : path);
}

std::vector<std::uint8_t> TTrimora::SettingsBytes() const { return EncodeRuleTree(rules_->Formats); }

}  // namespace trimora

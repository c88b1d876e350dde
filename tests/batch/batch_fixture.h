#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "batch_callbacks.h"
#include "default_rules.h"
#include "file_list.h"
#include "test_support.h"
#include "trimora.h"

namespace trimora::test {

// An engine with the built-in rules, read from memory.
inline std::unique_ptr<TTrimora> BuiltInEngine() {
    auto engine = std::make_unique<TTrimora>("");
    const auto bytes = DefaultRuleBytes();
    engine->LoadSettingsFromBytes(bytes.data(), bytes.size());
    return engine;
}

// Records what the batch layer tells the window.
class RecordingCallbacks : public TBatchCallbacks {
public:
    std::vector<std::string> Questions;
    bool Answer = false;
    std::vector<std::string> Status[2];
    std::vector<std::string> Captions;
    int Paused = 0, Resumed = 0, EventPasses = 0;
    std::function<void()> OnEvents;

    void ProcessEvents() override {
        ++EventPasses;
        if (OnEvents) OnEvents();
    }
    void StatusText(int panel, std::string_view text) override { Status[panel & 1].emplace_back(text); }
    void CaptionChanged(std::string_view caption) override { Captions.emplace_back(caption); }
    void PauseIconLoader() override { ++Paused; }
    void ResumeIconLoader() override { ++Resumed; }
    bool AskAddUnsupported(std::string_view message, TDropTarget) override {
        Questions.emplace_back(message);
        return Answer;
    }
    // The detail of each entry finished, in the order they finished.
    std::vector<std::string> Details;
    void EntryFinished(std::size_t, const TFileEntry&, std::string_view detail) override {
        Details.emplace_back(detail);
    }
};

// A temporary folder with a file list on the built-in rules. HOME and the
// XDG folders point into it, so the trash and the data folder are its own.
class BatchTest : public ::testing::Test {
protected:
    BatchTest() : Engine(BuiltInEngine()), List(*Engine, Options, &Callbacks) {
        for (const char* name : {"HOME", "XDG_DATA_HOME", "TRIMORA_HOME"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", (Dir / "home").c_str(), 1);
        setenv("XDG_DATA_HOME", (Dir / "home/.local/share").c_str(), 1);
        setenv("TRIMORA_HOME", (Dir / "data").c_str(), 1);
    }
    ~BatchTest() override {
        for (const auto& [name, value] : saved_) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
    }

    // Writes a file below the temporary folder, making its folders.
    std::string Write(const std::string& relative, const std::string& text) {
        const std::string path = Dir / relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteText(path, text);
        return path;
    }
    std::string Folder(const std::string& relative) const { return (Dir / relative) + "/"; }
    std::string TrashFolder() const { return Dir / "home/.local/share/Trash/"; }
    bool Exists(const std::string& relative) const { return std::filesystem::exists(Dir / relative); }
    std::string Read(const std::string& relative) const { return ReadText(Dir / relative); }

    // The entries' paths relative to the temporary folder, in list order.
    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        const std::string root = Dir.Path().string() + "/";
        for (const TFileEntry& entry : List.EntryList) paths.push_back(entry.Path().substr(root.size()));
        return paths;
    }
    // Every file below a folder of the temporary folder, with its bytes.
    std::map<std::string, std::string> Tree(const std::string& relative = "") const {
        std::map<std::string, std::string> tree;
        const std::filesystem::path root = Dir.Path() / relative;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            if (it->is_regular_file() && !it->is_symlink())
                tree[std::filesystem::relative(it->path(), root).string()] = ReadText(it->path().string());
        return tree;
    }
    std::vector<std::string> Statuses() const {
        std::vector<std::string> statuses;
        for (const TFileEntry& entry : List.EntryList) statuses.emplace_back(StatusText(entry.Status));
        return statuses;
    }

    TempDir Dir;
    TBatchOptions Options;
    RecordingCallbacks Callbacks;
    std::unique_ptr<TTrimora> Engine;
    TFileList List;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Names parameterised cases by their Name field.
struct CaseName {
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& testInfo) const {
        return testInfo.param.Name;
    }
};

// What the engine makes of a text, for expectations that must not depend
// on how the compressor works.
inline std::string CompressedText(TTrimora& engine, const std::string& name, const std::string& text) {
    std::vector<std::uint8_t> output;
    engine.CompressBytes(name, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), output);
    return std::string(output.begin(), output.end());
}

}  // namespace trimora::test

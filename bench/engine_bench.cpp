// Throughput of the in-memory compressor: the bundled sample site and large
// generated pages, scripts and style sheets, with the built-in rules.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "default_rules.h"
#include "file_io.h"
#include "trimora.h"

namespace {

using trimora::TTrimora;

struct Input {
    std::string Name;
    std::vector<std::uint8_t> Bytes;
};

void LoadBuiltIn(TTrimora& engine) {
    const auto bytes = trimora::DefaultRuleBytes();
    engine.LoadSettingsFromBytes(bytes.data(), bytes.size());
}

std::vector<Input> SampleSite() {
    std::vector<Input> inputs;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TRIMORA_SAMPLE_SITE)) {
        if (!entry.is_regular_file()) continue;
        Input input{entry.path().string(), {}};
        trimora::ReadWholeFile(input.Name, input.Bytes);
        inputs.push_back(std::move(input));
    }
    return inputs;
}

const char* const Words[] = {"bread", "flour", "the", "oven", "morning", "crust", "and", "a", "water", "salt",
                             "rye", "of", "dough", "shop", "sourdough", "baker", "in", "warm", "fresh", "loaf"};

std::string Sentence(std::mt19937& random, int words) {
    std::string text;
    for (int i = 0; i < words; ++i) {
        if (i) text += random() % 9 == 0 ? "\r\n        " : " ";
        text += Words[random() % 20];
    }
    return text;
}

// A page of realistic markup: indentation, quoted attributes, comments,
// inline emphasis, tables, an occasional script and style block.
std::string GeneratedPage(std::size_t size) {
    std::mt19937 random(42);
    std::string page =
        "<!DOCTYPE html>\r\n<html>\r\n  <head>\r\n    <meta name=\"generator\" content=\"bench\">\r\n"
        "    <title>Generated</title>\r\n  </head>\r\n  <body>\r\n";
    while (page.size() < size) {
        switch (random() % 8) {
            case 0:
                page += "    <!-- section " + std::to_string(random() % 1000) + " -->\r\n";
                break;
            case 1:
                page += "    <table class=\"grid\" cellpadding=\"2\">\r\n      <tr>\r\n        <td>" +
                        Sentence(random, 3) + "</td>\r\n        <td align='right'>" + std::to_string(random() % 999) +
                        "</td>\r\n      </tr>\r\n    </table>\r\n";
                break;
            case 2:
                page += "    <ul>\r\n      <li><a href=\"page" + std::to_string(random() % 100) + ".html\" title=\"" +
                        Sentence(random, 2) + "\">" + Sentence(random, 3) + "</a></li>\r\n    </ul>\r\n";
                break;
            case 3:
                if (random() % 4 == 0)
                    page += "    <script type=\"text/javascript\">\r\n      // counter\r\n      var n = " +
                            std::to_string(random() % 99) + ";   /* start */\r\n      if ( n > 3 ) { n = n / 2; }\r\n"
                            "    </script>\r\n";
                else
                    page += "    <h2 id=\"h" + std::to_string(random() % 500) + "\">" + Sentence(random, 4) + "</h2>\r\n";
                break;
            default:
                page += "    <p class=\"text\">\r\n        " + Sentence(random, 40) + " <strong>" + Sentence(random, 2) +
                        "</strong> " + Sentence(random, 30) + " <em>" + Sentence(random, 2) + "</em>.\r\n    </p>\r\n";
                break;
        }
    }
    page += "  </body>\r\n</html>\r\n";
    return page;
}

std::string GeneratedScript(std::size_t size) {
    std::mt19937 random(7);
    std::string script = "/*\r\n * Generated script\r\n */\r\n";
    while (script.size() < size) {
        const std::string n = std::to_string(random() % 1000);
        switch (random() % 5) {
            case 0:
                script += "// helper " + n + "\r\nfunction f" + n + "( a, b ) {\r\n    return a * b + " + n + ";\r\n}\r\n";
                break;
            case 1:
                script += "var s" + n + " = \"" + Sentence(random, 5) + "\";   /* label */\r\n";
                break;
            case 2:
                script += "if ( /^[a-z]+\\/\\d+$/.test( s ) ) {\r\n        count = count / 2;\r\n}\r\n";
                break;
            case 3:
                script += "for ( var i = 0; i < list.length; i++ ) {\r\n        total += list[ i ] ;\r\n}\r\n";
                break;
            default:
                script += "\tel.innerHTML = '<b>' + name + '</b>';\t// show it\r\n";
                break;
        }
    }
    return script;
}

std::string GeneratedStyle(std::size_t size) {
    std::mt19937 random(3);
    std::string style = "/* Generated style sheet */\r\n";
    while (style.size() < size) {
        const std::string n = std::to_string(random() % 1000);
        style += ".block-" + n + " a:hover ,\r\n.block-" + n + " > li {\r\n    color : #3b2f" + n.substr(0, 2) +
                 " ;\r\n    margin : 0 auto ;\r\n    font-family : Georgia, \"Times New Roman\", serif ;\r\n}\r\n\r\n";
    }
    return style;
}

// The built-in rules, read once and shared by every compressor.
const trimora::TSharedRules& BuiltInRules() {
    static const trimora::TSharedRules rules = [] {
        TTrimora engine("");
        LoadBuiltIn(engine);
        return engine.Rules();
    }();
    return rules;
}

void RunCompress(benchmark::State& state, const std::vector<Input>& inputs) {
    trimora::TCompressor compressor(BuiltInRules());
    std::vector<std::uint8_t> output;
    std::int64_t bytes = 0, written = 0;
    for (auto _ : state) {
        for (const Input& input : inputs) {
            compressor.CompressBytes(input.Name, input.Bytes, output);
            bytes += static_cast<std::int64_t>(input.Bytes.size());
            written += static_cast<std::int64_t>(output.size());
            benchmark::DoNotOptimize(output.data());
        }
    }
    state.SetBytesProcessed(bytes);
    state.counters["saved%"] = benchmark::Counter(
        bytes == 0 ? 0.0 : 100.0 * static_cast<double>(bytes - written) / static_cast<double>(bytes),
        benchmark::Counter::kAvgThreads);
}

std::vector<Input> Generated(const char* name, const std::string& text) {
    return {{name, std::vector<std::uint8_t>(text.begin(), text.end())}};
}

void BM_SampleSite(benchmark::State& state) {
    static const std::vector<Input> inputs = SampleSite();
    RunCompress(state, inputs);
}
void BM_LargePage(benchmark::State& state) {
    static const std::vector<Input> inputs = Generated("large.html", GeneratedPage(8 << 20));
    RunCompress(state, inputs);
}
void BM_LargeScript(benchmark::State& state) {
    static const std::vector<Input> inputs = Generated("large.js", GeneratedScript(8 << 20));
    RunCompress(state, inputs);
}
void BM_LargeStyleSheet(benchmark::State& state) {
    static const std::vector<Input> inputs = Generated("large.css", GeneratedStyle(8 << 20));
    RunCompress(state, inputs);
}

BENCHMARK(BM_SampleSite);
// One tree, a compressor on each thread.
BENCHMARK(BM_SampleSite)->Name("BM_SampleSiteSharedRules")->Threads(2)->UseRealTime();
BENCHMARK(BM_LargePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeScript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeStyleSheet)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Writes the built-in rule set, from the tables of the engine, as a
// tag-settings file: make_default_nti resources/default.nti
#include <cstdio>

#include "default_rules.h"
#include "file_io.h"
#include "trimora.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_default_nti OUT\n");
        return 2;
    }
    trimora::TTagInfo formats;
    trimora::BuildDefaultRuleTree(formats);
    const auto bytes = trimora::EncodeRuleTree(formats);
    std::string error;
    if (!trimora::WriteFileReplacing(argv[1], bytes.data(), bytes.size(), &error)) {
        std::fprintf(stderr, "make_default_nti: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::printf("%s: %zu bytes\n", argv[1], bytes.size());
    return 0;
}

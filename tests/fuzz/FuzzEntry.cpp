// libFuzzer's entry for one target, named at compile time by
// VARNISK_FUZZ_TARGET (tests/fuzz/CMakeLists.txt builds one fuzz_<name> per
// target).

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "FuzzTargets.h"

#ifndef VARNISK_FUZZ_TARGET
#error "VARNISK_FUZZ_TARGET names the target"
#endif

namespace varnisk::fuzz {

void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz target %s: %s\n", VARNISK_FUZZ_TARGET, what.c_str());
    std::abort();
}

namespace {

const Target& target() {
    static const Target* found = [] {
        for (const Target& t : kTargets) {
            if (t.name == std::string_view(VARNISK_FUZZ_TARGET)) return &t;
        }
        std::fprintf(stderr, "no fuzz target named %s\n", VARNISK_FUZZ_TARGET);
        std::abort();
    }();
    return *found;
}

}  // namespace

}  // namespace varnisk::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return varnisk::fuzz::target().run(data, size);
}

// Replays every kept input of the fuzz targets through the same functions
// the fuzzers run: the crashes found so far (tests/fuzz/regressions/<name>/,
// which tools/fuzz.sh fills) and the small seed files
// (tests/fuzz/seeds/<name>/).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "FuzzTargets.h"

namespace varnisk::fuzz {

// The target by its name in test listings, not as raw bytes.
inline void PrintTo(const Target& target, std::ostream* out) { *out << target.name; }

namespace {

namespace fs = std::filesystem;

struct BrokenPromise : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::vector<fs::path> keptInputs(std::string_view target) {
    std::vector<fs::path> files;
    for (const char* kind : {"regressions", "seeds"}) {
        const fs::path folder = fs::path(VARNISK_FUZZ_DIR) / kind / target;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            if (entry.is_regular_file() && entry.path().filename().string().front() != '.') files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzRegression : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzRegression, EveryKeptInputPasses) {
    const Target& target = GetParam();
    const std::vector<fs::path> files = keptInputs(target.name);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const std::vector<std::uint8_t> input = readAll(file);
        try {
            target.run(input.data(), input.size());
        } catch (const BrokenPromise& e) {
            ADD_FAILURE() << e.what();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "an exception the program would not catch: " << e.what();
        }
    }
    // Every target has seeds, so a missing folder shows.
    EXPECT_FALSE(files.empty()) << "no kept inputs for " << target.name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Target>& param) { return std::string(param.param.name); });

}  // namespace

void fail(const std::string& what) { throw BrokenPromise(what); }

}  // namespace varnisk::fuzz

#pragma once

// The fuzz targets of the game formats and the program's own files. Each
// target takes one input as libFuzzer hands it over, decodes it the way the
// program does, and checks what the decoder promises beyond memory safety.
// The same functions run under libFuzzer (FuzzEntry.cpp, built by
// tools/fuzz.sh with clang's sanitizers) and in the ordinary test build,
// where FuzzRegressionTest.cpp replays the kept inputs of
// tests/fuzz/regressions/<name>/ and tests/fuzz/seeds/<name>/.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnisk {
class Editor;
}

namespace varnisk::fuzz {

int fuzzExe(const std::uint8_t* data, std::size_t size);         // GP4.exe's value blocks
int fuzzSavedState(const std::uint8_t* data, std::size_t size);  // f1gstate.sav
int fuzzArchive(const std::uint8_t* data, std::size_t size);     // cars.wad's directory, the collision entry
int fuzzDataSets(const std::uint8_t* data, std::size_t size);    // .car, .cam and .tyr files
int fuzzBackup(const std::uint8_t* data, std::size_t size);      // the archive's range backup
int fuzzStore(const std::uint8_t* data, std::size_t size);       // the program's registry store
int fuzzWineRegistry(const std::uint8_t* data, std::size_t size);  // Wine's system.reg
int fuzzShape(const std::uint8_t* data, std::size_t size);       // car shapes
int fuzzImage(const std::uint8_t* data, std::size_t size);       // TGA and BMP textures
int fuzzJournal(const std::uint8_t* data, std::size_t size);     // the export journal
// A new target: its function here, a line in kTargets below, its name in
// Targets.cmake, its file <name>_fuzz.cpp, seeds in seeds/<name>/ (and in
// SeedMaker.cpp).

struct Target {
    std::string_view name;  // the folder names under regressions/ and seeds/, and fuzz_<name>
    int (*run)(const std::uint8_t* data, std::size_t size);
};

inline constexpr Target kTargets[] = {
    {"exe", fuzzExe},
    {"savedstate", fuzzSavedState},
    {"archive", fuzzArchive},
    {"datasets", fuzzDataSets},
    {"backup", fuzzBackup},
    {"store", fuzzStore},
    {"winereg", fuzzWineRegistry},
    {"shape", fuzzShape},
    {"image", fuzzImage},
    {"journal", fuzzJournal},
};

// A broken promise. Under libFuzzer it prints `what` and aborts, so that the
// input is kept as a crash; in the regression test it throws, so that the
// test names the input.
[[noreturn]] void fail(const std::string& what);

inline void require(bool holds, const char* what) {
    if (!holds) fail(what);
}

// GP4.exe's blocks as fuzzExe takes them: the version byte, then the blocks
// Import All reads, in its order, as far as the image holds them whole.
std::vector<std::uint8_t> packExeBlocks(std::span<const std::uint8_t> image);

// A file of this process in the temporary folder, named with `suffix` (for
// the parsers that read files); the same path on every call with the same
// suffix.
std::string scratchPath(std::string_view suffix);

// Writes the bytes as the whole file at `path`.
void writeScratch(const std::string& path, std::span<const std::uint8_t> bytes);

// A scratch file (scratchPath(suffix)) removed when this goes: a target
// keeps one for all its inputs.
struct ScratchFile {
    explicit ScratchFile(std::string_view suffix) : path(scratchPath(suffix)) {}
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string path;
};

// One editor for the whole process, for the targets that run the program's
// own readers of game files: its messages and dialogs go nowhere, its
// registry names no game folder. Targets reset what they use of it.
Editor& sharedEditor();

}  // namespace varnisk::fuzz

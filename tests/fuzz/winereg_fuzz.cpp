// Wine's system.reg as text, searched for the game's folder as the program
// searches it, and the folder found (or the input's first line when none
// is) mapped to a native path inside a prefix of this process.
//
// Beside memory errors it stops when a value comes back holding a NUL byte.

#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

#include "FuzzTargets.h"
#include "registry/Registry.h"
#include "registry/WineRegistry.h"

namespace varnisk::fuzz {

namespace {

namespace fs = std::filesystem;

// A prefix with drive C: and a game folder in it, made once per process and
// removed when it ends.
struct ScratchPrefix {
    fs::path path = scratchPath(".wineprefix");
    ScratchPrefix() {
        std::error_code ec;
        fs::create_directories(path / "drive_c" / "Games" / "GP4", ec);
        fs::create_directories(path / "dosdevices", ec);
        fs::create_symlink("../drive_c", path / "dosdevices" / "c:", ec);
    }
    ~ScratchPrefix() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    ScratchPrefix(const ScratchPrefix&) = delete;
    ScratchPrefix& operator=(const ScratchPrefix&) = delete;
};

const fs::path& prefix() {
    static const ScratchPrefix made;
    return made.path;
}

}  // namespace

int fuzzWineRegistry(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The keys as the program searches them, made once.
    static const std::string key = kGameKey;
    static const std::string wowKey = "Software\\Wow6432Node" + key.substr(key.find('\\'));
    static const std::string_view keys[] = {key, wowKey};
    std::istringstream in{std::string(text)};
    const std::optional<std::string> folder = wine::findValue(in, keys, kGameValue);
    if (folder) require(folder->find('\0') == std::string::npos, "a value holding a NUL byte");

    // Paths up to a few parts: each part may list a folder.
    std::string windowsPath(folder ? std::string_view(*folder) : text.substr(0, text.find('\n')));
    if (windowsPath.size() > 200) windowsPath.resize(200);
    const std::string native = wine::nativePath(prefix(), windowsPath);
    require(!native.empty(), "no native path");
    return 0;
}

}  // namespace varnisk::fuzz

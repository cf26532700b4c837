#pragma once

// A generated game installation in a fresh temporary folder, a registry that
// names it and an editor, for the tests of Import All, Export All and the
// archive choice. The generator writes every file; the tests read the bytes
// back with the generator's offsets.

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "GameGenerator.h"
#include "core/Editor.h"
#include "registry/Registry.h"
#include "ui/ScriptedUi.h"

namespace varnisk::testgame {

namespace gg = varnisk::gamegen;
namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

// A folder of its own under the system's temporary folder, removed with
// everything in it at the end.
class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        path = fs::temp_directory_path() /
               ("varnisk-gamedata-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ec;
        // A test may leave a file without write permission behind.
        for (const auto& entry : fs::recursive_directory_iterator(path, ec)) {
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::remove_all(path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    fs::path path;
};

// Read in one block: the fault tests read whole game files hundreds of times.
inline Bytes readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary | std::ios::ate);
    if (!in) return {};
    Bytes b(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    b.resize(static_cast<std::size_t>(in.gcount()));
    return b;
}

inline void writeBytes(const fs::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

inline std::string readText(const fs::path& p) {
    Bytes b = readBytes(p);
    return std::string(b.begin(), b.end());
}

inline std::uint16_t u16At(const Bytes& b, std::uint64_t at) {
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}
inline std::int16_t i16At(const Bytes& b, std::uint64_t at) { return static_cast<std::int16_t>(u16At(b, at)); }
inline std::uint32_t u32At(const Bytes& b, std::uint64_t at) {
    return static_cast<std::uint32_t>(b.at(at)) | (static_cast<std::uint32_t>(b.at(at + 1)) << 8) |
           (static_cast<std::uint32_t>(b.at(at + 2)) << 16) | (static_cast<std::uint32_t>(b.at(at + 3)) << 24);
}
inline float f32At(const Bytes& b, std::uint64_t at) { return std::bit_cast<float>(u32At(b, at)); }
inline void putI16(Bytes& b, std::uint64_t at, std::int16_t v) {
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>((static_cast<std::uint16_t>(v) >> 8) & 0xFF);
}
inline void putU32(Bytes& b, std::uint64_t at, std::uint32_t v) {
    for (std::uint64_t i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::string textAt(const Bytes& b, std::uint64_t at, std::size_t size) {
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + size));
}
// A text padded with NUL bytes to a field's size.
inline std::string padded(std::string s, std::size_t size) {
    s.resize(size, '\0');
    return s;
}

// Whether `after` equals `before` in every byte outside the ranges.
inline ::testing::AssertionResult sameOutside(const Bytes& before, const Bytes& after,
                                              const std::vector<gg::ByteRange>& ranges) {
    if (before.size() != after.size()) {
        return ::testing::AssertionFailure() << "size " << before.size() << " became " << after.size();
    }
    std::vector<bool> value(before.size(), false);
    for (const gg::ByteRange& r : ranges) {
        for (std::uint64_t i = r.offset; i < r.offset + r.size && i < value.size(); ++i) value[i] = true;
    }
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!value[i] && before[i] != after[i]) {
            return ::testing::AssertionFailure() << "byte " << i << " outside the value ranges changed";
        }
    }
    return ::testing::AssertionSuccess();
}

// The three game files' bytes (empty when a file is missing).
struct GameBytes {
    Bytes exe, sav, wad;
    bool operator==(const GameBytes&) const = default;
};

// Every named control's state on a window, one line each, to compare sheets.
inline std::vector<std::string> sheetState(const Form& form) {
    std::vector<std::string> out;
    for (const auto& c : form.controls()) {
        // The count of changes and the caption over the preview follow the
        // values and the view; they are no values themselves.
        if (c->name.empty() || c->name == "ChangesButton" || c->name == "ViewCaption") continue;
        out.push_back(c->name + "|" + c->text + "|" + std::to_string(c->colour) + "|" + std::to_string(c->position) +
                      "|" + c->caption + "|" + c->hint + "|" + (c->enabled ? "1" : "0"));
    }
    return out;
}

// A generated game, a registry naming its folder, and an editor.
class TestGame {
public:
    explicit TestGame(const gg::GameSpec& s = gg::GameSpec{}) : spec(s) { gg::writeGame(folder(), spec); }

    TempFolder dir;
    gg::GameSpec spec;
    ScriptedUi ui;
    MemoryRegistry registry{dir.path.string()};
    Editor editor{ui, registry, {dir.path.string()}};

    const fs::path& folder() const { return dir.path; }
    fs::path exePath() const { return folder() / spec.exeName; }
    fs::path savPath() const { return folder() / spec.savedStateName; }
    fs::path wadPath() const { return folder() / spec.archiveName; }

    Bytes exe() const { return readBytes(exePath()); }
    Bytes sav() const { return readBytes(savPath()); }
    Bytes wad() const { return readBytes(wadPath()); }
    GameBytes files() const {
        return {fs::exists(exePath()) ? exe() : Bytes{}, fs::exists(savPath()) ? sav() : Bytes{},
                fs::exists(wadPath()) ? wad() : Bytes{}};
    }

    gg::ExeLayout layout() const { return gg::exeLayout(spec.versionByte); }
    // The offset of camera record k's field f (0..9, stored order).
    std::uint64_t cameraAt(int k, int f) const {
        return layout().cameras + gg::kCameraRecordSize * static_cast<std::uint64_t>(k) + 2 * static_cast<std::uint64_t>(f);
    }

    Control& get(std::string_view name) { return editor.main.get(name); }
    const std::string& text(std::string_view name) { return get(name).text; }
    const std::string& caption(std::string_view name) { return get(name).caption; }

    bool click(std::string_view name) {
        return editor.dispatch([&] { editor.main.userClick(editor.main.get(name)); });
    }
    bool importAll() { return click("ImportButton"); }
    bool exportAll() { return click("ExportButton"); }
    // The user replaces a field's text.
    void edit(std::string_view name, const std::string& value) {
        editor.dispatch([&] { editor.main.userEdit(editor.main.get(name), value); });
    }
    // The user types tyre record j's X, Y and Z (hundredths of the stored
    // +0, +8 and +4 floats); the fields' handler keeps GameData's records.
    void editTyre(int j, int x, int y, int z) {
        edit("LMDTP" + std::to_string(3 * j + 1), std::to_string(x));
        edit("LMDTP" + std::to_string(3 * j + 2), std::to_string(y));
        edit("LMDTP" + std::to_string(3 * j + 3), std::to_string(z));
    }
    void setPosition(std::string_view name, int position) { editor.main.setPosition(get(name), position); }
    void setColour(std::string_view name, std::uint32_t colour) { editor.main.setColour(get(name), colour); }
};

// A game whose files are named in other letter cases than the program's.
inline gg::GameSpec mixedCaseNames() {
    gg::GameSpec spec;
    spec.exeName = "gp4.EXE";
    spec.savedStateName = "F1GSTATE.SAV";
    spec.archiveName = "Cars.Wad";
    return spec;
}

inline std::string num(const char* family, int n) { return family + std::to_string(n); }

}  // namespace varnisk::testgame

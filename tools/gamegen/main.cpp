// varnisk-make-game: writes a made-up game installation into a folder.

#include "GameGenerator.h"

#include <charconv>
#include <cstdint>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

namespace gg = varnisk::gamegen;

constexpr const char* kUsage =
    "usage: varnisk-make-game FOLDER [options]\n"
    "Writes GP4.exe, f1gstate.sav and cars.wad with made-up contents into FOLDER.\n"
    "  --version N              GP4.exe's version byte, 0..255 (default 102)\n"
    "  --exe-size BYTES         GP4.exe's size; a smaller one cuts the file short\n"
    "                           (default: just past the last block)\n"
    "  --entries N              entries in cars.wad (default 27: the car shapes of\n"
    "                           eleven teams under their names and again under the\n"
    "                           names \"Default All\" gives them, the cockpit car and\n"
    "                           the dashboard, two other entries and the collision\n"
    "                           entry); the car shapes take the first entries, as\n"
    "                           many as fit\n"
    "  --collision-index N|none which entry is the collision (.ct) entry, or none\n"
    "                           (default: the last one)\n"
    "  --no-car-shapes          no car shapes in cars.wad, only made-up entries\n"
    "  --full-size-car          team cars of about 20,000 triangles (default: about\n"
    "                           1,000)\n"
    "  --no-saved-state         do not write f1gstate.sav\n"
    "  --no-archive             do not write cars.wad\n"
    "  --help                   show this text\n";

struct UsageError {
    std::string text;
};

template <typename T>
T number(std::string_view option, std::string_view text, T min, T max) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < min || value > max)
        throw UsageError{std::string(option) + " expects a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + std::string(text) + "'"};
    return value;
}

// Enough entries for every car shape of the demo: the dashboard, the cockpit
// car and eleven team cars under two names each, two others and the
// collision entry.
constexpr int kDefaultEntries = 27;

struct Options {
    std::string folder;
    gg::GameSpec spec;
    bool help = false;
};

Options parse(int argc, char** argv) {
    Options o;
    o.spec.archiveEntries = kDefaultEntries;
    o.spec.withStockNameCars = true;
    std::optional<std::string> folder;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::optional<std::string_view> inlineValue;
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string_view::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        }
        auto value = [&]() -> std::string_view {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= argc) throw UsageError{std::string(arg) + " needs a value"};
            return argv[++i];
        };
        auto flag = [&] {
            if (inlineValue) throw UsageError{std::string(arg) + " takes no value"};
        };
        if (arg == "--help" || arg == "-h") {
            flag();
            o.help = true;
        } else if (arg == "--version") {
            o.spec.versionByte = number<int>(arg, value(), 0, 255);
        } else if (arg == "--exe-size") {
            o.spec.exeSize = number<std::uint64_t>(arg, value(), 1, std::uint64_t{1} << 32);
        } else if (arg == "--entries") {
            o.spec.archiveEntries = number<int>(arg, value(), 0, 1000000);
        } else if (arg == "--collision-index") {
            const std::string_view v = value();
            o.spec.collisionIndex = v == "none" ? -2 : number<int>(arg, v, 0, 999999);
        } else if (arg == "--no-saved-state") {
            flag();
            o.spec.withSavedState = false;
        } else if (arg == "--no-archive") {
            flag();
            o.spec.withArchive = false;
        } else if (arg == "--no-car-shapes") {
            flag();
            o.spec.withCarShapes = false;
        } else if (arg == "--full-size-car") {
            flag();
            o.spec.fullSizeCar = true;
        } else if (arg.starts_with("-") && arg.size() > 1) {
            throw UsageError{"unknown option " + std::string(arg)};
        } else if (folder) {
            throw UsageError{"more than one folder given: '" + *folder + "' and '" + std::string(arg) + "'"};
        } else {
            folder = std::string(arg);
        }
    }
    if (o.help) return o;
    if (!folder) throw UsageError{"no folder given"};
    o.folder = *folder;
    if (o.spec.withArchive && o.spec.collisionIndex >= o.spec.archiveEntries)
        throw UsageError{"--collision-index " + std::to_string(o.spec.collisionIndex) + " is out of range for " +
                         std::to_string(o.spec.archiveEntries) + " entries"};
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parse(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "varnisk-make-game: " << e.text << "\n"
                  << "usage: varnisk-make-game FOLDER [options] (--help lists them)\n";
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    try {
        gg::writeGame(options.folder, options.spec);
    } catch (const std::exception& e) {
        std::cerr << "varnisk-make-game: " << e.what() << "\n";
        return 1;
    }
    const gg::GameSpec& s = options.spec;
    std::cout << "Wrote a game installation (version byte " << s.versionByte << ") to " << options.folder
              << ": " << s.exeName;
    if (s.withSavedState) std::cout << ", " << s.savedStateName;
    if (s.withArchive) {
        std::cout << ", " << s.archiveName << " (" << s.archiveEntries << " entries";
        if (s.withCarShapes) {
            const std::size_t shapes = gg::carShapeEntries(s).size();
            std::cout << ", " << shapes << " of " << gg::wantedCarShapes(s) << " car shapes";
        }
        std::cout << ")";
    }
    std::cout << "\n";
    return 0;
}

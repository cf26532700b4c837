#pragma once

// Writes made-up game installations (GP4.exe, f1gstate.sav, cars.wad) for
// the tests, the benchmark and the demo. Every byte comes from this code:
// the values of GameValues at their places, car shapes of the project's own
// design in cars.wad (CarDesigns.h), and a fixed pseudo-random pattern
// everywhere else, so a test can tell that an edit touched nothing but its
// own bytes. This writer knows the formats on its own and shares no
// code with the editor's readers, which are tested against it.
//
// All numbers are little-endian.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace varnisk::gamegen {

// ---------------------------------------------------------------- values

// Every value the three files carry, as the game stores it. Pairs are Z
// before Y, as in the files.
struct GameValues {
    using Pair = std::array<float, 2>;                  // Z, Y
    using ShortPair = std::array<std::int16_t, 2>;      // Z, Y
    using CameraRecord = std::array<std::int16_t, 10>;  // X, Z, Y, Dir, Pitch, Roll,
                                                        // car details rear, front,
                                                        // wheels details rear, front
    using TyreRecord = std::array<float, 3>;            // X, Z, Y

    // GP4.exe
    std::array<float, 6> cockpit{};         // dashboard X, Z, Y, wheel X, Z, Y
    std::array<std::uint32_t, 11> rims{};   // 0xAARRGGBB, team order
    std::array<std::uint32_t, 11> arms{};   // 0xAARRGGBB, team order
    std::array<std::string, 11> names;      // stored bytes (code page 1252), at most 32 each
    std::array<Pair, 11> extWheel{};
    std::array<Pair, 11> helmets{};
    std::array<ShortPair, 11> tcam{};
    std::array<float, 2> wheelRef{};
    std::array<std::int16_t, 2> chase{};
    std::array<CameraRecord, 12> cameras{};  // X/Y/Z twice a position, angles 182 x degrees
    std::string brand;                       // lower case, at most 16 bytes; written only
                                             // for versions with a brand string
    // f1gstate.sav
    std::array<std::uint32_t, 11> brandCodes{};  // kBridgestoneCode or kMichelinCode
    // cars.wad, collision entry
    std::array<TyreRecord, 4> tyres{};  // front right, front left, rear right, rear left
};

// Plausible values, different for every team and every camera, none of
// them zero except some camera detail levels, the level TV cameras' roll and
// the T-cam's X, direction and roll; the TV cameras look at the car, and the
// helmets, the outside steering wheels and the T-cams sit in and over the
// cockpits of the team cars. Includes a 32-byte team name (no NUL), a name
// with a code page 1252 letter, and helmet values exactly halfway between
// two hundredths (-0.125, 0.125).
GameValues demoValues();

// The names the editor's "Default All" gives the eleven teams, in team order.
// The preview finds a team's car by its current name, so a demo archive that
// holds each car under these names too still shows every car after them.
inline const std::array<std::string, 11> kStockTeamNames = {
    "Aurora Racing",    "Blue Heron",   "Cobalt Motorsport", "Delta Engineering", "Ember Grand Prix", "Falcon Works",
    "Granite Racing",   "Harbour Racing", "Iris Motorsport", "Juniper Racing",    "Kestrel Grand Prix"};

// ---------------------------------------------------------------- what to build

struct GameSpec {
    int versionByte = 102;             // 0..255; 102 picks layout 102, anything else layout 0
    std::uint64_t exeSize = 0;         // 0: last block's end + 4096; a smaller size cuts the
                                       // file short (the bytes that fit are the same)
    bool withExe = true;
    bool withSavedState = true;
    std::uint64_t savedStateSize = 0;  // 0: kDefaultSavedStateSize; at least 5
    bool withArchive = true;
    int archiveEntries = 8;            // >= 0
    int collisionIndex = -1;           // index of the ".ct" entry; -1: the last entry (none
                                       // when there are no entries); -2: no ".ct" entry
    bool withCarShapes = true;         // car shapes in the archive's first entries (see
                                       // carShapeEntries); off: filler entries only
    bool fullSizeCar = false;          // team cars of about 20,000 triangles, not about 1,000
    bool withStockNameCars = false;    // each team's car also under its stock name
                                       // (kStockTeamNames), after the teams' own, as in
                                       // the demo
    std::string exeName = "GP4.exe";
    std::string savedStateName = "f1gstate.sav";
    std::string archiveName = "cars.wad";
    GameValues values = demoValues();
};

// ---------------------------------------------------------------- builders
// Pure: the same GameSpec gives the same bytes. An invalid one (a version byte
// outside 0..255, a name longer than 32 bytes, a brand longer than 16, a
// saved state under 5 bytes, a negative entry count, a collision index out of
// range) throws std::invalid_argument.

std::vector<std::uint8_t> buildExe(const GameSpec& spec);
std::vector<std::uint8_t> buildSavedState(const GameSpec& spec);  // checksum included
std::vector<std::uint8_t> buildArchive(const GameSpec& spec);

// The saved state's checksum over every byte of the file but its last 4
// (R in the high half, S in the low half). Throws std::invalid_argument for
// a file under 5 bytes.
std::uint32_t savedStateChecksum(std::span<const std::uint8_t> wholeFile);

// Creates the folder (and its parents) and writes the files the GameSpec asks
// for under their names, replacing files of the same name. Throws
// std::invalid_argument for an invalid GameSpec and std::runtime_error (a
// std::filesystem::filesystem_error for the folder) naming the path when
// something cannot be written.
void writeGame(const std::filesystem::path& folder, const GameSpec& spec);

// ---------------------------------------------------------------- where things are

inline constexpr std::uint64_t kVersionByteOffset = 312;

// Offsets of the blocks in GP4.exe for one layout.
struct ExeLayout {
    std::uint64_t cockpit;       // six float32 at the kCockpitFieldOffsets
    std::uint64_t rimTeam4;      // colour dword of team 4
    std::uint64_t rimCompanion;  // companionBase + team 4's rim colour (32-bit sum)
    std::uint64_t rims;          // ten (colour, 4 other bytes) pairs: teams 0..3, 5..10
    std::uint64_t names;         // 11 x 32 bytes
    std::uint64_t extWheel;      // 11 x (float32 Z, float32 Y)
    std::uint64_t helmets;       // 11 x (float32 Z, float32 Y)
    std::uint64_t tcam;          // 11 x (int16 Z, int16 Y)
    std::uint64_t arms;          // 11 colour dwords
    std::uint64_t wheelRef;      // two float32
    std::uint64_t chase;         // int16 at +0 and at +kChaseSecondOffset
    std::uint64_t cameras;       // chase + kCameraRecordsOffset; 12 x 20 bytes
    std::uint32_t companionBase;
};
inline constexpr std::array<std::uint64_t, 6> kCockpitFieldOffsets = {0, 16, 26, 36, 46, 56};
inline constexpr std::uint64_t kChaseSecondOffset = 24;
inline constexpr std::uint64_t kCameraRecordsOffset = 32;
inline constexpr std::uint64_t kCameraRecordSize = 20;

ExeLayout exeLayout(int versionByte);
// The brand string's offset (16 bytes) for the versions that have one: 0, 70
// and 102.
std::optional<std::uint64_t> brandStringOffset(int versionByte);
// The exe's size when GameSpec::exeSize is 0.
std::uint64_t defaultExeSize(int versionByte);
// The offset of team `team`'s rim colour dword (team 4 included).
std::uint64_t rimOffset(const ExeLayout& layout, int team);

inline constexpr std::uint64_t kDefaultSavedStateSize = 100000;
inline constexpr std::uint64_t kBrandCodesOffset = 96932;  // 11 uint32, team 0 first
inline constexpr std::uint32_t kBridgestoneCode = 0x03350335;
inline constexpr std::uint32_t kMichelinCode = 0x03340334;

inline constexpr std::uint64_t kArchiveEntrySize = 136;  // 128-byte name, offset, size
inline constexpr std::uint64_t kArchiveNameSize = 128;
inline constexpr std::uint64_t kCollisionDataSize = 256;
// Front right, front left, rear right, rear left, from the collision
// entry's data offset; each three float32 (X, Z, Y).
inline constexpr std::array<std::uint64_t, 4> kTyreRecordOffsets = {84, 108, 168, 192};

struct ArchiveEntry {
    std::string name;      // with '\' separators
    std::uint32_t offset;  // from the start of the archive
    std::uint32_t size;
};
// The archive's directory as buildArchive writes it. Entries follow each
// other without gaps, in directory order. The ".ct" entry sits where
// collisionIndex says. With car shapes, the entries from the first on (the
// ".ct" entry's place left out) hold the car shapes in the order of
// carShapeEntries, as many as there are entries for; every other entry is
// filler data under a made-up name.
std::vector<ArchiveEntry> archiveDirectory(const GameSpec& spec);

// A car shape (.gp4 file) in the archive. Its bytes are
// encodeShape(model, version) of the design it names (CarDesigns.h).
struct CarShapeEntry {
    int index;             // in the directory
    std::string name;      // as stored, with folders
    std::uint32_t offset;  // from the start of the archive
    std::uint32_t size;
    int version;           // the shape's version digit
    int team;              // 0..10 for a team's car; -1 for the cockpit car and the dashboard
};
// The car shapes the archive holds, in directory order: the dashboard
// (kDashboardEntryName), the car seen from the cockpit (kCockpitCarEntryName),
// then one car per team (teamCarEntryName of its stored name, version
// teamCarVersion) in team order, with withStockNameCars the same cars again
// under the stock names in team order, leaving out an entry whose bare name
// matches an earlier one's in any letter case. Empty without car shapes or
// archive; shorter when the directory has fewer places.
std::vector<CarShapeEntry> carShapeEntries(const GameSpec& spec);
// How many car shapes the GameSpec asks for, room or not: 13 for eleven
// different team names (24 with the stock names besides), 0 without car
// shapes.
int wantedCarShapes(const GameSpec& spec);
// Which entry is the ".ct" entry, if any.
std::optional<int> collisionEntryIndex(const GameSpec& spec);
// The data offset of the ".ct" entry in the archive. Throws std::logic_error
// when the GameSpec has none.
std::uint64_t collisionEntryOffset(const GameSpec& spec);

// A run of bytes that holds a value. Every byte outside these runs is
// pattern (or, in the archive, entry data and name padding).
struct ByteRange {
    std::string what;
    std::uint64_t offset;
    std::uint64_t size;
};
// Offsets as laid out, whether or not a cut-short file reaches them.
std::vector<ByteRange> exeValueRanges(const GameSpec& spec);
std::vector<ByteRange> savedStateValueRanges(const GameSpec& spec);  // brand codes, checksum
std::vector<ByteRange> archiveValueRanges(const GameSpec& spec);     // count, directory, tyres;
                                                                     // car shapes are entry data

// The filler: the byte at `offset` of a file filled with pattern `seed`.
// Each file has its own seed.
inline constexpr std::uint32_t kExeSeed = 0x47503445;
inline constexpr std::uint32_t kSavedStateSeed = 0x53415645;
inline constexpr std::uint32_t kArchiveSeed = 0x57414421;
std::uint8_t patternByte(std::uint32_t seed, std::uint64_t offset);

}  // namespace varnisk::gamegen

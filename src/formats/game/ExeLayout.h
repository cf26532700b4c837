#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "game/GameData.h"
#include "game/Patch.h"

namespace varnisk {

// Where GP4.exe keeps the values this program edits. The offsets depend on
// the version byte: 102 has a layout of its own, every other value uses
// layout 0.

inline constexpr std::uint32_t kVersionOffset = 312;

struct ExeLayout {
    std::uint32_t cockpit;        // six float32 at the offsets below
    std::uint32_t rim4;           // team 4's rim colour
    std::uint32_t rim4Companion;  // written only: base + team 4's rim colour
    std::uint32_t rim4CompanionBase;
    std::uint32_t rims;           // teams 0..3, 5..10: (colour, 4 other bytes)
    std::uint32_t names;
    std::uint32_t extWheel;
    std::uint32_t helmets;
    std::uint32_t tcam;
    std::uint32_t arms;
    std::uint32_t wheelRef;
    std::uint32_t chase;          // int16 at +0 and +24; camera records at +32
    std::uint32_t cameras() const { return chase + 32; }
};

// Offsets of the six cockpit floats from the block's start: dashboard X, Z,
// Y, wheel X, Z, Y.
inline constexpr std::array<std::uint32_t, 6> kCockpitOffsets{0, 16, 26, 36, 46, 56};
inline constexpr std::uint32_t kCockpitSpan = 60;
inline constexpr std::uint32_t kSecondChaseOffset = 24;
inline constexpr std::uint32_t kRimPairsSize = 80;
inline constexpr std::uint32_t kNameSize = 32;
inline constexpr std::uint32_t kNamesSize = 11 * kNameSize;
inline constexpr std::uint32_t kPairTableSize = 88;   // 11 x (float32 Z, float32 Y)
inline constexpr std::uint32_t kTcamSize = 44;        // 11 x (int16 Z, int16 Y)
inline constexpr std::uint32_t kArmsSize = 44;        // 11 colour dwords
inline constexpr std::uint32_t kCameraRecordSize = 20;
inline constexpr std::uint32_t kCamerasSize = 12 * kCameraRecordSize;
inline constexpr std::uint32_t kBrandStringSize = 16;

// The order in which the rim pairs hold the teams (team 4 lives apart).
inline constexpr std::array<int, 10> kRimPairTeams{0, 1, 2, 3, 5, 6, 7, 8, 9, 10};

const ExeLayout& exeLayout(std::uint16_t version);

// Whether the team names of this version are known to lie at the layout's
// names block (versions 0 and 102).
bool namesKnown(std::uint16_t version);

// The place of team 1's brand string, none for versions other than 0, 70
// and 102.
std::optional<std::uint32_t> brandStringOffset(std::uint16_t version);

// The brand words, by selector position.
inline constexpr std::array<const char*, 3> kBrandWords{"bridgestone", "michelin", "mclaren"};

// The selector position a brand string names: the 16 bytes trimmed of blanks
// and control characters at both ends, compared case-sensitively; nullopt for
// any other text.
std::optional<int> brandPosition(std::span<const std::uint8_t> field);

// A team name as the program keeps it: the first byte as stored, the other
// bytes in lower case (code page 1252 rules), NUL bytes removed.
std::string decodeTeamName(std::span<const std::uint8_t> field);

// Title case for captions: the first character and every character after a
// blank (looking from the second character on) become upper case; only the
// letters a..z change.
std::string mister(std::string name);

// Block codecs. Decoders take exactly the block's bytes; encoders give them.
void decodeCockpit(std::span<const std::uint8_t> block, GameData& data);  // kCockpitSpan bytes
void decodeRimPairs(std::span<const std::uint8_t> block, GameData& data);  // kRimPairsSize bytes
void decodePairTable(std::span<const std::uint8_t> block, std::array<GameData::Pair, 11>& table);
void decodeTcam(std::span<const std::uint8_t> block, GameData& data);
void decodeArms(std::span<const std::uint8_t> block, GameData& data);
void decodeCameras(std::span<const std::uint8_t> block, GameData& data);

std::vector<std::uint8_t> encodePairTable(const std::array<GameData::Pair, 11>& table);
std::vector<std::uint8_t> encodeTcam(const GameData& data);
std::vector<std::uint8_t> encodeArms(const GameData& data);
std::vector<std::uint8_t> encodeCameras(const GameData& data);
std::vector<std::uint8_t> encodeName(const std::string& name);       // 32 bytes, NUL padded
std::vector<std::uint8_t> encodeBrandString(int position);          // 16 bytes, NUL padded

// Every write Export All makes into GP4.exe for the blocks, in the order it
// makes them. The names block only when `withNames`. `mustExist` receives the
// ranges that must lie inside the file besides the patches (the bytes stepped
// over between rim colours).
std::vector<Patch> exeBlockPatches(const GameData& data, bool withNames,
                                   std::vector<std::pair<std::uint64_t, std::uint64_t>>* mustExist = nullptr);

}  // namespace varnisk

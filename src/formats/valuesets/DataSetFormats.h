#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "game/CameraEncoding.h"
#include "game/GameData.h"
#include "valuesets/SaveSelection.h"

namespace varnisk {

// The program's own value set files, as pure functions over bytes:
//  - car data files (.car): a header of masks that says which camera
//    records, per-team values, shared blocks and names follow;
//  - camera sets (.cam): the twelve camera records and the chase pair in the
//    game's own encoding;
//  - tyre sets (.tyr): the brand selector position of each team.
// All integers little-endian, floats single precision, no padding.

// The 1-based numbers of a header mask's bits, highest first: from 12 down
// to 1, n is taken when what is left of the mask reaches 2^(n-1), which is
// then subtracted. For a mask below 4096 that is its set bits plus one.
std::vector<int> maskToList(std::uint16_t mask);

// --- car data files ---

// No data set file needs more than this many bytes (a car data file with
// everything is 1040 bytes); a larger file is read only this far, which
// decodes it the same: only sizes up to 580 bytes tell forms apart.
inline constexpr std::size_t kDataSetReadLimit = 64 * 1024;

inline constexpr std::uint16_t kCarDataVersion = 4;
inline constexpr std::size_t kCarDataHeaderSize = 20;
inline constexpr std::size_t kCarDataV3HeaderSize = 16;
inline constexpr std::size_t kHeaderlessSize = 556;          // without the cockpit blocks
inline constexpr std::size_t kHeaderlessCockpitSize = 580;   // only this size holds them

// A version 4 file with the sections the masks select. GameData's arrays
// serve as the values: the cameras and the chase pair in car form, the
// cockpit as dashboard X, Z, Y then wheel X, Z, Y; `brands` are the brand
// selector positions. Names longer than 32 characters are cut to 32.
std::vector<std::uint8_t> encodeCarData(const SaveMasks& masks, const GameData& values,
                                        const std::array<int, 11>& brands);

// A car data file as read: every member it held, in file order, each with
// the index it belongs to (camera record, team). A file that ends early
// holds what came before the read that failed.
struct CarDataFile {
    enum class Outcome {
        Complete,
        Truncated,      // the file ends before what it promises
        DamagedHeader,  // a mask names cameras or teams that do not exist
    };
    Outcome outcome = Outcome::Complete;

    int version = 0;  // 3 or 4; 0 for the headerless form
    SaveMasks masks;  // the sectioned forms' header

    std::vector<std::pair<int, GameData::CameraRecord>> cameras;  // car form
    std::optional<std::array<std::int16_t, 2>> chase;              // car form
    std::vector<std::pair<int, GameData::ShortPair>> tcam;
    std::vector<std::pair<int, GameData::Pair>> helmets;
    std::vector<std::pair<int, GameData::Pair>> extWheel;
    std::vector<std::pair<int, std::uint32_t>> arms;
    std::vector<std::pair<int, std::uint32_t>> rims;
    // Selector positions as stored (a sectioned file's int32), or the
    // headerless form's codes taken as 0 (Bridgestone) or 1.
    std::vector<std::pair<int, std::int32_t>> brands;
    std::optional<std::array<GameData::TyreRecord, 4>> tyres;
    std::optional<std::array<float, 3>> dashboard;  // X, Z, Y
    std::optional<std::array<float, 3>> wheel;      // X, Z, Y
    std::vector<std::string> names;                 // teams 0 .. N-1, the program's name form
};

// Reads any of the three forms: the first word 3 or 4 names the sectioned
// versions, anything else the headerless form.
CarDataFile decodeCarData(std::span<const std::uint8_t> file);

// --- camera sets ---

inline constexpr std::size_t kCameraSetSize = 244;

// Which records a camera set of a given size holds, and whether the chase
// pair follows the last of them.
struct CameraSetLayout {
    int first = 0;
    int last = 0;
    bool chase = false;
};
CameraSetLayout cameraSetLayout(std::uint64_t size);

// Twelve records and the chase pair, in game form: 244 bytes.
std::vector<std::uint8_t> encodeCameraSet(const std::array<GameData::CameraRecord, 12>& cameras,
                                          const std::array<std::int16_t, 2>& chase);

struct CameraSetFile {
    CameraSetLayout layout;
    bool complete = true;
    std::vector<GameData::CameraRecord> records;  // from layout.first on, as stored
    std::optional<std::array<std::int16_t, 2>> chase;
};
CameraSetFile decodeCameraSet(std::span<const std::uint8_t> file);

// --- tyre sets ---

inline constexpr std::size_t kTyreSetSize = 22;

struct TyreSetFile {
    bool complete = true;
    std::vector<std::uint16_t> brands;  // teams 0 .. on, as many as the file holds
};
TyreSetFile decodeTyreSet(std::span<const std::uint8_t> file);

}  // namespace varnisk

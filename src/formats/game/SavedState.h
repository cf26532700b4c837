#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/GameFiles.h"

namespace varnisk {

// The game's saved state f1gstate.sav: the eleven tyre brand codes at a
// fixed offset, and a checksum over the whole file in its last four bytes.

inline constexpr std::uint32_t kBrandCodesOffset = 96932;
inline constexpr std::uint32_t kBrandCodesSize = 44;
inline constexpr std::uint32_t kBridgestoneCode = 0x03350335;
inline constexpr std::uint32_t kMichelinCode = 0x03340334;

// The checksum of a whole file: over every byte but the last four.
// Requires at least five bytes.
std::uint32_t savedStateChecksum(std::span<const std::uint8_t> file);

// The checksum folded in steps: start with the file's first byte, fold the
// bytes that follow in file order, finish after the byte five before the end.
struct ChecksumState {
    std::uint16_t s = 0;
    std::uint16_t r = 0;
};
ChecksumState checksumStart(std::uint8_t firstByte);
void checksumFold(ChecksumState& state, std::span<const std::uint8_t> bytes);
std::uint32_t checksumFinish(ChecksumState state);

// The checksum's state after the bytes before the brand codes, for one
// state of one file (see FileStamp).
struct SavedStatePrefix {
    bool valid = false;
    std::string path;
    FileStamp stamp;
    ChecksumState state;
};

// Whether the file is large enough for the brand codes and, after them, the
// checksum.
bool savedStateHoldsBrands(std::uint64_t size);

std::array<std::uint32_t, 11> decodeBrandCodes(std::span<const std::uint8_t> block);

}  // namespace varnisk

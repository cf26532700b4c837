#include "game/SavedState.h"

#include "base/Bytes.h"

namespace varnisk {

ChecksumState checksumStart(std::uint8_t firstByte) { return {firstByte, firstByte}; }

void checksumFold(ChecksumState& state, std::span<const std::uint8_t> bytes) {
    std::uint16_t s = state.s;
    std::uint16_t r = state.r;
    for (const std::uint8_t x : bytes) {
        s = static_cast<std::uint16_t>(s + x);
        r = static_cast<std::uint16_t>(static_cast<std::uint16_t>((r << 3) | (r >> 13)) + x);
    }
    state = {s, r};
}

std::uint32_t checksumFinish(ChecksumState state) {
    const auto s = static_cast<std::uint16_t>(state.s + 0x8065);
    const auto r = static_cast<std::uint16_t>(state.r + 0x8465);
    return (static_cast<std::uint32_t>(r) << 16) | s;
}

std::uint32_t savedStateChecksum(std::span<const std::uint8_t> file) {
    ChecksumState state = checksumStart(file[0]);
    checksumFold(state, file.subspan(1, file.size() - 5));  // bytes [1, size - 4)
    return checksumFinish(state);
}

bool savedStateHoldsBrands(std::uint64_t size) { return size >= kBrandCodesOffset + kBrandCodesSize + 4; }

std::array<std::uint32_t, 11> decodeBrandCodes(std::span<const std::uint8_t> block) {
    std::array<std::uint32_t, 11> codes{};
    for (std::size_t t = 0; t < 11; ++t) codes[t] = bytes::u32(block, 4 * t);
    return codes;
}

}  // namespace varnisk

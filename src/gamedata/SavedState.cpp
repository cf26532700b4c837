#include "gamedata/SavedState.h"

#include "gamedata/Bytes.h"

namespace varnisk {

std::uint32_t savedStateChecksum(std::span<const std::uint8_t> file) {
    std::uint16_t s = file[0];
    std::uint16_t r = file[0];
    const std::size_t last = file.size() - 4;  // bytes [1, last) follow the first
    for (std::size_t i = 1; i < last; ++i) {
        const std::uint8_t x = file[i];
        s = static_cast<std::uint16_t>(s + x);
        r = static_cast<std::uint16_t>(static_cast<std::uint16_t>((r << 3) | (r >> 13)) + x);
    }
    s = static_cast<std::uint16_t>(s + 0x8065);
    r = static_cast<std::uint16_t>(r + 0x8465);
    return (static_cast<std::uint32_t>(r) << 16) | s;
}

bool savedStateHoldsBrands(std::uint64_t size) { return size >= kBrandCodesOffset + kBrandCodesSize + 4; }

std::array<std::uint32_t, 11> decodeBrandCodes(std::span<const std::uint8_t> block) {
    std::array<std::uint32_t, 11> codes{};
    for (std::size_t t = 0; t < 11; ++t) codes[t] = bytes::u32(block, 4 * t);
    return codes;
}

std::vector<std::uint8_t> withBrandCodes(std::span<const std::uint8_t> file, const std::array<std::uint32_t, 11>& codes) {
    std::vector<std::uint8_t> out(file.begin(), file.end());
    for (std::size_t t = 0; t < 11; ++t) bytes::putU32(out, kBrandCodesOffset + 4 * t, codes[t]);
    bytes::putU32(out, out.size() - 4, savedStateChecksum(out));
    return out;
}

}  // namespace varnisk

#pragma once

#include <cstdint>

namespace varnisk {

// The game stores colours as 0xAARRGGBB; the sheet's panels hold Windows
// colours 0x00BBGGRR. These are the only conversions between the two.

// Game colour to panel colour: an opaque top byte (0xFF) is removed, red and
// blue are exchanged. Another top byte ends up added into the green byte.
constexpr std::uint32_t gameToColour(std::uint32_t v) {
    if (v >= 0xFF000000u) v -= 0xFF000000u;
    const std::uint32_t r = v >> 16;
    const std::uint32_t g = (v - r * 65536u) / 256u;
    const std::uint32_t b = v - r * 65536u - g * 256u;
    return r + g * 256u + b * 65536u;
}

// Panel colour to game colour: red and blue exchanged, the top byte kept;
// signed arithmetic with division toward zero.
constexpr std::uint32_t colourToGame(std::int32_t c) {
    const long long v = c;
    const long long a = v / (1LL << 24);
    long long rest = v - a * (1LL << 24);
    const long long r = rest / 65536;
    rest -= r * 65536;
    const long long g = rest / 256;
    const long long b = rest - g * 256;
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(a * (1LL << 24) + b * 65536 + g * 256 + r) & 0xFFFFFFFFu);
}

}  // namespace varnisk

#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace varnisk::bytes {

// Little-endian values inside byte spans. Callers check the span's length
// against what they read; these assume it holds.

inline std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::int16_t i16(std::span<const std::uint8_t> b, std::size_t at) { return static_cast<std::int16_t>(u16(b, at)); }
inline std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::int32_t i32(std::span<const std::uint8_t> b, std::size_t at) { return static_cast<std::int32_t>(u32(b, at)); }
inline float f32(std::span<const std::uint8_t> b, std::size_t at) { return std::bit_cast<float>(u32(b, at)); }

inline void putU16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putI16(std::span<std::uint8_t> b, std::size_t at, std::int16_t v) { putU16(b, at, static_cast<std::uint16_t>(v)); }
inline void putU32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Appending forms for building blocks.
inline void addU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void addI16(std::vector<std::uint8_t>& out, std::int16_t v) { addU16(out, static_cast<std::uint16_t>(v)); }
inline void addU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void addF32(std::vector<std::uint8_t>& out, float v) { addU32(out, std::bit_cast<std::uint32_t>(v)); }

}  // namespace varnisk::bytes

#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace varnisk::bench {

// Reads a file from start to end and returns how many bytes it held: the
// baseline of one full read that the benchmarks measure against.
inline std::uint64_t readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 16);
    std::uint64_t total = 0;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        total += static_cast<std::uint64_t>(in.gcount());
    }
    return total;
}

}  // namespace varnisk::bench

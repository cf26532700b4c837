#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

namespace varnisk::readcount {

// The bytes this process has read from files so far (Linux's count of the
// bytes its reads returned); nullopt where the system does not tell.
inline std::optional<std::uint64_t> bytesRead() {
#ifdef __linux__
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
#endif
    return std::nullopt;
}

}  // namespace varnisk::readcount

#include "game/GameFileSizes.h"

#include "base/Errors.h"

namespace varnisk {

namespace {

std::string grouped(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

}  // namespace

std::string sizeText(std::uint64_t bytes) {
    if (bytes < 1024) return grouped(bytes) + (bytes == 1 ? " byte" : " bytes");
    if (bytes < (std::uint64_t{1} << 20)) return grouped(bytes >> 10) + " KB";
    return grouped(bytes >> 20) + " MB";
}

void refuseOversized(const ByteFile& file, std::uint64_t limit, const std::string& what) {
    if (file.size() <= limit) return;
    throw FileError(fileNameOf(file.path()) + " is " + sizeText(file.size()) + ", far larger than " + what +
                    " can be: it is not the game's file.");
}

}  // namespace varnisk

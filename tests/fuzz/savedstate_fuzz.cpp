// f1gstate.sav as a whole file: the checksum over it, the same checksum
// folded in two steps as an export folds it (the bytes before the brand
// codes once, the rest after), and the brand codes when the file holds them.

#include <span>

#include "FuzzTargets.h"
#include "base/Bytes.h"
#include "game/SavedState.h"

namespace varnisk::fuzz {

int fuzzSavedState(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const bool holdsBrands = savedStateHoldsBrands(size);
    require(holdsBrands == (size >= std::size_t{kBrandCodesOffset} + kBrandCodesSize + 4),
            "the brand codes said to fit where they do not, or the reverse");
    if (holdsBrands) {
        const std::array<std::uint32_t, 11> codes = decodeBrandCodes(file.subspan(kBrandCodesOffset, kBrandCodesSize));
        for (std::size_t t = 0; t < codes.size(); ++t) {
            require(codes[t] == bytes::u32(file, kBrandCodesOffset + 4 * t), "a brand code read from elsewhere");
        }
    }
    if (size < 5) return 0;  // the checksum needs five bytes
    const std::uint32_t whole = savedStateChecksum(file);

    // Folded in two steps, split where the brand codes start when the file
    // holds them, else at a place the file's second byte picks.
    const std::size_t last = size - 4;  // the checksum covers [0, last)
    const std::size_t split = holdsBrands ? std::size_t{kBrandCodesOffset} : 1 + file[1] % last;  // in [1, last]
    ChecksumState state = checksumStart(file[0]);
    checksumFold(state, file.subspan(1, split - 1));
    checksumFold(state, file.subspan(split, last - split));
    require(checksumFinish(state) == whole, "the checksum folded in steps differs from the whole one");
    return 0;
}

}  // namespace varnisk::fuzz

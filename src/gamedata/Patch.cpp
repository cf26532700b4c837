#include "gamedata/Patch.h"

#include <algorithm>
#include <cstring>

namespace varnisk {

namespace {

// Patches closer than this share one read.
constexpr std::uint64_t kClusterGap = 8192;

}  // namespace

bool patchesFit(const ByteFile& file, const std::vector<Patch>& patches) {
    return std::all_of(patches.begin(), patches.end(), [&](const Patch& p) { return file.fits(p.offset, p.bytes.size()); });
}

std::vector<Patch> changedPatches(const ByteFile& file, const std::vector<Patch>& patches) {
    std::vector<Patch> changed;
    std::vector<const Patch*> order;
    for (const Patch& p : patches) {
        if (!p.bytes.empty()) order.push_back(&p);
    }
    std::stable_sort(order.begin(), order.end(), [](const Patch* a, const Patch* b) { return a->offset < b->offset; });
    std::vector<std::uint8_t> current;
    for (std::size_t first = 0; first < order.size();) {
        std::uint64_t begin = order[first]->offset;
        std::uint64_t end = begin + order[first]->bytes.size();
        std::size_t last = first + 1;
        while (last < order.size() && order[last]->offset <= end + kClusterGap) {
            end = std::max<std::uint64_t>(end, order[last]->offset + order[last]->bytes.size());
            ++last;
        }
        current.resize(static_cast<std::size_t>(end - begin));
        file.read(begin, current);
        for (std::size_t i = first; i < last; ++i) {
            const Patch& p = *order[i];
            std::uint8_t* there = current.data() + (p.offset - begin);
            if (std::memcmp(there, p.bytes.data(), p.bytes.size()) == 0) continue;
            changed.push_back(p);
            std::memcpy(there, p.bytes.data(), p.bytes.size());  // a later overlapping patch compares with this
        }
        first = last;
    }
    return changed;
}

void writePatches(ByteFile& file, const std::vector<Patch>& patches) {
    for (const Patch& p : patches) file.write(p.offset, p.bytes);
}

}  // namespace varnisk

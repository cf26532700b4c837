#include "game/Patch.h"

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

std::vector<CloseRun> closeRuns(const std::vector<const Patch*>& sorted) {
    std::vector<CloseRun> runs;
    for (std::size_t first = 0; first < sorted.size();) {
        CloseRun run{first, first + 1, sorted[first]->offset, sorted[first]->offset + sorted[first]->bytes.size()};
        while (run.last < sorted.size() && sorted[run.last]->offset <= run.end + kClusterGap) {
            run.end = std::max<std::uint64_t>(run.end, sorted[run.last]->offset + sorted[run.last]->bytes.size());
            ++run.last;
        }
        runs.push_back(run);
        first = run.last;
    }
    return runs;
}

std::vector<Patch> changedPatches(const ByteFile& file, const std::vector<Patch>& patches) {
    std::vector<Patch> changed;
    std::vector<const Patch*> order;
    for (const Patch& p : patches) {
        if (!p.bytes.empty()) order.push_back(&p);
    }
    std::stable_sort(order.begin(), order.end(), [](const Patch* a, const Patch* b) { return a->offset < b->offset; });
    std::vector<std::uint8_t> current;
    for (const CloseRun& run : closeRuns(order)) {
        current.resize(static_cast<std::size_t>(run.end - run.begin));
        file.read(run.begin, current);
        for (std::size_t i = run.first; i < run.last; ++i) {
            const Patch& p = *order[i];
            std::uint8_t* there = current.data() + (p.offset - run.begin);
            if (std::memcmp(there, p.bytes.data(), p.bytes.size()) == 0) continue;
            changed.push_back(p);
            std::memcpy(there, p.bytes.data(), p.bytes.size());  // a later overlapping patch compares with this
        }
    }
    return changed;
}

bool readPlaces(const ByteFile& file, std::vector<Patch*> places) {
    for (const Patch* p : places) {
        if (!file.fits(p->offset, p->bytes.size())) return false;
    }
    std::stable_sort(places.begin(), places.end(), [](const Patch* a, const Patch* b) { return a->offset < b->offset; });
    const std::vector<const Patch*> sorted(places.begin(), places.end());
    std::vector<std::uint8_t> block;
    for (const CloseRun& run : closeRuns(sorted)) {
        block.resize(static_cast<std::size_t>(run.end - run.begin));
        file.read(run.begin, block);
        for (std::size_t i = run.first; i < run.last; ++i) {
            Patch& p = *places[i];
            std::memcpy(p.bytes.data(), block.data() + (p.offset - run.begin), p.bytes.size());
        }
    }
    return true;
}

}  // namespace varnisk

#pragma once

#include <cstdint>
#include <vector>

#include "files/GameFiles.h"

namespace varnisk {

// One write into a file: bytes at an offset.
struct Patch {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> bytes;
};

// Whether every patch lies inside the file.
bool patchesFit(const ByteFile& file, const std::vector<Patch>& patches);

// The patches whose bytes differ from what the file holds, so that an export
// of unchanged values writes nothing. Patches that lie close together are
// read in one go. The patches must fit (patchesFit).
std::vector<Patch> changedPatches(const ByteFile& file, const std::vector<Patch>& patches);

// A run of places (sorted by offset) that lie close enough together to be
// read in one go: the places [first, last) and the bytes [begin, end).
struct CloseRun {
    std::size_t first, last;
    std::uint64_t begin, end;
};
std::vector<CloseRun> closeRuns(const std::vector<const Patch*>& sorted);

// Fills the bytes of every place (sized as they are) from the file, reading
// places that lie close together in one go. False when a place lies beyond
// the file's end; nothing is read then.
bool readPlaces(const ByteFile& file, std::vector<Patch*> places);

}  // namespace varnisk

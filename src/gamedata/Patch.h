#pragma once

#include <cstdint>
#include <vector>

#include "platform/GameFiles.h"

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

// Writes the patches in order.
void writePatches(ByteFile& file, const std::vector<Patch>& patches);

}  // namespace varnisk

#pragma once

#include <cstdint>
#include <string>

#include "files/GameFiles.h"

namespace varnisk {

// The game's executable is a few megabytes and its saved state about a
// hundred kilobytes. A file of either name many times that size is no file
// of the game's (a crafted or sparse one would take the machine's memory
// when read whole for a backup or a checksum): it is refused before any of
// it is read.
inline constexpr std::uint64_t kMaxExeSize = std::uint64_t{32} << 20;
inline constexpr std::uint64_t kMaxSavedStateSize = std::uint64_t{8} << 20;

// The archive's backup holds a few ranges of text; far larger is damage.
inline constexpr std::uint64_t kMaxRangeBackupSize = std::uint64_t{16} << 20;

inline constexpr const char* kExeKind = "the game's executable";
inline constexpr const char* kSavedStateKind = "the game's saved state";

// Throws FileError naming the file when it is larger than `limit`:
// "GP4.exe is 1,536 MB, far larger than the game's executable can be: it is
// not the game's file." `what` names the kind: "the game's executable".
void refuseOversized(const ByteFile& file, std::uint64_t limit, const std::string& what);

// The size as a person reads it: "812 bytes", "96 KB", "1,536 MB".
std::string sizeText(std::uint64_t bytes);

}  // namespace varnisk

#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/GameFiles.h"

namespace varnisk {

// The game's archive cars.wad: a signed 32-bit entry count, then a directory
// of 136-byte entries (a 128-byte name padded with NUL bytes, the data
// offset, the data size), then the entries' data, stored as they are.

inline constexpr std::uint32_t kDirectoryStart = 4;
inline constexpr std::uint32_t kDirectoryEntrySize = 136;
inline constexpr std::uint32_t kEntryNameSize = 128;

struct ArchiveEntry {
    int index = 0;
    std::string name;  // the stored name with every NUL byte removed
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// One directory entry from its 136 bytes.
ArchiveEntry decodeDirectoryEntry(std::span<const std::uint8_t> entry, int index);

// The 128 bytes of a stored name, as they lie in the directory.
using StoredName = std::span<const std::uint8_t, kEntryNameSize>;

// The stored name with every NUL byte removed.
std::string storedName(StoredName raw);

// Reads the directory of an open archive in order, reading no more of it
// than needed, and returns the first entry whose stored name `wanted`
// accepts. A count below zero or a directory longer than the file throws
// FileError with a clear text: nothing past the file is read.
// A test of stored names that is called for every entry of a directory of
// thousands: a plain reference to the caller's function, no allocation.
class NameTest {
public:
    template <class F>
    NameTest(const F& f) : object_(&f), call_([](const void* o, StoredName n) { return (*static_cast<const F*>(o))(n); }) {}
    NameTest(bool (*f)(StoredName)) : object_(reinterpret_cast<const void*>(f)), call_([](const void* o, StoredName n) {
        return reinterpret_cast<bool (*)(StoredName)>(const_cast<void*>(o))(n);
    }) {}
    bool operator()(StoredName name) const { return call_(object_, name); }

private:
    const void* object_;
    bool (*call_)(const void*, StoredName);
};

std::optional<ArchiveEntry> findArchiveEntry(const ByteFile& archive, NameTest wanted);

// Whether a stored name, NUL bytes removed, ends in ".ct" (the collision
// mesh), case-sensitively.
bool isCollisionEntry(StoredName name);

}  // namespace varnisk

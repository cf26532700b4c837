#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/GameFiles.h"

namespace varnisk {

// The game's archive cars.wad: a signed 32-bit entry count, then a directory
// of 136-byte entries (a 128-byte name padded with NUL bytes, the data
// offset, the data size), then the entries' data, stored as they are.

inline constexpr std::uint32_t kDirectoryStart = 4;
inline constexpr std::uint32_t kDirectoryEntrySize = 136;
inline constexpr std::uint32_t kEntryNameSize = 128;

// The most entries a directory may hold. The game's archives hold some
// thousands, a car mod's a few more; 1 << 20 is hundreds of times that, and
// its directory (136 MiB) still reads in well under a second and its index
// (ArchiveIndex) takes 16 MiB. A count beyond it is damage: read on, a
// directory of 2^31 entries would take minutes to scan.
inline constexpr std::int32_t kMaxArchiveEntries = 1 << 20;

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

// The entry count of an open archive, checked before any of its directory is
// read: a count below zero, above kMaxArchiveEntries or of a directory
// longer than the file throws FileError with a clear text naming the file.
std::uint32_t archiveEntryCount(const ByteFile& archive);

// Reads the directory of an open archive in order, reading no more of it
// than needed, and returns the first entry whose stored name `wanted`
// accepts. The count is checked first (archiveEntryCount): nothing past the
// file is read.
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

// An archive's directory read once, for many look-ups by a key made from
// each stored name (a look-up name, say): the first entry whose key equals
// the one asked for. It keeps a hash of each entry's key and the entry's
// place, 16 bytes an entry, not the names: a look-up reads the one record
// its hash points at (more only when hashes collide) and checks its key, so
// a file that changed under the same stamp is noticed when that record
// tells, and the entry given is always as the file holds it now.
class ArchiveIndex {
public:
    using Key = std::string (*)(StoredName);

    // Reads and indexes the directory of `archive`, opened from `path`. The
    // count is checked first (archiveEntryCount); FileError as there.
    ArchiveIndex(const ByteFile& archive, const std::string& path, Key key);

    // Whether this is the directory of the file at `path` in the state
    // `stamp` tells (see ByteFile::stamp).
    bool readFrom(const std::string& path, const FileStamp& stamp) const {
        return path == path_ && stamp == stamp_;
    }

    std::uint32_t size() const { return count_; }

    struct Found {
        std::optional<ArchiveEntry> entry;
        // The file no longer holds what was indexed: its count differs, or a
        // record the index points at is gone or holds another key. Read the
        // directory again.
        bool changed = false;
    };
    // The first entry whose key is `key`, read from `archive` (the file the
    // index was read from).
    Found find(const ByteFile& archive, std::string_view key) const;

private:
    struct Slot {
        std::uint64_t hash;
        std::uint32_t index;
    };
    std::string path_;
    FileStamp stamp_;
    Key key_;
    std::uint32_t count_ = 0;
    std::vector<Slot> slots_;  // by hash, then by index
};

// Whether a stored name, NUL bytes removed, ends in ".ct" (the collision
// mesh), case-sensitively.
bool isCollisionEntry(StoredName name);

}  // namespace varnisk

#include "archive/Archive.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <vector>

#include "base/Bytes.h"
#include "base/Errors.h"

namespace varnisk {

namespace {

// Directory entries read at a time: enough to keep reads few, small enough
// that finding an early entry reads little.
constexpr std::uint32_t kEntriesPerRead = 256;

}  // namespace

ArchiveEntry decodeDirectoryEntry(std::span<const std::uint8_t> entry, int index) {
    ArchiveEntry e;
    e.index = index;
    e.name = storedName(entry.first<kEntryNameSize>());
    e.offset = bytes::u32(entry, kEntryNameSize);
    e.size = bytes::u32(entry, kEntryNameSize + 4);
    return e;
}

std::string storedName(StoredName raw) {
    std::string name;
    name.reserve(kEntryNameSize);
    for (std::uint8_t c : raw) {
        if (c != 0) name.push_back(static_cast<char>(c));
    }
    return name;
}

std::uint32_t archiveEntryCount(const ByteFile& archive) {
    std::uint8_t head[4];
    archive.read(0, head);
    const std::int32_t count = bytes::i32(head, 0);
    const std::string name = fileNameOf(archive.path());
    if (count < 0) {
        throw FileError(name + " is damaged: its directory holds " + std::to_string(count) + " entries.");
    }
    if (count > kMaxArchiveEntries) {
        throw FileError(name + " is damaged: its directory claims " + std::to_string(count) +
                        " entries, more than the " + std::to_string(kMaxArchiveEntries) + " an archive holds.");
    }
    const std::uint64_t directoryEnd = kDirectoryStart + static_cast<std::uint64_t>(count) * kDirectoryEntrySize;
    if (directoryEnd > archive.size()) {
        throw FileError(name + " is damaged: its directory of " + std::to_string(count) +
                        " entries is longer than the file (" + std::to_string(archive.size()) + " bytes).");
    }
    return static_cast<std::uint32_t>(count);
}

namespace {

// Calls `each(record, index)` for the directory's records in order, read
// kEntriesPerRead at a time, until it returns true; returns that index.
template <class F>
std::optional<std::uint32_t> forEachRecord(const ByteFile& archive, std::uint32_t count, F each) {
    std::vector<std::uint8_t> chunk;
    for (std::uint32_t first = 0; first < count; first += kEntriesPerRead) {
        const std::uint32_t n = std::min<std::uint32_t>(kEntriesPerRead, count - first);
        chunk.resize(static_cast<std::size_t>(n) * kDirectoryEntrySize);
        archive.read(kDirectoryStart + static_cast<std::uint64_t>(first) * kDirectoryEntrySize, chunk);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::span<const std::uint8_t> entry =
                std::span(chunk).subspan(static_cast<std::size_t>(i) * kDirectoryEntrySize, kDirectoryEntrySize);
            if (each(entry, first + i)) return first + i;
        }
    }
    return std::nullopt;
}

std::uint64_t keyHash(std::string_view key) { return std::hash<std::string_view>{}(key); }

}  // namespace

std::optional<ArchiveEntry> findArchiveEntry(const ByteFile& archive, NameTest wanted) {
    const std::uint32_t count = archiveEntryCount(archive);
    std::optional<ArchiveEntry> found;
    forEachRecord(archive, count, [&](std::span<const std::uint8_t> entry, std::uint32_t index) {
        if (!wanted(entry.first<kEntryNameSize>())) return false;
        found = decodeDirectoryEntry(entry, static_cast<int>(index));
        return true;
    });
    return found;
}

ArchiveIndex::ArchiveIndex(const ByteFile& archive, const std::string& path, Key key)
    : path_(path), stamp_(archive.stamp()), key_(key), count_(archiveEntryCount(archive)) {
    slots_.reserve(count_);
    forEachRecord(archive, count_, [&](std::span<const std::uint8_t> entry, std::uint32_t index) {
        slots_.push_back({keyHash(key_(entry.first<kEntryNameSize>())), index});
        return false;
    });
    // Stable: entries of the same hash stay in directory order.
    std::stable_sort(slots_.begin(), slots_.end(), [](const Slot& a, const Slot& b) { return a.hash < b.hash; });
}

ArchiveIndex::Found ArchiveIndex::find(const ByteFile& archive, std::string_view key) const {
    Found result;
    std::uint8_t head[4];
    if (!archive.fits(0, sizeof head)) {
        result.changed = true;
        return result;
    }
    archive.read(0, head);
    if (bytes::u32(head, 0) != count_) {
        result.changed = true;
        return result;
    }
    const std::uint64_t hash = keyHash(key);
    auto it = std::lower_bound(slots_.begin(), slots_.end(), hash,
                               [](const Slot& s, std::uint64_t h) { return s.hash < h; });
    std::array<std::uint8_t, kDirectoryEntrySize> record;
    for (; it != slots_.end() && it->hash == hash; ++it) {
        const std::uint64_t at = kDirectoryStart + std::uint64_t{it->index} * kDirectoryEntrySize;
        if (!archive.fits(at, kDirectoryEntrySize)) {
            result.changed = true;
            return result;
        }
        archive.read(at, record);
        if (key_(StoredName(record.data(), kEntryNameSize)) == key) {
            result.entry = decodeDirectoryEntry(record, static_cast<int>(it->index));
            return result;
        }
        // Another key of the same hash, or the file changed: the caller reads
        // the directory again when its index was not fresh.
        result.changed = true;
    }
    return result;
}

bool isCollisionEntry(StoredName name) {
    // Every entry of a large directory passes through here, so the last byte
    // that is not NUL is found from the end, 32 and then 8 bytes at a time:
    // names are short and padded.
    auto word = [&name](std::size_t end) {
        std::uint64_t w = 0;
        std::memcpy(&w, name.data() + end - 8, 8);
        return w;
    };
    std::size_t end = kEntryNameSize;
    while (end >= 32 && (word(end) | word(end - 8) | word(end - 16) | word(end - 24)) == 0) end -= 32;
    std::size_t last = kEntryNameSize;
    for (; end >= 8; end -= 8) {
        if (const std::uint64_t w = word(end); w != 0) {
            last = end - 8 + static_cast<std::size_t>(63 - std::countl_zero(w)) / 8;
            break;
        }
    }
    if (last == kEntryNameSize) return false;
    // The three last characters once the NUL bytes are gone.
    char tail[3];
    int found = 0;
    for (std::size_t i = last + 1; i > 0 && found < 3; --i) {
        if (name[i - 1] != 0) tail[2 - found++] = static_cast<char>(name[i - 1]);
    }
    return found == 3 && tail[0] == '.' && tail[1] == 'c' && tail[2] == 't';
}

}  // namespace varnisk

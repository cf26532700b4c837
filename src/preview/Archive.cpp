#include "preview/Archive.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "form/Errors.h"
#include "gamedata/Bytes.h"

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

std::optional<ArchiveEntry> findArchiveEntry(const ByteFile& archive, NameTest wanted) {
    std::uint8_t head[4];
    archive.read(0, head);
    const std::int32_t count = bytes::i32(head, 0);
    const std::string name = fileNameOf(archive.path());
    if (count < 0) {
        throw FileError(name + " is damaged: its directory holds " + std::to_string(count) + " entries.");
    }
    const std::uint64_t directoryEnd = kDirectoryStart + static_cast<std::uint64_t>(count) * kDirectoryEntrySize;
    if (directoryEnd > archive.size()) {
        throw FileError(name + " is damaged: its directory of " + std::to_string(count) +
                        " entries is longer than the file (" + std::to_string(archive.size()) + " bytes).");
    }
    std::vector<std::uint8_t> chunk;
    for (std::uint32_t first = 0; first < static_cast<std::uint32_t>(count); first += kEntriesPerRead) {
        const std::uint32_t n = std::min<std::uint32_t>(kEntriesPerRead, static_cast<std::uint32_t>(count) - first);
        chunk.resize(static_cast<std::size_t>(n) * kDirectoryEntrySize);
        archive.read(kDirectoryStart + static_cast<std::uint64_t>(first) * kDirectoryEntrySize, chunk);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::span<const std::uint8_t> entry =
                std::span(chunk).subspan(static_cast<std::size_t>(i) * kDirectoryEntrySize, kDirectoryEntrySize);
            if (wanted(entry.first<kEntryNameSize>())) {
                return decodeDirectoryEntry(entry, static_cast<int>(first + i));
            }
        }
    }
    return std::nullopt;
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

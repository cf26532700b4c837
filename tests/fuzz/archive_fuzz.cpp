// cars.wad as a whole file: the directory entries and their stored names,
// the search for the collision entry (findArchiveEntry reads an open file,
// so the input is written to a scratch file first), and Import All's reading
// of the tyre records behind that entry, twice, the second time through the
// kept look-up; and the directory's index by name.
//
// Beside memory errors it stops when the fast test for ".ct" names, the
// search or the tyre records disagree with a plain reading of the bytes.

#include <bit>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "archive/Archive.h"
#include "base/Bytes.h"
#include "base/Errors.h"
#include "core/Editor.h"
#include "files/GameFiles.h"
#include "gamedata/TyreData.h"

namespace varnisk::fuzz {

namespace {

std::string plainName(std::span<const std::uint8_t> raw) {
    std::string name;
    for (std::uint8_t c : raw) {
        if (c != 0) name.push_back(static_cast<char>(c));
    }
    return name;
}

bool plainIsCollision(std::span<const std::uint8_t> raw) { return plainName(raw).ends_with(".ct"); }

// `plain` is plainName(raw).
void checkName(std::span<const std::uint8_t> raw, const std::string& plain) {
    const StoredName name = raw.first<kEntryNameSize>();
    require(storedName(name) == plain, "a stored name read wrong");
    require(isCollisionEntry(name) == plain.ends_with(".ct"), "the collision test disagrees with the name");
}

// What findArchiveEntry(archive, isCollisionEntry) must give: the first
// ".ct" entry, none, or an error for a directory that does not fit.
struct Expected {
    bool error = false;
    std::optional<ArchiveEntry> entry;
};

Expected plainSearch(std::span<const std::uint8_t> file) {
    if (file.size() < kDirectoryStart) return {true, std::nullopt};
    const std::int32_t count = bytes::i32(file, 0);
    if (count < 0 || count > kMaxArchiveEntries ||
        kDirectoryStart + std::uint64_t(count) * kDirectoryEntrySize > file.size()) {
        return {true, std::nullopt};
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const auto record = file.subspan(kDirectoryStart + std::size_t(i) * kDirectoryEntrySize, kDirectoryEntrySize);
        if (plainIsCollision(record.first(kEntryNameSize))) {
            return {false, ArchiveEntry{i, plainName(record.first(kEntryNameSize)), bytes::u32(record, kEntryNameSize),
                                        bytes::u32(record, kEntryNameSize + 4)}};
        }
    }
    return {false, std::nullopt};
}

bool sameEntry(const ArchiveEntry& a, const ArchiveEntry& b) {
    return a.index == b.index && a.name == b.name && a.offset == b.offset && a.size == b.size;
}

// Import All's step: the tyre records of the collision entry, or the error
// or message it gives.
void checkTyrePositions(const std::string& path, std::span<const std::uint8_t> file, const Expected& expected) {
    Editor& e = sharedEditor();
    e.ManualWadPath = path;
    e.collisionLookup = {};
    for (int pass = 0; pass < 2; ++pass) {
        e.game.CollisionEntry.reset();
        bool error = false;
        try {
            readTyrePositions(e);
        } catch (const FileError&) {
            error = true;
        }
        if (expected.error || !expected.entry) {
            require(error == expected.error, "a directory that does not fit taken, or a good one refused");
            require(!e.game.CollisionEntry, "a collision entry kept where there is none");
            continue;
        }
        const std::uint64_t offset = expected.entry->offset;
        const bool fits = offset + kTyrePosOffsets[3] + kTyreRecordSize <= file.size();
        require(error == !fits, "tyre records past the end taken, or records inside refused");
        if (!fits) {
            require(!e.game.CollisionEntry, "a collision entry kept whose records lie past the end");
            continue;
        }
        require(e.game.CollisionEntry == expected.entry->offset, "the collision entry kept at another place");
        for (std::size_t j = 0; j < 4; ++j) {
            for (std::size_t v = 0; v < 3; ++v) {
                const std::uint32_t stored = bytes::u32(file, offset + kTyrePosOffsets[j] + 4 * v);
                require(std::bit_cast<std::uint32_t>(e.game.tyres[j][v]) == stored, "a tyre value read wrong");
            }
        }
    }
    e.ManualWadPath.clear();
}

// The directory read once into an index by stored name: each name looked up
// gives the first entry of that name, a name no entry has gives none, and
// the index never reports a change of the file it was just read from.
void checkIndex(const ByteFile& archive, const std::string& path, std::span<const std::uint8_t> file,
                const Expected& expected) {
    std::optional<ArchiveIndex> index;
    try {
        index.emplace(archive, path, storedName);
    } catch (const FileError&) {
        require(expected.error, "a good directory refused by the index");
        return;
    }
    require(!expected.error, "a directory that does not fit indexed");
    const auto count = static_cast<std::uint32_t>(bytes::i32(file, 0));
    require(index->size() == count, "an index of another size than the directory");
    auto record = [&](std::uint32_t i) { return file.subspan(kDirectoryStart + std::size_t(i) * kDirectoryEntrySize, kDirectoryEntrySize); };
    std::vector<std::string> names;  // of the entries looked up
    for (std::uint32_t i = 0; i < count && i < 64; ++i) names.push_back(plainName(record(i).first(kEntryNameSize)));
    for (std::uint32_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        std::uint32_t first = 0;
        while (names[first] != name) ++first;
        const ArchiveIndex::Found found = index->find(archive, name);
        require(!found.changed, "a fresh index that finds its file changed");
        require(found.entry && sameEntry(*found.entry, decodeDirectoryEntry(record(first), static_cast<int>(first))),
                "the index gave another entry than the first of the name");
    }
    const std::string none(kEntryNameSize + 1, 'x');  // longer than any stored name
    require(!index->find(archive, none).entry, "the index found a name no entry has");
}

}  // namespace

int fuzzArchive(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);

    // The stored names, from the directory and from any place of the input.
    for (std::size_t at = kDirectoryStart; at + kDirectoryEntrySize <= size; at += kDirectoryEntrySize) {
        const ArchiveEntry entry = decodeDirectoryEntry(file.subspan(at, kDirectoryEntrySize), 7);
        const std::string plain = plainName(file.subspan(at, kEntryNameSize));
        require(entry.index == 7 && entry.name == plain, "a directory entry read wrong");
        checkName(file.subspan(at, kEntryNameSize), plain);
    }
    for (std::size_t at = 0; at + kEntryNameSize <= size && at < 8; ++at) {
        checkName(file.subspan(at, kEntryNameSize), plainName(file.subspan(at, kEntryNameSize)));
    }

    const Expected expected = plainSearch(file);
    // One scratch file for the whole run, rewritten for each input and
    // removed when the process ends: creating and removing a file per input
    // cost more than the reading under test.
    static const ScratchFile scratch(".wad");
    const std::string& path = scratch.path;
    writeScratch(path, file);
    {
        const ByteFile archive(path, ByteFile::Mode::ReadOnly);
        bool error = false;
        std::optional<ArchiveEntry> found;
        try {
            found = findArchiveEntry(archive, isCollisionEntry);
        } catch (const FileError&) {
            error = true;
        }
        require(error == expected.error, "a directory that does not fit taken, or a good one refused");
        require(found.has_value() == expected.entry.has_value() && (!found || sameEntry(*found, *expected.entry)),
                "the search found another entry than the first .ct entry");
        checkIndex(archive, path, file, expected);
    }
    checkTyrePositions(path, file, expected);
    return 0;
}

}  // namespace varnisk::fuzz

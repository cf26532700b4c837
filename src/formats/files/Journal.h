#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace varnisk {

// The rollback journal: what a change to the game files is about to do,
// written and flushed beside them before their first byte changes. For each
// file it holds the path, the size and, for every range about to change, the
// bytes before and after. A journal still there when Varnisk next opens the
// game files tells of a change that was cut off; its bytes before put every
// file back.
//
// On disk: the line "VARNISK JOURNAL 1", the operation's name, the files
// (u32 count; each: u32 path length, path, u64 size, u32 range count; each
// range: u64 offset, u32 length, the bytes before, the bytes after), then
// the journal's own length (u64) and a CRC-32 of everything before it (u32),
// all little-endian. A journal cut short or changed fails its checks.

struct JournalRange {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> before, after;  // of the same length
    bool operator==(const JournalRange&) const = default;
};

struct JournalFile {
    std::string path;
    std::uint64_t size = 0;
    std::vector<JournalRange> ranges;
    bool operator==(const JournalFile&) const = default;
};

struct Journal {
    std::string operation;  // "Export All", "restore"
    std::vector<JournalFile> files;
    bool operator==(const Journal&) const = default;
};

// A journal names at most the game's three files, each with at most this
// many ranges, none empty: a transaction merges ranges rather than write
// more, so a crafted journal of millions of ranges is refused as damaged
// before they take any memory.
inline constexpr std::size_t kMaxJournalFiles = 3;
inline constexpr std::size_t kMaxJournalRanges = 65536;

std::vector<std::uint8_t> encodeJournal(const Journal& journal);

// nullopt when the bytes are no journal of Varnisk's, or a damaged one:
// a wrong header, a count beyond what is left or beyond the limits above, an
// empty range or one outside its file, a length or checksum that does not
// match.
std::optional<Journal> decodeJournal(std::span<const std::uint8_t> bytes);

// CRC-32 (the polynomial of zip and PNG).
std::uint32_t crc32(std::span<const std::uint8_t> bytes);

}  // namespace varnisk

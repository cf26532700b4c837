// The text backup of the archive's patched ranges, as restoring reads it.
//
// Beside memory errors it stops when a backup that reads is not written
// back as the same size and ranges, or a damaged one fails otherwise than
// with the damaged-backup error.

#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "base/Errors.h"
#include "gamedata/Backup.h"

namespace varnisk::fuzz {

namespace {

bool sameRanges(const std::vector<Patch>& a, const std::vector<Patch>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].offset != b[i].offset || a[i].bytes != b[i].bytes) return false;
    }
    return true;
}

}  // namespace

int fuzzBackup(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::uint64_t fileSize = 0;
    std::vector<Patch> ranges;
    try {
        ranges = decodeRangeBackup(text, fileSize);
    } catch (const FileError&) {
        return 0;
    }
    for (const Patch& r : ranges) require(!r.bytes.empty(), "a range of no bytes");
    std::uint64_t again = 0;
    std::vector<Patch> reread;
    try {
        reread = decodeRangeBackup(encodeRangeBackup(fileSize, ranges), again);
    } catch (const FileError&) {
        fail("a backup that reads, written again, does not read");
    }
    require(again == fileSize && sameRanges(reread, ranges), "a backup that does not read back as written");
    return 0;
}

}  // namespace varnisk::fuzz

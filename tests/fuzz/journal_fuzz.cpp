// The export journal, as the next start reads one that was left behind: the
// input as it is, and the input as the body of a journal whose trailer
// (length and CRC-32) is made to match, so that the fuzzer reaches the
// counts behind the checksum.
//
// Beside memory errors it stops when a journal that reads does not encode
// back to its own bytes, or holds a range outside its file or ranges whose
// bytes before and after differ in length.

#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "FuzzTargets.h"
#include "base/Bytes.h"
#include "files/Journal.h"

namespace varnisk::fuzz {

namespace {

void check(std::span<const std::uint8_t> bytes) {
    const std::optional<Journal> journal = decodeJournal(bytes);
    if (!journal) return;
    for (const JournalFile& f : journal->files) {
        require(!f.path.empty(), "a journal file without a path");
        for (const JournalRange& r : f.ranges) {
            require(r.before.size() == r.after.size(), "a range whose bytes before and after differ in length");
            require(r.offset <= f.size && r.before.size() <= f.size - r.offset, "a range outside its file");
        }
    }
    const std::vector<std::uint8_t> encoded = encodeJournal(*journal);
    require(std::equal(encoded.begin(), encoded.end(), bytes.begin(), bytes.end()),
            "a journal that does not encode back to its bytes");
}

}  // namespace

int fuzzJournal(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    check(input);

    constexpr std::string_view kMagic = "VARNISK JOURNAL 1\n";
    std::vector<std::uint8_t> sealed(kMagic.begin(), kMagic.end());
    sealed.insert(sealed.end(), input.begin(), input.end());
    const std::uint64_t length = sealed.size() + 12;
    for (int i = 0; i < 8; ++i) sealed.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    bytes::addU32(sealed, crc32(sealed));
    check(sealed);
    return 0;
}

}  // namespace varnisk::fuzz

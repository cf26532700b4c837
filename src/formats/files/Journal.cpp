#include "files/Journal.h"

#include <array>
#include <cstring>

#include "base/Bytes.h"

namespace varnisk {

namespace {

constexpr char kMagic[] = "VARNISK JOURNAL 1\n";
constexpr std::size_t kMagicSize = sizeof kMagic - 1;
// Names longer than this are no path of a game file.
constexpr std::uint32_t kMaxText = 4096;

void addU64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void addText(std::vector<std::uint8_t>& out, const std::string& text) {
    bytes::addU32(out, static_cast<std::uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

// Reads forward through the bytes; every read first checks what is left.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> b) : b_(b) {}
    std::size_t left() const { return b_.size() - at_; }
    bool u32(std::uint32_t& v) {
        if (left() < 4) return false;
        v = bytes::u32(b_, at_);
        at_ += 4;
        return true;
    }
    bool u64(std::uint64_t& v) {
        if (left() < 8) return false;
        v = 0;
        for (int i = 0; i < 8; ++i) v |= std::uint64_t{b_[at_ + static_cast<std::size_t>(i)]} << (8 * i);
        at_ += 8;
        return true;
    }
    bool take(std::size_t count, std::span<const std::uint8_t>& out) {
        if (left() < count) return false;
        out = b_.subspan(at_, count);
        at_ += count;
        return true;
    }
    bool text(std::string& out) {
        std::uint32_t size = 0;
        std::span<const std::uint8_t> raw;
        if (!u32(size) || size > kMaxText || !take(size, raw)) return false;
        out.assign(raw.begin(), raw.end());
        return true;
    }

private:
    std::span<const std::uint8_t> b_;
    std::size_t at_ = 0;
};

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::vector<std::uint8_t> encodeJournal(const Journal& journal) {
    std::vector<std::uint8_t> out(kMagic, kMagic + kMagicSize);
    addText(out, journal.operation);
    bytes::addU32(out, static_cast<std::uint32_t>(journal.files.size()));
    for (const JournalFile& f : journal.files) {
        addText(out, f.path);
        addU64(out, f.size);
        bytes::addU32(out, static_cast<std::uint32_t>(f.ranges.size()));
        for (const JournalRange& r : f.ranges) {
            addU64(out, r.offset);
            bytes::addU32(out, static_cast<std::uint32_t>(r.before.size()));
            out.insert(out.end(), r.before.begin(), r.before.end());
            out.insert(out.end(), r.after.begin(), r.after.end());
        }
    }
    addU64(out, out.size() + 12);
    bytes::addU32(out, crc32(out));
    return out;
}

std::optional<Journal> decodeJournal(std::span<const std::uint8_t> bytes) {
    // The trailer first: a journal cut short or grown is refused before any
    // count in it is believed.
    if (bytes.size() < kMagicSize + 12 || std::memcmp(bytes.data(), kMagic, kMagicSize) != 0) return std::nullopt;
    const std::size_t body = bytes.size() - 12;
    std::uint64_t length = 0;
    for (int i = 0; i < 8; ++i) length |= std::uint64_t{bytes[body + static_cast<std::size_t>(i)]} << (8 * i);
    if (length != bytes.size() || bytes::u32(bytes, body + 8) != crc32(bytes.first(body + 8))) return std::nullopt;

    Reader in(bytes.subspan(kMagicSize, body - kMagicSize));
    Journal j;
    std::uint32_t files = 0;
    if (!in.text(j.operation) || !in.u32(files) || files > kMaxJournalFiles) return std::nullopt;
    for (std::uint32_t n = 0; n < files; ++n) {
        JournalFile f;
        std::uint32_t ranges = 0;
        if (!in.text(f.path) || f.path.empty() || !in.u64(f.size) || !in.u32(ranges) || ranges > kMaxJournalRanges) {
            return std::nullopt;
        }
        for (std::uint32_t k = 0; k < ranges; ++k) {
            JournalRange r;
            std::uint32_t count = 0;
            std::span<const std::uint8_t> before, after;
            if (!in.u64(r.offset) || !in.u32(count) || !in.take(count, before) || !in.take(count, after)) {
                return std::nullopt;
            }
            if (count == 0 || r.offset > f.size || count > f.size - r.offset) return std::nullopt;
            r.before.assign(before.begin(), before.end());
            r.after.assign(after.begin(), after.end());
            f.ranges.push_back(std::move(r));
        }
        j.files.push_back(std::move(f));
    }
    if (in.left() != 0) return std::nullopt;
    return j;
}

}  // namespace varnisk

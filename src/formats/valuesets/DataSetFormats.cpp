#include "valuesets/DataSetFormats.h"

#include <algorithm>

#include "base/Bytes.h"
#include "game/ExeLayout.h"
#include "game/SavedState.h"
#include "numeric/Numbers.h"

namespace varnisk {

namespace {

// Reads a byte span front to back; every read is checked against what is
// left, and a read that does not fit takes nothing.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // The next `count` bytes, or nullopt when the file ends before.
    std::optional<std::span<const std::uint8_t>> take(std::size_t count) {
        if (count > bytes_.size() - at_) return std::nullopt;
        std::span<const std::uint8_t> out = bytes_.subspan(at_, count);
        at_ += count;
        return out;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

GameData::CameraRecord cameraRecord(std::span<const std::uint8_t> b) {
    GameData::CameraRecord r{};
    for (std::size_t j = 0; j < r.size(); ++j) r[j] = bytes::i16(b, 2 * j);
    return r;
}

std::array<std::int16_t, 2> shortPair(std::span<const std::uint8_t> b) { return {bytes::i16(b, 0), bytes::i16(b, 2)}; }

GameData::Pair floatPair(std::span<const std::uint8_t> b) { return {bytes::f32(b, 0), bytes::f32(b, 4)}; }

std::array<float, 3> floatTriple(std::span<const std::uint8_t> b) {
    return {bytes::f32(b, 0), bytes::f32(b, 4), bytes::f32(b, 8)};
}

void addCamera(std::vector<std::uint8_t>& out, const GameData::CameraRecord& r) {
    for (std::int16_t v : r) bytes::addI16(out, v);
}

bool contains(const std::vector<int>& list, int n) { return std::find(list.begin(), list.end(), n) != list.end(); }

// The masks name only the twelve camera records, the eleven teams and the
// four shared blocks.
bool masksInRange(const SaveMasks& m) {
    constexpr std::uint16_t kTeams = 0x07FF;
    for (std::uint16_t team : {m.tcamMask, m.helmetMask, m.extWheelMask, m.armMask, m.rimMask, m.brandMask, m.nameMask}) {
        if ((team & ~kTeams) != 0) return false;
    }
    return (m.cameraMask & ~0x0FFF) == 0 && (m.globalMask & ~0x000F) == 0;
}

// Reads one member for each entry of a list: `read` gets the entry's index
// (the list number less one) and the member's bytes. False when the file
// ends first.
template <typename Read>
bool readEach(Reader& in, const std::vector<int>& list, std::size_t size, Read read) {
    for (int n : list) {
        std::optional<std::span<const std::uint8_t>> b = in.take(size);
        if (!b) return false;
        read(n - 1, *b);
    }
    return true;
}

void decodeSectioned(Reader& in, CarDataFile& f) {
    const bool v4 = f.version == 4;
    const SaveMasks& m = f.masks;
    const std::vector<int> global = maskToList(m.globalMask);
    auto truncated = [&f] { f.outcome = CarDataFile::Outcome::Truncated; };

    if (!readEach(in, maskToList(m.cameraMask), kCameraRecordSize,
                  [&f](int k, auto b) { f.cameras.emplace_back(k, cameraRecord(b)); })) {
        return truncated();
    }
    if (contains(global, 1)) {
        auto b = in.take(4);
        if (!b) return truncated();
        f.chase = shortPair(*b);
    }
    if (!readEach(in, maskToList(m.tcamMask), 4, [&f](int t, auto b) { f.tcam.emplace_back(t, shortPair(b)); })) {
        return truncated();
    }
    if (!readEach(in, maskToList(m.helmetMask), 8, [&f](int t, auto b) { f.helmets.emplace_back(t, floatPair(b)); })) {
        return truncated();
    }
    if (v4 && !readEach(in, maskToList(m.extWheelMask), 8,
                        [&f](int t, auto b) { f.extWheel.emplace_back(t, floatPair(b)); })) {
        return truncated();
    }
    if (!readEach(in, maskToList(m.armMask), 4, [&f](int t, auto b) { f.arms.emplace_back(t, bytes::u32(b, 0)); })) {
        return truncated();
    }
    if (!readEach(in, maskToList(m.rimMask), 4, [&f](int t, auto b) { f.rims.emplace_back(t, bytes::u32(b, 0)); })) {
        return truncated();
    }
    if (!readEach(in, maskToList(m.brandMask), 4, [&f](int t, auto b) { f.brands.emplace_back(t, bytes::i32(b, 0)); })) {
        return truncated();
    }
    if (contains(global, 4)) {
        auto b = in.take(48);
        if (!b) return truncated();
        std::array<GameData::TyreRecord, 4> tyres{};
        for (std::size_t j = 0; j < 4; ++j) tyres[j] = floatTriple(b->subspan(12 * j, 12));
        f.tyres = tyres;
    }
    if (contains(global, 3)) {
        auto b = in.take(12);
        if (!b) return truncated();
        f.dashboard = floatTriple(*b);
    }
    if (contains(global, 2)) {
        auto b = in.take(12);
        if (!b) return truncated();
        f.wheel = floatTriple(*b);
    }
    if (v4) {
        const std::size_t count = maskToList(m.nameMask).size();
        for (std::size_t t = 0; t < count; ++t) {
            auto b = in.take(kNameSize);
            if (!b) return truncated();
            f.names.push_back(decodeTeamName(*b));
        }
    }
}

void decodeHeaderless(Reader& in, std::size_t size, CarDataFile& f) {
    auto truncated = [&f] { f.outcome = CarDataFile::Outcome::Truncated; };
    const std::vector<int> all12{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const std::vector<int> all11(all12.begin(), all12.end() - 1);
    if (!readEach(in, all12, kCameraRecordSize, [&f](int k, auto b) { f.cameras.emplace_back(k, cameraRecord(b)); })) {
        return truncated();
    }
    auto chase = in.take(4);
    if (!chase) return truncated();
    f.chase = shortPair(*chase);
    if (!readEach(in, all11, 4, [&f](int t, auto b) { f.tcam.emplace_back(t, shortPair(b)); }) ||
        !readEach(in, all11, 8, [&f](int t, auto b) { f.helmets.emplace_back(t, floatPair(b)); }) ||
        !readEach(in, all11, 4, [&f](int t, auto b) { f.arms.emplace_back(t, bytes::u32(b, 0)); }) ||
        !readEach(in, all11, 4, [&f](int t, auto b) { f.rims.emplace_back(t, bytes::u32(b, 0)); })) {
        return truncated();
    }
    auto tyres = in.take(48);
    if (!tyres) return truncated();
    std::array<GameData::TyreRecord, 4> records{};
    for (std::size_t j = 0; j < 4; ++j) records[j] = floatTriple(tyres->subspan(12 * j, 12));
    f.tyres = records;
    if (!readEach(in, all11, 4, [&f](int t, auto b) {
            f.brands.emplace_back(t, bytes::u32(b, 0) == kBridgestoneCode ? 0 : 1);
        })) {
        return truncated();
    }
    if (size == kHeaderlessCockpitSize) {
        f.dashboard = floatTriple(*in.take(12));
        f.wheel = floatTriple(*in.take(12));
    }
}

}  // namespace

std::vector<int> maskToList(std::uint16_t mask) {
    std::vector<int> list;
    unsigned rest = mask;
    for (int n = 12; n >= 1; --n) {
        const unsigned bit = 1u << (n - 1);
        if (rest >= bit) {
            list.push_back(n);
            rest -= bit;
        }
    }
    return list;
}

std::vector<std::uint8_t> encodeCarData(const SaveMasks& m, const GameData& g, const std::array<int, 11>& brands) {
    std::vector<std::uint8_t> out;
    for (std::uint16_t word : {kCarDataVersion, m.cameraMask, m.tcamMask, m.helmetMask, m.armMask, m.rimMask,
                               m.brandMask, m.globalMask, m.extWheelMask, m.nameMask}) {
        bytes::addU16(out, word);
    }
    // Entries beyond the arrays are never written (the selection window
    // cannot name them).
    auto each = [](std::uint16_t mask, std::size_t count, auto write) {
        for (int n : maskToList(mask)) {
            if (static_cast<std::size_t>(n) <= count) write(static_cast<std::size_t>(n - 1));
        }
    };
    auto addPair = [&out](const GameData::Pair& p) {
        bytes::addF32(out, p[0]);
        bytes::addF32(out, p[1]);
    };
    const std::vector<int> global = maskToList(m.globalMask);

    each(m.cameraMask, 12, [&](std::size_t k) { addCamera(out, g.cameras[k]); });
    if (contains(global, 1)) {
        bytes::addI16(out, g.chase[0]);
        bytes::addI16(out, g.chase[1]);
    }
    each(m.tcamMask, 11, [&](std::size_t t) {
        bytes::addI16(out, g.tcam[t][0]);
        bytes::addI16(out, g.tcam[t][1]);
    });
    each(m.helmetMask, 11, [&](std::size_t t) { addPair(g.helmets[t]); });
    each(m.extWheelMask, 11, [&](std::size_t t) { addPair(g.extWheel[t]); });
    each(m.armMask, 11, [&](std::size_t t) { bytes::addU32(out, g.arms[t]); });
    each(m.rimMask, 11, [&](std::size_t t) { bytes::addU32(out, g.rims[t]); });
    each(m.brandMask, 11, [&](std::size_t t) { bytes::addU32(out, static_cast<std::uint32_t>(brands[t])); });
    if (contains(global, 4)) {
        for (const GameData::TyreRecord& r : g.tyres) {
            for (float v : r) bytes::addF32(out, v);
        }
    }
    if (contains(global, 3)) {
        for (std::size_t i = 0; i < 3; ++i) bytes::addF32(out, g.cockpit[i]);
    }
    if (contains(global, 2)) {
        for (std::size_t i = 3; i < 6; ++i) bytes::addF32(out, g.cockpit[i]);
    }
    // The names of the first N teams, N being the number of ticked names.
    const std::size_t names = std::min<std::size_t>(maskToList(m.nameMask).size(), g.names.size());
    for (std::size_t t = 0; t < names; ++t) {
        std::vector<std::uint8_t> field = encodeName(g.names[t]);
        out.insert(out.end(), field.begin(), field.end());
    }
    return out;
}

CarDataFile decodeCarData(std::span<const std::uint8_t> file) {
    CarDataFile f;
    Reader in(file);
    if (file.size() < 2) {
        f.outcome = CarDataFile::Outcome::Truncated;
        return f;
    }
    const std::uint16_t first = bytes::u16(file, 0);
    if (first != 3 && first != 4) {
        decodeHeaderless(in, file.size(), f);
        return f;
    }
    const std::size_t headerSize = first == 4 ? kCarDataHeaderSize : kCarDataV3HeaderSize;
    std::optional<std::span<const std::uint8_t>> h = in.take(headerSize);
    if (!h) {
        f.outcome = CarDataFile::Outcome::Truncated;
        return f;
    }
    f.version = first;
    SaveMasks& m = f.masks;
    m.cameraMask = bytes::u16(*h, 2);
    m.tcamMask = bytes::u16(*h, 4);
    m.helmetMask = bytes::u16(*h, 6);
    m.armMask = bytes::u16(*h, 8);
    m.rimMask = bytes::u16(*h, 10);
    m.brandMask = bytes::u16(*h, 12);
    m.globalMask = bytes::u16(*h, 14);
    if (first == 4) {
        m.extWheelMask = bytes::u16(*h, 16);
        m.nameMask = bytes::u16(*h, 18);
    }
    if (!masksInRange(m)) {
        f.outcome = CarDataFile::Outcome::DamagedHeader;
        return f;
    }
    decodeSectioned(in, f);
    return f;
}

CameraSetLayout cameraSetLayout(std::uint64_t size) {
    switch (size) {
    case 244: return {0, 11, true};
    case 224: return {0, 10, true};
    case 204: return {1, 10, true};
    case 200: return {1, 10, false};
    default: break;
    }
    if (size < 204) return {1, 9, false};
    if (size < 224) return {1, 9, true};
    return {0, 9, true};
}

std::vector<std::uint8_t> encodeCameraSet(const std::array<GameData::CameraRecord, 12>& cameras,
                                          const std::array<std::int16_t, 2>& chase) {
    std::vector<std::uint8_t> out;
    for (const GameData::CameraRecord& r : cameras) addCamera(out, r);
    bytes::addI16(out, chase[0]);
    bytes::addI16(out, chase[1]);
    return out;
}

CameraSetFile decodeCameraSet(std::span<const std::uint8_t> file) {
    CameraSetFile f;
    f.layout = cameraSetLayout(file.size());
    Reader in(file);
    for (int k = f.layout.first; k <= f.layout.last; ++k) {
        auto b = in.take(kCameraRecordSize);
        if (!b) {
            f.complete = false;
            return f;
        }
        f.records.push_back(cameraRecord(*b));
    }
    if (f.layout.chase) {
        auto b = in.take(4);
        if (!b) {
            f.complete = false;
            return f;
        }
        f.chase = shortPair(*b);
    }
    return f;
}

TyreSetFile decodeTyreSet(std::span<const std::uint8_t> file) {
    TyreSetFile f;
    Reader in(file);
    for (int t = 0; t < 11; ++t) {
        auto b = in.take(2);
        if (!b) {
            f.complete = false;
            return f;
        }
        f.brands.push_back(bytes::u16(*b, 0));
    }
    return f;
}

}  // namespace varnisk

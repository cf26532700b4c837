// The program's value set files: the input, cut to the read limit as the
// loader cuts a file, decoded as a car data file, a camera set and a tyre
// set, and its first word as a header mask.
//
// Beside memory errors it stops when a decoded member names a camera or a
// team that does not exist, when a complete file does not encode back to
// its own bytes, or when a file is called complete or truncated wrongly.

#include <algorithm>
#include <array>
#include <set>
#include <span>
#include <vector>

#include "FuzzTargets.h"
#include "base/Bytes.h"
#include "game/ExeLayout.h"
#include "valuesets/DataSetFormats.h"

namespace varnisk::fuzz {

namespace {

void checkMaskList(std::uint16_t mask) {
    const std::vector<int> list = maskToList(mask);
    unsigned taken = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        require(list[i] >= 1 && list[i] <= 12, "a mask list entry outside 1..12");
        require(i == 0 || list[i] < list[i - 1], "a mask list not highest first");
        taken += 1u << (list[i] - 1);
    }
    require(taken <= mask, "a mask list taking more than the mask");
    if (mask < 4096) {
        require(taken == mask, "a mask below 4096 whose list is not its bits");
    } else {
        require(list.size() == 12, "a mask from 4096 up whose list is not all twelve");
    }
}

template <typename Value>
void checkIndices(const std::vector<std::pair<int, Value>>& members, int count) {
    std::set<int> seen;
    for (const auto& member : members) {
        require(member.first >= 0 && member.first < count, "a member of a camera or team that does not exist");
        require(seen.insert(member.first).second, "a member read twice");
    }
}

// A complete version 3 or 4 file encodes back to its own bytes, the names
// as the program reads them.
void checkRoundTrip(const CarDataFile& f, std::span<const std::uint8_t> file) {
    GameData g;
    std::array<int, 11> brands{};
    for (const auto& [k, r] : f.cameras) g.cameras[k] = r;
    if (f.chase) g.chase = *f.chase;
    for (const auto& [t, p] : f.tcam) g.tcam[t] = p;
    for (const auto& [t, p] : f.helmets) g.helmets[t] = p;
    for (const auto& [t, p] : f.extWheel) g.extWheel[t] = p;
    for (const auto& [t, c] : f.arms) g.arms[t] = c;
    for (const auto& [t, c] : f.rims) g.rims[t] = c;
    for (const auto& [t, b] : f.brands) brands[t] = b;
    if (f.tyres) g.tyres = *f.tyres;
    if (f.dashboard) std::copy(f.dashboard->begin(), f.dashboard->end(), g.cockpit.begin());
    if (f.wheel) std::copy(f.wheel->begin(), f.wheel->end(), g.cockpit.begin() + 3);
    for (std::size_t t = 0; t < f.names.size(); ++t) g.names[t] = f.names[t];

    const std::vector<std::uint8_t> encoded = encodeCarData(f.masks, g, brands);
    // Version 3's header lacks the last two masks, which then are zero.
    const std::size_t header = f.version == 4 ? kCarDataHeaderSize : kCarDataV3HeaderSize;
    const std::size_t names = f.names.size() * kNameSize;
    require(encoded.size() - kCarDataHeaderSize + header <= file.size(), "a complete file shorter than its members");
    require(std::equal(encoded.begin() + 2, encoded.begin() + static_cast<std::ptrdiff_t>(header), file.begin() + 2),
            "masks that encode differently");
    const std::size_t body = encoded.size() - kCarDataHeaderSize - names;
    require(std::equal(encoded.begin() + kCarDataHeaderSize, encoded.begin() + static_cast<std::ptrdiff_t>(kCarDataHeaderSize + body),
                       file.begin() + static_cast<std::ptrdiff_t>(header)),
            "a car data file that does not encode back to its bytes");
    for (std::size_t t = 0; t < f.names.size(); ++t) {
        const auto field = std::span(encoded).subspan(kCarDataHeaderSize + body + t * kNameSize, kNameSize);
        require(decodeTeamName(field) == f.names[t], "a team name that does not encode back");
    }
}

void checkCarData(std::span<const std::uint8_t> file) {
    const CarDataFile f = decodeCarData(file);
    checkIndices(f.cameras, 12);
    checkIndices(f.tcam, 11);
    checkIndices(f.helmets, 11);
    checkIndices(f.extWheel, 11);
    checkIndices(f.arms, 11);
    checkIndices(f.rims, 11);
    checkIndices(f.brands, 11);
    require(f.names.size() <= 11, "more than eleven names");
    for (const std::string& name : f.names) require(name.size() <= kNameSize, "a name longer than its field");
    require(f.version == 0 || f.version == 3 || f.version == 4, "an unknown version");
    if (f.outcome == CarDataFile::Outcome::DamagedHeader) {
        require(f.cameras.empty() && f.tcam.empty() && f.brands.empty() && f.names.empty() && !f.tyres,
                "members read behind a damaged header");
        return;
    }
    if (f.outcome != CarDataFile::Outcome::Complete) return;
    if (f.version == 0) {
        require(f.cameras.size() == 12 && f.tcam.size() == 11 && f.helmets.size() == 11 && f.arms.size() == 11 &&
                    f.rims.size() == 11 && f.brands.size() == 11 && f.tyres && f.chase,
                "a complete headerless file without all its members");
        require((f.dashboard && f.wheel) == (file.size() == kHeaderlessCockpitSize),
                "cockpit blocks read from a headerless file of another size, or missed");
        for (const auto& [t, b] : f.brands) require(b == 0 || b == 1, "a headerless brand other than 0 or 1");
        return;
    }
    require(f.cameras.size() == maskToList(f.masks.cameraMask).size() &&
                f.brands.size() == maskToList(f.masks.brandMask).size() &&
                f.names.size() == (f.version == 4 ? maskToList(f.masks.nameMask).size() : 0),
            "a complete file without the members its masks name");
    checkRoundTrip(f, file);
}

void checkCameraSet(std::span<const std::uint8_t> file) {
    const CameraSetFile f = decodeCameraSet(file);
    const CameraSetLayout& l = f.layout;
    require(l.first >= 0 && l.first <= l.last && l.last < 12, "a camera set layout outside the records");
    const std::size_t records = static_cast<std::size_t>(l.last - l.first + 1);
    const std::size_t needed = records * kCameraRecordSize + (l.chase ? 4 : 0);
    require(f.complete == (file.size() >= needed), "a camera set called complete or short wrongly");
    require(f.records.size() == std::min(records, file.size() / kCameraRecordSize), "camera records miscounted");
    require(f.chase.has_value() == (l.chase && f.complete), "a chase pair read or missed wrongly");
    for (std::size_t i = 0; i < f.records.size(); ++i) {
        for (std::size_t j = 0; j < 10; ++j) {
            require(f.records[i][j] == bytes::i16(file, i * kCameraRecordSize + 2 * j), "a camera value read wrong");
        }
    }
    if (file.size() == kCameraSetSize) {
        std::array<GameData::CameraRecord, 12> cameras{};
        std::copy(f.records.begin(), f.records.end(), cameras.begin());
        const std::vector<std::uint8_t> encoded = encodeCameraSet(cameras, *f.chase);
        require(std::equal(encoded.begin(), encoded.end(), file.begin(), file.end()),
                "a camera set that does not encode back to its bytes");
    }
}

void checkTyreSet(std::span<const std::uint8_t> file) {
    const TyreSetFile f = decodeTyreSet(file);
    require(f.complete == (file.size() >= kTyreSetSize), "a tyre set called complete or short wrongly");
    require(f.brands.size() == std::min<std::size_t>(11, file.size() / 2), "tyre brands miscounted");
    for (std::size_t t = 0; t < f.brands.size(); ++t) require(f.brands[t] == bytes::u16(file, 2 * t), "a brand read wrong");
}

}  // namespace

int fuzzDataSets(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, std::min(size, kDataSetReadLimit));
    if (file.size() >= 2) checkMaskList(bytes::u16(file, 0));
    checkCarData(file);
    checkCameraSet(file);
    checkTyreSet(file);
    return 0;
}

}  // namespace varnisk::fuzz

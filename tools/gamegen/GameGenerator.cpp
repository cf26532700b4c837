#include "GameGenerator.h"

#include "CarDesigns.h"
#include "ShapeWriter.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace varnisk::gamegen {

namespace {

// ---------------------------------------------------------------- bytes

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t patternWord(std::uint32_t seed, std::uint64_t wordIndex) {
    return mix((static_cast<std::uint64_t>(seed) << 40) ^ wordIndex);
}

std::vector<std::uint8_t> patternFile(std::uint32_t seed, std::uint64_t size) {
    std::vector<std::uint8_t> out(size);
    for (std::uint64_t word = 0; word * 8 < size; ++word) {
        const std::uint64_t bits = patternWord(seed, word);
        const std::uint64_t end = std::min<std::uint64_t>(size, word * 8 + 8);
        for (std::uint64_t at = word * 8; at < end; ++at)
            out[at] = static_cast<std::uint8_t>(bits >> (8 * (at & 7)));
    }
    return out;
}

// Writes into a file image; the bytes past its end are left out, so a file
// cut short is the start of the full one.
class Image {
public:
    explicit Image(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    void put(std::uint64_t at, std::span<const std::uint8_t> data) {
        for (std::size_t i = 0; i < data.size(); ++i)
            if (at + i < bytes_.size()) bytes_[at + i] = data[i];
    }
    void u8(std::uint64_t at, std::uint8_t v) { put(at, std::span(&v, 1)); }
    void u16(std::uint64_t at, std::uint16_t v) {
        const std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
        put(at, b);
    }
    void i16(std::uint64_t at, std::int16_t v) { u16(at, static_cast<std::uint16_t>(v)); }
    void u32(std::uint64_t at, std::uint32_t v) {
        const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        put(at, b);
    }
    void f32(std::uint64_t at, float v) { u32(at, std::bit_cast<std::uint32_t>(v)); }
    // Text in a fixed-size field, padded with NUL bytes.
    void text(std::uint64_t at, const std::string& s, std::size_t field) {
        std::vector<std::uint8_t> b(field, 0);
        std::copy(s.begin(), s.end(), b.begin());
        put(at, b);
    }

private:
    std::vector<std::uint8_t>& bytes_;
};

// ---------------------------------------------------------------- checks

void checkVersion(int versionByte) {
    if (versionByte < 0 || versionByte > 255)
        throw std::invalid_argument("version byte " + std::to_string(versionByte) + " is outside 0..255");
}

void checkValues(const GameValues& v) {
    for (std::size_t t = 0; t < v.names.size(); ++t)
        if (v.names[t].size() > 32)
            throw std::invalid_argument("team " + std::to_string(t) + "'s name is longer than 32 bytes");
    if (v.brand.size() > 16) throw std::invalid_argument("brand string is longer than 16 bytes");
}

std::uint64_t savedStateSize(const GameSpec& spec) {
    const std::uint64_t size = spec.savedStateSize == 0 ? kDefaultSavedStateSize : spec.savedStateSize;
    if (size < 5)
        throw std::invalid_argument("a saved state of " + std::to_string(size) +
                                    " bytes has no room for data and checksum");
    return size;
}

void checkArchive(const GameSpec& spec) {
    if (spec.archiveEntries < 0) throw std::invalid_argument("negative archive entry count");
    const bool special = spec.collisionIndex == -1 || spec.collisionIndex == -2;
    if (!special && (spec.collisionIndex < 0 || spec.collisionIndex >= spec.archiveEntries))
        throw std::invalid_argument("collision index " + std::to_string(spec.collisionIndex) +
                                    " is out of range for " + std::to_string(spec.archiveEntries) +
                                    " entries");
}

// ---------------------------------------------------------------- archive names

std::string padded(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", n);
    return buf;
}

// Names vary in folder depth and letter case. One kind ends in ".ctx", which
// is not a collision entry.
std::string entryName(int i) {
    switch (i % 5) {
    case 0: return "cars\\car_team_car" + std::to_string(i) + "_lod_0.gp4";
    case 1: return "cars\\Cockpit\\cockpit_dash_" + std::to_string(i) + ".gp4";
    case 2: return "cars\\misc_" + padded(i) + ".dat";
    case 3: return "cars\\Textures\\Rims\\Rim_" + padded(i) + ".ctx";
    default: return "cars\\car_team_car" + std::to_string(i) + "_LOD_1.GP4";
    }
}

std::uint32_t entrySize(int i) { return 16 + static_cast<std::uint32_t>((i * 13) % 49); }

// ---------------------------------------------------------------- archive layout

std::string bareLowerName(const std::string& name) {
    std::string bare = name.substr(name.rfind('\\') + 1);
    for (char& c : bare)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return bare;
}

// A car shape the GameSpec asks for, without its model.
struct WantedShape {
    std::string name;
    int version;
    int team;                // -1: the cockpit car or the dashboard
    std::string storedName;  // the team name the car is stored under
};

std::vector<WantedShape> wantedShapes(const GameSpec& spec) {
    std::vector<WantedShape> wanted;
    if (!spec.withCarShapes) return wanted;
    wanted.push_back({std::string(kDashboardEntryName), kDashboardVersion, -1, {}});
    wanted.push_back({std::string(kCockpitCarEntryName), kCockpitCarVersion, -1, {}});
    std::vector<std::string> seen;
    auto add = [&](int t, const std::string& storedName) {
        const std::string name = teamCarEntryName(storedName);
        const std::string bare = bareLowerName(name);
        if (std::find(seen.begin(), seen.end(), bare) != seen.end()) return;
        seen.push_back(bare);
        wanted.push_back({name, teamCarVersion(t), t, storedName});
    };
    for (int t = 0; t < 11; ++t) add(t, spec.values.names[static_cast<std::size_t>(t)]);
    if (spec.withStockNameCars)
        for (int t = 0; t < 11; ++t) add(t, kStockTeamNames[static_cast<std::size_t>(t)]);
    return wanted;
}

ShapeModel shapeModel(const GameSpec& spec, const WantedShape& w) {
    if (w.team >= 0)
        return teamCarShape(w.team, w.storedName, spec.fullSizeCar ? CarDetail::FullSize : CarDetail::Normal);
    return w.name == kDashboardEntryName ? dashboardShape() : cockpitCarShape();
}

// The directory, and for each entry the car shape it holds (-1: filler).
struct ArchiveLayout {
    std::vector<ArchiveEntry> directory;
    std::vector<int> shapeOf;
    std::vector<WantedShape> shapes;  // those that found a place
    std::vector<ShapeModel> models;
};

ArchiveLayout archiveLayout(const GameSpec& spec) {
    if (spec.withCarShapes) checkValues(spec.values);  // the team names go into entry names
    const std::optional<int> ct = collisionEntryIndex(spec);
    ArchiveLayout l;
    l.shapes = wantedShapes(spec);
    const std::size_t places = static_cast<std::size_t>(spec.archiveEntries) - (ct ? 1 : 0);
    if (l.shapes.size() > places) l.shapes.resize(places);
    for (const WantedShape& w : l.shapes) l.models.push_back(shapeModel(spec, w));

    const auto n = static_cast<std::uint64_t>(spec.archiveEntries);
    std::uint64_t at = 4 + kArchiveEntrySize * n;
    std::size_t nextShape = 0;
    l.directory.reserve(n);
    l.shapeOf.reserve(n);
    for (int i = 0; i < spec.archiveEntries; ++i) {
        ArchiveEntry e;
        std::uint64_t size;
        int shape = -1;
        if (ct && *ct == i) {
            e.name = "cars\\car_collision_mesh.ct";
            size = kCollisionDataSize;
        } else if (nextShape < l.shapes.size()) {
            shape = static_cast<int>(nextShape++);
            const auto s = static_cast<std::size_t>(shape);
            e.name = l.shapes[s].name;
            size = encodedShapeSize(l.models[s], l.shapes[s].version);
        } else {
            e.name = entryName(i);
            size = entrySize(i);
        }
        if (at + size > 0xFFFFFFFFull) throw std::invalid_argument("archive too large for 32-bit offsets");
        e.offset = static_cast<std::uint32_t>(at);
        e.size = static_cast<std::uint32_t>(size);
        at += size;
        l.directory.push_back(std::move(e));
        l.shapeOf.push_back(shape);
    }
    return l;
}

}  // namespace

// ---------------------------------------------------------------- values

GameValues demoValues() {
    GameValues v;
    // The dashboard and the steering wheel sit low ahead of the driver, where
    // the cockpit camera sees them.
    v.cockpit = {0.0035f, -0.1050f, -0.4550f, 0.0045f, -0.1150f, -0.4250f};
    v.rims = {0x00C8C8D0, 0x00202838, 0x00B01818, 0x00E0C020, 0x00186040, 0x00F08020,
              0x005070A0, 0x00303030, 0x00A0A0A8, 0x00602080, 0x0010A0B0};
    v.arms = {0xFF1C3F94, 0xFFD8D8E0, 0xFFC41E1E, 0xFF0B6E4F, 0xFFF2C14E, 0xFF5A2A82,
              0xFF2E86AB, 0xFF8C8C8C, 0xFFE4572E, 0xFF17BEBB, 0xFF76B041};
    v.names = {"NORTHWIND RACING",    "BLUEFERN MOTORSPORT", "KESTREL VALE",
               "ORMSBY DYNAMICS",     "TALLOWAY GRAND PRIX", "\xC9QUIPE LUMIVERRE",
               "QUILLON SPEED WORKS", "SALTMARSH HALVARD ENGINEERING GP", "PELLWORTH AUTOSPORT",
               "CINDERBROOK",         "ARDENWICK RACING TEAM"};
    // The driver of each team sits where the team's stock helmet values put
    // him, give or take a few centimetres: the team cars are cut to fit them
    // (CarDesigns.h, driverSeatDrop). Pairs are Z (along the car) before Y
    // (up), in metres from the car's origin.
    // -0.125 and 0.125 lie exactly halfway between two hundredths.
    v.helmets = {{{0.0625f, -0.125f}, {0.034f, -0.141f}, {0.052f, -0.163f}, {0.008f, -0.247f},
                  {0.021f, -0.171f}, {0.064f, -0.208f}, {0.125f, -0.229f}, {0.047f, -0.268f},
                  {0.038f, -0.262f}, {0.016f, -0.158f}, {-0.0625f, -0.347f}}};
    // The outside steering wheel: the reference pair plus the team's own
    // offset puts it about 0.4 m ahead of the origin, in the cockpit ahead of
    // the helmet, its top at the height of the cockpit's sides.
    v.wheelRef = {-0.1875f, 0.4375f};
    v.extWheel = {{{-0.041f, 0.018f}, {-0.029f, 0.012f}, {-0.052f, 0.021f}, {-0.036f, -0.094f},
                   {-0.047f, 0.009f}, {-0.024f, -0.049f}, {-0.018f, -0.056f}, {-0.033f, -0.117f},
                   {-0.044f, -0.086f}, {-0.039f, 0.004f}, {-0.061f, -0.163f}}};
    // The T-cam stands over the airbox, about 0.55 m behind the origin and
    // 0.4 m above it, and looks over the driver's helmet (stored Z is twice
    // the height in centimetres less 122, Y twice the distance ahead plus
    // 160).
    v.tcam = {{{-42, 50}, {-38, 46}, {-44, 54}, {-46, 44}, {-40, 48}, {-36, 52},
               {-44, 42}, {-48, 56}, {-40, 40}, {-34, 50}, {-50, 38}}};
    v.chase = {560, 735};
    for (int k = 0; k < 12; ++k) {
        const int sign = k % 2 ? 1 : -1;
        v.cameras[k] = {
            static_cast<std::int16_t>(2 * (4 + 7 * k)),             // X
            static_cast<std::int16_t>(2 * (22 + 10 * k)),           // Z
            static_cast<std::int16_t>(2 * (12 + 3 * k)),            // Y
            static_cast<std::int16_t>(182 * (-33 + 6 * k)),         // Dir
            static_cast<std::int16_t>(-182 * (2 + k % 5)),          // Pitch
            static_cast<std::int16_t>(sign * 182 * (1 + k % 3)),    // Roll
            static_cast<std::int16_t>(k % 4),                       // car details rear
            static_cast<std::int16_t>((k + 1) % 4),                 // car details front
            static_cast<std::int16_t>((k + 2) % 4),                 // wheels details rear
            static_cast<std::int16_t>((k + 3) % 4),                 // wheels details front
        };
    }
    // The TV cameras stand where a broadcast puts them: beside the track,
    // above it, behind the car and out on the straight, each aimed at the
    // middle of the car. Positions as stored: twice the sheet's value, X
    // across the track (the car's right is +X), then height above the tyres'
    // centres, then along the track (+ ahead of the car), in 1/200 m; the
    // car spans about -475..+530 along and the track's surface lies 110
    // below the tyres' centres. Dir. 0 looks ahead, 90 to the car's right;
    // a negative pitch looks down. Camera 4 and Camera 8 show the track
    // without the car, so they look down the straight at the gantry.
    struct TvCamera {
        int x, height, along, dir, pitch;
    };
    static constexpr TvCamera kTvCameras[11] = {
        {},                             // the cockpit camera, below
        {300, 100, 2600, -173, -2},     // Camera 10: on the track ahead, head-on
        {-800, 120, 1800, 156, -4},     // Camera 1: on the left verge, ahead
        {1700, 1100, -900, -61, -30},   // Camera 2: a crane on the right, behind
        {140, 380, -2100, -4, -10},     // Camera 3: behind the car, raised
        {1700, 160, 800, -28, 5},       // Camera 4: right of the track, at the gantry
        {1800, 80, 60, -91, -3},        // Camera 5: beside the track, level with the car
        {400, 880, 2990, -172, -16},    // Camera 6: on the gantry, looking back
        {-700, -40, -2200, 17, 1},      // Camera 7: low on the left, behind
        {500, 900, 3060, -2, -9},       // Camera 8: on the gantry, looking ahead
        {1300, 2500, -2300, -29, -43},  // Camera 9: a helicopter, high behind
    };
    for (int k = 1; k <= 10; ++k) {
        const TvCamera& c = kTvCameras[k];
        auto& r = v.cameras[k];
        r[0] = static_cast<std::int16_t>(c.x);
        r[1] = static_cast<std::int16_t>(c.height);
        r[2] = static_cast<std::int16_t>(c.along);
        r[3] = static_cast<std::int16_t>(182 * c.dir);
        r[4] = static_cast<std::int16_t>(182 * c.pitch);
        r[5] = 0;  // level
    }
    // The cockpit camera sits at the driver's eyes and looks ahead, tilted a
    // little down, so that the first view of the demo shows the car as its
    // driver sees it.
    v.cameras[0] = {2, 6, -4, 182 * 1, -182 * 6, 182 * 1, 0, 1, 2, 3};
    // The T-cam looks straight ahead over the driver's helmet, a little down;
    // where it stands is the team's T-cam pair.
    v.cameras[11][0] = 0;
    v.cameras[11][3] = 0;
    v.cameras[11][4] = static_cast<std::int16_t>(-182 * 8);
    v.cameras[11][5] = 0;
    v.brand = "michelin";
    v.brandCodes = {kMichelinCode,     kBridgestoneCode, kBridgestoneCode, kMichelinCode,
                    kBridgestoneCode, kMichelinCode,    kMichelinCode,    kBridgestoneCode,
                    kMichelinCode,     kBridgestoneCode, kMichelinCode};
    v.tyres = {{{0.71f, -0.24f, 1.15f},
                {-0.73f, -0.22f, 1.13f},
                {0.69f, -0.25f, -1.81f},
                {-0.72f, -0.21f, -1.79f}}};
    return v;
}

// ---------------------------------------------------------------- layout

ExeLayout exeLayout(int versionByte) {
    checkVersion(versionByte);
    ExeLayout l{};
    if (versionByte == 102) {
        l.cockpit = 458212;
        l.rimTeam4 = 579211;
        l.rimCompanion = 579229;
        l.rims = 579237;
        l.names = 2374568;
        l.extWheel = 2378224;
        l.helmets = 2378400;
        l.tcam = 2378576;
        l.arms = 2378688;
        l.wheelRef = 2378740;
        l.chase = 2595848;
        l.companionBase = 6573951;
    } else {
        l.cockpit = 453316;
        l.rimTeam4 = 572299;
        l.rimCompanion = 572317;
        l.rims = 572325;
        l.names = 2352688;
        l.extWheel = 2356344;
        l.helmets = 2356520;
        l.tcam = 2356696;
        l.arms = 2356808;
        l.wheelRef = 2356860;
        l.chase = 2572840;
        l.companionBase = 6552071;
    }
    l.cameras = l.chase + kCameraRecordsOffset;
    return l;
}

std::optional<std::uint64_t> brandStringOffset(int versionByte) {
    checkVersion(versionByte);
    switch (versionByte) {
    case 0: return 2352536;
    case 70: return 2353176;
    case 102: return 2374416;
    default: return std::nullopt;
    }
}

std::uint64_t defaultExeSize(int versionByte) {
    std::uint64_t end = 0;
    GameSpec probe;
    probe.versionByte = versionByte;
    for (const ByteRange& r : exeValueRanges(probe)) end = std::max(end, r.offset + r.size);
    return end + 4096;
}

std::uint64_t rimOffset(const ExeLayout& layout, int team) {
    if (team < 0 || team > 10) throw std::invalid_argument("team " + std::to_string(team) + " is outside 0..10");
    if (team == 4) return layout.rimTeam4;
    const int slot = team < 4 ? team : team - 1;
    return layout.rims + 8 * static_cast<std::uint64_t>(slot);
}

std::vector<ByteRange> exeValueRanges(const GameSpec& spec) {
    const ExeLayout l = exeLayout(spec.versionByte);
    std::vector<ByteRange> r;
    r.push_back({"version byte", kVersionByteOffset, 1});
    static const char* const cockpitNames[6] = {"dashboard X", "dashboard Z", "dashboard Y",
                                                "wheel X",     "wheel Z",     "wheel Y"};
    for (int i = 0; i < 6; ++i) r.push_back({cockpitNames[i], l.cockpit + kCockpitFieldOffsets[i], 4});
    for (int t = 0; t < 11; ++t) r.push_back({"rim colour " + std::to_string(t), rimOffset(l, t), 4});
    r.push_back({"rim companion", l.rimCompanion, 4});
    r.push_back({"team names", l.names, 352});
    r.push_back({"external steering wheel", l.extWheel, 88});
    r.push_back({"helmets", l.helmets, 88});
    r.push_back({"T-cam", l.tcam, 44});
    r.push_back({"arm colours", l.arms, 44});
    r.push_back({"wheel reference pair", l.wheelRef, 8});
    r.push_back({"first chase value", l.chase, 2});
    r.push_back({"second chase value", l.chase + kChaseSecondOffset, 2});
    r.push_back({"camera records", l.cameras, 12 * kCameraRecordSize});
    if (const auto brand = brandStringOffset(spec.versionByte)) r.push_back({"brand string", *brand, 16});
    return r;
}

std::vector<ByteRange> savedStateValueRanges(const GameSpec& spec) {
    const std::uint64_t size = savedStateSize(spec);
    return {{"brand codes", kBrandCodesOffset, 44}, {"checksum", size - 4, 4}};
}

std::optional<int> collisionEntryIndex(const GameSpec& spec) {
    checkArchive(spec);
    if (spec.collisionIndex == -2) return std::nullopt;
    if (spec.collisionIndex == -1) {
        if (spec.archiveEntries == 0) return std::nullopt;
        return spec.archiveEntries - 1;
    }
    return spec.collisionIndex;
}

std::vector<ArchiveEntry> archiveDirectory(const GameSpec& spec) { return archiveLayout(spec).directory; }

std::uint64_t collisionEntryOffset(const GameSpec& spec) {
    const std::optional<int> ct = collisionEntryIndex(spec);
    if (!ct) throw std::logic_error("the archive has no collision entry");
    return archiveLayout(spec).directory[static_cast<std::size_t>(*ct)].offset;
}

std::vector<CarShapeEntry> carShapeEntries(const GameSpec& spec) {
    std::vector<CarShapeEntry> out;
    if (!spec.withArchive) return out;
    const ArchiveLayout l = archiveLayout(spec);
    for (std::size_t i = 0; i < l.directory.size(); ++i) {
        if (l.shapeOf[i] < 0) continue;
        const WantedShape& w = l.shapes[static_cast<std::size_t>(l.shapeOf[i])];
        out.push_back({static_cast<int>(i), l.directory[i].name, l.directory[i].offset, l.directory[i].size, w.version,
                       w.team});
    }
    return out;
}

int wantedCarShapes(const GameSpec& spec) { return static_cast<int>(wantedShapes(spec).size()); }

std::vector<ByteRange> archiveValueRanges(const GameSpec& spec) {
    checkArchive(spec);
    std::vector<ByteRange> r;
    r.push_back({"entry count", 0, 4});
    r.push_back({"directory", 4, kArchiveEntrySize * static_cast<std::uint64_t>(spec.archiveEntries)});
    if (collisionEntryIndex(spec)) {
        const std::uint64_t base = collisionEntryOffset(spec);
        static const char* const tyreNames[4] = {"front right tyre", "front left tyre", "rear right tyre",
                                                 "rear left tyre"};
        for (int i = 0; i < 4; ++i) r.push_back({tyreNames[i], base + kTyreRecordOffsets[i], 12});
    }
    return r;
}

std::uint8_t patternByte(std::uint32_t seed, std::uint64_t offset) {
    return static_cast<std::uint8_t>(patternWord(seed, offset / 8) >> (8 * (offset % 8)));
}

// ---------------------------------------------------------------- builders

std::vector<std::uint8_t> buildExe(const GameSpec& spec) {
    checkValues(spec.values);
    const ExeLayout l = exeLayout(spec.versionByte);
    const std::uint64_t size = spec.exeSize == 0 ? defaultExeSize(spec.versionByte) : spec.exeSize;
    std::vector<std::uint8_t> bytes = patternFile(kExeSeed, size);
    Image img(bytes);
    const GameValues& v = spec.values;

    img.u8(kVersionByteOffset, static_cast<std::uint8_t>(spec.versionByte));
    for (int i = 0; i < 6; ++i) img.f32(l.cockpit + kCockpitFieldOffsets[i], v.cockpit[i]);
    for (int t = 0; t < 11; ++t) img.u32(rimOffset(l, t), v.rims[t]);
    img.u32(l.rimCompanion, l.companionBase + v.rims[4]);
    for (int t = 0; t < 11; ++t) {
        const auto k = static_cast<std::uint64_t>(t);
        img.text(l.names + 32 * k, v.names[t], 32);
        img.f32(l.extWheel + 8 * k, v.extWheel[t][0]);
        img.f32(l.extWheel + 8 * k + 4, v.extWheel[t][1]);
        img.f32(l.helmets + 8 * k, v.helmets[t][0]);
        img.f32(l.helmets + 8 * k + 4, v.helmets[t][1]);
        img.i16(l.tcam + 4 * k, v.tcam[t][0]);
        img.i16(l.tcam + 4 * k + 2, v.tcam[t][1]);
        img.u32(l.arms + 4 * k, v.arms[t]);
    }
    img.f32(l.wheelRef, v.wheelRef[0]);
    img.f32(l.wheelRef + 4, v.wheelRef[1]);
    img.i16(l.chase, v.chase[0]);
    img.i16(l.chase + kChaseSecondOffset, v.chase[1]);
    for (std::uint64_t k = 0; k < 12; ++k)
        for (std::uint64_t f = 0; f < 10; ++f) img.i16(l.cameras + kCameraRecordSize * k + 2 * f, v.cameras[k][f]);
    if (const auto brand = brandStringOffset(spec.versionByte)) img.text(*brand, v.brand, 16);
    return bytes;
}

std::uint32_t savedStateChecksum(std::span<const std::uint8_t> wholeFile) {
    if (wholeFile.size() < 5)
        throw std::invalid_argument("a saved state needs at least one byte before its 4-byte checksum");
    const std::size_t end = wholeFile.size() - 4;
    std::uint16_t s = wholeFile[0];
    std::uint16_t r = wholeFile[0];
    for (std::size_t i = 1; i < end; ++i) {
        const std::uint8_t x = wholeFile[i];
        s = static_cast<std::uint16_t>(s + x);
        r = static_cast<std::uint16_t>(std::rotl(r, 3) + x);
    }
    s = static_cast<std::uint16_t>(s + 0x8065);
    r = static_cast<std::uint16_t>(r + 0x8465);
    return (static_cast<std::uint32_t>(r) << 16) | s;
}

std::vector<std::uint8_t> buildSavedState(const GameSpec& spec) {
    const std::uint64_t size = savedStateSize(spec);
    std::vector<std::uint8_t> bytes = patternFile(kSavedStateSeed, size);
    {
        // The codes stop where the checksum starts in a short file.
        std::vector<std::uint8_t> body(bytes.begin(), bytes.end() - 4);
        Image img(body);
        for (std::uint64_t t = 0; t < 11; ++t) img.u32(kBrandCodesOffset + 4 * t, spec.values.brandCodes[t]);
        std::copy(body.begin(), body.end(), bytes.begin());
    }
    Image(bytes).u32(size - 4, savedStateChecksum(bytes));
    return bytes;
}

std::vector<std::uint8_t> buildArchive(const GameSpec& spec) {
    const ArchiveLayout layout = archiveLayout(spec);
    const std::vector<ArchiveEntry>& dir = layout.directory;
    const std::uint64_t size = dir.empty() ? 4 : std::uint64_t{dir.back().offset} + dir.back().size;
    std::vector<std::uint8_t> bytes = patternFile(kArchiveSeed, size);
    Image img(bytes);
    img.u32(0, static_cast<std::uint32_t>(spec.archiveEntries));
    for (std::size_t i = 0; i < dir.size(); ++i) {
        const std::uint64_t at = 4 + kArchiveEntrySize * i;
        img.text(at, dir[i].name, kArchiveNameSize);
        img.u32(at + kArchiveNameSize, dir[i].offset);
        img.u32(at + kArchiveNameSize + 4, dir[i].size);
        if (const int shape = layout.shapeOf[i]; shape >= 0) {
            const auto s = static_cast<std::size_t>(shape);
            img.put(dir[i].offset, encodeShape(layout.models[s], layout.shapes[s].version));
        }
    }
    if (const auto ct = collisionEntryIndex(spec)) {
        const std::uint64_t base = dir[static_cast<std::size_t>(*ct)].offset;
        for (std::size_t i = 0; i < 4; ++i)
            for (std::size_t f = 0; f < 3; ++f) img.f32(base + kTyreRecordOffsets[i] + 4 * f, spec.values.tyres[i][f]);
    }
    return bytes;
}

// ---------------------------------------------------------------- files

namespace {

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    const std::string name = path.string();
#ifdef _WIN32
    std::FILE* f = ::_wfopen(path.c_str(), L"wb");  // the name as the system keeps it
#else
    std::FILE* f = std::fopen(name.c_str(), "wb");
#endif
    if (!f) throw std::runtime_error("cannot create " + name + ": " + std::strerror(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed)
        throw std::runtime_error("cannot write " + name + ": " + std::strerror(written ? errno : writeError));
}

}  // namespace

void writeGame(const std::filesystem::path& folder, const GameSpec& spec) {
    // Build everything first so an invalid GameSpec leaves no files behind.
    std::vector<std::uint8_t> exe, saved, archive;
    if (spec.withExe) exe = buildExe(spec);
    if (spec.withSavedState) saved = buildSavedState(spec);
    if (spec.withArchive) archive = buildArchive(spec);
    std::filesystem::create_directories(folder);
    if (spec.withExe) writeFile(folder / spec.exeName, exe);
    if (spec.withSavedState) writeFile(folder / spec.savedStateName, saved);
    if (spec.withArchive) writeFile(folder / spec.archiveName, archive);
}

}  // namespace varnisk::gamegen

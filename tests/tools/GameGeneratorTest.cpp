#include "GameGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "CarDesigns.h"
#include "ShapeWriter.h"
#include "editing/Defaults.h"
#include "game/TeamNames.h"
#include "preview/Meshes.h"

namespace gg = varnisk::gamegen;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Readers of our own, so the offsets below are checked against hand-written
// numbers and not against the generator's tables.
std::uint32_t u32At(const Bytes& b, std::uint64_t at) {
    return static_cast<std::uint32_t>(b.at(at)) | static_cast<std::uint32_t>(b.at(at + 1)) << 8 |
           static_cast<std::uint32_t>(b.at(at + 2)) << 16 | static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}
std::int16_t i16At(const Bytes& b, std::uint64_t at) {
    return static_cast<std::int16_t>(b.at(at) | b.at(at + 1) << 8);
}
float f32At(const Bytes& b, std::uint64_t at) { return std::bit_cast<float>(u32At(b, at)); }
std::string textAt(const Bytes& b, std::uint64_t at, std::size_t field) {
    std::string s(reinterpret_cast<const char*>(b.data() + at), field);
    return s.substr(0, s.find('\0'));
}

Bytes readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

constexpr std::uint64_t kTyreOffsets[4] = {84, 108, 168, 192};

bool endsWithCt(const std::string& name) { return name.size() >= 3 && name.ends_with(".ct"); }

}  // namespace

// ---------------------------------------------------------------- checksum

TEST(GameGeneratorChecksum, MatchesTheWorkedExample) {
    Bytes file = {'a', 'b', 'c', 0, 0, 0, 0};
    EXPECT_EQ(gg::savedStateChecksum(file), 0xA018818Bu);
    // The checksum's own bytes do not count.
    Bytes other = {'a', 'b', 'c', 0x8B, 0x81, 0x18, 0xA0};
    EXPECT_EQ(gg::savedStateChecksum(other), 0xA018818Bu);
}

TEST(GameGeneratorChecksum, BothHalvesWrapAt16Bits) {
    // 300 bytes of 0xFF: S overflows 16 bits; R's rotation moves bits into
    // every position. Worked out by a plain loop over 32-bit values.
    Bytes file(304, 0xFF);
    std::uint32_t s = 0xFF, r = 0xFF;
    for (int i = 1; i < 300; ++i) {
        s = (s + 0xFF) & 0xFFFF;
        r = (((r << 3) | (r >> 13)) & 0xFFFF);
        r = (r + 0xFF) & 0xFFFF;
    }
    s = (s + 0x8065) & 0xFFFF;
    r = (r + 0x8465) & 0xFFFF;
    EXPECT_EQ(gg::savedStateChecksum(file), (r << 16) | s);
    EXPECT_EQ(gg::savedStateChecksum(Bytes{7, 0, 0, 0, 0}), ((7u + 0x8465u) << 16) | (7u + 0x8065u));
    EXPECT_THROW(gg::savedStateChecksum(Bytes{1, 2, 3, 4}), std::invalid_argument);
}

// ---------------------------------------------------------------- GP4.exe

struct LayoutCase {
    int version;
    std::uint64_t cockpit, rim4, companion, rims, names, helmets, tcam, arms, chase;
    std::uint32_t companionBase;
    std::optional<std::uint64_t> brand;
};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << "version byte " << c.version; }

class GameGeneratorExe : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(GameGeneratorExe, PutsTheValuesAtTheLayoutsOffsets) {
    const LayoutCase c = GetParam();
    gg::GameSpec spec;
    spec.versionByte = c.version;
    const gg::GameValues& v = spec.values;
    const Bytes exe = gg::buildExe(spec);

    ASSERT_EQ(exe.size(), c.chase + 32 + 240 + 4096);
    EXPECT_EQ(exe[312], c.version);

    EXPECT_EQ(f32At(exe, c.cockpit), v.cockpit[0]);       // dashboard X
    EXPECT_EQ(f32At(exe, c.cockpit + 26), v.cockpit[2]);  // dashboard Y
    EXPECT_EQ(f32At(exe, c.cockpit + 56), v.cockpit[5]);  // wheel Y

    EXPECT_EQ(u32At(exe, c.rim4), v.rims[4]);
    EXPECT_EQ(u32At(exe, c.companion), c.companionBase + v.rims[4]);
    EXPECT_EQ(u32At(exe, c.rims), v.rims[0]);
    EXPECT_EQ(u32At(exe, c.rims + 3 * 8), v.rims[3]);
    EXPECT_EQ(u32At(exe, c.rims + 4 * 8), v.rims[5]);  // team 4 is not in the pairs
    EXPECT_EQ(u32At(exe, c.rims + 9 * 8), v.rims[10]);

    EXPECT_EQ(textAt(exe, c.names, 32), v.names[0]);
    EXPECT_EQ(textAt(exe, c.names + 10 * 32, 32), v.names[10]);
    EXPECT_EQ(f32At(exe, c.helmets + 8 * 3), v.helmets[3][0]);
    EXPECT_EQ(f32At(exe, c.helmets + 8 * 3 + 4), v.helmets[3][1]);
    EXPECT_EQ(i16At(exe, c.tcam + 4 * 7), v.tcam[7][0]);
    EXPECT_EQ(i16At(exe, c.tcam + 4 * 7 + 2), v.tcam[7][1]);
    EXPECT_EQ(u32At(exe, c.arms + 4 * 10), v.arms[10]);

    EXPECT_EQ(i16At(exe, c.chase), v.chase[0]);
    EXPECT_EQ(i16At(exe, c.chase + 24), v.chase[1]);
    EXPECT_EQ(i16At(exe, c.chase + 32), v.cameras[0][0]);              // first record's X
    EXPECT_EQ(i16At(exe, c.chase + 32 + 20 * 11 + 18), v.cameras[11][9]);  // last record's last value

    const std::uint64_t brandOffsets[] = {2352536, 2353176, 2374416};
    for (std::uint64_t at : brandOffsets) {
        if (c.brand && at == *c.brand) {
            EXPECT_EQ(textAt(exe, at, 16), v.brand);
            EXPECT_EQ(exe[at + 15], 0);
        } else {
            // No brand string here: pattern bytes only.
            for (std::uint64_t i = 0; i < 16; ++i)
                ASSERT_EQ(exe[at + i], gg::patternByte(gg::kExeSeed, at + i)) << "at " << at + i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    GameGeneratorLayouts, GameGeneratorExe,
    ::testing::Values(
        LayoutCase{102, 458212, 579211, 579229, 579237, 2374568, 2378400, 2378576, 2378688, 2595848, 6573951, 2374416},
        LayoutCase{0, 453316, 572299, 572317, 572325, 2352688, 2356520, 2356696, 2356808, 2572840, 6552071, 2352536},
        LayoutCase{70, 453316, 572299, 572317, 572325, 2352688, 2356520, 2356696, 2356808, 2572840, 6552071, 2353176},
        LayoutCase{101, 453316, 572299, 572317, 572325, 2352688, 2356520, 2356696, 2356808, 2572840, 6552071,
                   std::nullopt}),
    [](const auto& p) { return "Version" + std::to_string(p.param.version); });

TEST(GameGeneratorExeBytes, EveryByteOutsideTheValuesIsPattern) {
    gg::GameSpec spec;
    const Bytes exe = gg::buildExe(spec);
    std::vector<bool> isValue(exe.size(), false);
    for (const gg::ByteRange& r : gg::exeValueRanges(spec))
        for (std::uint64_t i = 0; i < r.size; ++i) isValue[r.offset + i] = true;
    std::size_t zeros = 0;
    for (std::size_t i = 0; i < exe.size(); ++i) {
        if (isValue[i]) continue;
        ASSERT_EQ(exe[i], gg::patternByte(gg::kExeSeed, i)) << "at " << i;
        zeros += exe[i] == 0;
    }
    EXPECT_LT(zeros, exe.size() / 100);  // a pattern, not a blank
    // The bytes between the cockpit's floats are other data, not values.
    EXPECT_EQ(exe[458212 + 4], gg::patternByte(gg::kExeSeed, 458212 + 4));
}

TEST(GameGeneratorExeBytes, NamesArePaddedAndA32ByteNameHasNoNul) {
    gg::GameSpec spec;
    spec.values.names[2] = "AB";
    spec.values.names[3] = std::string(32, 'Q');
    const Bytes exe = gg::buildExe(spec);
    const std::uint64_t names = 2374568;
    for (std::uint64_t i = 2; i < 32; ++i) ASSERT_EQ(exe[names + 2 * 32 + i], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&exe[names + 3 * 32]), 32), std::string(32, 'Q'));
    EXPECT_EQ(textAt(exe, names + 4 * 32, 32), spec.values.names[4]);

    spec.values.names[3] = std::string(33, 'Q');
    EXPECT_THROW(gg::buildExe(spec), std::invalid_argument);
}

TEST(GameGeneratorExeBytes, AGivenSizeCutsTheSameBytesShort) {
    gg::GameSpec spec;
    const Bytes full = gg::buildExe(spec);
    spec.exeSize = 2378500;  // inside the helmet block
    const Bytes cut = gg::buildExe(spec);
    ASSERT_EQ(cut.size(), 2378500u);
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), full.begin()));
    spec.exeSize = 3000000;
    const Bytes longer = gg::buildExe(spec);
    ASSERT_EQ(longer.size(), 3000000u);
    EXPECT_TRUE(std::equal(full.begin(), full.end(), longer.begin()));
}

TEST(GameGeneratorExeBytes, RejectsAVersionOutsideAByte) {
    for (int version : {-1, 256}) {
        gg::GameSpec spec;
        spec.versionByte = version;
        EXPECT_THROW(gg::buildExe(spec), std::invalid_argument) << version;
    }
}

// ---------------------------------------------------------------- demo values

TEST(GameGeneratorValues, DemoValuesDifferPerTeamAndCamera) {
    const gg::GameValues v = gg::demoValues();
    auto distinct = [](const auto& values) {
        std::set<std::vector<std::uint8_t>> seen;
        for (const auto& x : values) {
            std::vector<std::uint8_t> raw(sizeof x);
            std::memcpy(raw.data(), &x, sizeof x);
            seen.insert(raw);
        }
        return seen.size() == std::size(values);
    };
    EXPECT_TRUE(distinct(v.rims));
    EXPECT_TRUE(distinct(v.arms));
    EXPECT_TRUE(distinct(v.extWheel));
    EXPECT_TRUE(distinct(v.helmets));
    EXPECT_TRUE(distinct(v.tcam));
    EXPECT_TRUE(distinct(v.cameras));
    EXPECT_EQ(std::set<std::string>(v.names.begin(), v.names.end()).size(), 11u);
    for (std::uint32_t rim : v.rims) EXPECT_EQ(rim >> 24, 0u);
    for (std::uint32_t arm : v.arms) EXPECT_EQ(arm >> 24, 0xFFu);
    for (const auto& tyre : v.tyres)
        for (float x : tyre) EXPECT_NE(x, 0.0f);
}

// ---------------------------------------------------------------- f1gstate.sav

TEST(GameGeneratorSavedState, HoldsTheBrandCodesAndAValidChecksum) {
    gg::GameSpec spec;
    const Bytes sav = gg::buildSavedState(spec);
    ASSERT_EQ(sav.size(), 100000u);
    for (std::uint64_t t = 0; t < 11; ++t) EXPECT_EQ(u32At(sav, 96932 + 4 * t), spec.values.brandCodes[t]) << t;
    EXPECT_EQ(u32At(sav, sav.size() - 4), gg::savedStateChecksum(sav));

    // A short file: the codes give way to the checksum.
    spec.savedStateSize = 96932 + 10;
    const Bytes shortSav = gg::buildSavedState(spec);
    ASSERT_EQ(shortSav.size(), 96942u);
    EXPECT_EQ(u32At(shortSav, 96932), spec.values.brandCodes[0]);
    EXPECT_EQ(u32At(shortSav, 96938), gg::savedStateChecksum(shortSav));

    spec.savedStateSize = 4;
    EXPECT_THROW(gg::buildSavedState(spec), std::invalid_argument);
}

// ---------------------------------------------------------------- cars.wad

struct ArchiveCase {
    int entries;
    int collisionIndex;
    std::optional<int> expectedCt;
};
void PrintTo(const ArchiveCase& c, std::ostream* os) {
    *os << c.entries << " entries, collision index " << c.collisionIndex;
}

class GameGeneratorArchive : public ::testing::TestWithParam<ArchiveCase> {};

TEST_P(GameGeneratorArchive, DirectoryIsConsistentAndTheCtEntryIsWhereAsked) {
    const ArchiveCase c = GetParam();
    gg::GameSpec spec;
    spec.archiveEntries = c.entries;
    spec.collisionIndex = c.collisionIndex;
    const Bytes wad = gg::buildArchive(spec);

    ASSERT_EQ(static_cast<std::int32_t>(u32At(wad, 0)), c.entries);
    std::uint64_t expectedOffset = 4 + 136 * static_cast<std::uint64_t>(c.entries);
    std::optional<int> ct;
    std::set<std::string> names;
    bool capitals = false, subfolder = false;
    for (int i = 0; i < c.entries; ++i) {
        const std::uint64_t at = 4 + 136 * static_cast<std::uint64_t>(i);
        const std::string name = textAt(wad, at, 128);
        const std::uint32_t offset = u32At(wad, at + 128);
        const std::uint32_t size = u32At(wad, at + 132);
        ASSERT_EQ(offset, expectedOffset) << "entry " << i;
        ASSERT_GT(size, 0u);
        expectedOffset += size;
        ASSERT_TRUE(name.starts_with("cars\\")) << name;
        names.insert(name);
        capitals |= name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos;
        subfolder |= name.find('\\', 5) != std::string::npos;
        if (endsWithCt(name)) {
            ASSERT_FALSE(ct) << "two .ct entries";
            ct = i;
            ASSERT_GE(size, 204u);
            EXPECT_EQ(offset, gg::collisionEntryOffset(spec));
            for (int tyre = 0; tyre < 4; ++tyre) {
                const std::uint64_t rec = offset + kTyreOffsets[tyre];
                EXPECT_EQ(f32At(wad, rec), spec.values.tyres[tyre][0]);
                EXPECT_EQ(f32At(wad, rec + 4), spec.values.tyres[tyre][1]);
                EXPECT_EQ(f32At(wad, rec + 8), spec.values.tyres[tyre][2]);
            }
        }
    }
    EXPECT_EQ(wad.size(), expectedOffset);
    EXPECT_EQ(names.size(), static_cast<std::size_t>(c.entries));
    EXPECT_EQ(ct, c.expectedCt);
    EXPECT_EQ(gg::collisionEntryIndex(spec), c.expectedCt);
    if (c.entries >= 5) {
        EXPECT_TRUE(capitals && subfolder);
    }
    if (!c.expectedCt) {
        EXPECT_THROW(gg::collisionEntryOffset(spec), std::logic_error);
    }

    // The directory the library reports is the one it wrote.
    const std::vector<gg::ArchiveEntry> dir = gg::archiveDirectory(spec);
    ASSERT_EQ(dir.size(), static_cast<std::size_t>(c.entries));
    for (int i = 0; i < c.entries; ++i)
        EXPECT_EQ(dir[i].offset, u32At(wad, 4 + 136 * static_cast<std::uint64_t>(i) + 128));
}

INSTANTIATE_TEST_SUITE_P(GameGeneratorCases, GameGeneratorArchive,
                         ::testing::Values(ArchiveCase{8, -1, 7}, ArchiveCase{8, 0, 0}, ArchiveCase{8, 3, 3},
                                           ArchiveCase{8, -2, std::nullopt}, ArchiveCase{1, -1, 0},
                                           ArchiveCase{0, -1, std::nullopt}, ArchiveCase{40, 17, 17}));

TEST(GameGeneratorArchiveBytes, RejectsACollisionIndexOutOfRange) {
    for (int index : {8, 100, -3}) {
        gg::GameSpec spec;
        spec.collisionIndex = index;
        EXPECT_THROW(gg::buildArchive(spec), std::invalid_argument) << index;
    }
    gg::GameSpec spec;
    spec.archiveEntries = -1;
    EXPECT_THROW(gg::buildArchive(spec), std::invalid_argument);
}

TEST(GameGeneratorArchiveBytes, BuildsFiveThousandEntriesQuickly) {
    gg::GameSpec spec;
    spec.archiveEntries = 5000;
    spec.collisionIndex = 4321;
    const auto start = std::chrono::steady_clock::now();
    const Bytes wad = gg::buildArchive(spec);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(1));
    const std::uint64_t ct = gg::collisionEntryOffset(spec);
    EXPECT_EQ(u32At(wad, 4 + 136 * 4321 + 128), ct);
    EXPECT_EQ(f32At(wad, ct + 192 + 8), spec.values.tyres[3][2]);
}

// ---------------------------------------------------------------- writeGame

class GameGeneratorWrite : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("varnisk_gamegen_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(root_);
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    std::filesystem::path root_;
};

TEST_F(GameGeneratorWrite, CreatesTheFolderAndTheNamedFiles) {
    gg::GameSpec spec;
    spec.versionByte = 0;
    spec.exeName = "gp4.EXE";
    spec.savedStateName = "F1GSTATE.SAV";
    spec.archiveName = "Cars.wad";
    const auto folder = root_ / "nested" / "game";
    gg::writeGame(folder, spec);
    EXPECT_EQ(readFile(folder / "gp4.EXE"), gg::buildExe(spec));
    EXPECT_EQ(readFile(folder / "F1GSTATE.SAV"), gg::buildSavedState(spec));
    EXPECT_EQ(readFile(folder / "Cars.wad"), gg::buildArchive(spec));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 3);
}

TEST_F(GameGeneratorWrite, LeavesOutTheFilesNotAskedFor) {
    gg::GameSpec spec;
    spec.withSavedState = false;
    spec.withArchive = false;
    gg::writeGame(root_, spec);
    EXPECT_TRUE(std::filesystem::exists(root_ / "GP4.exe"));
    EXPECT_FALSE(std::filesystem::exists(root_ / "f1gstate.sav"));
    EXPECT_FALSE(std::filesystem::exists(root_ / "cars.wad"));
}

TEST_F(GameGeneratorWrite, AnInvalidSpecWritesNothingAndAFileInTheWayIsReported) {
    gg::GameSpec spec;
    spec.collisionIndex = 99;
    EXPECT_THROW(gg::writeGame(root_ / "game", spec), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(root_ / "game"));

    std::filesystem::create_directories(root_);
    std::ofstream(root_ / "blocker") << "x";
    EXPECT_THROW(gg::writeGame(root_ / "blocker", gg::GameSpec{}), std::runtime_error);
}

// ---------------------------------------------------------------- car shapes

namespace {

// A reader of our own for the shape layout. It checks that every byte
// without a meaning is filler, counted from the shape's first byte, and
// throws std::runtime_error at the first thing out of place.
struct WalkedObject {
    std::int32_t faces = 0, vertices = 0, kind = 0, extraUnits = 0;
    std::vector<std::array<float, 8>> vertexData;  // position, normal, u, v
    std::vector<std::array<std::int32_t, 3>> triangles;
    std::vector<std::array<std::int32_t, 3>> groups;  // first face, face count, texture index
    std::vector<std::vector<std::int32_t>> indexLists;
};
struct WalkedShape {
    int version = 0;
    std::string name;
    std::vector<std::string> materials, parts, textures, nodes;
    std::int32_t versionSevenRecords = 0;
    std::vector<WalkedObject> objects;
    std::uint64_t size = 0;
};

class ShapeWalker {
public:
    ShapeWalker(const Bytes& b, std::uint64_t base) : b_(b), base_(base), at_(base) {}

    WalkedShape walk() {
        WalkedShape s;
        if (textAt(b_, need(14), 14).back() != 'H') fail("the signature's text does not end in H");
        for (std::uint64_t k = 10; k < 13; ++k)
            if (b_[at_ + k] != 0) fail("no NUL between the signature's text and its digit");
        s.version = b_[at_ + 13] - '0';
        at_ += 14;
        s.name = quoted();
        if (s.version == 7) filler(4);
        const std::int32_t objects = i32();
        filler(12);
        const std::int32_t materials = i32();
        for (std::int32_t i = 0; i < materials; ++i) {
            filler(4);
            s.materials.push_back(quoted());
            filler(24 + 64);
            if (s.version > 4) filler(16);
            filler(16 + 8 + 28 + 16);
            filler(s.version == 7 ? 16 : 8);
        }
        if (s.version == 7) {
            s.versionSevenRecords = countBlock();
            filler(80 * static_cast<std::uint64_t>(s.versionSevenRecords));
        }
        if (s.version > 4) {
            const std::int32_t k = countBlock();
            for (std::int32_t i = 0; i < k; ++i) {
                filler(4);
                s.parts.push_back(quoted());
                filler(72);
            }
        }
        const std::int32_t textures = countBlock();
        for (std::int32_t i = 0; i < textures; ++i) s.textures.push_back(quoted());
        const std::int32_t nodes = countBlock();
        for (std::int32_t i = 0; i < nodes; ++i) {
            s.nodes.push_back(quoted());
            filler(64 + (s.version == 4 ? 76 : 80));
        }
        for (std::int32_t i = 0; i < objects; ++i) s.objects.push_back(object(i == 0));
        filler(8);
        s.size = at_ - base_;
        return s;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error(what + " at shape offset " + std::to_string(at_ - base_));
    }
    std::uint64_t need(std::uint64_t n) const {
        if (at_ + n > b_.size()) fail("the bytes end");
        return at_;
    }
    std::int32_t i32() {
        const auto v = static_cast<std::int32_t>(u32At(b_, need(4)));
        at_ += 4;
        return v;
    }
    float f32() { return std::bit_cast<float>(i32()); }
    void filler(std::uint64_t n) {
        need(n);
        for (std::uint64_t k = 0; k < n; ++k, ++at_)
            if (b_[at_] != gg::shapeFillerByte(at_ - base_)) fail("no filler");
    }
    std::int32_t countBlock() {
        filler(12);
        return i32();
    }
    std::string quoted() {
        if (b_[need(1)] != '"') fail("no opening quote");
        ++at_;
        std::string s;
        while (b_[need(1)] != '"') {
            s += static_cast<char>(b_[at_++]);
            if (s.size() > 99) fail("a string without its closing quote");
        }
        ++at_;
        return s;
    }
    WalkedObject object(bool first) {
        WalkedObject o;
        filler(first ? 8 : 12);
        o.faces = i32();
        o.vertices = i32();
        o.kind = i32();
        o.extraUnits = i32();
        filler(8);
        if (o.faces < 0 || o.vertices < 0 || o.extraUnits < 0) fail("a negative count");
        for (std::int32_t v = 0; v < o.vertices; ++v) {
            std::array<float, 8> d{};
            for (float& x : d) x = f32();
            o.vertexData.push_back(d);
            filler(8 * static_cast<std::uint64_t>(o.extraUnits));
        }
        filler(8);
        for (std::int32_t f = 0; f < o.faces; ++f) {
            o.triangles.push_back({i32(), i32(), i32()});
            filler(4);
        }
        filler(12);
        const std::int32_t groups = i32();
        const std::uint64_t recordSize = o.kind == 23 ? 20 : o.kind == 39 ? 24 : 28;
        for (std::int32_t g = 0; g < groups; ++g) {
            const std::int32_t firstFace = i32(), count = i32();
            filler(8);
            o.groups.push_back({firstFace, count, i32()});
            filler(recordSize - 20);
        }
        filler(12);
        const std::int32_t lists = i32();
        for (std::int32_t l = 0; l < lists; ++l) {
            filler(4);
            const std::int32_t n = i32();
            std::vector<std::int32_t> list;
            for (std::int32_t k = 0; k < n; ++k) list.push_back(i32());
            o.indexLists.push_back(list);
        }
        return o;
    }

    const Bytes& b_;
    std::uint64_t base_, at_;
};

WalkedShape walkShape(const Bytes& b, std::uint64_t at = 0) { return ShapeWalker(b, at).walk(); }

gg::ShapeVertex vertexAt(float x, float y, float z) { return {{x, y, z}, {0, 1, 0}, {0.25f, 0.75f}}; }

// Two objects: group kind 23 with one extra unit per vertex and two index
// lists (one empty), then group kind 39 with two groups and no lists.
gg::ShapeModel tinyModel() {
    gg::ShapeModel m;
    m.name = "t";
    m.materials = {"m"};
    m.partNames = {"p"};
    m.textures = {"a.bmp", "b"};
    m.nodeNames = {"n"};
    m.versionSevenRecords = 1;
    gg::ShapeObject a;
    a.groupKind = 23;
    a.extraUnits = 1;
    a.vertices = {vertexAt(1, 2, 3), vertexAt(4, 5, 6), vertexAt(7, 8, 9)};
    a.faces = {{0, 1, 2}};
    a.groups = {{0, 1, 1}};
    a.indexLists = {{0, 1, 2}, {}};
    gg::ShapeObject b;
    b.groupKind = 39;
    b.vertices = {vertexAt(-1, 0, 0), vertexAt(0, -1, 0), vertexAt(0, 0, -1)};
    b.faces = {{2, 1, 0}, {0, 2, 1}};
    b.groups = {{0, 1, 0}, {1, 1, 1}};
    m.objects = {a, b};
    return m;
}

// Positions of the counts and headers of tinyModel(), worked out by hand.
struct TinyLayout {
    int version;
    std::uint64_t objectCount, materialCount, partCount, texCount, nodeCount, header0, header1, total;
};
void PrintTo(const TinyLayout& c, std::ostream* os) { *os << "version " << c.version; }

class GameGeneratorShapeLayout : public ::testing::TestWithParam<TinyLayout> {};

}  // namespace

TEST_P(GameGeneratorShapeLayout, PutsEverySectionWhereTheVersionWantsIt) {
    const TinyLayout c = GetParam();
    const gg::ShapeModel model = tinyModel();
    const Bytes b = gg::encodeShape(model, c.version);
    ASSERT_EQ(b.size(), c.total);
    EXPECT_EQ(gg::encodedShapeSize(model, c.version), c.total);

    EXPECT_EQ(textAt(b, 0, 14), "CARSHAPE-H");
    EXPECT_EQ(b[13], '0' + c.version);
    EXPECT_EQ(std::string(b.begin() + 14, b.begin() + 17), "\"t\"");
    EXPECT_EQ(u32At(b, c.objectCount), 2u);
    EXPECT_EQ(u32At(b, c.materialCount), 1u);
    if (c.partCount) {
        EXPECT_EQ(u32At(b, c.partCount), 1u);
    }
    EXPECT_EQ(u32At(b, c.texCount), 2u);
    EXPECT_EQ(std::string(b.begin() + static_cast<std::ptrdiff_t>(c.texCount) + 4,
                          b.begin() + static_cast<std::ptrdiff_t>(c.texCount) + 14),
              "\"a.bmp\"\"b\"");
    EXPECT_EQ(u32At(b, c.nodeCount), 1u);
    const std::uint32_t header0[4] = {1, 3, 23, 1}, header1[4] = {2, 3, 39, 0};
    for (std::uint64_t k = 0; k < 4; ++k) {
        EXPECT_EQ(u32At(b, c.header0 + 4 * k), header0[k]) << k;
        EXPECT_EQ(u32At(b, c.header1 + 4 * k), header1[k]) << k;
    }
    EXPECT_EQ(f32At(b, c.header0 + 24), 1.0f);  // the first vertex's x
    EXPECT_EQ(f32At(b, c.header1 + 24 + 4), 0.0f);

    // Every other byte is filler: the reader of our own checks each one.
    WalkedShape w;
    ASSERT_NO_THROW(w = walkShape(b));
    EXPECT_EQ(w.size, b.size());
    EXPECT_EQ(w.version, c.version);
    EXPECT_EQ(w.materials, std::vector<std::string>{"m"});
    EXPECT_EQ(w.parts, c.version > 4 ? std::vector<std::string>{"p"} : std::vector<std::string>{});
    EXPECT_EQ(w.textures, (std::vector<std::string>{"a.bmp", "b"}));
    EXPECT_EQ(w.nodes, std::vector<std::string>{"n"});
    ASSERT_EQ(w.objects.size(), 2u);
    EXPECT_EQ(w.objects[0].triangles, model.objects[0].faces);
    EXPECT_EQ(w.objects[0].groups, (std::vector<std::array<std::int32_t, 3>>{{0, 1, 1}}));
    EXPECT_EQ(w.objects[0].indexLists, model.objects[0].indexLists);
    EXPECT_EQ(w.objects[1].groups, (std::vector<std::array<std::int32_t, 3>>{{0, 1, 0}, {1, 1, 1}}));
    EXPECT_EQ(w.objects[1].vertexData[2], (std::array<float, 8>{0, 0, -1, 0, 1, 0, 0.25f, 0.75f}));
}

INSTANTIATE_TEST_SUITE_P(
    GameGeneratorShapes, GameGeneratorShapeLayout,
    // Material records of 171, 187 and 195 bytes with their one-letter name;
    // part records of 79; node records of 143 (version 4) or 147; objects of
    // 256 and 252 bytes behind them.
    ::testing::Values(TinyLayout{4, 17, 33, 0, 220, 246, 401, 661, 909},
                      TinyLayout{5, 17, 33, 236, 331, 357, 516, 776, 1024},
                      TinyLayout{6, 17, 33, 236, 331, 357, 516, 776, 1024},
                      TinyLayout{7, 21, 37, 344, 439, 465, 624, 884, 1132}),
    [](const auto& p) { return "Version" + std::to_string(p.param.version); });

TEST(GameGeneratorShapes, GroupRecordsAre20BytesForKind23And24For39And28Otherwise) {
    struct Case {
        std::int32_t kind;
        std::uint64_t size;
    };
    for (const Case c : {Case{23, 20}, Case{39, 24}, Case{0, 28}, Case{7, 28}, Case{-1, 28}}) {
        gg::ShapeModel m = tinyModel();
        m.objects.resize(1);
        gg::ShapeObject& o = m.objects[0];
        o.groupKind = c.kind;
        o.faces = {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}};
        o.groups = {{0, 1, 0}, {1, 1, 1}, {2, 1, 1}};
        const Bytes with = gg::encodeShape(m, 5);
        o.groups.clear();
        const Bytes without = gg::encodeShape(m, 5);
        EXPECT_EQ(with.size() - without.size(), 3 * c.size) << c.kind;
        EXPECT_EQ(gg::groupRecordSize(c.kind), c.size);
        o.groups = {{0, 1, 0}, {1, 1, 1}, {2, 1, 1}};
        WalkedShape w;
        ASSERT_NO_THROW(w = walkShape(with)) << c.kind;
        EXPECT_EQ(w.objects[0].groups, (std::vector<std::array<std::int32_t, 3>>{{0, 1, 0}, {1, 1, 1}, {2, 1, 1}}))
            << c.kind;
        EXPECT_EQ(w.size, with.size());
    }
}

TEST(GameGeneratorShapes, RefusesWhatALayoutCannotHold) {
    const gg::ShapeModel good = tinyModel();
    for (int version : {-1, 10}) EXPECT_THROW(gg::encodeShape(good, version), std::invalid_argument) << version;
    EXPECT_NO_THROW(gg::encodeShape(good, 0));
    auto with = [&](auto change) {
        gg::ShapeModel m = good;
        change(m);
        return m;
    };
    EXPECT_THROW(gg::encodeShape(with([](gg::ShapeModel& m) { m.name = "a\"b"; }), 4), std::invalid_argument);
    EXPECT_THROW(gg::encodeShape(with([](gg::ShapeModel& m) { m.textures[1] = std::string(100, 'x'); }), 4),
                 std::invalid_argument);
    EXPECT_THROW(gg::encodeShape(with([](gg::ShapeModel& m) { m.nodeNames[0] = "\""; }), 5), std::invalid_argument);
    EXPECT_THROW(gg::encodeShape(with([](gg::ShapeModel& m) { m.objects[1].extraUnits = -1; }), 5),
                 std::invalid_argument);
    EXPECT_THROW(gg::encodeShape(with([](gg::ShapeModel& m) { m.versionSevenRecords = -1; }), 7),
                 std::invalid_argument);
    // 99 characters is the longest name: its closing quote is the 100th.
    const Bytes longest = gg::encodeShape(with([](gg::ShapeModel& m) { m.materials[0] = std::string(99, 'y'); }), 4);
    EXPECT_EQ(walkShape(longest).materials[0], std::string(99, 'y'));
}

// ---------------------------------------------------------------- car designs

namespace {

struct Box {
    std::array<float, 3> lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
};

// Whatever a reader needs to draw the shape: indices inside the object,
// triangles wound counter-clockwise seen from where their normals point,
// groups covering the faces in order, known textures, unit normals, texture
// coordinates within 0..1.
void expectDrawable(const gg::ShapeModel& m, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_FALSE(m.objects.empty());
    for (const gg::ShapeObject& o : m.objects) {
        const auto vertices = static_cast<std::int32_t>(o.vertices.size());
        for (const auto& f : o.faces) {
            for (std::int32_t i : f) ASSERT_TRUE(i >= 0 && i < vertices);
            const auto& a = o.vertices[static_cast<std::size_t>(f[0])].position;
            const auto& b = o.vertices[static_cast<std::size_t>(f[1])].position;
            const auto& c = o.vertices[static_cast<std::size_t>(f[2])].position;
            const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            const float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            float along = 0;
            for (std::int32_t i : f)
                for (int k = 0; k < 3; ++k) along += n[k] * o.vertices[static_cast<std::size_t>(i)].normal[k];
            ASSERT_GT(along, 0.0f) << "a triangle turned away from its normals";
        }
        std::int32_t next = 0;
        for (const gg::ShapeGroup& g : o.groups) {
            ASSERT_EQ(g.firstFace, next);
            ASSERT_GT(g.faceCount, 0);
            next += g.faceCount;
            ASSERT_TRUE(g.textureIndex >= 0 && g.textureIndex < static_cast<std::int32_t>(m.textures.size()));
        }
        ASSERT_EQ(next, static_cast<std::int32_t>(o.faces.size()));
        for (const gg::ShapeVertex& v : o.vertices) {
            const float len = std::hypot(v.normal[0], v.normal[1], v.normal[2]);
            ASSERT_NEAR(len, 1.0f, 1e-3f);
            for (float x : v.position) ASSERT_TRUE(std::isfinite(x));
            for (float t : v.uv) ASSERT_TRUE(t >= 0.0f && t <= 1.0f) << t;
        }
    }
}

Box bounds(const gg::ShapeModel& m, std::size_t firstObject = 0, std::size_t endObject = 99) {
    Box b;
    for (std::size_t k = firstObject; k < std::min(endObject, m.objects.size()); ++k)
        for (const gg::ShapeVertex& v : m.objects[k].vertices)
            for (int a = 0; a < 3; ++a) {
                b.lo[a] = std::min(b.lo[a], v.position[a]);
                b.hi[a] = std::max(b.hi[a], v.position[a]);
            }
    return b;
}

}  // namespace

TEST(GameGeneratorCarDesigns, EveryTeamsCarIsADrawableCarBetweenTheTyres) {
    for (int team = 0; team < 11; ++team) {
        const gg::ShapeModel car = gg::teamCarShape(team, "NORTHWIND RACING");
        expectDrawable(car, "team " + std::to_string(team));
        std::set<std::int32_t> kinds;
        for (const gg::ShapeObject& o : car.objects) kinds.insert(o.groupKind);
        EXPECT_EQ(kinds, (std::set<std::int32_t>{0, 23, 39}));
        EXPECT_EQ(car.textures[0], "carbody_northwind_racing.bmp");
        EXPECT_GT(gg::triangleCount(car), 800u);
        EXPECT_LT(gg::triangleCount(car), 1500u);

        // Metres: x across, y up, z forward; wings to +-0.92, floor to rear wing.
        const Box b = bounds(car);
        EXPECT_NEAR(b.lo[0], -0.92f, 0.01f);
        EXPECT_NEAR(b.hi[0], 0.92f, 0.01f);
        EXPECT_TRUE(b.lo[1] > -0.566f && b.lo[1] < -0.5f) << b.lo[1];  // above the ground under the tyres
        EXPECT_TRUE(b.hi[1] > 0.4f && b.hi[1] < 0.6f) << b.hi[1];
        EXPECT_TRUE(b.lo[2] > -2.45f && b.lo[2] < -2.2f) << b.lo[2];
        EXPECT_TRUE(b.hi[2] > 2.5f && b.hi[2] < 2.7f) << b.hi[2];

        // Body and wings keep clear of the tyres the program draws (the
        // suspension reaches into the hubs).
        for (std::size_t k = 0; k < 2; ++k)
            for (const gg::ShapeVertex& v : car.objects[k].vertices)
                for (float tyreZ : {1.15f, -1.8f}) {
                    const float across = std::fabs(std::fabs(v.position[0]) - 0.71f);
                    const float radial = std::hypot(v.position[1] + 0.24f, v.position[2] - tyreZ);
                    ASSERT_FALSE(across < 0.19f && radial < 0.326f)
                        << "team " << team << " object " << k << " at " << v.position[0] << ", " << v.position[1]
                        << ", " << v.position[2];
                }
    }
    // Odd teams carry a fin, every third a second flap.
    EXPECT_GT(gg::triangleCount(gg::teamCarShape(1, "A")), gg::triangleCount(gg::teamCarShape(0, "A")));
    EXPECT_GT(gg::triangleCount(gg::teamCarShape(2, "A")), gg::triangleCount(gg::teamCarShape(0, "A")));
    EXPECT_EQ(gg::teamCarVersion(0), 5);
    EXPECT_EQ(gg::teamCarVersion(1), 7);
    EXPECT_EQ(gg::teamCarVersion(2), 4);
    EXPECT_EQ(gg::teamCarVersion(10), 7);
}

TEST(GameGeneratorCarDesigns, TheFullSizeCarIsTheSameCarInAbout20000Triangles) {
    for (int team : {0, 5}) {
        const gg::ShapeModel normal = gg::teamCarShape(team, "KESTREL VALE");
        const gg::ShapeModel full = gg::teamCarShape(team, "KESTREL VALE", gg::CarDetail::FullSize);
        expectDrawable(full, "full size");
        EXPECT_GE(gg::triangleCount(full), 18000u) << team;
        EXPECT_LE(gg::triangleCount(full), 22000u) << team;
        const Box a = bounds(normal), b = bounds(full);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(a.lo[k], b.lo[k], 1e-4f);
            EXPECT_NEAR(a.hi[k], b.hi[k], 1e-4f);
        }
        EXPECT_EQ(full.textures, normal.textures);
        // The reader's table holds one object's triangles up to 60,000.
        for (const gg::ShapeObject& o : full.objects) EXPECT_LE(o.faces.size(), 60000u);
    }
}

TEST(GameGeneratorCarDesigns, TheCockpitCarSurroundsTheDriversEye) {
    const gg::ShapeModel c = gg::cockpitCarShape();
    expectDrawable(c, "cockpit");
    // The eye: where the program's move by (0, -0.09, +0.85) takes the camera.
    const float eye[3] = {0, 0.09f, -0.85f};
    bool noseAhead = false, mirrorLeft = false, mirrorRight = false, sideLeft = false, sideRight = false;
    for (const gg::ShapeObject& o : c.objects)
        for (const gg::ShapeVertex& v : o.vertices) {
            const float dx = v.position[0] - eye[0], dy = v.position[1] - eye[1], dz = v.position[2] - eye[2];
            ASSERT_GT(std::hypot(dx, dy, dz), 0.15f) << "too close to the eye";
            noseAhead |= dz > 2.3f;
            const bool mirror = std::fabs(v.position[0]) > 0.5f && std::fabs(dz - 0.6f) < 0.1f && dy > -0.1f;
            (v.position[0] > 0 ? mirrorRight : mirrorLeft) |= mirror;
            const bool side = std::fabs(dz) < 0.3f && std::fabs(v.position[0]) > 0.2f && v.position[1] > -0.05f;
            (v.position[0] > 0 ? sideRight : sideLeft) |= side;
        }
    EXPECT_TRUE(noseAhead && mirrorLeft && mirrorRight && sideLeft && sideRight);
    EXPECT_LT(bounds(c).hi[1], 0.2f);  // no engine cover or rear wing behind the driver

    // Where the program draws it, it stands where team 0's car stands: within
    // that car's bounds, its front suspension reaching the hubs of the front
    // tyres, which the program draws at the same place in every view.
    const Box team = bounds(gg::teamCarShape(0, "A"));
    bool leftHub = false, rightHub = false;
    for (const gg::ShapeObject& o : c.objects)
        for (const gg::ShapeVertex& v : o.vertices) {
            float at[3];
            for (int k = 0; k < 3; ++k) {
                at[k] = v.position[k] + gg::kCockpitCarMove[k];
                ASSERT_TRUE(at[k] >= team.lo[k] - 1e-4f && at[k] <= team.hi[k] + 1e-4f) << k << ": " << at[k];
            }
            const bool hub = std::fabs(at[0]) > 0.5f && std::fabs(at[2] - 1.14f) < 0.1f && std::fabs(at[1] + 0.23f) < 0.2f;
            (at[0] > 0 ? rightHub : leftHub) |= hub;
        }
    EXPECT_TRUE(leftHub && rightHub);
}

namespace {

// The heights at which the car's triangles cross the vertical line at (x, z).
std::vector<float> surfacesAt(const gg::ShapeModel& m, float x, float z) {
    std::vector<float> ys;
    for (const gg::ShapeObject& o : m.objects)
        for (const auto& f : o.faces) {
            const auto& a = o.vertices[static_cast<std::size_t>(f[0])].position;
            const auto& b = o.vertices[static_cast<std::size_t>(f[1])].position;
            const auto& c = o.vertices[static_cast<std::size_t>(f[2])].position;
            // Barycentric coordinates of (x, z) in the triangle's shadow on the ground.
            const double d = (b[0] - a[0]) * (c[2] - a[2]) - (c[0] - a[0]) * (b[2] - a[2]);
            if (std::fabs(d) < 1e-12) continue;
            const double u = ((x - a[0]) * (c[2] - a[2]) - (c[0] - a[0]) * (z - a[2])) / d;
            const double v = ((b[0] - a[0]) * (z - a[2]) - (x - a[0]) * (b[2] - a[2])) / d;
            if (u < 0 || v < 0 || u + v > 1) continue;
            ys.push_back(static_cast<float>(a[1] + u * (b[1] - a[1]) + v * (c[1] - a[1])));
        }
    return ys;
}

float highestAt(const gg::ShapeModel& m, float x, float z) {
    const std::vector<float> ys = surfacesAt(m, x, z);
    return ys.empty() ? -1e9f : *std::max_element(ys.begin(), ys.end());
}

}  // namespace

// The program draws the driver's helmet, arms and outside steering wheel
// where the values put them; each team's car is cut so that they sit in its
// cockpit, at the stock helmet values ("Default Helmet") and at the demo's.
TEST(GameGeneratorCarDesigns, EachTeamsDriverSitsInItsCockpit) {
    // The helmet as the program draws it: its mesh moved by the helmet's
    // (Y, Z), the mesh's units the car's.
    Box helmet;
    const varnisk::Mesh& mesh = varnisk::helmetMesh();
    for (std::size_t g = 0; g < mesh.groupCount; ++g)
        for (std::size_t i = 0; i < 3 * mesh.groups[g].triangles; ++i) {
            const varnisk::MeshVertex& v = mesh.groups[g].vertices[i];
            const float p[3] = {v.x, v.y, v.z};
            for (int k = 0; k < 3; ++k) helmet.lo[k] = std::min(helmet.lo[k], p[k]), helmet.hi[k] = std::max(helmet.hi[k], p[k]);
        }
    const float height = helmet.hi[1] - helmet.lo[1];
    const gg::GameValues demo = gg::demoValues();
    for (int team = 0; team < 11; ++team) {
        const gg::ShapeModel car = gg::teamCarShape(team, "A");
        const varnisk::DefaultTeamValues& stock = varnisk::kDefaultTeamValues[static_cast<std::size_t>(team)];
        const std::array<float, 2> stockHelmet{stock.helmetY / 100, stock.helmetZ / 100};
        const std::array<float, 2> demoHelmet{demo.helmets[static_cast<std::size_t>(team)][1],
                                              demo.helmets[static_cast<std::size_t>(team)][0]};
        for (const auto& [what, yz] : {std::pair{"stock", stockHelmet}, std::pair{"demo", demoHelmet}}) {
            SCOPED_TRACE("team " + std::to_string(team) + ", " + what + " helmet");
            const float bottom = yz[0] + helmet.lo[1], top = yz[0] + helmet.hi[1];
            const float back = yz[1] + helmet.lo[2], front = yz[1] + helmet.hi[2], middle = (back + front) / 2;
            // Nothing above or in the helmet: the cockpit is open over it.
            for (float x : {-0.1f, 0.0f, 0.1f})
                for (float z : {back + 0.03f, middle, front - 0.03f}) EXPECT_LT(highestAt(car, x, z), bottom) << x << ", " << z;
            // The cockpit's sides beside it come up to about its middle: its
            // top shows above them, its lower part is hidden.
            for (float x : {-0.26f, 0.26f}) {
                const float side = highestAt(car, x, middle);
                EXPECT_GT(side, bottom + 0.25f * height) << x;
                EXPECT_LT(side, top - 0.35f * height) << x;
            }
        }
        SCOPED_TRACE("team " + std::to_string(team));
        // The shoulders, where the arms start, lie inside the bodywork behind
        // the helmet.
        for (float x : {-0.135f, 0.135f}) {
            const std::vector<float> ys = surfacesAt(car, x, -0.25f);
            EXPECT_TRUE(std::any_of(ys.begin(), ys.end(), [](float y) { return y > -0.05f; })) << x;
            EXPECT_TRUE(std::any_of(ys.begin(), ys.end(), [](float y) { return y < -0.05f; })) << x;
        }
        // The demo's outside steering wheel (which "Default Wheel" keeps)
        // stands in the open cockpit ahead of the helmet, above the seat, its
        // top above the cockpit's sides.
        const float wheelY = demo.extWheel[static_cast<std::size_t>(team)][1] + demo.wheelRef[0];
        const float wheelZ = demo.extWheel[static_cast<std::size_t>(team)][0] + demo.wheelRef[1];
        const float wheelBottom = wheelY - 0.105f, wheelTop = wheelY + 0.095f;
        EXPECT_GT(wheelZ, demoHelmet[1] + helmet.hi[2] + 0.05f);
        EXPECT_GT(wheelZ, stockHelmet[1] + helmet.hi[2] + 0.05f);
        for (float x : {-0.13f, 0.0f, 0.13f}) EXPECT_LT(highestAt(car, x, wheelZ), wheelBottom) << x;
        for (float x : {-0.26f, 0.26f}) {
            const float side = highestAt(car, x, wheelZ);
            EXPECT_GT(side, wheelBottom) << x;
            EXPECT_LT(side, wheelTop) << x;
        }
    }
}

TEST(GameGeneratorCarDesigns, TheDashboardIsASmallPanelFacingTheDriver) {
    const gg::ShapeModel d = gg::dashboardShape();
    expectDrawable(d, "dashboard");
    const Box b = bounds(d);
    EXPECT_NEAR(b.hi[0] - b.lo[0], 0.25f, 1e-4f);
    EXPECT_NEAR(b.hi[1] - b.lo[1], 0.10f, 1e-4f);
    EXPECT_LT(b.hi[2] - b.lo[2], 0.05f);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(b.lo[k] + b.hi[k], 0.0f, 1e-4f) << k;
    // The display: the first group, its corners 0..1 in u (to the right) and v (up).
    const gg::ShapeObject& o = d.objects.at(0);
    ASSERT_FALSE(o.groups.empty());
    std::set<std::pair<float, float>> corners;
    for (std::int32_t f = o.groups[0].firstFace; f < o.groups[0].firstFace + o.groups[0].faceCount; ++f)
        for (std::int32_t i : o.faces[static_cast<std::size_t>(f)]) {
            const gg::ShapeVertex& v = o.vertices[static_cast<std::size_t>(i)];
            EXPECT_LT(v.normal[2], -0.9f);
            EXPECT_EQ(v.uv[0], v.position[0] > 0 ? 1.0f : 0.0f);
            EXPECT_EQ(v.uv[1], v.position[1] > 0 ? 1.0f : 0.0f);
            corners.insert({v.uv[0], v.uv[1]});
        }
    EXPECT_EQ(corners.size(), 4u);
}

TEST(GameGeneratorCarDesigns, ADenseShapeHasExactlyTheTrianglesAsked) {
    for (int n : {1, 2, 3, 7, 1000, 60000, 60001}) {
        const gg::ShapeModel m = gg::makeDenseShape(n);
        ASSERT_EQ(m.objects.size(), 1u);
        EXPECT_EQ(m.objects[0].faces.size(), static_cast<std::size_t>(n));
        expectDrawable(m, "dense " + std::to_string(n));
    }
    EXPECT_THROW(gg::makeDenseShape(0), std::invalid_argument);
    const Bytes b = gg::encodeShape(gg::makeDenseShape(60000), 7);
    WalkedShape w;
    ASSERT_NO_THROW(w = walkShape(b));
    EXPECT_EQ(w.objects[0].faces, 60000);
}

// ---------------------------------------------------------------- car shapes in cars.wad

TEST(GameGeneratorArchiveShapes, HoldsTheDashboardTheCockpitCarAndOneCarPerTeam) {
    gg::GameSpec spec;
    spec.archiveEntries = 16;
    const Bytes wad = gg::buildArchive(spec);
    const std::vector<gg::CarShapeEntry> shapes = gg::carShapeEntries(spec);
    const std::vector<gg::ArchiveEntry> dir = gg::archiveDirectory(spec);
    ASSERT_EQ(shapes.size(), 13u);
    EXPECT_EQ(gg::wantedCarShapes(spec), 13);
    EXPECT_EQ(shapes[0].name, "cars\\Cockpit\\cockpit_dash.gp4");
    EXPECT_EQ(shapes[1].name, "cars\\Cockpit\\car_cockpit_00.gp4");
    EXPECT_EQ(shapes[2].name, "cars\\car_NORTHWIND RACING_car1_lod_0.gp4");
    EXPECT_EQ(shapes[7].name, "cars\\car_\xC9QUIPE LUMIVERRE_car1_lod_0.gp4");
    EXPECT_EQ(shapes[9].name, "cars\\car_SALTMARSH HALVARD ENGINEERING GP_car1_lod_0.gp4");

    std::set<int> versions;
    std::set<std::string> bareNames;
    for (std::size_t k = 0; k < shapes.size(); ++k) {
        const gg::CarShapeEntry& e = shapes[k];
        SCOPED_TRACE(e.name);
        ASSERT_EQ(e.index, static_cast<int>(k));
        const std::uint64_t at = 4 + 136 * k;
        EXPECT_EQ(textAt(wad, at, 128), e.name);
        EXPECT_EQ(u32At(wad, at + 128), e.offset);
        EXPECT_EQ(u32At(wad, at + 132), e.size);
        EXPECT_EQ(dir[k].offset, e.offset);
        const gg::ShapeModel model = k == 0   ? gg::dashboardShape()
                                     : k == 1 ? gg::cockpitCarShape()
                                              : gg::teamCarShape(e.team, spec.values.names[static_cast<std::size_t>(e.team)]);
        EXPECT_EQ(e.team, k < 2 ? -1 : static_cast<int>(k) - 2);
        if (k >= 2) {
            EXPECT_EQ(e.name, "cars\\car_" + spec.values.names[static_cast<std::size_t>(e.team)] + "_car1_lod_0.gp4");
        }
        const Bytes expected = gg::encodeShape(model, e.version);
        ASSERT_EQ(e.size, expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), wad.begin() + e.offset));
        EXPECT_EQ(wad[e.offset + 13], '0' + e.version);
        WalkedShape w;
        ASSERT_NO_THROW(w = walkShape(wad, e.offset));
        EXPECT_EQ(w.size, e.size);
        versions.insert(e.version);
        std::string bare = e.name.substr(e.name.rfind('\\') + 1);
        std::transform(bare.begin(), bare.end(), bare.begin(), [](char ch) {
            return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
        });
        bareNames.insert(bare);
    }
    EXPECT_EQ(versions, (std::set<int>{4, 5, 7}));
    EXPECT_EQ(bareNames.size(), 13u);
    EXPECT_EQ(shapes[0].version, 4);
    EXPECT_EQ(shapes[1].version, 7);

    // Filler entries keep their made-up data; the collision entry is last.
    for (std::size_t k = 13; k < 15; ++k)
        for (std::uint64_t i = 0; i < dir[k].size; ++i)
            ASSERT_EQ(wad[dir[k].offset + i], gg::patternByte(gg::kArchiveSeed, dir[k].offset + i)) << k;
    EXPECT_EQ(dir[15].name, "cars\\car_collision_mesh.ct");
    EXPECT_EQ(gg::collisionEntryOffset(spec), dir[15].offset);
    EXPECT_EQ(f32At(wad, dir[15].offset + 192 + 8), spec.values.tyres[3][2]);
}

TEST(GameGeneratorArchiveShapes, ShapesTakeTheFirstPlacesBesideTheCollisionEntry) {
    struct Case {
        int entries, collisionIndex;
        std::vector<int> shapeIndices;
    };
    const std::vector<Case> cases = {
        {8, -1, {0, 1, 2, 3, 4, 5, 6}},  {8, 0, {1, 2, 3, 4, 5, 6, 7}}, {8, 3, {0, 1, 2, 4, 5, 6, 7}},
        {8, -2, {0, 1, 2, 3, 4, 5, 6, 7}}, {1, -1, {}},                  {1, -2, {0}},
        {0, -1, {}},                     {20, 4, {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.entries) + " entries, collision index " + std::to_string(c.collisionIndex));
        gg::GameSpec spec;
        spec.archiveEntries = c.entries;
        spec.collisionIndex = c.collisionIndex;
        const std::vector<gg::CarShapeEntry> shapes = gg::carShapeEntries(spec);
        std::vector<int> indices;
        for (const gg::CarShapeEntry& e : shapes) indices.push_back(e.index);
        EXPECT_EQ(indices, c.shapeIndices);
        if (!shapes.empty()) {
            EXPECT_EQ(shapes[0].name, "cars\\Cockpit\\cockpit_dash.gp4");
        }
        // The directory stays gapless and the collision entry where it was asked.
        const std::vector<gg::ArchiveEntry> dir = gg::archiveDirectory(spec);
        ASSERT_EQ(dir.size(), static_cast<std::size_t>(c.entries));
        std::uint64_t at = 4 + 136 * static_cast<std::uint64_t>(c.entries);
        for (const gg::ArchiveEntry& e : dir) {
            EXPECT_EQ(e.offset, at);
            at += e.size;
        }
        EXPECT_EQ(gg::buildArchive(spec).size(), at);
        if (const auto ct = gg::collisionEntryIndex(spec)) {
            EXPECT_EQ(dir[static_cast<std::size_t>(*ct)].name, "cars\\car_collision_mesh.ct");
            EXPECT_EQ(gg::collisionEntryOffset(spec), dir[static_cast<std::size_t>(*ct)].offset);
            // The tyre records lie in the collision entry, clear of every shape.
            for (const gg::ByteRange& r : gg::archiveValueRanges(spec))
                for (const gg::CarShapeEntry& e : shapes)
                    EXPECT_TRUE(r.offset + r.size <= e.offset || r.offset >= e.offset + e.size) << r.what;
        }
    }
}

TEST(GameGeneratorArchiveShapes, WithoutCarShapesTheArchiveHoldsMadeUpEntriesOnly) {
    gg::GameSpec spec;
    spec.withCarShapes = false;
    EXPECT_TRUE(gg::carShapeEntries(spec).empty());
    EXPECT_EQ(gg::wantedCarShapes(spec), 0);
    const std::vector<gg::ArchiveEntry> dir = gg::archiveDirectory(spec);
    ASSERT_EQ(dir.size(), 8u);
    EXPECT_EQ(dir[0].name, "cars\\car_team_car0_lod_0.gp4");
    EXPECT_EQ(dir[0].size, 16u);
    EXPECT_EQ(dir[2].name, "cars\\misc_0002.dat");
    EXPECT_EQ(dir[2].size, 42u);
    EXPECT_EQ(gg::collisionEntryOffset(spec), 4 + 136 * 8 + 16 + 29 + 42 + 55 + 19 + 32 + 45);
    const Bytes wad = gg::buildArchive(spec);
    for (std::size_t k = 0; k < 7; ++k)
        for (std::uint64_t i = 0; i < dir[k].size; ++i)
            ASSERT_EQ(wad[dir[k].offset + i], gg::patternByte(gg::kArchiveSeed, dir[k].offset + i)) << k;

    spec.withCarShapes = true;
    spec.withArchive = false;
    EXPECT_TRUE(gg::carShapeEntries(spec).empty());
}

TEST(GameGeneratorArchiveShapes, ATeamNameRepeatedInOtherLettersGetsNoSecondEntry) {
    gg::GameSpec spec;
    spec.archiveEntries = 16;
    spec.values.names[3] = "Northwind Racing";
    spec.values.names[6] = "A \"QUOTED\" NAME";
    EXPECT_EQ(gg::wantedCarShapes(spec), 12);
    const std::vector<gg::CarShapeEntry> shapes = gg::carShapeEntries(spec);
    ASSERT_EQ(shapes.size(), 12u);
    std::vector<int> teams;
    for (const gg::CarShapeEntry& e : shapes) teams.push_back(e.team);
    EXPECT_EQ(teams, (std::vector<int>{-1, -1, 0, 1, 2, 4, 5, 6, 7, 8, 9, 10}));
    // A quote in the team's name stays out of the shape's own strings.
    const Bytes wad = gg::buildArchive(spec);
    WalkedShape w;
    ASSERT_NO_THROW(w = walkShape(wad, shapes[7].offset));
    EXPECT_EQ(w.name, "car_a_quoted_name");
    EXPECT_EQ(w.textures[0], "carbody_a_quoted_name.bmp");
}

// The demo's archive holds each team's car under the name "Default All"
// gives the team as well, so that the preview still finds every car after
// the names are reset.
TEST(GameGeneratorArchiveShapes, TheStockNamesNameTheTeamsCarsToo) {
    EXPECT_EQ(gg::kStockTeamNames, varnisk::kDefaultTeamNames);
    gg::GameSpec spec;
    spec.archiveEntries = 27;
    spec.withStockNameCars = true;
    const Bytes wad = gg::buildArchive(spec);
    const std::vector<gg::CarShapeEntry> shapes = gg::carShapeEntries(spec);
    ASSERT_EQ(shapes.size(), 24u);
    EXPECT_EQ(gg::wantedCarShapes(spec), 24);
    for (std::size_t t = 0; t < 11; ++t) {
        SCOPED_TRACE(t);
        const gg::CarShapeEntry& own = shapes[2 + t];
        const gg::CarShapeEntry& stock = shapes[13 + t];
        EXPECT_EQ(own.name, "cars\\car_" + spec.values.names[t] + "_car1_lod_0.gp4");
        EXPECT_EQ(stock.name, "cars\\car_" + gg::kStockTeamNames[t] + "_car1_lod_0.gp4");
        EXPECT_EQ(stock.team, static_cast<int>(t));
        EXPECT_EQ(stock.version, own.version);
        // The same car, its texture names made of the name it is stored under.
        const Bytes expected = gg::encodeShape(gg::teamCarShape(static_cast<int>(t), gg::kStockTeamNames[t]), stock.version);
        ASSERT_EQ(stock.size, expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), wad.begin() + stock.offset));
    }
    const std::vector<gg::ArchiveEntry> dir = gg::archiveDirectory(spec);
    EXPECT_EQ(dir[26].name, "cars\\car_collision_mesh.ct");

    // A team already named by a stock name, in other letters, keeps one entry.
    spec.values.names[4] = "AURORA RACING";
    const std::vector<gg::CarShapeEntry> fewer = gg::carShapeEntries(spec);
    ASSERT_EQ(fewer.size(), 23u);
    EXPECT_EQ(fewer[6].name, "cars\\car_AURORA RACING_car1_lod_0.gp4");
    EXPECT_EQ(fewer[13].name, "cars\\car_Blue Heron_car1_lod_0.gp4");
}

TEST(GameGeneratorArchiveShapes, FullSizeCarsHaveAbout20000Triangles) {
    gg::GameSpec spec;
    spec.archiveEntries = 5;
    spec.fullSizeCar = true;
    const Bytes wad = gg::buildArchive(spec);
    const std::vector<gg::CarShapeEntry> shapes = gg::carShapeEntries(spec);
    ASSERT_EQ(shapes.size(), 4u);
    for (std::size_t k = 0; k < shapes.size(); ++k) {
        WalkedShape w;
        ASSERT_NO_THROW(w = walkShape(wad, shapes[k].offset));
        std::size_t triangles = 0;
        for (const WalkedObject& o : w.objects) triangles += o.triangles.size();
        if (shapes[k].team >= 0) {
            EXPECT_GE(triangles, 18000u) << k;
            EXPECT_LE(triangles, 22000u) << k;
        } else {
            EXPECT_LT(triangles, 1500u) << k;  // the cockpit car and the dashboard stay as they are
        }
    }
}

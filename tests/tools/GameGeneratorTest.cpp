#include "GameGenerator.h"

#include <gtest/gtest.h>

#include <bit>
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

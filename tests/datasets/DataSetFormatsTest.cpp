#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Bytes.h"
#include "valuesets/DataSetFormats.h"

using namespace varnisk;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Record = GameData::CameraRecord;
using Outcome = CarDataFile::Outcome;

// globalMask bits: the chase pair, the cockpit wheel, the dashboard, the tyres.
constexpr std::uint16_t kGlobalChase = 1, kGlobalWheel = 2, kGlobalDashboard = 4, kGlobalTyres = 8;

constexpr std::array<int, 11> kBrands{0, 1, 2, -1, 7, 0x12345678, 3, 1, 0, 2, -2147483647 - 1};

// Distinct values everywhere, so a member read from the wrong place shows.
GameData sampleValues() {
    GameData g;
    for (std::size_t k = 0; k < 12; ++k) {
        for (std::size_t j = 0; j < 10; ++j) {
            g.cameras[k][j] = static_cast<std::int16_t>(100 * static_cast<int>(k) + static_cast<int>(j) - 500);
        }
    }
    g.chase = {-123, 456};
    for (std::size_t t = 0; t < 11; ++t) {
        const int i = static_cast<int>(t);
        const float f = static_cast<float>(i);
        g.tcam[t] = {static_cast<std::int16_t>(10 * i - 3), static_cast<std::int16_t>(-10 * i - 7)};
        g.helmets[t] = {0.5f + f, -1.25f * f - 0.125f};
        g.extWheel[t] = {100.0f + f / 8.0f, -3.0e-3f * (f + 1.0f)};
        g.arms[t] = 0xFF000000u | (0x00010203u * static_cast<std::uint32_t>(t));
        g.rims[t] = 0x80000000u + 0x1111u * static_cast<std::uint32_t>(t);
        g.names[t] = std::string("Team ") + static_cast<char>('a' + i);
    }
    for (std::size_t r = 0; r < 4; ++r) {
        for (std::size_t i = 0; i < 3; ++i) g.tyres[r][i] = 0.1f * static_cast<float>(3 * r + i + 1);
    }
    g.cockpit = {1.5f, -2.25f, 3.125f, -4.5f, 5.75f, -6.0f};
    return g;
}

SaveMasks allMasks() {
    SaveMasks m;
    m.cameraMask = 0x0FFF;
    m.tcamMask = m.helmetMask = m.extWheelMask = m.armMask = m.rimMask = m.brandMask = m.nameMask = 0x07FF;
    m.globalMask = 0x000F;
    return m;
}

// Every header word different, the first and last record and team, chase
// and wheel but neither tyres nor dashboard, two names.
SaveMasks sparseMasks() {
    SaveMasks m;
    m.cameraMask = 0x0801;
    m.tcamMask = 0x0401;
    m.helmetMask = 0x0000;
    m.armMask = 0x0100;
    m.rimMask = 0x0004;
    m.brandMask = 0x0010;
    m.globalMask = kGlobalChase | kGlobalWheel;
    m.extWheelMask = 0x0002;
    m.nameMask = 0x0600;
    return m;
}

// The other half: tyres and dashboard without chase and wheel.
SaveMasks blockMasks() {
    SaveMasks m;
    m.helmetMask = 0x0005;
    m.armMask = 0x0003;
    m.rimMask = 0x0400;
    m.brandMask = 0x0003;
    m.globalMask = kGlobalTyres | kGlobalDashboard;
    m.nameMask = 0x0001;
    return m;
}

std::array<std::uint16_t, 9> wordsOf(const SaveMasks& m) {
    return {m.cameraMask, m.tcamMask, m.helmetMask, m.extWheelMask, m.armMask,
            m.rimMask,    m.brandMask, m.globalMask, m.nameMask};
}

// The indices a mask below 4096 selects, highest first as the file holds them.
std::vector<int> selected(std::uint16_t mask) {
    std::vector<int> out;
    for (int i = 11; i >= 0; --i) {
        if ((mask >> i) & 1) out.push_back(i);
    }
    return out;
}

std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }

template <std::size_t N>
std::array<std::uint32_t, N> bitsOf(const std::array<float, N>& v) {
    std::array<std::uint32_t, N> out{};
    for (std::size_t i = 0; i < N; ++i) out[i] = bitsOf(v[i]);
    return out;
}

std::vector<std::pair<int, std::array<std::uint32_t, 2>>> bitsOf(
    const std::vector<std::pair<int, GameData::Pair>>& list) {
    std::vector<std::pair<int, std::array<std::uint32_t, 2>>> out;
    for (const auto& [index, pair] : list) out.emplace_back(index, bitsOf(pair));
    return out;
}

void addWords(Bytes& out, std::initializer_list<std::uint16_t> words) {
    for (std::uint16_t w : words) bytes::addU16(out, w);
}
void addRecord(Bytes& out, const Record& r) {
    for (std::int16_t v : r) bytes::addI16(out, v);
}
void addShorts(Bytes& out, const std::array<std::int16_t, 2>& p) {
    bytes::addI16(out, p[0]);
    bytes::addI16(out, p[1]);
}
template <std::size_t N>
void addFloats(Bytes& out, const std::array<float, N>& v) {
    for (float f : v) bytes::addF32(out, f);
}
void addName(Bytes& out, const std::string& name) {
    Bytes field(32, 0);
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 32), field.begin());
    out.insert(out.end(), field.begin(), field.end());
}

void expectNoMembers(const CarDataFile& f) {
    EXPECT_TRUE(f.cameras.empty());
    EXPECT_FALSE(f.chase.has_value());
    EXPECT_TRUE(f.tcam.empty());
    EXPECT_TRUE(f.helmets.empty());
    EXPECT_TRUE(f.extWheel.empty());
    EXPECT_TRUE(f.arms.empty());
    EXPECT_TRUE(f.rims.empty());
    EXPECT_TRUE(f.brands.empty());
    EXPECT_FALSE(f.tyres.has_value());
    EXPECT_FALSE(f.dashboard.has_value());
    EXPECT_FALSE(f.wheel.has_value());
    EXPECT_TRUE(f.names.empty());
}

// The first n entries of a list (n no more than its size).
template <typename List>
List firstOf(const List& list, std::size_t n) {
    return List(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(std::min(n, list.size())));
}

}  // namespace

// --- header masks ---

TEST(MaskToList, TakesNumbersHighestFirst) {
    const std::vector<int> all{12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    struct Case { std::uint16_t mask; std::vector<int> list; };
    for (const Case& c : {Case{0x0000, {}}, Case{0x0001, {1}}, Case{0x0805, {12, 3, 1}}, Case{0x0800, {12}},
                          Case{0x0400, {11}}, Case{0x07FF, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}},
                          Case{0x0FFF, all},
                          // From 4096 on every number is taken.
                          Case{0x1000, all}, Case{0x1001, all}, Case{0x2000, all}, Case{0xFFFF, all}}) {
        EXPECT_EQ(maskToList(c.mask), c.list) << std::hex << c.mask;
    }
}

// --- camera records ---

TEST(CameraForms, EncodeScalesReordersAndOffsetsTheCockpit) {
    const CameraRow row{100, 20, -30, 1, -2, 0, 5, -6, 7, 32767};
    struct Case { CameraRow row; int record; CameraForm form; Record stored; };
    for (const Case& c : {
             // Stored X, Z, Y: the cockpit record's Y is stored 5 lower in car form only.
             Case{row, 0, CameraForm::Car, {100, -30, 15, 182, -364, 0, 5, -6, 7, 32767}},
             Case{row, 1, CameraForm::Car, {100, -30, 20, 182, -364, 0, 5, -6, 7, 32767}},
             Case{row, 11, CameraForm::Car, {100, -30, 20, 182, -364, 0, 5, -6, 7, 32767}},
             Case{row, 0, CameraForm::Game, {200, -60, 40, 182, -364, 0, 5, -6, 7, 32767}},
             Case{row, 5, CameraForm::Game, {200, -60, 40, 182, -364, 0, 5, -6, 7, 32767}},
             // Out of range values keep their low 16 bits.
             Case{{40000, -32768, 16384, 181, -181, 360, 65535, -32769, 0, 0},
                  0,
                  CameraForm::Car,
                  {-25536, 16384, 32763, -32594, 32594, -16, -1, 32767, 0, 0}},
             Case{{20000, 16384, -16385, 0, 0, 0, 0, 0, 0, 0},
                  0,
                  CameraForm::Game,
                  {-25536, 32766, -32768, 0, 0, 0, 0, 0, 0, 0}},
         }) {
        EXPECT_EQ(encodeCamera(c.row, c.record, c.form), c.stored)
            << "record " << c.record << (c.form == CameraForm::Car ? " car" : " game");
    }
}

TEST(CameraForms, DecodeTruncatesTowardZeroAndAddsTheCockpitOffsetBack) {
    const Record odd{-7, 7, -7, -363, 363, 181, -1, 0, 32767, -32768};
    struct Case { Record stored; int record; CameraForm form; CameraRow row; };
    for (const Case& c : {
             Case{odd, 3, CameraForm::Game, {-3, -3, 3, -1, 1, 0, -1, 0, 32767, -32768}},
             Case{odd, 3, CameraForm::Car, {-7, -7, 7, -1, 1, 0, -1, 0, 32767, -32768}},
             Case{odd, 0, CameraForm::Car, {-7, -2, 7, -1, 1, 0, -1, 0, 32767, -32768}},
             Case{odd, 0, CameraForm::Game, {-3, -3, 3, -1, 1, 0, -1, 0, 32767, -32768}},
             Case{{0, 0, 15, 182, -182, 32767, 0, 0, 0, 0}, 0, CameraForm::Car, {0, 20, 0, 1, -1, 180, 0, 0, 0, 0}},
             Case{{0, 0, 15, 0, 0, 0, 0, 0, 0, 0}, 1, CameraForm::Car, {0, 15, 0, 0, 0, 0, 0, 0, 0, 0}},
             Case{{0, 0, 40, 0, 0, 0, 0, 0, 0, 0}, 0, CameraForm::Game, {0, 20, 0, 0, 0, 0, 0, 0, 0, 0}},
         }) {
        EXPECT_EQ(decodeCamera(c.stored, c.record, c.form), c.row)
            << "record " << c.record << (c.form == CameraForm::Car ? " car" : " game");
    }
}

TEST(CameraForms, RowsInRangeComeBackUnchanged) {
    for (const CameraRow& row : {CameraRow{100, 20, -30, 1, -2, 0, 5, -6, 7, 32767},
                                 CameraRow{-16384, 16383, -1, -180, 179, -45, -32768, 1, -1, 12345}}) {
        for (int record : {0, 1, 11}) {
            for (CameraForm form : {CameraForm::Car, CameraForm::Game}) {
                EXPECT_EQ(decodeCamera(encodeCamera(row, record, form), record, form), row)
                    << "record " << record << (form == CameraForm::Car ? " car" : " game");
            }
        }
    }
}

TEST(CameraForms, ChasePairIsDoubledInGameFormWithoutOffset) {
    EXPECT_EQ(encodeChase(10, -20, CameraForm::Car), (std::array<std::int16_t, 2>{10, -20}));
    EXPECT_EQ(encodeChase(10, -20, CameraForm::Game), (std::array<std::int16_t, 2>{20, -40}));
    EXPECT_EQ(encodeChase(20000, 40000, CameraForm::Game), (std::array<std::int16_t, 2>{-25536, 14464}));
    EXPECT_EQ(decodeChase({-7, 41}, CameraForm::Game), (std::array<int, 2>{-3, 20}));
    EXPECT_EQ(decodeChase({-7, 41}, CameraForm::Car), (std::array<int, 2>{-7, 41}));
}

// --- car data files: writing ---

TEST(DataSetCarData, NothingSelectedIsJustTheHeader) {
    const Bytes file = encodeCarData(SaveMasks{}, sampleValues(), kBrands);
    EXPECT_EQ(file, (Bytes{4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(DataSetCarData, EncodeWritesTheSelectedMembersHighestFirst) {
    const GameData g = sampleValues();

    Bytes sparse;
    addWords(sparse, {4, 0x0801, 0x0401, 0x0000, 0x0100, 0x0004, 0x0010, 0x0003, 0x0002, 0x0600});
    addRecord(sparse, g.cameras[11]);
    addRecord(sparse, g.cameras[0]);
    addShorts(sparse, g.chase);
    addShorts(sparse, g.tcam[10]);
    addShorts(sparse, g.tcam[0]);
    addFloats(sparse, g.extWheel[1]);
    bytes::addU32(sparse, g.arms[8]);
    bytes::addU32(sparse, g.rims[2]);
    bytes::addU32(sparse, static_cast<std::uint32_t>(kBrands[4]));
    addFloats(sparse, std::array<float, 3>{g.cockpit[3], g.cockpit[4], g.cockpit[5]});
    // Two name bits: the names of teams 0 and 1, whichever bits they are.
    addName(sparse, g.names[0]);
    addName(sparse, g.names[1]);
    EXPECT_EQ(encodeCarData(sparseMasks(), g, kBrands), sparse);

    Bytes blocks;
    addWords(blocks, {4, 0x0000, 0x0000, 0x0005, 0x0003, 0x0400, 0x0003, 0x000C, 0x0000, 0x0001});
    addFloats(blocks, g.helmets[2]);
    addFloats(blocks, g.helmets[0]);
    bytes::addU32(blocks, g.arms[1]);
    bytes::addU32(blocks, g.arms[0]);
    bytes::addU32(blocks, g.rims[10]);
    bytes::addU32(blocks, static_cast<std::uint32_t>(kBrands[1]));
    bytes::addU32(blocks, static_cast<std::uint32_t>(kBrands[0]));
    for (const GameData::TyreRecord& r : g.tyres) addFloats(blocks, r);
    addFloats(blocks, std::array<float, 3>{g.cockpit[0], g.cockpit[1], g.cockpit[2]});
    addName(blocks, g.names[0]);
    EXPECT_EQ(encodeCarData(blockMasks(), g, kBrands), blocks);
}

TEST(DataSetCarData, EverythingSelectedPutsEachSectionInItsPlace) {
    const GameData g = sampleValues();
    const Bytes file = encodeCarData(allMasks(), g, kBrands);
    ASSERT_EQ(file.size(), 1040u);
    const std::span<const std::uint8_t> b(file);

    EXPECT_EQ(bytes::u16(b, 0), 4);
    for (std::size_t k = 0; k < 12; ++k) {
        for (std::size_t j = 0; j < 10; ++j) EXPECT_EQ(bytes::i16(b, 20 + 20 * (11 - k) + 2 * j), g.cameras[k][j]) << k;
    }
    EXPECT_EQ(bytes::i16(b, 260), g.chase[0]);
    EXPECT_EQ(bytes::i16(b, 262), g.chase[1]);
    for (std::size_t t = 0; t < 11; ++t) {
        const std::size_t from10 = 10 - t;
        EXPECT_EQ(bytes::i16(b, 264 + 4 * from10), g.tcam[t][0]) << t;
        EXPECT_EQ(bytes::i16(b, 266 + 4 * from10), g.tcam[t][1]) << t;
        EXPECT_EQ(bytes::f32(b, 308 + 8 * from10), g.helmets[t][0]) << t;
        EXPECT_EQ(bytes::f32(b, 312 + 8 * from10), g.helmets[t][1]) << t;
        EXPECT_EQ(bytes::f32(b, 396 + 8 * from10), g.extWheel[t][0]) << t;
        EXPECT_EQ(bytes::f32(b, 400 + 8 * from10), g.extWheel[t][1]) << t;
        EXPECT_EQ(bytes::u32(b, 484 + 4 * from10), g.arms[t]) << t;
        EXPECT_EQ(bytes::u32(b, 528 + 4 * from10), g.rims[t]) << t;
        EXPECT_EQ(bytes::i32(b, 572 + 4 * from10), kBrands[t]) << t;
        Bytes name;
        addName(name, g.names[t]);
        EXPECT_EQ(Bytes(file.begin() + static_cast<std::ptrdiff_t>(688 + 32 * t),
                        file.begin() + static_cast<std::ptrdiff_t>(720 + 32 * t)),
                  name)
            << t;
    }
    for (std::size_t r = 0; r < 4; ++r) {
        for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(bytes::f32(b, 616 + 12 * r + 4 * i), g.tyres[r][i]);
    }
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(bytes::f32(b, 664 + 4 * i), g.cockpit[i]) << i;
}

TEST(DataSetCarData, NamesAreCutAtThirtyTwoBytesAndPaddedWithZeros) {
    GameData g = sampleValues();
    g.names[0] = std::string(40, 'N');
    g.names[1] = "";
    g.names[2] = std::string(31, 'q') + "Z";
    SaveMasks m;
    m.nameMask = 0x0007;
    const Bytes file = encodeCarData(m, g, kBrands);
    Bytes expected(file.begin(), file.begin() + 20);
    expected.insert(expected.end(), 32, 'N');
    expected.insert(expected.end(), 32, 0);
    expected.insert(expected.end(), 31, 'q');
    expected.push_back('Z');
    EXPECT_EQ(file, expected);
}

// --- car data files: reading ---

TEST(DataSetCarData, RoundTripGivesBackEverySelectedValueExactly) {
    GameData g = sampleValues();
    // Awkward floats must come back bit for bit.
    g.helmets[0] = {-0.0f, std::numeric_limits<float>::denorm_min()};
    g.extWheel[3] = {std::bit_cast<float>(0x7FC12345u), 1.0e30f};
    g.tyres[2][1] = -std::numeric_limits<float>::infinity();
    g.cockpit[4] = std::bit_cast<float>(0x3DCCCCCDu);

    for (const SaveMasks& m : {allMasks(), sparseMasks(), blockMasks()}) {
        SCOPED_TRACE(::testing::Message() << "camera mask " << m.cameraMask << ", global mask " << m.globalMask);
        const CarDataFile f = decodeCarData(encodeCarData(m, g, kBrands));
        EXPECT_EQ(f.outcome, Outcome::Complete);
        EXPECT_EQ(f.version, 4);
        EXPECT_EQ(wordsOf(f.masks), wordsOf(m));

        std::vector<std::pair<int, Record>> cameras;
        for (int k : selected(m.cameraMask)) cameras.emplace_back(k, g.cameras[std::size_t(k)]);
        EXPECT_EQ(f.cameras, cameras);

        std::vector<std::pair<int, GameData::ShortPair>> tcam;
        std::vector<std::pair<int, GameData::Pair>> helmets, extWheel;
        std::vector<std::pair<int, std::uint32_t>> arms, rims;
        std::vector<std::pair<int, std::int32_t>> brands;
        for (int t : selected(m.tcamMask)) tcam.emplace_back(t, g.tcam[std::size_t(t)]);
        for (int t : selected(m.helmetMask)) helmets.emplace_back(t, g.helmets[std::size_t(t)]);
        for (int t : selected(m.extWheelMask)) extWheel.emplace_back(t, g.extWheel[std::size_t(t)]);
        for (int t : selected(m.armMask)) arms.emplace_back(t, g.arms[std::size_t(t)]);
        for (int t : selected(m.rimMask)) rims.emplace_back(t, g.rims[std::size_t(t)]);
        for (int t : selected(m.brandMask)) brands.emplace_back(t, kBrands[std::size_t(t)]);
        EXPECT_EQ(f.tcam, tcam);
        EXPECT_EQ(bitsOf(f.helmets), bitsOf(helmets));
        EXPECT_EQ(bitsOf(f.extWheel), bitsOf(extWheel));
        EXPECT_EQ(f.arms, arms);
        EXPECT_EQ(f.rims, rims);
        EXPECT_EQ(f.brands, brands);

        EXPECT_EQ(f.chase, (m.globalMask & kGlobalChase) ? std::optional(g.chase) : std::nullopt);
        ASSERT_EQ(f.tyres.has_value(), (m.globalMask & kGlobalTyres) != 0);
        if (f.tyres) {
            for (std::size_t r = 0; r < 4; ++r) EXPECT_EQ(bitsOf((*f.tyres)[r]), bitsOf(g.tyres[r])) << r;
        }
        ASSERT_EQ(f.dashboard.has_value(), (m.globalMask & kGlobalDashboard) != 0);
        if (f.dashboard) {
            EXPECT_EQ(bitsOf(*f.dashboard), bitsOf(std::array<float, 3>{g.cockpit[0], g.cockpit[1], g.cockpit[2]}));
        }
        ASSERT_EQ(f.wheel.has_value(), (m.globalMask & kGlobalWheel) != 0);
        if (f.wheel) {
            EXPECT_EQ(bitsOf(*f.wheel), bitsOf(std::array<float, 3>{g.cockpit[3], g.cockpit[4], g.cockpit[5]}));
        }
        const std::size_t names = selected(m.nameMask).size();
        EXPECT_EQ(f.names, std::vector<std::string>(g.names.begin(),
                                                    g.names.begin() + static_cast<std::ptrdiff_t>(names)));
    }
}

TEST(DataSetCarData, VersionThreeHasAShortHeaderAndNoWheelPairsOrNames) {
    const GameData g = sampleValues();
    Record first{};
    first[0] = -1;  // as a version 4 header these two words would be impossible masks
    first[1] = -1;
    first[2] = 77;

    Bytes file;
    addWords(file, {3, 0x0002, 0x0001, 0x0001, 0x0001, 0x0001, 0x0001, 0x000F});
    addRecord(file, first);
    addShorts(file, g.chase);
    addShorts(file, g.tcam[0]);
    addFloats(file, g.helmets[0]);
    bytes::addU32(file, g.arms[0]);
    bytes::addU32(file, g.rims[0]);
    bytes::addU32(file, 1);
    for (const GameData::TyreRecord& r : g.tyres) addFloats(file, r);
    addFloats(file, std::array<float, 3>{g.cockpit[0], g.cockpit[1], g.cockpit[2]});
    addFloats(file, std::array<float, 3>{g.cockpit[3], g.cockpit[4], g.cockpit[5]});

    const CarDataFile f = decodeCarData(file);
    EXPECT_EQ(f.outcome, Outcome::Complete);
    EXPECT_EQ(f.version, 3);
    EXPECT_EQ(wordsOf(f.masks), (std::array<std::uint16_t, 9>{2, 1, 1, 0, 1, 1, 1, 15, 0}));
    EXPECT_EQ(f.cameras, (std::vector<std::pair<int, Record>>{{1, first}}));
    EXPECT_EQ(f.chase, g.chase);
    EXPECT_EQ(f.tcam, (std::vector<std::pair<int, GameData::ShortPair>>{{0, g.tcam[0]}}));
    EXPECT_EQ(f.helmets, (std::vector<std::pair<int, GameData::Pair>>{{0, g.helmets[0]}}));
    EXPECT_TRUE(f.extWheel.empty());
    EXPECT_EQ(f.arms, (std::vector<std::pair<int, std::uint32_t>>{{0, g.arms[0]}}));
    EXPECT_EQ(f.rims, (std::vector<std::pair<int, std::uint32_t>>{{0, g.rims[0]}}));
    EXPECT_EQ(f.brands, (std::vector<std::pair<int, std::int32_t>>{{0, 1}}));
    EXPECT_EQ(f.tyres, g.tyres);
    EXPECT_EQ(f.dashboard, (std::array<float, 3>{g.cockpit[0], g.cockpit[1], g.cockpit[2]}));
    EXPECT_EQ(f.wheel, (std::array<float, 3>{g.cockpit[3], g.cockpit[4], g.cockpit[5]}));
    EXPECT_TRUE(f.names.empty());

    // Shorter than its own header.
    const CarDataFile cut = decodeCarData(std::span(file).first(15));
    EXPECT_EQ(cut.outcome, Outcome::Truncated);
    expectNoMembers(cut);
}

TEST(DataSetCarData, NamesComeBackInTheProgramsNameForm) {
    Bytes file;
    addWords(file, {4, 0, 0, 0, 0, 0, 0, 0, 0, 0x001F});
    addName(file, "ALPHA TEAM");
    addName(file, std::string("A\0B\0C", 5));
    addName(file, std::string("\0XY", 3));
    addName(file, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    addName(file, "X\xC0Y");
    const CarDataFile f = decodeCarData(file);
    EXPECT_EQ(f.outcome, Outcome::Complete);
    EXPECT_EQ(f.names, (std::vector<std::string>{"Alpha team", "Abc", "xy", "Abcdefghijklmnopqrstuvwxyz012345",
                                                 "X\xE0y"}));
}

TEST(DataSetCarData, TruncatedFilesKeepWhatWasReadBefore) {
    const Bytes full = encodeCarData(allMasks(), sampleValues(), kBrands);
    const CarDataFile whole = decodeCarData(full);
    ASSERT_EQ(whole.outcome, Outcome::Complete);

    struct Cut {
        std::size_t size;
        std::size_t cameras;
        bool chase;
        std::size_t tcam, helmets, extWheel, arms, rims, brands;
        bool tyres, dashboard, wheel;
        std::size_t names;
    };
    for (const Cut& c : {
             Cut{0, 0, false, 0, 0, 0, 0, 0, 0, false, false, false, 0},
             Cut{1, 0, false, 0, 0, 0, 0, 0, 0, false, false, false, 0},
             Cut{19, 0, false, 0, 0, 0, 0, 0, 0, false, false, false, 0},
             Cut{20, 0, false, 0, 0, 0, 0, 0, 0, false, false, false, 0},
             Cut{87, 3, false, 0, 0, 0, 0, 0, 0, false, false, false, 0},
             Cut{262, 12, false, 0, 0, 0, 0, 0, 0, false, false, false, 0},
             Cut{286, 12, true, 5, 0, 0, 0, 0, 0, false, false, false, 0},
             Cut{404, 12, true, 11, 11, 1, 0, 0, 0, false, false, false, 0},
             Cut{620, 12, true, 11, 11, 11, 11, 11, 11, false, false, false, 0},
             Cut{670, 12, true, 11, 11, 11, 11, 11, 11, true, false, false, 0},
             Cut{680, 12, true, 11, 11, 11, 11, 11, 11, true, true, false, 0},
             Cut{1039, 12, true, 11, 11, 11, 11, 11, 11, true, true, true, 10},
         }) {
        SCOPED_TRACE(::testing::Message() << "cut to " << c.size);
        const CarDataFile f = decodeCarData(std::span(full).first(c.size));
        EXPECT_EQ(f.outcome, Outcome::Truncated);
        EXPECT_EQ(f.cameras, firstOf(whole.cameras, c.cameras));
        EXPECT_EQ(f.chase.has_value(), c.chase);
        EXPECT_EQ(f.tcam, firstOf(whole.tcam, c.tcam));
        EXPECT_EQ(f.helmets, firstOf(whole.helmets, c.helmets));
        EXPECT_EQ(f.extWheel, firstOf(whole.extWheel, c.extWheel));
        EXPECT_EQ(f.arms, firstOf(whole.arms, c.arms));
        EXPECT_EQ(f.rims, firstOf(whole.rims, c.rims));
        EXPECT_EQ(f.brands, firstOf(whole.brands, c.brands));
        EXPECT_EQ(f.tyres.has_value(), c.tyres);
        EXPECT_EQ(f.dashboard.has_value(), c.dashboard);
        EXPECT_EQ(f.wheel.has_value(), c.wheel);
        EXPECT_EQ(f.names, firstOf(whole.names, c.names));
    }
}

TEST(DataSetCarData, MasksNamingMissingCamerasTeamsOrBlocksAreADamagedHeader) {
    const Bytes full = encodeCarData(allMasks(), sampleValues(), kBrands);
    struct Case { int version; std::size_t at; std::uint16_t word; };
    for (const Case& c : {Case{4, 2, 0x1000},   // camera records 0..11 only
                          Case{4, 4, 0x0800},   // T-cam, teams 0..10 only
                          Case{4, 6, 0x0800},   // helmets
                          Case{4, 8, 0x0800},   // arms
                          Case{4, 10, 0x8000},  // rims
                          Case{4, 12, 0x0C00},  // brands
                          Case{4, 14, 0x0010},  // four shared blocks only
                          Case{4, 16, 0x0800},  // external wheel
                          Case{4, 18, 0x0800},  // names
                          Case{3, 14, 0x0010}, Case{3, 4, 0x0FFF}}) {
        SCOPED_TRACE(::testing::Message() << "version " << c.version << ", word at " << c.at);
        Bytes file = full;
        bytes::putU16(file, 0, static_cast<std::uint16_t>(c.version));
        bytes::putU16(file, c.at, c.word);
        const CarDataFile f = decodeCarData(file);
        EXPECT_EQ(f.outcome, Outcome::DamagedHeader);
        expectNoMembers(f);
    }
}

namespace {

// Brand codes as the saved state holds them; only the exact code of brand 0
// means position 0.
constexpr std::uint32_t kBrand0Code = 0x03350335;
constexpr std::array<std::uint32_t, 11> kCodes{kBrand0Code, 0,          0x03350336, 0x35033503,
                                              1,                kBrand0Code, kBrand0Code, 2,
                                              0xFFFFFFFF,       kBrand0Code, 0x03350335};
const std::vector<std::pair<int, std::int32_t>> kPositions{{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 0},
                                                           {6, 0}, {7, 1}, {8, 1}, {9, 0}, {10, 0}};

// A headerless file: every value at a fixed place, the cockpit blocks at the
// end; cut or padded with zero bytes to `size`.
Bytes headerlessFile(const GameData& g, std::size_t size) {
    Bytes out;
    for (const Record& r : g.cameras) addRecord(out, r);
    EXPECT_EQ(out.size(), 240u);
    addShorts(out, g.chase);
    for (const GameData::ShortPair& p : g.tcam) addShorts(out, p);
    EXPECT_EQ(out.size(), 288u);
    for (const GameData::Pair& p : g.helmets) addFloats(out, p);
    EXPECT_EQ(out.size(), 376u);
    for (std::uint32_t v : g.arms) bytes::addU32(out, v);
    for (std::uint32_t v : g.rims) bytes::addU32(out, v);
    EXPECT_EQ(out.size(), 464u);
    for (const GameData::TyreRecord& r : g.tyres) addFloats(out, r);
    EXPECT_EQ(out.size(), 512u);
    for (std::uint32_t v : kCodes) bytes::addU32(out, v);
    EXPECT_EQ(out.size(), 556u);
    addFloats(out, g.cockpit);
    EXPECT_EQ(out.size(), 580u);
    out.resize(size, 0);
    return out;
}

template <typename T, std::size_t N>
std::vector<std::pair<int, T>> numbered(const std::array<T, N>& values) {
    std::vector<std::pair<int, T>> out;
    for (std::size_t i = 0; i < N; ++i) out.emplace_back(static_cast<int>(i), values[i]);
    return out;
}

}  // namespace

TEST(DataSetCarData, HeaderlessFilesHoldEverythingAtFixedPlaces) {
    const GameData g = sampleValues();
    struct Case { std::size_t size; bool cockpit; };
    for (const Case& c : {Case{556, false}, Case{570, false}, Case{580, true}, Case{600, false}}) {
        SCOPED_TRACE(::testing::Message() << c.size << " bytes");
        const CarDataFile f = decodeCarData(headerlessFile(g, c.size));
        EXPECT_EQ(f.outcome, Outcome::Complete);
        EXPECT_EQ(f.version, 0);
        EXPECT_EQ(f.cameras, numbered(g.cameras));
        EXPECT_EQ(f.chase, g.chase);
        EXPECT_EQ(f.tcam, numbered(g.tcam));
        EXPECT_EQ(f.helmets, numbered(g.helmets));
        EXPECT_TRUE(f.extWheel.empty());
        EXPECT_EQ(f.arms, numbered(g.arms));
        EXPECT_EQ(f.rims, numbered(g.rims));
        EXPECT_EQ(f.tyres, g.tyres);
        EXPECT_EQ(f.brands, kPositions);
        EXPECT_TRUE(f.names.empty());
        if (c.cockpit) {
            EXPECT_EQ(f.dashboard, (std::array<float, 3>{g.cockpit[0], g.cockpit[1], g.cockpit[2]}));
            EXPECT_EQ(f.wheel, (std::array<float, 3>{g.cockpit[3], g.cockpit[4], g.cockpit[5]}));
        } else {
            EXPECT_FALSE(f.dashboard.has_value());
            EXPECT_FALSE(f.wheel.has_value());
        }
    }
}

TEST(DataSetCarData, TheFirstWordDecidesTheForm) {
    // A headerless file whose cockpit X is 3 or 4 reads as a sectioned one.
    struct Case { std::uint16_t first; int version; };
    for (const Case& c : {Case{3, 3}, Case{4, 4}, Case{5, 0}, Case{0, 0}, Case{0xFFFF, 0}, Case{0x0104, 0},
                          Case{0x0400, 0}, Case{0x0300, 0}}) {
        SCOPED_TRACE(::testing::Message() << "first word " << c.first);
        Bytes file(556, 0);
        bytes::putU16(file, 0, c.first);
        const CarDataFile f = decodeCarData(file);
        EXPECT_EQ(f.outcome, Outcome::Complete);
        EXPECT_EQ(f.version, c.version);
        EXPECT_EQ(f.cameras.size(), c.version == 0 ? 12u : 0u);
        EXPECT_EQ(f.brands.size(), c.version == 0 ? 11u : 0u);
    }
}

TEST(DataSetCarData, ShortHeaderlessFilesAreTruncated) {
    const GameData g = sampleValues();
    const Bytes full = headerlessFile(g, 580);
    struct Cut { std::size_t size; std::size_t cameras; bool chase; std::size_t tcam, helmets, arms; bool tyres;
                 std::size_t brands; };
    for (const Cut& c : {Cut{0, 0, false, 0, 0, 0, false, 0}, Cut{1, 0, false, 0, 0, 0, false, 0},
                         Cut{2, 0, false, 0, 0, 0, false, 0}, Cut{239, 11, false, 0, 0, 0, false, 0},
                         Cut{300, 12, true, 11, 1, 0, false, 0}, Cut{555, 12, true, 11, 11, 11, true, 10}}) {
        SCOPED_TRACE(::testing::Message() << "cut to " << c.size);
        const CarDataFile f = decodeCarData(std::span(full).first(c.size));
        EXPECT_EQ(f.outcome, Outcome::Truncated);
        EXPECT_EQ(f.cameras, firstOf(numbered(g.cameras), c.cameras));
        EXPECT_EQ(f.chase.has_value(), c.chase);
        EXPECT_EQ(f.tcam, firstOf(numbered(g.tcam), c.tcam));
        EXPECT_EQ(f.helmets, firstOf(numbered(g.helmets), c.helmets));
        EXPECT_EQ(f.arms, firstOf(numbered(g.arms), c.arms));
        EXPECT_EQ(f.tyres.has_value(), c.tyres);
        EXPECT_EQ(f.brands, firstOf(kPositions, c.brands));
        EXPECT_FALSE(f.dashboard.has_value());
    }
}

// --- camera sets ---

TEST(CameraSetFile, EncodeWritesTwelveRecordsThenTheChasePair) {
    const GameData g = sampleValues();
    const Bytes file = encodeCameraSet(g.cameras, g.chase);
    ASSERT_EQ(file.size(), kCameraSetSize);
    Bytes expected;
    for (const Record& r : g.cameras) addRecord(expected, r);
    addShorts(expected, g.chase);
    EXPECT_EQ(file, expected);

    const CameraSetFile back = decodeCameraSet(file);
    EXPECT_TRUE(back.complete);
    EXPECT_EQ(back.records, std::vector<Record>(g.cameras.begin(), g.cameras.end()));
    EXPECT_EQ(back.chase, g.chase);
}

TEST(CameraSetFile, TheSizeDecidesWhichRecordsAndWhetherTheChaseFollows) {
    struct Case {
        std::size_t size;
        int first, last;
        bool chase;
        std::size_t records;  // read
        bool complete;
    };
    for (const Case& c : {Case{244, 0, 11, true, 12, true}, Case{224, 0, 10, true, 11, true},
                          Case{204, 1, 10, true, 10, true}, Case{200, 1, 10, false, 10, true},
                          Case{0, 1, 9, false, 0, false},   Case{10, 1, 9, false, 0, false},
                          Case{170, 1, 9, false, 8, false}, Case{180, 1, 9, false, 9, true},
                          Case{203, 1, 9, false, 9, true},  Case{205, 1, 9, true, 9, true},
                          Case{223, 1, 9, true, 9, true},   Case{225, 0, 9, true, 10, true},
                          Case{243, 0, 9, true, 10, true},  Case{245, 0, 9, true, 10, true},
                          Case{4096, 0, 9, true, 10, true}}) {
        SCOPED_TRACE(::testing::Message() << c.size << " bytes");
        const CameraSetLayout layout = cameraSetLayout(c.size);
        EXPECT_EQ(layout.first, c.first);
        EXPECT_EQ(layout.last, c.last);
        EXPECT_EQ(layout.chase, c.chase);

        // Every stored word its own number, so each record shows where it came from.
        Bytes file;
        for (std::size_t i = 0; i < c.size / 2 + 1; ++i) bytes::addI16(file, static_cast<std::int16_t>(i));
        file.resize(c.size);
        const CameraSetFile f = decodeCameraSet(file);
        EXPECT_EQ(f.layout.first, c.first);
        EXPECT_EQ(f.layout.last, c.last);
        EXPECT_EQ(f.layout.chase, c.chase);
        EXPECT_EQ(f.complete, c.complete);
        ASSERT_EQ(f.records.size(), c.records);
        for (std::size_t k = 0; k < c.records; ++k) {
            for (std::size_t j = 0; j < 10; ++j) EXPECT_EQ(f.records[k][j], static_cast<std::int16_t>(10 * k + j));
        }
        if (c.chase && c.complete) {
            const auto at = static_cast<std::int16_t>(10 * c.records);
            EXPECT_EQ(f.chase, (std::array<std::int16_t, 2>{at, static_cast<std::int16_t>(at + 1)}));
        } else {
            EXPECT_FALSE(f.chase.has_value());
        }
    }
}

// --- tyre sets ---

TEST(TyreSetFile, ReadsElevenPositionsAndIgnoresTheRest) {
    const std::vector<std::uint16_t> positions{0, 1, 2, 0, 1, 2, 0xFFFF, 7, 0, 1, 0x0102};
    Bytes full;
    for (std::uint16_t p : positions) bytes::addU16(full, p);
    ASSERT_EQ(full.size(), kTyreSetSize);

    struct Case { std::size_t size; std::size_t read; bool complete; };
    for (const Case& c : {Case{22, 11, true}, Case{30, 11, true}, Case{21, 10, false}, Case{7, 3, false},
                          Case{1, 0, false}, Case{0, 0, false}}) {
        SCOPED_TRACE(::testing::Message() << c.size << " bytes");
        Bytes file = full;
        file.resize(c.size, 0xAB);
        const TyreSetFile f = decodeTyreSet(file);
        EXPECT_EQ(f.complete, c.complete);
        EXPECT_EQ(f.brands, firstOf(positions, c.read));
    }
}

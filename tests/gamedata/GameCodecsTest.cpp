#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "GameGenerator.h"
#include "game/ExeLayout.h"
#include "game/SavedState.h"

using namespace varnisk;
namespace gg = varnisk::gamegen;

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

std::vector<std::uint8_t> field(const std::string& s, std::size_t size) {
    std::vector<std::uint8_t> out = bytesOf(s);
    out.resize(size, 0);
    return out;
}

}  // namespace

TEST(SavedStateChecksum, MatchesKnownValuesAndTheGeneratorsFiles) {
    EXPECT_EQ(savedStateChecksum(bytesOf(std::string("abc\0\0\0\0", 7))), 0xA018818Bu);
    // The last four bytes do not count.
    EXPECT_EQ(savedStateChecksum(bytesOf("abc\xFF\xFF\xFF\xFF")), 0xA018818Bu);
    EXPECT_EQ(savedStateChecksum(bytesOf(std::string("a\0\0\0\0", 5))), 0x84C680C6u);

    for (std::uint64_t size : {std::uint64_t{0}, std::uint64_t{96980}}) {
        gg::GameSpec spec;
        spec.savedStateSize = size;
        const std::vector<std::uint8_t> file = gg::buildSavedState(spec);
        const std::uint32_t stored = static_cast<std::uint32_t>(file[file.size() - 4]) |
                                     (static_cast<std::uint32_t>(file[file.size() - 3]) << 8) |
                                     (static_cast<std::uint32_t>(file[file.size() - 2]) << 16) |
                                     (static_cast<std::uint32_t>(file[file.size() - 1]) << 24);
        EXPECT_EQ(savedStateChecksum(file), stored) << size;
        EXPECT_EQ(decodeBrandCodes(std::span(file).subspan(kBrandCodesOffset, kBrandCodesSize)), spec.values.brandCodes);

        // Folded in steps, split before the codes as an export splits it, the
        // checksum is the same.
        ChecksumState state = checksumStart(file[0]);
        checksumFold(state, std::span(file).subspan(1, kBrandCodesOffset - 1));
        checksumFold(state, std::span(file).subspan(kBrandCodesOffset, file.size() - 4 - kBrandCodesOffset));
        EXPECT_EQ(checksumFinish(state), stored) << size;
    }
    EXPECT_TRUE(savedStateHoldsBrands(96980));
    EXPECT_FALSE(savedStateHoldsBrands(96979));
}

TEST(TeamNames, DecodeKeepsTheFirstByteAndLowersTheRest) {
    struct Case { std::string stored; std::string name; };
    for (const Case& c : {Case{"ALPHA TEAM", "Alpha team"},
                          Case{std::string("AB\0CD", 5), "Abcd"},           // letters after a NUL are kept
                          Case{"nAME", "name"},                             // the first byte as stored
                          Case{"\xC9QUIPE", "\xC9quipe"},
                          Case{"A\xC0\xD7\xDE\x8A\x8C\x8E\x9F", "A\xE0\xD7\xFE\x9A\x9C\x9E\xFF"},  // code page 1252
                          Case{"", ""},
                          Case{"SALTMARSH HALVARD ENGINEERING GP", "Saltmarsh halvard engineering gp"}}) {
        EXPECT_EQ(decodeTeamName(field(c.stored, kNameSize)), c.name) << c.stored;
    }
}

TEST(TeamNames, TitleCaseRaisesTheFirstLetterAndLettersAfterBlanks) {
    struct Case { std::string name; std::string shown; };
    for (const Case& c : {Case{"alpha team", "Alpha Team"}, Case{" abc def", " abc Def"}, Case{"a  b", "A  B"},
                          Case{"ab ", "Ab "}, Case{"", ""}, Case{"x", "X"}, Case{"a-b c.d", "A-b C.d"},
                          Case{"\xE9t\xE9 fort", "\xE9t\xE9 Fort"}, Case{"r2 4x", "R2 4x"}}) {
        EXPECT_EQ(mister(c.name), c.shown) << c.name;
    }
}

TEST(BrandString, NamesASelectorPositionOnlyWhenItIsAKnownWord) {
    struct Case { std::string stored; std::optional<int> position; };
    for (const Case& c : {Case{"bridgestone", 0}, Case{"michelin", 1}, Case{"mclaren", 2},
                          Case{" michelin\t\r\n", 1}, Case{"\x01mclaren", 2},
                          Case{"Michelin", std::nullopt}, Case{"", std::nullopt}, Case{"mclarenx", std::nullopt},
                          Case{std::string("michelin\0\0x", 11), std::nullopt}}) {
        EXPECT_EQ(brandPosition(field(c.stored, kBrandStringSize)), c.position) << c.stored;
    }
    EXPECT_EQ(encodeBrandString(0), field("bridgestone", 16));
    EXPECT_EQ(encodeBrandString(1), field("michelin", 16));
    EXPECT_EQ(encodeBrandString(2), field("mclaren", 16));
    EXPECT_EQ(encodeName("Short"), field("Short", 32));
    EXPECT_EQ(encodeName(std::string(40, 'n')), field(std::string(32, 'n'), 32));
}

TEST(ExeLayouts, AgreeWithTheGeneratorForEveryVersionKind) {
    for (int v : {102, 0, 70, 55, 255}) {
        const ExeLayout& mine = exeLayout(static_cast<std::uint16_t>(v));
        const gg::ExeLayout theirs = gg::exeLayout(v);
        EXPECT_EQ(mine.cockpit, theirs.cockpit) << v;
        EXPECT_EQ(mine.rim4, theirs.rimTeam4) << v;
        EXPECT_EQ(mine.rim4Companion, theirs.rimCompanion) << v;
        EXPECT_EQ(mine.rim4CompanionBase, theirs.companionBase) << v;
        EXPECT_EQ(mine.rims, theirs.rims) << v;
        EXPECT_EQ(mine.names, theirs.names) << v;
        EXPECT_EQ(mine.extWheel, theirs.extWheel) << v;
        EXPECT_EQ(mine.helmets, theirs.helmets) << v;
        EXPECT_EQ(mine.tcam, theirs.tcam) << v;
        EXPECT_EQ(mine.arms, theirs.arms) << v;
        EXPECT_EQ(mine.wheelRef, theirs.wheelRef) << v;
        EXPECT_EQ(mine.chase, theirs.chase) << v;
        EXPECT_EQ(mine.cameras(), theirs.cameras) << v;
        const std::optional<std::uint64_t> brand = gg::brandStringOffset(v);
        const std::optional<std::uint32_t> ours = brandStringOffset(static_cast<std::uint16_t>(v));
        EXPECT_EQ(ours.has_value(), brand.has_value()) << v;
        if (ours && brand) {
            EXPECT_EQ(*ours, *brand) << v;
        }
        EXPECT_EQ(namesKnown(static_cast<std::uint16_t>(v)), v == 0 || v == 102) << v;
    }
}

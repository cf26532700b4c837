// GP4.exe's value blocks. The executable runs to megabytes and the blocks
// lie far into it, so the input is not a whole image: it is the version byte
// followed by the blocks Import All reads, packed in the order it reads them
// (see kBlocks). The input ending inside a block is an image ending there:
// the import stops at that read. The bytes behind the brand string are a
// field of any length for the field decoders.
//
// Beside memory errors it stops when an export of the values just read
// would not write back the bytes they came from.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "base/Bytes.h"
#include "game/ExeLayout.h"
#include "game/GameData.h"
#include "gamedata/GameValues.h"
#include "numeric/Numbers.h"

namespace varnisk::fuzz {

namespace {

// One block as the import reads it: where it lies in the image and how long
// it is.
struct Block {
    std::uint64_t at;
    std::uint32_t size;
};

enum BlockIndex { Cockpit, Rim4, Rims, Helmets, Tcam, Arms, WheelRef, ExtWheel, Chase, SecondChase, Cameras, Names, Brand, kBlocks };

std::array<Block, kBlocks> blocksOf(std::uint16_t version) {
    const ExeLayout& l = exeLayout(version);
    return {{
        {l.cockpit, kCockpitSpan},
        {l.rim4, 4},
        {l.rims, kRimPairsSize},
        {l.helmets, kPairTableSize},
        {l.tcam, kTcamSize},
        {l.arms, kArmsSize},
        {l.wheelRef, 8},
        {l.extWheel, kPairTableSize},
        {l.chase, 2},
        {l.chase + kSecondChaseOffset, 2},
        {l.cameras(), kCamerasSize},
        {l.names, kNamesSize},
        {brandStringOffset(version).value_or(0), kBrandStringSize},
    }};
}

void checkName(std::span<const std::uint8_t> field) {
    const std::string name = decodeTeamName(field);
    require(name.size() <= field.size(), "a team name longer than its field");
    require(name.find('\0') == std::string::npos, "a team name holding a NUL byte");
    // Exported and read again, a name from a field of the names block stays
    // as it is.
    if (field.size() <= kNameSize) {
        require(decodeTeamName(encodeName(name)) == name, "a team name that changes through export and import");
    }
    require(mister(name).size() == name.size(), "a caption of another length than its name");
}

void checkBrand(std::span<const std::uint8_t> field) {
    const std::optional<int> position = brandPosition(field);
    if (!position) return;
    require(*position >= 0 && *position < static_cast<int>(kBrandWords.size()), "a brand position outside the words");
    require(brandPosition(encodeBrandString(*position)) == position, "a brand string that does not read back");
}

// Every patch of an export of `g` must put back the bytes of the block it
// writes; `blocks` holds the packed input's blocks by image offset.
void checkExport(const GameData& g, const std::array<Block, kBlocks>& at,
                 const std::array<std::span<const std::uint8_t>, kBlocks>& blocks) {
    const ExeLayout& l = exeLayout(g.version);
    const bool withNames = namesKnown(g.version);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> mustExist;
    const std::vector<Patch> patches = exeBlockPatches(g, withNames, &mustExist);
    for (const auto& [offset, size] : mustExist) {
        require(offset == at[Rims].at && size == at[Rims].size, "a range that must exist and is no block");
    }
    for (const Patch& p : patches) {
        if (p.offset == l.rim4Companion) {
            require(p.bytes.size() == 4 && bytes::u32(p.bytes, 0) == l.rim4CompanionBase + g.rims[4],
                    "the companion of team 4's rim colour");
            continue;
        }
        const auto inside = std::find_if(at.begin(), at.end() - 1, [&](const Block& b) {
            return p.offset >= b.at && p.offset + p.bytes.size() <= b.at + b.size;
        });
        require(inside != at.end() - 1, "a patch outside every block the import reads");
        const auto index = static_cast<std::size_t>(inside - at.begin());
        const std::span<const std::uint8_t> original = blocks[index].subspan(p.offset - inside->at, p.bytes.size());
        if (index == Names) {
            require(withNames, "names written for a version whose names are unknown");
            require(p.bytes.size() == kNamesSize, "a names block of another size");
            for (std::size_t t = 0; t < 11; ++t) {
                require(decodeTeamName(std::span(p.bytes).subspan(t * kNameSize, kNameSize)) ==
                            decodeTeamName(original.subspan(t * kNameSize, kNameSize)),
                        "a team name that an export changes");
            }
            continue;
        }
        require(std::equal(p.bytes.begin(), p.bytes.end(), original.begin()),
                "an export of unchanged values that changes bytes");
    }
}

// Every value of the sheet read from any bytes: what the field would show
// is the same value as itself, and a whole number read from the game always
// fits back into its place (a float at the end of its range is shown with 15
// digits, which may round past it). Team 0's T-cam values also fill the
// T-cam record, doubled, which holds less than their own place: one read
// from the table may not fit there, and then only because its double lies
// outside an int16 (Export All names it instead of writing a wrapped record).
void checkValues(std::span<const std::uint8_t> field) {
    // One field for all values: valueDoesNotFit reads only its kind and text.
    static Control c(ControlKind::Edit, "LMDEdit0", nullptr, {});
    for (const GameValue& v : gameValues()) {
        const std::optional<std::string> value = valueFromBytes(v, field);
        if (!value) continue;
        require(sameValue(v.codec, *value, *value), "a value read from the game that differs from itself");
        if (v.codec == ValueCodec::ExtWheel || v.codec == ValueCodec::Cockpit || v.codec == ValueCodec::Tyre) continue;
        c.text = *value;
        const bool tcamOfTeam0 = (v.codec == ValueCodec::TcamY || v.codec == ValueCodec::TcamZ) && v.team == 0;
        if (!tcamOfTeam0) {
            require(!valueDoesNotFit(v, c).has_value(), "a value read from the game that does not fit back");
            continue;
        }
        GameValue ownPlace = v;  // the same value of another team: the table alone
        ownPlace.team = 1;
        require(!valueDoesNotFit(ownPlace, c).has_value(), "a T-cam value read from the game that does not fit back");
        const long long doubled = 2LL * parseInt(*value);
        require(valueDoesNotFit(v, c).has_value() == (doubled < INT16_MIN || doubled > INT16_MAX),
                "team 0's T-cam value refused or taken other than by the T-cam record's range");
    }
}

}  // namespace

std::vector<std::uint8_t> packExeBlocks(std::span<const std::uint8_t> image) {
    if (image.size() <= kVersionOffset) return {};
    std::vector<std::uint8_t> packed{image[kVersionOffset]};
    for (const Block& b : blocksOf(image[kVersionOffset])) {
        if (b.at > image.size() || b.size > image.size() - b.at) break;
        packed.insert(packed.end(), image.begin() + static_cast<std::ptrdiff_t>(b.at),
                      image.begin() + static_cast<std::ptrdiff_t>(b.at + b.size));
    }
    return packed;
}

int fuzzExe(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    if (input.empty()) return 0;
    const std::uint16_t version = input[0];
    require(namesKnown(version) == (version == 0 || version == 102), "names known for the wrong versions");
    require(brandStringOffset(version).has_value() == (version == 0 || version == 70 || version == 102),
            "a brand string for the wrong versions");
    const std::array<Block, kBlocks> at = blocksOf(version);

    // The packed blocks, as far as the input holds them whole.
    std::array<std::span<const std::uint8_t>, kBlocks> blocks{};
    std::size_t used = 1;
    std::size_t whole = 0;
    for (; whole < kBlocks && at[whole].size <= size - used; ++whole) {
        blocks[whole] = input.subspan(used, at[whole].size);
        used += at[whole].size;
    }

    // What readGameBlocks, getNames and readTyreBrands take from them, in
    // their order, up to the first read that fails.
    GameData g;
    g.version = version;
    auto have = [&whole](BlockIndex b) { return static_cast<std::size_t>(b) < whole; };
    if (have(Cockpit)) decodeCockpit(blocks[Cockpit], g);
    if (have(Rim4)) g.rims[4] = bytes::u32(blocks[Rim4], 0);
    if (have(Rims)) decodeRimPairs(blocks[Rims], g);
    if (have(Helmets)) decodePairTable(blocks[Helmets], g.helmets);
    if (have(Tcam)) decodeTcam(blocks[Tcam], g);
    if (have(Arms)) decodeArms(blocks[Arms], g);
    if (have(WheelRef)) g.wheelRef = {bytes::f32(blocks[WheelRef], 0), bytes::f32(blocks[WheelRef], 4)};
    if (have(ExtWheel)) decodePairTable(blocks[ExtWheel], g.extWheel);
    if (have(Chase)) g.chase[0] = bytes::i16(blocks[Chase], 0);
    if (have(SecondChase)) g.chase[1] = bytes::i16(blocks[SecondChase], 0);
    if (have(Cameras)) decodeCameras(blocks[Cameras], g);
    if (have(Names) && namesKnown(version)) {
        for (std::size_t t = 0; t < 11; ++t) {
            const std::span<const std::uint8_t> field = blocks[Names].subspan(t * kNameSize, kNameSize);
            checkName(field);
            g.names[t] = decodeTeamName(field);
        }
    }
    if (have(Brand) && brandStringOffset(version)) checkBrand(blocks[Brand]);

    if (have(Names)) checkExport(g, at, blocks);

    // The rest, or the whole input when it holds no whole block, as a field
    // of any length.
    const std::span<const std::uint8_t> rest = whole == kBlocks ? input.subspan(used) : input.subspan(1);
    checkName(rest);
    checkBrand(rest);
    checkValues(rest);
    return 0;
}

}  // namespace varnisk::fuzz

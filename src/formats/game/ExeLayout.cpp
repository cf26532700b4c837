#include "game/ExeLayout.h"

#include "base/Bytes.h"
#include "base/CodePage.h"

namespace varnisk {

namespace {

constexpr ExeLayout kLayout0{453316, 572299, 572317, 6552071, 572325, 2352688, 2356344, 2356520, 2356696, 2356808, 2356860, 2572840};
constexpr ExeLayout kLayout102{458212, 579211, 579229, 6573951, 579237, 2374568, 2378224, 2378400, 2378576, 2378688, 2378740, 2595848};

// Lower case under code page 1252: A..Z, the accented capitals 0xC0..0xDE
// except the multiplication sign, and the three capitals of the 0x8x row.
std::uint8_t lowerCp1252(std::uint8_t c) {
    if (c >= 'A' && c <= 'Z') return static_cast<std::uint8_t>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<std::uint8_t>(c + 32);
    switch (c) {
    case 0x8A: return 0x9A;  // S caron
    case 0x8C: return 0x9C;  // OE
    case 0x8E: return 0x9E;  // Z caron
    case 0x9F: return 0xFF;  // Y diaeresis
    default: return c;
    }
}

}  // namespace

const ExeLayout& exeLayout(std::uint16_t version) { return version == 102 ? kLayout102 : kLayout0; }

bool namesKnown(std::uint16_t version) { return version == 0 || version == 102; }

std::optional<std::uint32_t> brandStringOffset(std::uint16_t version) {
    switch (version) {
    case 0: return 2352536;
    case 70: return 2353176;
    case 102: return 2374416;
    default: return std::nullopt;
    }
}

std::optional<int> brandPosition(std::span<const std::uint8_t> field) {
    std::size_t begin = 0;
    std::size_t end = field.size();
    while (begin < end && field[begin] <= ' ') ++begin;
    while (end > begin && field[end - 1] <= ' ') --end;
    std::string word(field.begin() + static_cast<std::ptrdiff_t>(begin), field.begin() + static_cast<std::ptrdiff_t>(end));
    for (std::size_t i = 0; i < kBrandWords.size(); ++i) {
        if (word == kBrandWords[i]) return static_cast<int>(i);
    }
    return std::nullopt;
}

std::string decodeTeamName(std::span<const std::uint8_t> field) {
    std::string name;
    for (std::size_t i = 0; i < field.size(); ++i) {
        std::uint8_t c = field[i];
        if (c == 0) continue;
        name.push_back(static_cast<char>(i == 0 ? c : lowerCp1252(c)));
    }
    return name;
}

std::string mister(std::string name) {
    auto up = [](char& c) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    };
    if (!name.empty()) up(name[0]);
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        if (name[i] == ' ') up(name[i + 1]);
    }
    return name;
}

void decodeCockpit(std::span<const std::uint8_t> block, GameData& data) {
    for (std::size_t i = 0; i < kCockpitOffsets.size(); ++i) data.cockpit[i] = bytes::f32(block, kCockpitOffsets[i]);
}

void decodeRimPairs(std::span<const std::uint8_t> block, GameData& data) {
    for (std::size_t i = 0; i < kRimPairTeams.size(); ++i) data.rims[kRimPairTeams[i]] = bytes::u32(block, 8 * i);
}

void decodePairTable(std::span<const std::uint8_t> block, std::array<GameData::Pair, 11>& table) {
    for (std::size_t t = 0; t < 11; ++t) table[t] = {bytes::f32(block, 8 * t), bytes::f32(block, 8 * t + 4)};
}

void decodeTcam(std::span<const std::uint8_t> block, GameData& data) {
    for (std::size_t t = 0; t < 11; ++t) data.tcam[t] = {bytes::i16(block, 4 * t), bytes::i16(block, 4 * t + 2)};
}

void decodeArms(std::span<const std::uint8_t> block, GameData& data) {
    for (std::size_t t = 0; t < 11; ++t) data.arms[t] = bytes::u32(block, 4 * t);
}

void decodeCameras(std::span<const std::uint8_t> block, GameData& data) {
    for (std::size_t k = 0; k < 12; ++k) {
        for (std::size_t j = 0; j < 10; ++j) data.cameras[k][j] = bytes::i16(block, kCameraRecordSize * k + 2 * j);
    }
}

std::vector<std::uint8_t> encodePairTable(const std::array<GameData::Pair, 11>& table) {
    std::vector<std::uint8_t> out;
    for (const auto& p : table) {
        bytes::addF32(out, p[0]);
        bytes::addF32(out, p[1]);
    }
    return out;
}

std::vector<std::uint8_t> encodeTcam(const GameData& data) {
    std::vector<std::uint8_t> out;
    for (const auto& p : data.tcam) {
        bytes::addI16(out, p[0]);
        bytes::addI16(out, p[1]);
    }
    return out;
}

std::vector<std::uint8_t> encodeArms(const GameData& data) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t c : data.arms) bytes::addU32(out, c);
    return out;
}

std::vector<std::uint8_t> encodeCameras(const GameData& data) {
    std::vector<std::uint8_t> out;
    for (const auto& record : data.cameras) {
        for (std::int16_t v : record) bytes::addI16(out, v);
    }
    return out;
}

std::vector<std::uint8_t> encodeName(const std::string& name) {
    std::vector<std::uint8_t> out(kNameSize, 0);
    for (std::size_t i = 0; i < name.size() && i < kNameSize; ++i) out[i] = static_cast<std::uint8_t>(name[i]);
    return out;
}

std::vector<std::uint8_t> encodeBrandString(int position) {
    std::vector<std::uint8_t> out(kBrandStringSize, 0);
    const std::string word = kBrandWords.at(static_cast<std::size_t>(position));
    for (std::size_t i = 0; i < word.size(); ++i) out[i] = static_cast<std::uint8_t>(word[i]);
    return out;
}

std::vector<Patch> exeBlockPatches(const GameData& data, bool withNames,
                                   std::vector<std::pair<std::uint64_t, std::uint64_t>>* mustExist) {
    const ExeLayout& l = exeLayout(data.version);
    std::vector<Patch> out;
    auto add = [&out](std::uint64_t offset, std::vector<std::uint8_t> b) { out.push_back({offset, std::move(b)}); };
    auto dword = [](std::uint32_t v) {
        std::vector<std::uint8_t> b;
        bytes::addU32(b, v);
        return b;
    };
    for (std::size_t i = 0; i < kCockpitOffsets.size(); ++i) {
        std::vector<std::uint8_t> b;
        bytes::addF32(b, data.cockpit[i]);
        add(l.cockpit + kCockpitOffsets[i], std::move(b));
    }
    {
        std::vector<std::uint8_t> b;
        bytes::addI16(b, data.chase[0]);
        add(l.chase, b);
        b.clear();
        bytes::addI16(b, data.chase[1]);
        add(l.chase + kSecondChaseOffset, b);
    }
    add(l.cameras(), encodeCameras(data));
    add(l.extWheel, encodePairTable(data.extWheel));
    if (withNames) {
        std::vector<std::uint8_t> names;
        for (const std::string& n : data.names) {
            std::vector<std::uint8_t> one = encodeName(n);
            names.insert(names.end(), one.begin(), one.end());
        }
        add(l.names, std::move(names));
    }
    add(l.tcam, encodeTcam(data));
    add(l.helmets, encodePairTable(data.helmets));
    add(l.arms, encodeArms(data));
    add(l.rim4, dword(data.rims[4]));
    add(l.rim4Companion, dword(l.rim4CompanionBase + data.rims[4]));
    for (std::size_t i = 0; i < kRimPairTeams.size(); ++i) add(l.rims + 8 * i, dword(data.rims[kRimPairTeams[i]]));
    if (mustExist != nullptr) mustExist->push_back({l.rims, kRimPairsSize});
    return out;
}

}  // namespace varnisk

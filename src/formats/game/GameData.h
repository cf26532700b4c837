#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/StoreMembers.h"

namespace varnisk {

// The in-memory copy of the values read from the game's files. Pairs are
// kept as the game stores them: Z before Y.
struct GameData {
    using Pair = std::array<float, 2>;                // Z, Y
    using ShortPair = std::array<std::int16_t, 2>;    // Z, Y
    using CameraRecord = std::array<std::int16_t, 10>;  // X, Z, Y, Dir., Pitch, Roll, four details
    using TyreRecord = std::array<float, 3>;          // +0 (X), +4 (Z), +8 (Y)

    std::uint16_t version = 0;               // GP4.exe's version byte
    std::array<float, 6> cockpit{};          // dashboard X, Z, Y, wheel X, Z, Y
    std::array<std::uint32_t, 11> rims{};    // game colours 0xAARRGGBB
    std::array<std::uint32_t, 11> arms{};
    std::array<std::string, 11> names;      // code page 1252; empty until read
    bool namesRead = false;                  // the names came from this game version
    std::array<Pair, 11> extWheel{};
    std::array<Pair, 11> helmets{};
    std::array<ShortPair, 11> tcam{};
    std::array<float, 2> wheelRef{};
    std::array<std::int16_t, 2> chase{};
    // Game values after a read; field values once Import All has shown them.
    std::array<CameraRecord, 12> cameras{};

    std::array<std::uint32_t, 11> brandCodes{};  // f1gstate.sav's codes
    std::array<TyreRecord, 4> tyres{};           // front right, front left, rear right, rear left
    // Where the collision entry's data starts in the archive; none while no
    // ".ct" entry was found.
    std::optional<std::uint32_t> CollisionEntry;
};

// GameData's members (see base/StoreMembers.h). Undo puts back the game's
// values; the version, whether names were read and where the collision entry
// lies describe the files and stay as they were read.
template <class G, class Visit>
    requires StoreOf<G, GameData>
void forEachMember(G& g, Visit&& visit) {
    [[maybe_unused]] auto& [version, cockpit, rims, arms, names, namesRead, extWheel, helmets, tcam, wheelRef, chase,
                            cameras, brandCodes, tyres, CollisionEntry] = g;
    visit("version", g.version, kNoUndo);
    visit("cockpit", g.cockpit, kEdit);
    visit("rims", g.rims, kEdit);
    visit("arms", g.arms, kEdit);
    visit("names", g.names, kEdit);
    visit("namesRead", g.namesRead, kNoUndoNoDump);
    visit("extWheel", g.extWheel, kEdit);
    visit("helmets", g.helmets, kEdit);
    visit("tcam", g.tcam, kEdit);
    visit("wheelRef", g.wheelRef, kEdit);
    visit("chase", g.chase, kEdit);
    visit("cameras", g.cameras, kEdit);
    visit("brandCodes", g.brandCodes, kEdit);
    visit("tyres", g.tyres, kEdit);
    visit("CollisionEntry", g.CollisionEntry, kNoUndo);
}

}  // namespace varnisk

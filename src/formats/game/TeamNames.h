#pragma once

#include <array>
#include <string>

namespace varnisk {

constexpr int kTeamCount = 11;

// The built-in team names, by team index: the "Original Names" of the Slots
// tab, the name captions before a game's names are known, and the names that
// "Default" on the Slots tab restores.
inline const std::array<std::string, kTeamCount> kDefaultTeamNames = {
    "Aurora Racing",  "Blue Heron",    "Cobalt Motorsport", "Delta Engineering",
    "Ember Grand Prix", "Falcon Works", "Granite Racing",    "Harbour Racing",
    "Iris Motorsport", "Juniper Racing", "Kestrel Grand Prix"};

}  // namespace varnisk

#pragma once

// The second-car colour panels: no reset and no team operation touches them.

#include <gtest/gtest.h>

#include <cstdint>

#include "../gamedata/TestGame.h"

namespace varnisk::testgame {

// Gives the second-car panels colours of their own, as if chosen by the user.
inline void colourSecondCars(TestGame& g) {
    for (int t = 0; t < 11; ++t) {
        g.setColour(num("PanelAC", t + 20), 0x00102030u + static_cast<std::uint32_t>(t));
        g.setColour(num("PanelRC", t + 20), 0x00405060u + static_cast<std::uint32_t>(t));
    }
}

inline void expectSecondCarsKept(TestGame& g) {
    for (int t = 0; t < 11; ++t) {
        EXPECT_EQ(g.get(num("PanelAC", t + 20)).colour, 0x00102030u + static_cast<std::uint32_t>(t)) << t;
        EXPECT_EQ(g.get(num("PanelRC", t + 20)).colour, 0x00405060u + static_cast<std::uint32_t>(t)) << t;
    }
}

}  // namespace varnisk::testgame

#pragma once

#include <cstdint>

namespace varnisk {

// The masks of a car data file's header, as the boxes of the save window
// select them.
struct SaveMasks {
    std::uint16_t cameraMask = 0;
    std::uint16_t tcamMask = 0;
    std::uint16_t helmetMask = 0;
    std::uint16_t extWheelMask = 0;
    std::uint16_t armMask = 0;
    std::uint16_t rimMask = 0;
    std::uint16_t brandMask = 0;
    std::uint16_t globalMask = 0;
    std::uint16_t nameMask = 0;
};

// globalMask's bits: the shared blocks.
inline constexpr std::uint16_t kChaseBit = 1, kWheelBit = 2, kDashboardBit = 4, kTyresBit = 8;

// The state of the "Choose Datas to Save" window.
struct SaveState {
    std::uint8_t SelectAllPending = 0;
    int AllSelected = 0;
    std::uint8_t BoxSyncGuard = 0;
    SaveMasks masks;
};

}  // namespace varnisk

#pragma once

#include <cstdint>

#include "base/StoreMembers.h"

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

// SaveMasks' members (see base/StoreMembers.h): they follow the save
// window's boxes, which are the steps.
template <class M, class Visit>
    requires StoreOf<M, SaveMasks>
void forEachMember(M& m, Visit&& visit) {
    [[maybe_unused]] auto& [cameraMask, tcamMask, helmetMask, extWheelMask, armMask, rimMask, brandMask, globalMask,
                            nameMask] = m;
    visit("cameraMask", m.cameraMask, kFollowsEdits);
    visit("tcamMask", m.tcamMask, kFollowsEdits);
    visit("helmetMask", m.helmetMask, kFollowsEdits);
    visit("extWheelMask", m.extWheelMask, kFollowsEdits);
    visit("armMask", m.armMask, kFollowsEdits);
    visit("rimMask", m.rimMask, kFollowsEdits);
    visit("brandMask", m.brandMask, kFollowsEdits);
    visit("globalMask", m.globalMask, kFollowsEdits);
    visit("nameMask", m.nameMask, kFollowsEdits);
}

// globalMask's bits: the shared blocks.
inline constexpr std::uint16_t kChaseBit = 1, kWheelBit = 2, kDashboardBit = 4, kTyresBit = 8;

// The state of the "Choose Datas to Save" window.
struct SaveState {
    std::uint8_t SelectAllPending = 0;
    int AllSelected = 0;
    std::uint8_t BoxSyncGuard = 0;
    SaveMasks masks;
};

// SaveState's members (see base/StoreMembers.h): what the save window keeps
// follows its boxes, which are the steps.
template <class S, class Visit>
    requires StoreOf<S, SaveState>
void forEachMember(S& s, Visit&& visit) {
    [[maybe_unused]] auto& [SelectAllPending, AllSelected, BoxSyncGuard, masks] = s;
    visit("SelectAllPending", s.SelectAllPending, kFollowsEdits);
    visit("AllSelected", s.AllSelected, kFollowsEdits);
    visit("BoxSyncGuard", s.BoxSyncGuard, kFollowsEdits);
    visit("masks", s.masks, kFollowsEdits);
}

}  // namespace varnisk

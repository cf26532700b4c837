#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/StoreMembers.h"

namespace varnisk {

// What the preview draws besides the camera fields.
struct PreviewState {
    std::array<float, 2> HelmetOffset{};    // Y, Z
    std::array<float, 2> ExtWheelOffset{};  // Y, Z
    std::array<std::int16_t, 2> TCamCache{};  // Y, Z
    std::array<float, 4> ArmMaterial{0, 0, 0, 1};
    std::array<float, 4> RimMaterial{0, 0, 0, 1};
    std::string CarTeamKey;
    // Set when the shapes on show must be read again; a view that has drawn
    // nothing yet has read none, whichever camera its first frame shows.
    bool ReloadCarShape = true;
    bool ReloadDashboard = true;
    bool ChaseRear = false;
    bool CockpitView = false;
    bool DashboardView = false;
    int LastShownTeam = 0;
};

// PreviewState's members (see base/StoreMembers.h). Undo puts back what the
// preview draws; which view its frames chose is theirs, and the shapes to
// read again follow the steps that asked for them.
template <class P, class Visit>
    requires StoreOf<P, PreviewState>
void forEachMember(P& p, Visit&& visit) {
    [[maybe_unused]] auto& [HelmetOffset, ExtWheelOffset, TCamCache, ArmMaterial, RimMaterial, CarTeamKey,
                            ReloadCarShape, ReloadDashboard, ChaseRear, CockpitView, DashboardView, LastShownTeam] = p;
    visit("HelmetOffset", p.HelmetOffset, kEdit);
    visit("ExtWheelOffset", p.ExtWheelOffset, kEdit);
    visit("TCamCache", p.TCamCache, kEdit);
    visit("ArmMaterial", p.ArmMaterial, kEdit);
    visit("RimMaterial", p.RimMaterial, kEdit);
    visit("CarTeamKey", p.CarTeamKey, kEdit);
    visit("ReloadCarShape", p.ReloadCarShape, kFollowsEdits);
    visit("ReloadDashboard", p.ReloadDashboard, kFollowsEdits);
    visit("ChaseRear", p.ChaseRear, kEdit);
    visit("CockpitView", p.CockpitView, kNoUndo);
    visit("DashboardView", p.DashboardView, kNoUndo);
    visit("LastShownTeam", p.LastShownTeam, kEdit);
}

}  // namespace varnisk

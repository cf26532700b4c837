#pragma once

#include <array>
#include <cstdint>
#include <string>

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

}  // namespace varnisk

#pragma once

#include <array>
#include <cstdint>

namespace varnisk {

class Editor;

// The buttons that put groups of the sheet back to the game's stock values.
// None touches the game's files: the values reach the game with the next
// "Export All".

// One camera row in the sheet's columns: X, Y, Z, Dir., Pitch, Roll, then
// the four detail values (car rear, car front, wheels rear, wheels front).
using DefaultCameraRow = std::array<std::int16_t, 10>;
// The stock camera rows by camera record (0 the cockpit, 11 the T-cam).
extern const std::array<DefaultCameraRow, 12> kDefaultCameras;
// Camera 4's Z in games whose version byte is not 0.
inline constexpr std::int16_t kCamera4ZNewer = -20;
inline constexpr std::array<std::int16_t, 2> kDefaultChase{-768, 192};

// The stock per-team values, by team index.
struct DefaultTeamValues {
    float tcamY, tcamZ, helmetY, helmetZ;
    std::uint32_t rim, arm;  // game colours 0x00RRGGBB
};
extern const std::array<DefaultTeamValues, 11> kDefaultTeamValues;

// The stock cockpit in stored order: dashboard X, Z, Y, wheel X, Z, Y.
inline constexpr std::array<float, 6> kDefaultCockpit{-0.006f, 0.05f, -0.005f, -0.006f, 0.03f, -0.45f};

void defaultCams(Editor& editor);      // "Default", Cameras tab
void defaultTcam(Editor& editor);      // "Default T-Cam"
void defaultHelmet(Editor& editor);    // "Default Helmet"
void defaultExtSW(Editor& editor);     // "Default Wheel": from the values last read from the game
void defaultRimButton(Editor& editor); // "Default Rims": first-car rims
void defaultArmButton(Editor& editor); // "Default Arms": first-car arms
void defaultCockpit(Editor& editor);   // "Default Cockpit"
void defaultTPClick(Editor& editor);   // "Default", Tyres tab
void defaultTeam(Editor& editor);      // "Default", Slots tab: names and every per-team group
void defaultAll(Editor& editor);       // "Default All"

// Attaches the handlers above (and "Default Brands") to their buttons.
void wireDefaults(Editor& editor);

}  // namespace varnisk

#include "editing/Defaults.h"

#include <string>

#include "core/Editor.h"
#include "editing/ColourPanels.h"
#include "editing/PreviewFeed.h"
#include "editing/TeamSlots.h"
#include "game/Colours.h"
#include "game/TeamNames.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/ImportAll.h"
#include "gamedata/TyreData.h"
#include "numeric/Numbers.h"

namespace varnisk {

const std::array<DefaultCameraRow, 12> kDefaultCameras{{
    {0, -48, 14, 0, 0, 0, 0, 72, 0, 0},                // Cockpit
    {0, 160, 26, -180, 0, 0, -32768, 1280, 257, 0},    // Camera 10
    {40, -92, 32, 0, 0, 0, 3840, 1280, 0, 256},        // Camera 1
    {72, -228, 34, 0, 0, 0, 0, -1, 0, 256},            // Camera 2
    {30, -116, 13, -180, 0, 0, 26866, 1280, 256, 0},   // Camera 3
    {-40, -220, 26, 175, 0, 0, 3840, 1280, 0, 256},    // Camera 4
    {-30, -116, 13, -180, 0, 0, -26610, 1280, 1, 0},   // Camera 5
    {-72, -228, 34, 0, 0, 0, 0, -1, 0, 1},             // Camera 6
    {-40, -92, 32, 0, 0, 0, -3840, 1280, 0, 1},        // Camera 7
    {0, 160, 18, 0, 0, 0, 0, 72, 0, 0},                // Camera 8
    {40, 122, -16, 0, 0, 0, 0, 72, 0, 256},            // Camera 9
    {0, -80, 61, 0, -10, 0, 0, 1280, 0, 0},            // T-Cam: its Y and Z have no field
}};

const std::array<DefaultTeamValues, 11> kDefaultTeamValues{{
    {-62, 63, -15, 1, 0x363026, 0xee2924},
    {-62, 63, -15, 5, 0xc9cdb9, 0xfffbed},
    {-62, 63, -15, 4, 0xc7d1cf, 0x436091},
    {-75, 62, -26, 2, 0x212024, 0x6bb7d7},
    {-65, 63, -16, 1, 0x000001, 0xf4e69f},
    {-65, 61, -22, 5, 0x0f0b09, 0xffe74c},
    {-70, 66, -22, 8, 0x201c1a, 0xca6a1c},
    {-75, 64, -28, 6, 0xe3dccf, 0x5272b2},
    {-75, 64, -25, 5, 0x7b6129, 0x294b39},
    {-74, 70, -17, 1, 0x0a0a0a, 0x181713},
    {-85, 58, -33, -3, 0xe9e9e1, 0x214f83},
}};

namespace {

constexpr int kCamera4Record = 5;

// Whether a reset ends by handing its result to the preview, or leaves that
// to "Default" on the Slots tab, which refreshes once every group is written.
enum class Refresh { Now, Later };

// A per-team pair of fields from the table: Y into <family>t, Z into
// <family>t+20.
void writeTeamPairs(Editor& e, const char* family, float DefaultTeamValues::*y, float DefaultTeamValues::*z) {
    Form& f = e.main;
    HandlersPaused paused(e);
    for (int t = 0; t < 11; ++t) {
        const DefaultTeamValues& v = kDefaultTeamValues[static_cast<std::size_t>(t)];
        setNumberField(f, fieldName(family, t), v.*y);
        setNumberField(f, fieldName(family, t + 20), v.*z);
    }
    paused.resume();
}

void writeFirstCarColours(Editor& e, const char* family, std::uint32_t DefaultTeamValues::*colour) {
    Form& f = e.main;
    HandlersPaused paused(e);
    for (int t = 0; t < 11; ++t) {
        f.setColour(f.get(fieldName(family, t)), gameToColour(kDefaultTeamValues[static_cast<std::size_t>(t)].*colour));
    }
    paused.resume();
}

void tcam(Editor& e, Refresh refresh) {
    writeTeamPairs(e, "LMDTC", &DefaultTeamValues::tcamY, &DefaultTeamValues::tcamZ);
    if (refresh == Refresh::Now) lmdChangeHelmet(e, e.main.get("LMDTC0"));
    e.setStatus("Default T-Cam Positions");
}

void helmet(Editor& e, Refresh refresh) {
    writeTeamPairs(e, "LMDHP", &DefaultTeamValues::helmetY, &DefaultTeamValues::helmetZ);
    if (refresh == Refresh::Now) lmdChangeHelmet(e, e.main.get("LMDHP0"));
    e.setStatus("Default Helmets Positions");
}

void extWheel(Editor& e, Refresh refresh) {
    Form& f = e.main;
    HandlersPaused paused(e);
    for (int t = 0; t < 11; ++t) {
        const GameData::Pair& pair = e.game.extWheel[static_cast<std::size_t>(t)];  // Z, Y
        setNumberField(f, fieldName("LMDEW", t), roundTo(200.0L * pair[1], -1));
        setNumberField(f, fieldName("LMDEW", t + 20), roundTo(200.0L * pair[0], -1));
    }
    paused.resume();
    if (refresh == Refresh::Now) lmdChangeHelmet(e, f.get("LMDEW0"));
    e.setStatus("Default Ext. Wheel Pos.");
    e.requestFrame();
}

void rims(Editor& e, Refresh refresh) {
    writeFirstCarColours(e, "PanelRC", &DefaultTeamValues::rim);
    if (refresh == Refresh::Now) carRefresh(e, 0);
    e.setStatus("Default Rim colors");
}

void arms(Editor& e, Refresh refresh) {
    writeFirstCarColours(e, "PanelAC", &DefaultTeamValues::arm);
    if (refresh == Refresh::Now) lmdColor0Change(e, e.main.get("PanelAC0"));
    e.setStatus("Default Arm colors");
}

}  // namespace

void defaultCams(Editor& e) {
    Form& f = e.main;
    HandlersPaused paused(e);
    for (int k = 0; k < 12; ++k) {
        DefaultCameraRow row = kDefaultCameras[static_cast<std::size_t>(k)];
        if (k == kCamera4Record && e.game.version > 0) row[2] = kCamera4ZNewer;
        const int base = cameraRowBase(k);
        for (int j = 0; j < 10; ++j) setCamField(f, base + 10 * j, row[static_cast<std::size_t>(j)]);
    }
    setCamField(f, 101, kDefaultChase[0]);
    setCamField(f, 102, kDefaultChase[1]);
    paused.resume();
    e.requestFrame();
    e.setStatus("Default Cameras Positions");
}

void defaultTcam(Editor& e) { tcam(e, Refresh::Now); }
void defaultHelmet(Editor& e) { helmet(e, Refresh::Now); }
void defaultExtSW(Editor& e) { extWheel(e, Refresh::Now); }
void defaultRimButton(Editor& e) { rims(e, Refresh::Now); }
void defaultArmButton(Editor& e) { arms(e, Refresh::Now); }

void defaultCockpit(Editor& e) {
    Form& f = e.main;
    HandlersPaused paused(e);
    showCockpit(f, kDefaultCockpit);
    paused.resume();
    changeSW(e, f.get("LMDSW0"));
    changeSW(e, f.get("LMDDB0"));
    e.setStatus("Default Cockpit Positions");
}

void defaultTPClick(Editor& e) {
    // The twelve fields are written first and the tyre records taken from
    // them once: read field by field, the first write would meet the other
    // fields still empty before any import.
    {
        const HandlersPaused paused(e);
        defaultTyrePositions(e);
    }
    changeTP(e, e.main.get("LMDTP1"));
    e.setStatus("Default Tyre Positions");
}

void defaultTeam(Editor& e) {
    Form& f = e.main;
    HandlersPaused paused(e);
    for (int t = 0; t < 11; ++t) {
        const std::string& name = kDefaultTeamNames[static_cast<std::size_t>(t)];
        f.setText(f.get(fieldName("LMDSlot", t)), name);
        showTeamName(e, t, name);
    }
    paused.resume();
    // Every group is written before the preview reads team 0's fields, so
    // that fields still empty before any import are filled by then.
    tcam(e, Refresh::Later);
    extWheel(e, Refresh::Later);
    arms(e, Refresh::Later);
    helmet(e, Refresh::Later);
    defaultBrands(e);
    rims(e, Refresh::Later);
    e.preview.ReloadCarShape = true;
    // The T-cam handler's refresh: the preview turns to team 0's T-cam.
    lmdChangeHelmet(e, f.get("LMDTC0"));
    e.setStatus("Default Teams Datas");
}

void defaultAll(Editor& e) {
    defaultCams(e);
    defaultTPClick(e);
    defaultCockpit(e);
    defaultTeam(e);
    e.setStatus("Reset to default");
}

void wireDefaults(Editor& editor) {
    struct Wiring {
        const char* button;
        void (*handler)(Editor&);
    };
    static constexpr Wiring kButtons[] = {
        {"DefaultButton", defaultCams},       {"DefaultTC", defaultTcam},          {"LMDButton6", defaultExtSW},
        {"DefaultTP", defaultTPClick},        {"LMDButton1", defaultBrands},       {"LMDButton3", defaultRimButton},
        {"LMDButton2", defaultArmButton},     {"LMDButton5", defaultHelmet},       {"DefaultWheelButton", defaultCockpit},
        {"LMDButton7", defaultTeam},          {"DefaultCockpitButton", defaultAll},
    };
    for (const Wiring& w : kButtons) {
        editor.main.get(w.button).on.click = [&editor, handler = w.handler](Control&) { handler(editor); };
    }
}

}  // namespace varnisk

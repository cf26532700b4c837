#include "datasets/SaveWindow.h"

#include <array>
#include <string>

#include "core/Editor.h"
#include "datasets/SaveDataSet.h"
#include "game/ExeLayout.h"
#include "gamedata/FieldSheet.h"

namespace varnisk {

namespace {

constexpr int kTeamColumns = 7;
constexpr int kRowHeight = 15;

Control& caption(Form& form, const std::string& name, Control* parent, const char* text, Rect r,
                 Align align = Align::Left) {
    Control& c = form.add(ControlKind::Caption, name, parent, r);
    c.caption = text;
    c.align = align;
    return c;
}

Control& box(Form& form, const std::string& name, Control* parent, const char* text, Rect r) {
    Control& c = form.add(ControlKind::Check, name, parent, r);
    c.caption = text;
    return c;
}

Control& group(Form& form, const char* name, const char* text, Rect r) {
    Control& g = form.add(ControlKind::Group, name, nullptr, r);
    g.caption = text;
    return g;
}

void buildCameraGroup(Form& form) {
    Control& g = group(form, "GroupBox1", "Cameras", {6, 2, 92, 280});
    static const std::array<const char*, 14> kCaptions{"Cockpit",  "T-Cam",    "Camera 1", "Camera 2", "Camera 3",
                                                       "Camera 4", "Camera 5", "Camera 6", "Camera 7", "Camera 8",
                                                       "Camera 9", "Camera 10", "Chases",  "All"};
    for (int n = 1; n <= 14; ++n) {
        const int top = n == 14 ? 16 + 13 * 18 + 4 : 16 + (n - 1) * 18;
        box(form, fieldName("CBCam", n), &g, kCaptions[n - 1], {8, top, 80, 17});
    }
}

void buildTeamGroup(Form& form) {
    Control& g = group(form, "GroupBox2", "Teams Datas", {102, 2, 370, 226});
    // The boxes' columns: left edge and width of each.
    static const std::array<int, 8> kLeft{72, 112, 158, 216, 248, 278, 308, 342};
    static const std::array<int, 8> kWidth{40, 46, 58, 32, 30, 30, 34, 22};
    static const std::array<const char*, 8> kHeads{"T-Cams", "Helmets", "St. Wheels", "Arms",
                                                   "Rims",   "Type",    "Name",       "All"};
    caption(form, "", &g, "Positions", {kLeft[0], 14, kLeft[3] - kLeft[0], 13}, Align::Center);
    caption(form, "", &g, "Colors", {kLeft[3], 14, kLeft[5] - kLeft[3], 13}, Align::Center);
    caption(form, "", &g, "Tyre", {kLeft[5], 14, kWidth[5], 13}, Align::Center);
    caption(form, "", &g, "Slot", {kLeft[6], 14, kWidth[6], 13}, Align::Center);
    for (std::size_t c = 0; c < kHeads.size(); ++c) {
        caption(form, "", &g, kHeads[c], {kLeft[c], 28, kWidth[c], 13}, Align::Center);
    }
    for (int t = 0; t < 11; ++t) {
        const int top = 44 + t * kRowHeight;
        caption(form, fieldName("Label", t + 1), &g, t == 0 ? "Team 1" : "Team 2", {6, top + 1, 64, 13});
        for (int c = 0; c <= kTeamColumns; ++c) {
            const std::string name = c < kTeamColumns ? fieldName("CB", 10 * t + c + 1) : fieldName("CBA", 10 * t + 1);
            // The box sits in the middle of its column.
            box(form, name, &g, "", {kLeft[c] + (kWidth[c] - 14) / 2, top, 14, 14});
        }
    }
}

void buildGlobalGroup(Form& form) {
    Control& g = group(form, "GroupBox3", "Global Datas (Misc. Positions)", {102, 232, 266, 50});
    box(form, "CBSTWheel", &g, "Cockpit St. Wheel", {8, 22, 112, 17});
    box(form, "CBDash", &g, "DashBoard", {124, 22, 74, 17});
    box(form, "CBTyres", &g, "Tyres", {202, 22, 54, 17});
}

// Sets a summary box from code while its own handler stays idle.
void syncSummary(Editor& e, Control& summary, bool ticked) {
    e.saveWindow.BoxSyncGuard = 1;
    e.save.setChecked(summary, ticked);
    e.saveWindow.BoxSyncGuard = 0;
}

void cbCamClick(Editor& e) {
    e.saveWindow.masks = computeSaveSelection(e.save);
    const bool all = e.saveWindow.masks.cameraMask == 4095 && e.save.get("CBCam13").checked;
    syncSummary(e, e.save.get("CBCam14"), all);
}

void cbCam14Click(Editor& e, const Control& summary) {
    if (e.saveWindow.BoxSyncGuard != 0) return;
    // The state the user gave the summary box: the boxes' own handlers set
    // it back and forth while they follow.
    const bool ticked = summary.checked;
    for (int n = 1; n <= 13; ++n) e.save.setChecked(e.save.get(fieldName("CBCam", n)), ticked);
}

void cbDatasClick(Editor& e, const Control& clicked) {
    e.saveWindow.masks = computeSaveSelection(e.save);
    const int row = clicked.number() / 10 * 10;
    bool all = true;
    for (int c = 1; c <= kTeamColumns; ++c) all = all && e.save.get(fieldName("CB", row + c)).checked;
    syncSummary(e, e.save.get(fieldName("CBA", row + 1)), all);
}

void cbaClick(Editor& e, const Control& summary) {
    if (e.saveWindow.BoxSyncGuard != 0) return;
    const bool ticked = summary.checked;
    const int n = summary.number();
    for (int c = 0; c < kTeamColumns; ++c) e.save.setChecked(e.save.get(fieldName("CB", n + c)), ticked);
}

// Ticks every box through the summary boxes, whose handlers tick the rest.
void tickEverything(Editor& e) {
    Form& f = e.save;
    f.setChecked(f.get("CBCam14"), true);
    for (int t = 0; t < 11; ++t) f.setChecked(f.get(fieldName("CBA", 10 * t + 1)), true);
    f.setChecked(f.get("CBSTWheel"), true);
    f.setChecked(f.get("CBDash"), true);
    f.setChecked(f.get("CBTyres"), true);
}

}  // namespace

void buildSaveWindow(Form& form) {
    buildCameraGroup(form);
    buildTeamGroup(form);
    buildGlobalGroup(form);
    Control& save = form.add(ControlKind::Button, "LMDButton1", nullptr, {374, 238, 96, 20});
    save.caption = "Save";
    Control& toggle = form.add(ControlKind::Button, "LMDButton2", nullptr, {374, 262, 96, 20});
    toggle.caption = "Unselect ALL";
}

SaveMasks computeSaveSelection(const Form& f) {
    SaveMasks m;
    auto ticked = [&f](const std::string& name) { return f.get(name).checked; };
    if (ticked("CBCam13")) m.globalMask += kChaseBit;
    if (ticked("CBSTWheel")) m.globalMask += kWheelBit;
    if (ticked("CBDash")) m.globalMask += kDashboardBit;
    if (ticked("CBTyres")) m.globalMask += kTyresBit;
    for (int n = 1; n <= 12; ++n) {
        if (ticked(fieldName("CBCam", n))) m.cameraMask = static_cast<std::uint16_t>(m.cameraMask | (1u << (n - 1)));
    }
    std::array<std::uint16_t*, kTeamColumns> columns{&m.tcamMask, &m.helmetMask, &m.extWheelMask, &m.armMask,
                                                     &m.rimMask,  &m.brandMask,  &m.nameMask};
    for (int t = 0; t < 11; ++t) {
        for (int c = 1; c <= kTeamColumns; ++c) {
            std::uint16_t& mask = *columns[c - 1];
            if (ticked(fieldName("CB", 10 * t + c))) mask = static_cast<std::uint16_t>(mask | (1u << t));
        }
    }
    return m;
}

void formShow(Editor& e) {
    if (e.saveWindow.SelectAllPending == 1) {
        tickEverything(e);
        e.saveWindow.AllSelected = 1;
    }
    e.saveWindow.SelectAllPending = 0;
    if (!e.game.names[0].empty()) {
        for (int t = 0; t < 11; ++t) {
            Control& label = e.save.get(fieldName("Label", t + 1));
            e.save.setCaption(label, mister(e.game.names[t]));
            e.save.setHint(label, label.caption);  // a long name shows whole over its row
        }
    }
}

void toggleSelection(Editor& e) {
    Form& f = e.save;
    e.saveWindow.BoxSyncGuard = 0;
    if (e.saveWindow.AllSelected != 0) {
        f.setChecked(f.get("CBCam13"), false);
        for (int n = 1; n <= 12; ++n) f.setChecked(f.get(fieldName("CBCam", n)), false);
        for (int t = 0; t < 11; ++t) {
            for (int c = 1; c <= kTeamColumns; ++c) f.setChecked(f.get(fieldName("CB", 10 * t + c)), false);
        }
        f.setChecked(f.get("CBSTWheel"), false);
        f.setChecked(f.get("CBDash"), false);
        f.setChecked(f.get("CBTyres"), false);
        f.setCaption(f.get("LMDButton2"), "Select ALL");
    } else {
        tickEverything(e);
        f.setCaption(f.get("LMDButton2"), "Unselect ALL");
    }
    e.saveWindow.AllSelected = e.saveWindow.AllSelected != 0 ? 0 : 1;
}

void wireSaveWindow(Editor& e) {
    Form& f = e.save;
    e.main.get("SaveButton").on.click = [&e](Control&) { e.save.show(); };
    f.onShow = [&e] { formShow(e); };
    for (int n = 1; n <= 13; ++n) f.get(fieldName("CBCam", n)).on.click = [&e](Control&) { cbCamClick(e); };
    f.get("CBCam14").on.click = [&e](Control& c) { cbCam14Click(e, c); };
    for (int t = 0; t < 11; ++t) {
        for (int c = 1; c <= kTeamColumns; ++c) {
            f.get(fieldName("CB", 10 * t + c)).on.click = [&e](Control& box) { cbDatasClick(e, box); };
        }
        f.get(fieldName("CBA", 10 * t + 1)).on.click = [&e](Control& c) { cbaClick(e, c); };
    }
    f.get("LMDButton2").on.click = [&e](Control&) { toggleSelection(e); };
    f.get("LMDButton1").on.click = [&e](Control&) {
        e.save.hide();
        saveDataSet(e);
    };
}

}  // namespace varnisk

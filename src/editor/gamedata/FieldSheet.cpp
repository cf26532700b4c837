#include "gamedata/FieldSheet.h"

#include <array>
#include <string>

#include "game/TeamNames.h"
#include "numeric/Numbers.h"

namespace varnisk {

namespace {

// Camera rows from top to bottom: caption and base number.
struct CameraRow {
    const char* caption;
    int base;
};
constexpr std::array<CameraRow, 12> kCameraRows = {{
    {"Cockpit", 105}, {"T-Cam", 106},   {"Camera 1", 2}, {"Camera 2", 3},
    {"Camera 3", 4},  {"Camera 4", 5},  {"Camera 5", 6}, {"Camera 6", 7},
    {"Camera 7", 8},  {"Camera 8", 9},  {"Camera 9", 10}, {"Camera 10", 1},
}};

constexpr std::uint32_t kPanelStart = kButtonFaceColour;

// Places the controls of one tab.
class Tab {
public:
    Tab(Form& form, Control& page) : form_(form), page_(page) {}

    // An unnamed caption: a column head or a row caption.
    void label(const std::string& text, int x, int y, int w, int h = 13, Align align = Align::Center) {
        Control& c = form_.add(ControlKind::Caption, "", &page_, {x, y, w, h});
        c.caption = text;
        c.align = align;
    }
    void rowLabel(const std::string& text, int x, int y, int w, int h) { label(text, x, y, w, h, Align::Left); }

    Control& edit(const std::string& name, int x, int y, int w, int h, std::string text = "") {
        Control& c = form_.add(ControlKind::Edit, name, &page_, {x, y, w, h});
        c.text = std::move(text);
        return c;
    }
    Control& colour(const std::string& name, int x, int y, int w, int h) {
        Control& c = form_.add(ControlKind::Colour, name, &page_, {x, y, w, h});
        c.colour = kPanelStart;
        c.bevel = Bevel::Lowered;
        return c;
    }
    Control& caption(const std::string& name, const std::string& text, int x, int y, int w, int h,
                     Bevel bevel = Bevel::Raised, Control* parent = nullptr) {
        Control& c = form_.add(ControlKind::Caption, name, parent ? parent : &page_, {x, y, w, h});
        c.caption = text;
        c.align = Align::Center;
        c.bevel = bevel;
        return c;
    }
    Control& button(const std::string& name, const std::string& text, int x, int y, int w, int h = 20,
                    Control* parent = nullptr) {
        Control& c = form_.add(ControlKind::Button, name, parent ? parent : &page_, {x, y, w, h});
        c.caption = text;
        return c;
    }

    Form& form() { return form_; }
    Control& page() { return page_; }

private:
    Form& form_;
    Control& page_;
};

void buildCameras(Tab tab) {
    // Columns X, Y, Z, Dir., Pitch, Roll; the row caption stands on the left.
    constexpr int kX0 = 64, kDX = 34, kW = 33, kTop = 15, kDY = 19, kH = 18;
    const char* heads[] = {"X", "Y", "Z", "Dir.", "Pitch", "Roll"};
    for (int j = 0; j < 6; ++j) tab.label(heads[j], kX0 + kDX * j, 0, kW);
    for (int i = 0; i < 12; ++i) {
        const CameraRow& row = kCameraRows[static_cast<std::size_t>(i)];
        int y = kTop + kDY * i;
        tab.rowLabel(row.caption, 2, y + 2, kX0 - 4, 14);
        for (int j = 0; j < 6; ++j) {
            if (row.base == 106 && (j == 1 || j == 2)) continue;  // the T-cam row has no Y and no Z
            tab.edit(fieldName("LMDEdit", row.base + 10 * j), kX0 + kDX * j, y, kW, kH, "0");
        }
        if (row.base == 106) {
            // Tells the user that the T-cam position is set per team.
            Control& note = tab.edit("LMDEdit103", kX0 + kDX, y, kDX + kW, kH, "T-Cam Tab");
            note.enabled = false;
            note.align = Align::Center;
        }
    }
    int chaseY = kTop + kDY * 12;
    tab.rowLabel("Chase Cameras", 2, chaseY + 2, kX0 + kDX - 4, 14);
    tab.edit("LMDEdit101", kX0 + kDX, chaseY, kW, kH, "0");
    tab.edit("LMDEdit102", kX0 + 2 * kDX, chaseY, kW, kH, "0");
    tab.button("DefaultButton", "Default", kX0, 266, 80);
    tab.button("Switch", "Rear Cam", kX0 + 88, 266, 80);
}

void buildExternal(Tab tab) {
    tab.label("T-Cam", 96, 0, 82);
    tab.label("St. Wheel", 182, 0, 86);
    const int xs[] = {96, 138, 182, 226};
    const int ws[] = {40, 40, 42, 42};
    const char* heads[] = {"Y", "Z", "Y", "Z"};
    for (int k = 0; k < 4; ++k) tab.label(heads[k], xs[k], 14, ws[k]);
    for (int t = 0; t < kTeamCount; ++t) {
        int y = 30 + 20 * t;
        tab.caption(fieldName("PanelTC", t), kDefaultTeamNames[static_cast<std::size_t>(t)], 2, y, 92, 19);
        tab.edit(fieldName("LMDTC", t), xs[0], y, ws[0], 19);
        tab.edit(fieldName("LMDTC", t + 20), xs[1], y, ws[1], 19);
        tab.edit(fieldName("LMDEW", t), xs[2], y, ws[2], 19);
        tab.edit(fieldName("LMDEW", t + 20), xs[3], y, ws[3], 19);
    }
    tab.button("DefaultTC", "Default T-Cam", 20, 256, 110);
    tab.button("LMDButton6", "Default Wheel", 140, 256, 110);
}

void buildCockpit(Tab tab) {
    const int xs[] = {94, 144, 194};
    const char* heads[] = {"X", "Y", "Z"};
    for (int k = 0; k < 3; ++k) tab.label(heads[k], xs[k], 0, 48);
    tab.rowLabel("Steering Wheel", 2, 15, 90, 14);
    tab.rowLabel("Dash Boards", 2, 34, 90, 14);
    for (int k = 0; k < 3; ++k) {
        tab.edit(fieldName("LMDSW", k), xs[k], 13, 48, 18);
        tab.edit(fieldName("LMDDB", k), xs[k], 32, 48, 18);
    }
    tab.label("Arms", 96, 56, 82);
    tab.label("Helmets", 182, 56, 86);
    const int lx[] = {96, 138, 182, 226};
    const int lw[] = {40, 40, 42, 42};
    const char* lheads[] = {"1st Car", "2nd Car", "Y", "Z"};
    for (int k = 0; k < 4; ++k) tab.label(lheads[k], lx[k], 68, lw[k]);
    for (int t = 0; t < kTeamCount; ++t) {
        int y = 82 + 16 * t;
        tab.caption(fieldName("Panel", t + 46), kDefaultTeamNames[static_cast<std::size_t>(t)], 2, y, 92, 15);
        tab.colour(fieldName("PanelAC", t), lx[0], y, lw[0], 15);
        tab.colour(fieldName("PanelAC", t + 20), lx[1], y, lw[1], 15);
        tab.edit(fieldName("LMDHP", t), lx[2], y, lw[2], 15);
        tab.edit(fieldName("LMDHP", t + 20), lx[3], y, lw[3], 15);
    }
    tab.button("DefaultWheelButton", "Default Cockpit", 2, 262, 88);
    tab.button("LMDButton2", "Default Arms", 94, 262, 84);
    tab.button("LMDButton5", "Default Helmet", 182, 262, 86);
}

void buildTyres(Tab tab) {
    tab.label("Left Positions", 40, 0, 112);
    tab.label("Rigth Positions", 156, 0, 112);
    const int xs[] = {40, 78, 116, 156, 194, 232};
    const char* heads[] = {"X", "Y", "Z", "X", "Y", "Z"};
    for (int k = 0; k < 6; ++k) tab.label(heads[k], xs[k], 12, 36);
    // Tyre j owns the fields 3j-2, 3j-1, 3j: front right, front left, rear
    // right, rear left. Left positions stand in the left columns.
    struct Row { const char* caption; int y; int leftTyre; int rightTyre; };
    const Row rows[] = {{"Front", 25, 2, 1}, {"Rear", 44, 4, 3}};
    for (const Row& row : rows) {
        tab.rowLabel(row.caption, 2, row.y + 2, 36, 14);
        for (int k = 0; k < 3; ++k) {
            tab.edit(fieldName("LMDTP", 3 * row.leftTyre - 2 + k), xs[k], row.y, 36, 18);
            tab.edit(fieldName("LMDTP", 3 * row.rightTyre - 2 + k), xs[3 + k], row.y, 36, 18);
        }
    }
    tab.label("Tyre Brands", 96, 66, 90);
    tab.label("1st Car", 187, 66, 40);
    tab.label("2nd Car", 227, 66, 40);
    for (int t = 0; t < kTeamCount; ++t) {
        int y = 80 + 16 * t;
        tab.caption(fieldName("PanelTT", t + 1), kDefaultTeamNames[static_cast<std::size_t>(t)], 2, y, 92, 15);
        Control& brand = tab.form().add(ControlKind::UpDown, fieldName("UpDown", t + 1), &tab.page(), {96, y, 24, 15});
        brand.min = 0;
        brand.max = t == 1 ? 2 : 1;  // team 1 has a third brand of its own
        brand.horizontal = true;
        tab.caption(fieldName("PanelTT", t + 21), "Bridgestone", 122, y, 64, 15, Bevel::Lowered);
        tab.colour(fieldName("PanelRC", t), 188, y, 38, 15);
        Control& second = tab.colour(fieldName("PanelRC", t + 20), 228, y, 38, 15);
        second.enabled = t == 0;  // PanelRC20 is disabled by the first import only
    }
    tab.button("DefaultTP", "Default", 2, 262, 60);
    tab.button("LMDButton1", "Default Brands", 66, 262, 100);
    tab.button("LMDButton3", "Default Rims", 170, 262, 98);
}

void buildSlots(Tab tab) {
    Form& form = tab.form();
    Control& group = form.add(ControlKind::Group, "", &tab.page(), {2, 0, 268, 62});
    group.caption = "Varnisk Team Datas Operations";
    Control& op = form.add(ControlKind::Choice, "LMDTeamOp", &group, {6, 14, 58, 42});
    op.style = ChoiceStyle::Radio;
    op.items = {"Copy", "Swap"};
    op.index = 0;
    Control& label1 = form.add(ControlKind::Caption, "Label1", &group, {80, 16, 56, 13});  // wide enough for "between"
    label1.caption = "from";
    Control& label2 = form.add(ControlKind::Caption, "Label2", &group, {152, 16, 40, 13});
    label2.caption = "to";
    std::vector<std::string> teams;
    for (int t = 1; t <= kTeamCount; ++t) teams.push_back("Team " + std::to_string(t));
    for (int k = 0; k < 2; ++k) {
        Control& box = form.add(ControlKind::Choice, fieldName("LMDTeam", k + 1), &group, {68 + 74 * k, 32, 70, 20});
        box.style = ChoiceStyle::Combo;
        box.items = teams;
    }
    tab.button("LMDButton8", "Apply", 218, 32, 46, 20, &group);

    tab.label("Original Names", 54, 66, 104);
    tab.label("Current Names", 160, 66, 108);
    for (int t = 0; t < kTeamCount; ++t) {
        int y = 80 + 16 * t;
        tab.caption(fieldName("Panel", t + 88), teams[static_cast<std::size_t>(t)], 2, y, 50, 15);
        tab.caption(fieldName("OrigName", t), kDefaultTeamNames[static_cast<std::size_t>(t)], 54, y, 104, 15,
                    Bevel::Lowered);
        Control& slot = tab.edit(fieldName("LMDSlot", t), 160, y, 108, 15);
        slot.maxLength = 32;
        slot.align = Align::Center;
    }
    tab.button("LMDButton7", "Default", 2, 262, 80);
}

void buildDetails(Tab tab) {
    tab.label("Car Details", 64, 0, 102);
    tab.label("Wheels Details", 168, 0, 102);
    const char* heads[] = {"Rear", "Front", "Rear", "Front"};
    for (int k = 0; k < 4; ++k) tab.label(heads[k], 64 + 52 * k, 12, 50);
    for (int i = 0; i < 12; ++i) {
        const CameraRow& row = kCameraRows[static_cast<std::size_t>(i)];
        int y = 26 + 18 * i;
        tab.rowLabel(row.caption, 2, y + 2, 60, 14);
        for (int k = 0; k < 4; ++k) {
            int column = 6 + k;
            // In the "Camera 8" row the two wheel fields stand exchanged.
            if (row.base == 9 && column == 8) column = 9;
            else if (row.base == 9 && column == 9) column = 8;
            tab.edit(fieldName("LMDEdit", row.base + 10 * column), 64 + 52 * k, y, 50, 17);
        }
    }
    tab.button("AboutButton", "Credits", 190, 250, 78);
}

}  // namespace

std::string fieldName(const char* family, int n) { return family + std::to_string(n); }

std::string cameraRowCaption(int record) {
    const int base = cameraRowBase(record);
    for (const CameraRow& row : kCameraRows) {
        if (row.base == base) return row.caption;
    }
    return {};
}

int cameraRowBase(int record) {
    if (record == 0) return 105;
    if (record == 11) return 106;
    return record;
}

void buildFieldSheet(Form& form) {
    Control& pages = form.add(ControlKind::Choice, "Onglets", nullptr, {0, 0, 276, 316});
    pages.style = ChoiceStyle::Pages;
    pages.items = {"Cameras", "External", "Cockpit", "Tyres", "Details", "Slots"};
    pages.index = 0;
    auto page = [&](int i) -> Control& {
        Control& p = form.add(ControlKind::Page, "", &pages, {0, 0, 272, 294});
        p.caption = pages.items[static_cast<std::size_t>(i)];
        return p;
    };
    buildCameras(Tab(form, page(0)));
    buildExternal(Tab(form, page(1)));
    buildCockpit(Tab(form, page(2)));
    buildTyres(Tab(form, page(3)));
    buildDetails(Tab(form, page(4)));
    buildSlots(Tab(form, page(5)));
}

void setNumberField(Form& form, const std::string& name, long double value) {
    form.setText(form.get(name), formatGeneral(value));
}

void setCamField(Form& form, int n, long double value) {
    if (n == 116 || n == 126) return;
    setNumberField(form, fieldName("LMDEdit", n), value);
}

int getCamField(const Form& form, int n) {
    if (n == 116) return parseInt(form.get("LMDTC0").text);
    if (n == 126) return parseInt(form.get("LMDTC20").text);
    return parseInt(form.get("LMDEdit" + std::to_string(n)).text);
}

}  // namespace varnisk

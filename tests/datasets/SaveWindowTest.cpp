#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "game/ExeLayout.h"
#include "ui/ScriptedUi.h"
#include "valuesets/DataSetFormats.h"
#include "valuesets/SaveSelection.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

// The header's nine masks in the order the file holds them.
using HeaderMasks = std::array<std::uint16_t, 9>;

HeaderMasks fileOrder(const SaveMasks& m) {
    return {m.cameraMask, m.tcamMask, m.helmetMask, m.armMask,  m.rimMask,
            m.brandMask,  m.globalMask, m.extWheelMask, m.nameMask};
}

HeaderMasks headerOf(const Bytes& file) {
    HeaderMasks h{};
    for (std::size_t i = 0; i < h.size(); ++i) h[i] = u16At(file, 2 + 2 * i);
    return h;
}

// Little-endian bytes as the save writes them.
struct Expected {
    Bytes b;
    void u16(std::uint16_t v) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void i16(int v) { u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
    void text(const std::string& s, std::size_t size) {
        const std::string p = padded(s, size);
        b.insert(b.end(), p.begin(), p.end());
    }
    void header(const HeaderMasks& masks) {
        u16(4);
        for (std::uint16_t m : masks) u16(m);
    }
};

// Everything below a folder: each path with its bytes, or "<dir>".
std::map<std::string, std::string> folderState(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string rel = fs::relative(entry.path(), folder).string();
        out[rel] = entry.is_directory() ? std::string("<dir>") : readText(entry.path());
    }
    return out;
}

// An editor with a generated game and its save selection window.
class SaveSession {
public:
    TestGame g;

    Form& window() { return g.editor.save; }
    Control& box(std::string_view name) { return g.editor.save.get(name); }
    bool ticked(std::string_view name) { return box(name).checked; }
    const SaveState& state() { return g.editor.saveWindow; }
    std::string status() { return g.caption("Status"); }

    bool clickBox(std::string_view name) {
        return g.editor.dispatch([&] { g.editor.save.userClick(g.editor.save.get(name)); });
    }
    bool openWindow() { return g.click("SaveButton"); }
    bool toggle() { return clickBox("LMDButton2"); }
    // "Save" with the dialog answered by `path` and the filter.
    bool saveAs(const fs::path& path, int filter = 1) {
        g.ui.queue(ScriptedUi::SaveAnswer{path.string(), filter});
        return clickBox("LMDButton1");
    }

    // Every check box of the window.
    std::vector<Control*> boxes() {
        std::vector<Control*> out;
        for (const auto& c : window().controls()) {
            if (c->kind == ControlKind::Check) out.push_back(c.get());
        }
        return out;
    }
    // The names of the boxes ticked (or unticked), in the window's order.
    std::vector<std::string> boxesTicked(bool state) {
        std::vector<std::string> out;
        for (Control* c : boxes()) {
            if (c->checked == state) out.push_back(c->name);
        }
        return out;
    }
    std::vector<std::string> tickedBoxes() { return boxesTicked(true); }
    std::vector<std::string> untickedBoxes() { return boxesTicked(false); }
};

const std::vector<std::string> kNone;

struct SaveWindow : ::testing::Test, SaveSession {};

// After an import, with the window shown once and then everything unticked.
struct SaveDataSet : ::testing::Test, SaveSession {
    void SetUp() override {
        ASSERT_TRUE(g.importAll());
        ASSERT_TRUE(openWindow());
        ASSERT_TRUE(toggle());
        ASSERT_EQ(tickedBoxes(), kNone);
    }
    fs::path out(const char* name) { return g.folder() / name; }
};

// ---------------------------------------------------------------- the window

TEST_F(SaveWindow, StartsHiddenWithEveryBoxUntickedAndTheFirstCaptions) {
    static const std::array<const char*, 14> kCaptions{"Cockpit",  "T-Cam",    "Camera 1", "Camera 2", "Camera 3",
                                                       "Camera 4", "Camera 5", "Camera 6", "Camera 7", "Camera 8",
                                                       "Camera 9", "Camera 10", "Chases",  "All"};
    for (int n = 1; n <= 14; ++n) EXPECT_EQ(box(num("CBCam", n)).caption, kCaptions[static_cast<std::size_t>(n - 1)]) << n;
    // Fourteen camera boxes, eight for each of the eleven teams, three shared.
    EXPECT_EQ(boxes().size(), 14u + 88u + 3u);
    EXPECT_EQ(tickedBoxes(), kNone);
    for (int t = 0; t < 11; ++t) {
        EXPECT_EQ(window().get(num("Label", t + 1)).caption, t == 0 ? "Team 1" : "Team 2") << t;
        for (int c = 1; c <= 7; ++c) EXPECT_NO_THROW(box(num("CB", 10 * t + c))) << t << " " << c;
        EXPECT_NO_THROW(box(num("CBA", 10 * t + 1))) << t;
    }
    EXPECT_EQ(box("CBSTWheel").caption, "Cockpit St. Wheel");
    EXPECT_EQ(box("CBDash").caption, "DashBoard");
    EXPECT_EQ(box("CBTyres").caption, "Tyres");
    EXPECT_EQ(window().get("LMDButton1").caption, "Save");
    EXPECT_EQ(window().get("LMDButton2").caption, "Unselect ALL");
    EXPECT_EQ(window().caption(), "Choose Datas to Save");
    EXPECT_FALSE(window().visible());
    EXPECT_EQ(state().SelectAllPending, 0);
    EXPECT_EQ(state().AllSelected, 0);
}

TEST_F(SaveWindow, SaveFileShowsTheWindowAndBringsItForwardWhenShown) {
    ASSERT_TRUE(openWindow());
    EXPECT_TRUE(window().visible());
    EXPECT_EQ(window().raiseCount(), 0);
    // No import yet: nothing to tick and no names for the rows.
    EXPECT_EQ(tickedBoxes(), kNone);
    EXPECT_EQ(window().get("Label1").caption, "Team 1");
    EXPECT_EQ(window().get("Label11").caption, "Team 2");

    ASSERT_TRUE(clickBox("CB57"));
    ASSERT_TRUE(openWindow());
    EXPECT_TRUE(window().visible());
    EXPECT_EQ(window().raiseCount(), 1);
    EXPECT_EQ(tickedBoxes(), std::vector<std::string>{"CB57"});
}

TEST_F(SaveWindow, FirstShowingAfterAnImportTicksEverythingAndNamesTheRows) {
    ASSERT_TRUE(g.importAll());
    EXPECT_EQ(state().SelectAllPending, 1);
    EXPECT_EQ(tickedBoxes(), kNone);  // nothing happens before the window shows

    ASSERT_TRUE(openWindow());
    EXPECT_EQ(untickedBoxes(), kNone);
    EXPECT_EQ(state().SelectAllPending, 0);
    EXPECT_EQ(state().AllSelected, 1);
    EXPECT_EQ(state().masks.cameraMask, 0x0FFF);
    EXPECT_EQ(state().masks.nameMask, 0x07FF);
    for (int t = 0; t < 11; ++t) {
        EXPECT_EQ(window().get(num("Label", t + 1)).caption, mister(g.editor.game.names[static_cast<std::size_t>(t)])) << t;
    }
    EXPECT_EQ(window().get("Label1").caption, "Northwind Racing");
    EXPECT_EQ(window().get("Label6").caption, "\xC9quipe Lumiverre");
    EXPECT_EQ(window().get("Label8").caption, "Saltmarsh Halvard Engineering Gp");
}

TEST_F(SaveWindow, LaterShowingsKeepTheTicksAndFollowTheNamesUntilTheNextImport) {
    ASSERT_TRUE(g.importAll());
    ASSERT_TRUE(openWindow());
    ASSERT_TRUE(clickBox("CB57"));
    ASSERT_TRUE(clickBox("CBCam2"));
    ASSERT_TRUE(clickBox("CBTyres"));
    window().hide();

    // A name typed in lower case is shown in title case on the next showing.
    g.edit("LMDSlot3", "ormsby dynamics team");
    ASSERT_TRUE(openWindow());
    EXPECT_EQ(window().get("Label4").caption, "Ormsby Dynamics Team");
    EXPECT_EQ(window().get("Label1").caption, "Northwind Racing");
    // The boxes the user unticked, and the summaries of their row and column.
    EXPECT_EQ(untickedBoxes(), (std::vector<std::string>{"CBCam2", "CBCam14", "CB57", "CBA51", "CBTyres"}));
    EXPECT_EQ(state().AllSelected, 1);

    // A new import ticks everything again, on the next showing only.
    window().hide();
    ASSERT_TRUE(g.importAll());
    EXPECT_FALSE(ticked("CB57"));
    ASSERT_TRUE(openWindow());
    EXPECT_EQ(untickedBoxes(), kNone);
    ASSERT_TRUE(clickBox("CB57"));
    window().hide();
    ASSERT_TRUE(openWindow());
    EXPECT_FALSE(ticked("CB57"));
}

TEST_F(SaveWindow, CameraAllIsTickedOnlyWithTheTwelveCamerasAndTheChases) {
    ASSERT_TRUE(openWindow());
    for (int n = 1; n <= 12; ++n) {
        ASSERT_TRUE(clickBox(num("CBCam", n)));
        EXPECT_FALSE(ticked("CBCam14")) << n;
    }
    EXPECT_EQ(state().masks.cameraMask, 0x0FFF);
    EXPECT_EQ(state().masks.globalMask, 0);

    ASSERT_TRUE(clickBox("CBCam13"));
    EXPECT_TRUE(ticked("CBCam14"));
    EXPECT_EQ(state().masks.globalMask, kChaseBit);

    ASSERT_TRUE(clickBox("CBCam5"));
    EXPECT_FALSE(ticked("CBCam14"));
    EXPECT_EQ(state().masks.cameraMask, 0x0FEF);
    ASSERT_TRUE(clickBox("CBCam5"));
    EXPECT_TRUE(ticked("CBCam14"));

    ASSERT_TRUE(clickBox("CBCam13"));
    EXPECT_FALSE(ticked("CBCam14"));
    EXPECT_EQ(state().masks.globalMask, 0);
    // The teams and the shared blocks are left alone.
    EXPECT_FALSE(ticked("CBSTWheel"));
    EXPECT_FALSE(ticked("CBA1"));
}

TEST_F(SaveWindow, CameraAllGivesItsStateToTheCamerasAndTheChases) {
    ASSERT_TRUE(openWindow());
    ASSERT_TRUE(clickBox("CBCam3"));
    ASSERT_TRUE(clickBox("CBCam14"));
    std::vector<std::string> column;
    for (int n = 1; n <= 14; ++n) column.push_back(num("CBCam", n));
    EXPECT_EQ(tickedBoxes(), column);
    EXPECT_EQ(fileOrder(state().masks), (HeaderMasks{0x0FFF, 0, 0, 0, 0, 0, kChaseBit, 0, 0}));

    ASSERT_TRUE(clickBox("CBCam14"));
    EXPECT_EQ(tickedBoxes(), kNone);
    EXPECT_EQ(fileOrder(state().masks), HeaderMasks{});
}

TEST_F(SaveWindow, TeamRowAllFollowsTheRowsSevenBoxes) {
    ASSERT_TRUE(openWindow());
    for (int t : {0, 4, 10}) {
        SCOPED_TRACE(t);
        const std::string all = num("CBA", 10 * t + 1);
        for (int c = 1; c <= 7; ++c) {
            EXPECT_FALSE(ticked(all)) << c;
            ASSERT_TRUE(clickBox(num("CB", 10 * t + c)));
        }
        EXPECT_TRUE(ticked(all));
        const auto bit = static_cast<std::uint16_t>(1u << t);
        EXPECT_EQ(fileOrder(state().masks), (HeaderMasks{0, bit, bit, bit, bit, bit, 0, bit, bit}));

        ASSERT_TRUE(clickBox(num("CB", 10 * t + 4)));
        EXPECT_FALSE(ticked(all));
        EXPECT_EQ(state().masks.armMask, 0);
        EXPECT_EQ(state().masks.rimMask, bit);
        ASSERT_TRUE(clickBox(num("CB", 10 * t + 4)));
        EXPECT_TRUE(ticked(all));

        // Back to nothing, box by box.
        for (int c = 1; c <= 7; ++c) ASSERT_TRUE(clickBox(num("CB", 10 * t + c)));
        EXPECT_FALSE(ticked(all));
        EXPECT_EQ(tickedBoxes(), kNone);
    }
}

TEST_F(SaveWindow, TeamRowAllGivesItsStateToItsRowOnly) {
    ASSERT_TRUE(openWindow());
    ASSERT_TRUE(clickBox("CB103"));
    ASSERT_TRUE(clickBox("CBA101"));
    EXPECT_EQ(tickedBoxes(), (std::vector<std::string>{"CB101", "CB102", "CB103", "CB104", "CB105", "CB106", "CB107", "CBA101"}));
    EXPECT_EQ(fileOrder(state().masks), (HeaderMasks{0, 0x0400, 0x0400, 0x0400, 0x0400, 0x0400, 0, 0x0400, 0x0400}));

    ASSERT_TRUE(clickBox("CBA41"));
    EXPECT_TRUE(ticked("CB41"));
    EXPECT_TRUE(ticked("CB47"));
    EXPECT_FALSE(ticked("CB51"));
    EXPECT_FALSE(ticked("CB37"));
    EXPECT_EQ(state().masks.nameMask, 0x0410);

    ASSERT_TRUE(clickBox("CBA101"));
    EXPECT_EQ(tickedBoxes(), (std::vector<std::string>{"CB41", "CB42", "CB43", "CB44", "CB45", "CB46", "CB47", "CBA41"}));
    EXPECT_EQ(fileOrder(state().masks), (HeaderMasks{0, 0x0010, 0x0010, 0x0010, 0x0010, 0x0010, 0, 0x0010, 0x0010}));
}

TEST_F(SaveWindow, ToggleTicksFirstThenAlternates) {
    ASSERT_TRUE(openWindow());
    ASSERT_TRUE(clickBox("CB57"));
    ASSERT_TRUE(toggle());
    EXPECT_EQ(untickedBoxes(), kNone);
    EXPECT_EQ(window().get("LMDButton2").caption, "Unselect ALL");
    EXPECT_EQ(state().AllSelected, 1);
    EXPECT_EQ(state().masks.cameraMask, 0x0FFF);
    EXPECT_EQ(state().masks.tcamMask, 0x07FF);
    EXPECT_EQ(state().masks.nameMask, 0x07FF);

    ASSERT_TRUE(toggle());
    EXPECT_EQ(tickedBoxes(), kNone);
    EXPECT_EQ(window().get("LMDButton2").caption, "Select ALL");
    EXPECT_EQ(state().AllSelected, 0);
    EXPECT_EQ(state().masks.cameraMask, 0);
    EXPECT_EQ(state().masks.tcamMask, 0);
    EXPECT_EQ(state().masks.nameMask, 0);
    EXPECT_EQ(state().masks.globalMask & kChaseBit, 0);

    ASSERT_TRUE(toggle());
    EXPECT_EQ(untickedBoxes(), kNone);
    EXPECT_EQ(window().get("LMDButton2").caption, "Unselect ALL");
    EXPECT_EQ(state().AllSelected, 1);
}

TEST_F(SaveWindow, ToggleAfterAnImportUnticksFirst) {
    ASSERT_TRUE(g.importAll());
    ASSERT_TRUE(openWindow());
    ASSERT_TRUE(toggle());
    EXPECT_EQ(tickedBoxes(), kNone);
    EXPECT_EQ(window().get("LMDButton2").caption, "Select ALL");
    EXPECT_EQ(state().AllSelected, 0);
    ASSERT_TRUE(toggle());
    EXPECT_EQ(untickedBoxes(), kNone);
    EXPECT_EQ(window().get("LMDButton2").caption, "Unselect ALL");
}

// ---------------------------------------------------------------- saving

TEST_F(SaveDataSet, EachBoxSetsItsBitAndWritesItsValues) {
    struct Case {
        const char* box;
        HeaderMasks masks;  // file order: cameras, T-cams, helmets, arms, rims, brands, shared, wheels, names
        std::size_t size;
    };
    const Case cases[] = {
        {"CBCam1", {0x0001, 0, 0, 0, 0, 0, 0, 0, 0}, 40},
        {"CBCam2", {0x0002, 0, 0, 0, 0, 0, 0, 0, 0}, 40},
        {"CBCam7", {0x0040, 0, 0, 0, 0, 0, 0, 0, 0}, 40},
        {"CBCam12", {0x0800, 0, 0, 0, 0, 0, 0, 0, 0}, 40},
        {"CBCam13", {0, 0, 0, 0, 0, 0, 0x0001, 0, 0}, 24},
        {"CBSTWheel", {0, 0, 0, 0, 0, 0, 0x0002, 0, 0}, 32},
        {"CBDash", {0, 0, 0, 0, 0, 0, 0x0004, 0, 0}, 32},
        {"CBTyres", {0, 0, 0, 0, 0, 0, 0x0008, 0, 0}, 68},
        {"CB1", {0, 0x0001, 0, 0, 0, 0, 0, 0, 0}, 24},
        {"CB12", {0, 0, 0x0002, 0, 0, 0, 0, 0, 0}, 28},
        {"CB23", {0, 0, 0, 0, 0, 0, 0, 0x0004, 0}, 28},
        {"CB44", {0, 0, 0, 0x0010, 0, 0, 0, 0, 0}, 24},
        {"CB65", {0, 0, 0, 0, 0x0040, 0, 0, 0, 0}, 24},
        {"CB106", {0, 0, 0, 0, 0, 0x0400, 0, 0, 0}, 24},
        {"CB57", {0, 0, 0, 0, 0, 0, 0, 0, 0x0020}, 52},
        {"CBCam14", {0x0FFF, 0, 0, 0, 0, 0, 0x0001, 0, 0}, 20 + 12 * 20 + 4},
        {"CBA31", {0, 0x0008, 0x0008, 0x0008, 0x0008, 0x0008, 0, 0x0008, 0x0008}, 20 + 4 + 8 + 8 + 4 + 4 + 4 + 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        ASSERT_TRUE(clickBox(c.box));
        const fs::path file = out("one.car");
        ASSERT_TRUE(saveAs(file));
        EXPECT_EQ(fileOrder(state().masks), c.masks);
        const Bytes b = readBytes(file);
        ASSERT_EQ(b.size(), c.size);
        EXPECT_EQ(u16At(b, 0), 4);
        EXPECT_EQ(headerOf(b), c.masks);
        EXPECT_EQ(status(), "Car datas saved");
        ASSERT_TRUE(openWindow());
        ASSERT_TRUE(clickBox(c.box));
        ASSERT_EQ(tickedBoxes(), kNone);
    }
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST_F(SaveDataSet, EachCameraBoxWritesItsRowInCarForm) {
    // Box, the field number of its row's X (the others follow in steps of
    // ten), the record it selects.
    struct Row {
        const char* box;
        int base;
        int record;
    };
    const Row rows[] = {
        {"CBCam1", 105, 0}, {"CBCam2", 1, 1},  {"CBCam3", 2, 2},   {"CBCam4", 3, 3},
        {"CBCam5", 4, 4},   {"CBCam6", 5, 5},  {"CBCam7", 6, 6},   {"CBCam8", 7, 7},
        {"CBCam9", 8, 8},   {"CBCam10", 9, 9}, {"CBCam11", 10, 10}, {"CBCam12", 106, 11},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.box);
        const int k = r.record;
        const std::array<int, 10> values{10 + k, 20 + k, -30 - k, 40 + k, -k, 3 + k, 1, 2 + k, 0, 100 + k};
        for (int j = 0; j < 10; ++j) {
            std::string field = num("LMDEdit", r.base + 10 * j);
            // The T-Cam row's Y and Z are team 0's T-Cam fields.
            if (r.base == 106 && j == 1) field = "LMDTC0";
            if (r.base == 106 && j == 2) field = "LMDTC20";
            g.edit(field, std::to_string(values[static_cast<std::size_t>(j)]));
        }
        ASSERT_TRUE(openWindow());
        ASSERT_TRUE(clickBox(r.box));
        const fs::path file = out("camera.car");
        ASSERT_TRUE(saveAs(file));

        Expected e;
        HeaderMasks masks{};
        masks[0] = static_cast<std::uint16_t>(1u << k);
        e.header(masks);
        e.i16(values[0]);
        e.i16(values[2]);
        e.i16(values[1] - (k == 0 ? 5 : 0));
        for (std::size_t j = 3; j < 6; ++j) e.i16(182 * values[j]);
        for (std::size_t j = 6; j < 10; ++j) e.i16(values[j]);
        EXPECT_EQ(readBytes(file), e.b);

        ASSERT_TRUE(openWindow());
        ASSERT_TRUE(clickBox(r.box));
    }
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST_F(SaveDataSet, SmallSelectionGivesExactBytes) {
    const std::vector<std::pair<const char*, const char*>> fields{
        {"LMDEdit105", "12"}, {"LMDEdit115", "20"}, {"LMDEdit125", "-30"}, {"LMDEdit135", "45"},
        {"LMDEdit145", "-3"}, {"LMDEdit155", "2"},  {"LMDEdit165", "1"},   {"LMDEdit175", "72"},
        {"LMDEdit185", "0"},  {"LMDEdit195", "5"},  {"LMDEdit101", "-768"}, {"LMDEdit102", "192"},
        {"LMDHP3", "-26"},    {"LMDHP23", "2"},     {"LMDTC3", "-70"},      {"LMDTC23", "60"},
    };
    for (const auto& [name, text] : fields) g.edit(name, text);
    g.setColour("PanelAC3", 0x00563412);  // panels are 0x00BBGGRR
    g.setColour("PanelRC8", 0x00ABCDEF);
    g.setPosition("UpDown4", 1);
    g.setPosition("UpDown2", 2);

    ASSERT_TRUE(openWindow());
    for (const char* name : {"CBCam1", "CBCam13", "CB31", "CB32", "CB34", "CB36", "CB16", "CB85", "CB37", "CB57"}) {
        ASSERT_TRUE(clickBox(name)) << name;
    }
    const fs::path file = out("small.car");
    ASSERT_TRUE(saveAs(file));
    EXPECT_TRUE(g.ui.errors().empty());
    EXPECT_EQ(status(), "Car datas saved");

    Expected e;
    e.header({0x0001, 0x0008, 0x0008, 0x0008, 0x0100, 0x000A, 0x0001, 0, 0x0028});
    // The cockpit record: X, Z, Y less 5, angles in 182nds, details.
    for (int v : {12, -30, 15, 45 * 182, -3 * 182, 2 * 182, 1, 72, 0, 5}) e.i16(v);
    e.i16(-768);  // the chase pair as shown
    e.i16(192);
    e.i16(60 * 2 - 122);  // team 3's T-cam: Z, then Y
    e.i16(-70 * 2 + 160);
    e.f32(0.02f);  // team 3's helmet: Z, then Y
    e.f32(-0.26f);
    e.u32(0xFF123456);  // team 3's arms
    e.u32(0x00EFCDAB);  // team 8's rims
    e.u32(1);           // brands, highest team first: team 3, then team 1
    e.u32(2);
    e.text(g.editor.game.names[0], 32);  // two name boxes: the first two teams' names
    e.text(g.editor.game.names[1], 32);
    EXPECT_EQ(readBytes(file), e.b);
    EXPECT_EQ(g.editor.game.names[1], "Bluefern Motorsport");
}

TEST_F(SaveDataSet, NameBoxesWriteTheNamesOfTheFirstTeams) {
    struct Case {
        std::vector<const char*> boxes;
        std::size_t count;
    };
    const Case cases[] = {
        {{"CB57"}, 1},
        {{"CB7"}, 1},
        {{"CB107", "CB17", "CB67"}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.boxes.front());
        for (const char* b : c.boxes) ASSERT_TRUE(clickBox(b));
        const fs::path file = out("names.car");
        ASSERT_TRUE(saveAs(file));
        const Bytes b = readBytes(file);
        ASSERT_EQ(b.size(), 20 + 32 * c.count);
        for (std::size_t t = 0; t < c.count; ++t) {
            EXPECT_EQ(textAt(b, 20 + 32 * t, 32), padded(g.editor.game.names[t], 32)) << t;
        }
        ASSERT_TRUE(openWindow());
        for (const char* n : c.boxes) ASSERT_TRUE(clickBox(n));
    }
}

TEST_F(SaveDataSet, NothingTickedWritesTheHeaderAlone) {
    const fs::path file = out("empty.car");
    writeBytes(file, Bytes(100, 0xAA));
    ASSERT_TRUE(saveAs(file));
    Expected e;
    e.header({});
    EXPECT_EQ(readBytes(file), e.b);
    EXPECT_EQ(status(), "Car datas saved");
    EXPECT_TRUE(temporaryLeftovers(file.string()).empty());
}

TEST_F(SaveDataSet, EverythingTickedAfterAnImportWritesTheWholeFile) {
    g.setPosition("UpDown2", 2);
    g.setPosition("UpDown10", 1);
    g.setPosition("UpDown11", 0);
    ASSERT_TRUE(toggle());
    ASSERT_EQ(untickedBoxes(), kNone);
    const fs::path file = out("all.car");
    ASSERT_TRUE(saveAs(file));
    const Bytes b = readBytes(file);
    ASSERT_EQ(b.size(), 1040u);
    EXPECT_EQ(u16At(b, 0), 4);
    EXPECT_EQ(headerOf(b), (HeaderMasks{0x0FFF, 0x07FF, 0x07FF, 0x07FF, 0x07FF, 0x07FF, 0x000F, 0x07FF, 0x07FF}));

    // Brands after cameras, chase, T-cams, helmets, wheels, arms, rims; team 10 first.
    const std::size_t brands = 20 + 240 + 4 + 44 + 88 + 88 + 44 + 44;
    EXPECT_EQ(u32At(b, brands + 4 * 0), 0u);  // team 10
    EXPECT_EQ(u32At(b, brands + 4 * 1), 1u);  // team 9
    EXPECT_EQ(u32At(b, brands + 4 * 9), 2u);  // team 1
    // Then the tyres, the dashboard, the wheel as GameData holds them.
    const GameData& game = g.editor.game;
    EXPECT_EQ(f32At(b, brands + 44), game.tyres[0][0]);
    EXPECT_EQ(f32At(b, brands + 44 + 44), game.tyres[3][2]);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(f32At(b, brands + 44 + 48 + 4 * i), game.cockpit[i]) << i;
    // The eleven names in team order; a name of 32 letters fills its record.
    for (std::size_t t = 0; t < 11; ++t) {
        EXPECT_EQ(textAt(b, 1040 - 352 + 32 * t, 32), padded(g.editor.game.names[t], 32)) << t;
    }
    EXPECT_EQ(textAt(b, 1040 - 352 + 32 * 7, 32), "Saltmarsh Halvard Engineering Gp");

    // Everything the file holds is what the sheet shows.
    const CarDataFile read = decodeCarData(b);
    EXPECT_EQ(read.outcome, CarDataFile::Outcome::Complete);
    ASSERT_EQ(read.arms.size(), 11u);
    for (const auto& [t, colour] : read.arms) EXPECT_EQ(colour, game.arms[static_cast<std::size_t>(t)]) << t;
    EXPECT_EQ(read.arms.front().first, 10);
    ASSERT_TRUE(read.chase.has_value());
    EXPECT_EQ(*read.chase, (std::array<std::int16_t, 2>{static_cast<std::int16_t>(std::stoi(g.text("LMDEdit101"))),
                                                        static_cast<std::int16_t>(std::stoi(g.text("LMDEdit102")))}));
}

TEST_F(SaveDataSet, AsksForTheFileAndDoesNothingWhenCancelled) {
    g.editor.setStatus("before");
    const auto files = folderState(g.folder());
    ASSERT_TRUE(clickBox("CBCam1"));
    ASSERT_TRUE(openWindow());
    ASSERT_TRUE(window().visible());

    ASSERT_TRUE(clickBox("LMDButton1"));  // no answer: the dialog is cancelled
    EXPECT_FALSE(window().visible());
    ASSERT_EQ(g.ui.dialogs().size(), 1u);
    const ScriptedUi::DialogSeen& d = g.ui.dialogs()[0];
    EXPECT_EQ(d.kind, "save");
    EXPECT_EQ(d.file.title, "Save CamSet");
    EXPECT_EQ(d.file.filter, "Car data File (*.car)|*.car|CamSet File (*.cam)|*.cam");
    EXPECT_EQ(d.file.defaultExt, "car");
    EXPECT_EQ(status(), "before");

    ASSERT_TRUE(saveAs("", 1));  // an empty name
    EXPECT_EQ(g.ui.dialogs().size(), 2u);
    EXPECT_EQ(status(), "before");
    EXPECT_EQ(folderState(g.folder()), files);
    EXPECT_TRUE(g.ui.errors().empty());
    // The ticks stay for the next save.
    EXPECT_EQ(tickedBoxes(), std::vector<std::string>{"CBCam1"});
}

TEST_F(SaveDataSet, CamSetFilterWritesEveryCameraInGameForm) {
    const std::vector<std::pair<const char*, const char*>> fields{
        {"LMDEdit105", "3"},  {"LMDEdit115", "20"}, {"LMDEdit125", "-7"}, {"LMDEdit135", "10"},
        {"LMDEdit145", "-2"}, {"LMDEdit155", "1"},  {"LMDEdit165", "4"},  {"LMDEdit175", "72"},
        {"LMDEdit185", "6"},  {"LMDEdit195", "8"},  {"LMDEdit106", "-9"}, {"LMDTC0", "-62"},
        {"LMDTC20", "63"},    {"LMDEdit136", "5"},  {"LMDEdit101", "-768"}, {"LMDEdit102", "192"},
        {"LMDEdit1", "11"},   {"LMDEdit11", "-12"}, {"LMDEdit21", "13"},
    };
    for (const auto& [name, text] : fields) g.edit(name, text);
    ASSERT_TRUE(openWindow());
    ASSERT_TRUE(clickBox("CB57"));  // the ticks do not matter
    const fs::path file = out("set.cam");
    ASSERT_TRUE(saveAs(file, 2));
    EXPECT_TRUE(g.ui.errors().empty());
    EXPECT_EQ(status(), "Camset saved");
    const Bytes b = readBytes(file);
    ASSERT_EQ(b.size(), 244u);

    Expected cockpit;
    for (int v : {6, -14, 40, 1820, -364, 182, 4, 72, 6, 8}) cockpit.i16(v);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 20), cockpit.b);
    // Record 1 is the "Camera 10" row; record 11 the T-Cam row.
    EXPECT_EQ(i16At(b, 20), 22);
    EXPECT_EQ(i16At(b, 22), 26);
    EXPECT_EQ(i16At(b, 24), -24);
    EXPECT_EQ(i16At(b, 220), -18);
    EXPECT_EQ(i16At(b, 222), 126);
    EXPECT_EQ(i16At(b, 224), -124);
    EXPECT_EQ(i16At(b, 226), 910);
    EXPECT_EQ(i16At(b, 240), -1536);
    EXPECT_EQ(i16At(b, 242), 384);
    // Every record as the sheet shows it, read back in game form.
    const CameraSetFile read = decodeCameraSet(b);
    ASSERT_EQ(read.records.size(), 12u);
    for (int k = 0; k < 12; ++k) {
        const int base = k == 0 ? 105 : k == 11 ? 106 : k;
        EXPECT_EQ(read.records[static_cast<std::size_t>(k)][0], 2 * std::stoi(g.text(num("LMDEdit", base)))) << k;
        EXPECT_EQ(read.records[static_cast<std::size_t>(k)][9], std::stoi(g.text(num("LMDEdit", base + 90)))) << k;
    }

    // The same cockpit in car form: Y less 5, not doubled.
    ASSERT_TRUE(openWindow());
    ASSERT_TRUE(clickBox("CB57"));
    ASSERT_TRUE(clickBox("CBCam1"));
    const fs::path car = out("cockpit.car");
    ASSERT_TRUE(saveAs(car, 1));
    const Bytes c = readBytes(car);
    ASSERT_EQ(c.size(), 40u);
    EXPECT_EQ(i16At(c, 20), 3);
    EXPECT_EQ(i16At(c, 22), -7);
    EXPECT_EQ(i16At(c, 24), 15);
    EXPECT_EQ(status(), "Car datas saved");
}

TEST_F(SaveDataSet, TheFilterDecidesTheKindNotTheName) {
    struct Case {
        const char* name;
        int filter;
        std::size_t size;
        const char* status;
    };
    const Case cases[] = {
        {"a.cam", 1, 20, "Car datas saved"},
        {"b.car", 2, 244, "Camset saved"},
        {"c.txt", 2, 244, "Camset saved"},
        {"d", 1, 20, "Car datas saved"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g.editor.setStatus("");
        ASSERT_TRUE(saveAs(out(c.name), c.filter));
        const Bytes b = readBytes(out(c.name));
        EXPECT_EQ(b.size(), c.size);
        if (c.filter == 1) {
            EXPECT_EQ(u16At(b, 0), 4);
        }
        EXPECT_EQ(status(), c.status);
    }
    EXPECT_FALSE(fs::exists(out("d.car")));
}

TEST_F(SaveDataSet, FieldThatDoesNotConvertStopsTheSaveBeforeTheDialog) {
    struct Case {
        const char* field;
        const char* text;
    };
    const Case cases[] = {
        {"LMDHP3", "abc"},      // a helmet value
        {"LMDEdit115", ""},     // the cockpit row's Y
        {"LMDEdit101", "1.5"},  // a chase camera
        {"LMDTC20", "x"},       // team 0's T-cam, which is also the T-Cam row's Z
        {"LMDEW7", "wheel"},    // a decimal field
        {"LMDTC10", "-"},       // the last team's T-cam
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        const std::string before = g.text(c.field);
        g.edit(c.field, c.text);
        ASSERT_TRUE(openWindow());
        g.editor.setStatus("kept");
        const std::size_t errors = g.ui.errors().size();
        const std::size_t dialogs = g.ui.dialogs().size();
        const fs::path file = out("never.car");

        EXPECT_FALSE(saveAs(file, 1));
        ASSERT_EQ(g.ui.errors().size(), errors + 1);
        EXPECT_NE(g.ui.errors().back().find("'" + std::string(c.text) + "'"), std::string::npos) << g.ui.errors().back();
        EXPECT_EQ(g.ui.dialogs().size(), dialogs);
        EXPECT_FALSE(fs::exists(file));
        EXPECT_TRUE(temporaryLeftovers(file.string()).empty());
        EXPECT_EQ(status(), "kept");
        EXPECT_FALSE(window().visible());

        // Put right, the same answer saves.
        g.edit(c.field, before);
        ASSERT_TRUE(openWindow());
        ASSERT_TRUE(clickBox("LMDButton1"));
        EXPECT_EQ(g.ui.queuedAnswers(), 0u);
        EXPECT_TRUE(fs::exists(file));
        fs::remove(file);
    }
}

TEST_F(SaveDataSet, FailedSaveLeavesTheFolderAsItWas) {
    struct Case {
        const char* what;
        std::function<fs::path(const fs::path&)> prepare;  // gives the path to save to
        const char* error;
    };
    const Case cases[] = {
        {"missing folder", [](const fs::path& d) { return d / "no such folder" / "set.car"; }, "File not found"},
        {"folder in the file's place",
         [](const fs::path& d) {
             fs::create_directory(d / "set.car");
             writeBytes(d / "set.car" / "inside", Bytes{7});
             return d / "set.car";
         },
         "Not a regular file"},
    };
    ASSERT_TRUE(clickBox("CBCam14"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path dir = g.folder() / "out" / c.what;
        fs::create_directories(dir);
        const fs::path target = c.prepare(dir);
        const auto before = folderState(dir);
        g.editor.setStatus("kept");
        const std::size_t errors = g.ui.errors().size();

        ASSERT_TRUE(openWindow());
        EXPECT_FALSE(saveAs(target));
        ASSERT_EQ(g.ui.errors().size(), errors + 1);
        EXPECT_EQ(g.ui.errors().back(), c.error);
        EXPECT_EQ(folderState(dir), before);
        EXPECT_EQ(status(), "kept");
    }
}

#ifndef _WIN32  // POSIX folder modes
TEST_F(SaveDataSet, FailedSaveInAReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not hold for root";
    const fs::path dir = g.folder() / "locked";
    fs::create_directory(dir);
    const Bytes old{4, 0, 1, 0, 9, 9};
    writeBytes(dir / "set.car", old);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);

    ASSERT_TRUE(clickBox("CBTyres"));
    EXPECT_FALSE(saveAs(dir / "set.car"));
    ASSERT_EQ(g.ui.errors().size(), 1u);
    EXPECT_EQ(g.ui.errors().back(), "Access denied");
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_EQ(readBytes(dir / "set.car"), old);
    EXPECT_EQ(folderState(dir).size(), 1u);
    EXPECT_NE(status(), "Car datas saved");
}
#endif

}  // namespace

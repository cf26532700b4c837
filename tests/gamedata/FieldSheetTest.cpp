#include <gtest/gtest.h>

#include <string>

#include "base/Errors.h"
#include "form/Form.h"
#include "game/TeamNames.h"
#include "gamedata/FieldSheet.h"

using namespace varnisk;

namespace {

struct Sheet : ::testing::Test {
    Form form{"TForm1", "Varnisk 6.6"};
    void SetUp() override { buildFieldSheet(form); }
    Control& get(const std::string& name) { return form.get(name); }
    std::string name(const char* family, int n) { return family + std::to_string(n); }
};

}  // namespace

TEST_F(Sheet, CameraRowsHoldTheirRecordsInTheSheetsOrder) {
    EXPECT_EQ(cameraRowBase(0), 105);
    EXPECT_EQ(cameraRowBase(1), 1);  // the "Camera 10" row
    EXPECT_EQ(cameraRowBase(2), 2);  // the "Camera 1" row
    EXPECT_EQ(cameraRowBase(11), 106);
    // Every camera field of the Cameras tab starts at "0", every detail empty.
    for (int record = 0; record < 12; ++record) {
        int base = cameraRowBase(record);
        for (int column = 0; column < 10; ++column) {
            int n = base + 10 * column;
            if (n == 116 || n == 126) {
                EXPECT_EQ(form.find(name("LMDEdit", n)), nullptr);
                continue;
            }
            EXPECT_EQ(get(name("LMDEdit", n)).text, column < 6 ? "0" : "") << n;
        }
    }
    EXPECT_EQ(get("LMDEdit101").text, "0");
    EXPECT_EQ(get("LMDEdit102").text, "0");
    // Rows run top to bottom Cockpit, T-Cam, Camera 1 .. Camera 10.
    EXPECT_LT(get("LMDEdit105").bounds.top, get("LMDEdit106").bounds.top);
    EXPECT_LT(get("LMDEdit106").bounds.top, get("LMDEdit2").bounds.top);
    EXPECT_LT(get("LMDEdit10").bounds.top, get("LMDEdit1").bounds.top);
}

TEST_F(Sheet, TheTCamRowShowsItsNoteInPlaceOfYAndZ) {
    Control& note = get("LMDEdit103");
    EXPECT_EQ(note.text, "T-Cam Tab");
    EXPECT_FALSE(note.enabled);
    EXPECT_EQ(note.align, Align::Center);
    EXPECT_EQ(note.bounds.top, get("LMDEdit106").bounds.top);
}

TEST_F(Sheet, TheCamera8RowHasItsWheelFieldsExchanged) {
    // Record 9 ("Camera 8"): LMDEdit99 stands in the Rear column, LMDEdit89 in the Front.
    EXPECT_EQ(get("LMDEdit99").bounds.left, get("LMDEdit88").bounds.left);
    EXPECT_EQ(get("LMDEdit89").bounds.left, get("LMDEdit98").bounds.left);
    EXPECT_LT(get("LMDEdit99").bounds.left, get("LMDEdit89").bounds.left);
}

TEST_F(Sheet, PerTeamFamiliesStartAsTheyShould) {
    for (int t = 0; t < kTeamCount; ++t) {
        for (const char* family : {"LMDTC", "LMDEW", "LMDHP"}) {
            EXPECT_EQ(get(name(family, t)).text, "");
            EXPECT_EQ(get(name(family, t + 20)).text, "");
        }
        const std::string& teamName = kDefaultTeamNames[static_cast<std::size_t>(t)];
        EXPECT_EQ(get(name("Panel", t + 46)).caption, teamName);
        EXPECT_EQ(get(name("PanelTC", t)).caption, teamName);
        EXPECT_EQ(get(name("PanelTT", t + 1)).caption, teamName);
        EXPECT_EQ(get(name("OrigName", t)).caption, teamName);
        EXPECT_EQ(get(name("Panel", t + 88)).caption, "Team " + std::to_string(t + 1));
        EXPECT_EQ(get(name("PanelTT", t + 21)).caption, "Bridgestone");

        Control& slot = get(name("LMDSlot", t));
        EXPECT_EQ(slot.text, "");
        EXPECT_EQ(slot.maxLength, 32);

        Control& brand = get(name("UpDown", t + 1));
        EXPECT_EQ(brand.position, 0);
        EXPECT_EQ(brand.min, 0);
        EXPECT_EQ(brand.max, t == 1 ? 2 : 1);

        for (const char* family : {"PanelAC", "PanelRC"}) {
            EXPECT_EQ(get(name(family, t)).kind, ControlKind::Colour);
            EXPECT_TRUE(get(name(family, t)).enabled);
        }
        EXPECT_TRUE(get(name("PanelAC", t + 20)).enabled);
        EXPECT_EQ(get(name("PanelRC", t + 20)).enabled, t == 0);  // PanelRC21 .. PanelRC30 start disabled
    }
    for (int n = 1; n <= 12; ++n) EXPECT_EQ(get(name("LMDTP", n)).kind, ControlKind::Edit);
    for (const char* family : {"LMDSW", "LMDDB"}) {
        for (int n = 0; n < 3; ++n) EXPECT_EQ(get(name(family, n)).kind, ControlKind::Edit);
    }
}

TEST_F(Sheet, TabsAndTheTeamOperationGroup) {
    Control& pages = get("Onglets");
    EXPECT_EQ(pages.items, (std::vector<std::string>{"Cameras", "External", "Cockpit", "Tyres", "Details", "Slots"}));
    EXPECT_EQ(pages.index, 0);
    EXPECT_EQ(pages.bounds.width, 276);

    Control& op = get("LMDTeamOp");
    EXPECT_EQ(op.items, (std::vector<std::string>{"Copy", "Swap"}));
    EXPECT_EQ(op.index, 0);
    EXPECT_EQ(get("Label1").caption, "from");
    EXPECT_EQ(get("Label1").bounds.left, 80);
    EXPECT_EQ(get("Label2").caption, "to");
    EXPECT_EQ(get("Label2").bounds.left, 152);
    for (const char* box : {"LMDTeam1", "LMDTeam2"}) {
        EXPECT_EQ(get(box).index, -1);
        ASSERT_EQ(get(box).items.size(), 11u);
        EXPECT_EQ(get(box).items[10], "Team 11");
    }
    struct ButtonCase { const char* name; const char* caption; };
    for (ButtonCase b : {ButtonCase{"DefaultButton", "Default"}, {"Switch", "Rear Cam"}, {"DefaultTC", "Default T-Cam"},
                         {"LMDButton6", "Default Wheel"}, {"DefaultTP", "Default"}, {"LMDButton1", "Default Brands"},
                         {"LMDButton3", "Default Rims"}, {"LMDButton2", "Default Arms"}, {"LMDButton5", "Default Helmet"},
                         {"DefaultWheelButton", "Default Cockpit"}, {"LMDButton7", "Default"}, {"LMDButton8", "Apply"},
                         {"AboutButton", "Credits"}}) {
        EXPECT_EQ(get(b.name).caption, b.caption) << b.name;
        EXPECT_EQ(get(b.name).kind, ControlKind::Button) << b.name;
    }
}

TEST_F(Sheet, CameraAccessorsAndTheTCamNumbers) {
    setCamField(form, 12, 40);
    EXPECT_EQ(get("LMDEdit12").text, "40");
    EXPECT_EQ(getCamField(form, 12), 40);
    setCamField(form, 35, -2.5L);
    EXPECT_EQ(get("LMDEdit35").text, "-2.5");
    EXPECT_THROW(getCamField(form, 35), ConversionError);

    // 116 and 126 name no field: writes do nothing, reads take team 0's T-cam.
    int changes = 0;
    for (const auto& c : form.controls()) {
        if (c->kind == ControlKind::Edit) c->on.change = [&](Control&) { ++changes; };
    }
    setCamField(form, 116, 7);
    setCamField(form, 126, 7);
    EXPECT_EQ(changes, 0);
    EXPECT_THROW(getCamField(form, 116), ConversionError);  // empty before any import: no zero
    form.setText(get("LMDTC0"), "-62");
    form.setText(get("LMDTC20"), "63");
    EXPECT_EQ(getCamField(form, 116), -62);
    EXPECT_EQ(getCamField(form, 126), 63);
}

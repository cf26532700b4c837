#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "editing/PreviewFeed.h"
#include "numeric/Numbers.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

struct Feed : ::testing::Test {
    TestGame g;

    void SetUp() override { ASSERT_TRUE(g.importAll()); }

    // Types into a field key by key, each key its own event.
    void typeKeys(std::string_view name, std::string_view keys) {
        for (char k : keys) g.editor.dispatch([&] { g.editor.main.userTypeKey(g.get(name), k); });
    }
    const GameData& game() { return g.editor.game; }
    const PreviewState& preview() { return g.editor.preview; }
};

}  // namespace

// ---------------------------------------------------------------- cockpit

TEST_F(Feed, TheSteeringWheelFollowsItsFieldsOnceTheyHoldANumber) {
    g.edit("LMDSW1", "");
    const float before = game().cockpit[5];
    typeKeys("LMDSW1", "-");
    EXPECT_EQ(game().cockpit[5], before);
    g.edit("LMDSW1", "");

    typeKeys("LMDSW1", "4");
    EXPECT_EQ(game().cockpit[5], toFloat32((4 - 90) / 100.0L));
    const int repaints = g.ui.repaints();
    typeKeys("LMDSW1", ".");  // a point with no digit after it yet
    EXPECT_EQ(game().cockpit[5], toFloat32((4 - 90) / 100.0L));
    EXPECT_EQ(g.ui.repaints(), repaints);
    typeKeys("LMDSW1", "5");
    EXPECT_EQ(game().cockpit[5], toFloat32((4.5L - 90) / 100.0L));
    EXPECT_TRUE(g.ui.errors().empty());

    g.edit("LMDSW1", "45");
    g.edit("LMDSW0", "-0.6");
    g.edit("LMDSW2", "3");
    EXPECT_EQ(game().cockpit[5], -0.45f);
    EXPECT_EQ(game().cockpit[3], -0.006f);
    EXPECT_EQ(game().cockpit[4], 0.03f);
    // The preview turns to the cockpit camera, and a view drag moves it.
    EXPECT_EQ(g.editor.CurrentCamField, 105);
    EXPECT_EQ(g.editor.drag.PressedCamField, "LMDEdit105");
}

TEST_F(Feed, TheDashboardFollowsItsFieldsAndAsksForItsShapeAgain) {
    g.editor.preview.ReloadDashboard = false;
    g.edit("LMDDB1", "62.5");
    g.edit("LMDDB0", "-0.6");
    g.edit("LMDDB2", "13");
    EXPECT_EQ(game().cockpit[2], -0.005f);
    EXPECT_EQ(game().cockpit[0], -0.006f);
    EXPECT_EQ(game().cockpit[1], 0.05f);
    EXPECT_TRUE(preview().ReloadDashboard);
}

TEST_F(Feed, ACockpitEditReachesTheGameThroughExport) {
    const Bytes before = g.exe();
    g.edit("LMDSW1", "45");
    g.edit("LMDDB2", "13");
    ASSERT_TRUE(g.exportAll());
    const Bytes exe = g.exe();
    const gg::ExeLayout l = g.layout();
    EXPECT_EQ(f32At(exe, l.cockpit + gg::kCockpitFieldOffsets[5]), -0.45f);
    EXPECT_EQ(f32At(exe, l.cockpit + gg::kCockpitFieldOffsets[1]), 0.05f);
    // The handler takes the wheel from all three of its fields, rounded as
    // they show it; the two nobody edited keep the game's own floats.
    EXPECT_EQ(game().cockpit[3], toFloat32(parseFloat(g.text("LMDSW0")) / 100));
    EXPECT_EQ(f32At(exe, l.cockpit + gg::kCockpitFieldOffsets[3]), f32At(before, l.cockpit + gg::kCockpitFieldOffsets[3]));
    EXPECT_EQ(f32At(exe, l.cockpit + gg::kCockpitFieldOffsets[4]), f32At(before, l.cockpit + gg::kCockpitFieldOffsets[4]));
}

// ---------------------------------------------------------------- tyres

TEST_F(Feed, ATyreFieldGivesAllFourRecordsFromTheFields) {
    const std::array<const char*, 12> texts = {"70", "114", "-23", "-72", "114", "-23",
                                               "70", "-181", "-23", "-71", "-181", "-23"};
    for (int n = 1; n <= 12; ++n) g.edit(num("LMDTP", n), texts[static_cast<std::size_t>(n - 1)]);
    // Tyre j's record: X field, then Z field, then Y field, in hundredths.
    EXPECT_EQ(game().tyres[0], (GameData::TyreRecord{0.7f, -0.23f, 1.14f}));
    EXPECT_EQ(game().tyres[1], (GameData::TyreRecord{-0.72f, -0.23f, 1.14f}));
    EXPECT_EQ(game().tyres[3], (GameData::TyreRecord{-0.71f, -0.23f, -1.81f}));

    g.edit("LMDTP4", "-80");
    ASSERT_TRUE(g.exportAll());
    EXPECT_EQ(f32At(g.wad(), gg::collisionEntryOffset(g.spec) + gg::kTyreRecordOffsets[1]), -0.8f);
}

// A tyre field holds a decimal number of hundredths: its keys let a point
// through and a drag leaves fractions in it. The texts below are ones an
// integer reading would refuse or read otherwise; the preview's record and
// the float the export writes both take the decimal value.
TEST_F(Feed, ATyreFieldIsReadAsADecimalNumberByThePreviewAndTheExportAlike) {
    struct Case { const char* text; float stored; };
    const std::uint64_t at = gg::collisionEntryOffset(g.spec) + gg::kTyreRecordOffsets[1];
    for (const Case& c : {Case{"12.5", 0.125f}, Case{"1e3", 10.0f}, Case{"3000000000", 3e7f}, Case{" 7 ", 0.07f},
                          Case{"-0.004", -0.00004f}, Case{"66", 0.66f}}) {
        g.edit("LMDTP4", c.text);  // tyre 1's X: the record's first float
        EXPECT_EQ(game().tyres[1][0], c.stored) << c.text;
        ASSERT_TRUE(g.exportAll()) << c.text;
        EXPECT_TRUE(g.ui.errors().empty()) << c.text << ": " << g.ui.errors().back();
        EXPECT_EQ(f32At(g.wad(), at), c.stored) << c.text;
    }
}

TEST_F(Feed, ATyreFieldThatHoldsNoNumberLeavesEveryRecord) {
    const auto before = game().tyres;
    g.edit("LMDTP5", "1.2.3");
    EXPECT_EQ(g.ui.errors().back(), "'1.2.3' is not a valid floating point value");
    g.edit("LMDTP2", "55");  // another field's change meets the bad one too
    EXPECT_EQ(game().tyres, before);
}

// ---------------------------------------------------------------- per team

TEST_F(Feed, AHelmetFieldShowsItsTeam) {
    g.edit("LMDHP23", "7");
    EXPECT_EQ(preview().LastShownTeam, 3);
    EXPECT_TRUE(preview().ReloadCarShape);
    EXPECT_EQ(preview().HelmetOffset, (std::array<float, 2>{toFloat32(std::stoi(g.text("LMDHP3")) / 100.0L), 0.07f}));
    EXPECT_EQ(preview().CarTeamKey, game().names[3]);
}

TEST_F(Feed, TheExternalWheelAddsTheGamesReferencePair) {
    g.edit("LMDEW5", "20");
    g.edit("LMDEW25", "-40");
    const std::array<float, 2> ref = game().wheelRef;
    EXPECT_EQ(preview().ExtWheelOffset, (std::array<float, 2>{toFloat32(0.1L + ref[0]), toFloat32(-0.2L + ref[1])}));
    EXPECT_EQ(preview().LastShownTeam, 5);
}

TEST_F(Feed, ATCamFieldTurnsThePreviewToTheTCam) {
    g.edit("LMDTC28", "70");
    EXPECT_EQ(preview().TCamCache[1], 70);
    EXPECT_EQ(preview().LastShownTeam, 8);
    EXPECT_EQ(g.editor.CurrentCamField, 106);
    EXPECT_EQ(g.editor.drag.PressedCamField, "LMDEdit106");
    // A T-cam field is read as an integer.
    g.edit("LMDTC8", "1.");
    EXPECT_EQ(g.ui.errors().back(), "'1.' is not a valid integer value");
}

TEST_F(Feed, TheHandlersWaitForAReadySheetAndANumber) {
    const PreviewState before = preview();
    for (const char* text : {"", "-"}) {
        g.edit("LMDHP3", text);
        g.edit("LMDTC3", text);
        g.edit("LMDEW3", text);
    }
    g.editor.SheetReady = 0;
    g.edit("LMDHP4", "99");
    g.edit("LMDTP1", "99");
    g.edit("LMDSW0", "99");
    EXPECT_EQ(preview().LastShownTeam, before.LastShownTeam);
    EXPECT_EQ(preview().HelmetOffset, before.HelmetOffset);
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST_F(Feed, CarRefreshHandsOnTheTeamsColoursAndAsksForItsCarOnlyWhenTheTeamChanges) {
    g.setColour("PanelRC6", 0x0000FF);  // pure red
    g.setColour("PanelAC6", 0x00FF8000);
    g.editor.main.setCaption(g.get("Status"), "Import Done");
    g.editor.preview.ReloadCarShape = false;
    ASSERT_TRUE(g.click("PanelRC6"));
    EXPECT_EQ(preview().RimMaterial, (std::array<float, 4>{255 / 256.0f, 0, 0, 1}));
    EXPECT_EQ(preview().ArmMaterial, (std::array<float, 4>{0, 128 / 256.0f, 255 / 256.0f, 1}));
    EXPECT_TRUE(preview().ReloadCarShape);
    EXPECT_EQ(preview().CarTeamKey, game().names[6]);
    EXPECT_EQ(g.caption("Status"), "");

    // Renaming the team on show and showing it again does not reload it.
    g.editor.preview.ReloadCarShape = false;
    g.edit("LMDSlot6", "Other Name");
    ASSERT_TRUE(g.click("LMDSlot6"));
    EXPECT_FALSE(preview().ReloadCarShape);
    EXPECT_EQ(preview().CarTeamKey, "Other Name");
}

TEST_F(Feed, ASecondCarPanelShowsItsTeamWithoutReadingFieldsThatDoNotExist) {
    for (int n : {20, 27, 30}) {
        for (const char* family : {"PanelAC", "PanelRC"}) {
            Control& panel = g.get(num(family, n));
            g.editor.main.setEnabled(panel, true);
            ASSERT_TRUE(g.click(num(family, n))) << family << n;
            EXPECT_EQ(preview().LastShownTeam, n - 20);
        }
    }
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST_F(Feed, SwitchTurnsTheChaseCamera) {
    ASSERT_EQ(g.caption("Switch"), "Rear Cam");
    ASSERT_TRUE(g.click("Switch"));
    EXPECT_EQ(g.caption("Switch"), "Front Cam");
    EXPECT_TRUE(preview().ChaseRear);
    ASSERT_TRUE(g.click("Switch"));
    EXPECT_EQ(g.caption("Switch"), "Rear Cam");
    EXPECT_FALSE(preview().ChaseRear);
    EXPECT_EQ(g.editor.CurrentCamField, 101);
}

TEST(FeedBeforeImport, ARefreshReportsAnEmptyFieldAndKeepsWhatItHandedOn) {
    TestGame g;
    g.editor.main.setText(g.get("LMDHP2"), "10");
    g.editor.main.setText(g.get("LMDHP22"), "20");
    g.editor.SheetReady = 1;
    EXPECT_FALSE(g.click("PanelAC2"));
    EXPECT_EQ(g.ui.errors(), std::vector<std::string>{"'' is not a valid floating point value"});
    EXPECT_EQ(g.editor.preview.HelmetOffset, (std::array<float, 2>{0.1f, 0.2f}));
    EXPECT_EQ(g.editor.preview.LastShownTeam, 0);
}

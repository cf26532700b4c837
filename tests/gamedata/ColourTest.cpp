#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Editor.h"
#include "game/Colours.h"
#include "ui/ScriptedUi.h"

using namespace varnisk;

TEST(Colours, GameAndPanelColoursExchangeRedAndBlue) {
    struct Case { std::uint32_t game; std::uint32_t panel; };
    for (Case c : {Case{0x00123456, 0x00563412}, Case{0xFF123456, 0x00563412}, Case{0xFF000000, 0},
                   Case{0x000000FF, 0x00FF0000}, Case{0xFFFFFFFF, 0x00FFFFFF}, Case{0, 0}}) {
        EXPECT_EQ(gameToColour(c.game), c.panel) << std::hex << c.game;
    }
    struct Back { std::int32_t panel; std::uint32_t game; };
    for (Back c : {Back{0x00563412, 0x00123456}, Back{0x00010101, 0x00010101}, Back{0x00FF0000, 0x000000FF},
                   Back{0x00FFFFFF, 0x00FFFFFF}, Back{0, 0}}) {
        EXPECT_EQ(colourToGame(c.panel), c.game) << std::hex << c.panel;
        EXPECT_EQ(gameToColour(colourToGame(c.panel)), static_cast<std::uint32_t>(c.panel)) << std::hex << c.panel;
    }
}

namespace {

struct ColourDialog : ::testing::Test {
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor{ui, registry, {"/"}};

    Control& panel(const char* name) { return editor.main.get(name); }
    // The click and the double click come as two events, as the window
    // system sends them.
    void doubleClick(const char* name) {
        editor.dispatch([&] { editor.main.userClick(panel(name)); });
        editor.dispatch([&] { editor.main.userDoubleClick(panel(name), false); });
    }
    // Numbers in a team's fields, so that its preview refresh can read them.
    void fillTeam(int t) {
        for (const char* family : {"LMDHP", "LMDEW", "LMDTC"}) {
            for (int n : {t, t + 20}) editor.main.setText(editor.main.get(family + std::to_string(n)), "0");
        }
    }
};

}  // namespace

TEST_F(ColourDialog, OffersThePanelsColourAndTakesTheAnswer) {
    editor.main.setColour(panel("PanelAC3"), 0x0000FF);  // pure red
    fillTeam(3);
    ui.queue(ScriptedUi::ColourAnswer{0x123456});
    doubleClick("PanelAC3");
    ASSERT_EQ(ui.dialogs().size(), 1u);
    EXPECT_EQ(ui.dialogs()[0].kind, "colour");
    EXPECT_EQ(ui.dialogs()[0].colour.colour, 0x0000FFu);
    EXPECT_EQ(ui.dialogs()[0].colour.customColours, std::vector<std::string>{"colorA=0000FF"});
    EXPECT_EQ(panel("PanelAC3").colour, 0x123456u);
    EXPECT_EQ(editor.preview.LastShownTeam, 3);
    EXPECT_TRUE(ui.errors().empty());
}

TEST_F(ColourDialog, PureBlackBecomesAlmostBlackAndCancelKeepsTheColour) {
    fillTeam(7);
    editor.main.setColour(panel("PanelRC7"), 0x00ABCDEF);
    ui.queue(ScriptedUi::Cancel{});
    doubleClick("PanelRC7");
    EXPECT_EQ(panel("PanelRC7").colour, 0x00ABCDEFu);
    EXPECT_EQ(ui.dialogs().back().colour.customColours, std::vector<std::string>{"colorA=ABCDEF"});

    ui.queue(ScriptedUi::ColourAnswer{0});
    doubleClick("PanelRC7");
    EXPECT_EQ(panel("PanelRC7").colour, 0x010101u);
    EXPECT_EQ(ui.dialogs().size(), 2u);
}

TEST_F(ColourDialog, APanelStillShowingTheSystemColourOffersItsValue) {
    ASSERT_EQ(panel("PanelAC0").colour, kButtonFaceColour);
    ui.queue(ScriptedUi::Cancel{});
    doubleClick("PanelAC0");
    // Before any import the team's fields are empty: each refresh reports
    // it, and the dialog opens all the same.
    EXPECT_EQ(ui.errors(), (std::vector<std::string>(2, "'' is not a valid floating point value")));
    ASSERT_EQ(ui.dialogs().size(), 1u);
    EXPECT_EQ(ui.dialogs()[0].colour.customColours, std::vector<std::string>{"colorA=F0F0F0"});
    EXPECT_EQ(panel("PanelAC0").colour, kButtonFaceColour);
}

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "editing/MouseActions.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

// An imported game and the mouse of a person in front of it: every event is
// one operation, as the window sends them, with the cursor where it is put.
struct Mouse : ::testing::Test {
    TestGame g;

    void SetUp() override { ASSERT_TRUE(g.importAll()); }

    bool press(std::string_view name, int x, int y, MouseButton button = MouseButton::Left) {
        g.ui.setCursor({x, y});
        return g.editor.dispatch([&] { g.editor.main.userPress(g.get(name), button); });
    }
    bool move(int x, int y) {
        g.ui.setCursor({x, y});
        return g.editor.dispatch([&] { g.editor.main.userMove(); });
    }
    bool release(int x, int y) {
        g.ui.setCursor({x, y});
        return g.editor.dispatch([&] { g.editor.main.userRelease(); });
    }
    // Sets a field without running its handlers.
    void put(std::string_view name, const std::string& text) {
        const int ready = g.editor.SheetReady;
        g.editor.SheetReady = 0;
        g.editor.main.setText(g.get(name), text);
        g.editor.SheetReady = ready;
    }
    int value(std::string_view name) { return std::stoi(g.text(name)); }
};

}  // namespace

// ---------------------------------------------------------------- key filter

TEST_F(Mouse, TheKeyFilterTakesTheCharactersOfANumberAndBeepsAtTheRest) {
    struct Case { char typed; bool passes; };
    const std::vector<Case> cases = {{'0', true},  {'7', true},  {'-', true},  {'.', true},  {'\b', true},
                                     {'a', false}, {'E', false}, {',', false}, {' ', false}, {'\t', false},
                                     {'+', false}, {'\r', false}};
    for (const char* field : {"LMDEdit12", "LMDEdit101", "LMDTC3", "LMDEW23", "LMDHP0", "LMDTP7", "LMDSW1", "LMDDB2"}) {
        for (const Case& c : cases) {
            const int beeps = g.ui.beeps();
            char result = 0;
            g.editor.dispatch([&] { result = g.editor.main.userKey(g.get(field), c.typed); });
            EXPECT_EQ(result, c.passes ? c.typed : 0) << field << " " << int(c.typed);
            EXPECT_EQ(g.ui.beeps(), beeps + (c.passes ? 0 : 1)) << field << " " << int(c.typed);
        }
    }
}

TEST_F(Mouse, TypingKeepsOnlyTheAcceptedCharactersWhereverTheyStand) {
    struct Case { const char* typed; const char* text; int beeps; };
    for (Case c : {Case{"1.2.3", "1.2.3", 0}, Case{"--5", "--5", 0}, Case{"1,5", "15", 1}, Case{"a-b\b2", "2", 2}}) {
        const int beeps = g.ui.beeps();
        g.editor.dispatch([&] { g.editor.main.userType(g.get("LMDEdit12"), c.typed); });
        EXPECT_EQ(g.text("LMDEdit12"), c.text) << c.typed;
        EXPECT_EQ(g.ui.beeps() - beeps, c.beeps) << c.typed;
    }
}

// ---------------------------------------------------------------- field drags

TEST_F(Mouse, ACameraFieldFollowsTheCursorFromThePressPoint) {
    put("LMDEdit12", "40");
    ASSERT_TRUE(press("LMDEdit12", 100, 100));
    EXPECT_TRUE(g.editor.drag.FieldDragOn);
    ASSERT_TRUE(move(130, 50));
    EXPECT_EQ(g.text("LMDEdit12"), "70");
    ASSERT_TRUE(move(90, 400));  // vertical movement does not count here
    EXPECT_EQ(g.text("LMDEdit12"), "30");
    ASSERT_TRUE(release(90, 400));
    EXPECT_FALSE(g.editor.drag.FieldDragOn);
    ASSERT_TRUE(move(300, 300));  // no button held: nothing moves
    EXPECT_EQ(g.text("LMDEdit12"), "30");
    // The drag reached the preview through the field's change handler.
    EXPECT_EQ(g.editor.CurrentCamField, 12);
    EXPECT_EQ(g.caption("Status"), "");
}

TEST_F(Mouse, ADirectionFieldTakesItsRowsPitchAlongWithTheVerticalMovement) {
    struct Case { const char* dir; const char* pitch; };
    for (Case c : {Case{"LMDEdit32", "LMDEdit42"}, Case{"LMDEdit40", "LMDEdit50"}, Case{"LMDEdit135", "LMDEdit145"},
                   Case{"LMDEdit136", "LMDEdit146"}}) {
        put(c.dir, "0");
        put(c.pitch, "5");
        ASSERT_TRUE(press(c.dir, 10, 10));
        ASSERT_TRUE(move(25, 0));
        EXPECT_EQ(g.text(c.dir), "15") << c.dir;
        EXPECT_EQ(g.text(c.pitch), "15") << c.dir;
        ASSERT_TRUE(release(25, 0));
    }
    // Any other column moves alone.
    put("LMDEdit42", "5");
    ASSERT_TRUE(press("LMDEdit52", 0, 0));
    ASSERT_TRUE(move(3, -50));
    EXPECT_EQ(g.text("LMDEdit42"), "5");
}

TEST_F(Mouse, AFloatFieldMovesOneUnitAPixelWithoutSinglePrecisionNoise) {
    struct Case { const char* field; const char* start; int dx; const char* after; };
    for (Case c : {Case{"LMDTP1", "12.3", 5, "17.3"}, Case{"LMDTP1", "12.3", -5, "7.3"},
                   Case{"LMDHP4", "-15", 3, "-12"}, Case{"LMDEW24", "0.1", 1, "1.1"},
                   Case{"LMDSW1", "45", -45, "0"}, Case{"LMDDB1", "62.5", 2, "64.5"}}) {
        put(c.field, c.start);
        ASSERT_TRUE(press(c.field, 200, 200, MouseButton::Right));
        ASSERT_TRUE(move(200 + c.dx, 120));
        EXPECT_EQ(g.text(c.field), c.after) << c.field << " " << c.start << " " << c.dx;
        ASSERT_TRUE(release(200 + c.dx, 120));
        EXPECT_FALSE(g.editor.drag.FieldDragOn);
    }
    EXPECT_TRUE(g.ui.errors().empty()) << g.ui.errors().front();
}

TEST_F(Mouse, APressOnAFieldThatHoldsNoNumberReportsItAndStartsNoDrag) {
    struct Case { const char* good; const char* bad; const char* text; const char* error; };
    for (Case c : {Case{"LMDEdit12", "LMDEdit13", "1.5", "'1.5' is not a valid integer value"},
                   Case{"LMDEdit32", "LMDEdit33", "", "'' is not a valid integer value"},
                   Case{"LMDTP2", "LMDTP3", "x", "'x' is not a valid floating point value"}}) {
        // A drag from a good field first leaves its start values behind.
        put(c.good, "10");
        ASSERT_TRUE(press(c.good, 0, 0));
        ASSERT_TRUE(release(0, 0));
        put(c.bad, c.text);
        const std::vector<std::string> sheet = sheetState(g.editor.main);
        const std::size_t errors = g.ui.errors().size();
        EXPECT_FALSE(press(c.bad, 0, 0)) << c.bad;
        ASSERT_EQ(g.ui.errors().size(), errors + 1) << c.bad;
        EXPECT_EQ(g.ui.errors().back(), c.error);
        EXPECT_FALSE(g.editor.drag.FieldDragOn) << c.bad;
        ASSERT_TRUE(move(40, 0));
        EXPECT_EQ(sheetState(g.editor.main), sheet) << c.bad << ": a field changed";
        ASSERT_TRUE(release(40, 0));
    }
}

TEST_F(Mouse, ADetailsFieldSelectsItsCameraButDragsNothing) {
    g.editor.main.setCaption(g.get("Status"), "");  // the click clears it
    const std::vector<std::string> sheet = sheetState(g.editor.main);
    ASSERT_TRUE(press("LMDEdit61", 0, 0));
    EXPECT_FALSE(g.editor.drag.FieldDragOn);
    ASSERT_TRUE(move(50, 50));
    ASSERT_TRUE(release(50, 50));
    ASSERT_TRUE(g.click("LMDEdit61"));
    EXPECT_EQ(sheetState(g.editor.main), sheet);
    EXPECT_EQ(g.editor.drag.PressedCamField, "LMDEdit61");
    EXPECT_EQ(g.editor.CurrentCamField, 61);
    // Details fields have no key filter.
    EXPECT_EQ(g.editor.main.userKey(g.get("LMDEdit61"), 'a'), 'a');
}

TEST_F(Mouse, TheCameraChangeHandlerWaitsForANumberAndShowsTheLastPressedField) {
    ASSERT_TRUE(press("LMDEdit33", 0, 0));
    ASSERT_TRUE(release(0, 0));
    g.editor.main.setCaption(g.get("Status"), "Import Done");
    const int repaints = g.ui.repaints();
    g.edit("LMDEdit7", "-");  // a minus typed alone
    g.edit("LMDEdit7", "");
    EXPECT_EQ(g.caption("Status"), "Import Done");
    EXPECT_EQ(g.ui.repaints(), repaints);
    EXPECT_EQ(g.editor.CurrentCamField, 105);

    g.edit("LMDEdit7", "-4");
    EXPECT_EQ(g.caption("Status"), "");
    EXPECT_EQ(g.ui.repaints(), repaints + 1);
    EXPECT_EQ(g.editor.CurrentCamField, 33);  // the pressed field, not the changed one

    g.editor.SheetReady = 0;
    g.editor.main.setCaption(g.get("Status"), "x");
    g.edit("LMDEdit7", "5");
    EXPECT_EQ(g.caption("Status"), "x");
}

// ---------------------------------------------------------------- view drags

TEST_F(Mouse, ALeftViewDragWithNoFieldPressedMovesTheCockpitOverTheGround) {
    ASSERT_EQ(g.editor.drag.PressedCamField, "LMDEdit105");  // set by the first sizing of the window
    g.editor.drag.PressedCamField.clear();
    put("LMDEdit135", "0");
    const int x = value("LMDEdit105"), y = value("LMDEdit115"), z = value("LMDEdit125");
    ASSERT_TRUE(press("GLView", 100, 100));
    EXPECT_EQ(g.editor.drag.PressedCamField, "LMDEdit105");
    EXPECT_EQ(g.editor.drag.ViewDragMode, "G");
    ASSERT_TRUE(move(110, 70));  // dx 10, dy 30
    // Heading 0: right moves X down, up moves Y down, k steps a pixel.
    const long double k = std::fabs(z / 400.0L) + 1;
    EXPECT_EQ(value("LMDEdit105"), static_cast<int>(std::trunc(x - k * 10)));
    EXPECT_EQ(value("LMDEdit115"), static_cast<int>(std::trunc(y - k * 30)));
    ASSERT_TRUE(release(110, 70));
    EXPECT_FALSE(g.editor.drag.ViewDragOn);
    ASSERT_TRUE(move(500, 500));
    EXPECT_EQ(value("LMDEdit105"), static_cast<int>(std::trunc(x - k * 10)));
}

TEST_F(Mouse, AViewDragMovesTheRowOfTheLastPressedFieldWhicheverColumnItWas) {
    // The row's first writes run the camera change handler, which points the
    // preview at the pressed Dir. field: later moves still move X and Y.
    put("LMDEdit32", "90");
    put("LMDEdit42", "7");
    put("LMDEdit22", "0");
    ASSERT_TRUE(press("LMDEdit32", 0, 0));
    ASSERT_TRUE(release(0, 0));
    const int x = value("LMDEdit2"), y = value("LMDEdit12");
    ASSERT_TRUE(press("GLView", 100, 100));
    EXPECT_EQ(g.editor.CurrentCamField, 2);
    for (int step = 1; step <= 3; ++step) ASSERT_TRUE(move(100 + 10 * step, 100));
    // Heading 90 degrees: moving right moves Y up.
    EXPECT_EQ(value("LMDEdit12"), y + 30);
    EXPECT_NEAR(value("LMDEdit2"), x, 1);
    EXPECT_EQ(g.text("LMDEdit32"), "90");
    EXPECT_EQ(g.text("LMDEdit42"), "7");
}

TEST_F(Mouse, RightRaisesMiddleTurnsAndTheTCamRowHasOnlyXAndAngles) {
    g.editor.main.setSize(613, 343);  // a preview 320 pixels wide
    ASSERT_EQ(g.get("GLView").bounds.width, 320);
    put("LMDEdit24", "400");
    put("LMDEdit34", "10");
    put("LMDEdit44", "0");
    ASSERT_TRUE(press("LMDEdit4", 0, 0));
    ASSERT_TRUE(release(0, 0));
    ASSERT_TRUE(press("GLView", 50, 50, MouseButton::Right));
    ASSERT_TRUE(move(80, 40));  // 10 up at k = 2
    EXPECT_EQ(g.text("LMDEdit24"), "420");
    ASSERT_TRUE(release(80, 40));
    ASSERT_TRUE(press("GLView", 50, 50, MouseButton::Middle));
    ASSERT_TRUE(move(130, 42));  // 80 right, 8 up, 1.25 degrees a pixel
    EXPECT_EQ(g.text("LMDEdit34"), "110");
    EXPECT_EQ(g.text("LMDEdit44"), "10");
    ASSERT_TRUE(release(130, 42));

    ASSERT_TRUE(press("LMDEdit136", 0, 0));
    ASSERT_TRUE(release(0, 0));
    const std::vector<std::string> sheet = sheetState(g.editor.main);
    ASSERT_TRUE(press("GLView", 50, 50, MouseButton::Right));
    EXPECT_EQ(g.editor.CurrentCamField, 106);
    ASSERT_TRUE(move(50, 0));
    ASSERT_TRUE(release(50, 0));
    EXPECT_EQ(sheetState(g.editor.main), sheet);
    put("LMDEdit136", "0");
    ASSERT_TRUE(press("GLView", 50, 50, MouseButton::Middle));
    ASSERT_TRUE(move(82, 50));
    EXPECT_EQ(g.text("LMDEdit136"), "40");
}

TEST_F(Mouse, AChaseCameraShowsInThePreviewButDoesNotMove) {
    ASSERT_TRUE(press("LMDEdit101", 0, 0));
    ASSERT_TRUE(release(0, 0));
    const std::vector<std::string> sheet = sheetState(g.editor.main);
    for (MouseButton b : {MouseButton::Left, MouseButton::Right, MouseButton::Middle}) {
        ASSERT_TRUE(press("GLView", 50, 50, b));
        EXPECT_EQ(g.editor.CurrentCamField, 101);
        ASSERT_TRUE(move(90, 10));
        ASSERT_TRUE(release(90, 10));
    }
    EXPECT_EQ(sheetState(g.editor.main), sheet);
}

TEST_F(Mouse, AViewPressOnARowThatHoldsNoNumberReportsItAndStartsNoDrag) {
    put("LMDEdit5", "x");
    ASSERT_TRUE(press("LMDEdit35", 0, 0));
    ASSERT_TRUE(release(0, 0));
    const std::vector<std::string> sheet = sheetState(g.editor.main);
    EXPECT_FALSE(press("GLView", 50, 50));
    EXPECT_EQ(g.ui.errors().back(), "'x' is not a valid integer value");
    EXPECT_FALSE(g.editor.drag.ViewDragOn);
    ASSERT_TRUE(move(90, 10));
    EXPECT_EQ(sheetState(g.editor.main), sheet);
}

TEST(RowBase, MapsEveryFieldToItsRow) {
    struct Case { int field; int base; };
    for (Case c : {Case{1, 1}, Case{32, 2}, Case{100, 10}, Case{60, 10}, Case{105, 105}, Case{145, 105},
                   Case{195, 105}, Case{106, 106}, Case{136, 106}, Case{196, 106}}) {
        EXPECT_EQ(rowBase(c.field), c.base) << c.field;
    }
    EXPECT_EQ(camFieldNumber("LMDEdit105"), 105);
    EXPECT_EQ(camFieldNumber("lmdedit7"), 7);
}

#include <gtest/gtest.h>

#include "core/Editor.h"
#include "core/MainFrame.h"
#include "ui/ScriptedUi.h"

using namespace varnisk;

namespace {

struct EditorFixture : ::testing::Test {
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor{ui, registry, {"/start"}};
    Rect bounds(const char* name) { return editor.main.get(name).bounds; }
};

}  // namespace

TEST_F(EditorFixture, TheMainWindowStartsWithItsTitleSizeAndFrame) {
    EXPECT_EQ(editor.main.caption(), "Varnisk 6.6");
    EXPECT_EQ(editor.main.width(), 616);
    EXPECT_EQ(editor.main.height(), 343);
    EXPECT_EQ(editor.StartDir, "/start");
    EXPECT_EQ(bounds("ImportButton"), (Rect{276, 8, 60, 20}));
    EXPECT_EQ(bounds("LMDButton4"), (Rect{507, 8, 90, 20}));
    EXPECT_EQ(bounds("Status"), (Rect{475, 32, 123, 21}));
    EXPECT_EQ(editor.main.get("Status").caption, "");
    EXPECT_EQ(editor.main.get("LMDPath").caption, "Manual GP4 Path");
    EXPECT_EQ(editor.main.get("DefaultCockpitButton").caption, "Default All");
    // The first sizing runs the resize rule: 616 wide gives a preview 323 by 242.
    EXPECT_EQ(bounds("GLView"), (Rect{277, 59, 323, 242}));
    EXPECT_FALSE(editor.credits.visible());
    EXPECT_FALSE(editor.save.visible());
    EXPECT_EQ(editor.save.caption(), "Choose Datas to Save");
}

TEST_F(EditorFixture, ThePreviewGrowsWithTheWindowAndTheSheetKeepsItsWidth) {
    struct Case { int width; Rect view; Rect frame; };
    for (Case c : {Case{1000, {277, 59, 707, 530}, {276, 58, 709, 532}},
                   Case{612, {277, 59, 319, 239}, {276, 58, 321, 241}},
                   Case{400, {277, 59, 319, 239}, {276, 58, 321, 241}}}) {  // held to the minimum
        editor.main.setSize(c.width, 700);
        EXPECT_EQ(bounds("GLView"), c.view) << c.width;
        EXPECT_EQ(bounds("Panel26"), c.frame) << c.width;
        EXPECT_EQ(bounds("Onglets").width, 276);
        EXPECT_EQ(bounds("Onglets").height, 700 - kFrameHeight);
    }
    editor.main.setSize(700, 100);
    EXPECT_EQ(editor.main.height(), 338);
}

TEST_F(EditorFixture, ResizingPointsTheViewDragAtTheShownCameraAndRepaints) {
    editor.CurrentCamField = 32;
    int repaints = ui.repaints();
    editor.main.setSize(800, 600);
    EXPECT_EQ(editor.drag.PressedCamField, "LMDEdit32");
    EXPECT_EQ(ui.repaints(), repaints + 1);
}

TEST_F(EditorFixture, CreditsShowOnceHoweverOftenPressed) {
    Control& credits = editor.main.get("AboutButton");
    editor.dispatch([&] { editor.main.userClick(credits); });
    editor.dispatch([&] { editor.main.userClick(credits); });
    EXPECT_TRUE(editor.credits.visible());
    EXPECT_EQ(editor.credits.raiseCount(), 1);  // the second press brings it forward
    editor.dispatch([&] { editor.credits.userClick(editor.credits.get("Button1")); });
    EXPECT_FALSE(editor.credits.visible());
    editor.dispatch([&] { editor.main.userClick(credits); });
    EXPECT_TRUE(editor.credits.visible());
}

TEST_F(EditorFixture, ControlsAreFoundByWindowClassAndName) {
    EXPECT_EQ(editor.findControl("lmdedit12").control, editor.main.find("LMDEdit12"));
    Editor::Found ok = editor.findControl("tform2.BUTTON1");
    EXPECT_EQ(ok.form, &editor.credits);
    EXPECT_EQ(ok.control, editor.credits.find("Button1"));
    EXPECT_EQ(editor.findControl("TForm9.Button1").control, nullptr);
    EXPECT_EQ(editor.findControl("Button1").control, nullptr);  // not on the main window
}

TEST_F(EditorFixture, StartUpWithoutAGameAsksForItAndEndsWhenNoneIsChosen) {
    // No answer is queued: the chooser is cancelled.
    EXPECT_FALSE(editor.startUp());
    EXPECT_TRUE(editor.terminated());
    EXPECT_EQ(ui.messages(), (std::vector<std::string>{"Please choose your GP4 folder", "Sorry but Varnisk will now terminate."}));
    EXPECT_TRUE(ui.errors().empty());
}

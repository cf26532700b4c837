#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form/Dispatcher.h"
#include "form/Errors.h"
#include "form/Form.h"

using namespace varnisk;

namespace {

struct FormFixture : ::testing::Test {
    Form form{"TTest", "Test"};
    Control& edit = form.add(ControlKind::Edit, "LMDEdit12", nullptr, {0, 0, 30, 20});
    std::vector<std::string> changes;

    void SetUp() override {
        edit.on.change = [this](Control& c) { changes.push_back(c.text); };
    }
};

}  // namespace

TEST_F(FormFixture, WritingTextRaisesChangeOnlyWhenItDiffers) {
    form.setText(edit, "40");
    form.setText(edit, "40");
    form.setText(edit, "41");
    EXPECT_EQ(changes, (std::vector<std::string>{"40", "41"}));
}

TEST_F(FormFixture, TextLongerThanTheLimitIsCutBeforeTheComparison) {
    edit.maxLength = 3;
    form.setText(edit, "12345");
    EXPECT_EQ(edit.text, "123");
    form.setText(edit, "1239");  // cut to the same text: no change
    EXPECT_EQ(changes, (std::vector<std::string>{"123"}));
}

TEST_F(FormFixture, LookupIgnoresLetterCaseAndDecorationsHaveNoName) {
    Control& panel = form.add(ControlKind::Colour, "PanelAC3", nullptr, {});
    form.add(ControlKind::Caption, "", nullptr, {});
    EXPECT_EQ(form.find("panelac3"), &panel);
    EXPECT_EQ(form.find("PANELAC3"), &panel);
    EXPECT_EQ(form.find(""), nullptr);
    EXPECT_EQ(form.find("PanelAC4"), nullptr);
    EXPECT_THROW(form.get("PanelAC4"), ProgramError);
    EXPECT_THROW(form.add(ControlKind::Edit, "lmdedit12", nullptr, {}), std::logic_error);
}

TEST_F(FormFixture, NumberIsTheDigitsAtTheEndOfTheName) {
    EXPECT_EQ(edit.number(), 12);
    EXPECT_EQ(form.add(ControlKind::Button, "Switch", nullptr, {}).number(), -1);
}

TEST(FormSelector, CodeWritesAreHeldToTheRangeAndRaiseNothing) {
    Form form("TTest", "");
    Control& brand = form.add(ControlKind::UpDown, "UpDown2", nullptr, {});
    brand.max = 2;
    int clicks = 0;
    brand.on.click = [&](Control&) { ++clicks; };
    form.setPosition(brand, 5);
    EXPECT_EQ(brand.position, 2);
    form.setPosition(brand, -1);
    EXPECT_EQ(brand.position, 0);
    EXPECT_EQ(clicks, 0);

    form.userArrow(brand, false);  // already at the bottom: no wrap-around
    EXPECT_EQ(brand.position, 0);
    form.userArrow(brand, true);
    form.userArrow(brand, true);
    form.userArrow(brand, true);
    EXPECT_EQ(brand.position, 2);
    EXPECT_EQ(clicks, 4);
}

TEST(FormCheckBox, StateChangesFromCodeCountAsClicksAndUserClicksToggleOnce) {
    Form form("TTest", "");
    Control& box = form.add(ControlKind::Check, "CB1", nullptr, {});
    std::vector<bool> seen;
    box.on.click = [&](Control& c) { seen.push_back(c.checked); };
    form.setChecked(box, false);  // unchanged: no click
    form.setChecked(box, true);
    form.userClick(box);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(FormFixture, TypingClearsTheFieldThenSendsEachKeyThroughTheFilter) {
    form.setText(edit, "7");
    changes.clear();
    int clicks = 0;
    edit.on.click = [&](Control&) { ++clicks; };
    edit.on.key = [](Control&, char& ch) {
        if (ch == 'x') ch = 0;
    };
    form.userType(edit, "4x0");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changes, (std::vector<std::string>{"", "4", "40"}));
}

TEST_F(FormFixture, TypingStopsAtTheLengthLimit) {
    edit.maxLength = 2;
    form.userType(edit, "123");
    EXPECT_EQ(edit.text, "12");
}

TEST_F(FormFixture, DisabledControlsTakeNoUserEvents) {
    int clicks = 0;
    edit.on.click = [&](Control&) { ++clicks; };
    form.setEnabled(edit, false);
    form.userClick(edit);
    form.userType(edit, "5");
    form.userEdit(edit, "6");
    form.userPress(edit, MouseButton::Left);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(form.mouseHolder(), nullptr);
}

TEST(FormMouse, TheMoveGoesToThePressedControlUntilTheRelease) {
    Form form("TTest", "");
    Control& a = form.add(ControlKind::Edit, "A1", nullptr, {});
    Control& b = form.add(ControlKind::Edit, "B1", nullptr, {});
    std::vector<std::string> log;
    for (Control* c : {&a, &b}) {
        c->on.press = [&log](Control& s, MouseButton) { log.push_back("press " + s.name); };
        c->on.move = [&log](Control& s) { log.push_back("move " + s.name); };
        c->on.release = [&log](Control& s) { log.push_back("release " + s.name); };
    }
    form.userMove();  // no button held: nobody gets it
    form.userPress(a, MouseButton::Right);
    form.userMove();
    form.userRelease();
    form.userMove();
    EXPECT_EQ(log, (std::vector<std::string>{"press A1", "move A1", "release A1"}));
}

TEST(FormWindow, SizeIsHeldToTheMinimumAndResizeRaisedOnChange) {
    Form form("TTest", "");
    int resizes = 0;
    form.onResize = [&] { ++resizes; };
    form.setMinSize(612, 338);
    form.setSize(100, 100);
    EXPECT_EQ(form.width(), 612);
    EXPECT_EQ(form.height(), 338);
    form.setSize(612, 338);
    EXPECT_EQ(resizes, 1);
}

TEST(FormWindow, ShowingAShownWindowBringsItForward) {
    Form form("TTest", "");
    form.show();
    form.show();
    EXPECT_TRUE(form.visible());
    EXPECT_EQ(form.raiseCount(), 1);
    form.hide();
    EXPECT_FALSE(form.visible());
}

TEST(DispatcherTest, AnErrorEndsTheOperationAndIsShownOnce) {
    std::vector<std::string> shown;
    Dispatcher d([&](const std::string& t) { shown.push_back(t); });
    Form form("TTest", "");
    Control& a = form.add(ControlKind::Edit, "A1", nullptr, {});
    Control& b = form.add(ControlKind::Edit, "B1", nullptr, {});
    // b's change handler fails; the error ends the whole operation that wrote it.
    b.on.change = [](Control&) { throw ConversionError("'x' is not a valid integer value"); };
    bool reachedEnd = false;
    bool ok = d.run([&] {
        form.setText(a, "1");
        d.run([&] { form.setText(b, "x"); });  // an event inside the operation
        reachedEnd = true;
    });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(reachedEnd);
    EXPECT_EQ(a.text, "1");  // written before the failure: stays
    EXPECT_EQ(shown, (std::vector<std::string>{"'x' is not a valid integer value"}));
    EXPECT_TRUE(d.run([] {}));  // the program goes on
}

TEST(DispatcherTest, WhenTheProgramEndsItselfNothingMoreRuns) {
    std::vector<std::string> shown;
    Dispatcher d([&](const std::string& t) { shown.push_back(t); });
    EXPECT_FALSE(d.run([] { throw Terminated(); }));
    EXPECT_TRUE(d.terminated());
    bool ran = false;
    EXPECT_FALSE(d.run([&] { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_TRUE(shown.empty());
}

TEST(Colours, SystemColoursResolveToPlainValuesAndPlainColoursStay) {
    EXPECT_EQ(resolveColour(kButtonFaceColour), 0xF0F0F0u);
    EXPECT_EQ(resolveColour(0x0000FFu), 0x0000FFu);
    EXPECT_EQ(resolveColour(0x800000FFu), 0u);  // no such system colour
}

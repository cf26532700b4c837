#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "form/Dispatcher.h"
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

namespace {

// One key at a text cursor: the field holds `before` (limit `maxLength`, 0 for
// none), the selection is [selStart, selStart + selLength); kDelete stands
// for the Delete key.
constexpr char kDelete = 0x7F;
struct KeyAtCase {
    const char* what;
    const char* before;
    int maxLength;
    char key;
    std::size_t selStart, selLength;
    const char* after;
    std::optional<std::size_t> cursor;
};

const KeyAtCase kKeyAtCases[] = {
    {"insert in the middle", "1234", 0, '9', 2, 0, "12934", 3},
    {"insert at the start", "1234", 0, '9', 0, 0, "91234", 1},
    {"insert at the end", "12", 0, '9', 2, 0, "129", 3},
    {"replace a selection", "12345", 0, '9', 1, 3, "195", 2},
    {"replace the whole text", "12345", 0, '9', 0, 5, "9", 1},
    {"the filter discards", "1234", 0, 'x', 2, 0, "1234", std::nullopt},
    {"the filter discards, the selection stays", "1234", 0, 'x', 0, 4, "1234", std::nullopt},
    {"the filter replaces", "1234", 0, ',', 1, 0, "1.234", 2},
    {"the filter replaces a selection", "1234", 0, ',', 1, 2, "1.4", 2},
    {"a control character goes nowhere", "12", 0, '\r', 1, 0, "12", std::nullopt},
    {"backspace at the cursor", "1234", 0, '\b', 2, 0, "134", 1},
    {"backspace at the start", "1234", 0, '\b', 0, 0, "1234", std::nullopt},
    {"backspace with a selection", "12345", 0, '\b', 1, 3, "15", 1},
    {"backspace in a full field", "1234", 4, '\b', 4, 0, "123", 3},
    {"delete at the cursor", "1234", 0, kDelete, 1, 0, "134", 1},
    {"delete at the end", "1234", 0, kDelete, 4, 0, "1234", std::nullopt},
    {"delete with a selection", "12345", 0, kDelete, 0, 2, "345", 0},
    {"a full field takes no character", "1234", 4, '9', 2, 0, "1234", std::nullopt},
    {"typing over a selection in a full field", "1234", 4, '9', 1, 2, "194", 2},
    {"room left in a limited field", "123", 4, '9', 0, 0, "9123", 1},
    {"a selection past the text is held to it", "12", 0, '9', 7, 3, "129", 3},
    {"a selection running past the text is cut", "123", 0, '9', 1, 9, "19", 2},
};

}  // namespace

TEST_F(FormFixture, KeysAtTheCursorGoThroughTheFilterAndReplaceTheSelection) {
    std::vector<char> filtered;
    edit.on.key = [&filtered](Control&, char& ch) {
        filtered.push_back(ch);
        if (ch == 'x') ch = 0;
        if (ch == ',') ch = '.';
    };
    for (const KeyAtCase& k : kKeyAtCases) {
        SCOPED_TRACE(k.what);
        edit.maxLength = 0;
        form.setText(edit, k.before);
        edit.maxLength = k.maxLength;
        changes.clear();
        filtered.clear();
        const std::optional<std::size_t> cursor = k.key == kDelete
                                                      ? form.userDeleteAt(edit, k.selStart, k.selLength)
                                                      : form.userTypeKeyAt(edit, k.key, k.selStart, k.selLength);
        EXPECT_EQ(edit.text, k.after);
        EXPECT_EQ(cursor, k.cursor);
        // One change for a new text, none otherwise; Delete types nothing, so
        // the filter never sees it.
        EXPECT_EQ(changes, std::string(k.after) == k.before ? std::vector<std::string>{}
                                                             : std::vector<std::string>{k.after});
        EXPECT_EQ(filtered, k.key == kDelete ? std::vector<char>{} : std::vector<char>{k.key});
    }
}

TEST_F(FormFixture, TypingTheSelectedCharacterAgainMovesTheCursorWithoutAChange) {
    form.setText(edit, "15");
    changes.clear();
    EXPECT_EQ(form.userTypeKeyAt(edit, '5', 1, 1), std::optional<std::size_t>(2));
    EXPECT_EQ(edit.text, "15");
    EXPECT_TRUE(changes.empty());
}

TEST_F(FormFixture, KeysAtTheCursorReachNoDisabledFieldAndNoOtherKind) {
    form.setText(edit, "12");
    changes.clear();
    form.setEnabled(edit, false);
    EXPECT_EQ(form.userTypeKeyAt(edit, '3', 0, 0), std::nullopt);
    EXPECT_EQ(form.userDeleteAt(edit, 0, 0), std::nullopt);
    EXPECT_EQ(edit.text, "12");
    EXPECT_TRUE(changes.empty());
    Control& button = form.add(ControlKind::Button, "Switch", nullptr, {});
    EXPECT_EQ(form.userTypeKeyAt(button, '3', 0, 0), std::nullopt);
    EXPECT_EQ(button.text, "");
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

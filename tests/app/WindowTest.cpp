#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QDropEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "GameGenerator.h"
#include "TextureImages.h"
#include "app/FormWindow.h"
#include "app/Look.h"
#include "app/QtConvert.h"
#include "app/QtUi.h"
#include "app/ViewControl.h"
#include "app/Widgets.h"
#include "app/WindowPlacement.h"
#include "app/Zoom.h"
#include "core/ChangesWindow.h"
#include "core/Editor.h"
#include "core/MainFrame.h"
#include "core/WindowPlace.h"
#include "ui/ScriptedUi.h"

using namespace varnisk;
using varnisk::app::FormWindow;

namespace {

// A start directory whose CamTextures holds the shipped textures, written
// once for the whole run.
const std::string& startDir() {
    static const std::string dir = [] {
        const auto folder = std::filesystem::temp_directory_path() / ("varnisk-window-start-" + std::to_string(::getpid()));
        texgen::writeTextureFolder((folder / "CamTextures").string());
        return folder.string();
    }();
    return dir;
}

// The editor with its four windows, as the program makes them.
struct Windows : ::testing::Test {
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor{ui, registry, {startDir()}};
    FormWindow main{editor, editor.main, FormWindow::OnClose::EndProgram};
    FormWindow credits{editor, editor.credits, FormWindow::OnClose::HideForm};
    FormWindow save{editor, editor.save, FormWindow::OnClose::HideForm};
    FormWindow changesWindow{editor, editor.changesForm, FormWindow::OnClose::HideForm};

    Control& control(const char* name) { return editor.main.get(name); }
    template <class W>
    W* widget(const char* name) {
        W* w = qobject_cast<W*>(main.widgetFor(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void showMain() {
        editor.dispatch([&] { editor.main.show(); });
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    }
};

bool isKind(const Control& c, QWidget* w) {
    switch (c.kind) {
    case ControlKind::Edit: return dynamic_cast<app::FieldEdit*>(w) != nullptr;
    case ControlKind::Colour: return dynamic_cast<app::Swatch*>(w) != nullptr;
    case ControlKind::UpDown: return qobject_cast<app::ArrowPair*>(w) != nullptr;
    case ControlKind::Caption: return dynamic_cast<app::Panel*>(w) != nullptr;
    case ControlKind::Button: return qobject_cast<QPushButton*>(w) != nullptr;
    case ControlKind::Check: return qobject_cast<QCheckBox*>(w) != nullptr;
    case ControlKind::Choice:
        switch (c.style) {
        case ChoiceStyle::Combo: return qobject_cast<QComboBox*>(w) != nullptr;
        case ChoiceStyle::Radio: return qobject_cast<app::RadioChoice*>(w) != nullptr;
        case ChoiceStyle::Pages: return qobject_cast<QTabWidget*>(w) != nullptr;
        case ChoiceStyle::List: return qobject_cast<app::RowList*>(w) != nullptr;
        }
        return false;
    case ControlKind::Group: return qobject_cast<QGroupBox*>(w) != nullptr;
    case ControlKind::Page: return qobject_cast<QTabWidget*>(w->parentWidget()->parentWidget()) != nullptr;
    case ControlKind::View: return dynamic_cast<ViewControl*>(w) != nullptr;
    case ControlKind::Rule: return dynamic_cast<app::Rule*>(w) != nullptr;
    }
    return false;
}

QRect toQRect(Rect r) { return {r.left, r.top, r.width, r.height}; }

// Runs `check` on the next modal dialog, once it shows; the returned timer
// may be deleted to call the check off.
QPointer<QTimer> onModal(const std::function<void(QWidget*)>& check) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, check] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        timer->stop();
        timer->deleteLater();
        check(modal);
    });
    timer->start(10);
    return timer;
}

}  // namespace

TEST_F(Windows, EveryControlHasAWidgetOfItsKindWhereTheFormPutsIt) {
    std::vector<std::pair<Form*, FormWindow*>> pairs = {
        {&editor.main, &main}, {&editor.credits, &credits}, {&editor.save, &save}, {&editor.changesForm, &changesWindow}};
    for (auto [form, window] : pairs) {
        for (const auto& c : form->controls()) {
            QWidget* w = window->widgetFor(*c);
            ASSERT_NE(w, nullptr) << c->name;
            EXPECT_TRUE(isKind(*c, w)) << form->className() << "." << c->name;
            if (c->kind == ControlKind::Page) continue;  // the page control places its pages
            QWidget* parent = c->parent != nullptr ? window->widgetFor(*c->parent) : window;
            EXPECT_EQ(w->parentWidget(), parent) << c->name;
            EXPECT_EQ(w->geometry(), toQRect(c->bounds)) << c->name;
        }
    }
    EXPECT_EQ(main.widgetFor("lmdedit12"), main.widgetFor(control("LMDEdit12")));

    // The six tabs in their order, with the page children on their pages.
    auto* tabs = widget<QTabWidget>("Onglets");
    ASSERT_EQ(tabs->count(), 6);
    const char* names[] = {"Cameras", "External", "Cockpit", "Tyres", "Details", "Slots"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(tabs->tabText(i), QString::fromLatin1(names[i]));
    EXPECT_EQ(main.widgetFor("LMDEdit12")->parentWidget(), tabs->widget(0));
    EXPECT_EQ(main.widgetFor("AboutButton")->parentWidget(), tabs->widget(4));
    EXPECT_EQ(tabs->currentIndex(), 0);

    // The window's client area is the form's outer size less the frame.
    EXPECT_EQ(main.size(), QSize(616 - kFrameWidth, 343 - kFrameHeight));
    EXPECT_EQ(main.minimumSize(), QSize(612 - kFrameWidth, 338 - kFrameHeight));
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Varnisk 6.6"));
    EXPECT_EQ(credits.size(), QSize(264 - kFrameWidth, 195 - kFrameHeight));
    EXPECT_FALSE(credits.isVisible());
    EXPECT_FALSE(save.isVisible());
    EXPECT_EQ(widget<QLineEdit>("LMDEdit103")->text(), QStringLiteral("T-Cam Tab"));
    EXPECT_FALSE(widget<QLineEdit>("LMDEdit103")->isEnabled());
}

TEST_F(Windows, WritesOfTheModelShowInTheWidgetsAndComeNoFurther) {
    int changes = 0, clicks = 0;
    for (const auto& c : editor.main.controls()) {
        c->on.change = [&changes](Control&) { ++changes; };
        c->on.click = [&clicks](Control&) { ++clicks; };
    }
    Form& f = editor.main;
    auto text = [&](const char* name) { return widget<QLineEdit>(name)->text(); };

    f.setText(control("LMDEdit12"), "42");
    EXPECT_EQ(text("LMDEdit12"), QStringLiteral("42"));
    EXPECT_EQ(changes, 1);  // the write itself; the widget raises none

    f.setText(control("LMDSlot3"), "Caf\xE9 \x80");  // code page 1252
    EXPECT_EQ(text("LMDSlot3"), QStringLiteral(u"Caf\u00E9 \u20AC"));

    f.setColour(control("PanelAC3"), 0x0000FF);  // red in the low byte
    auto* swatch = dynamic_cast<app::Swatch*>(main.widgetFor("PanelAC3"));
    ASSERT_NE(swatch, nullptr);
    EXPECT_EQ(swatch->colour(), QColor(255, 0, 0));
    EXPECT_EQ(swatch->grab().toImage().pixelColor(swatch->width() / 2, swatch->height() / 2), QColor(255, 0, 0));

    f.setCaption(control("Status"), "Import Done");
    EXPECT_EQ(widget<QLabel>("Status")->text(), QStringLiteral("Import Done"));
    f.setCaption(control("PanelTT22"), "Michelin");
    EXPECT_EQ(widget<QLabel>("PanelTT22")->text(), QStringLiteral("Michelin"));

    f.setEnabled(control("LMDTC3"), false);
    EXPECT_FALSE(widget<QLineEdit>("LMDTC3")->isEnabled());
    f.setEnabled(control("PanelRC20"), false);
    EXPECT_FALSE(main.widgetFor("PanelRC20")->isEnabled());

    f.setHint(control("LMDPath"), "Actual Path: C:\\GP4");
    EXPECT_EQ(main.widgetFor("LMDPath")->toolTip(), QStringLiteral("Actual Path: C:\\GP4"));

    f.setIndex(control("LMDTeam1"), 2);
    EXPECT_EQ(widget<QComboBox>("LMDTeam1")->currentIndex(), 2);
    f.setIndex(control("LMDTeamOp"), 1);
    EXPECT_EQ(widget<app::RadioChoice>("LMDTeamOp")->index(), 1);
    f.setIndex(control("Onglets"), 3);
    EXPECT_EQ(widget<QTabWidget>("Onglets")->currentIndex(), 3);

    f.setBounds(control("Status"), {470, 30, 100, 21});
    EXPECT_EQ(main.widgetFor("Status")->geometry(), QRect(470, 30, 100, 21));

    f.setCaption("Varnisk test");
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Varnisk test"));

    EXPECT_EQ(changes, 2);  // LMDEdit12 and LMDSlot3 only
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(control("Onglets").index, 3);
    EXPECT_EQ(control("LMDTeamOp").index, 1);
    EXPECT_TRUE(ui.errors().empty()) << ui.errors().front();
}

TEST(FormWindowKinds, ChecksLimitsAndAlignmentsFollowTheirControls) {
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor{ui, registry, {startDir()}};
    Form form{"TExtra", "Extra"};
    form.setSize(300, 200);
    Control& group = form.add(ControlKind::Group, "Box", nullptr, {4, 4, 200, 120});
    group.caption = "Global Datas";
    Control& check = form.add(ControlKind::Check, "CBDash", &group, {8, 16, 120, 17});
    check.caption = "DashBoard";
    Control& edit = form.add(ControlKind::Edit, "Short", nullptr, {210, 4, 60, 18});
    edit.maxLength = 4;
    edit.align = Align::Right;
    Control& note = form.add(ControlKind::Caption, "", nullptr, {210, 30, 80, 40});
    note.caption = "two\nlines";
    int clicks = 0;
    check.on.click = [&clicks](Control&) { ++clicks; };
    FormWindow window{editor, form, FormWindow::OnClose::HideForm};

    // A window without a minimum size is a dialog of one size.
    EXPECT_EQ(window.minimumSize(), QSize(300 - kFrameWidth, 200 - kFrameHeight));
    EXPECT_EQ(window.maximumSize(), window.minimumSize());
    EXPECT_EQ(qobject_cast<QGroupBox*>(window.widgetFor("box"))->title(), QStringLiteral("Global Datas"));
    auto* label = dynamic_cast<app::Panel*>(window.widgetFor(*form.controls().back()));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("two\nlines"));

    auto* box = qobject_cast<QCheckBox*>(window.widgetFor("CBDash"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), window.widgetFor("Box"));
    EXPECT_EQ(box->text(), QStringLiteral("DashBoard"));
    form.setChecked(check, true);  // a change of state from code counts as a click
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_FALSE(check.checked);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(clicks, 2);
    form.setEnabled(check, false);  // a disabled box takes no clicks
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_FALSE(check.checked);
    EXPECT_EQ(clicks, 2);

    auto* line = qobject_cast<QLineEdit*>(window.widgetFor("Short"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QTest::keyClicks(line, "123456");
    EXPECT_EQ(edit.text, "1234");
    EXPECT_EQ(line->text(), QStringLiteral("1234"));

    editor.dispatch([&] { form.show(); });
    EXPECT_TRUE(window.isVisible());
    window.close();
    EXPECT_FALSE(form.visible());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(Windows, TypingGoesThroughTheKeyFilterIntoTheModel) {
    Control& c = control("LMDEdit12");
    // Digits and the point pass, a comma becomes a point, anything else is
    // discarded.
    c.on.key = [](Control&, char& ch) {
        if (ch == ',') ch = '.';
        else if (!((ch >= '0' && ch <= '9') || ch == '.' || ch == '\b')) ch = 0;
    };
    editor.main.setText(c, "");
    std::vector<std::string> changes;
    c.on.change = [&changes](Control& x) { changes.push_back(x.text); };
    auto* edit = widget<QLineEdit>("LMDEdit12");
    showMain();
    edit->setFocus();

    QTest::keyClicks(edit, "1a2,5");
    EXPECT_EQ(c.text, "12.5");
    EXPECT_EQ(edit->text(), QStringLiteral("12.5"));
    EXPECT_EQ(changes, (std::vector<std::string>{"1", "12", "12.", "12.5"}));

    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(c.text, "12.");
    EXPECT_EQ(edit->text(), QStringLiteral("12."));

    int beeps = ui.beeps();
    QKeyEvent omega(QEvent::KeyPress, 0x03A9, Qt::NoModifier, QStringLiteral(u"\u03A9"));
    QApplication::sendEvent(edit, &omega);  // the code page has no such character
    EXPECT_EQ(ui.beeps(), beeps + 1);
    EXPECT_EQ(c.text, "12.");

    // Shortcuts pass by the filter: select all, then paste a text the filter
    // would not have let through.
    QApplication::clipboard()->setText(QStringLiteral("3x"));
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(c.text, "3x");
    EXPECT_EQ(edit->text(), QStringLiteral("3x"));

    // A field whose change handler writes another text shows that text.
    editor.main.setText(control("LMDSlot0"), "Aurora");
    Control& slot = control("LMDSlot0");
    auto* slotEdit = widget<QLineEdit>("LMDSlot0");
    slot.on.change = [this](Control& x) { editor.main.setText(x, "Kept"); };
    slotEdit->setFocus();
    slotEdit->end(false);
    QTest::keyClicks(slotEdit, "!");
    EXPECT_EQ(slotEdit->text(), QStringLiteral("Kept"));
}

TEST_F(Windows, KeysTypeAtTheCursorAndOverTheSelection) {
    Control& c = control("LMDEdit12");
    // Digits and the point pass, a comma becomes a point, anything else is
    // discarded.
    c.on.key = [](Control&, char& ch) {
        if (ch == ',') ch = '.';
        else if (!((ch >= '0' && ch <= '9') || ch == '.' || ch == '\b')) ch = 0;
    };
    editor.main.setText(c, "1234");
    std::vector<std::string> changes;
    c.on.change = [&changes](Control& x) { changes.push_back(x.text); };
    auto* edit = dynamic_cast<app::FieldEdit*>(main.widgetFor("LMDEdit12"));
    ASSERT_NE(edit, nullptr);
    showMain();
    edit->setFocus();
    edit->end(false);

    auto key = [edit](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(edit, k, m); };
    auto type = [edit](const char* text) { QTest::keyClicks(edit, QString::fromLatin1(text)); };
    struct Step {
        const char* what;
        std::function<void()> keys;
        const char* text;  // in the model and in the field
        int cursor;
        const char* selected;  // what stays selected afterwards
    };
    const Step steps[] = {
        {"Home then a digit", [&] { key(Qt::Key_Home); type("9"); }, "91234", 1, ""},
        {"arrows then a digit", [&] { key(Qt::Key_Right); key(Qt::Key_Right); type("5"); }, "912534", 4, ""},
        {"a discarded key moves nothing", [&] { type("a"); }, "912534", 4, ""},
        {"a replaced key goes in at the cursor", [&] { type(","); }, "9125.34", 5, ""},
        {"Shift+End then a digit replaces the rest",
         [&] { key(Qt::Key_Left); key(Qt::Key_End, Qt::ShiftModifier); type("7"); }, "91257", 5, ""},
        {"Backspace at the cursor", [&] { key(Qt::Key_Left); key(Qt::Key_Left); key(Qt::Key_Backspace); }, "9157", 2,
         ""},
        {"Delete at the cursor", [&] { key(Qt::Key_Delete); }, "917", 2, ""},
        {"a discarded key leaves the selection", [&] { key(Qt::Key_Home, Qt::ShiftModifier); type("x"); }, "917", 0,
         "91"},
        {"Backspace on a selection", [&] { key(Qt::Key_Backspace); }, "7", 0, ""},
        {"Backspace at the start", [&] { key(Qt::Key_Backspace); }, "7", 0, ""},
        {"Delete on a selection", [&] { key(Qt::Key_A, Qt::ControlModifier); key(Qt::Key_Delete); }, "", 0, ""},
        {"typing into the empty field", [&] { type("42"); }, "42", 2, ""},
        {"Ctrl+A then a digit", [&] { key(Qt::Key_A, Qt::ControlModifier); type("8"); }, "8", 1, ""},
        {"Return types nothing", [&] { key(Qt::Key_Home); key(Qt::Key_Return); }, "8", 0, ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.keys();
        EXPECT_EQ(c.text, step.text);
        EXPECT_EQ(edit->text(), QString::fromLatin1(step.text));
        EXPECT_EQ(edit->cursorPosition(), step.cursor);
        EXPECT_EQ(edit->selectedText(), QString::fromLatin1(step.selected));
    }
    // Each key that changed the text raised one change, and only those.
    EXPECT_EQ(changes, (std::vector<std::string>{"91234", "912534", "9125.34", "91257", "9157", "917", "7", "", "4",
                                                 "42", "8"}));

    // A full field takes no character at the cursor; typing over a
    // selection replaces it.
    c.maxLength = 4;
    editor.main.setText(c, "1234");
    key(Qt::Key_Home);
    type("5");
    EXPECT_EQ(c.text, "1234");
    EXPECT_EQ(edit->cursorPosition(), 0);
    key(Qt::Key_Right, Qt::ShiftModifier);
    type("5");
    EXPECT_EQ(c.text, "5234");
    EXPECT_EQ(edit->text(), QStringLiteral("5234"));
    EXPECT_EQ(edit->cursorPosition(), 1);

    // Ctrl+Z in the field takes back the keys typed since another control
    // was used, in the model and the field alike.
    c.maxLength = 0;
    editor.dispatch([&] { editor.main.userClick(control("LMDEdit22")); });
    editor.main.setText(c, "12");
    key(Qt::Key_Home);
    type("3");
    EXPECT_EQ(c.text, "312");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(c.text, "12");
    EXPECT_EQ(edit->text(), QStringLiteral("12"));
}

TEST_F(Windows, ADoubleClickSelectsTheWholeTextOfAField) {
    Control& slot = control("LMDSlot0");
    slot.on.change = nullptr;
    slot.on.click = nullptr;
    editor.main.setText(slot, "Aurora Racing");
    auto* edit = dynamic_cast<app::FieldEdit*>(main.widgetFor("LMDSlot0"));
    ASSERT_NE(edit, nullptr);
    showMain();
    QTest::mouseDClick(edit, Qt::LeftButton, {}, QPoint(8, edit->height() / 2));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("Aurora Racing"));
    QTest::keyClicks(edit, QStringLiteral("V"));
    EXPECT_EQ(slot.text, "V");
    EXPECT_EQ(edit->cursorPosition(), 1);
}

TEST_F(Windows, MouseEventsReachTheFormAsItsOwnEvents) {
    std::vector<std::string> log;
    for (const char* name : {"LMDEdit12", "PanelAC3", "GLView"}) {
        Control& c = control(name);
        std::string n = name;
        c.on.press = [&log, n](Control&, MouseButton b) {
            log.push_back(n + " press " + (b == MouseButton::Left ? "L" : b == MouseButton::Right ? "R" : "M"));
        };
        c.on.move = [&log, n](Control&) { log.push_back(n + " move"); };
        c.on.release = [&log, n](Control&) { log.push_back(n + " release"); };
        c.on.click = [&log, n](Control&) { log.push_back(n + " click"); };
        c.on.doubleClick = [&log, n](Control&) { log.push_back(n + " double"); };
    }
    using T = QEvent::Type;
    struct Step { T type; Qt::MouseButton button; QPoint pos; };
    const QPoint in{5, 5}, out{-20, 5};
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"LMDEdit12",
         {{T::MouseButtonPress, Qt::LeftButton, in}, {T::MouseButtonRelease, Qt::LeftButton, in}},
         {"press L", "release", "click"}},
        {"GLView",  // moves count only while a button is held
         {{T::MouseMove, Qt::NoButton, in}, {T::MouseButtonPress, Qt::RightButton, in},
          {T::MouseMove, Qt::RightButton, {9, 9}}, {T::MouseButtonRelease, Qt::RightButton, {9, 9}}},
         {"press R", "move", "release"}},
        {"PanelAC3",  // the release that ends a double click brings no click
         {{T::MouseButtonPress, Qt::LeftButton, in}, {T::MouseButtonRelease, Qt::LeftButton, in},
          {T::MouseButtonPress, Qt::LeftButton, in}, {T::MouseButtonDblClick, Qt::LeftButton, in},
          {T::MouseButtonRelease, Qt::LeftButton, in}},
         {"press L", "release", "click", "press L", "double", "release"}},
        {"PanelAC3",  // a double click without its press first still brings one
         {{T::MouseButtonDblClick, Qt::LeftButton, in}, {T::MouseButtonRelease, Qt::LeftButton, in},
          {T::MouseButtonPress, Qt::LeftButton, in}, {T::MouseButtonRelease, Qt::LeftButton, in}},
         {"press L", "double", "release", "press L", "release", "click"}},
        {"LMDEdit12",  // released away from the field: no click
         {{T::MouseButtonPress, Qt::LeftButton, in}, {T::MouseMove, Qt::LeftButton, out},
          {T::MouseButtonRelease, Qt::LeftButton, out}},
         {"press L", "move", "release"}},
        {"GLView",
         {{T::MouseButtonPress, Qt::MiddleButton, in}, {T::MouseButtonRelease, Qt::MiddleButton, in}},
         {"press M", "release"}},
    };
    for (const Case& k : cases) {
        log.clear();
        QWidget* w = main.widgetFor(k.name);
        for (const Step& s : k.steps) {
            // A move carries the buttons held, the others the button that acts.
            bool isMove = s.type == T::MouseMove;
            Qt::MouseButtons held = s.type == T::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(s.button);
            QMouseEvent event(s.type, s.pos, w->mapToGlobal(s.pos), isMove ? Qt::NoButton : s.button, held,
                              Qt::NoModifier);
            QApplication::sendEvent(w, &event);
        }
        std::vector<std::string> expected;
        for (const std::string& e : k.expected) expected.push_back(std::string(k.name) + " " + e);
        EXPECT_EQ(log, expected) << k.name;
        EXPECT_EQ(editor.main.mouseHolder(), nullptr) << k.name;
    }

    // A field whose press the program handles keeps its own menu back (its
    // popup would take the mouse from a right-button drag); others keep it.
    showMain();
    for (auto [name, menuShown] : {std::pair{"LMDEdit12", false}, std::pair{"LMDSlot0", true}}) {
        QWidget* w = main.widgetFor(name);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, {5, 5}, w->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(w, &menu);
        QWidget* popup = QApplication::activePopupWidget();
        EXPECT_EQ(popup != nullptr, menuShown) << name;
        if (popup != nullptr) popup->close();
    }
}

TEST_F(Windows, TheUsersChoicesReachTheModel) {
    std::vector<std::string> log;
    for (const char* name : {"LMDTeam1", "LMDTeamOp", "Onglets"}) {
        control(name).on.change = [&log](Control& c) { log.push_back(c.name + "=" + std::to_string(c.index)); };
    }
    showMain();
    auto* tabs = widget<QTabWidget>("Onglets");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(5).center());
    EXPECT_EQ(control("Onglets").index, 5);
    EXPECT_EQ(tabs->currentIndex(), 5);

    auto* combo = widget<QComboBox>("LMDTeam1");
    QTest::keyClick(combo, Qt::Key_Down);  // a closed combo box steps to the next item
    EXPECT_EQ(control("LMDTeam1").index, 0);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(control("LMDTeam1").index, 1);

    auto* radio = widget<app::RadioChoice>("LMDTeamOp");
    auto* swap = radio->findChildren<QAbstractButton*>().at(1);
    QTest::mouseClick(swap, Qt::LeftButton, {}, QPoint(5, swap->height() / 2));
    EXPECT_EQ(control("LMDTeamOp").index, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"Onglets=5", "LMDTeam1=0", "LMDTeam1=1", "LMDTeamOp=1"}));

    // The arrows step the selector, held to its range.
    control("UpDown2").on.click = [&log](Control& c) { log.push_back("UpDown2@" + std::to_string(c.position)); };
    auto* arrows = widget<app::ArrowPair>("UpDown2");
    tabs->setCurrentIndex(3);
    QTest::mouseClick(arrows->upButton(), Qt::LeftButton);
    QTest::mouseClick(arrows->upButton(), Qt::LeftButton);
    QTest::mouseClick(arrows->upButton(), Qt::LeftButton);  // held at the top of 0..2
    QTest::mouseClick(arrows->downButton(), Qt::LeftButton);
    EXPECT_EQ(control("UpDown2").position, 1);
    EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
              (std::vector<std::string>{"UpDown2@1", "UpDown2@2", "UpDown2@2", "UpDown2@1"}));
}

TEST_F(Windows, APageGetsItsWidgetsAsItFirstShowsFromTheModelAsItIsThen) {
    auto* tabs = widget<QTabWidget>("Onglets");
    // Only the page on show has its widgets as the window opens.
    EXPECT_FALSE(tabs->widget(0)->findChildren<QWidget*>().isEmpty());
    for (int i = 1; i < 6; ++i) EXPECT_TRUE(tabs->widget(i)->findChildren<QWidget*>().isEmpty()) << i;

    // Writes while the page waits show once it is there.
    Form& f = editor.main;
    f.setText(control("LMDSlot3"), "Late value");
    f.setEnabled(control("LMDSlot4"), false);
    f.setHint(control("LMDSlot5"), "A hint");
    f.setColour(control("PanelRC3"), 0x00FF00);
    showMain();
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(5).center());
    ASSERT_EQ(tabs->currentIndex(), 5);
    QList<QLineEdit*> fields = tabs->widget(5)->findChildren<QLineEdit*>();
    auto shown = std::find_if(fields.begin(), fields.end(), [](QLineEdit* e) { return e->text() == "Late value"; });
    ASSERT_NE(shown, fields.end());
    EXPECT_TRUE((*shown)->isVisible());
    EXPECT_EQ(*shown, main.widgetFor("LMDSlot3"));
    EXPECT_FALSE(main.widgetFor("LMDSlot4")->isEnabled());
    EXPECT_EQ(main.widgetFor("LMDSlot5")->toolTip(), QStringLiteral("A hint"));
    // Asked for, a page's widgets are made without showing it.
    auto* swatch = dynamic_cast<app::Swatch*>(main.widgetFor("PanelRC3"));
    ASSERT_NE(swatch, nullptr);
    EXPECT_EQ(swatch->colour(), QColor(0, 255, 0));
    EXPECT_FALSE(swatch->isVisible());
    EXPECT_EQ(tabs->currentIndex(), 5);
    // The page's widgets follow the model from then on.
    f.setText(control("LMDSlot3"), "Later");
    EXPECT_EQ(qobject_cast<QLineEdit*>(main.widgetFor("LMDSlot3"))->text(), QStringLiteral("Later"));

    // Pages filled in another order than the form's: Tab still stops at the
    // widgets in the form's order, as if all were made with the window.
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    ASSERT_EQ(tabs->currentIndex(), 1);
    std::unordered_map<const QWidget*, std::size_t> order;
    const auto& controls = editor.main.controls();
    for (std::size_t i = 0; i < controls.size(); ++i) order[main.widgetFor(*controls[i])] = i;
    std::size_t last = 0, stops = 0;
    std::string lastName = "(none)";
    for (QWidget* w = main.nextInFocusChain(); w != &main; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || w->focusProxy() != nullptr) continue;
        const QWidget* owner = w;
        while (owner != nullptr && !order.contains(owner)) owner = owner->parentWidget();
        ASSERT_NE(owner, nullptr);
        const std::size_t at = order.at(owner);
        EXPECT_LE(last, at) << controls[at]->name << " after " << lastName;
        last = at;
        lastName = controls[at]->name;
        ++stops;
    }
    EXPECT_GT(stops, 100u);
}

TEST_F(Windows, ResizingTheWindowGrowsThePreviewAndHoldsTheMinimum) {
    showMain();
    main.resize(1000 - kFrameWidth, 343 - kFrameHeight);
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.main.width() == 1000; }));
    EXPECT_EQ(editor.main.height(), 343);
    EXPECT_EQ(main.widgetFor("GLView")->geometry(), QRect(277, 59, 707, 530));
    EXPECT_EQ(main.widgetFor("Panel26")->geometry(), QRect(276, 58, 709, 532));
    EXPECT_EQ(main.widgetFor("Onglets")->geometry(), QRect(0, 0, 276, 316));

    main.resize(700 - kFrameWidth, 500 - kFrameHeight);
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.main.width() == 700; }));
    EXPECT_EQ(main.widgetFor("Onglets")->geometry(), QRect(0, 0, 276, 500 - kFrameHeight));

    main.resize(100, 100);  // below the minimum
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.main.width() == 612; }));
    EXPECT_EQ(main.size(), QSize(612 - kFrameWidth, 338 - kFrameHeight));
    EXPECT_EQ(editor.main.height(), 338);
    EXPECT_EQ(main.widgetFor("GLView")->geometry(), QRect(277, 59, 319, 239));
    EXPECT_EQ(main.widgetFor("Panel26")->geometry(), QRect(276, 58, 321, 241));

    // A size given by the program sizes the window.
    editor.dispatch([&] { editor.main.setSize(800, 400); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.size() == QSize(800 - kFrameWidth, 400 - kFrameHeight); }));
    EXPECT_EQ(main.widgetFor("GLView")->geometry(), QRect(277, 59, 507, 380));
}

// The windows' zoom for one test; 100 again after it, whatever happened.
struct ZoomFor {
    explicit ZoomFor(int percent) { app::zoom::set(percent); }
    ~ZoomFor() { app::zoom::set(100); }
    ZoomFor(const ZoomFor&) = delete;
    ZoomFor& operator=(const ZoomFor&) = delete;
};

TEST_F(Windows, AZoomScalesEveryControlTheFontAndTheWindowTogether) {
    ZoomFor back(100);
    showMain();
    const QSize client = main.size();
    app::zoom::set(200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.size() == client * 2; }));
    std::vector<std::pair<Form*, FormWindow*>> pairs = {
        {&editor.main, &main}, {&editor.credits, &credits}, {&editor.save, &save}, {&editor.changesForm, &changesWindow}};
    for (auto [form, window] : pairs) {
        for (const auto& c : form->controls()) {
            if (c->kind == ControlKind::Page) continue;  // the tabs place their pages
            const Rect b = c->bounds;
            EXPECT_EQ(window->widgetFor(*c)->geometry(), QRect(2 * b.left, 2 * b.top, 2 * b.width, 2 * b.height)) << c->name;
        }
    }
    EXPECT_EQ(credits.size(), QSize(2 * (editor.credits.width() - kFrameWidth), 2 * (editor.credits.height() - kFrameHeight)));
    EXPECT_EQ(QApplication::font().pixelSize(), 20);
    EXPECT_TRUE(QTest::qWaitFor([&] { return main.widgetFor("LMDEdit12")->font().pixelSize() == 20; }));
    EXPECT_EQ(main.minimumSize(), QSize(2 * (612 - kFrameWidth), 2 * (338 - kFrameHeight)));

    // A resize of the window is one of the form in its own units.
    main.resize(2 * (700 - kFrameWidth), 2 * (400 - kFrameHeight));
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.main.width() == 700; }));
    EXPECT_EQ(editor.main.height(), 400);

    // Between whole factors the edges are rounded, so that neighbours stay
    // neighbours.
    app::zoom::set(175);
    const Rect x = control("LMDEdit12").bounds;
    const QRect shown = main.widgetFor("LMDEdit12")->geometry();
    EXPECT_EQ(shown.left(), static_cast<int>(std::lround(x.left * 1.75)));
    EXPECT_EQ(shown.right() + 1, static_cast<int>(std::lround((x.left + x.width) * 1.75)));
    EXPECT_EQ(QApplication::font().pixelSize(), 18);

    app::zoom::set(100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.size() == QSize(700 - kFrameWidth, 400 - kFrameHeight); }));
    EXPECT_EQ(main.widgetFor("LMDEdit12")->geometry(), toQRect(control("LMDEdit12").bounds));
    EXPECT_EQ(QApplication::font().pixelSize(), 10);
}

TEST_F(Windows, CtrlPlusAndMinusZoomFromAnyFieldAndCtrlZeroGoesBack) {
    ZoomFor back(100);
    showMain();
    QWidget* field = main.widgetFor("LMDEdit12");
    field->setFocus();
    const std::string text = control("LMDEdit12").text;
    const int beeps = ui.beeps();
    QTest::keyClick(field, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(app::zoom::percent(), 125);
    QTest::keyClick(field, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(app::zoom::percent(), 150);
    QTest::keyClick(field, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(app::zoom::percent(), 125);
    QTest::keyClick(field, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(app::zoom::percent(), 100);
    EXPECT_EQ(ui.beeps(), beeps);
    QTest::keyClick(field, Qt::Key_Minus, Qt::ControlModifier);  // at the first step already
    EXPECT_EQ(app::zoom::percent(), 100);
    EXPECT_EQ(ui.beeps(), beeps + 1);
    EXPECT_EQ(control("LMDEdit12").text, text);  // the keys typed nothing
    // Never further than shows the smallest main window on the screen.
    const QRect area = main.screen()->availableGeometry();
    const int most = largestZoomThatFits({612, 338}, {area.width(), area.height()});
    for (int i = 0; i < 8; ++i) QTest::keyClick(field, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(app::zoom::percent(), most);
    EXPECT_LE(main.frameGeometry().right(), area.right());
    EXPECT_LE(main.frameGeometry().bottom(), area.bottom());
}

TEST(QtUiCursor, IsInTheFormsUnitsAtAnyZoom) {
    QtUi ui;
    QCursor::setPos(401, 301);
    ASSERT_TRUE(QTest::qWaitFor([] { return QCursor::pos() == QPoint(401, 301); }));
    EXPECT_EQ(ui.cursorPos().x, 401);
    ui.setCursorScale(2.0);
    EXPECT_EQ(ui.cursorPos().x, 200);
    EXPECT_EQ(ui.cursorPos().y, 150);
}

TEST_F(Windows, TheZoomSizeAndPlaceOfTheMainWindowAreKeptForTheNextStart) {
    ZoomFor back(150);
    editor.dispatch([&] { editor.main.setSize(700, 400); });
    main.placeAt({60, 80});
    showMain();
    ASSERT_TRUE(app::keepMainWindowPlace(main, registry));
    EXPECT_EQ(registry.readWindowPlace(), std::optional<std::string>("150 60 80 700 400"));

    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const Extent room{area.width(), area.height()};
    const int most = largestZoomThatFits({612, 338}, room);
    struct Case {
        std::optional<std::string> kept;
        int zoom;               // 0: the first start's
        int width, height;      // 0: the form's own
        std::optional<QPoint> at;  // nullopt: in the middle of the screen
    };
    const Case cases[] = {
        {"150 60 80 700 400", 150, 700, 400, QPoint(60, 80)},
        {std::nullopt, 0, 0, 0, std::nullopt},                     // a first start
        {"150 60 80 seven 400", 0, 0, 0, std::nullopt},            // damaged: as a first start
        {"125 90000 90000 700 400", 125, 700, 400, std::nullopt},  // its screen is gone
        {"300 0 0 5000 5000", most, area.width() * 100 / most, area.height() * 100 / most, QPoint(0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kept.value_or("(none)"));
        app::zoom::set(100);
        ScriptedUi ui2;
        MemoryRegistry registry2;
        if (c.kept) registry2.writeWindowPlace(*c.kept);
        Editor editor2{ui2, registry2, {startDir()}};
        FormWindow main2{editor2, editor2.main, FormWindow::OnClose::EndProgram};
        const Extent own{editor2.main.width(), editor2.main.height()};
        app::placeMainWindow(main2, registry2);
        EXPECT_EQ(app::zoom::percent(),
                  c.zoom != 0 ? c.zoom : defaultZoom(QGuiApplication::primaryScreen()->physicalDotsPerInch(), own, room));
        EXPECT_NEAR(editor2.main.width(), c.width != 0 ? c.width : own.width, 1);
        EXPECT_NEAR(editor2.main.height(), c.height != 0 ? c.height : own.height, 1);
        const QSize size(app::zoom::toPixels(editor2.main.width()), app::zoom::toPixels(editor2.main.height()));
        const QPoint centred = area.topLeft() + QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
        EXPECT_EQ(main2.pos(), c.at.value_or(centred));
    }
}

TEST_F(Windows, CreditsShowOnceHoweverOftenPressedAndOkHidesThem) {
    showMain();
    auto* tabs = widget<QTabWidget>("Onglets");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(4).center());
    ASSERT_TRUE(main.widgetFor("AboutButton")->isVisible());

    auto openCredits = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->windowTitle() == QStringLiteral("Credits")) ++n;
        }
        return n;
    };
    QTest::mouseClick(widget<QPushButton>("AboutButton"), Qt::LeftButton);
    QTest::mouseClick(widget<QPushButton>("AboutButton"), Qt::LeftButton);
    EXPECT_TRUE(editor.credits.visible());
    EXPECT_TRUE(credits.isVisible());
    EXPECT_EQ(openCredits(), 1);
    EXPECT_EQ(editor.credits.raiseCount(), 1);

    auto* ok = qobject_cast<QPushButton*>(credits.widgetFor("Button1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(editor.credits.visible());
    EXPECT_FALSE(credits.isVisible());
    EXPECT_EQ(openCredits(), 0);

    // Shown again, then closed from its title bar: the form is hidden too.
    QTest::mouseClick(widget<QPushButton>("AboutButton"), Qt::LeftButton);
    EXPECT_TRUE(credits.isVisible());
    credits.close();
    EXPECT_FALSE(editor.credits.visible());
    EXPECT_FALSE(credits.isVisible());
    EXPECT_TRUE(ui.errors().empty());
}

TEST_F(Windows, TheSaveWindowShowsFromSaveFileAndItsBoxesReachTheModel) {
    showMain();
    QTest::mouseClick(widget<QPushButton>("SaveButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&save));
    EXPECT_EQ(save.windowTitle(), QStringLiteral("Choose Datas to Save"));

    // "All" of team 3's row ticks the row's seven boxes, in the model and on
    // screen.
    auto* all = qobject_cast<QCheckBox*>(save.widgetFor("CBA31"));
    ASSERT_NE(all, nullptr);
    QTest::mouseClick(all, Qt::LeftButton);
    for (int c = 1; c <= 7; ++c) {
        const std::string name = "CB3" + std::to_string(c);
        EXPECT_TRUE(editor.save.get(name).checked) << name;
        EXPECT_TRUE(qobject_cast<QCheckBox*>(save.widgetFor(name))->isChecked()) << name;
    }
    EXPECT_EQ(editor.saveWindow.masks.helmetMask, 1 << 3);

    // The toggle's first press ticks everything.
    auto* toggle = qobject_cast<QPushButton*>(save.widgetFor("LMDButton2"));
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(qobject_cast<QCheckBox*>(save.widgetFor("CBCam14"))->isChecked());
    EXPECT_EQ(toggle->text(), QStringLiteral("Unselect ALL"));

    // "Save" hides the window; with no answer the dialog is cancelled, and the
    // fields of a sheet that was never imported stop the save first.
    QTest::mouseClick(qobject_cast<QPushButton*>(save.widgetFor("LMDButton1")), Qt::LeftButton);
    EXPECT_FALSE(editor.save.visible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !save.isVisible(); }));
    EXPECT_EQ(ui.errors().size(), 1u);
}

TEST(QtConvert, FiltersColoursAndTexts) {
    struct FilterCase { std::string windows; QString qt; };
    for (const FilterCase& c : {
             FilterCase{"Car datas|*.car;*.cam|Tyre sets|*.tyr", "Car datas (*.car *.cam);;Tyre sets (*.tyr)"},
             FilterCase{"GP4.exe|gp4.exe", "GP4.exe (gp4.exe)"},
             // A description that already names its patterns keeps them once.
             FilterCase{"Camset file (*.cam)|*.cam|All (*.*)|*.*", "Camset file (*.cam);;All (*.*)"},
             FilterCase{"Caf\xE9|*.x|dangling", QString::fromUtf8("Café (*.x)")},
             FilterCase{"", ""}}) {
        EXPECT_EQ(toQtFilter(c.windows), c.qt) << c.windows;
    }

    struct EntryCase { const char* entry; bool ok; int slot; std::uint32_t colour; };
    for (const EntryCase& c : {EntryCase{"colorA=0000FF", true, 0, 0x0000FFu},
                               EntryCase{"ColorB=a1b2c3", true, 1, 0xA1B2C3u},
                               EntryCase{"colorA=0000F", false, 0, 0}, EntryCase{"colorZ=000000", false, 0, 0},
                               EntryCase{"colourA=000000", false, 0, 0}, EntryCase{"colorA=00G000", false, 0, 0}}) {
        auto parsed = parseCustomColour(c.entry);
        ASSERT_EQ(parsed.has_value(), c.ok) << c.entry;
        if (c.ok) {
            EXPECT_EQ(parsed->slot, c.slot) << c.entry;
            EXPECT_EQ(parsed->colour, c.colour) << c.entry;
        }
    }

    EXPECT_EQ(toQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(toQColor(0x123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(toQColor(kButtonFaceColour), QColor(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(fromQColor(QColor(0x56, 0x34, 0x12)), 0x123456u);
    EXPECT_EQ(toCp1252(QStringLiteral(u"\u20AC\u00E9\u03A9")), "\x80\xE9?");
    EXPECT_EQ(fromCp1252("\x80\xE9"), QStringLiteral(u"\u20AC\u00E9"));
}

TEST(QtUiDialogs, SaveDialogSelectsAndReportsTheFilterAndNeverAsksToOverwrite) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile existing(dir.filePath(QStringLiteral("old.cam")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();

    QtUi ui;
    FileDialogRequest request{"Save Datas", "Car datas|*.car|Camset|*.cam", 2, "cam", toPath(dir.path())};
    struct Case { QString typed; QString expected; };
    for (const Case& c : {Case{"set1", dir.filePath("set1.cam")}, Case{"old.cam", dir.filePath("old.cam")}}) {
        bool checked = false;
        onModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save Datas"));
            EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("Camset (*.cam)"));
            EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
            checked = true;
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(c.typed);
            // An overwrite question would be a second modal box: answer it so
            // that the test ends, and fail.
            QPointer<QTimer> guard = onModal([](QWidget* box) {
                ADD_FAILURE() << "asked " << box->metaObject()->className();
                if (auto* m = qobject_cast<QMessageBox*>(box)) m->accept();
            });
            static_cast<QDialog*>(dialog)->accept();
            delete guard.data();
        });
        auto answer = ui.saveFile(request);
        ASSERT_TRUE(checked);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(QDir::cleanPath(fromPath(answer->path)), QDir::cleanPath(c.expected));
        EXPECT_EQ(answer->filterIndex, 2);
    }
    QWidget* left = QApplication::activeModalWidget();
    EXPECT_EQ(left, nullptr);
}

TEST(QtUiDialogs, ANameWithoutExtensionTakesTheOneOfTheFilterChosen) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtUi ui;
    FileDialogRequest request{"Save CamSet", "Car data File (*.car)|*.car|CamSet File (*.cam)|*.cam", 1, "car",
                              toPath(dir.path())};
    struct Case { int choose; QString expected; int filter; };
    for (const Case& c : {Case{0, dir.filePath("set.car"), 1}, Case{1, dir.filePath("set.cam"), 2}}) {
        onModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            const QString filter = dialog->nameFilters().at(c.choose);
            // What the dialog does when the user picks a filter from its list.
            dialog->selectNameFilter(filter);
            emit dialog->filterSelected(filter);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("set"));
            static_cast<QDialog*>(dialog)->accept();
        });
        auto answer = ui.saveFile(request);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(QDir::cleanPath(fromPath(answer->path)), QDir::cleanPath(c.expected));
        EXPECT_EQ(answer->filterIndex, c.filter);
    }
}

TEST(QtUiDialogs, ColourDialogStartsFromTheColourAndTheCustomEntry) {
    QtUi ui;
    onModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->currentColor(), QColor(255, 0, 0));
        EXPECT_EQ(QColorDialog::customColor(0), QColor(0, 0x80, 0xFF));
        dialog->setCurrentColor(QColor(0, 0, 255));
        dialog->accept();
    });
    auto chosen = ui.chooseColour({0x0000FF, {"colorA=FF8000"}});
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, 0xFF0000u);

    onModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(ui.chooseColour({0x0000FF, {}}).has_value());
}

TEST(QtUiDialogs, MessagesCarryTheProgramsTitleAndText) {
    QtUi ui;
    QString title, text;
    onModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        box->accept();
    });
    ui.message("Caf\xE9 ready");
    EXPECT_EQ(title, QStringLiteral("Varnisk 6.6"));
    EXPECT_EQ(text, QString::fromUtf8("Café ready"));
}

// A camera set of twelve records and the chase pair: camera 4's X stored
// as -100 (the field shows half of it), every other value 0.
void writeCameraSet(const QString& path) {
    QByteArray bytes(244, '\0');
    bytes[4 * 20] = static_cast<char>(0x9C);
    bytes[4 * 20 + 1] = static_cast<char>(0xFF);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST_F(Windows, OnlyASingleLocalValueSetFileIsTakenAsItIsDragged) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QUrl cam = QUrl::fromLocalFile(dir.filePath(QStringLiteral("cameras.cam")));
    struct Case {
        const char* what;
        QList<QUrl> urls;
        bool taken;
    };
    const std::vector<Case> cases{
        {"a camera set", {cam}, true},
        {"a tyre set in capitals", {QUrl::fromLocalFile(dir.filePath(QStringLiteral("BRANDS.TYR")))}, true},
        {"a car data file", {QUrl::fromLocalFile(dir.filePath(QStringLiteral("teams.Car")))}, true},
        {"two files", {cam, QUrl::fromLocalFile(dir.filePath(QStringLiteral("teams.car")))}, false},
        {"another kind", {QUrl::fromLocalFile(dir.filePath(QStringLiteral("notes.txt")))}, false},
        {"no local file", {QUrl(QStringLiteral("https://example.org/cameras.cam"))}, false},
        {"text alone", {}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QMimeData data;
        if (c.urls.isEmpty()) data.setText(QStringLiteral("cameras.cam"));
        else data.setUrls(c.urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &enter);
        EXPECT_EQ(enter.isAccepted(), c.taken);
    }
    // Only the main window takes files.
    QMimeData data;
    data.setUrls({cam});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&save, &enter);
    EXPECT_FALSE(enter.isAccepted());
    // A field leaves a dropped file to the window rather than take its name
    // as text.
    EXPECT_FALSE(widget<QLineEdit>("LMDEdit4")->acceptDrops());
    EXPECT_FALSE(widget<QLineEdit>("LMDSlot0")->acceptDrops());  // on a page filled as it first shows
    EXPECT_TRUE(main.acceptDrops());
}

TEST_F(Windows, ACameraSetDroppedOntoTheWindowLoadsAsOneStep) {
    showMain();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Dropped.CAM"));
    writeCameraSet(path);
    const std::string before = control("LMDEdit4").text;
    ASSERT_NE(before, "-50");

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return control("Status").caption == "Camset loaded"; }));
    EXPECT_EQ(control("LMDEdit4").text, "-50");
    EXPECT_EQ(widget<QLineEdit>("LMDEdit4")->text(), QStringLiteral("-50"));
    EXPECT_TRUE(ui.errors().empty());
    EXPECT_TRUE(ui.dialogs().empty());
    ASSERT_FALSE(editor.history.undoNames().empty());
    EXPECT_EQ(editor.history.undoNames().back(), "Load File");
    EXPECT_EQ(registry.readRecentFiles(), std::vector<std::string>{toPath(path)});

    QTest::keyClick(widget<QLineEdit>("LMDEdit4"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(control("LMDEdit4").text, before);
}

// The Load dialog offers the files used last in a list of its own; choosing
// one answers the dialog with it.
TEST(QtUiDialogs, TheOpenDialogOffersTheRecentFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("older")));
    const QString recent = dir.filePath(QStringLiteral("last.cam"));
    const QString older = dir.filePath(QStringLiteral("older/first.car"));
    for (const QString& p : {recent, older}) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QtUi ui;
    FileDialogRequest request{"Load CamSet", "All readable files|*.car;*.cam;*.tyr", 1, "", toPath(dir.path()),
                              {toPath(recent), toPath(older)}};
    QStringList shown;
    onModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* list = dialog != nullptr ? dialog->findChild<QComboBox*>(QStringLiteral("recentFiles")) : nullptr;
        if (list == nullptr) {
            ADD_FAILURE() << "no list of recent files in " << modal->metaObject()->className();
            static_cast<QDialog*>(modal)->reject();  // the test ends
            return;
        }
        EXPECT_TRUE(list->isVisible());
        for (int i = 0; i < list->count(); ++i) shown.append(list->itemText(i));
        // What the list does when the user picks its second entry.
        list->setCurrentIndex(1);
        emit list->activated(1);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog stays open";
            dialog->reject();
        }
    });
    auto answer = ui.openFile(request);
    EXPECT_EQ(shown, (QStringList{QDir::toNativeSeparators(recent), QDir::toNativeSeparators(older)}));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(QDir::cleanPath(fromPath(answer->path)), QDir::cleanPath(older));
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Without a display the tests run on Qt's offscreen platform.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    varnisk::app::applyLook(app);
    return RUN_ALL_TESTS();
}

// Import All pressed in the window fills the widgets from a generated game,
// and a double-click on a colour panel opens the colour dialog with the
// panel's colour as its first custom colour.
TEST(WindowOnAGame, ImportAllFillsTheWidgetsAndPanelsOpenTheColourDialog) {
    const auto folder = std::filesystem::temp_directory_path() / ("varnisk-window-game-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    gamegen::GameSpec spec;
    gamegen::writeGame(folder, spec);
    ScriptedUi ui;
    MemoryRegistry registry(folder.string());
    Editor editor{ui, registry, {startDir()}};
    FormWindow main{editor, editor.main, FormWindow::OnClose::EndProgram};
    editor.dispatch([&] { editor.main.show(); });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    QTest::mouseClick(qobject_cast<QPushButton*>(main.widgetFor("ImportButton")), Qt::LeftButton);
    EXPECT_TRUE(ui.errors().empty());
    EXPECT_EQ(qobject_cast<QLabel*>(main.widgetFor("Status"))->text(), QStringLiteral("Import Done"));
    const auto& record = spec.values.cameras[0];  // the cockpit camera: X stored twice the field
    EXPECT_EQ(qobject_cast<QLineEdit*>(main.widgetFor("LMDEdit105"))->text(), QString::number(record[0] / 2));
    const std::uint32_t arm = spec.values.arms[0];
    const QColor shown = static_cast<app::Swatch*>(main.widgetFor("PanelAC0"))->colour();
    EXPECT_EQ(shown, QColor((arm >> 16) & 0xFF, (arm >> 8) & 0xFF, arm & 0xFF));
    EXPECT_EQ(qobject_cast<QLineEdit*>(main.widgetFor("LMDSlot0"))->text(),
              fromCp1252(editor.main.get("LMDSlot0").text));

    ui.queue(ScriptedUi::ColourAnswer{0});
    auto* onglets = qobject_cast<QTabWidget*>(main.widgetFor("Onglets"));
    onglets->setCurrentIndex(2);
    QTest::mouseDClick(main.widgetFor("PanelAC0"), Qt::LeftButton);
    ASSERT_EQ(ui.dialogs().size(), 1u);
    char entry[16];
    std::snprintf(entry, sizeof entry, "colorA=%02X%02X%02X", arm & 0xFF, (arm >> 8) & 0xFF, (arm >> 16) & 0xFF);
    EXPECT_EQ(ui.dialogs()[0].colour.customColours, (std::vector<std::string>{entry}));
    EXPECT_EQ(editor.main.get("PanelAC0").colour, 0x010101u);  // black chosen comes back as almost black
    std::filesystem::remove_all(folder);
}

// A drag on a field in the window: the pressed field holds the mouse, so the
// moves reach it even over another field, and its value follows the cursor.
// Draggable fields and the preview show cursors that say so.
TEST_F(Windows, AFieldDragHoldsTheMouseAndTheCursorsSaySo) {
    showMain();
    editor.SheetReady = 1;
    editor.main.setText(control("LMDEdit12"), "40");
    QWidget* dragged = main.widgetFor("LMDEdit12");
    QWidget* other = main.widgetFor("LMDEdit22");
    const std::string otherText = control("LMDEdit22").text;

    ui.setCursor({100, 100});
    QTest::mousePress(dragged, Qt::LeftButton, Qt::NoModifier, {5, 5});
    EXPECT_EQ(editor.main.mouseHolder(), &control("LMDEdit12"));
    ui.setCursor({130, 40});
    QTest::mouseMove(other, {5, 5});
    EXPECT_EQ(control("LMDEdit12").text, "70");
    EXPECT_EQ(qobject_cast<QLineEdit*>(dragged)->text(), QStringLiteral("70"));
    EXPECT_EQ(control("LMDEdit22").text, otherText);
    QTest::mouseRelease(dragged, Qt::LeftButton, Qt::NoModifier, {5, 5});
    EXPECT_FALSE(editor.drag.FieldDragOn);
    EXPECT_EQ(editor.main.mouseHolder(), nullptr);

    EXPECT_EQ(dragged->cursor().shape(), Qt::SizeHorCursor);
    EXPECT_EQ(main.widgetFor("LMDTP1")->cursor().shape(), Qt::SizeHorCursor);
    EXPECT_EQ(main.widgetFor("LMDEdit61")->cursor().shape(), Qt::IBeamCursor);  // selects, drags nothing
    EXPECT_EQ(main.widgetFor("LMDSlot0")->cursor().shape(), Qt::IBeamCursor);
    EXPECT_EQ(main.widgetFor("GLView")->cursor().shape(), Qt::SizeAllCursor);
}

// The preview in the window: set up when the window first shows, then one
// frame for every repaint the program asks for, drawn as the selected camera
// sees the car.
TEST(WindowOnAGame, ThePreviewDrawsTheCarAsTheCameraSeesIt) {
    const auto folder = std::filesystem::temp_directory_path() / ("varnisk-window-view-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    gamegen::writeGame(folder, gamegen::GameSpec{});
    ScriptedUi ui;
    MemoryRegistry registry(folder.string());
    Editor editor{ui, registry, {startDir()}};
    FormWindow main{editor, editor.main, FormWindow::OnClose::EndProgram};
    ASSERT_TRUE(editor.startUp());
    editor.dispatch([&] { editor.main.show(); });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    auto* view = dynamic_cast<ViewControl*>(main.widgetFor("GLView"));
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->framesDrawn() > 0; }));
    EXPECT_TRUE(view->scene().view);
    EXPECT_EQ(view->scene().lastFrame.row, 105);
    EXPECT_TRUE(ui.messages().empty()) << ui.messages().front();

    // Red arms, and camera 3 behind the car.
    auto edit = [&](const char* name, const char* text) {
        editor.dispatch([&] { editor.main.userEdit(editor.main.get(name), text); });
    };
    editor.dispatch([&] { editor.main.setColour(editor.main.get("PanelAC0"), 0x0000FF); });
    editor.dispatch([&] { editor.main.userClick(editor.main.get("PanelAC0")); });
    for (auto [name, text] : {std::pair{"LMDEdit3", "0"}, {"LMDEdit23", "150"}, {"LMDEdit13", "-500"},
                              {"LMDEdit33", "0"}, {"LMDEdit43", "-15"}, {"LMDEdit53", "0"}}) {
        edit(name, text);
    }
    editor.drag.PressedCamField = "LMDEdit3";
    const long long before = view->framesDrawn();
    edit("LMDEdit3", "1");
    view->requestFrame();  // what the window's Ui does for every repaint the program asks for
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->framesDrawn() > before; }));
    EXPECT_EQ(view->scene().lastFrame.row, 3);
    const QImage frame = view->grabFramebuffer();
    EXPECT_EQ(QColor(frame.pixel(2, 2)).rgb(), QColor(217, 240, 255).rgb());
    int red = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const QColor c = frame.pixelColor(x, y);
            red += c.red() > 60 && c.red() > 2 * c.green() && c.red() > 2 * c.blue() ? 1 : 0;
        }
    }
    EXPECT_GT(red, 2000);
    std::filesystem::remove_all(folder);
}

// --- what the windows show is readable ---

namespace {

// The width QLineEdit gives a text: its contents less the text margins and
// its own two pixels on either side. A text fits when it and the cursor
// after it take no more; a longer one scrolls and loses its first
// characters.
bool showsWhole(QLineEdit* edit, const QString& text) {
    const int room = edit->contentsRect().marginsRemoved(edit->textMargins()).width() - 2 * 2;
    return QFontMetrics(edit->font()).horizontalAdvance(text) + 1 <= room;
}

std::vector<app::Panel*> panelsOf(FormWindow& window) {
    std::vector<app::Panel*> out;
    for (const auto& c : window.form().controls()) {
        if (auto* panel = dynamic_cast<app::Panel*>(window.widgetFor(*c))) out.push_back(panel);
    }
    return out;
}

// Whether a one-line panel shows `text` whole, measured against the label's
// own text rect.
bool showsWhole(app::Panel* panel, const QString& text) {
    return panel->text() == text && QFontMetrics(panel->font()).horizontalAdvance(text) <= panel->textRoom() &&
           panel->textRoom() <= panel->contentsRect().width();
}

}  // namespace

TEST_F(Windows, TheLongestValuesShowWholeInTheirFields) {
    // The widest text each family of fields can be given by an import: the
    // camera rows hold 16-bit numbers (X, Y, Z halved; the details and the
    // chase values as they are), the T-cam columns halved 16-bit numbers
    // less an offset, helmets and tyres hundredths, the wheel and dashboard
    // positions tenths.
    struct Family { const char* prefix; std::vector<QString> values; };
    const std::vector<Family> families = {
        {"LMDEdit", {"-32768", "-16384", "-3852"}}, {"LMDTC", {"-16464", "-3852"}},
        {"LMDHP", {"-12345", "-3852"}},            {"LMDTP", {"-12345", "-3852"}},
        {"LMDEW", {"-3852.5", "-12345.6"}},        {"LMDSW", {"-3852.5", "-12345.6"}},
        {"LMDDB", {"-3852.5", "-12345.6"}},
    };
    for (const auto& c : editor.main.controls()) c->on.change = nullptr;  // the sheet was never imported
    showMain();
    int checked = 0;
    for (const auto& c : editor.main.controls()) {
        if (c->kind != ControlKind::Edit || c->name == "LMDEdit103") continue;
        const Family* family = nullptr;
        for (const Family& f : families) {
            if (c->name.rfind(f.prefix, 0) == 0) family = &f;
        }
        if (c->name.rfind("LMDSlot", 0) == 0) continue;  // team names: below
        ASSERT_NE(family, nullptr) << c->name;
        auto* edit = dynamic_cast<app::FieldEdit*>(main.widgetFor(*c));
        ASSERT_NE(edit, nullptr) << c->name;
        for (const QString& value : family->values) {
            editor.main.setText(*c, value.toStdString());
            EXPECT_EQ(edit->text(), value);
            EXPECT_TRUE(showsWhole(edit, value)) << c->name << " " << value.toStdString() << " in " << edit->width();
            EXPECT_FALSE(edit->elided()) << c->name;
            EXPECT_TRUE(edit->toolTip().isEmpty()) << c->name;
            // Drawn narrower only as far as it must, and still readable.
            const int stretch = edit->font().stretch();
            EXPECT_TRUE(stretch == 0 || stretch == QFont::AnyStretch || stretch >= app::FieldEdit::kNarrowest)
                << c->name << " " << stretch;
        }
        // A short value is drawn at the window's font again.
        editor.main.setText(*c, "12");
        EXPECT_EQ(edit->font().toString(), main.font().toString()) << c->name;
        ++checked;
    }
    EXPECT_GT(checked, 150);

    // Five-digit values of the camera grid need no narrowing at all.
    auto* x = dynamic_cast<app::FieldEdit*>(main.widgetFor("LMDEdit12"));
    editor.main.setText(control("LMDEdit12"), "-3852");
    EXPECT_EQ(x->font().toString(), main.font().toString());
    EXPECT_TRUE(showsWhole(x, QStringLiteral("-3852")));

    // What is typed is fitted the same way.
    x->setFocus();
    x->selectAll();
    QTest::keyClicks(x, "-16384");
    EXPECT_EQ(x->text(), QStringLiteral("-16384"));
    EXPECT_TRUE(showsWhole(x, x->text()));
}

TEST_F(Windows, EveryStatusMessageAndFixedCaptionShowsWhole) {
    showMain();
    // Every message the program puts in the status panel.
    const char* messages[] = {
        "Import Done",          "Nothing to export",     "Export cancelled",          "Default Tyre brands",       "Default Tyre Positions",
        "Default T-Cam Positions", "Default Helmets Positions", "Default Ext. Wheel Pos.", "Default Rim colors",
        "Default Arm colors",   "Default Cameras Positions", "Default Cockpit Positions", "Default Teams Datas",
        "Reset to default",     "Camset loaded",         "Tyre Set loaded",           "Camset saved",
        "Car datas saved"};
    auto* status = dynamic_cast<app::Panel*>(main.widgetFor("Status"));
    ASSERT_NE(status, nullptr);
    for (const char* message : messages) {
        editor.setStatus(message);
        EXPECT_TRUE(showsWhole(status, QString::fromLatin1(message)))
            << message << ": " << QFontMetrics(status->font()).horizontalAdvance(QString::fromLatin1(message))
            << " in " << status->textRoom();
        EXPECT_TRUE(status->toolTip().isEmpty()) << message;
    }

    // The captions of the three windows as built, the default team names
    // among them, show whole.
    for (FormWindow* window : {&main, &credits, &save, &changesWindow}) {
        for (app::Panel* panel : panelsOf(*window)) {
            if (panel->caption().contains(QLatin1Char('\n'))) continue;
            EXPECT_TRUE(showsWhole(panel, panel->caption())) << panel->caption().toStdString();
        }
    }

    // Buttons keep a margin around their captions; boxes, radio buttons and
    // group titles fit their widths.
    constexpr int kButtonMargin = 3;
    for (FormWindow* window : {&main, &credits, &save, &changesWindow}) {
        for (const auto& c : window->form().controls()) {
            QWidget* w = window->widgetFor(*c);
            if (auto* button = qobject_cast<QPushButton*>(w)) {
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
                const int advance = QFontMetrics(button->font()).horizontalAdvance(button->text());
                EXPECT_LE(advance + 2 * kButtonMargin, contents.width())
                    << button->text().toStdString() << " in " << contents.width();
            } else if (auto* box = qobject_cast<QCheckBox*>(w); box != nullptr && !box->text().isEmpty()) {
                EXPECT_LE(box->sizeHint().width(), box->width()) << box->text().toStdString();
            } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
                EXPECT_LE(QFontMetrics(group->font()).horizontalAdvance(group->title()) + 16, group->width())
                    << group->title().toStdString();
            } else if (auto* radio = qobject_cast<app::RadioChoice*>(w)) {
                for (QAbstractButton* item : radio->findChildren<QAbstractButton*>()) {
                    EXPECT_LE(item->sizeHint().width(), radio->contentsRect().width() - 6) << item->text().toStdString();
                }
            }
        }
    }

    // The tabs' captions fit their flat buttons.
    auto* tabs = widget<QTabWidget>("Onglets");
    for (int i = 0; i < tabs->count(); ++i) {
        const int advance = QFontMetrics(tabs->tabBar()->font()).horizontalAdvance(tabs->tabText(i));
        EXPECT_LE(advance + 2, tabs->tabBar()->tabRect(i).width() - 1) << tabs->tabText(i).toStdString();
    }
}

TEST_F(Windows, ALongTeamNameEndsInAnEllipsisWithTheWholeNameAsTooltip) {
    showMain();
    const QString name = QStringLiteral("Scuderia Kestrel Grand Prix Team");  // 32 bytes, the most a name holds
    ASSERT_EQ(name.size(), 32);
    auto endsInEllipsis = [&](const QString& shown) {
        return shown.endsWith(QChar(0x2026)) && shown.size() > 1 && name.startsWith(shown.chopped(1));
    };

    // Captions on the External, Cockpit and Tyres tabs and among the
    // original names of the Slots tab.
    for (const char* panelName : {"PanelTC0", "Panel46", "PanelTT1", "OrigName0"}) {
        editor.main.setCaption(control(panelName), name.toStdString());
        auto* panel = dynamic_cast<app::Panel*>(main.widgetFor(panelName));
        ASSERT_NE(panel, nullptr) << panelName;
        EXPECT_TRUE(endsInEllipsis(panel->text())) << panelName << ": " << panel->text().toStdString();
        EXPECT_LE(QFontMetrics(panel->font()).horizontalAdvance(panel->text()), panel->textRoom()) << panelName;
        EXPECT_EQ(panel->toolTip(), name) << panelName;
        // A name that fits shows whole, without a tooltip.
        editor.main.setCaption(control(panelName), "Blue Heron");
        EXPECT_TRUE(showsWhole(panel, QStringLiteral("Blue Heron"))) << panelName;
        EXPECT_TRUE(panel->toolTip().isEmpty()) << panelName;
    }

    // The current name's field of the Slots tab: cut short while it is not
    // being edited, whole while it is.
    auto* slot = dynamic_cast<app::FieldEdit*>(main.widgetFor("LMDSlot0"));
    ASSERT_NE(slot, nullptr);
    editor.main.setText(control("LMDSlot0"), name.toStdString());
    EXPECT_EQ(slot->text(), name);
    EXPECT_TRUE(slot->elided());
    EXPECT_EQ(slot->toolTip(), name);
    // The field draws the start of the name and an ellipsis: its first
    // letter stands near the left edge, where a scrolled line edit would
    // have shown the end of the name instead. Centred, so drawn from the
    // left only when cut.
    {
        const QImage image = slot->grab().toImage();
        int firstInk = -1;
        for (int x = 2; x < image.width() - 2 && firstInk < 0; ++x) {
            for (int y = 2; y < image.height() - 2; ++y) {
                if (qGray(image.pixel(x, y)) < 128) {
                    firstInk = x;
                    break;
                }
            }
        }
        EXPECT_GE(firstInk, 2);
        EXPECT_LE(firstInk, 6);
    }
    // Focus goes only to a widget of the active window; on a busy machine
    // the window may not be active yet.
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    slot->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return slot->hasFocus(); }));
    EXPECT_FALSE(slot->elided());
    EXPECT_EQ(slot->toolTip(), name);
    main.widgetFor("LMDSlot1")->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !slot->hasFocus(); }));
    EXPECT_TRUE(slot->elided());
    editor.main.setText(control("LMDSlot0"), "Blue Heron");
    EXPECT_FALSE(slot->elided());
    EXPECT_TRUE(slot->toolTip().isEmpty());
    EXPECT_TRUE(showsWhole(slot, QStringLiteral("Blue Heron")));

    // The save window's team labels: the hint the program gives them stays
    // the tooltip, whether the name fits or not.
    Control& label = editor.save.get("Label1");
    auto* saveLabel = dynamic_cast<app::Panel*>(save.widgetFor(label));
    ASSERT_NE(saveLabel, nullptr);
    editor.save.setCaption(label, name.toStdString());
    editor.save.setHint(label, name.toStdString());
    EXPECT_TRUE(endsInEllipsis(saveLabel->text())) << saveLabel->text().toStdString();
    EXPECT_EQ(saveLabel->toolTip(), name);
    editor.save.setCaption(label, "Blue Heron");
    editor.save.setHint(label, "Blue Heron");
    EXPECT_EQ(saveLabel->text(), QStringLiteral("Blue Heron"));
    EXPECT_EQ(saveLabel->toolTip(), QStringLiteral("Blue Heron"));
}

// --- keys that close the credits and the save window ---

TEST_F(Windows, EscapeClosesTheCreditsAndTheSaveWindowAndReturnTheCredits) {
    showMain();
    int oks = 0;
    Control& ok = editor.credits.get("Button1");
    auto okClick = ok.on.click;
    ok.on.click = [&oks, okClick](Control& c) {
        ++oks;
        okClick(c);
    };
    auto showCredits = [&] {
        editor.dispatch([&] { editor.aboutClick(); });
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&credits));
        credits.activateWindow();
    };

    showCredits();
    QTest::keyClick(credits.widgetFor("Button1"), Qt::Key_Escape);
    EXPECT_FALSE(editor.credits.visible());
    EXPECT_FALSE(credits.isVisible());
    EXPECT_EQ(oks, 0);

    struct Case { Qt::Key key; Qt::KeyboardModifiers modifiers; };
    for (const Case& k : {Case{Qt::Key_Return, Qt::NoModifier}, Case{Qt::Key_Enter, Qt::KeypadModifier}}) {
        showCredits();
        const int before = oks;
        QTest::keyClick(credits.widgetFor("Button1"), k.key, k.modifiers);
        EXPECT_EQ(oks, before + 1);  // as pressing OK
        EXPECT_FALSE(editor.credits.visible());
        EXPECT_FALSE(credits.isVisible());
    }
    // Return with a modifier is not OK.
    showCredits();
    QTest::keyClick(&credits, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(editor.credits.visible());
    QTest::keyClick(&credits, Qt::Key_Escape);
    EXPECT_FALSE(editor.credits.visible());

    // The save window: Escape closes it as its title bar would, with nothing
    // saved; Return, with two buttons to choose from, presses neither.
    editor.dispatch([&] { editor.save.show(); });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&save));
    QWidget* box = save.widgetFor("CBCam1");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(editor.save.visible());
    EXPECT_TRUE(save.isVisible());
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_FALSE(editor.save.visible());
    EXPECT_FALSE(save.isVisible());
    EXPECT_TRUE(ui.dialogs().empty());
    EXPECT_TRUE(ui.errors().empty());

    // The main window stays.
    QTest::keyClick(&main, Qt::Key_Escape);
    EXPECT_TRUE(editor.main.visible());
    EXPECT_TRUE(main.isVisible());
}

TEST_F(Windows, CtrlZUndoesAndCtrlYRedoesWhereverTheFocusIs) {
    showMain();
    auto* edit = widget<QLineEdit>("LMDEdit12");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "45");
    ASSERT_EQ(control("LMDEdit12").text, "45");

    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(control("LMDEdit12").text, "0");  // both keys at once
    EXPECT_EQ(edit->text(), QStringLiteral("0"));
    EXPECT_EQ(control("Status").caption, "Undone: Camera 1 \xB7 Y");  // the step is named by the value's label
    QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("45"));
    EXPECT_EQ(control("Status").caption, "Redone: Camera 1 \xB7 Y");

    // With a button in focus, and redo as Ctrl+Shift+Z.
    QWidget* button = main.widgetFor("LoadButton");
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("0"));
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("45"));
    EXPECT_EQ(editor.history.undoNames(), std::vector<std::string>{"Camera 1 \xB7 Y"});
    EXPECT_TRUE(ui.errors().empty());
}

TEST_F(Windows, ClosingWithEditsNeitherExportedNorSavedAsksFirst) {
    showMain();
    const auto messageBox = main.askOnClose;
    int asked = 0;
    Editor::CloseAnswer answer = Editor::CloseAnswer::Cancel;
    main.askOnClose = [&] {
        ++asked;
        return answer;
    };
    EXPECT_TRUE(main.close());  // nothing to lose: no question
    EXPECT_EQ(asked, 0);
    showMain();
    auto* edit = widget<QLineEdit>("LMDEdit12");
    edit->setFocus();
    QTest::keyClicks(edit, "7");
    EXPECT_FALSE(main.close());  // Cancel keeps the window
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(asked, 1);
    answer = Editor::CloseAnswer::Discard;
    EXPECT_TRUE(main.close());
    EXPECT_EQ(asked, 2);

    // The question itself: three answers, Export first; Escape is Cancel.
    QStringList buttons;
    QString text;
    onModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Export"));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(messageBox(), Editor::CloseAnswer::Cancel);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Cancel", "Discard", "Export"}));
    EXPECT_TRUE(text.contains(QStringLiteral("Export them to the game before closing?"))) << text.toStdString();
}

// --- the marks of changed values and the list of changes ---

namespace {

// A generated game in a folder of its own, removed at the end.
struct GeneratedGame {
    std::filesystem::path folder;
    gamegen::GameSpec spec;

    explicit GeneratedGame(const std::string& name)
        : folder(std::filesystem::temp_directory_path() / ("varnisk-window-" + name + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(folder);
        gamegen::writeGame(folder, spec);
    }
    ~GeneratedGame() { std::filesystem::remove_all(folder); }
    GeneratedGame(const GeneratedGame&) = delete;
    GeneratedGame& operator=(const GeneratedGame&) = delete;

    std::filesystem::path exe() const { return folder / spec.exeName; }
    // Where GP4.exe keeps camera record k's X (the field LMDEdit<k>'s value, halved).
    std::uint64_t cameraX(int k) const {
        return gamegen::exeLayout(spec.versionByte).cameras + gamegen::kCameraRecordSize * static_cast<std::uint64_t>(k);
    }
    std::int16_t readCameraX(int k) const {
        std::FILE* f = std::fopen(exe().c_str(), "rb");
        unsigned char b[2] = {0, 0};
        if (f != nullptr) {
            std::fseek(f, static_cast<long>(cameraX(k)), SEEK_SET);
            if (std::fread(b, 1, 2, f) != 2) b[0] = b[1] = 0;
            std::fclose(f);
        }
        return static_cast<std::int16_t>(b[0] | (b[1] << 8));
    }
    // Another program writes camera record k's X.
    void writeCameraX(int k, std::int16_t stored) const {
        std::FILE* f = std::fopen(exe().c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        const unsigned char b[2] = {static_cast<unsigned char>(stored & 0xFF),
                                    static_cast<unsigned char>((static_cast<std::uint16_t>(stored) >> 8) & 0xFF)};
        std::fseek(f, static_cast<long>(cameraX(k)), SEEK_SET);
        EXPECT_EQ(std::fwrite(b, 1, 2, f), 2u);
        std::fclose(f);
    }
};

// A generated game imported into an editor, its main window shown and the
// list of changes ready to show, with the Ui the test gives.
struct OnAGame {
    GeneratedGame game;
    MemoryRegistry registry;
    Editor editor;
    FormWindow main{editor, editor.main, FormWindow::OnClose::EndProgram};
    FormWindow changes{editor, editor.changesForm, FormWindow::OnClose::HideForm};

    OnAGame(Ui& ui, const std::string& name) : game(name), registry(game.folder.string()), editor(ui, registry, {startDir()}) {}

    void importAndShow() {
        ASSERT_TRUE(editor.startUp());
        editor.dispatch([&] { editor.main.show(); });
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    }
    Control& control(const char* name) { return editor.main.get(name); }
    template <class W>
    W* widget(const char* name) {
        W* w = dynamic_cast<W*>(main.widgetFor(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void showTab(int index) {
        auto* tabs = widget<QTabWidget>("Onglets");
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(index).center());
    }
    // The user types a new value over a field's text.
    void type(const char* name, const QString& text) {
        auto* edit = widget<app::FieldEdit>(name);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    app::RowList* rows() { return dynamic_cast<app::RowList*>(changes.widgetFor("List")); }
};

// The colour the widget draws at a point.
QColor pixelOf(QWidget* w, QPoint at) { return w->grab().toImage().pixelColor(at); }

}  // namespace

// A value typed into a field that differs from the game's files tints the
// field and says the game's value in its tooltip; undo takes the mark away
// with the value. A value its place cannot hold has a look of its own; colour
// panels and brand selectors carry their marks too.
TEST(WindowOnAGame, ChangedValuesAreMarkedWhereTheyShow) {
    ScriptedUi ui;
    OnAGame g(ui, "marks");
    g.importAndShow();
    auto* x = g.widget<app::FieldEdit>("LMDEdit3");
    ASSERT_EQ(x->text(), QStringLiteral("850"));
    const QPoint background(2, 2);
    const QColor plain = pixelOf(x, background);
    EXPECT_EQ(plain, QColor(Qt::white));
    EXPECT_TRUE(x->toolTip().isEmpty());

    struct Case {
        const char* typed;
        Mark mark;
        const char* tip;
    };
    for (const Case& k : {Case{"44", Mark::Modified, "In the game: 850"},
                          Case{"99999", Mark::DoesNotFit, "99999 does not fit; it must lie between -16384 and 16383"},
                          Case{"850", Mark::None, ""}}) {
        SCOPED_TRACE(k.typed);
        g.type("LMDEdit3", QString::fromLatin1(k.typed));
        ASSERT_EQ(g.control("LMDEdit3").mark, k.mark);
        EXPECT_EQ(x->mark(), k.mark);
        EXPECT_EQ(x->toolTip(), QString::fromLatin1(k.tip));
        EXPECT_EQ(pixelOf(x, background), k.mark == Mark::None ? plain : app::markTint(k.mark));
        // The text keeps its colour.
        EXPECT_EQ(x->palette().color(QPalette::Active, QPalette::Text), QColor(Qt::black));
    }

    // Typed again, then undone: the mark goes with the value.
    g.type("LMDEdit3", QStringLiteral("44"));
    EXPECT_EQ(pixelOf(x, background), app::markTint(Mark::Modified));
    QTest::keyClick(x, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(x->text(), QStringLiteral("850"));
    EXPECT_EQ(x->mark(), Mark::None);
    EXPECT_EQ(pixelOf(x, background), plain);
    EXPECT_TRUE(x->toolTip().isEmpty());

    // A marked field that is disabled still looks disabled: grey text on
    // nearly the face colour, not on the tint.
    QTest::keyClick(x, Qt::Key_Y, Qt::ControlModifier);
    ASSERT_EQ(x->mark(), Mark::Modified);
    g.editor.main.setEnabled(g.control("LMDEdit3"), false);
    const QColor off = pixelOf(x, background);
    const QColor face = toQColor(kButtonFaceColour);
    EXPECT_NE(off, app::markTint(Mark::Modified));
    EXPECT_LE(std::abs(off.red() - face.red()) + std::abs(off.green() - face.green()) + std::abs(off.blue() - face.blue()), 60)
        << off.name().toStdString();
    EXPECT_EQ(x->palette().color(QPalette::Disabled, QPalette::Text), QColor(96, 96, 96));
    g.editor.main.setEnabled(g.control("LMDEdit3"), true);
    EXPECT_EQ(pixelOf(x, background), app::markTint(Mark::Modified));

    // A colour panel: a marker in its top right corner, its colour whole
    // elsewhere.
    g.showTab(2);
    auto* arm = g.widget<app::Swatch>("PanelAC0");
    const QColor before = arm->colour();
    ui.queue(ScriptedUi::ColourAnswer{0x00FF00});
    QTest::mouseDClick(arm, Qt::LeftButton);  // the double click's own event, then its release
    QTest::mouseRelease(arm, Qt::LeftButton);
    ASSERT_EQ(g.control("PanelAC0").mark, Mark::Modified);
    EXPECT_EQ(arm->mark(), Mark::Modified);
    EXPECT_TRUE(arm->toolTip().startsWith(QStringLiteral("In the game: "))) << arm->toolTip().toStdString();
    const QRect inner = arm->contentsRect();
    const QPoint corner(inner.right(), inner.top());
    EXPECT_EQ(pixelOf(arm, corner), app::markAccent(Mark::Modified));
    EXPECT_EQ(pixelOf(arm, inner.center()), QColor(0, 255, 0));
    EXPECT_EQ(pixelOf(arm, inner.bottomLeft()), QColor(0, 255, 0));
    QTest::keyClick(&g.main, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(arm->colour(), before);
    EXPECT_EQ(arm->mark(), Mark::None);
    EXPECT_TRUE(arm->toolTip().isEmpty());
    EXPECT_EQ(pixelOf(arm, corner), before);

    // A brand selector: its arrows on the tint.
    g.showTab(3);
    auto* brand = g.widget<app::ArrowPair>("UpDown4");
    const int position = g.control("UpDown4").position;
    QTest::mouseClick(position == 0 ? brand->upButton() : brand->downButton(), Qt::LeftButton);
    ASSERT_NE(g.control("UpDown4").position, position);
    EXPECT_EQ(brand->mark(), Mark::Modified);
    EXPECT_TRUE(brand->toolTip().startsWith(QStringLiteral("In the game: "))) << brand->toolTip().toStdString();
    EXPECT_EQ(brand->upButton()->palette().color(QPalette::Button), app::markTint(Mark::Modified));
    const QColor arrowFace = pixelOf(brand->upButton(), {2, 2});
    EXPECT_EQ(arrowFace, app::markTint(Mark::Modified));
    QTest::keyClick(&g.main, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(g.control("UpDown4").position, position);
    EXPECT_EQ(brand->mark(), Mark::None);
    EXPECT_EQ(brand->upButton()->palette().color(QPalette::Button), g.main.palette().color(QPalette::Button));
    EXPECT_TRUE(brand->toolTip().isEmpty());
    EXPECT_TRUE(ui.errors().empty());
}

// The list of changes: Ctrl+L in a field or the badge over the preview shows
// it; its rows are the model's; selecting a row shows the value's tab, a
// double click puts the focus in its field, and Put Back puts it back.
TEST(WindowOnAGame, TheListOfChangesShowsSelectsAndPutsBack) {
    ScriptedUi ui;
    OnAGame g(ui, "list");
    g.importAndShow();
    g.type("LMDEdit3", QStringLiteral("44"));
    g.showTab(3);
    g.type("LMDTP1", QStringLiteral("55"));

    // The badge says how many, over the preview and above it.
    auto* badge = g.widget<QPushButton>("ChangesButton");
    ASSERT_TRUE(badge->isVisible());
    EXPECT_EQ(badge->text(), QStringLiteral("2 changes"));
    EXPECT_TRUE(g.main.widgetFor("GLView")->geometry().contains(badge->geometry()));
    EXPECT_EQ(g.main.childAt(badge->geometry().center()), badge);

    // Ctrl+L while typing in a field opens the list and types nothing.
    g.showTab(0);
    auto* x = g.widget<app::FieldEdit>("LMDEdit3");
    x->setFocus();
    QTest::keyClick(x, Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(g.editor.changesForm.visible());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g.changes));
    EXPECT_EQ(x->text(), QStringLiteral("44"));
    EXPECT_EQ(g.changes.windowTitle(), QStringLiteral("Changes to Export"));

    app::RowList* rows = g.rows();
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(rows->heads(), (QStringList{"File", "Value", "In the game", "In the sheet", "On disk now"}));
    ASSERT_EQ(rows->topLevelItemCount(), 2);
    EXPECT_EQ(rows->rows(), (QStringList{QStringLiteral(u"GP4.exe\tCamera 2 \u00B7 X\t850\t44"),
                                         QStringLiteral(u"cars.wad\tFront right tyre \u00B7 X\t71\t55")}));
    EXPECT_EQ(rows->topLevelItem(1)->text(3), QStringLiteral("55"));
    EXPECT_EQ(rows->index(), -1);

    Control& list = g.editor.changesForm.get("List");
    int chosen = 0, opened = 0;
    const auto change = list.on.change;
    list.on.change = [&chosen, change](Control& c) {
        ++chosen;
        change(c);
    };
    const auto doubleClick = list.on.doubleClick;
    list.on.doubleClick = [&opened, doubleClick](Control& c) {
        ++opened;
        doubleClick(c);
    };
    auto rowCentre = [rows](int row) { return rows->visualItemRect(rows->topLevelItem(row)).center(); };

    // A click on the tyre's row selects it and brings the Tyres tab forward.
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rowCentre(1));
    EXPECT_EQ(list.index, 1);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(g.control("Onglets").index, 3);
    EXPECT_EQ(g.widget<QTabWidget>("Onglets")->currentIndex(), 3);
    auto* putBack = qobject_cast<QPushButton*>(g.changes.widgetFor("PutBack"));
    ASSERT_NE(putBack, nullptr);
    EXPECT_TRUE(putBack->isEnabled());

    // The rows follow an edit made while the list is open, in the items they
    // had and with the selection kept.
    QTreeWidgetItem* first = rows->topLevelItem(0);
    g.editor.dispatch([&] { g.editor.main.userEdit(g.control("LMDEdit3"), "45"); });
    EXPECT_EQ(rows->topLevelItem(0), first);
    EXPECT_EQ(first->text(3), QStringLiteral("45"));
    EXPECT_EQ(rows->index(), 1);
    // A row above the selected one goes and comes back: the selection stays
    // on the tyre's row.
    for (const char* value : {"850", "45"}) {
        g.editor.dispatch([&] { g.editor.main.userEdit(g.control("LMDEdit3"), value); });
        ASSERT_EQ(list.index, std::string(value) == "850" ? 0 : 1);
        EXPECT_EQ(rows->index(), list.index) << value;
        EXPECT_EQ(rows->topLevelItem(list.index)->text(0), QStringLiteral("cars.wad")) << value;
    }
    EXPECT_EQ(chosen, 1);  // none of that was the user's choice

    // Put Back: the value is the game's again, in the model and the field,
    // and its row is gone.
    QTest::mouseClick(putBack, Qt::LeftButton);
    EXPECT_EQ(g.control("LMDTP1").text, "71");
    EXPECT_EQ(g.widget<QLineEdit>("LMDTP1")->text(), QStringLiteral("71"));
    EXPECT_EQ(g.widget<app::FieldEdit>("LMDTP1")->mark(), Mark::None);
    EXPECT_EQ(rows->rows(), (QStringList{QStringLiteral(u"GP4.exe\tCamera 2 \u00B7 X\t850\t45")}));
    EXPECT_EQ(list.items.size(), 1u);
    // The selection moves on to the row in its place, ready for the next.
    EXPECT_EQ(rows->index(), 0);
    EXPECT_EQ(list.index, 0);
    EXPECT_TRUE(putBack->isEnabled());
    EXPECT_EQ(badge->text(), QStringLiteral("1 change"));

    // A double click on a row: one choice, one double click; the main
    // window shows the field's tab and the field takes the focus with its
    // whole text selected.
    g.showTab(5);
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rowCentre(0));
    QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {}, rowCentre(0));
    QTest::mouseRelease(rows->viewport(), Qt::LeftButton, {}, rowCentre(0));
    EXPECT_EQ(chosen, 1);  // the row was selected already
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(g.control("Onglets").index, 0);
    EXPECT_EQ(g.widget<QTabWidget>("Onglets")->currentIndex(), 0);
    EXPECT_EQ(g.main.focusWidget(), x);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == x; }));
    EXPECT_EQ(x->selectedText(), QStringLiteral("45"));

    // Escape hides the list; the badge shows it again.
    g.changes.activateWindow();
    QTest::keyClick(rows, Qt::Key_Escape);
    EXPECT_FALSE(g.editor.changesForm.visible());
    EXPECT_FALSE(g.changes.isVisible());
    QTest::mouseClick(badge, Qt::LeftButton);
    EXPECT_TRUE(g.editor.changesForm.visible());
    EXPECT_TRUE(g.changes.isVisible());
    EXPECT_TRUE(ui.errors().empty());
}

// Coming back to the program looks at the game's files: a value the user
// edited that another program changed meanwhile is told once, and the list
// shows what the file holds now.
TEST(WindowOnAGame, ComingBackToTheProgramLooksAtTheGamesFiles) {
    ScriptedUi ui;
    OnAGame g(ui, "back");
    g.importAndShow();
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(ui.messages().empty());
    g.type("LMDEdit3", QStringLiteral("44"));
    g.game.writeCameraX(3, 60);
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(ui.messages().empty());
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_NE(ui.messages()[0].find("Camera 2 \xB7 X: 850 when read, 30 on disk now, 44 in the sheet"), std::string::npos)
        << ui.messages()[0];
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(ui.messages().size(), 1u);

    QTest::keyClick(g.widget<QWidget>("LMDEdit3"), Qt::Key_L, Qt::ControlModifier);
    ASSERT_EQ(g.rows()->topLevelItemCount(), 1);
    EXPECT_EQ(g.rows()->topLevelItem(0)->text(4), QStringLiteral("30"));
}

// Export All with a value another program changed asks in a message box;
// each answer does what it says, on the sheet and to the file's bytes.
TEST(WindowOnAGame, ExportAllAsksAboutAnotherProgramsValueAndEachAnswerHolds) {
    struct Case {
        const char* answer;
        std::int16_t cameraX;  // camera 2's X in GP4.exe afterwards (twice the field)
        bool otherWritten;     // whether camera 3's edit went out
        const char* sheetX;
        const char* status;
    };
    for (const Case& c : {Case{"Overwrite", 88, true, "44", "Exported 2 values: GP4.exe 2"},
                          Case{"Take theirs", 60, true, "30", "Exported 1 value: GP4.exe 1"},
                          Case{"Cancel", 60, false, "44", "Export cancelled"}}) {
        SCOPED_TRACE(c.answer);
        QtUi ui;
        OnAGame g(ui, "ask");
        g.importAndShow();
        const std::int16_t cameraThree = g.game.readCameraX(4);
        g.type("LMDEdit3", QStringLiteral("44"));
        g.type("LMDEdit4", QStringLiteral("50"));
        g.game.writeCameraX(3, 60);

        QStringList answers;
        QString text, preferred;
        bool asked = false;
        onModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            asked = true;
            text = box->text();
            preferred = box->defaultButton() != nullptr ? box->defaultButton()->text() : QString();
            QAbstractButton* chosen = nullptr;
            for (QAbstractButton* b : box->buttons()) {
                answers << b->text();
                if (b->text() == QString::fromLatin1(c.answer)) chosen = b;
            }
            ASSERT_NE(chosen, nullptr);
            QTest::mouseClick(chosen, Qt::LeftButton);
        });
        QTest::mouseClick(g.widget<QPushButton>("ExportButton"), Qt::LeftButton);
        ASSERT_TRUE(asked);
        EXPECT_EQ(answers, (QStringList{"Overwrite", "Take theirs", "Cancel"}));
        EXPECT_EQ(preferred, QStringLiteral("Cancel"));
        EXPECT_TRUE(text.contains(QStringLiteral(u"Camera 2 \u00B7 X: 850 when read, 30 on disk now, 44 in the sheet")))
            << text.toStdString();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

        EXPECT_EQ(g.game.readCameraX(3), c.cameraX);
        EXPECT_EQ(g.game.readCameraX(4), c.otherWritten ? 100 : cameraThree);
        EXPECT_EQ(g.control("LMDEdit3").text, c.sheetX);
        EXPECT_EQ(g.widget<QLineEdit>("LMDEdit3")->text(), QString::fromLatin1(c.sheetX));
        EXPECT_EQ(g.control("Status").caption, c.status);
        // What the sheet holds now is what the file holds, but after Cancel.
        EXPECT_EQ(g.widget<app::FieldEdit>("LMDEdit3")->mark(), c.otherWritten ? Mark::None : Mark::Modified);
    }
}

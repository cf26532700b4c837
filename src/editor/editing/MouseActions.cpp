#include "editing/MouseActions.h"

#include <array>
#include <cmath>
#include <numbers>
#include <string>

#include "core/Editor.h"
#include "gamedata/FieldSheet.h"
#include "numeric/Numbers.h"

namespace varnisk {

namespace {

constexpr std::string_view kCamFamily = "LMDEdit";
constexpr std::string_view kKeysThatPass = "-1234567890.";

// The fields of the Details tab: a press there selects the row's camera and
// starts no drag.
bool isDetailsField(int n) { return (n >= 61 && n <= 100) || n >= 160; }

bool isChaseField(int n) { return n == 101 || n == 102; }

// The whole part of a drag result, toward zero, without a negative zero.
long double wholePart(long double value) {
    long double whole = std::trunc(value);
    return whole == 0 ? 0.0L : whole;
}

}  // namespace

int camFieldNumber(std::string_view name) {
    int n = 0;
    for (char c : name.substr(kCamFamily.size())) n = n * 10 + (c - '0');
    return n;
}

int rowBase(int n) {
    if (n < 105) return n % 10 == 0 ? 10 : n % 10;
    return n % 5 == 0 ? 105 : 106;
}

bool isDirectionField(int n) { return (n >= 31 && n <= 40) || n == 135 || n == 136; }

void numericKey(Editor& editor, char& ch) {
    if (ch == '\b' || (ch != 0 && kKeysThatPass.find(ch) != std::string_view::npos)) return;
    ch = 0;
    editor.ui.beep();
}

void clicdown(Editor& editor, Control& field) {
    DragState& d = editor.drag;
    const int n = camFieldNumber(field.name);
    const bool details = isDetailsField(n);
    const Point at = editor.ui.cursorPos();
    d.DragStartX = at.x;
    d.DragStartY = at.y;
    d.PressedCamField = field.name;
    // The values are read before the drag starts: a field that holds no
    // number starts no drag from the values of an earlier press.
    std::int32_t value = 0, pitch = 0;
    try {
        value = getCamField(editor.main, n);
        if (isDirectionField(n)) pitch = getCamField(editor.main, n + 10);
    } catch (...) {
        if (!details) d.FieldDragOn = false;
        throw;
    }
    if (!details) d.FieldDragOn = true;
    d.DragStartValues[0] = value;
    if (isDirectionField(n)) d.DragStartValues[1] = pitch;
}

void cameraFieldMove(Editor& editor) {
    const DragState& d = editor.drag;
    if (!d.FieldDragOn || d.PressedCamField.empty()) return;
    const int n = camFieldNumber(d.PressedCamField);
    const Point at = editor.ui.cursorPos();
    setCamField(editor.main, n, static_cast<long double>(d.DragStartValues[0]) + (at.x - static_cast<long double>(d.DragStartX)));
    if (isDirectionField(n)) {
        setCamField(editor.main, n + 10,
                    static_cast<long double>(d.DragStartValues[1]) + (static_cast<long double>(d.DragStartY) - at.y));
    }
}

void clicup(Editor& editor) { editor.drag.FieldDragOn = false; }

void clicdownTP(Editor& editor, Control& field) {
    DragState& d = editor.drag;
    const Point at = editor.ui.cursorPos();
    d.DragStartX = at.x;
    d.DragStartY = at.y;
    d.PressedFloatField = field.name;
    float value = 0;
    try {
        value = toFloat32(parseFloat(field.text));
    } catch (...) {
        d.FieldDragOn = false;
        throw;
    }
    d.FieldDragOn = true;
    d.DragStartFloat = value;
}

void moveTP(Editor& editor) {
    const DragState& d = editor.drag;
    if (!d.FieldDragOn || d.PressedFloatField.empty()) return;
    const Point at = editor.ui.cursorPos();
    // The rounding takes away the noise of the single-precision start value:
    // 12.3 dragged five pixels to the right reads 17.3.
    const long double value = static_cast<long double>(d.DragStartFloat) + (at.x - static_cast<long double>(d.DragStartX));
    setNumberField(editor.main, d.PressedFloatField, roundTo(value, -4));
}

void downgl(Editor& editor, MouseButton button) {
    DragState& d = editor.drag;
    d.ViewDragOn = true;
    const Point at = editor.ui.cursorPos();
    d.DragStartX = at.x;
    d.DragStartY = at.y;
    if (d.PressedCamField.empty()) d.PressedCamField = "LMDEdit105";
    const int n = camFieldNumber(d.PressedCamField);
    const int shownBefore = editor.CurrentCamField;
    editor.CurrentCamField = n;
    if (!isChaseField(n)) {
        const int b = rowBase(n);
        editor.CurrentCamField = b;
        std::array<std::int32_t, 5> values{};
        try {
            for (int j = 0; j < 5; ++j) values[static_cast<std::size_t>(j)] = getCamField(editor.main, b + 10 * j);
        } catch (...) {
            d.ViewDragOn = false;
            throw;
        }
        d.ViewDragMode = button == MouseButton::Left ? "G" : button == MouseButton::Right ? "D" : "M";
        d.DragStartValues = values;
    }
    if (editor.CurrentCamField != shownBefore) editor.requestFrame();
}

void movegl(Editor& editor) {
    const DragState& d = editor.drag;
    if (!d.ViewDragOn || isChaseField(editor.CurrentCamField)) return;
    // Each write below runs the camera change handler, which sets the shown
    // camera to the last pressed field, not always its row's first column:
    // the row is taken from it anew.
    const int b = rowBase(editor.CurrentCamField);
    Form& f = editor.main;
    const Point at = editor.ui.cursorPos();
    const long double dx = at.x - static_cast<long double>(d.DragStartX);
    const long double dy = static_cast<long double>(d.DragStartY) - at.y;
    const long double k = std::fabs(getCamField(f, b + 20) / 400.0L) + 1;
    const int width = f.get("GLView").bounds.width;
    const long double w = 400.0L / (width > 0 ? width : 1);
    const auto& start = d.DragStartValues;
    if (d.ViewDragMode == "G") {
        const long double a = getCamField(f, b + 30) * std::numbers::pi_v<long double> / 180;
        setCamField(f, b + 10, wholePart(start[1] + k * (dx * std::sin(a) - dy * std::cos(a))));
        setCamField(f, b, wholePart(start[0] - k * (dx * std::cos(a) + dy * std::sin(a))));
    } else if (d.ViewDragMode == "D") {
        setCamField(f, b + 20, wholePart(start[2] + k * dy));
    } else if (d.ViewDragMode == "M") {
        setCamField(f, b + 30, wholePart(start[3] + w * dx));
        setCamField(f, b + 40, wholePart(start[4] + w * dy));
    }
}

void upgl(Editor& editor) { editor.drag.ViewDragOn = false; }

void cameraChange(Editor& editor, Control& field) {
    if (editor.SheetReady <= 0 || field.text.empty() || field.text == "-") return;
    editor.setStatus("");
    if (!editor.drag.PressedCamField.empty()) editor.CurrentCamField = camFieldNumber(editor.drag.PressedCamField);
    editor.requestFrame();
}

void wireMouseActions(Editor& editor) {
    Form& f = editor.main;
    auto key = [&editor](Control&, char& ch) { numericKey(editor, ch); };
    auto camera = [&](int n) {
        Control& c = f.get(fieldName("LMDEdit", n));
        c.on.press = [&editor](Control& field, MouseButton) { clicdown(editor, field); };
        c.on.click = [&editor](Control& field) { cameraChange(editor, field); };
        if (isDetailsField(n)) return;
        c.on.key = key;
        c.on.move = [&editor](Control&) { cameraFieldMove(editor); };
        c.on.release = [&editor](Control&) { clicup(editor); };
        c.on.change = [&editor](Control& field) { cameraChange(editor, field); };
    };
    for (int k = 0; k < 12; ++k) {
        const int base = cameraRowBase(k);
        for (int j = 0; j < 10; ++j) {
            if (base == 106 && (j == 1 || j == 2)) continue;  // the T-cam row has no Y and no Z
            camera(base + 10 * j);
        }
    }
    camera(101);
    camera(102);

    auto floatField = [&](const std::string& name) {
        Control& c = f.get(name);
        c.on.key = key;
        c.on.press = [&editor](Control& field, MouseButton) { clicdownTP(editor, field); };
        c.on.move = [&editor](Control&) { moveTP(editor); };
        c.on.release = [&editor](Control&) { clicup(editor); };
    };
    for (const char* family : {"LMDTC", "LMDEW", "LMDHP"}) {
        for (int t = 0; t < 11; ++t) {
            floatField(fieldName(family, t));
            floatField(fieldName(family, t + 20));
        }
    }
    for (int n = 1; n <= 12; ++n) floatField(fieldName("LMDTP", n));
    for (int n = 0; n < 3; ++n) {
        floatField(fieldName("LMDSW", n));
        floatField(fieldName("LMDDB", n));
    }

    Control& view = f.get("GLView");
    view.on.press = [&editor](Control&, MouseButton button) { downgl(editor, button); };
    view.on.move = [&editor](Control&) { movegl(editor); };
    view.on.release = [&editor](Control&) { upgl(editor); };
}

}  // namespace varnisk

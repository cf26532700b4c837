#include "editing/PreviewFeed.h"

#include <array>
#include <string>

#include "core/Editor.h"
#include "gamedata/FieldSheet.h"
#include "numeric/Numbers.h"

namespace varnisk {

namespace {

long double floatOf(const Form& f, const char* family, int n) { return parseFloat(f.get(fieldName(family, n)).text); }

std::int16_t shortOf(const Form& f, const char* family, int n) {
    return wrapInt16(parseInt(f.get(fieldName(family, n)).text));
}

// Team t's values as the preview takes them: helmet and external wheel
// (with the game's reference pair) in the game's units, T-cam as stored.
std::array<float, 2> helmetOffset(const Form& f, int t) {
    return {toFloat32(floatOf(f, "LMDHP", t) / 100), toFloat32(floatOf(f, "LMDHP", t + 20) / 100)};
}
std::array<float, 2> extWheelOffset(const Editor& editor, int t) {
    const Form& f = editor.main;
    return {toFloat32(floatOf(f, "LMDEW", t) / 200 + editor.game.wheelRef[0]),
            toFloat32(floatOf(f, "LMDEW", t + 20) / 200 + editor.game.wheelRef[1])};
}
std::array<std::int16_t, 2> tcamCache(const Form& f, int t) { return {shortOf(f, "LMDTC", t), shortOf(f, "LMDTC", t + 20)}; }

// The two letters after "LMD" in a field's name: "SW", "DB", "TC", ...
std::string familyCode(const Control& field) { return field.name.substr(3, 2); }

// A panel's colour as the preview's material: red, green and blue in 256ths,
// opaque.
std::array<float, 4> material(std::uint32_t colour) {
    const std::uint32_t c = resolveColour(colour);
    auto part = [c](int shift) { return toFloat32(static_cast<long double>((c >> shift) & 0xFFu) / 256); };
    return {part(0), part(8), part(16), 1.0f};
}

}  // namespace

bool sheetTextReady(const Editor& editor, const Control& field) {
    return editor.SheetReady > 0 && !field.text.empty() && field.text != "-";
}

void changeTP(Editor& editor, Control& field) {
    if (!sheetTextReady(editor, field)) return;
    // A field that holds no number leaves the four records as they were.
    editor.game.tyres = tyresFromFields(editor.main);
    editor.requestFrame();
}

void changeSW(Editor& editor, Control& field) {
    if (!sheetTextReady(editor, field) || field.text.back() == '.') return;
    const Form& f = editor.main;
    auto& cockpit = editor.game.cockpit;  // dashboard X, Z, Y, wheel X, Z, Y
    const std::string family = familyCode(field);
    if (family == "SW") {
        const long double x = floatOf(f, "LMDSW", 0), y = floatOf(f, "LMDSW", 1), z = floatOf(f, "LMDSW", 2);
        cockpit[3] = toFloat32(x / 100);
        cockpit[4] = toFloat32(z / 100);
        cockpit[5] = toFloat32((y - 90) / 100);
        editor.drag.PressedCamField = "LMDEdit105";
        editor.CurrentCamField = 105;
    } else if (family == "DB") {
        const long double x = floatOf(f, "LMDDB", 0), y = floatOf(f, "LMDDB", 1), z = floatOf(f, "LMDDB", 2);
        cockpit[0] = toFloat32((x - 0.6L) / 200);
        cockpit[1] = toFloat32((z - 3) / 200);
        cockpit[2] = toFloat32((y - 63) / 100);
        editor.preview.ReloadDashboard = true;
    }
    editor.requestFrame();
}

void lmdChangeHelmet(Editor& editor, Control& field) {
    if (!sheetTextReady(editor, field)) return;
    const int m = field.number();
    const int t = m > 10 ? m - 20 : m;
    if (t < 0 || t > 10) return;
    const Form& f = editor.main;
    PreviewState& p = editor.preview;
    const std::string family = familyCode(field);
    if (family == "EW") {
        p.ExtWheelOffset = extWheelOffset(editor, t);
    } else if (family == "HP") {
        p.HelmetOffset = helmetOffset(f, t);
    } else if (family == "TC") {
        p.TCamCache = tcamCache(f, t);
        editor.drag.PressedCamField = "LMDEdit106";
        editor.CurrentCamField = 106;
    }
    carRefresh(editor, t);
}

void carRefresh(Editor& editor, int t) {
    if (t < 0 || t > 10) return;
    Form& f = editor.main;
    PreviewState& p = editor.preview;
    editor.setStatus("");
    p.HelmetOffset = helmetOffset(f, t);
    p.ExtWheelOffset = extWheelOffset(editor, t);
    p.TCamCache = tcamCache(f, t);
    p.RimMaterial = material(f.get(fieldName("PanelRC", t)).colour);
    p.ArmMaterial = material(f.get(fieldName("PanelAC", t)).colour);
    if (t != p.LastShownTeam) p.ReloadCarShape = true;
    p.CarTeamKey = editor.game.names[static_cast<std::size_t>(t)];
    p.LastShownTeam = t;
    editor.requestFrame();
}

void switchClick(Editor& editor) {
    editor.CurrentCamField = 101;
    PreviewState& p = editor.preview;
    p.ChaseRear = !p.ChaseRear;
    // The caption names the view the next click switches to.
    editor.main.setCaption(editor.main.get("Switch"), p.ChaseRear ? "Front Cam" : "Rear Cam");
    editor.requestFrame();
}

void wirePreviewFeed(Editor& editor) {
    Form& f = editor.main;
    for (int n = 1; n <= 12; ++n) {
        f.get(fieldName("LMDTP", n)).on.change = [&editor](Control& c) { changeTP(editor, c); };
    }
    auto sw = [&editor](Control& c) { changeSW(editor, c); };
    for (int n = 0; n < 3; ++n) {
        for (const char* family : {"LMDSW", "LMDDB"}) {
            Control& c = f.get(fieldName(family, n));
            c.on.change = sw;
            c.on.click = sw;
        }
    }
    auto helmet = [&editor](Control& c) { lmdChangeHelmet(editor, c); };
    for (const char* family : {"LMDTC", "LMDEW", "LMDHP"}) {
        for (int t = 0; t < 11; ++t) {
            for (int n : {t, t + 20}) {
                Control& c = f.get(fieldName(family, n));
                c.on.change = helmet;
                c.on.click = helmet;
            }
        }
    }
    f.get("Switch").on.click = [&editor](Control&) { switchClick(editor); };
}

}  // namespace varnisk

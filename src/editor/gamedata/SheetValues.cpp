#include "gamedata/SheetValues.h"

#include "game/Colours.h"
#include "gamedata/FieldSheet.h"
#include "numeric/Numbers.h"

namespace varnisk {

namespace {

long long intField(const Form& f, const char* family, int n) { return parseInt(f.get(fieldName(family, n)).text); }
long double floatField(const Form& f, const char* family, int n) { return parseFloat(f.get(fieldName(family, n)).text); }

// A panel that still holds a system colour is taken as that colour's value.
std::uint32_t panelColour(const Form& f, const char* family, int n) {
    return colourToGame(static_cast<std::int32_t>(resolveColour(f.get(fieldName(family, n)).colour)));
}

}  // namespace

CameraRow readCameraRow(const Form& f, int record) {
    const int base = cameraRowBase(record);
    CameraRow row{};
    for (int j = 0; j < 10; ++j) row[j] = getCamField(f, base + 10 * j);
    return row;
}

void showCameraRow(Form& f, int record, const CameraRow& row) {
    const int base = cameraRowBase(record);
    for (int j = 0; j < 10; ++j) setCamField(f, base + 10 * j, row[j]);
}

void showChase(Form& f, const std::array<std::int16_t, 2>& stored, CameraForm form) {
    const std::array<int, 2> chase = decodeChase(stored, form);
    setCamField(f, 101, chase[0]);
    setCamField(f, 102, chase[1]);
}

void takeArmColour(const Form& f, GameData& g, int t) { g.arms[t] = panelColour(f, "PanelAC", t) + 0xFF000000u; }

void takeRimColour(const Form& f, GameData& g, int t) { g.rims[t] = panelColour(f, "PanelRC", t); }

void takeHelmet(const Form& f, GameData& g, int t) {
    const float y = toFloat32(intField(f, "LMDHP", t) / 100.0L);
    const float z = toFloat32(intField(f, "LMDHP", t + 20) / 100.0L);
    g.helmets[t] = {z, y};
}

void takeExtWheel(const Form& f, GameData& g, int t) {
    const float y = toFloat32(floatField(f, "LMDEW", t) / 200.0L);
    const float z = toFloat32(floatField(f, "LMDEW", t + 20) / 200.0L);
    g.extWheel[t] = {z, y};
}

void takeTcam(const Form& f, GameData& g, int t) {
    const std::int16_t y = wrapInt16(intField(f, "LMDTC", t) * 2 + 160);
    const std::int16_t z = wrapInt16(intField(f, "LMDTC", t + 20) * 2 - 122);
    g.tcam[t] = {z, y};
}

void takeTeamValues(const Form& f, GameData& g, int t) {
    takeArmColour(f, g, t);
    takeRimColour(f, g, t);
    takeHelmet(f, g, t);
    takeExtWheel(f, g, t);
    takeTcam(f, g, t);
}

void showTeamValues(Form& f, const GameData& g, int t, bool withExtWheel) {
    setNumberField(f, fieldName("LMDTC", t), divTrunc(g.tcam[t][1] - 160, 2));
    setNumberField(f, fieldName("LMDTC", t + 20), divTrunc(g.tcam[t][0] + 122, 2));
    setNumberField(f, fieldName("LMDHP", t), roundTo(100.0L * g.helmets[t][1], 0));
    setNumberField(f, fieldName("LMDHP", t + 20), roundTo(100.0L * g.helmets[t][0], 0));
    f.setColour(f.get(fieldName("PanelAC", t)), gameToColour(g.arms[t]));
    f.setColour(f.get(fieldName("PanelRC", t)), gameToColour(g.rims[t]));
    f.setEnabled(f.get(fieldName("PanelRC", t + 20)), false);
    f.setEnabled(f.get(fieldName("PanelAC", t + 20)), false);
    if (withExtWheel) {
        setNumberField(f, fieldName("LMDEW", t), roundTo(200.0L * g.extWheel[t][1], -1));
        setNumberField(f, fieldName("LMDEW", t + 20), roundTo(200.0L * g.extWheel[t][0], -1));
    }
}

}  // namespace varnisk

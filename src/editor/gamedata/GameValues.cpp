#include "gamedata/GameValues.h"

#include <cfloat>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/Bytes.h"
#include "base/Errors.h"
#include "game/Colours.h"
#include "game/ExeLayout.h"
#include "game/SavedState.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/TyreData.h"
#include "numeric/Numbers.h"

namespace varnisk {

namespace {

constexpr const char* kDot = " \xB7 ";

// The cockpit fields LMDSW0..2 and LMDDB0..2, in that order: their value in
// GameData's cockpit block (dashboard X, Z, Y, wheel X, Z, Y).
constexpr std::array<int, 6> kCockpitIndex{3, 5, 4, 0, 2, 1};
// A camera column's int16 within its record (X, Z, Y stored; columns X, Y, Z).
int cameraSlot(int column) { return column == 1 ? 2 : column == 2 ? 1 : column; }

bool isInteger(ValueCodec c) {
    switch (c) {
    case ValueCodec::CameraPosition:
    case ValueCodec::CameraAngle:
    case ValueCodec::CameraDetail:
    case ValueCodec::Chase:
    case ValueCodec::TcamY:
    case ValueCodec::TcamZ:
    case ValueCodec::Helmet: return true;
    default: return false;
    }
}

bool isDecimal(ValueCodec c) { return c == ValueCodec::ExtWheel || c == ValueCodec::Cockpit || c == ValueCodec::Tyre; }

std::string number(long double v) { return formatGeneral(v); }

std::vector<std::uint8_t> i16Bytes(std::int16_t v) {
    std::vector<std::uint8_t> b;
    bytes::addI16(b, v);
    return b;
}
std::vector<std::uint8_t> u32Bytes(std::uint32_t v) {
    std::vector<std::uint8_t> b;
    bytes::addU32(b, v);
    return b;
}
std::vector<std::uint8_t> f32Bytes(float v) {
    std::vector<std::uint8_t> b;
    bytes::addF32(b, v);
    return b;
}

// The cockpit field's text for its stored float, as Import All shows it.
long double cockpitShown(int field, float stored) {
    switch (field) {
    case 0: return roundTo(100.0L * stored, -1);         // wheel X
    case 1: return roundTo(100.0L * stored, -1) + 90;    // wheel Y
    case 2: return roundTo(100.0L * stored, -1);         // wheel Z
    case 3: return roundTo(200.0L * stored + 0.6L, -1);  // dashboard X
    case 4: return roundTo(100.0L * stored, -1) + 63;    // dashboard Y
    default: return roundTo(200.0L * stored, -1) + 3;    // dashboard Z
    }
}

// The float stored for a cockpit field's value; its inverse.
long double cockpitStored(int field, long double shown) {
    switch (field) {
    case 0: return shown / 100;
    case 1: return (shown - 90) / 100;
    case 2: return shown / 100;
    case 3: return (shown - 0.6L) / 200;
    case 4: return (shown - 63) / 100;
    default: return (shown - 3) / 200;
    }
}
long double cockpitShownExact(int field, long double stored) {
    switch (field) {
    case 0:
    case 2: return stored * 100;
    case 1: return stored * 100 + 90;
    case 3: return stored * 200 + 0.6L;
    case 4: return stored * 100 + 63;
    default: return stored * 200 + 3;
    }
}

// The float a decimal value is stored as, in extended precision.
long double storedDecimal(const GameValue& v, long double shown) {
    switch (v.codec) {
    case ValueCodec::ExtWheel: return shown / 200;
    case ValueCodec::Cockpit: return cockpitStored(v.record, shown);
    default: return shown / 100;  // tyres
    }
}
long double shownDecimal(const GameValue& v, long double stored) {
    switch (v.codec) {
    case ValueCodec::ExtWheel: return stored * 200;
    case ValueCodec::Cockpit: return cockpitShownExact(v.record, stored);
    default: return stored * 100;
    }
}

// The field values an integer codec can store: {lowest, highest}.
std::pair<long long, long long> integerRange(const GameValue& v) {
    switch (v.codec) {
    case ValueCodec::CameraPosition:
    case ValueCodec::Chase: return {-16384, 16383};
    case ValueCodec::CameraAngle: return {-180, 180};
    case ValueCodec::CameraDetail: return {-32768, 32767};
    // Team 0's T-cam values also go, doubled, into the T-cam record.
    case ValueCodec::TcamY: return {v.team == 0 ? -16384 : -16464, 16303};
    case ValueCodec::TcamZ: return {-16323, v.team == 0 ? 16383 : 16444};
    default: return {INT32_MIN, INT32_MAX};
    }
}

}  // namespace

const char* gameFileName(GameFileKind file) {
    switch (file) {
    case GameFileKind::Exe: return "GP4.exe";
    case GameFileKind::SavedState: return "f1gstate.sav";
    case GameFileKind::Archive: return "cars.wad";
    }
    return "";
}

std::string countsByFile(const std::array<std::size_t, 3>& counts) {
    std::string text;
    for (GameFileKind file : kGameFileKinds) {
        const std::size_t n = counts[static_cast<std::size_t>(file)];
        if (n == 0) continue;
        if (!text.empty()) text += ", ";
        text += std::string(gameFileName(file)) + " " + std::to_string(n);
    }
    return text;
}

const std::vector<GameValue>& gameValues() {
    static const std::vector<GameValue> table = [] {
        std::vector<GameValue> t;
        auto add = [&t](std::string control, GameFileKind file, ValueCodec codec, int record, int column, int team,
                        bool primary = true) {
            t.push_back({std::move(control), file, codec, record, column, team, primary});
        };
        const GameFileKind exe = GameFileKind::Exe;
        // The camera rows from top to bottom, as the Cameras and Details tabs show them.
        for (int k : {0, 11, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1}) {
            for (int j = 0; j < 10; ++j) {
                if (k == 11 && (j == 1 || j == 2)) continue;  // the T-Cam row has no Y and no Z field
                const ValueCodec codec =
                    j < 3 ? ValueCodec::CameraPosition : j < 6 ? ValueCodec::CameraAngle : ValueCodec::CameraDetail;
                add(fieldName("LMDEdit", cameraRowBase(k) + 10 * j), exe, codec, k, j, -1);
            }
        }
        add("LMDEdit101", exe, ValueCodec::Chase, -1, 0, -1);
        add("LMDEdit102", exe, ValueCodec::Chase, -1, 1, -1);
        for (int n = 0; n < 3; ++n) add(fieldName("LMDSW", n), exe, ValueCodec::Cockpit, n, -1, -1);
        for (int n = 0; n < 3; ++n) add(fieldName("LMDDB", n), exe, ValueCodec::Cockpit, 3 + n, -1, -1);
        for (int team = 0; team < 11; ++team) {
            add(fieldName("LMDTC", team), exe, ValueCodec::TcamY, -1, 1, team);
            add(fieldName("LMDTC", team + 20), exe, ValueCodec::TcamZ, -1, 0, team);
        }
        for (int team = 0; team < 11; ++team) {
            add(fieldName("LMDEW", team), exe, ValueCodec::ExtWheel, -1, 1, team);
            add(fieldName("LMDEW", team + 20), exe, ValueCodec::ExtWheel, -1, 0, team);
        }
        for (int team = 0; team < 11; ++team) {
            add(fieldName("LMDHP", team), exe, ValueCodec::Helmet, -1, 1, team);
            add(fieldName("LMDHP", team + 20), exe, ValueCodec::Helmet, -1, 0, team);
        }
        for (int team = 0; team < 11; ++team) add(fieldName("PanelAC", team), exe, ValueCodec::Arm, -1, -1, team);
        for (int team = 0; team < 11; ++team) add(fieldName("PanelRC", team), exe, ValueCodec::Rim, -1, -1, team);
        for (int team = 0; team < 11; ++team) add(fieldName("LMDSlot", team), exe, ValueCodec::Name, -1, -1, team);
        add("UpDown2", exe, ValueCodec::BrandString, -1, -1, 1);
        for (int team = 0; team < 11; ++team) {
            add(fieldName("UpDown", team + 1), GameFileKind::SavedState, ValueCodec::BrandCode, -1, -1, team, team != 1);
        }
        for (int j = 0; j < 4; ++j) {
            for (int k = 0; k < 3; ++k) add(tyreFieldName(j, k), GameFileKind::Archive, ValueCodec::Tyre, j, k, -1);
        }
        return t;
    }();
    return table;
}

std::string controlValue(const Control& c) {
    switch (c.kind) {
    case ControlKind::Edit: return c.text;
    case ControlKind::Colour: return std::to_string(resolveColour(c.colour));
    case ControlKind::UpDown: return std::to_string(c.position);
    default: return c.caption;
    }
}

bool sameValue(ValueCodec codec, const std::string& a, const std::string& b) {
    if (a == b) return true;
    try {
        if (isInteger(codec)) return parseInt(a) == parseInt(b);
        if (isDecimal(codec)) return parseFloat(a) == parseFloat(b);
    } catch (const ConversionError&) {
    }
    return false;
}

std::string shownValue(const GameValue& v, const std::string& value) {
    if (v.codec != ValueCodec::BrandString && v.codec != ValueCodec::BrandCode) return value;
    int position = 0;
    try {
        position = parseInt(value);
    } catch (const ConversionError&) {
        return value;
    }
    // The saved state keeps Bridgestone or Michelin; team 1's own brand is
    // stored there as Michelin.
    if (v.codec == ValueCodec::BrandCode && position != 0) position = 1;
    return tyreBrandCaption(position);
}

std::string readableValue(const GameValue& v, const std::string& shown) {
    if (v.codec != ValueCodec::Arm && v.codec != ValueCodec::Rim) return shown;
    std::uint32_t colour = 0;
    try {
        colour = static_cast<std::uint32_t>(std::stoul(shown));
    } catch (const std::exception&) {
        return shown;
    }
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFFu, (colour >> 8) & 0xFFu, (colour >> 16) & 0xFFu);
    return text;
}

std::string valueLabel(const GameValue& v, const Form& main) {
    auto team = [&]() -> std::string { return main.get(fieldName("PanelTC", v.team)).caption; };
    auto yz = [&] { return std::string(v.column == 1 ? "Y" : "Z"); };
    static constexpr std::array<const char*, 10> kColumns{
        "X", "Y", "Z", "Dir.", "Pitch", "Roll", "Car Details Rear", "Car Details Front", "Wheels Details Rear",
        "Wheels Details Front"};
    static constexpr std::array<const char*, 6> kCockpit{"Steering Wheel", "Steering Wheel", "Steering Wheel",
                                                         "Dash Boards",    "Dash Boards",    "Dash Boards"};
    static constexpr std::array<const char*, 4> kTyres{"Front right tyre", "Front left tyre", "Rear right tyre",
                                                       "Rear left tyre"};
    static constexpr std::array<const char*, 3> kXyz{"X", "Y", "Z"};
    switch (v.codec) {
    case ValueCodec::CameraPosition:
    case ValueCodec::CameraAngle:
    case ValueCodec::CameraDetail: return cameraRowCaption(v.record) + kDot + kColumns[static_cast<std::size_t>(v.column)];
    case ValueCodec::Chase: return std::string("Chase Cameras") + kDot + (v.column == 0 ? "Y" : "Z");
    case ValueCodec::Cockpit:
        return std::string(kCockpit[static_cast<std::size_t>(v.record)]) + kDot + kXyz[static_cast<std::size_t>(v.record % 3)];
    case ValueCodec::TcamY: return "T-Cam Y of " + team();
    case ValueCodec::TcamZ: return "T-Cam Z of " + team();
    case ValueCodec::Helmet: return "Helmet " + yz() + " of " + team();
    case ValueCodec::ExtWheel: return "St. Wheel " + yz() + " of " + team();
    case ValueCodec::Arm: return "Arm colour of " + team();
    case ValueCodec::Rim: return "Rim colour of " + team();
    case ValueCodec::Name: return "Name of Team " + std::to_string(v.team + 1);
    case ValueCodec::BrandString:
    case ValueCodec::BrandCode: return "Tyre brand of " + team();
    case ValueCodec::Tyre:
        return std::string(kTyres[static_cast<std::size_t>(v.record)]) + kDot + kXyz[static_cast<std::size_t>(v.column)];
    }
    return v.control;
}

std::vector<Patch> valuePatches(const GameValue& v, const GameData& g, const Form& main) {
    const ExeLayout& l = exeLayout(g.version);
    const auto k = static_cast<std::size_t>(v.record);
    const auto t = static_cast<std::size_t>(v.team);
    const auto c = static_cast<std::size_t>(v.column);
    auto camera = [&](std::size_t record, int slot) {
        return Patch{std::uint64_t{l.cameras()} + kCameraRecordSize * record + 2u * static_cast<unsigned>(slot),
                     i16Bytes(g.cameras[record][static_cast<std::size_t>(slot)])};
    };
    switch (v.codec) {
    case ValueCodec::CameraPosition:
    case ValueCodec::CameraAngle:
    case ValueCodec::CameraDetail: return {camera(k, cameraSlot(v.column))};
    case ValueCodec::Chase: return {{std::uint64_t{l.chase} + (c == 0 ? 0 : kSecondChaseOffset), i16Bytes(g.chase[c])}};
    case ValueCodec::TcamY:
    case ValueCodec::TcamZ: {
        const int slot = v.codec == ValueCodec::TcamY ? 1 : 0;  // (Z, Y)
        std::vector<Patch> out{{std::uint64_t{l.tcam} + 4 * t + 2u * static_cast<unsigned>(slot),
                                i16Bytes(g.tcam[t][static_cast<std::size_t>(slot)])}};
        // The T-cam record's Y and Z are team 0's T-cam values, doubled.
        if (t == 0) out.push_back(camera(11, v.codec == ValueCodec::TcamY ? 2 : 1));
        return out;
    }
    case ValueCodec::Helmet: return {{std::uint64_t{l.helmets} + 8 * t + 4 * c, f32Bytes(g.helmets[t][c])}};
    case ValueCodec::ExtWheel: return {{std::uint64_t{l.extWheel} + 8 * t + 4 * c, f32Bytes(g.extWheel[t][c])}};
    case ValueCodec::Cockpit: {
        const auto index = static_cast<std::size_t>(kCockpitIndex[k]);
        return {{std::uint64_t{l.cockpit} + kCockpitOffsets[index], f32Bytes(g.cockpit[index])}};
    }
    case ValueCodec::Arm: return {{std::uint64_t{l.arms} + 4 * t, u32Bytes(g.arms[t])}};
    case ValueCodec::Rim:
        if (t == 4) return {{l.rim4, u32Bytes(g.rims[4])}, {l.rim4Companion, u32Bytes(l.rim4CompanionBase + g.rims[4])}};
        for (std::size_t i = 0; i < kRimPairTeams.size(); ++i) {
            if (static_cast<std::size_t>(kRimPairTeams[i]) == t) return {{std::uint64_t{l.rims} + 8 * i, u32Bytes(g.rims[t])}};
        }
        return {};
    case ValueCodec::Name:
        if (!g.namesRead) return {};
        return {{std::uint64_t{l.names} + kNameSize * t, encodeName(g.names[t])}};
    case ValueCodec::BrandString: {
        const std::optional<std::uint32_t> at = brandStringOffset(g.version);
        if (!at) return {};
        const Control& selector = main.get("UpDown2");
        return {{*at, encodeBrandString(std::clamp(selector.position, 0, 2))}};
    }
    case ValueCodec::BrandCode:
        return {{std::uint64_t{kBrandCodesOffset} + 4 * t, u32Bytes(brandCode(main.get(v.control).position))}};
    case ValueCodec::Tyre:
        if (!g.CollisionEntry) return {};
        return {{std::uint64_t{*g.CollisionEntry} + kTyrePosOffsets[k] + 4u * static_cast<unsigned>(kTyreSlot[c]),
                 f32Bytes(g.tyres[k][static_cast<std::size_t>(kTyreSlot[c])])}};
    }
    return {};
}

std::optional<std::string> valueFromBytes(const GameValue& v, std::span<const std::uint8_t> b) {
    auto need = [&b](std::size_t n) { return b.size() >= n; };
    switch (v.codec) {
    case ValueCodec::CameraPosition:
    case ValueCodec::Chase:
        if (!need(2)) return std::nullopt;
        return number(static_cast<long double>(divTrunc(bytes::i16(b, 0), 2)));
    case ValueCodec::CameraAngle:
        if (!need(2)) return std::nullopt;
        return number(static_cast<long double>(divTrunc(bytes::i16(b, 0), 182)));
    case ValueCodec::CameraDetail:
        if (!need(2)) return std::nullopt;
        return number(bytes::i16(b, 0));
    case ValueCodec::TcamY:
        if (!need(2)) return std::nullopt;
        return number(static_cast<long double>(divTrunc(bytes::i16(b, 0) - 160, 2)));
    case ValueCodec::TcamZ:
        if (!need(2)) return std::nullopt;
        return number(static_cast<long double>(divTrunc(bytes::i16(b, 0) + 122, 2)));
    case ValueCodec::Helmet:
        if (!need(4)) return std::nullopt;
        return number(roundTo(100.0L * bytes::f32(b, 0), 0));
    case ValueCodec::ExtWheel:
        if (!need(4)) return std::nullopt;
        return number(roundTo(200.0L * bytes::f32(b, 0), -1));
    case ValueCodec::Cockpit:
        if (!need(4)) return std::nullopt;
        return number(cockpitShown(v.record, bytes::f32(b, 0)));
    case ValueCodec::Arm:
    case ValueCodec::Rim:
        if (!need(4)) return std::nullopt;
        return std::to_string(resolveColour(gameToColour(bytes::u32(b, 0))));
    case ValueCodec::Name:
        if (!need(kNameSize)) return std::nullopt;
        return mister(decodeTeamName(b.first(kNameSize)));
    case ValueCodec::BrandString: {
        if (!need(kBrandStringSize)) return std::nullopt;
        const std::optional<int> position = brandPosition(b.first(kBrandStringSize));
        if (!position) return std::nullopt;
        return std::to_string(*position);
    }
    case ValueCodec::BrandCode:
        if (!need(4)) return std::nullopt;
        return bytes::u32(b, 0) == kBridgestoneCode ? "0" : "1";
    case ValueCodec::Tyre:
        if (!need(4)) return std::nullopt;
        return number(roundTo(100.0L * bytes::f32(b, 0), 0));
    }
    return std::nullopt;
}

void requireNumbers(const Form& main, const std::function<bool(const GameValue&)>& chosen, const std::string& tail) {
    for (const GameValue& v : gameValues()) {
        if (!v.primary || !(isInteger(v.codec) || isDecimal(v.codec)) || !chosen(v)) continue;
        const std::string& text = main.get(v.control).text;
        try {
            if (isInteger(v.codec)) {
                parseInt(text);
            } else {
                parseFloat(text);
            }
        } catch (const ConversionError& e) {
            throw ConversionError(valueLabel(v, main) + ": " + e.what() + "." + tail);
        }
    }
}

std::optional<std::string> valueDoesNotFit(const GameValue& v, const Control& control) {
    const std::string& text = control.text;
    if (control.kind != ControlKind::Edit) return std::nullopt;
    try {
        if (isInteger(v.codec)) {
            const long long value = parseInt(text);
            const auto [lo, hi] = integerRange(v);
            if (value >= lo && value <= hi) return std::nullopt;
            return text + " does not fit; it must lie between " + std::to_string(lo) + " and " + std::to_string(hi);
        }
        if (isDecimal(v.codec)) {
            const long double value = parseFloat(text);
            // Checked before any conversion to float32, which has no value
            // for a number beyond its range.
            if (std::isfinite(value) && std::fabs(storedDecimal(v, value)) <= static_cast<long double>(FLT_MAX)) {
                return std::nullopt;
            }
            const long double lo = shownDecimal(v, -static_cast<long double>(FLT_MAX));
            const long double hi = shownDecimal(v, static_cast<long double>(FLT_MAX));
            return text + " does not fit; it must lie between " + number(lo) + " and " + number(hi);
        }
    } catch (const ConversionError&) {
    }
    return std::nullopt;
}

}  // namespace varnisk

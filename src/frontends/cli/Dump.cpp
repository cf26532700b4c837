#include "cli/Dump.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <string_view>

#include "base/CodePage.h"
#include "gamedata/GameFolder.h"

namespace varnisk::cli {

DumpJson textValue(const std::string& cp1252) { return cp1252ToUtf8(cp1252); }

DumpJson singleValue(float value) {
    if (!std::isfinite(value)) return nullptr;
    // The shortest decimal of the float, read back as a double: the writer's
    // shortest decimal of that double is the same text.
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    double shortest = 0;
    std::from_chars(buffer, end, shortest);
    return shortest;
}

namespace {

// A double of the preview: a whole number is written as one (58, not 58.0).
DumpJson doubleValue(double value) {
    if (!std::isfinite(value)) return nullptr;
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::int64_t whole = 0;
    auto [last, wholeEc] = std::from_chars(buffer, end, whole);
    if (wholeEc == std::errc() && last == end && std::string_view(buffer, end) != "-0") return whole;
    return value;
}

void writeNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    out += text;
    if (text.find_first_of(".e") == std::string_view::npos) out += ".0";
}

// Writes a value with `separator` between the members or elements of its own
// level and ", " deeper down. Texts, whole numbers, booleans and null are
// written by the library.
void writeValue(std::string& out, const DumpJson& value, std::string_view separator = ", ") {
    if (value.is_object()) {
        out += '{';
        for (auto it = value.begin(); it != value.end(); ++it) {
            if (it != value.begin()) out += separator;
            out += DumpJson(it.key()).dump();
            out += ": ";
            writeValue(out, it.value());
        }
        out += '}';
    } else if (value.is_array()) {
        out += '[';
        for (auto it = value.begin(); it != value.end(); ++it) {
            if (it != value.begin()) out += separator;
            writeValue(out, *it);
        }
        out += ']';
    } else if (value.is_number_float()) {
        writeNumber(out, value.get<double>());
    } else {
        out += value.dump();
    }
}

template <typename T, typename F>
DumpJson arrayOf(const T& values, F&& each) {
    DumpJson out = DumpJson::array();
    for (const auto& v : values) out.push_back(each(v));
    return out;
}

template <typename T>
DumpJson singles(const T& values) {
    return arrayOf(values, [](float v) { return singleValue(v); });
}

template <typename T>
DumpJson wholes(const T& values) {
    return arrayOf(values, [](auto v) { return DumpJson(v); });
}

DumpJson flags(const std::vector<bool>& values) {
    return arrayOf(values, [](bool v) { return DumpJson(v); });
}

DumpJson texts(const std::vector<std::string>& values) { return arrayOf(values, textValue); }

DumpJson controlJson(const Control& c) {
    DumpJson m = DumpJson::object();
    switch (c.kind) {
        case ControlKind::Edit:
            m["kind"] = "edit";
            m["text"] = textValue(c.text);
            m["enabled"] = c.enabled;
            break;
        case ControlKind::Colour:
            m["kind"] = "colour";
            m["colour"] = c.colour;
            m["enabled"] = c.enabled;
            break;
        case ControlKind::UpDown:
            m["kind"] = "updown";
            m["position"] = c.position;
            m["min"] = c.min;
            m["max"] = c.max;
            break;
        case ControlKind::Button:
            m["kind"] = "button";
            m["caption"] = textValue(c.caption);
            m["enabled"] = c.enabled;
            m["hint"] = textValue(c.hint);
            break;
        case ControlKind::Check:
            m["kind"] = "check";
            m["checked"] = c.checked;
            m["caption"] = textValue(c.caption);
            m["enabled"] = c.enabled;
            break;
        case ControlKind::Choice:
            m["kind"] = "choice";
            m["index"] = c.index;
            m["items"] = texts(c.items);
            break;
        case ControlKind::View:
            m["kind"] = "view";
            m["width"] = c.bounds.width;
            m["height"] = c.bounds.height;
            break;
        case ControlKind::Caption:
        case ControlKind::Group:
        case ControlKind::Page:
        case ControlKind::Rule:
            m["kind"] = "caption";
            m["caption"] = textValue(c.caption);
            m["enabled"] = c.enabled;
            break;
    }
    // A value that differs from what the game's files hold.
    if (c.mark != Mark::None) m["modified"] = true;
    return m;
}

DumpJson shapeJson(const CompiledShape& c) {
    const ShapeData& s = c.shape;
    std::vector<bool> loaded(s.textures.size());
    for (std::size_t k = 0; k < loaded.size(); ++k) loaded[k] = k < c.textures.size() && c.textures[k] != 0;
    DumpJson m = DumpJson::object();
    m["entry"] = textValue(c.entry);
    m["version"] = s.version;
    m["name"] = textValue(s.name);
    m["materials"] = texts(s.materials);
    m["textures"] = texts(s.textures);
    m["texturesLoaded"] = flags(loaded);
    m["flipV"] = flags(c.flipV);
    m["objects"] = arrayOf(s.objects, [](const ShapeObject& o) {
        DumpJson om = DumpJson::object();
        om["vertices"] = o.positions.size();
        om["triangles"] = o.triangles.size();
        om["groupKind"] = o.groupKind;
        om["groups"] = arrayOf(o.groups, [](const ShapeGroup& g) {
            return DumpJson::array({g.firstFace(), g.faceCount(), g.textureIndex()});
        });
        return om;
    });
    return m;
}

DumpJson sceneJson(Editor& editor, const SceneState& scene) {
    DumpJson m = DumpJson::object();
    m["view"] = scene.view;
    m["frames"] = scene.frames;
    m["WadPath"] = textValue(scene.view ? wadPath(editor) : std::string());
    if (scene.view && scene.frames > 0) {
        const FrameRecord& f = scene.lastFrame;
        DumpJson frame = DumpJson::object();
        frame["row"] = f.row;
        frame["fieldOfView"] = doubleValue(f.perspective.fieldOfView);
        frame["near"] = doubleValue(f.perspective.zNear);
        frame["far"] = doubleValue(f.perspective.zFar);
        frame["chaseAngle"] = f.chaseAngle ? doubleValue(*f.chaseAngle) : DumpJson(nullptr);
        frame["slotsCalled"] = wholes(f.slotsCalled);
        m["lastFrame"] = std::move(frame);
    } else {
        m["lastFrame"] = nullptr;
    }
    m["lookups"] = arrayOf(scene.lookups, [](const ShapeLookup& l) {
        DumpJson lm = DumpJson::object();
        lm["name"] = textValue(l.name);
        lm["slot"] = l.slot;
        lm["found"] = l.found;
        lm["offset"] = l.offset;
        lm["size"] = l.size;
        return lm;
    });
    DumpJson shapes = DumpJson::object();
    for (int slot : {kSlotDashboard, kSlotCar}) {
        auto it = scene.shapes.find(slot);
        shapes[std::to_string(slot)] = it == scene.shapes.end() ? DumpJson(nullptr) : shapeJson(it->second);
    }
    m["shapes"] = std::move(shapes);
    DumpJson fixed = DumpJson::object();
    if (scene.view) {
        const PreviewTextures& t = scene.fixed;
        fixed["ArmTexture"] = t.ArmTexture != 0;
        fixed["GloveTexture"] = t.GloveTexture != 0;
        fixed["SteeringWheelTexture"] = t.SteeringWheelTexture != 0;
        fixed["CockpitDamageTexture"] = t.CockpitDamageTexture != 0;
        fixed["RimTexture"] = t.RimTexture != 0;
        fixed["TreadTexture"] = t.TreadTexture != 0;
    }
    m["fixedTextures"] = std::move(fixed);
    return m;
}

template <class T>
constexpr bool isOptional = false;
template <class T>
constexpr bool isOptional<std::optional<T>> = true;

// A member of a store as its list gives it: a store as an object of the
// members its list shows, in the list's order; a float as a single-precision
// value; a text of the code page; an array as an array; null for an empty
// optional.
template <class T>
DumpJson memberJson(const T& value) {
    if constexpr (HasMemberList<T>) {
        DumpJson m = DumpJson::object();
        forEachMember(value, [&m](const char* name, const auto& member, auto use) {
            if constexpr (decltype(use)::dumped) m[name] = memberJson(member);
        });
        return m;
    } else if constexpr (std::is_same_v<T, float>) {
        return singleValue(value);
    } else if constexpr (std::is_same_v<T, std::string>) {
        return textValue(value);
    } else if constexpr (isOptional<T>) {
        return value ? memberJson(*value) : DumpJson(nullptr);
    } else if constexpr (std::is_arithmetic_v<T>) {
        return value;
    } else {
        return arrayOf(value, [](const auto& element) { return memberJson(element); });
    }
}

}  // namespace

DumpJson dumpDocument(Editor& editor, const ScriptedUi& ui, const SceneState& scene) {
    DumpJson controls = DumpJson::object();
    for (Form* form : editor.forms()) {
        std::string prefix = form == &editor.main ? "" : form->className() + ".";
        for (const auto& c : form->controls()) {
            if (!c->name.empty()) controls[cp1252ToUtf8(prefix + c->name)] = controlJson(*c);
        }
    }

    DumpJson state = DumpJson::object();
    forEachMember(editor, [&](const char* name, auto& member, auto use) {
        using T = std::remove_cvref_t<decltype(member)>;
        if constexpr (!decltype(use)::dumped) {
            return;
        } else if constexpr (std::is_same_v<T, ViewState>) {
            state[name] = sceneJson(editor, scene);
        } else if constexpr (std::is_same_v<T, History>) {
            DumpJson history = DumpJson::object();
            history["undo"] = texts(member.undoNames());
            history["redo"] = texts(member.redoNames());
            state[name] = std::move(history);
        } else {
            state[name] = memberJson(member);
        }
    });

    DumpJson out = DumpJson::object();
    out["status"] = textValue(editor.main.get("Status").caption);
    out["messages"] = texts(ui.messages());
    out["errors"] = texts(ui.errors());
    out["controls"] = std::move(controls);
    out["state"] = std::move(state);
    return out;
}

std::string dumpText(const DumpJson& document) {
    std::string out;
    if (!document.is_object()) {
        writeValue(out, document);
        return out + "\n";
    }
    out += '{';
    for (auto it = document.begin(); it != document.end(); ++it) {
        if (it != document.begin()) out += ",\n";
        out += DumpJson(it.key()).dump();
        out += ": ";
        writeValue(out, it.value(), it.key() == "controls" ? ",\n  " : ", ");
    }
    return out + "}\n";
}

std::string dumpState(Editor& editor, const ScriptedUi& ui, const SceneState& scene) {
    return dumpText(dumpDocument(editor, ui, scene));
}

std::string jsonString(const std::string& cp1252) { return textValue(cp1252).dump(); }

std::string jsonFloat(float value) {
    std::string out;
    writeValue(out, singleValue(value));
    return out;
}

DumpJson changesDocument(Editor& editor) {
    DumpJson changes = DumpJson::array();
    for (const PendingChange& row : editor.pending.changes()) {
        DumpJson m = DumpJson::object();
        m["file"] = gameFileName(row.file);
        m["what"] = textValue(row.what);
        m["control"] = row.control;
        m["game"] = textValue(row.game);
        m["sheet"] = textValue(row.sheet);
        changes.push_back(std::move(m));
    }
    DumpJson onDisk = DumpJson::array();
    for (const DiskChange& change : editor.pending.changedOnDisk()) {
        DumpJson m = DumpJson::object();
        m["file"] = gameFileName(change.file);
        m["what"] = textValue(change.what);
        m["control"] = change.control;
        m["read"] = textValue(change.read);
        m["disk"] = textValue(change.disk);
        m["sheet"] = textValue(change.sheet);
        onDisk.push_back(std::move(m));
    }
    DumpJson out = DumpJson::object();
    out["changes"] = std::move(changes);
    out["onDisk"] = std::move(onDisk);
    return out;
}

}  // namespace varnisk::cli

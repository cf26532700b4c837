#include "cli/Dump.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "form/CodePage.h"
#include "gamedata/GameFolder.h"

namespace varnisk::cli {

std::string jsonString(const std::string& cp1252) {
    std::string utf8 = cp1252ToUtf8(cp1252);
    std::string out = "\"";
    for (char ch : utf8) {
        unsigned char u = static_cast<unsigned char>(ch);
        switch (ch) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (u < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
                    out += buffer;
                } else {
                    out.push_back(ch);
                }
        }
    }
    return out + "\"";
}

std::string jsonFloat(float value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, ptr);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

namespace {

std::string boolText(bool b) { return b ? "true" : "false"; }

// Writes a JSON object's members one after another, with commas between.
class Members {
public:
    explicit Members(std::string& out, std::string separator = ", ") : out_(out), separator_(std::move(separator)) {
        out_ += "{";
    }
    void add(const std::string& key, const std::string& json) {
        if (!first_) out_ += separator_;
        first_ = false;
        out_ += jsonString(key) + ": " + json;
    }
    void close() { out_ += "}"; }

private:
    std::string& out_;
    std::string separator_;
    bool first_ = true;
};

template <typename T, typename F>
std::string jsonArray(const T& values, F&& each) {
    std::string out = "[";
    bool first = true;
    for (const auto& v : values) {
        if (!first) out += ", ";
        first = false;
        out += each(v);
    }
    return out + "]";
}

std::string controlJson(const Control& c) {
    std::string out;
    Members m(out);
    switch (c.kind) {
        case ControlKind::Edit:
            m.add("kind", "\"edit\"");
            m.add("text", jsonString(c.text));
            m.add("enabled", boolText(c.enabled));
            break;
        case ControlKind::Colour:
            m.add("kind", "\"colour\"");
            m.add("colour", std::to_string(c.colour));
            m.add("enabled", boolText(c.enabled));
            break;
        case ControlKind::UpDown:
            m.add("kind", "\"updown\"");
            m.add("position", std::to_string(c.position));
            m.add("min", std::to_string(c.min));
            m.add("max", std::to_string(c.max));
            break;
        case ControlKind::Button:
            m.add("kind", "\"button\"");
            m.add("caption", jsonString(c.caption));
            m.add("enabled", boolText(c.enabled));
            m.add("hint", jsonString(c.hint));
            break;
        case ControlKind::Check:
            m.add("kind", "\"check\"");
            m.add("checked", boolText(c.checked));
            m.add("caption", jsonString(c.caption));
            m.add("enabled", boolText(c.enabled));
            break;
        case ControlKind::Choice:
            m.add("kind", "\"choice\"");
            m.add("index", std::to_string(c.index));
            m.add("items", jsonArray(c.items, [](const std::string& s) { return jsonString(s); }));
            break;
        case ControlKind::View:
            m.add("kind", "\"view\"");
            m.add("width", std::to_string(c.bounds.width));
            m.add("height", std::to_string(c.bounds.height));
            break;
        case ControlKind::Caption:
        case ControlKind::Group:
        case ControlKind::Page:
        case ControlKind::Rule:
            m.add("kind", "\"caption\"");
            m.add("caption", jsonString(c.caption));
            m.add("enabled", boolText(c.enabled));
            break;
    }
    m.close();
    return out;
}

std::string dragJson(const DragState& d) {
    std::string out;
    Members m(out);
    m.add("FieldDragOn", boolText(d.FieldDragOn));
    m.add("ViewDragOn", boolText(d.ViewDragOn));
    m.add("PressedCamField", jsonString(d.PressedCamField));
    m.add("PressedFloatField", jsonString(d.PressedFloatField));
    m.add("DragStartX", std::to_string(d.DragStartX));
    m.add("DragStartY", std::to_string(d.DragStartY));
    m.add("DragStartValues", jsonArray(d.DragStartValues, [](std::int32_t v) { return std::to_string(v); }));
    m.add("DragStartFloat", jsonFloat(d.DragStartFloat));
    m.add("ViewDragMode", jsonString(d.ViewDragMode));
    m.close();
    return out;
}

std::string previewJson(const PreviewState& p) {
    auto floats = [](const auto& values) { return jsonArray(values, [](float v) { return jsonFloat(v); }); };
    std::string out;
    Members m(out);
    m.add("HelmetOffset", floats(p.HelmetOffset));
    m.add("ExtWheelOffset", floats(p.ExtWheelOffset));
    m.add("TCamCache", jsonArray(p.TCamCache, [](std::int16_t v) { return std::to_string(v); }));
    m.add("ArmMaterial", floats(p.ArmMaterial));
    m.add("RimMaterial", floats(p.RimMaterial));
    m.add("CarTeamKey", jsonString(p.CarTeamKey));
    m.add("ReloadCarShape", boolText(p.ReloadCarShape));
    m.add("ReloadDashboard", boolText(p.ReloadDashboard));
    m.add("ChaseRear", boolText(p.ChaseRear));
    m.add("CockpitView", boolText(p.CockpitView));
    m.add("DashboardView", boolText(p.DashboardView));
    m.add("LastShownTeam", std::to_string(p.LastShownTeam));
    m.close();
    return out;
}

std::string jsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char buffer[32];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, ptr);
}

std::string shapeJson(const CompiledShape& c) {
    const ShapeData& s = c.shape;
    auto strings = [](const std::vector<std::string>& v) { return jsonArray(v, [](const std::string& x) { return jsonString(x); }); };
    std::vector<bool> loaded(s.textures.size());
    for (std::size_t k = 0; k < loaded.size(); ++k) loaded[k] = k < c.textures.size() && c.textures[k] != 0;
    std::string out;
    Members m(out);
    m.add("entry", jsonString(c.entry));
    m.add("version", std::to_string(s.version));
    m.add("name", jsonString(s.name));
    m.add("materials", strings(s.materials));
    m.add("textures", strings(s.textures));
    m.add("texturesLoaded", jsonArray(loaded, [](bool b) { return boolText(b); }));
    m.add("flipV", jsonArray(c.flipV, [](bool b) { return boolText(b); }));
    m.add("objects", jsonArray(s.objects, [](const ShapeObject& o) {
        std::string obj;
        Members om(obj);
        om.add("vertices", std::to_string(o.positions.size()));
        om.add("triangles", std::to_string(o.triangles.size()));
        om.add("groupKind", std::to_string(o.groupKind));
        om.add("groups", jsonArray(o.groups, [](const ShapeGroup& g) {
            return "[" + std::to_string(g.firstFace()) + ", " + std::to_string(g.faceCount()) + ", " +
                   std::to_string(g.textureIndex()) + "]";
        }));
        om.close();
        return obj;
    }));
    m.close();
    return out;
}

std::string sceneJson(Editor& editor) {
    const SceneState& scene = editor.scene;
    std::string out;
    Members m(out);
    m.add("view", boolText(scene.view));
    m.add("frames", std::to_string(scene.frames));
    // Looking the game up marks whether it was found; a dump changes nothing.
    const bool found = editor.GameFound;
    m.add("WadPath", jsonString(scene.view ? wadPath(editor) : std::string()));
    editor.GameFound = found;
    if (scene.view && scene.frames > 0) {
        const FrameRecord& f = scene.lastFrame;
        std::string frame;
        Members fm(frame);
        fm.add("row", std::to_string(f.row));
        fm.add("fieldOfView", jsonNumber(f.perspective.fieldOfView));
        fm.add("near", jsonNumber(f.perspective.zNear));
        fm.add("far", jsonNumber(f.perspective.zFar));
        fm.add("chaseAngle", f.chaseAngle ? jsonNumber(*f.chaseAngle) : std::string("null"));
        fm.add("slotsCalled", jsonArray(f.slotsCalled, [](int v) { return std::to_string(v); }));
        fm.close();
        m.add("lastFrame", frame);
    } else {
        m.add("lastFrame", "null");
    }
    m.add("lookups", jsonArray(scene.lookups, [](const ShapeLookup& l) {
        std::string o;
        Members lm(o);
        lm.add("name", jsonString(l.name));
        lm.add("slot", std::to_string(l.slot));
        lm.add("found", boolText(l.found));
        lm.add("offset", std::to_string(l.offset));
        lm.add("size", std::to_string(l.size));
        lm.close();
        return o;
    }));
    std::string shapes;
    Members sm(shapes);
    for (int slot : {kSlotDashboard, kSlotCar}) {
        auto it = scene.shapes.find(slot);
        sm.add(std::to_string(slot), it == scene.shapes.end() ? std::string("null") : shapeJson(it->second));
    }
    sm.close();
    m.add("shapes", shapes);
    std::string fixed;
    Members xm(fixed);
    if (scene.view) {
        const PreviewTextures& t = scene.fixed;
        xm.add("ArmTexture", boolText(t.ArmTexture != 0));
        xm.add("GloveTexture", boolText(t.GloveTexture != 0));
        xm.add("SteeringWheelTexture", boolText(t.SteeringWheelTexture != 0));
        xm.add("CockpitDamageTexture", boolText(t.CockpitDamageTexture != 0));
        xm.add("RimTexture", boolText(t.RimTexture != 0));
        xm.add("TreadTexture", boolText(t.TreadTexture != 0));
    }
    xm.close();
    m.add("fixedTextures", fixed);
    m.close();
    return out;
}

std::string gameDataJson(const GameData& g) {
    auto floats = [](const auto& values) { return jsonArray(values, [](float v) { return jsonFloat(v); }); };
    auto whole = [](const auto& values) { return jsonArray(values, [](auto v) { return std::to_string(v); }); };
    std::string out;
    Members m(out);
    m.add("version", std::to_string(g.version));
    m.add("cockpit", floats(g.cockpit));
    m.add("rims", whole(g.rims));
    m.add("arms", whole(g.arms));
    m.add("names", jsonArray(g.names, [](const std::string& s) { return jsonString(s); }));
    m.add("extWheel", jsonArray(g.extWheel, floats));
    m.add("helmets", jsonArray(g.helmets, floats));
    m.add("tcam", jsonArray(g.tcam, whole));
    m.add("wheelRef", floats(g.wheelRef));
    m.add("chase", whole(g.chase));
    m.add("cameras", jsonArray(g.cameras, whole));
    m.add("brandCodes", whole(g.brandCodes));
    m.add("tyres", jsonArray(g.tyres, floats));
    m.add("CollisionEntry", g.CollisionEntry ? std::to_string(*g.CollisionEntry) : std::string("null"));
    m.close();
    return out;
}

std::string saveJson(const SaveState& s) {
    std::string masks;
    Members mm(masks);
    mm.add("cameraMask", std::to_string(s.masks.cameraMask));
    mm.add("tcamMask", std::to_string(s.masks.tcamMask));
    mm.add("helmetMask", std::to_string(s.masks.helmetMask));
    mm.add("extWheelMask", std::to_string(s.masks.extWheelMask));
    mm.add("armMask", std::to_string(s.masks.armMask));
    mm.add("rimMask", std::to_string(s.masks.rimMask));
    mm.add("brandMask", std::to_string(s.masks.brandMask));
    mm.add("globalMask", std::to_string(s.masks.globalMask));
    mm.add("nameMask", std::to_string(s.masks.nameMask));
    mm.close();
    std::string out;
    Members m(out);
    m.add("SelectAllPending", std::to_string(s.SelectAllPending));
    m.add("AllSelected", std::to_string(s.AllSelected));
    m.add("BoxSyncGuard", std::to_string(s.BoxSyncGuard));
    m.add("masks", masks);
    m.close();
    return out;
}

}  // namespace

std::string dumpState(Editor& editor, const ScriptedUi& ui) {
    auto strings = [](const std::vector<std::string>& v) { return jsonArray(v, [](const std::string& s) { return jsonString(s); }); };

    std::string controls;
    {
        Members m(controls, ",\n  ");
        for (Form* form : editor.forms()) {
            std::string prefix = form == &editor.main ? "" : form->className() + ".";
            for (const auto& c : form->controls()) {
                if (!c->name.empty()) m.add(prefix + c->name, controlJson(*c));
            }
        }
        m.close();
    }

    std::string state;
    {
        Members m(state);
        m.add("SheetReady", std::to_string(editor.SheetReady));
        m.add("CurrentCamField", std::to_string(editor.CurrentCamField));
        m.add("GameFound", boolText(editor.GameFound));
        m.add("drag", dragJson(editor.drag));
        m.add("GameData", gameDataJson(editor.game));
        m.add("PreviewState", previewJson(editor.preview));
        m.add("Preview", sceneJson(editor));
        m.add("save", saveJson(editor.saveWindow));
        m.close();
    }

    std::string out;
    Members m(out, ",\n");
    m.add("status", jsonString(editor.main.get("Status").caption));
    m.add("messages", strings(ui.messages()));
    m.add("errors", strings(ui.errors()));
    m.add("controls", controls);
    m.add("state", state);
    m.close();
    return out + "\n";
}

}  // namespace varnisk::cli

#include "preview/Scene.h"

#include "base/Errors.h"
#include "core/Editor.h"
#include "editing/ColourPanels.h"
#include "editing/PreviewFeed.h"
#include "form/Control.h"
#include "preview/GlVersion.h"
#include "preview/Meshes.h"
#include "preview/Parts.h"
#include "preview/ShapeLoader.h"

namespace varnisk {

namespace {

struct Light {
    GLenum id;
    std::array<float, 4> position;
    std::optional<std::array<float, 4>> ambient, diffuse, specular;
    bool on;
};

// Where "default" stands, the light keeps OpenGL's own value.
const Light kLights[] = {
    {GL_LIGHT0, {-300, -3000, -1000, 0}, {{1, 1, 1, 1}}, {{0.5f, 0.5f, 0.5f, 1}}, {{1, 1, 1, 1}}, true},
    {GL_LIGHT1, {-500, -200, -200, 1}, {{0.5f, 0.5f, 0.5f, 1}}, {{0.5f, 0.5f, 0.5f, 1}}, std::nullopt, true},
    {GL_LIGHT2, {300, 3000, 1000, 0}, std::nullopt, {{0.2f, 0.2f, 0.2f, 1}}, std::nullopt, true},
    {GL_LIGHT3, {0, -10000, 200, 0}, std::nullopt, {{1, 1, 1, 1}}, std::nullopt, false},
    {GL_LIGHT4, {300, -3000, -1000, 0}, std::nullopt, {{0.7f, 0.7f, 0.7f, 1}}, std::nullopt, false},
    {GL_LIGHT5, {300, -3000, -1000, 0}, std::nullopt, {{1, 1, 1, 1}}, std::nullopt, false},
    {GL_LIGHT6, {300, 3000, -1000, 0}, std::nullopt, {{1, 1, 1, 1}}, std::nullopt, false},
};

GLuint listOf(const SceneState& scene, int slot) { return scene.ListBase + static_cast<GLuint>(slot); }

void callSlot(SceneState& scene, Gl& gl, int slot) {
    gl.callList(listOf(scene, slot));
    scene.lastFrame.slotsCalled.push_back(slot);
}

// Draws editor.frame as planned; reads each shape request once.
void drawPlan(const Editor& editor, SceneState& scene, Gl& gl, Ui& say) {
    const FramePlan& plan = editor.frame;
    FrameRecord& frame = scene.lastFrame;
    frame = FrameRecord{};
    scene.lookups.clear();
    ++scene.frames;

    gl.clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.matrixMode(GL_MODELVIEW);
    gl.loadIdentity();
    gl.matrixMode(GL_PROJECTION);
    gl.loadIdentity();
    frame.perspective = plan.perspective;
    frame.row = plan.row;
    frame.chaseAngle = plan.chaseAngle;
    gl.perspective(frame.perspective.fieldOfView, 4.0 / 3.0, frame.perspective.zNear, frame.perspective.zFar);
    // The camera goes onto the projection matrix, and so does every transform
    // the lists record: the model-view matrix stays the identity all frame.
    for (const CameraMove& m : plan.camera) {
        if (m.kind == CameraMove::Kind::Rotate) gl.rotate(m.angle, m.x, m.y, m.z);
        else gl.translate(m.x, m.y, m.z);
    }
    // A camera value that held no number: the frame shows the sky alone.
    if (!plan.complete) return;

    for (const auto& [slot, request] : plan.shapes) {
        long long& read = scene.requestsRead[slot];
        if (request.plan <= read) continue;
        read = request.plan;
        loadWadShape(editor, scene, gl, say, request.archivePath, request.entry, slot);
    }

    // The generated parts follow the current values.
    const PartsInput parts = partsInput(editor, scene);
    buildTyres(gl, listOf(scene, kSlotTyres), parts);
    buildArms(gl, listOf(scene, kSlotArms), parts);
    buildExtWheel(gl, listOf(scene, kSlotExtWheel), parts);
    buildCockpitWheel(gl, listOf(scene, kSlotCockpitWheel), parts);

    const int row = plan.row;
    if (rowShowsCar(row)) {
        callSlot(scene, gl, kSlotCar);
        buildHelmetSlot(editor, scene, gl);
        buildLandscape(gl, listOf(scene, kSlotLandscape));
        if (row != 105) {
            callSlot(scene, gl, kSlotExtWheel);
            callSlot(scene, gl, kSlotHelmet);
            callSlot(scene, gl, kSlotArms);
        } else {
            callSlot(scene, gl, kSlotCockpitWheel);
            callSlot(scene, gl, kSlotDashboard);
        }
    }
    callSlot(scene, gl, kSlotTyres);
    callSlot(scene, gl, kSlotLandscape);
}

}  // namespace

PartsInput partsInput(const Editor& editor, const SceneState& scene) {
    const PreviewState& p = editor.preview;
    const PreviewTextures& t = scene.fixed;
    PartsInput in;
    in.tyres = editor.game.tyres;
    in.cockpitWheel = {editor.game.cockpit[3], editor.game.cockpit[4], editor.game.cockpit[5]};
    in.ExtWheelOffset = p.ExtWheelOffset;
    in.ArmMaterial = p.ArmMaterial;
    in.tyreLook = {p.RimMaterial, t.RimTexture, t.TreadTexture, &scene.meshes};
    in.ArmTexture = t.ArmTexture;
    in.GloveTexture = t.GloveTexture;
    in.SteeringWheelTexture = t.SteeringWheelTexture;
    return in;
}

void buildHelmetSlot(const Editor& editor, SceneState& scene, Gl& gl) {
    buildHelmet(gl, listOf(scene, kSlotHelmet), editor.preview.HelmetOffset[0], editor.preview.HelmetOffset[1],
                &scene.meshes);
}

void applyProjection(Gl& gl, int width, int height) {
    if (height == 0) height = 1;
    gl.matrixMode(GL_PROJECTION);
    gl.loadIdentity();
    gl.perspective(35, static_cast<double>(width) / height, 1, 100);
    gl.matrixMode(GL_MODELVIEW);
    gl.viewport(0, 0, width, height);
}

void applyBackground(Gl& gl, std::uint32_t colour) {
    const std::uint32_t rgb = resolveColour(colour);
    auto part = [rgb](int shift) { return static_cast<float>((rgb >> shift) & 0xFFu) / 255.0f; };
    gl.clearColor(part(0), part(8), part(16), 1);
}

void setUpView(Editor& editor, SceneState& scene, Gl& gl, int width, int height, const std::string& ownDir) {
    if (!glVersionAtLeast11(gl.versionString())) throw ProgramError("Diese OpenGL version ist veraltet.");
    applyProjection(gl, width, height);
    applyBackground(gl, 0x000000);  // black, until the scene sets its sky
    glControlSetup(editor, scene, gl, ownDir);
}

void glControlSetup(Editor& editor, SceneState& scene, Gl& gl, const std::string& ownDir) {
    gl.clearColor(0.85f, 0.94f, 1.0f, 0);
    gl.shadeModel(GL_SMOOTH);
    gl.clearDepth(1);
    gl.hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl.enable(GL_LIGHTING);
    gl.lightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    gl.lightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    for (const Light& l : kLights) {
        gl.lightfv(l.id, GL_POSITION, l.position.data());
        if (l.ambient) gl.lightfv(l.id, GL_AMBIENT, l.ambient->data());
        if (l.diffuse) gl.lightfv(l.id, GL_DIFFUSE, l.diffuse->data());
        if (l.specular) gl.lightfv(l.id, GL_SPECULAR, l.specular->data());
    }
    for (const Light& l : kLights) {
        if (l.on) gl.enable(l.id);
    }
    gl.enable(GL_DEPTH_TEST);
    gl.blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.alphaFunc(GL_GREATER, 0.4f);

    scene.ListBase = gl.genLists(kSlotCount);
    scene.meshes = compileMeshLists(gl);
    scene.textureFolder = textureFolder(editor.StartDir, ownDir);
    scene.view = true;
    loadPreviewTextures(gl, editor.ui, scene.textureFolder, scene.ListBase, scene.fixed, &scene.textureBudget);

    const PartsInput parts = partsInput(editor, scene);
    buildTyres(gl, listOf(scene, kSlotTyres), parts);
    buildArms(gl, listOf(scene, kSlotArms), parts);
    buildLandscape(gl, listOf(scene, kSlotLandscape));
    buildHelmetSlot(editor, scene, gl);
    buildExtWheel(gl, listOf(scene, kSlotExtWheel), parts);
    buildCockpitWheel(gl, listOf(scene, kSlotCockpitWheel), parts);

    // Team 0's values reach the preview; a sheet that nothing has filled yet
    // has none to give.
    // The set-up is no edit: the status (the start-up's "Import Done") stays.
    if (editor.SheetReady > 0) {
        const std::string status = editor.main.get("Status").caption;
        lmdChangeHelmet(editor, editor.main.get("LMDHP0"));
        lmdColor0Change(editor, editor.main.get("PanelRC0"));
        lmdColor0Change(editor, editor.main.get("PanelAC0"));
        editor.setStatus(status);
    }
    editor.SheetReady = 0;
    editor.CurrentCamField = 105;
    editor.viewSetUp();
}

FrameMessages drawFrame(const Editor& editor, SceneState& scene, Gl& gl) {
    FrameMessages said;
    try {
        drawPlan(editor, scene, gl, said);
    } catch (const std::exception& e) {
        said.error(e.what());
    }
    return said;
}

void renderFrame(Editor& editor, SceneState& scene, Gl& gl) {
    editor.planFrameNow();
    drawFrame(editor, scene, gl).showOn(editor.ui);
}

void releaseScene(SceneState& scene, Gl& gl) {
    releaseShapes(scene, gl);
    // A view set up again reads the shapes the plans asked for afresh.
    scene.requestsRead.clear();
    for (GLuint* t : {&scene.fixed.ArmTexture, &scene.fixed.GloveTexture, &scene.fixed.SteeringWheelTexture,
                      &scene.fixed.CockpitDamageTexture, &scene.fixed.RimTexture, &scene.fixed.TreadTexture}) {
        if (*t != 0) gl.deleteTexture(*t);
        scene.textureBudget.release(*t);
        *t = 0;
    }
    releaseMeshLists(gl, scene.meshes);
    if (scene.ListBase != 0) gl.deleteLists(scene.ListBase, kSlotCount);
    scene.ListBase = 0;
    scene.view = false;
}

}  // namespace varnisk

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "TextureImages.h"
#include "cli/Dump.h"
#include "editing/PreviewFeed.h"
#include "game/TeamNames.h"
#include "preview/RecordingGl.h"
#include "preview/Scene.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

using Call = RecordingGl::Call;

// A generated game with the shipped textures in its folder (the start
// directory's CamTextures), imported, and a view that has run its set-up
// on a recording GL.
struct Scene : ::testing::Test {
    explicit Scene(const gg::GameSpec& spec = gg::GameSpec{}) : g(spec) {}

    TestGame g;
    RecordingGl gl;
    SceneState scene;

    void SetUp() override {
        texgen::writeTextureFolder((g.folder() / "CamTextures").string());
        ASSERT_TRUE(g.importAll());
        ASSERT_TRUE(g.editor.dispatch([&] { glControlSetup(g.editor, scene, gl, "/nonexistent"); }));
    }

    // Draws one frame and returns the calls it made.
    std::vector<Call> frame() {
        gl.clearCalls();
        EXPECT_TRUE(g.editor.dispatch([&] { renderFrame(g.editor, scene, gl); }));
        return gl.calls;
    }
    const FrameRecord& last() { return scene.lastFrame; }
    void show(int field) { g.editor.CurrentCamField = field; }
    std::vector<std::string> lookedUp() {
        std::vector<std::string> names;
        for (const ShapeLookup& l : scene.lookups) names.push_back(l.name);
        return names;
    }
};

// The camera's transforms: the calls after the perspective up to the first
// look-up or list call.
std::vector<Call> cameraCalls(const std::vector<Call>& calls) {
    std::vector<Call> out;
    auto it = std::find_if(calls.begin(), calls.end(), [](const Call& c) { return c.op == "perspective"; });
    for (++it; it != calls.end(); ++it) {
        if (it->op != "rotate" && it->op != "translate") break;
        out.push_back(*it);
    }
    return out;
}

Call call(std::string op, std::vector<double> args) { return Call{std::move(op), std::move(args)}; }

}  // namespace

// ---------------------------------------------------------------- decisions

TEST(SceneRules, ThePerspectiveFollowsTheCameraKind) {
    struct Case {
        int field;
        double fov, zNear;
    };
    for (const Case& c : {Case{37, 35, 30}, Case{3, 35, 30}, Case{110, 58, 80}, Case{105, 58, 80}, Case{155, 58, 80},
                          Case{106, 64, 80}, Case{136, 64, 80}, Case{146, 64, 80}, Case{156, 64, 80},
                          Case{166, 35, 30}, Case{101, 35, 30}, Case{102, 35, 30}}) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(perspectiveFor(c.field), (FramePerspective{c.fov, c.zNear, 40000}));
    }
}

TEST(SceneRules, TheChaseAngleComesFromBothValues) {
    // a = |2 F101|, b = |2 F102|, t = b - ((b + a) / 7 - 70), atan(t / a).
    EXPECT_NEAR(*chaseAngle(280, 70), std::atan((140 - (700.0 / 7 - 70)) / 560) * 180 / std::numbers::pi, 1e-9);
    EXPECT_NEAR(*chaseAngle(-280, 70), *chaseAngle(280, 70), 1e-12);  // the sign turns the camera, not the angle
    EXPECT_NEAR(*chaseAngle(0, 35), 90, 1e-12);                       // t / 0 is a right angle
    EXPECT_NEAR(*chaseAngle(10, 900), std::atan((1800 - (1820.0 / 7 - 70)) / 20) * 180 / std::numbers::pi, 1e-9);
    EXPECT_FALSE(chaseAngle(0, 0).has_value());  // no angle: the camera is not tilted
}

// ---------------------------------------------------------------- set-up

TEST_F(Scene, SetUpLightsTheSceneAndStartsOnTheCockpitCamera) {
    EXPECT_EQ(g.editor.SheetReady, 0);
    EXPECT_EQ(g.editor.CurrentCamField, 105);
    // The set-up's own calls, before the lists (which switch lights of their own).
    const auto lists = std::find_if(gl.calls.begin(), gl.calls.end(), [](const Call& x) { return x.op == "genLists"; });
    const std::vector<Call> c(gl.calls.begin(), lists + 1);
    auto has = [&c](const Call& wanted) { return std::find(c.begin(), c.end(), wanted) != c.end(); };
    EXPECT_EQ(c.front(), call("clearColor", {0.85f, 0.94f, 1.0f, 0}));
    EXPECT_TRUE(has(call("enable", {GL_LIGHTING})));
    EXPECT_TRUE(has(call("lightModeli", {GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE})));
    EXPECT_TRUE(has(call("lightModeli", {GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR})));
    EXPECT_TRUE(has(call("lightfv", {GL_LIGHT0, GL_POSITION, -300, -3000, -1000, 0})));
    EXPECT_TRUE(has(call("lightfv", {GL_LIGHT0, GL_AMBIENT, 1, 1, 1, 1})));
    EXPECT_TRUE(has(call("lightfv", {GL_LIGHT0, GL_DIFFUSE, 0.5, 0.5, 0.5, 1})));
    EXPECT_TRUE(has(call("lightfv", {GL_LIGHT1, GL_POSITION, -500, -200, -200, 1})));
    EXPECT_TRUE(has(call("lightfv", {GL_LIGHT2, GL_DIFFUSE, 0.2f, 0.2f, 0.2f, 1})));
    EXPECT_TRUE(has(call("lightfv", {GL_LIGHT4, GL_DIFFUSE, 0.7f, 0.7f, 0.7f, 1})));
    EXPECT_TRUE(has(call("lightfv", {GL_LIGHT6, GL_POSITION, 300, 3000, -1000, 0})));
    // Lights other than 0 keep OpenGL's own ambient and specular where none is given.
    EXPECT_FALSE(has(call("lightfv", {GL_LIGHT2, GL_AMBIENT, 0, 0, 0, 1})));
    for (GLenum light : {GL_LIGHT0, GL_LIGHT1, GL_LIGHT2}) EXPECT_TRUE(has(call("enable", {double(light)})));
    for (GLenum light : {GL_LIGHT3, GL_LIGHT4, GL_LIGHT5, GL_LIGHT6}) EXPECT_FALSE(has(call("enable", {double(light)})));
    EXPECT_TRUE(has(call("enable", {GL_DEPTH_TEST})));
    EXPECT_FALSE(has(call("enable", {GL_BLEND})));
    EXPECT_TRUE(has(call("blendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA})));
    EXPECT_TRUE(has(call("alphaFunc", {GL_GREATER, 0.4f})));
    EXPECT_TRUE(has(call("genLists", {12})));
    // The textures load inside list 0, which nothing calls; then the parts
    // are built in their order.
    const GLuint base = scene.ListBase;
    std::vector<int> compiled;
    for (const Call& x : gl.calls) {
        const int slot = static_cast<int>(x.args.empty() ? 0 : x.args[0]) - static_cast<int>(base);
        if (x.op == "newList" && slot >= 0 && slot < kSlotCount) compiled.push_back(slot);
    }
    EXPECT_EQ(compiled, (std::vector<int>{0, 2, 3, 4, 5, 6, 7}));
    // The meshes' vertices are compiled once, into lists of their own.
    EXPECT_NE(scene.meshes.rear[0], 0u);
    EXPECT_EQ(gl.lists.at(scene.meshes.front[6]).size(), 2u + 3 * 3 * 81);
    EXPECT_NE(std::find(gl.calls.begin(), gl.calls.end(), call("newList", {double(base), GL_COMPILE_AND_EXECUTE})),
              gl.calls.end());
    EXPECT_NE(scene.fixed.TreadTexture, 0u);
    EXPECT_NE(scene.fixed.SteeringWheelTexture, 0u);
    // Team 0's values reach the preview.
    EXPECT_EQ(g.editor.preview.LastShownTeam, 0);
    EXPECT_NE(g.editor.preview.ArmMaterial, (std::array<float, 4>{0, 0, 0, 1}));
}

// ---------------------------------------------------------------- the camera

TEST_F(Scene, ARowCameraTurnsAndMovesTheProjection) {
    for (auto [field, value] : {std::pair{"LMDEdit3", "12"}, {"LMDEdit13", "-34"}, {"LMDEdit23", "56"},
                                {"LMDEdit33", "20"}, {"LMDEdit43", "-7"}, {"LMDEdit53", "3"}}) {
        g.edit(field, value);
    }
    show(37);  // the Dir. field of "Camera 6" picks row 7; here row 3 through its Pitch field
    show(43);
    const std::vector<Call> calls = frame();
    EXPECT_EQ(g.editor.CurrentCamField, 3);
    EXPECT_EQ(cameraCalls(calls), (std::vector<Call>{call("rotate", {3, 0, 0, 1}), call("rotate", {-7, -1, 0, 0}),
                                                     call("rotate", {160, 0, -1, 0}),
                                                     call("translate", {24, -112, 68})}));
    // Everything goes onto the projection matrix: nothing selects another.
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const Call& c) { return c.op == "matrixMode"; }), 2);
    EXPECT_EQ(calls[1], call("matrixMode", {GL_MODELVIEW}));
    EXPECT_EQ(calls[3], call("matrixMode", {GL_PROJECTION}));
    EXPECT_EQ(last().perspective, (FramePerspective{35, 30, 40000}));
}

TEST_F(Scene, TheTcamRowTakesItsHeightAndLengthFromTeamZero) {
    g.edit("LMDEdit106", "9");
    g.editor.preview.TCamCache = {0, 0};
    g.edit("LMDTC0", "40");   // Y
    g.edit("LMDTC20", "-8");  // Z
    g.editor.preview.TCamCache = {0, 0};
    show(106);
    const std::vector<Call> camera = cameraCalls(frame());
    ASSERT_EQ(camera.size(), 4u);
    EXPECT_EQ(camera[3], call("translate", {18, 16, -80}));
    EXPECT_EQ(g.editor.preview.TCamCache, (std::array<std::int16_t, 2>{40, -8}));
}

TEST_F(Scene, AFieldAboveTheRowsDrawsOnceAtItsOwnAngleThenAsTheTcam) {
    show(166);
    frame();
    EXPECT_EQ(last().perspective.fieldOfView, 35);
    EXPECT_EQ(g.editor.CurrentCamField, 106);
    frame();
    EXPECT_EQ(last().perspective.fieldOfView, 64);
    show(110);
    frame();
    EXPECT_EQ(last().row, 105);
    EXPECT_EQ(last().perspective.fieldOfView, 58);
}

TEST_F(Scene, TheChaseCameraLooksDownAtTheCarFromBehindOrAhead) {
    g.edit("LMDEdit101", "-280");
    g.edit("LMDEdit102", "70");
    show(101);
    std::vector<Call> camera = cameraCalls(frame());
    const double angle = *chaseAngle(-280, 70);
    ASSERT_EQ(camera.size(), 3u);
    EXPECT_NEAR(camera[0].args[0], -angle, 1e-4);
    EXPECT_EQ(std::vector<double>(camera[0].args.begin() + 1, camera[0].args.end()), (std::vector<double>{-1, 0, 0}));
    EXPECT_EQ(camera[1], call("rotate", {180, 0, -1, 0}));  // a negative chase value looks from ahead
    EXPECT_EQ(camera[2], call("translate", {0, -140, 660}));
    EXPECT_EQ(g.editor.CurrentCamField, 101);

    g.editor.preview.ChaseRear = true;
    camera = cameraCalls(frame());
    EXPECT_EQ(camera[1], call("rotate", {0, 0, -1, 0}));
    EXPECT_EQ(camera[2], call("translate", {0, -140, -560}));

    g.edit("LMDEdit101", "0");
    g.edit("LMDEdit102", "0");
    show(101);  // an edit shows the camera of the field pressed last
    camera = cameraCalls(frame());
    EXPECT_FALSE(last().chaseAngle.has_value());
    EXPECT_EQ(camera, (std::vector<Call>{call("rotate", {0, 0, -1, 0}), call("translate", {0, 0, 0})}));
}

TEST_F(Scene, ACameraFieldThatHoldsNoNumberEndsTheFrameWithTheConversionError) {
    g.edit("LMDEdit33", "1.5");
    show(3);
    gl.clearCalls();
    EXPECT_FALSE(g.editor.dispatch([&] { renderFrame(g.editor, scene, gl); }));
    EXPECT_EQ(g.ui.errors().size(), 1u);
}

// ---------------------------------------------------------------- what is drawn

TEST_F(Scene, EachRowCallsTheListsOfWhatItSees) {
    struct Case {
        int field;
        std::vector<int> slots;
    };
    for (const Case& c : {Case{105, {10, 7, 8, 2, 4}}, Case{3, {10, 6, 5, 3, 2, 4}}, Case{5, {2, 4}},
                          Case{9, {2, 4}}, Case{106, {10, 6, 5, 3, 2, 4}}, Case{102, {10, 6, 5, 3, 2, 4}}}) {
        SCOPED_TRACE(c.field);
        show(c.field);
        const std::vector<Call> calls = frame();
        EXPECT_EQ(last().slotsCalled, c.slots);
        std::vector<int> called;
        // The frame's own calls: the lists it compiles call the meshes' lists.
        for (const Call& x : calls) {
            const int slot = static_cast<int>(x.args.empty() ? 0 : x.args[0]) - static_cast<int>(scene.ListBase);
            if (x.op == "callList" && slot >= 0 && slot < kSlotCount) called.push_back(slot);
        }
        EXPECT_EQ(called, c.slots);
    }
}

TEST_F(Scene, ShapesAreReadWhenTheViewChangesBetweenCockpitAndOutside) {
    frame();  // the first frame reads both
    EXPECT_EQ(lookedUp(), (std::vector<std::string>{"cockpit_dash.gp4", "car_cockpit_00.gp4"}));
    frame();
    EXPECT_TRUE(lookedUp().empty());
    show(3);
    frame();
    const std::string car = "car_" + g.editor.preview.CarTeamKey + "_car1_lod_0.gp4";
    EXPECT_EQ(lookedUp(), (std::vector<std::string>{"cockpit_dash.gp4", car}));
    show(7);
    frame();
    EXPECT_TRUE(lookedUp().empty());
    show(105);
    frame();
    EXPECT_EQ(lookedUp(), (std::vector<std::string>{"cockpit_dash.gp4", "car_cockpit_00.gp4"}));
    EXPECT_FALSE(g.editor.preview.ReloadCarShape);
    EXPECT_FALSE(g.editor.preview.ReloadDashboard);
}

// A frame is decided by the operation that asked for it; drawing it changes
// nothing of the editor, and drawing the same plan again (an exposed window)
// draws the same picture without reading anything again.
TEST_F(Scene, DrawingAPlanChangesNothingOfTheEditorAndDrawsTheSamePictureAgain) {
    show(37);  // "Camera 6"'s Dir.: the plan reduces it to the row
    ASSERT_TRUE(g.editor.dispatch([&] { g.editor.planFrameNow(); }));
    EXPECT_EQ(g.editor.CurrentCamField, 7);
    EXPECT_EQ(g.editor.frame.row, 7);
    const cli::DumpJson planned = cli::dumpDocument(g.editor, g.ui);

    gl.clearCalls();
    EXPECT_TRUE(drawFrame(g.editor, scene, gl).empty());
    EXPECT_EQ(lookedUp().size(), 2u);  // the dashboard and the car, read once
    EXPECT_EQ(cli::dumpDocument(g.editor, g.ui), planned);
    gl.clearCalls();
    drawFrame(g.editor, scene, gl);
    const std::vector<Call> second = gl.calls;
    EXPECT_TRUE(lookedUp().empty());
    gl.clearCalls();
    drawFrame(g.editor, scene, gl);
    EXPECT_EQ(gl.calls, second);
    EXPECT_EQ(cli::dumpDocument(g.editor, g.ui), planned);
    EXPECT_EQ(scene.frames, 3);
    EXPECT_EQ(last().row, 7);
}

// The window may paint once for two operations: what the first one's plan
// asked to read is read by the frame that follows the second.
TEST_F(Scene, AShapeAskedForByAPlanNoFrameDrewIsReadByTheNextFrame) {
    show(3);
    ASSERT_TRUE(g.editor.dispatch([&] { g.editor.planFrameNow(); }));
    show(7);
    ASSERT_TRUE(g.editor.dispatch([&] { g.editor.planFrameNow(); }));
    drawFrame(g.editor, scene, gl);
    const std::string car = "car_" + g.editor.preview.CarTeamKey + "_car1_lod_0.gp4";
    EXPECT_EQ(lookedUp(), (std::vector<std::string>{"cockpit_dash.gp4", car}));
    EXPECT_EQ(last().row, 7);
    drawFrame(g.editor, scene, gl);
    EXPECT_TRUE(lookedUp().empty());
}

// What a frame's reads have to say is handed back, not shown while the frame
// is drawn.
TEST_F(Scene, WhatAFramesReadsSayIsHandedBackToBeShownAfterTheFrame) {
    const fs::path bad = g.folder() / "damaged.wad";
    writeBytes(bad, Bytes{1, 2, 3});
    g.editor.ManualWadPath = bad.string();
    show(3);
    ASSERT_TRUE(g.editor.dispatch([&] { g.editor.planFrameNow(); }));
    const std::size_t before = g.ui.messages().size();
    const FrameMessages said = drawFrame(g.editor, scene, gl);
    EXPECT_EQ(g.ui.messages().size(), before);
    ASSERT_EQ(said.said().size(), 2u);  // the dashboard's look-up and the car's
    EXPECT_NE(said.said()[0].text.find("Car shapes won't be displayed."), std::string::npos);
    said.showOn(g.ui);
    EXPECT_EQ(g.ui.messages().size(), before + 2);
}

// A view whose first frame is a TV camera's (a script that chooses the
// camera before its first render) reads the team's car as well.
TEST_F(Scene, AFirstFrameOutsideTheCockpitReadsTheCar) {
    show(3);
    frame();
    const std::string car = "car_" + g.editor.preview.CarTeamKey + "_car1_lod_0.gp4";
    EXPECT_EQ(lookedUp(), (std::vector<std::string>{"cockpit_dash.gp4", car}));
    EXPECT_TRUE(scene.shapes.count(kSlotCar));
}

TEST_F(Scene, EveryFrameRaisesTheReadiness) {
    frame();
    frame();
    EXPECT_EQ(g.editor.SheetReady, 2);
    EXPECT_EQ(scene.frames, 2);
}

TEST_F(Scene, ReleasingTheViewGivesBackEveryTextureAndList) {
    frame();
    show(3);
    frame();
    g.editor.dispatch([&] { releaseScene(scene, gl); });
    EXPECT_TRUE(gl.textures.empty());
    EXPECT_TRUE(gl.lists.empty());
}

// The window's view loses its context when the window is made anew: the
// view set up again reads the shapes on show again.
TEST_F(Scene, AViewSetUpAgainReadsTheShapesOnShowAgain) {
    frame();  // the cockpit, as the set-up leaves it again
    ASSERT_TRUE(scene.shapes.count(kSlotCar));
    ASSERT_TRUE(g.editor.dispatch([&] { releaseScene(scene, gl); }));
    ASSERT_TRUE(g.editor.dispatch([&] { glControlSetup(g.editor, scene, gl, "/nonexistent"); }));
    ASSERT_TRUE(g.editor.dispatch([&] { g.editor.planFrameNow(); }));
    drawFrame(g.editor, scene, gl);
    EXPECT_TRUE(scene.shapes.count(kSlotCar));
    EXPECT_EQ(lookedUp().size(), 2u);
}

struct SceneWithoutArchive : Scene {
    static gg::GameSpec spec() {
        gg::GameSpec s;
        s.withArchive = false;
        return s;
    }
    SceneWithoutArchive() : Scene(spec()) {}
};

TEST_F(SceneWithoutArchive, TheFirstFrameSaysOncePerShapeThatTheArchiveIsMissing) {
    const std::size_t before = g.ui.messages().size();
    frame();
    const std::vector<std::string> said(g.ui.messages().begin() + static_cast<std::ptrdiff_t>(before), g.ui.messages().end());
    const std::string text = "Sorry but as cars.wad can't be found, car shapes won't be displayed";
    EXPECT_EQ(said, (std::vector<std::string>{text, text}));
    show(3);
    frame();
    EXPECT_EQ(g.ui.messages().size(), before + 2);
    EXPECT_EQ(last().slotsCalled, (std::vector<int>{10, 6, 5, 3, 2, 4}));
}

TEST(ViewProjection, ANewSizeGivesTheDefaultPerspectiveAndAHeightOfZeroCountsAsOne) {
    RecordingGl gl;
    applyProjection(gl, 640, 0);
    EXPECT_EQ(gl.calls, (std::vector<Call>{call("matrixMode", {GL_PROJECTION}), call("loadIdentity", {}),
                                           call("perspective", {35, 640, 1, 100}), call("matrixMode", {GL_MODELVIEW}),
                                           call("viewport", {0, 0, 640, 1})}));
    gl.clearCalls();
    applyProjection(gl, 320, 240);
    EXPECT_EQ(gl.calls[2], call("perspective", {35, 320.0 / 240, 1, 100}));
    gl.clearCalls();
    applyBackground(gl, 0x000000);  // the view's own black, until the scene's sky replaces it
    EXPECT_EQ(gl.calls, (std::vector<Call>{call("clearColor", {0, 0, 0, 1})}));
}

TEST_F(Scene, SwitchingTeamsAndCamerasForLongHoldsNoMoreTexturesOrLists) {
    frame();
    show(3);
    frame();
    const std::size_t textures = gl.textures.size(), lists = gl.lists.size();
    for (int i = 0; i < 60; ++i) {
        g.editor.dispatch([&] { carRefresh(g.editor, i % 5); });
        show(i % 2 ? 105 : 3);
        frame();
    }
    EXPECT_EQ(gl.textures.size(), textures);
    EXPECT_LE(gl.lists.size(), lists + 1);
}

// "Default All" gives the teams their stock names, and the preview looks the
// car up by the name on show: an archive that holds the cars under those names
// too (as the demo's does) still shows every team's car; one that does not
// draws no car body rather than another team's.
TEST(SceneAfterDefaultAll, EachTeamsCarIsTheOneStoredUnderItsStockName) {
    for (const bool stockNames : {true, false}) {
        SCOPED_TRACE(stockNames ? "cars under the stock names" : "cars under the game's names only");
        gg::GameSpec spec;
        spec.archiveEntries = 27;
        spec.withStockNameCars = stockNames;
        TestGame g(spec);
        RecordingGl gl;
        SceneState scene;
        texgen::writeTextureFolder((g.folder() / "CamTextures").string());
        ASSERT_TRUE(g.importAll());
        ASSERT_TRUE(g.editor.dispatch([&] { glControlSetup(g.editor, scene, gl, "/nonexistent"); }));
        ASSERT_TRUE(g.editor.dispatch([&] { g.editor.main.userClick(g.editor.main.get("DefaultCockpitButton")); }));
        const GLuint carList = scene.ListBase + kSlotCar;
        for (int team : {0, 5, 10}) {
            SCOPED_TRACE(team);
            ASSERT_TRUE(g.editor.dispatch([&] { carRefresh(g.editor, team); }));
            g.editor.CurrentCamField = 3;
            ASSERT_TRUE(g.editor.dispatch([&] { renderFrame(g.editor, scene, gl); }));
            const std::string& name = kDefaultTeamNames[static_cast<std::size_t>(team)];
            ASSERT_EQ(g.editor.preview.CarTeamKey, name);
            ASSERT_FALSE(scene.lookups.empty());
            const ShapeLookup& car = scene.lookups.back();
            EXPECT_EQ(car.name, "car_" + name + "_car1_lod_0.gp4");
            EXPECT_EQ(car.found, stockNames);
            EXPECT_EQ(gl.lists.at(carList).empty(), !stockNames);
            EXPECT_EQ(scene.shapes.count(kSlotCar), stockNames ? 1u : 0u);
            // The driver and the tyres are drawn either way.
            EXPECT_EQ(scene.lastFrame.slotsCalled, (std::vector<int>{10, 6, 5, 3, 2, 4}));
        }
    }
}

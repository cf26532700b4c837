#pragma once

#include <optional>
#include <string>

#include "preview/Gl.h"
#include "preview/Parts.h"
#include "preview/SceneState.h"

namespace varnisk {

class Editor;

// The preview's scene: what a view does once its context exists, and on
// every paint. Both hosts (the window's view and varnisk-cli's offscreen
// view) call these with the context current.

// The perspective of the frame for camera field n, before it is reduced.
FramePerspective perspectiveFor(int n);

// The chase camera's downward angle in degrees from the two chase values
// (the fields 101 and 102); nullopt when there is none (both values 0).
std::optional<double> chaseAngle(int f101, int f102);

// Whether the row's camera sees the car ("Camera 4" and "Camera 8" do not).
bool rowShowsCar(int row);

// The view's default projection for its size: 35 degrees, near 1, far 100;
// a height of 0 is taken as 1.
void applyProjection(Gl& gl, int width, int height);

// The clear colour from a Windows colour (0x00BBGGRR).
void applyBackground(Gl& gl, std::uint32_t colour);

// What a view does once its context exists, the same in every host: refuses
// a driver older than OpenGL 1.1 ("Diese OpenGL version ist veraltet."),
// sets the default projection for the view's size and the view's own black
// background, then runs the scene's set-up.
void setUpView(Editor& editor, SceneState& scene, Gl& gl, int width, int height, const std::string& ownDir);

// Once, right after the context exists: lights, lists, textures from the
// CamTextures folder (the start directory's, else the one in `ownDir`), the
// team-0 handlers; SheetReady := 0, CurrentCamField := 105.
void glControlSetup(Editor& editor, SceneState& scene, Gl& gl, const std::string& ownDir);

// One frame: clears the buffers, resets the model-view matrix and draws the
// scene as the camera being edited sees it.
void renderFrame(Editor& editor, SceneState& scene, Gl& gl);

// The scene of one frame (buffers cleared, model-view identity).
void glControlRender(Editor& editor, SceneState& scene, Gl& gl);

// What the generated parts are built from: the game's tyre and cockpit wheel
// positions, the team on show, the fixed textures and the meshes' lists.
PartsInput partsInput(const Editor& editor, const SceneState& scene);
// Compiles the helmet's slot at the team's helmet offset.
void buildHelmetSlot(const Editor& editor, SceneState& scene, Gl& gl);

// Releases the lists and textures of the view (its context current).
void releaseScene(SceneState& scene, Gl& gl);

}  // namespace varnisk

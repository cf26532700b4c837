#pragma once

#include <optional>
#include <string>

#include "preview/FrameMessages.h"
#include "preview/Gl.h"
#include "preview/Parts.h"
#include "preview/SceneState.h"

namespace varnisk {

class Editor;

// The preview's scene: what a view does once its context exists, and on
// every paint. Both hosts (the window's view and varnisk-cli's offscreen
// view) call these with the context current.

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
// team-0 handlers; SheetReady := 0, CurrentCamField := 105. The view is then
// open (editor.viewOpen); what the set-up asked for is part of it.
void glControlSetup(Editor& editor, SceneState& scene, Gl& gl, const std::string& ownDir);

// Draws the frame the editor planned (editor.frame): clears the buffers,
// resets the model-view matrix and draws the scene as the plan's camera sees
// it, reading each shape the plan asks for once. Changes nothing of the
// editor; what the reads have to say is returned, for the host to show once
// the frame is drawn.
FrameMessages drawFrame(const Editor& editor, SceneState& scene, Gl& gl);

// Plans a frame now, as part of the running operation, draws it and shows
// what it had to say: one whole frame, as varnisk-cli's `render`, the tests
// and the benchmark ask for one.
void renderFrame(Editor& editor, SceneState& scene, Gl& gl);

// What the generated parts are built from: the game's tyre and cockpit wheel
// positions, the team on show, the fixed textures and the meshes' lists.
PartsInput partsInput(const Editor& editor, const SceneState& scene);
// Compiles the helmet's slot at the team's helmet offset.
void buildHelmetSlot(const Editor& editor, SceneState& scene, Gl& gl);

// Releases the lists and textures of the view (its context current).
void releaseScene(SceneState& scene, Gl& gl);

}  // namespace varnisk

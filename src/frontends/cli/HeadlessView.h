#pragma once

#include <memory>
#include <string>

#include "preview/SceneState.h"

namespace varnisk {

class Editor;
class OffscreenContext;
class ForwardingGl;

namespace cli {

// varnisk-cli's preview: an offscreen view of the GLView control's size that
// needs no display server. It has no view until the first `render`; from
// then on it draws every frame the editor plans (an operation that asks for
// a repaint plans one as its last step), as the window's event loop paints
// once after an event.
class HeadlessView {
public:
    HeadlessView(Editor& editor, std::string ownDataDir);
    ~HeadlessView();

    bool open() const { return context_ != nullptr; }
    // Whether the editor planned a frame this view has not drawn.
    bool frameWaiting() const;

    // Opens the view (running the scene's set-up) when it is not open yet.
    void ensureOpen();
    // The `view` command: opens the view as ensureOpen does, what its set-up
    // asks for being part of it (no frame follows).
    void openNow();
    // Draws the frame the editor planned last, at the control's current
    // size, and shows what it had to say.
    void drawFrame();
    // Opens the view when it is not open yet, plans a frame as part of the
    // running operation, draws it and writes it to `path` as a PNG image.
    void render(const std::string& path);

    // The view's lists, textures and what its last frame did.
    const SceneState& scene() const { return scene_; }

private:
    Editor& editor_;
    std::string ownDataDir_;
    long long drawnPlan_ = 0;
    SceneState scene_;
    std::unique_ptr<OffscreenContext> context_;
    std::unique_ptr<ForwardingGl> gl_;
};

}  // namespace cli
}  // namespace varnisk

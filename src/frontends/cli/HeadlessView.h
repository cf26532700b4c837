#pragma once

#include <functional>
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
// then on one frame is drawn after every event that asked for a repaint, as
// the window's event loop paints once after an event.
class HeadlessView {
public:
    // `repaints` tells how many repaints the program has asked for so far.
    HeadlessView(Editor& editor, std::string ownDataDir, std::function<int()> repaints);
    ~HeadlessView();

    bool open() const { return context_ != nullptr; }
    // The repaints asked for while the view was set up or a frame was drawn:
    // they are part of that frame.
    int repaintsInFrames() const { return inFrames_; }

    // Opens the view (running the scene's set-up) when it is not open yet.
    void ensureOpen();
    // The `view` command: opens the view as ensureOpen does, what its set-up
    // asks for being part of it (no frame follows).
    void openNow();
    // Draws one frame, at the control's current size.
    void drawFrame();
    // Draws one frame and writes it to `path` as a PNG image.
    void render(const std::string& path);

    // The view's lists, textures and what its last frame did.
    const SceneState& scene() const { return scene_; }

private:
    Editor& editor_;
    std::string ownDataDir_;
    std::function<int()> repaints_;
    int inFrames_ = 0;
    SceneState scene_;
    std::unique_ptr<OffscreenContext> context_;
    std::unique_ptr<ForwardingGl> gl_;
};

}  // namespace cli
}  // namespace varnisk

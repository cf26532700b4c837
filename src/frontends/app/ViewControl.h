#pragma once

#include <memory>
#include <string>

#include <QOpenGLWidget>
#include <QSurfaceFormat>

#include "preview/SceneState.h"

namespace varnisk {

class Editor;
class ForwardingGl;

// The preview's view in the window: a double-buffered RGBA OpenGL view with a
// depth buffer, in a compatibility context. It runs the scene's set-up once
// before its first paint, asking for the first frame, and keeps the default
// projection on every resize. Every paint draws the frame the editor planned
// last (an operation that asks for a repaint plans one as its last step) and
// changes nothing of the editor; what the frame's reads had to say is shown
// after the paint.
class ViewControl : public QOpenGLWidget {
public:
    ViewControl(Editor& editor, std::string ownDataDir, QWidget* parent);
    ~ViewControl() override;

    void requestFrame();

    // The view's surface: double-buffered, 8 bits a colour, no alpha planes,
    // the deepest depth buffer up to 32 bits, compatibility profile.
    static QSurfaceFormat surfaceFormat();

    // Frames drawn so far, for tests.
    long long framesDrawn() const { return frames_; }
    // The view's lists, textures and what its last frame did.
    const SceneState& scene() const { return scene_; }

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    // The press belongs to the view (the camera drags), not to the window.
    void mousePressEvent(QMouseEvent* event) override;

private:
    void release();
    void endIfTerminated();

    Editor& editor_;
    std::string ownDataDir_;
    std::unique_ptr<ForwardingGl> gl_;
    SceneState scene_;
    bool ready_ = false;
    long long frames_ = 0;
};

}  // namespace varnisk

#include "app/ViewControl.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include "base/Errors.h"
#include "core/Editor.h"
#include "opengl/ForwardingGl.h"
#include "preview/Scene.h"

namespace varnisk {

ViewControl::ViewControl(Editor& editor, std::string ownDataDir, QWidget* parent)
    : QOpenGLWidget(parent), editor_(editor), ownDataDir_(std::move(ownDataDir)) {
    setFormat(surfaceFormat());
    setMinimumSize(1, 1);
}

QSurfaceFormat ViewControl::surfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    // No alpha planes: the view shows its frame opaque whatever alpha the
    // sky's clear colour and the blending leave behind.
    format.setAlphaBufferSize(0);
    format.setDepthBufferSize(32);  // the driver gives the most it has up to that
    format.setStencilBufferSize(0);
    return format;
}

ViewControl::~ViewControl() { release(); }

void ViewControl::release() {
    if (!ready_ || context() == nullptr) return;
    makeCurrent();
    releaseScene(scene_, *gl_);
    doneCurrent();
    ready_ = false;
    editor_.viewReleased();
}

void ViewControl::requestFrame() { update(); }

void ViewControl::initializeGL() {
    gl_ = std::make_unique<ForwardingGl>();
    // The window was created with its view; without a context there is
    // nothing to draw in, and the program says so.
    editor_.dispatch([this] {
        if (context() == nullptr || !context()->isValid()) {
            throw ProgramError("Erzeugung des Renderingkontexts schlug fehl.");
        }
        setUpView(editor_, scene_, *gl_, width(), height(), ownDataDir_);
        ready_ = true;
        editor_.requestFrame();  // the first frame
    });
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { release(); });
    endIfTerminated();
}

void ViewControl::endIfTerminated() {
    // An unreadable tread texture ends the program.
    if (!editor_.terminated()) return;
    const int code = editor_.exitCode();
    QMetaObject::invokeMethod(qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

void ViewControl::mousePressEvent(QMouseEvent* event) { event->accept(); }

void ViewControl::resizeGL(int w, int h) {
    if (ready_) applyProjection(*gl_, w, h);
}

void ViewControl::paintGL() {
    if (!ready_) return;
    const FrameMessages said = drawFrame(editor_, scene_, *gl_);
    ++frames_;
    // A message box runs events of its own: it opens after the paint.
    if (!said.empty()) {
        QMetaObject::invokeMethod(this, [this, said] { said.showOn(editor_.ui); }, Qt::QueuedConnection);
    }
}

}  // namespace varnisk

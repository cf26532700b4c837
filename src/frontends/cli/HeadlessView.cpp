#include "cli/HeadlessView.h"

#include "base/Errors.h"
#include "core/Editor.h"
#include "opengl/ForwardingGl.h"
#include "opengl/OffscreenView.h"
#include "opengl/PngWriter.h"
#include "preview/Scene.h"

namespace varnisk::cli {

namespace {

struct Size {
    int width, height;
};

Size viewSize(Editor& editor) {
    const Control& view = editor.main.get("GLView");
    return {std::max(view.bounds.width, 1), std::max(view.bounds.height, 1)};
}

}  // namespace

HeadlessView::HeadlessView(Editor& editor, std::string ownDataDir)
    : editor_(editor), ownDataDir_(std::move(ownDataDir)) {}

HeadlessView::~HeadlessView() {
    if (!context_) return;
    try {
        context_->makeCurrent();
        releaseScene(scene_, *gl_);
        editor_.viewReleased();
    } catch (const std::exception&) {
        // The context goes with the process anyway.
    }
}

void HeadlessView::ensureOpen() {
    if (context_) return;
    const Size size = viewSize(editor_);
    std::string why;
    std::unique_ptr<OffscreenContext> context = OffscreenContext::create(size.width, size.height, why);
    if (!context) throw ProgramError("Erzeugung des Renderingkontexts schlug fehl. (" + why + ")");
    auto gl = std::make_unique<ForwardingGl>();
    // The view is open once its set-up has run.
    setUpView(editor_, scene_, *gl, size.width, size.height, ownDataDir_);
    context_ = std::move(context);
    gl_ = std::move(gl);
}

bool HeadlessView::frameWaiting() const { return open() && editor_.frame.number != drawnPlan_; }

void HeadlessView::openNow() { ensureOpen(); }

void HeadlessView::drawFrame() {
    ensureOpen();
    context_->makeCurrent();
    const Size size = viewSize(editor_);
    if (size.width != context_->width() || size.height != context_->height()) {
        context_->resize(size.width, size.height);
        applyProjection(*gl_, size.width, size.height);
    }
    const FrameMessages said = varnisk::drawFrame(editor_, scene_, *gl_);
    drawnPlan_ = editor_.frame.number;
    said.showOn(editor_.ui);
}

void HeadlessView::render(const std::string& path) {
    ensureOpen();
    editor_.planFrameNow();
    drawFrame();
    const std::vector<std::uint8_t> pixels = context_->readRgba();
    writePng(path, context_->width(), context_->height(), pixels);
}

}  // namespace varnisk::cli

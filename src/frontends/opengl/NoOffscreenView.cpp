#include "opengl/OffscreenView.h"
#include "opengl/PngWriter.h"

#include "base/Errors.h"

// The preview's headless host where the system offers no OpenGL context
// without a window (the Windows build of varnisk-cli): no context can be
// had, so `render` reports that and writes nothing. The window's view draws
// the preview there as everywhere.

namespace varnisk {

struct OffscreenContext::Impl {};

namespace {

[[noreturn]] void noContext() { throw ProgramError("no offscreen OpenGL context on this system"); }

}  // namespace

std::unique_ptr<OffscreenContext> OffscreenContext::create(int width, int height, std::string& error) {
    (void)width;
    (void)height;
    error = "no OpenGL context without a window on this system: the window shows the preview";
    return nullptr;
}

OffscreenContext::OffscreenContext(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
OffscreenContext::~OffscreenContext() = default;
void OffscreenContext::makeCurrent() { noContext(); }
void OffscreenContext::resize(int width, int height) {
    (void)width;
    (void)height;
    noContext();
}
int OffscreenContext::width() const { return 0; }
int OffscreenContext::height() const { return 0; }
int OffscreenContext::depthBits() const { return 0; }
const std::string& OffscreenContext::platform() const {
    static const std::string none = "none";
    return none;
}
std::vector<std::uint8_t> OffscreenContext::readRgba() const { noContext(); }

void writePng(const std::string& path, int width, int height, std::span<const std::uint8_t> rgbaTopFirst) {
    (void)path;
    (void)width;
    (void)height;
    (void)rgbaTopFirst;
    noContext();
}

bool readPng(const std::string& path, int& width, int& height, std::vector<std::uint8_t>& rgba) {
    (void)path;
    (void)width;
    (void)height;
    (void)rgba;
    return false;
}

}  // namespace varnisk

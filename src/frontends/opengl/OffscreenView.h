#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varnisk {

// An OpenGL compatibility-profile context that needs no display server
// (Mesa's surfaceless EGL, else an EGL device, else EGL's default display),
// drawing into a framebuffer object of a given size: an RGBA8 colour buffer
// and a depth buffer of 32 bits where the driver has one, else 24. It is the
// headless host of the preview's scene: make it current, draw through a
// ForwardingGl (the scene sets its own viewport), then read the pixels.
//
// One thread at a time; the context is current on the thread that last
// called makeCurrent, resize or readRgba.
class OffscreenContext {
public:
    // A context with a framebuffer of width × height pixels (each at least 1),
    // current on the calling thread. Null when none can be had; `error` then
    // says why in one line ("no OpenGL context without a display: ...").
    static std::unique_ptr<OffscreenContext> create(int width, int height, std::string& error);

    // Releases the framebuffer, the context and, with the last context on it,
    // the EGL display. A context of another OffscreenContext that was current
    // on this thread is current again afterwards.
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    // Makes the context current on the calling thread with its framebuffer
    // bound for drawing and reading. Throws ProgramError when EGL refuses.
    void makeCurrent();

    // A new framebuffer of width × height (values below 1 count as 1), with
    // the context current. Its pixels are undefined until cleared. Throws
    // ProgramError when the driver cannot make one of that size (larger than
    // its limit, out of memory); the old framebuffer then stays as it was.
    void resize(int width, int height);

    int width() const;
    int height() const;
    // The depth buffer's bits as the driver reports them: 32 where it has a
    // 32-bit depth buffer, else 24.
    int depthBits() const;
    // Which EGL display it runs on: "surfaceless", "device" or "default".
    const std::string& platform() const;

    // The framebuffer's pixels, four bytes (R, G, B, A) each, width × height
    // of them, the top row first. Makes the context current and waits for
    // the drawing to finish.
    std::vector<std::uint8_t> readRgba() const;

    struct Impl;

private:
    explicit OffscreenContext(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace varnisk

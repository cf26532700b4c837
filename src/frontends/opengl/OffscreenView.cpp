#include "opengl/OffscreenView.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "base/Errors.h"

namespace varnisk {

namespace {

constexpr const char* kNoContext = "no OpenGL context without a display: ";

// A code the name lists below do not know: "<what> 0x<code in hex>".
std::string unnamedCode(const char* what, unsigned code) {
    char text[64];
    std::snprintf(text, sizeof text, "%s 0x%04X", what, code);
    return text;
}

std::string eglErrorName(EGLint code) {
    switch (code) {
    case EGL_SUCCESS: return "EGL_SUCCESS";
    case EGL_NOT_INITIALIZED: return "EGL_NOT_INITIALIZED";
    case EGL_BAD_ACCESS: return "EGL_BAD_ACCESS";
    case EGL_BAD_ALLOC: return "EGL_BAD_ALLOC";
    case EGL_BAD_ATTRIBUTE: return "EGL_BAD_ATTRIBUTE";
    case EGL_BAD_CONFIG: return "EGL_BAD_CONFIG";
    case EGL_BAD_CONTEXT: return "EGL_BAD_CONTEXT";
    case EGL_BAD_CURRENT_SURFACE: return "EGL_BAD_CURRENT_SURFACE";
    case EGL_BAD_DISPLAY: return "EGL_BAD_DISPLAY";
    case EGL_BAD_MATCH: return "EGL_BAD_MATCH";
    case EGL_BAD_NATIVE_PIXMAP: return "EGL_BAD_NATIVE_PIXMAP";
    case EGL_BAD_NATIVE_WINDOW: return "EGL_BAD_NATIVE_WINDOW";
    case EGL_BAD_PARAMETER: return "EGL_BAD_PARAMETER";
    case EGL_BAD_SURFACE: return "EGL_BAD_SURFACE";
    case EGL_CONTEXT_LOST: return "EGL_CONTEXT_LOST";
    default: break;
    }
    return unnamedCode("EGL error", static_cast<unsigned>(code));
}

std::string glErrorName(GLenum code) {
    switch (code) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    default: break;
    }
    return unnamedCode("GL error", static_cast<unsigned>(code));
}

std::string framebufferStatusName(GLenum status) {
    switch (status) {
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT: return "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT: return "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT";
    case GL_FRAMEBUFFER_UNSUPPORTED: return "GL_FRAMEBUFFER_UNSUPPORTED";
    case 0: return "glCheckFramebufferStatus failed";
    default: break;
    }
    return unnamedCode("framebuffer status", static_cast<unsigned>(status));
}

// Whether a space-separated extension list names `name`.
bool hasExtension(const char* list, const char* name) {
    if (list == nullptr) return false;
    const std::size_t length = std::strlen(name);
    for (const char* at = list; (at = std::strstr(at, name)) != nullptr; at += length) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == '\0' || at[length] == ' ';
        if (startsWord && endsWord) return true;
    }
    return false;
}

template <typename Function>
Function resolve(const char* name) {
    return reinterpret_cast<Function>(eglGetProcAddress(name));
}

// Every EGL display is shared by all who open it, and terminating it ends
// every context on it: the last OffscreenContext on a display terminates it.
std::mutex displayUsersMutex;
std::map<EGLDisplay, int> displayUsers;

bool useDisplay(EGLDisplay display, std::string& reason) {
    std::lock_guard<std::mutex> lock(displayUsersMutex);
    int& users = displayUsers[display];
    if (users == 0) {
        EGLint major = 0, minor = 0;
        if (eglInitialize(display, &major, &minor) != EGL_TRUE) {
            reason = "EGL could not be initialised (" + eglErrorName(eglGetError()) + ")";
            displayUsers.erase(display);
            return false;
        }
    }
    ++users;
    return true;
}

void releaseDisplay(EGLDisplay display) {
    std::lock_guard<std::mutex> lock(displayUsersMutex);
    auto it = displayUsers.find(display);
    if (it == displayUsers.end()) return;
    if (--it->second == 0) {
        eglTerminate(display);
        displayUsers.erase(it);
    }
}

// The framebuffer-object entry points, by their core names (OpenGL 3.0 or
// ARB_framebuffer_object) or the EXT ones.
struct FramebufferFunctions {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLGETRENDERBUFFERPARAMETERIVPROC getRenderbufferParameteriv = nullptr;

    bool load(const std::string& suffix) {
        auto get = [&suffix](const char* name) { return eglGetProcAddress((std::string(name) + suffix).c_str()); };
        genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(get("glGenFramebuffers"));
        deleteFramebuffers = reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(get("glDeleteFramebuffers"));
        bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(get("glBindFramebuffer"));
        checkFramebufferStatus = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(get("glCheckFramebufferStatus"));
        framebufferRenderbuffer =
            reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(get("glFramebufferRenderbuffer"));
        genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(get("glGenRenderbuffers"));
        deleteRenderbuffers = reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(get("glDeleteRenderbuffers"));
        bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(get("glBindRenderbuffer"));
        renderbufferStorage = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(get("glRenderbufferStorage"));
        getRenderbufferParameteriv =
            reinterpret_cast<PFNGLGETRENDERBUFFERPARAMETERIVPROC>(get("glGetRenderbufferParameteriv"));
        return genFramebuffers && deleteFramebuffers && bindFramebuffer && checkFramebufferStatus &&
               framebufferRenderbuffer && genRenderbuffers && deleteRenderbuffers && bindRenderbuffer &&
               renderbufferStorage && getRenderbufferParameteriv;
    }
};

struct Framebuffer {
    GLuint framebuffer = 0, colour = 0, depth = 0;
};

}  // namespace

struct OffscreenContext::Impl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;  // a 1 × 1 pbuffer where surfaceless contexts are not offered
    std::string platform;
    FramebufferFunctions fbo;
    Framebuffer buffers;
    GLenum depthFormat = 0;  // the one that worked, once one has
    int depthBits = 0;       // what the driver gave for it
    int width = 0, height = 0;

    ~Impl() {
        if (display == EGL_NO_DISPLAY) return;
        if (context != EGL_NO_CONTEXT) {
            // Whatever was current on this thread before, it comes back after.
            const EGLContext previous = eglGetCurrentContext();
            const EGLDisplay previousDisplay = eglGetCurrentDisplay();
            const EGLSurface previousDraw = eglGetCurrentSurface(EGL_DRAW);
            const EGLSurface previousRead = eglGetCurrentSurface(EGL_READ);
            if (eglMakeCurrent(display, surface, surface, context) == EGL_TRUE) {
                if (fbo.bindFramebuffer != nullptr) fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
                deleteFramebuffer(buffers);
            }
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            eglDestroyContext(display, context);
            if (previous != EGL_NO_CONTEXT && previous != context)
                eglMakeCurrent(previousDisplay, previousDraw, previousRead, previous);
        }
        if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
        releaseDisplay(display);
    }

    void deleteFramebuffer(Framebuffer& b) const {
        if (b.framebuffer != 0) fbo.deleteFramebuffers(1, &b.framebuffer);
        if (b.colour != 0) fbo.deleteRenderbuffers(1, &b.colour);
        if (b.depth != 0) fbo.deleteRenderbuffers(1, &b.depth);
        b = Framebuffer{};
    }

    bool current() const { return eglMakeCurrent(display, surface, surface, context) == EGL_TRUE; }

    void bind() const {
        fbo.bindFramebuffer(GL_FRAMEBUFFER, buffers.framebuffer);
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
    }

    // A renderbuffer of the format and size; 0 with `reason` set when the
    // driver refuses it.
    GLuint renderbuffer(GLenum format, int w, int h, std::string& reason) const {
        while (glGetError() != GL_NO_ERROR) {
        }
        GLuint name = 0;
        fbo.genRenderbuffers(1, &name);
        fbo.bindRenderbuffer(GL_RENDERBUFFER, name);
        fbo.renderbufferStorage(GL_RENDERBUFFER, format, w, h);
        fbo.bindRenderbuffer(GL_RENDERBUFFER, 0);
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR) return name;
        fbo.deleteRenderbuffers(1, &name);
        reason = glErrorName(error);
        return 0;
    }

    // A complete framebuffer of w × h with the context current; false with
    // `reason` set when there is none (nothing is left behind then).
    bool makeFramebuffer(int w, int h, Framebuffer& out, std::string& reason) {
        GLint maxRenderbuffer = 0;
        GLint maxViewport[2] = {0, 0};
        glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
        const int limitW = std::min(maxRenderbuffer, maxViewport[0]);
        const int limitH = std::min(maxRenderbuffer, maxViewport[1]);
        if (w > limitW || h > limitH) {
            reason = "the driver draws at most " + std::to_string(limitW) + " x " + std::to_string(limitH) + " pixels";
            return false;
        }
        Framebuffer b;
        fbo.genFramebuffers(1, &b.framebuffer);
        fbo.bindFramebuffer(GL_FRAMEBUFFER, b.framebuffer);
        b.colour = renderbuffer(GL_RGBA8, w, h, reason);
        bool complete = false;
        if (b.colour != 0) {
            fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, b.colour);
            glDrawBuffer(GL_COLOR_ATTACHMENT0);
            glReadBuffer(GL_COLOR_ATTACHMENT0);
            const GLenum formats[] = {GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT24};
            for (GLenum format : formats) {
                if (depthFormat != 0 && format != depthFormat) continue;
                b.depth = renderbuffer(format, w, h, reason);
                if (b.depth == 0) continue;
                fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, b.depth);
                const GLenum status = fbo.checkFramebufferStatus(GL_FRAMEBUFFER);
                if (status == GL_FRAMEBUFFER_COMPLETE) {
                    if (depthFormat == 0) {
                        GLint bits = 0;
                        fbo.bindRenderbuffer(GL_RENDERBUFFER, b.depth);
                        fbo.getRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_DEPTH_SIZE, &bits);
                        fbo.bindRenderbuffer(GL_RENDERBUFFER, 0);
                        depthBits = bits;
                    }
                    depthFormat = format;
                    complete = true;
                    break;
                }
                reason = framebufferStatusName(status);
                fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
                fbo.deleteRenderbuffers(1, &b.depth);
                b.depth = 0;
            }
        }
        if (!complete) {
            fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
            deleteFramebuffer(b);
            return false;
        }
        out = b;
        return true;
    }

    // Sets up a context on an initialised display; false with `reason` set
    // when it cannot.
    bool makeContext(std::string& reason) {
        if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
            reason = "EGL offers no desktop OpenGL (" + eglErrorName(eglGetError()) + ")";
            return false;
        }
        const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
        const bool surfaceless = hasExtension(extensions, "EGL_KHR_surfaceless_context");
        const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                           EGL_SURFACE_TYPE,    surfaceless ? 0 : EGL_PBUFFER_BIT,
                                           EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (eglChooseConfig(display, configAttributes, &config, 1, &count) != EGL_TRUE || count < 1) {
            reason = "EGL has no configuration for desktop OpenGL";
            return false;
        }
        // A compatibility profile: the preview draws with the fixed-function
        // pipeline, display lists and immediate mode.
        const EGLint compatibility[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, compatibility);
        if (context == EGL_NO_CONTEXT) context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        if (context == EGL_NO_CONTEXT) {
            reason = "no OpenGL context could be made (" + eglErrorName(eglGetError()) + ")";
            return false;
        }
        if (!surfaceless) {
            const EGLint pbufferAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
            surface = eglCreatePbufferSurface(display, config, pbufferAttributes);
            if (surface == EGL_NO_SURFACE) {
                reason = "no surface for the context (" + eglErrorName(eglGetError()) + ")";
                return false;
            }
        }
        if (!current()) {
            reason = "the context cannot be made current (" + eglErrorName(eglGetError()) + ")";
            return false;
        }
        const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        if (version == nullptr) {
            reason = "the context names no OpenGL version";
            return false;
        }
        int major = 0;
        if (std::sscanf(version, "%d", &major) != 1) major = 0;
        if (major >= 3) {
            GLint profile = 0;
            glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
            if ((profile & GL_CONTEXT_CORE_PROFILE_BIT) != 0 && (profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT) == 0) {
                reason = std::string("the driver offers only a core profile (") + version + ")";
                return false;
            }
        }
        const auto* glExtensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        const bool loaded = major >= 3 || hasExtension(glExtensions, "GL_ARB_framebuffer_object")
                                ? fbo.load("")
                                : hasExtension(glExtensions, "GL_EXT_framebuffer_object") && fbo.load("EXT");
        if (!loaded) {
            reason = std::string("the OpenGL driver has no framebuffer objects (") + version + ")";
            return false;
        }
        return true;
    }
};

OffscreenContext::OffscreenContext(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

OffscreenContext::~OffscreenContext() = default;

std::unique_ptr<OffscreenContext> OffscreenContext::create(int width, int height, std::string& error) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    std::vector<std::string> reasons;

    // A context on the display, or null with the reason noted.
    auto attempt = [&](const std::string& name, EGLDisplay display) -> std::unique_ptr<OffscreenContext> {
        std::string reason;
        if (display == EGL_NO_DISPLAY) {
            reasons.push_back(name + ": no display (" + eglErrorName(eglGetError()) + ")");
            return nullptr;
        }
        if (!useDisplay(display, reason)) {
            reasons.push_back(name + ": " + reason);
            return nullptr;
        }
        auto impl = std::make_unique<Impl>();
        impl->display = display;
        impl->platform = name;
        if (!impl->makeContext(reason) || !impl->makeFramebuffer(width, height, impl->buffers, reason)) {
            reasons.push_back(name + ": " + reason);
            return nullptr;  // the Impl's destructor releases what it got
        }
        impl->width = width;
        impl->height = height;
        impl->bind();
        return std::unique_ptr<OffscreenContext>(new OffscreenContext(std::move(impl)));
    };

    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    const auto getPlatformDisplay = hasExtension(clientExtensions, "EGL_EXT_platform_base")
                                        ? resolve<PFNEGLGETPLATFORMDISPLAYEXTPROC>("eglGetPlatformDisplayEXT")
                                        : nullptr;
    if (clientExtensions == nullptr) reasons.push_back("EGL names no platforms (is an EGL driver installed?)");
    std::unique_ptr<OffscreenContext> made;
    // Mesa's surfaceless platform first: it needs neither a display server
    // nor access to a device.
    if (getPlatformDisplay != nullptr && hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless"))
        made = attempt("surfaceless", getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
    // Then the devices EGL knows of, then its default display.
    if (!made && getPlatformDisplay != nullptr && hasExtension(clientExtensions, "EGL_EXT_platform_device")) {
        const auto queryDevices = resolve<PFNEGLQUERYDEVICESEXTPROC>("eglQueryDevicesEXT");
        EGLDeviceEXT devices[8];
        EGLint count = 0;
        if (queryDevices != nullptr && queryDevices(8, devices, &count) == EGL_TRUE) {
            for (EGLint i = 0; i < count && !made; ++i)
                made = attempt("device", getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr));
        }
    }
    if (!made) made = attempt("default", eglGetDisplay(EGL_DEFAULT_DISPLAY));

    if (made) {
        error.clear();
        return made;
    }
    error = kNoContext;
    for (std::size_t i = 0; i < reasons.size(); ++i) error += (i == 0 ? "" : "; ") + reasons[i];
    return nullptr;
}

void OffscreenContext::makeCurrent() {
    if (!impl_->current())
        throw ProgramError("The offscreen OpenGL context cannot be made current (" + eglErrorName(eglGetError()) +
                           ").");
    impl_->bind();
}

void OffscreenContext::resize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    makeCurrent();
    if (width == impl_->width && height == impl_->height) return;
    Framebuffer fresh;
    std::string reason;
    if (!impl_->makeFramebuffer(width, height, fresh, reason)) {
        impl_->bind();
        throw ProgramError("The offscreen view cannot be " + std::to_string(width) + " x " + std::to_string(height) +
                           " pixels: " + reason + ".");
    }
    impl_->fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
    impl_->deleteFramebuffer(impl_->buffers);
    impl_->buffers = fresh;
    impl_->width = width;
    impl_->height = height;
    impl_->bind();
}

int OffscreenContext::width() const { return impl_->width; }
int OffscreenContext::height() const { return impl_->height; }
int OffscreenContext::depthBits() const { return impl_->depthBits; }
const std::string& OffscreenContext::platform() const { return impl_->platform; }

std::vector<std::uint8_t> OffscreenContext::readRgba() const {
    if (!impl_->current())
        throw ProgramError("The offscreen OpenGL context cannot be made current (" + eglErrorName(eglGetError()) +
                           ").");
    impl_->bind();
    const auto w = static_cast<std::size_t>(impl_->width);
    const auto h = static_cast<std::size_t>(impl_->height);
    const std::size_t row = w * 4;
    std::vector<std::uint8_t> pixels(row * h);
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, impl_->width, impl_->height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    // OpenGL gives the bottom row first.
    for (std::size_t top = 0, bottom = h - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(pixels.begin() + static_cast<std::ptrdiff_t>(top * row),
                         pixels.begin() + static_cast<std::ptrdiff_t>((top + 1) * row),
                         pixels.begin() + static_cast<std::ptrdiff_t>(bottom * row));
    return pixels;
}

}  // namespace varnisk

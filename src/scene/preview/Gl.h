#pragma once

#ifdef _WIN32
// The system's gl.h needs the Windows declarations first, and stops at
// OpenGL 1.1: the later names the preview uses come from glext.h.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <GL/gl.h>
#include <GL/glext.h>
#else
#include <GL/gl.h>
#endif

#include <cstdint>
#include <string>

namespace varnisk {

// The fixed-function OpenGL calls the preview makes, and nothing more. The
// scene, the shape compiler, the textures and the generated parts talk to
// OpenGL only through this, so that tests can record what a display list or
// a frame emits without any context (RecordingGl), while the window and the
// headless CLI hand them the real thing (ForwardingGl).
//
// Only the enum values of <GL/gl.h> are used here; nothing is linked.
class Gl {
public:
    virtual ~Gl() = default;

    // Display lists.
    virtual GLuint genLists(GLsizei range) = 0;
    virtual void newList(GLuint list, GLenum mode) = 0;
    virtual void endList() = 0;
    virtual void callList(GLuint list) = 0;
    virtual void deleteLists(GLuint list, GLsizei range) = 0;

    // Matrices.
    virtual void matrixMode(GLenum mode) = 0;
    virtual void loadIdentity() = 0;
    virtual void translate(float x, float y, float z) = 0;
    virtual void rotate(float angle, float x, float y, float z) = 0;
    virtual void scale(float x, float y, float z) = 0;
    // GLU's gluPerspective.
    virtual void perspective(double fovy, double aspect, double zNear, double zFar) = 0;
    virtual void viewport(GLint x, GLint y, GLsizei width, GLsizei height) = 0;

    // State.
    virtual void enable(GLenum cap) = 0;
    virtual void disable(GLenum cap) = 0;
    virtual void clearColor(float r, float g, float b, float a) = 0;
    virtual void clearDepth(double depth) = 0;
    virtual void clear(GLbitfield mask) = 0;
    virtual void shadeModel(GLenum mode) = 0;
    virtual void hint(GLenum target, GLenum mode) = 0;
    virtual void blendFunc(GLenum sfactor, GLenum dfactor) = 0;
    virtual void alphaFunc(GLenum func, float ref) = 0;

    // Lights and materials. The vector forms take four values.
    virtual void lightfv(GLenum light, GLenum pname, const float* params) = 0;
    virtual void lightModeli(GLenum pname, GLint param) = 0;
    virtual void materialfv(GLenum face, GLenum pname, const float* params) = 0;
    virtual void materialf(GLenum face, GLenum pname, float param) = 0;

    // Immediate mode.
    virtual void begin(GLenum mode) = 0;
    virtual void end() = 0;
    virtual void texCoord(float s, float t) = 0;
    virtual void normal(float x, float y, float z) = 0;
    virtual void vertex(float x, float y, float z) = 0;

    // Textures.
    virtual GLuint genTexture() = 0;
    virtual void deleteTexture(GLuint texture) = 0;
    virtual void bindTexture(GLenum target, GLuint texture) = 0;
    virtual void texEnvi(GLenum target, GLenum pname, GLint param) = 0;
    virtual void texParameteri(GLenum target, GLenum pname, GLint param) = 0;
    // GLU's gluBuild2DMipmaps; returns its result (0 on success).
    virtual GLint build2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format,
                                 GLenum type, const void* data) = 0;
    virtual void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                            GLint border, GLenum format, GLenum type, const void* pixels) = 0;

    // The driver's GL_VERSION string ("4.5 (Compatibility Profile) Mesa ...").
    virtual std::string versionString() = 0;
};

}  // namespace varnisk

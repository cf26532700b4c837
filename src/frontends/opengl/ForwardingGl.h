#pragma once

#include "preview/Gl.h"

namespace varnisk {

// The Gl that hands every call to the real OpenGL and GLU of the context
// current on the calling thread. It holds no state: one instance serves any
// context, and nothing is checked here (a call without a current context
// does what the driver does with it).
class ForwardingGl : public Gl {
public:
    GLuint genLists(GLsizei range) override;
    void newList(GLuint list, GLenum mode) override;
    void endList() override;
    void callList(GLuint list) override;
    void deleteLists(GLuint list, GLsizei range) override;
    void matrixMode(GLenum mode) override;
    void loadIdentity() override;
    void translate(float x, float y, float z) override;
    void rotate(float angle, float x, float y, float z) override;
    void scale(float x, float y, float z) override;
    void perspective(double fovy, double aspect, double zNear, double zFar) override;
    void viewport(GLint x, GLint y, GLsizei width, GLsizei height) override;
    void enable(GLenum cap) override;
    void disable(GLenum cap) override;
    void clearColor(float r, float g, float b, float a) override;
    void clearDepth(double depth) override;
    void clear(GLbitfield mask) override;
    void shadeModel(GLenum mode) override;
    void hint(GLenum target, GLenum mode) override;
    void blendFunc(GLenum sfactor, GLenum dfactor) override;
    void alphaFunc(GLenum func, float ref) override;
    void lightfv(GLenum light, GLenum pname, const float* params) override;
    void lightModeli(GLenum pname, GLint param) override;
    void materialfv(GLenum face, GLenum pname, const float* params) override;
    void materialf(GLenum face, GLenum pname, float param) override;
    void begin(GLenum mode) override;
    void end() override;
    void texCoord(float s, float t) override;
    void normal(float x, float y, float z) override;
    void vertex(float x, float y, float z) override;
    GLuint genTexture() override;
    void deleteTexture(GLuint texture) override;
    void bindTexture(GLenum target, GLuint texture) override;
    void texEnvi(GLenum target, GLenum pname, GLint param) override;
    void texParameteri(GLenum target, GLenum pname, GLint param) override;
    GLint build2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format, GLenum type,
                         const void* data) override;
    void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void* pixels) override;
    // GL_VERSION, or "" when the driver gives none (no current context).
    std::string versionString() override;
};

}  // namespace varnisk

#include "opengl/ForwardingGl.h"

#include <GL/glu.h>

namespace varnisk {

GLuint ForwardingGl::genLists(GLsizei range) { return glGenLists(range); }
void ForwardingGl::newList(GLuint list, GLenum mode) { glNewList(list, mode); }
void ForwardingGl::endList() { glEndList(); }
void ForwardingGl::callList(GLuint list) { glCallList(list); }
void ForwardingGl::deleteLists(GLuint list, GLsizei range) { glDeleteLists(list, range); }

void ForwardingGl::matrixMode(GLenum mode) { glMatrixMode(mode); }
void ForwardingGl::loadIdentity() { glLoadIdentity(); }
void ForwardingGl::translate(float x, float y, float z) { glTranslatef(x, y, z); }
void ForwardingGl::rotate(float angle, float x, float y, float z) { glRotatef(angle, x, y, z); }
void ForwardingGl::scale(float x, float y, float z) { glScalef(x, y, z); }
void ForwardingGl::perspective(double fovy, double aspect, double zNear, double zFar) {
    gluPerspective(fovy, aspect, zNear, zFar);
}
void ForwardingGl::viewport(GLint x, GLint y, GLsizei width, GLsizei height) { glViewport(x, y, width, height); }

void ForwardingGl::enable(GLenum cap) { glEnable(cap); }
void ForwardingGl::disable(GLenum cap) { glDisable(cap); }
void ForwardingGl::clearColor(float r, float g, float b, float a) { glClearColor(r, g, b, a); }
void ForwardingGl::clearDepth(double depth) { glClearDepth(depth); }
void ForwardingGl::clear(GLbitfield mask) { glClear(mask); }
void ForwardingGl::shadeModel(GLenum mode) { glShadeModel(mode); }
void ForwardingGl::hint(GLenum target, GLenum mode) { glHint(target, mode); }
void ForwardingGl::blendFunc(GLenum sfactor, GLenum dfactor) { glBlendFunc(sfactor, dfactor); }
void ForwardingGl::alphaFunc(GLenum func, float ref) { glAlphaFunc(func, ref); }

void ForwardingGl::lightfv(GLenum light, GLenum pname, const float* params) { glLightfv(light, pname, params); }
void ForwardingGl::lightModeli(GLenum pname, GLint param) { glLightModeli(pname, param); }
void ForwardingGl::materialfv(GLenum face, GLenum pname, const float* params) {
    glMaterialfv(face, pname, params);
}
void ForwardingGl::materialf(GLenum face, GLenum pname, float param) { glMaterialf(face, pname, param); }

void ForwardingGl::begin(GLenum mode) { glBegin(mode); }
void ForwardingGl::end() { glEnd(); }
void ForwardingGl::texCoord(float s, float t) { glTexCoord2f(s, t); }
void ForwardingGl::normal(float x, float y, float z) { glNormal3f(x, y, z); }
void ForwardingGl::vertex(float x, float y, float z) { glVertex3f(x, y, z); }

GLuint ForwardingGl::genTexture() {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    return texture;
}
void ForwardingGl::deleteTexture(GLuint texture) { glDeleteTextures(1, &texture); }
void ForwardingGl::bindTexture(GLenum target, GLuint texture) { glBindTexture(target, texture); }
void ForwardingGl::texEnvi(GLenum target, GLenum pname, GLint param) { glTexEnvi(target, pname, param); }
void ForwardingGl::texParameteri(GLenum target, GLenum pname, GLint param) { glTexParameteri(target, pname, param); }

GLint ForwardingGl::build2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format,
                                   GLenum type, const void* data) {
    return gluBuild2DMipmaps(target, components, static_cast<GLsizei>(width), static_cast<GLsizei>(height), format,
                             type, data);
}

void ForwardingGl::texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                              GLint border, GLenum format, GLenum type, const void* pixels) {
    glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
}

std::string ForwardingGl::versionString() {
    const GLubyte* version = glGetString(GL_VERSION);
    return version == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(version));
}

}  // namespace varnisk

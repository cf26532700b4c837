#include "preview/RecordingGl.h"

#include <cstdio>
#include <cstring>

namespace varnisk {

namespace {

double d(GLenum e) { return static_cast<double>(e); }
std::vector<double> four(std::vector<double> head, const float* v) {
    for (int i = 0; i < 4; ++i) head.push_back(v[i]);
    return head;
}

}  // namespace

void RecordingGl::record(std::string op, std::vector<double> args) {
    Call c{std::move(op), std::move(args)};
    if (compiling_ != 0 && c.op != "newList" && c.op != "endList") lists[compiling_].push_back(c);
    calls.push_back(std::move(c));
}

GLuint RecordingGl::genLists(GLsizei range) {
    const GLuint first = nextList_;
    nextList_ += static_cast<GLuint>(range);
    record("genLists", {static_cast<double>(range)});
    return first;
}

void RecordingGl::newList(GLuint list, GLenum mode) {
    record("newList", {static_cast<double>(list), d(mode)});
    lists[list].clear();
    compiling_ = list;
}

void RecordingGl::endList() {
    compiling_ = 0;
    record("endList", {});
}

void RecordingGl::callList(GLuint list) { record("callList", {static_cast<double>(list)}); }

void RecordingGl::deleteLists(GLuint list, GLsizei range) {
    for (GLsizei i = 0; i < range; ++i) lists.erase(list + static_cast<GLuint>(i));
    record("deleteLists", {static_cast<double>(list), static_cast<double>(range)});
}

void RecordingGl::matrixMode(GLenum mode) { record("matrixMode", {d(mode)}); }
void RecordingGl::loadIdentity() { record("loadIdentity", {}); }
void RecordingGl::translate(float x, float y, float z) { record("translate", {x, y, z}); }
void RecordingGl::rotate(float angle, float x, float y, float z) { record("rotate", {angle, x, y, z}); }
void RecordingGl::scale(float x, float y, float z) { record("scale", {x, y, z}); }
void RecordingGl::perspective(double fovy, double aspect, double zNear, double zFar) {
    record("perspective", {fovy, aspect, zNear, zFar});
}
void RecordingGl::viewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    record("viewport", {static_cast<double>(x), static_cast<double>(y), static_cast<double>(width),
                        static_cast<double>(height)});
}
void RecordingGl::enable(GLenum cap) { record("enable", {d(cap)}); }
void RecordingGl::disable(GLenum cap) { record("disable", {d(cap)}); }
void RecordingGl::clearColor(float r, float g, float b, float a) { record("clearColor", {r, g, b, a}); }
void RecordingGl::clearDepth(double depth) { record("clearDepth", {depth}); }
void RecordingGl::clear(GLbitfield mask) { record("clear", {static_cast<double>(mask)}); }
void RecordingGl::shadeModel(GLenum mode) { record("shadeModel", {d(mode)}); }
void RecordingGl::hint(GLenum target, GLenum mode) { record("hint", {d(target), d(mode)}); }
void RecordingGl::blendFunc(GLenum s, GLenum dst) { record("blendFunc", {d(s), d(dst)}); }
void RecordingGl::alphaFunc(GLenum func, float ref) { record("alphaFunc", {d(func), ref}); }
void RecordingGl::lightfv(GLenum light, GLenum pname, const float* params) {
    record("lightfv", four({d(light), d(pname)}, params));
}
void RecordingGl::lightModeli(GLenum pname, GLint param) { record("lightModeli", {d(pname), static_cast<double>(param)}); }
void RecordingGl::materialfv(GLenum face, GLenum pname, const float* params) {
    record("materialfv", four({d(face), d(pname)}, params));
}
void RecordingGl::materialf(GLenum face, GLenum pname, float param) { record("materialf", {d(face), d(pname), param}); }
void RecordingGl::begin(GLenum mode) { record("begin", {d(mode)}); }
void RecordingGl::end() { record("end", {}); }
void RecordingGl::texCoord(float s, float t) { record("texCoord", {s, t}); }
void RecordingGl::normal(float x, float y, float z) { record("normal", {x, y, z}); }
void RecordingGl::vertex(float x, float y, float z) { record("vertex", {x, y, z}); }

GLuint RecordingGl::genTexture() {
    const GLuint name = nextTexture_++;
    textures[name];
    record("genTexture", {static_cast<double>(name)});
    return name;
}

void RecordingGl::deleteTexture(GLuint texture) {
    textures.erase(texture);
    record("deleteTexture", {static_cast<double>(texture)});
}

void RecordingGl::bindTexture(GLenum target, GLuint texture) {
    bound_ = texture;
    record("bindTexture", {d(target), static_cast<double>(texture)});
}

void RecordingGl::texEnvi(GLenum target, GLenum pname, GLint param) {
    record("texEnvi", {d(target), d(pname), static_cast<double>(param)});
}

void RecordingGl::texParameteri(GLenum target, GLenum pname, GLint param) {
    record("texParameteri", {d(target), d(pname), static_cast<double>(param)});
}

void RecordingGl::upload(GLint components, GLint width, GLint height, GLenum format, const void* data) {
    auto it = textures.find(bound_);
    if (it == textures.end()) return;
    Texture& t = it->second;
    t.width = width;
    t.height = height;
    t.components = components;
    const int bytesPerPixel = format == GL_RGBA ? 4 : 3;
    const auto* p = static_cast<const unsigned char*>(data);
    t.pixels.assign(p, p + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel);
}

GLint RecordingGl::build2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format,
                                  GLenum type, const void* data) {
    record("build2DMipmaps", {d(target), static_cast<double>(components), static_cast<double>(width),
                              static_cast<double>(height), d(format), d(type)});
    upload(components, width, height, format, data);
    return 0;
}

void RecordingGl::texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const void* pixels) {
    record("texImage2D", {d(target), static_cast<double>(level), static_cast<double>(internalFormat),
                          static_cast<double>(width), static_cast<double>(height), static_cast<double>(border),
                          d(format), d(type)});
    upload(internalFormat, width, height, format, pixels);
}

std::string describe(const RecordingGl::Call& call) {
    std::string out = call.op + "(";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        if (i > 0) out += ", ";
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.9g", call.args[i]);
        out += buffer;
    }
    return out + ")";
}

void PrintTo(const RecordingGl::Call& call, std::ostream* out) { *out << describe(call); }

}  // namespace varnisk

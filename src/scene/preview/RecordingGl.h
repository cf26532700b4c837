#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "preview/Gl.h"

namespace varnisk {

// A Gl that draws nothing and remembers every call, for tests: the calls in
// the order they were made, and for each display list the calls compiled
// into it last. Lists and textures get increasing names from 1.
class RecordingGl : public Gl {
public:
    struct Call {
        std::string op;            // the call's name without "gl": "vertex", "materialfv", ...
        std::vector<double> args;  // its arguments as numbers; a vector form's four values follow
                                   // the enums (materialfv: face, pname, v0, v1, v2, v3)
        bool operator==(const Call&) const = default;
    };

    // Every call, in order (also those compiled into a list).
    std::vector<Call> calls;
    // The calls compiled into each list by its last newList ... endList.
    std::map<GLuint, std::vector<Call>> lists;
    // Textures made and not deleted, with their pixel sizes.
    struct Texture {
        int width = 0, height = 0, components = 0;
        std::vector<unsigned char> pixels;  // as uploaded
    };
    std::map<GLuint, Texture> textures;
    // What versionString answers.
    std::string version = "4.5 (Compatibility Profile) RecordingGl";

    void clearCalls() { calls.clear(); }

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
    std::string versionString() override { return version; }

private:
    void record(std::string op, std::vector<double> args);
    void upload(GLint components, GLint width, GLint height, GLenum format, const void* data);

    GLuint nextList_ = 1;
    GLuint nextTexture_ = 1;
    GLuint bound_ = 0;
    GLuint compiling_ = 0;
};

// "rotate(90, 0, -1, 0)", for test failures.
std::string describe(const RecordingGl::Call& call);
void PrintTo(const RecordingGl::Call& call, std::ostream* out);

}  // namespace varnisk

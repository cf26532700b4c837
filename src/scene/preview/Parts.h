#pragma once

#include <array>

#include "preview/Gl.h"
#include "preview/Meshes.h"

namespace varnisk {

// The parts the preview builds itself from boxes and quads, placed by the
// current values: the four tyres, the driver's arms and gloves, the two
// steering wheels and the track scene. Each builder compiles one display
// list (compile only).

// Corners may come in any order: each axis spans from the smaller value to
// the larger.
struct Corner {
    float x, y, z;
};

// One quad in the plane at height y, normal (0, 1, 0), from corner (xa, za)
// to (xb, zb); no texture coordinates.
void drawFlat(Gl& gl, float y, float xa, float za, float xb, float zb);
// The five faces of a box but its bottom, in one GL_QUADS run; only the face
// toward -z carries texture coordinates of its own (the others show whatever
// coordinate is current).
void drawBox(Gl& gl, Corner a, Corner b);
// One textured quad, normal (0, 1, 0), its corners used in the order passed.
void drawQuad(Gl& gl, Corner a, Corner b);

// Everything the builders read.
struct PartsInput {
    std::array<std::array<float, 3>, 4> tyres{};  // front right, front left, rear right, rear left
    std::array<float, 3> cockpitWheel{};          // c0, c1, c2 as stored
    std::array<float, 2> ExtWheelOffset{};        // wy, wz
    std::array<float, 4> ArmMaterial{0, 0, 0, 1};
    TyreLook tyreLook;
    GLuint ArmTexture = 0;
    GLuint GloveTexture = 0;
    GLuint SteeringWheelTexture = 0;
};

// The light switches are compiled into the lists and carry over to what is
// drawn after them: the arms leave lights 0, 1 and 2 on and 3 to 6 off; the
// landscape switches light 6 on for itself and off at its end, both steering
// wheels do the same with light 5; the tyres leave what the tyre meshes do.
// Every list leaves the matrix as it found it.
void buildTyres(Gl& gl, GLuint list, const PartsInput& in);         // slot 2
void buildArms(Gl& gl, GLuint list, const PartsInput& in);          // slot 3
void buildLandscape(Gl& gl, GLuint list);                           // slot 4
void buildExtWheel(Gl& gl, GLuint list, const PartsInput& in);      // slot 6
void buildCockpitWheel(Gl& gl, GLuint list, const PartsInput& in);  // slot 7

}  // namespace varnisk

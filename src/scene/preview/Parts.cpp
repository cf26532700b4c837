#include "preview/Parts.h"

#include <algorithm>
#include <initializer_list>

namespace varnisk {

namespace {

// Preview units per stored unit.
constexpr float S = 200.0f;

constexpr float kWhite[4] = {1, 1, 1, 1};
constexpr float kArmAmbient[4] = {0.1f, 0.1f, 0.1f, 1};

void diffuse(Gl& gl, const float* rgba) { gl.materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, rgba); }
void ambient(Gl& gl, const float* rgba) { gl.materialfv(GL_FRONT_AND_BACK, GL_AMBIENT, rgba); }

void lightsOn(Gl& gl, std::initializer_list<int> lights) {
    for (int n : lights) gl.enable(static_cast<GLenum>(GL_LIGHT0 + n));
}
void lightsOff(Gl& gl, std::initializer_list<int> lights) {
    for (int n : lights) gl.disable(static_cast<GLenum>(GL_LIGHT0 + n));
}

// The steering wheel's switches before and after its box: one texture, lit
// by light 5 alone among the switchable lights, white.
void wheelStart(Gl& gl, const PartsInput& in) {
    gl.enable(GL_ALPHA_TEST);
    gl.enable(GL_LIGHT5);
    gl.enable(GL_TEXTURE_2D);
    ambient(gl, kWhite);
    diffuse(gl, kWhite);
    gl.bindTexture(GL_TEXTURE_2D, in.SteeringWheelTexture);
}
void wheelEnd(Gl& gl) {
    gl.disable(GL_TEXTURE_2D);
    gl.disable(GL_ALPHA_TEST);
    gl.disable(GL_LIGHT5);
}

}  // namespace

void drawFlat(Gl& gl, float y, float xa, float za, float xb, float zb) {
    const float x0 = std::min(xa, xb), x1 = std::max(xa, xb);
    const float z0 = std::min(za, zb), z1 = std::max(za, zb);
    gl.begin(GL_QUADS);
    gl.normal(0, 1, 0);
    gl.vertex(x0, y, z0);
    gl.vertex(x0, y, z1);
    gl.vertex(x1, y, z1);
    gl.vertex(x1, y, z0);
    gl.end();
}

// All five faces go into one GL_QUADS run; each face sets its normal before
// its first vertex. Faces other than the one toward -z set no texture
// coordinate, so they show whatever coordinate is current.
void drawBox(Gl& gl, Corner a, Corner b) {
    const float x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
    const float y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
    const float z0 = std::min(a.z, b.z), z1 = std::max(a.z, b.z);
    gl.begin(GL_QUADS);
    // Toward -x.
    gl.normal(-1, 0, 0);
    gl.vertex(x0, y0, z0);
    gl.vertex(x0, y1, z0);
    gl.vertex(x0, y1, z1);
    gl.vertex(x0, y0, z1);
    // Toward -z, the textured face.
    gl.normal(0, 0, -1);
    gl.texCoord(1, 1);
    gl.vertex(x0, y0, z0);
    gl.texCoord(0, 1);
    gl.vertex(x1, y0, z0);
    gl.texCoord(0, 0);
    gl.vertex(x1, y1, z0);
    gl.texCoord(1, 0);
    gl.vertex(x0, y1, z0);
    // Toward +x.
    gl.normal(1, 0, 0);
    gl.vertex(x1, y0, z0);
    gl.vertex(x1, y0, z1);
    gl.vertex(x1, y1, z1);
    gl.vertex(x1, y1, z0);
    // Toward +z.
    gl.normal(0, 0, 1);
    gl.vertex(x0, y0, z1);
    gl.vertex(x0, y1, z1);
    gl.vertex(x1, y1, z1);
    gl.vertex(x1, y0, z1);
    // The top.
    gl.normal(0, 1, 0);
    gl.vertex(x0, y1, z0);
    gl.vertex(x1, y1, z0);
    gl.vertex(x1, y1, z1);
    gl.vertex(x0, y1, z1);
    gl.end();
}

void drawQuad(Gl& gl, Corner a, Corner b) {
    gl.begin(GL_QUADS);
    gl.normal(0, 1, 0);
    gl.texCoord(1, 1);
    gl.vertex(b.x, b.y, b.z);
    gl.texCoord(1, 0);
    gl.vertex(a.x, b.y, b.z);
    gl.texCoord(0, 0);
    gl.vertex(a.x, a.y, a.z);
    gl.texCoord(0, 1);
    gl.vertex(b.x, a.y, a.z);
    gl.end();
}

void buildTyres(Gl& gl, GLuint list, const PartsInput& in) {
    const auto& r = in.tyres;
    gl.newList(list, GL_COMPILE);
    gl.enable(GL_ALPHA_TEST);
    gl.enable(GL_TEXTURE_2D);
    gl.scale(1, 1, -1);
    // The right-hand tyres.
    drawRearTyre(gl, in.tyreLook, -S * r[2][0], S * r[2][1], -S * r[2][2]);
    drawFrontTyre(gl, in.tyreLook, -S * r[0][0], S * r[0][1], -S * r[0][2]);
    // The left-hand tyres, mirrored so that their outer faces look out.
    gl.scale(-1, 1, 1);
    gl.rotate(-180, 1, 0, 0);
    drawRearTyre(gl, in.tyreLook, S * r[3][0], -S * r[3][1], S * r[3][2]);
    drawFrontTyre(gl, in.tyreLook, S * r[1][0], -S * r[1][1], S * r[1][2]);
    // Back to the matrix the list started with.
    gl.rotate(180, 1, 0, 0);
    gl.disable(GL_ALPHA_TEST);
    gl.scale(-1, 1, -1);
    diffuse(gl, kWhite);
    ambient(gl, kWhite);
    gl.endList();
}

void buildArms(Gl& gl, GLuint list, const PartsInput& in) {
    const float wy = in.ExtWheelOffset[0], wz = in.ExtWheelOffset[1];
    gl.newList(list, GL_COMPILE);
    gl.enable(GL_ALPHA_TEST);
    lightsOff(gl, {0, 1, 2, 4, 5});
    lightsOn(gl, {3, 6});
    gl.enable(GL_TEXTURE_2D);
    diffuse(gl, in.ArmMaterial.data());
    ambient(gl, kArmAmbient);
    gl.bindTexture(GL_TEXTURE_2D, in.ArmTexture);

    // The arms run from the wheel's rim to the shoulders; the second is the
    // first mirrored across x = 0.
    const Corner hand{18, S * wy - 7, S * wz}, shoulder{36, -10, -50};
    gl.scale(-1, 1, 1);
    drawQuad(gl, hand, shoulder);
    gl.scale(-1, 1, 1);
    drawQuad(gl, hand, shoulder);

    lightsOn(gl, {0, 1, 2});
    lightsOff(gl, {3, 6});
    lightsOn(gl, {5});
    gl.enable(GL_TEXTURE_2D);
    ambient(gl, kWhite);
    diffuse(gl, kWhite);
    gl.bindTexture(GL_TEXTURE_2D, in.GloveTexture);

    // The gloves, upside down (the texture's top toward the wheel's centre)
    // and again mirrored across x = 0.
    const Corner gloveA{16, 15 - S * wy, S * wz}, gloveB{33, -11 - S * wy, S * wz - 1};
    gl.scale(-1, -1, 1);
    drawBox(gl, gloveA, gloveB);
    gl.scale(-1, 1, 1);
    drawBox(gl, gloveA, gloveB);
    gl.scale(1, -1, 1);

    gl.disable(GL_TEXTURE_2D);
    gl.disable(GL_ALPHA_TEST);
    gl.disable(GL_LIGHT5);
    gl.endList();
}

void buildExtWheel(Gl& gl, GLuint list, const PartsInput& in) {
    const float wy = in.ExtWheelOffset[0], wz = in.ExtWheelOffset[1];
    gl.newList(list, GL_COMPILE);
    wheelStart(gl, in);
    drawBox(gl, {27.5f, S * wy + 19, S * wz + 1}, {-27.5f, S * wy - 21, S * wz});
    wheelEnd(gl);
    gl.endList();
}

void buildCockpitWheel(Gl& gl, GLuint list, const PartsInput& in) {
    const auto& c = in.cockpitWheel;
    gl.newList(list, GL_COMPILE);
    wheelStart(gl, in);
    // No depth: only the textured face (and its edges) shows.
    drawBox(gl, {45 - S * c[0], S * c[1] + 6, S * c[2] + 180}, {-45 - S * c[0], S * c[1] - 52, S * c[2] + 180});
    wheelEnd(gl);
    gl.endList();
}

// x runs across the track, y up, z along it; the track's surface is at
// y = -110.
void buildLandscape(Gl& gl, GLuint list) {
    static constexpr float kGrey74[4] = {0.74f, 0.74f, 0.74f, 1};
    static constexpr float kAsphalt[4] = {0.18f, 0.195f, 0.195f, 1};
    static constexpr float kWall[4] = {0.3f, 0.3f, 0.3f, 1};
    static constexpr float kPostAmbient[4] = {0.4f, 0.4f, 0.4f, 1};
    static constexpr float kGrass[4] = {0.1f, 0.22f, 0, 1};
    constexpr float kFar = 40000;

    gl.newList(list, GL_COMPILE);
    gl.enable(GL_LIGHT6);
    gl.disable(GL_TEXTURE_2D);
    gl.disable(GL_ALPHA_TEST);
    ambient(gl, kWhite);
    diffuse(gl, kWhite);
    // The white lines at the track's edges and the gantry's beam.
    drawFlat(gl, -110, -1540, -kFar, -1500, kFar);
    drawFlat(gl, -110, 500, -kFar, 540, kFar);
    drawBox(gl, {-1700, 500, 3010}, {700, 800, 3020});
    // A U-shaped frame around the car's place, just above the ground.
    diffuse(gl, kGrey74);
    ambient(gl, kAsphalt);
    drawFlat(gl, -109, -240, 280, 240, 380);
    drawFlat(gl, -109, -240, 60, -220, 280);
    drawFlat(gl, -109, 220, 60, 240, 280);
    // The track.
    diffuse(gl, kAsphalt);
    ambient(gl, kAsphalt);
    drawFlat(gl, -110, -1500, -kFar, 500, kFar);
    // The wall and the gantry's posts.
    diffuse(gl, kWall);
    drawBox(gl, {950, -110, -kFar}, {1000, 80, kFar});
    ambient(gl, kPostAmbient);
    drawBox(gl, {700, -110, 3000}, {730, 800, 3030});
    drawBox(gl, {-1730, -110, 3000}, {-1700, 800, 3030});
    // Grass on both sides.
    diffuse(gl, kGrass);
    ambient(gl, kAsphalt);
    drawFlat(gl, -110, -12300, -kFar, -1540, kFar);
    drawFlat(gl, -110, 540, -kFar, 12000, kFar);
    diffuse(gl, kWhite);
    gl.disable(GL_LIGHT6);
    gl.endList();
}

}  // namespace varnisk

#pragma once

#include <array>
#include <cstddef>

#include "preview/Gl.h"

namespace varnisk {

// The three meshes that are part of the program: a driver's helmet and a
// rear and a front tyre. Each is a fixed list of textured, lit triangles in
// groups, in mesh units (the scene scales them by 200), generated once and
// kept as constant data: emitting one allocates nothing and reads no file.

// One vertex as emitted: texture coordinate, normal, position.
struct MeshVertex {
    float s, t;
    float nx, ny, nz;
    float x, y, z;
};

// A group: a run of triangles (three vertices each) with one texture.
struct MeshGroup {
    const MeshVertex* vertices;
    std::size_t triangles;
};

struct Mesh {
    const MeshGroup* groups;
    std::size_t groupCount;
};

// The meshes' data (for tests and for the builders below). Normals are of
// unit length and point outward. The tyres' triangles turn counter-clockwise
// seen from outside. The helmet's turn clockwise: its list always draws it
// under a mirror in x, so on screen they are front faces and take the
// front-face material the list sets.
//
// Helmet (y up, the face toward +z): shell with the eye port left open;
// visor over the eye port; spoiler across the back of the top.
// Tyres (turning about the x axis): rim disc toward +x, rim barrel, a small
// plate on the rim, rim disc toward -x, tread (three bands across), sidewall
// on the +x side, sidewall on the -x side.
const Mesh& helmetMesh();     // 3 groups: 172, 98, 12 triangles
const Mesh& rearTyreMesh();   // 7 groups: 40, 80, 4, 40, 120, 80, 80
const Mesh& frontTyreMesh();  // 7 groups: 40, 80, 4, 40, 120, 80, 81

// The vertices of every group of the three meshes compiled once into display
// lists of their own (each a begin ... end run of triangles), so that the
// lists rebuilt every frame only call them and the driver compiles the
// vertices once. A mesh without lists emits its vertices itself.
struct MeshLists {
    std::array<GLuint, 7> rear{};
    std::array<GLuint, 7> front{};
    std::array<GLuint, 3> helmet{};
};

// Compiles the 17 group lists (the view's context current).
MeshLists compileMeshLists(Gl& gl);
// Releases them; the lists read 0 afterwards.
void releaseMeshLists(Gl& gl, MeshLists& lists);

// What the tyres read from the preview state.
struct TyreLook {
    std::array<float, 4> RimMaterial{0, 0, 0, 1};
    GLuint RimTexture = 0;
    GLuint TreadTexture = 0;
    const MeshLists* lists = nullptr;  // the group lists, when compiled
};

// Compiles the helmet into list `list` (slot 5), placed at the helmet offset
// (hy, hz): light 1 alone lights it, and the list switches all seven lights
// on at its end.
void buildHelmet(Gl& gl, GLuint list, float hy, float hz, const MeshLists* lists = nullptr);

// Emit one tyre at (x, y, z) into the list being compiled. The rear tyre
// leaves light 2 switched off after it; the front tyre does not touch it.
// Each group binds its texture before its begin; a group that changes the
// material does so after its begin, before its first vertex, as the helmet's
// groups do.
void drawRearTyre(Gl& gl, const TyreLook& look, float x, float y, float z);
void drawFrontTyre(Gl& gl, const TyreLook& look, float x, float y, float z);

}  // namespace varnisk

#pragma once

// The baseline of the preview's frames: a bare program of our own that draws
// a car's triangles from one display list, straight through OpenGL, with the
// lights and material of the preview. No editor, no form, no lookups: what a
// frame of that geometry costs the driver and nothing more.

#include <array>
#include <vector>

#include <GL/gl.h>

#include "ShapeWriter.h"
#include "shapes/ShapeFormat.h"

namespace varnisk::bench {

// Every triangle corner in drawing order: u, v, normal, position (shape units).
struct BareMesh {
    std::vector<std::array<float, 8>> corners;
    std::size_t triangles() const { return corners.size() / 3; }
};

// The triangles of a decoded shape, as the preview compiles them.
BareMesh meshOf(const ShapeData& shape);
// The triangles of a generated shape.
BareMesh meshOf(const gamegen::ShapeModel& model);

// The state the preview's set-up leaves: clear colour, depth test, smooth
// shading, two-sided lighting with separate specular, the three lights that
// are on. Call once with the context current and the model-view matrix the
// identity.
void bareSetup();

// One list that loads `projection`, sets the preview's car material with
// `diffuse`, and draws the mesh scaled to preview units as the preview does.
GLuint compileBareList(const BareMesh& mesh, const std::array<double, 16>& projection,
                       const std::array<float, 4>& diffuse);

// One list that resets the model-view matrix, loads `projection` and calls
// the lists listBase + slot in the order given, as a preview frame calls
// them once its camera is set: a frame of the preview's own lists without
// anything rebuilt.
GLuint compileSlotCalls(GLuint listBase, const std::vector<int>& slots, const std::array<double, 16>& projection);

// One frame: clear, call the list.
void bareFrame(GLuint list);

}  // namespace varnisk::bench

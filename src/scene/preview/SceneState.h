#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "editing/FramePlan.h"
#include "preview/Gl.h"
#include "preview/Meshes.h"
#include "preview/Textures.h"
#include "shapes/ShapeFormat.h"

namespace varnisk {

// What the preview's OpenGL side holds between frames, beside PreviewState:
// the display lists, the textures, the archive reader's last look-up and what
// the last frame did. Plain data; the scene's functions fill it.

// One archive look-up of a frame.
struct ShapeLookup {
    std::string name;  // as requested
    int slot = 0;
    bool found = false;
    std::uint32_t offset = 0;  // EntryOffset and EntrySize as then held
    std::uint32_t size = 0;
};

// The shape last compiled into a slot, with the textures that compile made.
struct CompiledShape {
    std::string entry;  // the entry name as requested
    ShapeData shape;
    std::vector<GLuint> textures;  // per texture index, then the display texture; 0: none;
                                   // names of one file share its texture
    std::vector<bool> flipV;       // per texture index
    std::vector<bool> fileExists;  // per texture index: its .tga file was there
};

struct FrameRecord {
    int row = 0;  // the camera row shown, after reducing CurrentCamField
    FramePerspective perspective;
    std::optional<double> chaseAngle;  // chase cameras only, when defined
    std::vector<int> slotsCalled;
};

struct SceneState {
    bool view = false;  // a view has run its set-up
    long long frames = 0;
    GLuint ListBase = 0;
    MeshLists meshes;  // the built-in meshes' vertices, compiled once
    std::string textureFolder;  // the CamTextures folder chosen at set-up
    PreviewTextures fixed;
    TextureBudget textureBudget;  // the fixed set's and the shapes' textures

    // The archive reader.
    std::optional<ArchiveIndex> wadIndex;  // the directory of the archive last read, by look-up name
    std::string WadPath;
    std::uint32_t EntryOffset = 0;
    std::uint32_t EntrySize = 0;
    int ShapeSlot = 0;
    std::string RequestedName;

    std::map<int, CompiledShape> shapes;  // slots 8 and 10
    // Per slot, the plan whose shape request was read last (FramePlan::shapes).
    std::map<int, long long> requestsRead;

    FrameRecord lastFrame;
    std::vector<ShapeLookup> lookups;  // of the frame being drawn, then of the last one
};

}  // namespace varnisk

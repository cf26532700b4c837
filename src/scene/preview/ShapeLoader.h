#pragma once

#include <string>
#include <string_view>

#include "preview/Gl.h"
#include "preview/SceneState.h"
#include "ui/Ui.h"

namespace varnisk {

class Editor;

// Reading the car and dashboard shapes out of the game's archive and
// compiling them into their display lists.

// A name in the form the archive look-up compares: every NUL byte removed,
// the part after the last '\', lower-cased (code page 1252 letters too).
std::string lookupName(std::string_view name);

// Looks `entryName` up in the archive at `archivePath` (the bare file name,
// without regard to letter case; the first match wins) and reads the entry
// into list slot `slot`; what there is to say goes to `say`. No archive: the
// look-up is recorded and nothing else happens (the frame that asked for the
// shape said so). A name the directory lacks empties the slot; a flashlight
// file or a damaged shape leave it as it was. Each look-up is recorded in
// scene.lookups. The directory is read once into scene.wadIndex and kept
// while the archive is the same file in the same state; a directory of more
// entries than an archive holds (kMaxArchiveEntries) is refused unread, as
// damaged.
void loadWadShape(const Editor& editor, SceneState& scene, Gl& gl, Ui& say, const std::string& archivePath,
                  const std::string& entryName, int slot);

// Loads the textures of a decoded shape and compiles it into its slot; the
// textures of the slot's earlier compile are released. Each .tga file is
// loaded once, however many texture names map to it: they share its texture.
// The textures count against scene.textureBudget until released.
void compileShape(const Editor& editor, SceneState& scene, Gl& gl, Ui& say, int slot, CompiledShape shape);

// The .tga file a shape's texture name maps to: the bare file name less its
// last three characters, plus "tga", in the texture folder.
std::string shapeTexturePath(const std::string& folder, const std::string& textureName);

// Releases every texture and list the preview holds (the view is going away).
void releaseShapes(SceneState& scene, Gl& gl);

}  // namespace varnisk

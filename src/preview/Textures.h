#pragma once

#include <cstdint>
#include <string>

#include "preview/Gl.h"

namespace varnisk {

class Ui;

// The preview's textures: the TGA and BMP loaders that turn files into
// OpenGL textures (the view's context must be current), and the fixed set
// that the generated parts and built-in meshes use.

// The fixed texture set; 0 where none was made.
struct PreviewTextures {
    GLuint ArmTexture = 0;
    GLuint GloveTexture = 0;
    GLuint SteeringWheelTexture = 0;
    GLuint CockpitDamageTexture = 0;
    GLuint RimTexture = 0;
    GLuint TreadTexture = 0;
};

// The folder the textures come from: `startDir`/CamTextures when that folder
// exists, else `ownDir`/CamTextures (Varnisk's own, shipped beside it). The
// choice is per folder: a start directory's CamTextures that lacks a file
// still is the folder used. An empty `startDir` (unknown) has none.
std::string textureFolder(const std::string& startDir, const std::string& ownDir);

// Files larger than this are not read: a loader treats them as unreadable.
inline constexpr std::uint64_t kMaxTextureFileBytes = 256ull << 20;

// Loads a TGA file into a new texture (see decodeTga). Missing file: the
// message box "File not found  - <path>" (caption "TGA Texture"); a refused,
// short, unreadable or too large file: the messages T1 to T4 (caption
// "TGA File Error"). Returns false and leaves `texture` unchanged when no
// texture was made. The file is closed in every case. With `flipMark`, also
// tells whether the file's last two bytes are "." and NUL, the mark of a
// picture stored upside down (false when the file cannot be read).
bool loadTgaTexture(Gl& gl, Ui& ui, const std::string& path, GLuint& texture, bool* flipMark = nullptr);

// Loads a 24-bit BMP file into a new texture (one level, no mipmaps; see
// decodeBmp). When no pixels can be had, shows the reason (caption
// "BMP Unit": the file cannot be opened, the palette or the pixels cannot be
// read) and then "Unable to load <path>" (caption "Loading Textures") and ends
// the program (throws Terminated with exit code 1).
bool loadBmpTexture(Gl& gl, Ui& ui, const std::string& path, GLuint& texture);

// Generates and binds a 2D texture, modulate, linear filters, and builds its
// mipmaps from the pixels (GL_RGB or GL_RGBA, unsigned bytes; width and
// height 1..65535), which hold width x height pixels without row padding.
// OpenGL reads uploaded rows at its default unpack alignment of 4 bytes, so
// when a row's length is not a multiple of 4 (and there is more than one
// row) the rows are handed over in a copy padded to that alignment; the
// texture loaders' uploads never read past their pixels.
GLuint createTexture(Gl& gl, int width, int height, GLenum format, const unsigned char* pixels);

// Loads the six files of the fixed set from `folder` in order, inside display
// list `listBase` + 0 (compile and execute, never called again).
void loadPreviewTextures(Gl& gl, Ui& ui, const std::string& folder, GLuint listBase, PreviewTextures& out);

}  // namespace varnisk

#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
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

// The memory all the textures of one preview may take in OpenGL, as
// textureMemory counts it. Five textures of the largest size
// (kMaxTextureSide) with their mipmaps fit in it, a sixth does not; some
// hundreds of 512 x 512 ones fit, more than a car and its cockpit use. The
// demo's textures take less than a megabyte.
inline constexpr std::uint64_t kTextureBudgetBytes = 512ull << 20;

// What a texture of width x height pixels is counted as taking in OpenGL:
// its sides rounded up to powers of two (GLU's scaling for mipmaps never
// makes them larger), four bytes a texel whatever the format, every smaller
// level down to 1 x 1 when it has mipmaps, and 4 KiB for the texture object
// itself, so that many tiny textures count too.
std::uint64_t textureMemory(int width, int height, bool mipmaps);

// The textures a preview holds and the memory they are counted as taking.
// A loader given a budget refuses a texture that would take it past its
// limit, before the file's pixels are read; each texture made is recorded
// under its name until released.
class TextureBudget {
public:
    explicit TextureBudget(std::uint64_t limit = kTextureBudgetBytes) : limit_(limit) {}

    std::uint64_t limit() const { return limit_; }
    std::uint64_t used() const { return used_; }
    bool admits(std::uint64_t bytes) const { return bytes <= limit_ - std::min(used_, limit_); }
    // Records texture `name` (not 0) as taking `bytes`.
    void add(GLuint name, std::uint64_t bytes);
    // Forgets texture `name`: it was deleted. Unknown names are ignored.
    void release(GLuint name);

private:
    std::uint64_t limit_;
    std::uint64_t used_ = 0;
    std::map<GLuint, std::uint64_t> held_;
};

// Loads a TGA file into a new texture (see decodeTga). Missing file: the
// message box "File not found  - <path>" (caption "TGA Texture"); a refused,
// short, unreadable or too large file: the messages T1 to T4 (caption
// "TGA File Error"). An image wider or taller than kMaxTextureSide, or one
// that `budget` cannot take, is refused from its header before the rest of
// the file is read, with a message of the same caption that names the file
// and the limit. Returns false and leaves `texture` unchanged when no
// texture was made. The file is closed in every case. With `flipMark`, also
// tells whether the file's last two bytes are "." and NUL, the mark of a
// picture stored upside down (false when the file cannot be read). With
// `budget`, the texture made is recorded in it.
bool loadTgaTexture(Gl& gl, Ui& ui, const std::string& path, GLuint& texture, bool* flipMark = nullptr,
                    TextureBudget* budget = nullptr);

// Loads a 24-bit BMP file into a new texture (one level, no mipmaps; see
// decodeBmp). When no pixels can be had, shows the reason (caption
// "BMP Unit": the file cannot be opened, the palette or the pixels cannot be
// read) and then "Unable to load <path>" (caption "Loading Textures") and ends
// the program (throws Terminated with exit code 1). With `budget`, the
// texture made is recorded in it; the budget never refuses it (its size is
// bounded by kMaxTextureSide).
bool loadBmpTexture(Gl& gl, Ui& ui, const std::string& path, GLuint& texture, TextureBudget* budget = nullptr);

// Generates and binds a 2D texture, modulate, linear filters, and builds its
// mipmaps from the pixels (GL_RGB or GL_RGBA, unsigned bytes; width and
// height 1..65535), which hold width x height pixels without row padding.
// OpenGL reads uploaded rows at its default unpack alignment of 4 bytes, so
// when a row's length is not a multiple of 4 (and there is more than one
// row) the rows are handed over in a copy padded to that alignment; the
// texture loaders' uploads never read past their pixels.
GLuint createTexture(Gl& gl, int width, int height, GLenum format, const unsigned char* pixels);

// Loads the six files of the fixed set from `folder` in order, inside display
// list `listBase` + 0 (compile and execute, never called again), each within
// `budget` when one is given.
void loadPreviewTextures(Gl& gl, Ui& ui, const std::string& folder, GLuint listBase, PreviewTextures& out,
                         TextureBudget* budget = nullptr);

}  // namespace varnisk

#include "preview/Textures.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

#include "base/Bytes.h"
#include "base/Errors.h"
#include "files/GameFiles.h"
#include "images/TextureFormats.h"
#include "ui/Ui.h"

namespace varnisk {

namespace {

using Bytes = std::vector<std::uint8_t>;

// What reading a texture file gave.
struct FileRead {
    bool opened = false;         // the file could be opened
    bool refused = false;        // its first bytes were refused: nothing more was read
    std::optional<Bytes> bytes;  // its bytes, when it could be read whole
};

// Reads a whole file, unless it is larger than any texture the preview
// takes, or `refuse` (when given) says no to its first bytes: then it reads
// no more and `refused` is set. The file is closed before this returns.
FileRead readTextureFile(const std::string& path, std::size_t headerSize = 0,
                         const std::function<bool(std::span<const std::uint8_t>)>& refuse = {}) {
    FileRead result;
    std::optional<ByteFile> file;
    try {
        file.emplace(path, ByteFile::Mode::ReadOnly);
    } catch (const FileError&) {
        return result;
    }
    result.opened = true;
    if (file->size() > kMaxTextureFileBytes) return result;
    if (refuse && file->size() >= headerSize) {
        try {
            if (refuse(file->read(0, headerSize))) {
                result.refused = true;
                return result;
            }
        } catch (const FileError&) {
            return result;
        }
    }
    try {
        result.bytes = file->read(0, static_cast<std::size_t>(file->size()));
    } catch (const FileError&) {
        // Shrunk or unreadable while being read: no bytes.
    }
    return result;
}

// The pixels as OpenGL reads them at its default unpack alignment of 4:
// each row padded to a multiple of 4 bytes. Empty when the rows need no
// padding (their length is a multiple of 4, or there is only one row).
Bytes alignedRows(int width, int height, int bytesPerPixel, const unsigned char* pixels) {
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel);
    if (row % 4 == 0 || height <= 1) return {};
    const std::size_t stride = (row + 3) / 4 * 4;
    Bytes out(stride * static_cast<std::size_t>(height), 0);
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y)
        std::copy(pixels + y * row, pixels + (y + 1) * row, out.begin() + static_cast<std::ptrdiff_t>(y * stride));
    return out;
}

void tgaMessage(Ui& ui, const std::string& first, const std::string& path, const std::string& second) {
    ui.captionedMessage("TGA File Error", first + "\"" + path + "\"" + second);
}

[[noreturn]] void bmpFailed(Ui& ui, const std::string& path, const std::string& reason) {
    ui.captionedMessage("BMP Unit", reason);
    ui.captionedMessage("Loading Textures", "Unable to load " + path);
    throw Terminated(1);
}

// The TGA header's size, as readTgaHeader takes it.
constexpr std::size_t kTgaHeaderSize = 18;

std::uint64_t ceilPowerOfTwo(std::uint64_t n) {
    std::uint64_t p = 1;
    while (p < n) p *= 2;
    return p;
}

std::string megabytes(std::uint64_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

// The end of the message for an image of more than kMaxTextureSide a side.
std::string tooLarge(int width, int height) {
    return ". Its " + std::to_string(width) + " x " + std::to_string(height) + " pixels are more than the " +
           std::to_string(kMaxTextureSide) + " x " + std::to_string(kMaxTextureSide) + " the preview takes.";
}

}  // namespace

std::uint64_t textureMemory(int width, int height, bool mipmaps) {
    std::uint64_t w = ceilPowerOfTwo(static_cast<std::uint64_t>(std::max(width, 1)));
    std::uint64_t h = ceilPowerOfTwo(static_cast<std::uint64_t>(std::max(height, 1)));
    std::uint64_t texels = w * h;
    while (mipmaps && (w > 1 || h > 1)) {
        w = std::max<std::uint64_t>(w / 2, 1);
        h = std::max<std::uint64_t>(h / 2, 1);
        texels += w * h;
    }
    return texels * 4 + 4096;
}

void TextureBudget::add(GLuint name, std::uint64_t bytes) {
    if (name == 0) return;
    release(name);
    held_[name] = bytes;
    used_ += bytes;
}

void TextureBudget::release(GLuint name) {
    const auto it = held_.find(name);
    if (it == held_.end()) return;
    used_ -= it->second;
    held_.erase(it);
}

std::string textureFolder(const std::string& startDir, const std::string& ownDir) {
    if (!startDir.empty()) {
        const std::string own = joinPath(startDir, "CamTextures");
        std::error_code ec;
        if (std::filesystem::is_directory(own, ec)) return own;
    }
    return joinPath(ownDir, "CamTextures");
}

GLuint createTexture(Gl& gl, int width, int height, GLenum format, const unsigned char* pixels) {
    const GLuint name = gl.genTexture();
    gl.bindTexture(GL_TEXTURE_2D, name);
    gl.texEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    const bool rgba = format == GL_RGBA;
    const Bytes padded = alignedRows(width, height, rgba ? 4 : 3, pixels);
    gl.build2DMipmaps(GL_TEXTURE_2D, rgba ? GL_RGBA : 3, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), format, GL_UNSIGNED_BYTE,
                      padded.empty() ? pixels : padded.data());
    return name;
}

bool loadTgaTexture(Gl& gl, Ui& ui, const std::string& path, GLuint& texture, bool* flipMark,
                    TextureBudget* budget) {
    if (flipMark != nullptr) *flipMark = false;
    if (!fileExists(path)) {
        ui.captionedMessage("TGA Texture", "File not found  - " + path);
        return false;
    }
    // The size comes from the header: a texture too large for the preview,
    // or for what its budget has left, is refused before its pixels are read.
    std::string refusal;
    const FileRead file = readTextureFile(path, kTgaHeaderSize, [&](std::span<const std::uint8_t> head) {
        const TgaHeader header = readTgaHeader(head);
        if (header.problem == TgaProblem::TooLarge) {
            refusal = tooLarge(header.width, header.height);
        } else if (header.problem == TgaProblem::None && budget != nullptr &&
                   !budget->admits(textureMemory(header.width, header.height, true))) {
            refusal = ". With its " + std::to_string(header.width) + " x " + std::to_string(header.height) +
                      " pixels the preview's textures would take more than " + megabytes(budget->limit()) + ".";
        }
        return !refusal.empty();
    });
    if (file.refused) {
        tgaMessage(ui, "Couldn't load ", path, refusal);
        return false;
    }
    if (flipMark != nullptr && file.bytes && file.bytes->size() >= 2) {
        *flipMark = file.bytes->end()[-2] == '.' && file.bytes->end()[-1] == 0;
    }
    TgaDecodeResult decoded;
    if (file.bytes)
        decoded = decodeTga(*file.bytes);
    else
        decoded.problem = TgaProblem::Short;

    switch (decoded.problem) {
    case TgaProblem::None:
        break;
    case TgaProblem::NotTrueColour:
        tgaMessage(ui, "Couldn't load ", path, ". Only 24 and 32bit TGA supported.");
        return false;
    case TgaProblem::ColourMapped:
        tgaMessage(ui, "Couldn't load ", path, ". Colormapped TGA files not supported.");
        return false;
    case TgaProblem::TooFewBits:
        tgaMessage(ui, "Couldn't load ", path, ". Only 24 and 32 bit TGA files supported.");
        return false;
    case TgaProblem::TooLarge:  // the file grew since its header was read
        tgaMessage(ui, "Couldn't load ", path, tooLarge(bytes::u16(*file.bytes, 12), bytes::u16(*file.bytes, 14)));
        return false;
    case TgaProblem::Short:
        tgaMessage(ui, "Couldn't read file ", path, ".");
        return false;
    }
    const DecodedImage& image = decoded.image;
    texture = createTexture(gl, image.width, image.height, image.bytesPerPixel == 4 ? GL_RGBA : GL_RGB,
                            image.pixels.data());
    if (budget != nullptr) budget->add(texture, textureMemory(image.width, image.height, true));
    return true;
}

bool loadBmpTexture(Gl& gl, Ui& ui, const std::string& path, GLuint& texture, TextureBudget* budget) {
    const FileRead file = readTextureFile(path);
    if (!file.opened) bmpFailed(ui, path, "Error opening \"" + path);
    BmpDecodeResult decoded;
    if (file.bytes)
        decoded = decodeBmp(*file.bytes);
    else
        decoded.problem = BmpProblem::PixelData;
    if (decoded.problem == BmpProblem::Palette) bmpFailed(ui, path, "Error reading palette");
    if (decoded.problem == BmpProblem::PixelData) bmpFailed(ui, path, "Error reading bitmap data");

    const DecodedImage& image = decoded.image;
    const Bytes padded = alignedRows(image.width, image.height, 3, image.pixels.data());
    texture = gl.genTexture();
    gl.bindTexture(GL_TEXTURE_2D, texture);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.texImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                  padded.empty() ? image.pixels.data() : padded.data());
    if (budget != nullptr) budget->add(texture, textureMemory(image.width, image.height, false));
    return true;
}

void loadPreviewTextures(Gl& gl, Ui& ui, const std::string& folder, GLuint listBase, PreviewTextures& out,
                         TextureBudget* budget) {
    gl.newList(listBase + 0, GL_COMPILE_AND_EXECUTE);
    try {
        loadTgaTexture(gl, ui, joinPath(folder, "arm.tga"), out.ArmTexture, nullptr, budget);
        loadTgaTexture(gl, ui, joinPath(folder, "glove.tga"), out.GloveTexture, nullptr, budget);
        loadTgaTexture(gl, ui, joinPath(folder, "stwheel.tga"), out.SteeringWheelTexture, nullptr, budget);
        loadTgaTexture(gl, ui, joinPath(folder, "COCKPIT_DAMAGE.tga"), out.CockpitDamageTexture, nullptr, budget);
        loadTgaTexture(gl, ui, joinPath(folder, "wheel_michelin_0.tga"), out.RimTexture, nullptr, budget);
        loadBmpTexture(gl, ui, joinPath(folder, "michelin_tread_0_right_0.bmp"), out.TreadTexture, budget);
    } catch (...) {
        // The program is ending: the list is closed all the same.
        gl.endList();
        throw;
    }
    gl.endList();
}

}  // namespace varnisk

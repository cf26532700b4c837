#include "preview/Textures.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "form/Errors.h"
#include "platform/GameFiles.h"
#include "platform/Ui.h"
#include "preview/TextureFormats.h"

namespace varnisk {

namespace {

using Bytes = std::vector<std::uint8_t>;

// What reading a texture file gave.
struct FileRead {
    bool opened = false;         // the file could be opened
    std::optional<Bytes> bytes;  // its bytes, when it could be read whole
};

// Reads a whole file, unless it is larger than any texture the preview
// takes. The file is closed before this returns.
FileRead readTextureFile(const std::string& path) {
    FileRead result;
    std::optional<ByteFile> file;
    try {
        file.emplace(path, ByteFile::Mode::ReadOnly);
    } catch (const FileError&) {
        return result;
    }
    result.opened = true;
    if (file->size() > kMaxTextureFileBytes) return result;
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

}  // namespace

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

bool loadTgaTexture(Gl& gl, Ui& ui, const std::string& path, GLuint& texture, bool* flipMark) {
    if (flipMark != nullptr) *flipMark = false;
    if (!fileExists(path)) {
        ui.captionedMessage("TGA Texture", "File not found  - " + path);
        return false;
    }
    const FileRead file = readTextureFile(path);
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
    case TgaProblem::Short:
        tgaMessage(ui, "Couldn't read file ", path, ".");
        return false;
    }
    const DecodedImage& image = decoded.image;
    texture = createTexture(gl, image.width, image.height, image.bytesPerPixel == 4 ? GL_RGBA : GL_RGB,
                            image.pixels.data());
    return true;
}

bool loadBmpTexture(Gl& gl, Ui& ui, const std::string& path, GLuint& texture) {
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
    return true;
}

void loadPreviewTextures(Gl& gl, Ui& ui, const std::string& folder, GLuint listBase, PreviewTextures& out) {
    gl.newList(listBase + 0, GL_COMPILE_AND_EXECUTE);
    try {
        loadTgaTexture(gl, ui, joinPath(folder, "arm.tga"), out.ArmTexture);
        loadTgaTexture(gl, ui, joinPath(folder, "glove.tga"), out.GloveTexture);
        loadTgaTexture(gl, ui, joinPath(folder, "stwheel.tga"), out.SteeringWheelTexture);
        loadTgaTexture(gl, ui, joinPath(folder, "COCKPIT_DAMAGE.tga"), out.CockpitDamageTexture);
        loadTgaTexture(gl, ui, joinPath(folder, "wheel_michelin_0.tga"), out.RimTexture);
        loadBmpTexture(gl, ui, joinPath(folder, "michelin_tread_0_right_0.bmp"), out.TreadTexture);
    } catch (...) {
        // The program is ending: the list is closed all the same.
        gl.endList();
        throw;
    }
    gl.endList();
}

}  // namespace varnisk

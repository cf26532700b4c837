#include "preview/Textures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "BytesRead.h"
#include "base/Errors.h"
#include "files/GameFiles.h"
#include "images/TextureFormats.h"
#include "preview/RecordingGl.h"
#include "ui/ScriptedUi.h"

namespace varnisk {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Call = RecordingGl::Call;

// A ScriptedUi that also keeps each message box's caption.
class CaptionUi : public ScriptedUi {
public:
    std::vector<std::pair<std::string, std::string>> boxes;  // caption, text
    void captionedMessage(const std::string& caption, const std::string& text) override {
        boxes.emplace_back(caption, text);
        ScriptedUi::captionedMessage(caption, text);
    }
};

// A RecordingGl that also keeps the bytes an upload hands over as OpenGL
// reads them: rows at a stride padded to 4 bytes, its default alignment.
class AlignedGl : public RecordingGl {
public:
    Bytes lastUpload;

    GLint build2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format, GLenum type,
                         const void* data) override {
        keep(width, height, format, data);
        return RecordingGl::build2DMipmaps(target, components, width, height, format, type, data);
    }
    void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void* pixels) override {
        keep(width, height, format, pixels);
        RecordingGl::texImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
    }

private:
    void keep(GLint width, GLint height, GLenum format, const void* data) {
        const std::size_t row = static_cast<std::size_t>(width) * (format == GL_RGBA ? 4u : 3u);
        const std::size_t stride = (row + 3) / 4 * 4;
        const auto* p = static_cast<const std::uint8_t*>(data);
        lastUpload.assign(p, p + stride * static_cast<std::size_t>(height - 1) + row);
    }
};

class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        path = fs::temp_directory_path() /
               ("varnisk-textures-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const { return (path / name).string(); }
    std::string write(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(path / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file(name);
    }

    fs::path path;
};

void addU16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void addU32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes tga(int type, int bits, unsigned width, unsigned height, const Bytes& data, int colourMapType = 0) {
    Bytes b = {0, static_cast<std::uint8_t>(colourMapType), static_cast<std::uint8_t>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    addU16(b, width);
    addU16(b, height);
    b.push_back(static_cast<std::uint8_t>(bits));
    b.push_back(0);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// An uncompressed 24-bit BMP; `rows` holds the stored rows with their padding.
Bytes bmp(std::int32_t width, std::int32_t height, const Bytes& rows, int bits = 24) {
    Bytes b = {'B', 'M'};
    addU32(b, static_cast<std::uint32_t>(54 + rows.size()));
    addU32(b, 0);
    addU32(b, 54);
    addU32(b, 40);
    addU32(b, static_cast<std::uint32_t>(width));
    addU32(b, static_cast<std::uint32_t>(height));
    addU16(b, 1);
    addU16(b, static_cast<unsigned>(bits));
    for (int i = 0; i < 6; ++i) addU32(b, 0);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

constexpr double kTex2D = GL_TEXTURE_2D;

// ------------------------------------------------------------------ TGA loader

TEST(LoadTgaTexture, UploadsThePixelsWithMipmaps) {
    TempFolder dir;
    const std::string path = dir.write("a.tga", tga(2, 24, 2, 1, {1, 2, 3, 4, 5, 6}));
    RecordingGl gl;
    CaptionUi ui;
    GLuint texture = 0;
    ASSERT_TRUE(loadTgaTexture(gl, ui, path, texture));
    EXPECT_EQ(texture, 1u);
    EXPECT_TRUE(ui.boxes.empty());
    const std::vector<Call> expected = {
        {"genTexture", {1}},
        {"bindTexture", {kTex2D, 1}},
        {"texEnvi", {GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE}},
        {"texParameteri", {kTex2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}},
        {"texParameteri", {kTex2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}},
        {"build2DMipmaps", {kTex2D, 3, 2, 1, GL_RGB, GL_UNSIGNED_BYTE}},
    };
    EXPECT_EQ(gl.calls, expected);
    EXPECT_EQ(gl.textures[1].pixels, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(LoadTgaTexture, ThirtyTwoBitRunLengthIsUploadedAsRgba) {
    TempFolder dir;
    const std::string path = dir.write("a.tga", tga(10, 32, 3, 1, {0x82, 1, 2, 3, 4}));
    RecordingGl gl;
    CaptionUi ui;
    GLuint texture = 0;
    ASSERT_TRUE(loadTgaTexture(gl, ui, path, texture));
    EXPECT_EQ(gl.calls.back(), (Call{"build2DMipmaps", {kTex2D, GL_RGBA, 3, 1, GL_RGBA, GL_UNSIGNED_BYTE}}));
    EXPECT_EQ(gl.textures[texture].pixels, (Bytes{3, 2, 1, 4, 3, 2, 1, 4, 3, 2, 1, 4}));
}

// OpenGL reads rows at a 4-byte alignment: a 3-pixel RGB row of 9 bytes is
// handed over padded to 12, so nothing past the pixels is read.
TEST(LoadTgaTexture, RowsOfOddLengthAreHandedOverAligned) {
    TempFolder dir;
    const std::string path =
        dir.write("a.tga", tga(2, 24, 3, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}));
    AlignedGl gl;
    CaptionUi ui;
    GLuint texture = 0;
    ASSERT_TRUE(loadTgaTexture(gl, ui, path, texture));
    EXPECT_EQ(gl.lastUpload, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0, 12, 11, 10, 15, 14, 13, 18, 17, 16}));
}

TEST(LoadTgaTexture, RefusedFilesShowTheirMessage) {
    struct Case {
        const char* what;
        Bytes file;
        std::string first, second;
    };
    const Case cases[] = {
        {"colour-mapped type 1", tga(1, 8, 1, 1, {0}, 1), "Couldn't load ", ". Only 24 and 32bit TGA supported."},
        {"grey", tga(3, 8, 1, 1, {0}), "Couldn't load ", ". Only 24 and 32bit TGA supported."},
        {"true colour with a map", tga(2, 24, 1, 1, {1, 2, 3}, 1), "Couldn't load ",
         ". Colormapped TGA files not supported."},
        {"16 bits", tga(2, 16, 1, 1, {1, 2}), "Couldn't load ", ". Only 24 and 32 bit TGA files supported."},
        {"short", tga(2, 24, 2, 1, {1, 2, 3, 4, 5}), "Couldn't read file ", "."},
        {"short run-length", tga(10, 24, 2, 1, {0x00, 1, 2, 3}), "Couldn't read file ", "."},
        {"no header", Bytes{0, 0, 2}, "Couldn't read file ", "."},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        const std::string path = dir.write("bad.tga", c.file);
        RecordingGl gl;
        CaptionUi ui;
        GLuint texture = 77;
        EXPECT_FALSE(loadTgaTexture(gl, ui, path, texture)) << c.what;
        EXPECT_EQ(texture, 77u) << c.what;
        EXPECT_TRUE(gl.calls.empty()) << c.what;
        const std::vector<std::pair<std::string, std::string>> expected = {
            {"TGA File Error", c.first + "\"" + path + "\"" + c.second}};
        EXPECT_EQ(ui.boxes, expected) << c.what;
    }
}

TEST(LoadTgaTexture, AMissingFileIsNotFound) {
    TempFolder dir;
    RecordingGl gl;
    CaptionUi ui;
    GLuint texture = 0;
    for (const std::string& path : {dir.file("none.tga"), dir.path.string()}) {
        ui.boxes.clear();
        EXPECT_FALSE(loadTgaTexture(gl, ui, path, texture));
        const std::vector<std::pair<std::string, std::string>> expected = {{"TGA Texture", "File not found  - " + path}};
        EXPECT_EQ(ui.boxes, expected);
        EXPECT_EQ(ui.messages().back(), "File not found  - " + path);
    }
    EXPECT_EQ(texture, 0u);
    EXPECT_TRUE(gl.calls.empty());
}

TEST(LoadTgaTexture, AHugeFileIsNotReadAndCannotBeRead) {
    TempFolder dir;
    const std::string path = dir.write("huge.tga", tga(2, 24, 1, 1, {1, 2, 3}));
    fs::resize_file(path, kMaxTextureFileBytes + 1);  // sparse: nothing is written
    RecordingGl gl;
    CaptionUi ui;
    GLuint texture = 0;
    EXPECT_FALSE(loadTgaTexture(gl, ui, path, texture));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].second, "Couldn't read file \"" + path + "\".");
}

// A texture wider or taller than the preview takes is refused from its
// header: the message names the file and the size, nothing reaches OpenGL,
// and the rest of the file (here a sparse 200 MB) is not read.
TEST(LoadTgaTexture, AnImageLargerThanThePreviewTakesIsRefusedFromItsHeader) {
    struct Case { int type, bits; unsigned width, height; };
    for (const Case& c : {Case{10, 24, 8192, 8192}, Case{2, 32, 8192, 8192}, Case{2, 24, 4097, 16}, Case{10, 32, 1, 65535}}) {
        const std::string size = std::to_string(c.width) + " x " + std::to_string(c.height);
        SCOPED_TRACE(size);
        TempFolder dir;
        const std::string path = dir.write("big.tga", tga(c.type, c.bits, c.width, c.height, Bytes(64, 0xFF)));
        fs::resize_file(path, 200ull << 20);
        RecordingGl gl;
        CaptionUi ui;
        GLuint texture = 77;
        bool flip = true;
        const std::optional<std::uint64_t> before = readcount::bytesRead();
        EXPECT_FALSE(loadTgaTexture(gl, ui, path, texture, &flip));
        if (const std::optional<std::uint64_t> after = readcount::bytesRead(); before && after) {
            EXPECT_LT(*after - *before, 64u * 1024);
        }
        EXPECT_EQ(texture, 77u);
        EXPECT_FALSE(flip);
        EXPECT_TRUE(gl.calls.empty());
        const std::vector<std::pair<std::string, std::string>> expected = {
            {"TGA File Error", "Couldn't load \"" + path + "\". Its " + size +
                                   " pixels are more than the 4096 x 4096 the preview takes."}};
        EXPECT_EQ(ui.boxes, expected);
    }
}

TEST(TextureMemory, CountsPowerOfTwoSidesFourBytesATexelEveryLevelAndTheObject) {
    struct Case { int width, height; bool mipmaps; std::uint64_t texels; };
    for (const Case& c : {Case{1, 1, false, 1}, Case{1, 1, true, 1}, Case{2, 2, true, 4 + 1}, Case{3, 5, false, 4 * 8},
                          Case{3, 5, true, 32 + 8 + 2 + 1}, Case{4096, 1, true, 8191},
                          Case{4096, 4096, true, 22369621}, Case{4096, 4096, false, 4096 * 4096}}) {
        EXPECT_EQ(textureMemory(c.width, c.height, c.mipmaps), c.texels * 4 + 4096)
            << c.width << " x " << c.height << (c.mipmaps ? " with mipmaps" : "");
    }
    // Five textures of the largest side fit in the preview's budget, a sixth does not.
    EXPECT_LE(5 * textureMemory(kMaxTextureSide, kMaxTextureSide, true), kTextureBudgetBytes);
    EXPECT_GT(6 * textureMemory(kMaxTextureSide, kMaxTextureSide, true), kTextureBudgetBytes);
}

// A loader given a budget makes textures while they fit, then refuses the
// next from its header, naming the file and the budget; a released texture
// makes room again. BMP textures are counted, never refused.
TEST(LoadTgaTexture, ABudgetRefusesATextureThatWouldGoPastIt) {
    TempFolder dir;
    Bytes runs;  // 256 x 256 pixels in runs of 128
    for (int i = 0; i < 512; ++i) runs.insert(runs.end(), {0xFF, 10, 20, 30});
    const Bytes file = tga(10, 24, 256, 256, runs);
    const std::uint64_t each = textureMemory(256, 256, true);
    TextureBudget budget(2ull << 20);
    ASSERT_EQ((2ull << 20) / each, 5u);
    RecordingGl gl;
    CaptionUi ui;
    std::vector<GLuint> made;
    for (int i = 0; i < 5; ++i) {
        GLuint texture = 0;
        ASSERT_TRUE(loadTgaTexture(gl, ui, dir.write("t" + std::to_string(i) + ".tga", file), texture, nullptr, &budget));
        made.push_back(texture);
    }
    EXPECT_EQ(budget.used(), 5 * each);
    const std::string sixth = dir.write("t5.tga", file);
    GLuint texture = 0;
    gl.clearCalls();
    EXPECT_FALSE(loadTgaTexture(gl, ui, sixth, texture, nullptr, &budget));
    EXPECT_EQ(texture, 0u);
    EXPECT_TRUE(gl.calls.empty());
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes.back(), (std::pair<std::string, std::string>{
                                   "TGA File Error", "Couldn't load \"" + sixth +
                                                         "\". With its 256 x 256 pixels the preview's textures "
                                                         "would take more than 2 MB."}));
    EXPECT_EQ(budget.used(), 5 * each);

    gl.deleteTexture(made[2]);
    budget.release(made[2]);
    budget.release(made[2]);  // once only
    EXPECT_EQ(budget.used(), 4 * each);
    EXPECT_TRUE(loadTgaTexture(gl, ui, sixth, texture, nullptr, &budget));
    EXPECT_EQ(budget.used(), 5 * each);

    // Past the budget, a BMP is still made and counted.
    GLuint tread = 0;
    ASSERT_TRUE(loadBmpTexture(gl, ui, dir.write("tread.bmp", bmp(2, 1, {1, 2, 3, 4, 5, 6})), tread, &budget));
    EXPECT_EQ(budget.used(), 5 * each + textureMemory(2, 1, false));
}

// ------------------------------------------------------------------ BMP loader

TEST(LoadBmpTexture, UploadsOneLevel) {
    TempFolder dir;
    const std::string path = dir.write("t.bmp", bmp(2, 2, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}));
    AlignedGl gl;
    CaptionUi ui;
    GLuint texture = 0;
    ASSERT_TRUE(loadBmpTexture(gl, ui, path, texture));
    EXPECT_EQ(texture, 1u);
    EXPECT_TRUE(ui.boxes.empty());
    const std::vector<Call> expected = {
        {"genTexture", {1}},
        {"bindTexture", {kTex2D, 1}},
        {"texParameteri", {kTex2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}},
        {"texImage2D", {kTex2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE}},
    };
    EXPECT_EQ(gl.calls, expected);
    EXPECT_EQ(gl.lastUpload, (Bytes{3, 2, 1, 6, 5, 4, 0, 0, 9, 8, 7, 12, 11, 10}));
}

TEST(LoadBmpTexture, AnUnreadableFileEndsTheProgramAfterBothMessages) {
    struct Case {
        const char* what;
        std::optional<Bytes> file;  // none: no file
        std::string reason;         // before the path when it ends in "\""
    };
    Bytes badPalette = bmp(1, 1, {});
    badPalette[46] = 5;  // five colours used, none there
    const Case cases[] = {
        {"missing", std::nullopt, "Error opening \""},
        {"palette", badPalette, "Error reading palette"},
        {"8 bits", bmp(4, 1, {1, 2, 3, 4}, 8), "Error reading bitmap data"},
        {"short", bmp(2, 2, {1, 2, 3, 4, 5, 6, 0, 0}), "Error reading bitmap data"},
        {"negative width", bmp(-2, 1, {1, 2, 3, 4, 5, 6, 0, 0}), "Error reading bitmap data"},
        {"empty", Bytes{}, "Error reading bitmap data"},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        const std::string path = c.file ? dir.write("t.bmp", *c.file) : dir.file("t.bmp");
        RecordingGl gl;
        CaptionUi ui;
        GLuint texture = 5;
        try {
            loadBmpTexture(gl, ui, path, texture);
            ADD_FAILURE() << c.what << ": the program went on";
        } catch (const Terminated& t) {
            EXPECT_EQ(t.exitCode(), 1) << c.what;
        }
        const std::string reason = c.reason.ends_with("\"") ? c.reason + path : c.reason;
        const std::vector<std::pair<std::string, std::string>> expected = {
            {"BMP Unit", reason}, {"Loading Textures", "Unable to load " + path}};
        EXPECT_EQ(ui.boxes, expected) << c.what;
        EXPECT_EQ(texture, 5u) << c.what;
        EXPECT_TRUE(gl.calls.empty()) << c.what;
    }
}

TEST(LoadBmpTexture, AHugeFileIsNotRead) {
    TempFolder dir;
    const std::string path = dir.write("huge.bmp", bmp(1, 1, {1, 2, 3, 0}));
    fs::resize_file(path, kMaxTextureFileBytes + 1);
    RecordingGl gl;
    CaptionUi ui;
    GLuint texture = 0;
    EXPECT_THROW(loadBmpTexture(gl, ui, path, texture), Terminated);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].second, "Error reading bitmap data");
}

// ------------------------------------------------------------------ the fixed set

const char* const kFixedTga[] = {"arm.tga", "glove.tga", "stwheel.tga", "COCKPIT_DAMAGE.tga", "wheel_michelin_0.tga"};
constexpr const char* kTread = "michelin_tread_0_right_0.bmp";

// Each TGA of the set as an image as wide as its place in the order.
void writeFixedSet(const TempFolder& dir, bool withTread = true) {
    unsigned width = 1;
    for (const char* name : kFixedTga) {
        dir.write(name, tga(2, 24, width, 1, Bytes(3 * width, static_cast<std::uint8_t>(width))));
        ++width;
    }
    if (withTread) dir.write(kTread, bmp(6, 1, Bytes(20, 6)));
}

TEST(LoadPreviewTextures, LoadsTheSixInOrderInsideListZero) {
    TempFolder dir;
    writeFixedSet(dir);
    RecordingGl gl;
    CaptionUi ui;
    PreviewTextures out;
    loadPreviewTextures(gl, ui, dir.path.string(), 40, out);
    EXPECT_TRUE(ui.boxes.empty());
    ASSERT_GE(gl.calls.size(), 2u);
    EXPECT_EQ(gl.calls.front(), (Call{"newList", {40, GL_COMPILE_AND_EXECUTE}}));
    EXPECT_EQ(gl.calls.back(), (Call{"endList", {}}));
    EXPECT_EQ(gl.lists.count(40), 1u);

    const GLuint names[] = {out.ArmTexture,       out.GloveTexture, out.SteeringWheelTexture,
                            out.CockpitDamageTexture, out.RimTexture,   out.TreadTexture};
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(names[i], static_cast<GLuint>(i + 1));
        EXPECT_EQ(gl.textures[names[i]].width, i + 1);
    }
    int mipmapped = 0, single = 0;
    for (const Call& c : gl.calls) {
        mipmapped += c.op == "build2DMipmaps";
        single += c.op == "texImage2D";
    }
    EXPECT_EQ(mipmapped, 5);
    EXPECT_EQ(single, 1);
}

TEST(LoadPreviewTextures, MissingFilesEachSayNotFoundAndAMissingTreadEndsTheProgram) {
    TempFolder dir;
    dir.write(kTread, bmp(1, 1, {1, 2, 3, 0}));
    RecordingGl gl;
    CaptionUi ui;
    PreviewTextures out;
    loadPreviewTextures(gl, ui, dir.path.string(), 1, out);
    ASSERT_EQ(ui.boxes.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(ui.boxes[i], std::make_pair(std::string("TGA Texture"),
                                              "File not found  - " + joinPath(dir.path.string(), kFixedTga[i])));
    EXPECT_EQ(out.ArmTexture, 0u);
    EXPECT_EQ(out.RimTexture, 0u);
    EXPECT_EQ(out.TreadTexture, 1u);

    TempFolder noTread;
    writeFixedSet(noTread, false);
    RecordingGl gl2;
    CaptionUi ui2;
    PreviewTextures out2;
    EXPECT_THROW(loadPreviewTextures(gl2, ui2, noTread.path.string(), 1, out2), Terminated);
    const std::string tread = joinPath(noTread.path.string(), kTread);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"BMP Unit", "Error opening \"" + tread}, {"Loading Textures", "Unable to load " + tread}};
    EXPECT_EQ(ui2.boxes, expected);
    EXPECT_EQ(out2.RimTexture, 5u);
    EXPECT_EQ(gl2.calls.back(), (Call{"endList", {}}));
}

TEST(TextureFolder, TheStartDirectorysWhenItHasOneElseOurOwn) {
    TempFolder start, own;
    const std::string ownFolder = (own.path / "CamTextures").string();
    EXPECT_EQ(textureFolder(start.path.string(), own.path.string()), ownFolder);
    EXPECT_EQ(textureFolder("", own.path.string()), ownFolder);
    // A file of that name is no folder.
    start.write("CamTextures", {1});
    EXPECT_EQ(textureFolder(start.path.string(), own.path.string()), ownFolder);
    fs::remove(start.path / "CamTextures");
    // An empty folder is the one used all the same.
    fs::create_directory(start.path / "CamTextures");
    EXPECT_EQ(textureFolder(start.path.string(), own.path.string()), (start.path / "CamTextures").string());
}

}  // namespace
}  // namespace varnisk

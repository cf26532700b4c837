#include "opengl/OffscreenView.h"

#include <EGL/egl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "base/Errors.h"
#include "opengl/ForwardingGl.h"
#include "opengl/PngWriter.h"
#include "preview/GlVersion.h"

namespace varnisk {
namespace {

namespace fs = std::filesystem;

using Rgb = std::array<int, 3>;

// The preview's sky, as the clear colour and as the bytes it becomes.
constexpr float kSky[3] = {0.85f, 0.94f, 1.0f};
constexpr Rgb kSkyBytes = {217, 240, 255};
constexpr Rgb kRed = {255, 0, 0};
constexpr Rgb kBlue = {0, 0, 255};

Rgb at(const std::vector<std::uint8_t>& rgba, int width, int x, int y) {
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
    return {rgba.at(i), rgba.at(i + 1), rgba.at(i + 2)};
}

::testing::AssertionResult near(const Rgb& actual, const Rgb& expected, int tolerance = 1) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(actual[i] - expected[i]) > tolerance)
            return ::testing::AssertionFailure() << "(" << actual[0] << ", " << actual[1] << ", " << actual[2]
                                                 << ") is not (" << expected[0] << ", " << expected[1] << ", "
                                                 << expected[2] << ") within " << tolerance;
    }
    return ::testing::AssertionSuccess();
}

class OffscreenTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 64, kHeight = 48;

    void SetUp() override {
        std::string error;
        view = OffscreenContext::create(kWidth, kHeight, error);
        if (!view) GTEST_SKIP() << error;
    }

    // Sky cleared, the projection the view starts with (35 degrees, near 1,
    // far 100) and an identity model-view matrix.
    void startFrame() {
        gl.viewport(0, 0, view->width(), view->height());
        gl.clearColor(kSky[0], kSky[1], kSky[2], 1.0f);
        gl.clearDepth(1.0);
        gl.clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gl.matrixMode(GL_PROJECTION);
        gl.loadIdentity();
        gl.perspective(35.0, static_cast<double>(view->width()) / view->height(), 1.0, 100.0);
        gl.matrixMode(GL_MODELVIEW);
        gl.loadIdentity();
    }

    // A triangle wholly above the middle of the view, five units away.
    void upperTriangle() {
        gl.begin(GL_TRIANGLES);
        gl.normal(0, 0, 1);
        gl.vertex(-1.0f, 0.2f, -5.0f);
        gl.vertex(1.0f, 0.2f, -5.0f);
        gl.vertex(0.0f, 1.5f, -5.0f);
        gl.end();
    }

    // A square of side 2 × half around (0, 0, z), facing the viewer.
    void square(float half, float z) {
        gl.begin(GL_QUADS);
        gl.normal(0, 0, 1);
        gl.vertex(-half, -half, z);
        gl.vertex(half, -half, z);
        gl.vertex(half, half, z);
        gl.vertex(-half, half, z);
        gl.end();
    }

    void unlitColour(const Rgb& c) {
        gl.disable(GL_LIGHTING);
        glColor3f(static_cast<float>(c[0]) / 255.0f, static_cast<float>(c[1]) / 255.0f,
                  static_cast<float>(c[2]) / 255.0f);
    }

    // Where the upper triangle is (a third from the top, in the middle) and
    // its mirror image below the middle.
    Rgb inside(const std::vector<std::uint8_t>& rgba) const {
        return at(rgba, view->width(), view->width() / 2, view->height() * 31 / 100);
    }
    Rgb mirrored(const std::vector<std::uint8_t>& rgba) const {
        return at(rgba, view->width(), view->width() / 2, view->height() * 69 / 100);
    }

    std::unique_ptr<OffscreenContext> view;
    ForwardingGl gl;
};

TEST_F(OffscreenTest, ComesUpAsACompatibilityContextWithADeepDepthBuffer) {
    EXPECT_EQ(view->width(), kWidth);
    EXPECT_EQ(view->height(), kHeight);
    EXPECT_GE(view->depthBits(), 24);
    EXPECT_FALSE(view->platform().empty());
    const std::string version = gl.versionString();
    EXPECT_TRUE(glVersionAtLeast11(version)) << version;
    EXPECT_EQ(view->readRgba().size(), static_cast<std::size_t>(kWidth * kHeight * 4));
}

TEST_F(OffscreenTest, ClearsToTheSkyColour) {
    startFrame();
    const auto rgba = view->readRgba();
    for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1},
                                                        {kWidth - 1, kHeight - 1}, {kWidth / 2, kHeight / 2}}) {
        EXPECT_TRUE(near(at(rgba, kWidth, x, y), kSkyBytes)) << x << ", " << y;
        EXPECT_EQ(rgba[(static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) * 4 + 3], 255);
    }
}

TEST_F(OffscreenTest, UnlitAndLitTrianglesLandTopRowFirst) {
    const float black[4] = {0, 0, 0, 1};
    const float white[4] = {1, 1, 1, 1};
    const float red[4] = {1, 0, 0, 1};
    struct Case {
        const char* name;
        bool lit;
        float lightZ;  // the directional light's direction towards it
        Rgb expected;
    };
    const Case cases[] = {
        {"unlit", false, 0, kRed},
        {"lit from the viewer", true, 1, kRed},
        {"lit from behind", true, -1, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startFrame();
        if (c.lit) {
            gl.enable(GL_LIGHTING);
            gl.enable(GL_LIGHT0);
            const float direction[4] = {0, 0, c.lightZ, 0};
            gl.lightfv(GL_LIGHT0, GL_POSITION, direction);
            gl.lightfv(GL_LIGHT0, GL_DIFFUSE, white);
            gl.lightfv(GL_LIGHT0, GL_AMBIENT, black);
            gl.lightfv(GL_LIGHT0, GL_SPECULAR, black);
            gl.lightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
            gl.materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, red);
            gl.materialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
            gl.materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
            gl.materialf(GL_FRONT_AND_BACK, GL_SHININESS, 10.0f);
        } else {
            unlitColour(kRed);
        }
        upperTriangle();
        gl.disable(GL_LIGHTING);
        const auto rgba = view->readRgba();
        EXPECT_TRUE(near(inside(rgba), c.expected));
        // The rows come top first: below the middle there is only sky.
        EXPECT_TRUE(near(mirrored(rgba), kSkyBytes));
        EXPECT_TRUE(near(at(rgba, kWidth, 0, 0), kSkyBytes));
        EXPECT_TRUE(near(at(rgba, kWidth, kWidth / 2, kHeight - 1), kSkyBytes));
    }
}

TEST_F(OffscreenTest, ADisplayListDrawsWhatImmediateModeDraws) {
    startFrame();
    unlitColour(kRed);
    upperTriangle();
    const auto immediate = view->readRgba();

    const GLuint list = gl.genLists(1);
    ASSERT_NE(list, 0u);
    gl.newList(list, GL_COMPILE);
    upperTriangle();
    gl.endList();
    startFrame();
    // Compiling drew nothing.
    EXPECT_TRUE(near(inside(view->readRgba()), kSkyBytes));
    unlitColour(kRed);
    gl.callList(list);
    EXPECT_EQ(view->readRgba(), immediate);
    EXPECT_TRUE(near(inside(immediate), kRed));

    gl.deleteLists(list, 1);
    EXPECT_EQ(glIsList(list), GL_FALSE);
}

TEST_F(OffscreenTest, TransformsMoveWhatIsDrawn) {
    struct Case {
        const char* name;
        std::function<void(Gl&)> transform;
        bool above;  // whether the triangle stays above the middle
    };
    const Case cases[] = {
        {"none", [](Gl&) {}, true},
        {"turned half round the view axis", [](Gl& g) { g.rotate(180, 0, 0, 1); }, false},
        {"turned half round the vertical", [](Gl& g) { g.translate(0, 0, -10); g.rotate(180, 0, 1, 0); }, true},
        {"mirrored upside down", [](Gl& g) { g.scale(1, -1, 1); }, false},
        {"moved down", [](Gl& g) { g.translate(0, -1.7f, 0); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startFrame();
        unlitColour(kRed);
        c.transform(gl);
        upperTriangle();
        const auto rgba = view->readRgba();
        EXPECT_TRUE(near(inside(rgba), c.above ? kRed : kSkyBytes));
        EXPECT_TRUE(near(mirrored(rgba), c.above ? kSkyBytes : kRed));
    }
}

TEST_F(OffscreenTest, TheNearerOfTwoSquaresWinsWhicheverIsDrawnFirst) {
    for (bool nearFirst : {true, false}) {
        SCOPED_TRACE(nearFirst ? "near one first" : "far one first");
        startFrame();
        gl.enable(GL_DEPTH_TEST);
        for (int i = 0; i < 2; ++i) {
            if ((i == 0) == nearFirst) {
                unlitColour(kRed);
                square(0.3f, -4.0f);
            } else {
                unlitColour(kBlue);
                square(1.2f, -6.0f);
            }
        }
        gl.disable(GL_DEPTH_TEST);
        const auto rgba = view->readRgba();
        EXPECT_TRUE(near(at(rgba, kWidth, kWidth / 2, kHeight / 2), kRed));
        // Where only the far square is, it shows.
        EXPECT_TRUE(near(at(rgba, kWidth, kWidth / 2, kHeight / 2 + 10), kBlue));
        EXPECT_TRUE(near(at(rgba, kWidth, 0, 0), kSkyBytes));
    }

    // With the depth buffer cleared to the nearest depth nothing passes.
    startFrame();
    gl.clearDepth(0.0);
    gl.clear(GL_DEPTH_BUFFER_BIT);
    gl.enable(GL_DEPTH_TEST);
    unlitColour(kRed);
    square(0.3f, -4.0f);
    gl.disable(GL_DEPTH_TEST);
    EXPECT_TRUE(near(at(view->readRgba(), kWidth, kWidth / 2, kHeight / 2), kSkyBytes));
}

TEST_F(OffscreenTest, TexturesShowTheirTexelsTheRightWayRound) {
    // Four texels wide, two high; the first row is the bottom one.
    const Rgb texels[2][4] = {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}},
                              {{0, 255, 255}, {255, 0, 255}, {255, 255, 255}, {40, 80, 120}}};
    std::vector<std::uint8_t> data;
    for (const auto& row : texels)
        for (const Rgb& t : row)
            for (int v : t) data.push_back(static_cast<std::uint8_t>(v));

    for (bool mipmaps : {true, false}) {
        SCOPED_TRACE(mipmaps ? "gluBuild2DMipmaps" : "glTexImage2D");
        const GLuint texture = gl.genTexture();
        ASSERT_NE(texture, 0u);
        gl.bindTexture(GL_TEXTURE_2D, texture);
        if (mipmaps) {
            ASSERT_EQ(gl.build2DMipmaps(GL_TEXTURE_2D, 3, 4, 2, GL_RGB, GL_UNSIGNED_BYTE, data.data()), 0);
        } else {
            gl.texImage2D(GL_TEXTURE_2D, 0, 3, 4, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, data.data());
        }
        gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl.texEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

        startFrame();
        // The whole view, with identity matrices.
        gl.matrixMode(GL_PROJECTION);
        gl.loadIdentity();
        gl.matrixMode(GL_MODELVIEW);
        gl.enable(GL_TEXTURE_2D);
        gl.begin(GL_QUADS);
        gl.texCoord(0, 0);
        gl.vertex(-1, -1, 0);
        gl.texCoord(1, 0);
        gl.vertex(1, -1, 0);
        gl.texCoord(1, 1);
        gl.vertex(1, 1, 0);
        gl.texCoord(0, 1);
        gl.vertex(-1, 1, 0);
        gl.end();
        gl.disable(GL_TEXTURE_2D);

        const auto rgba = view->readRgba();
        for (int row = 0; row < 2; ++row) {
            for (int column = 0; column < 4; ++column) {
                const int x = kWidth * (2 * column + 1) / 8;
                const int y = row == 1 ? kHeight / 4 : kHeight * 3 / 4;  // the top of the view is row 1
                EXPECT_TRUE(near(at(rgba, kWidth, x, y), texels[row][column])) << row << ", " << column;
            }
        }
        gl.bindTexture(GL_TEXTURE_2D, 0);
        gl.deleteTexture(texture);
        EXPECT_EQ(glIsTexture(texture), GL_FALSE);
    }
}

TEST_F(OffscreenTest, AlphaTestingDropsAndBlendingMixes) {
    // Two red texels: one clear, one three-quarters opaque.
    const std::uint8_t data[] = {255, 0, 0, 0, 255, 0, 0, 192};
    const GLuint texture = gl.genTexture();
    gl.bindTexture(GL_TEXTURE_2D, texture);
    gl.texImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, data);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.texEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    startFrame();
    gl.matrixMode(GL_PROJECTION);
    gl.loadIdentity();
    gl.matrixMode(GL_MODELVIEW);
    gl.enable(GL_TEXTURE_2D);
    gl.enable(GL_ALPHA_TEST);
    gl.alphaFunc(GL_GREATER, 0.25f);
    gl.enable(GL_BLEND);
    gl.blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.begin(GL_QUADS);
    gl.texCoord(0, 0);
    gl.vertex(-1, -1, 0);
    gl.texCoord(1, 0);
    gl.vertex(1, -1, 0);
    gl.texCoord(1, 1);
    gl.vertex(1, 1, 0);
    gl.texCoord(0, 1);
    gl.vertex(-1, 1, 0);
    gl.end();
    gl.disable(GL_BLEND);
    gl.disable(GL_ALPHA_TEST);
    gl.disable(GL_TEXTURE_2D);

    const auto rgba = view->readRgba();
    EXPECT_TRUE(near(at(rgba, kWidth, kWidth / 4, kHeight / 2), kSkyBytes));
    const double a = 192.0 / 255.0;
    const Rgb mixed = {static_cast<int>(a * 255 + (1 - a) * 217 + 0.5), static_cast<int>((1 - a) * 240 + 0.5),
                       static_cast<int>((1 - a) * 255 + 0.5)};
    EXPECT_TRUE(near(at(rgba, kWidth, kWidth * 3 / 4, kHeight / 2), mixed, 2));
    gl.deleteTexture(texture);
}

TEST_F(OffscreenTest, ResizingGivesANewFramebufferThatDraws) {
    view->resize(100, 30);
    EXPECT_EQ(view->width(), 100);
    EXPECT_EQ(view->height(), 30);
    startFrame();
    unlitColour(kRed);
    upperTriangle();
    auto rgba = view->readRgba();
    ASSERT_EQ(rgba.size(), 100u * 30u * 4u);
    EXPECT_TRUE(near(inside(rgba), kRed));
    EXPECT_TRUE(near(mirrored(rgba), kSkyBytes));
    EXPECT_TRUE(near(at(rgba, 100, 99, 29), kSkyBytes));

    // A height of 0 counts as 1, as the window's does.
    view->resize(5, 0);
    EXPECT_EQ(view->width(), 5);
    EXPECT_EQ(view->height(), 1);
    startFrame();
    EXPECT_TRUE(near(at(view->readRgba(), 5, 4, 0), kSkyBytes));

    // More than the driver can draw is refused, and the old one stays.
    view->resize(40, 20);
    EXPECT_THROW(view->resize(1000000, 20), ProgramError);
    EXPECT_EQ(view->width(), 40);
    EXPECT_EQ(view->height(), 20);
    startFrame();
    rgba = view->readRgba();
    ASSERT_EQ(rgba.size(), 40u * 20u * 4u);
    EXPECT_TRUE(near(at(rgba, 40, 39, 19), kSkyBytes));
}

TEST_F(OffscreenTest, TwoViewsLiveSideBySide) {
    std::string error;
    auto other = OffscreenContext::create(8, 8, error);
    ASSERT_TRUE(other) << error;
    gl.viewport(0, 0, 8, 8);
    gl.clearColor(0, 0, 1, 1);
    gl.clear(GL_COLOR_BUFFER_BIT);

    view->makeCurrent();
    startFrame();
    EXPECT_TRUE(near(at(view->readRgba(), kWidth, 1, 1), kSkyBytes));
    EXPECT_TRUE(near(at(other->readRgba(), 8, 1, 1), kBlue));

    // The other one going away leaves this one working, and current when
    // it was current before.
    view->makeCurrent();
    other.reset();
    gl.clearColor(1, 0, 0, 1);
    gl.clear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(near(at(view->readRgba(), kWidth, 1, 1), kRed));
    eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    view->makeCurrent();
    EXPECT_TRUE(near(at(view->readRgba(), kWidth, 1, 1), kRed));
}

TEST_F(OffscreenTest, WithoutACurrentContextTheVersionIsEmpty) {
    eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    EXPECT_EQ(gl.versionString(), "");
    view->makeCurrent();
    EXPECT_NE(gl.versionString(), "");
    startFrame();
    EXPECT_TRUE(near(at(view->readRgba(), kWidth, 3, 3), kSkyBytes));
}

TEST(GlVersionTest, OneOneAndLaterPass) {
    const std::pair<const char*, bool> cases[] = {
        {"1.0", false},
        {"1.0.3 vendor", false},
        {"0.9", false},
        {"1.1", true},
        {"1.1.0", true},
        {"1.5", true},
        {"2.0", true},
        {"4.5 (Compatibility Profile) Mesa 22.3.6", true},
        {"12.0", true},
        {"99999999999999999999.0", true},
        {"", false},
        {"garbage", false},
        {"OpenGL ES 3.2", false},
        {"2", false},
        {"1.", false},
        {".1", false},
        {" 1.1", false},
    };
    for (const auto& [text, passes] : cases) EXPECT_EQ(glVersionAtLeast11(text), passes) << '"' << text << '"';
}

class PngTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("varnisk-png-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::vector<std::string> entries(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // width × height pixels, each different, with alpha varied as well.
    static std::vector<std::uint8_t> pattern(int width, int height) {
        std::vector<std::uint8_t> rgba;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int v : {x * 40, y * 70, 255 - x * 10 - y, 100 + x * y})
                    rgba.push_back(static_cast<std::uint8_t>(v));
        return rgba;
    }

    fs::path dir;
};

TEST_F(PngTest, WritesAnOpaquePictureThatReadsBackTopRowFirst) {
    const auto path = (dir / "frame.png").string();
    const auto first = pattern(5, 3);
    writePng(path, 5, 3, first);
    // A second write replaces the first.
    auto second = pattern(7, 2);
    writePng(path, 7, 2, second);

    int w = 0, h = 0;
    std::vector<std::uint8_t> read;
    ASSERT_TRUE(readPng(path, w, h, read));
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 2);
    // The colours come back as they were; alpha is dropped, so opaque.
    for (std::size_t i = 3; i < second.size(); i += 4) second[i] = 255;
    EXPECT_EQ(read, second);
    EXPECT_EQ(entries(dir), std::vector<std::string>{"frame.png"});
}

TEST_F(PngTest, AFailedWriteNamesTheFileAndLeavesNothingBehind) {
    const auto pixels = pattern(2, 2);
    const auto missing = (dir / "no-such-folder" / "frame.png").string();
    try {
        writePng(missing, 2, 2, pixels);
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(entries(dir).empty());

    // A folder where the file should go: the rename fails after the
    // temporary file was written, and that file goes again.
    fs::create_directory(dir / "taken.png");
    const auto taken = (dir / "taken.png").string();
    try {
        writePng(taken, 2, 2, pixels);
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(taken), std::string::npos) << e.what();
    }
    EXPECT_EQ(entries(dir), std::vector<std::string>{"taken.png"});
    EXPECT_TRUE(entries(dir / "taken.png").empty());
}

TEST_F(PngTest, PixelsThatDoNotMatchTheSizeAreRefused) {
    const auto pixels = pattern(3, 3);
    const auto path = (dir / "frame.png").string();
    EXPECT_THROW(writePng(path, 3, 2, pixels), std::invalid_argument);
    EXPECT_THROW(writePng(path, 0, 3, pixels), std::invalid_argument);
    EXPECT_THROW(writePng(path, 3, -3, pixels), std::invalid_argument);
    EXPECT_TRUE(entries(dir).empty());
}

TEST_F(PngTest, ReadingWhatIsNoPngFails) {
    std::ofstream(dir / "text.png") << "not a picture";
    int w = -1, h = -1;
    std::vector<std::uint8_t> rgba{1, 2, 3};
    EXPECT_FALSE(readPng((dir / "text.png").string(), w, h, rgba));
    EXPECT_FALSE(readPng((dir / "missing.png").string(), w, h, rgba));
    EXPECT_EQ(w, -1);
    EXPECT_EQ(rgba.size(), 3u);
}

}  // namespace
}  // namespace varnisk

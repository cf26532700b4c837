#include "TextureImages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "images/TextureFormats.h"
#include "preview/RecordingGl.h"
#include "preview/Textures.h"
#include "ui/ScriptedUi.h"

namespace tg = varnisk::texgen;

namespace {

using Bytes = std::vector<std::uint8_t>;

bool powerOfTwoInRange(int v) { return v >= 64 && v <= 256 && (v & (v - 1)) == 0; }

// What the project's own decoders make of a shipped file.
varnisk::DecodedImage decodeShipped(const tg::ShippedTexture& t) {
    if (t.name.ends_with(".bmp")) {
        varnisk::BmpDecodeResult r = varnisk::decodeBmp(t.bytes);
        EXPECT_EQ(r.problem, varnisk::BmpProblem::None) << t.name;
        return r.image;
    }
    varnisk::TgaDecodeResult r = varnisk::decodeTga(t.bytes);
    EXPECT_EQ(r.problem, varnisk::TgaProblem::None) << t.name;
    return r.image;
}

TEST(ShippedTextures, TheSevenFilesDecodeToWhatWasDrawn) {
    const std::vector<tg::ShippedTexture> files = tg::shippedTextures();
    std::vector<std::string> names;
    for (const auto& t : files) names.push_back(t.name);
    EXPECT_EQ(names, (std::vector<std::string>{"arm.tga", "glove.tga", "stwheel.tga", "COCKPIT_DAMAGE.tga",
                                               "wheel_michelin_0.tga", "michelin_tread_0_right_0.bmp",
                                               "new_steering_wheel_displays.tga"}));
    std::set<std::pair<int, int>> tgaKinds;  // image type, bits
    for (const auto& t : files) {
        const varnisk::DecodedImage image = decodeShipped(t);
        EXPECT_EQ(image.width, t.image.width) << t.name;
        EXPECT_EQ(image.height, t.image.height) << t.name;
        EXPECT_EQ(image.bytesPerPixel, t.image.channels) << t.name;
        EXPECT_TRUE(image.pixels == t.image.pixels) << t.name;
        EXPECT_TRUE(powerOfTwoInRange(t.image.width) && powerOfTwoInRange(t.image.height)) << t.name;
        if (t.name.ends_with(".tga")) tgaKinds.insert({t.bytes[2], t.bytes[16]});
    }
    EXPECT_EQ(tgaKinds, (std::set<std::pair<int, int>>{{2, 24}, {2, 32}, {10, 24}, {10, 32}}));
}

TEST(ShippedTextures, TheSteeringWheelIsClearAroundItself) {
    const tg::Image wheel = tg::steeringWheelImage();
    ASSERT_EQ(wheel.channels, 4);
    const auto alpha = [&](int x, int y) {
        return wheel.pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(wheel.width) +
                             static_cast<std::size_t>(x)) * 4 + 3];
    };
    const int w = wheel.width, h = wheel.height;
    for (const auto& [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) EXPECT_EQ(alpha(x, y), 0);
    EXPECT_EQ(alpha(w / 2, h / 2), 255);            // the hub
    EXPECT_EQ(alpha(w / 2, h / 2 + h * 43 / 100), 255);  // the rim at the top
    std::size_t clear = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) clear += alpha(x, y) == 0;
    EXPECT_GT(clear, static_cast<std::size_t>(w * h) / 4);
}

TEST(ShippedTextures, RunLengthPacketsStayInsideTheirRow) {
    tg::Image image;
    image.width = 4;
    image.height = 2;
    image.pixels = {1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6,  // A A A B
                    4, 5, 6, 7, 8, 9, 7, 8, 9, 7, 8, 9};  // B C C C
    const Bytes file = tg::writeTga(image, tg::TgaEncoding::RunLength);
    const Bytes packets(file.begin() + 18, file.end() - 26);
    EXPECT_EQ(packets, (Bytes{0x82, 3, 2, 1, 0x00, 6, 5, 4, 0x00, 6, 5, 4, 0x82, 9, 8, 7}));
}

TEST(ShippedTextures, TheWrittenFolderLoadsWithoutAMessage) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("varnisk-camtextures-" + std::to_string(::getpid()));
    tg::writeTextureFolder(folder.string());
    varnisk::RecordingGl gl;
    varnisk::ScriptedUi ui;
    varnisk::PreviewTextures out;
    varnisk::loadPreviewTextures(gl, ui, folder.string(), 1, out);
    GLuint display = 0;
    EXPECT_TRUE(varnisk::loadTgaTexture(gl, ui, (folder / "new_steering_wheel_displays.tga").string(), display));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(gl.textures.size(), 7u);
    EXPECT_EQ(gl.textures[out.SteeringWheelTexture].width, 256);
    EXPECT_EQ(gl.textures[out.TreadTexture].components, 3);
    std::size_t leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) leftovers += entry.path().extension() == ".tmp";
    EXPECT_EQ(leftovers, 0u);
    std::filesystem::remove_all(folder);
}

}  // namespace

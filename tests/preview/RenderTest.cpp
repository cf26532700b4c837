// Real frames of the preview, drawn by varnisk-cli's headless view on a
// generated game and probed pixel by pixel.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "../gamedata/TestGame.h"
#include "TextureImages.h"
#include "cli/Cli.h"
#include "preview/PngWriter.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;

    struct Pixel {
        int r, g, b;
    };
    Pixel at(int x, int y) const {
        const std::size_t i = 4 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x));
        return {rgba[i], rgba[i + 1], rgba[i + 2]};
    }
    int count(const std::function<bool(Pixel)>& test) const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += test(at(x, y)) ? 1 : 0;
        return n;
    }
};

bool isSky(Picture::Pixel p) { return std::abs(p.r - 217) <= 2 && std::abs(p.g - 240) <= 2 && std::abs(p.b - 255) <= 2; }
bool isRed(Picture::Pixel p) { return p.r > 60 && p.r > 2 * p.g && p.r > 2 * p.b; }
// The display's green shift lights.
bool isGreenLight(Picture::Pixel p) { return p.g > 150 && p.r < 120 && p.b < 120; }

// A generated game with the shipped textures in the start directory, and a
// script for varnisk-cli run in it.
struct Render : ::testing::Test {
    TempFolder dir;
    fs::path game = dir.path / "game";
    fs::path start = dir.path / "start";

    void SetUp() override {
        gg::writeGame(game, gg::GameSpec{});
        texgen::writeTextureFolder((start / "CamTextures").string());
    }

    std::string run(const std::vector<std::string>& lines, int expectedStatus = cli::kExitOk) {
        const fs::path script = dir.path / "script.txt";
        std::ofstream(script) << [&] {
            std::string text;
            for (const std::string& l : lines) text += l + "\n";
            return text;
        }();
        std::ostringstream out, err;
        const int status = cli::run({"--game-dir", game.string(), "--start-dir", start.string(), "--script", script.string()},
                                    out, err);
        EXPECT_EQ(status, expectedStatus) << err.str();
        return err.str();
    }
    Picture picture(const std::string& name) {
        Picture p;
        EXPECT_TRUE(readPng((dir.path / name).string(), p.width, p.height, p.rgba)) << name;
        return p;
    }
    std::string png(const std::string& name) { return (dir.path / name).string(); }
};

// Camera row `row` placed behind the car, looking at it.
std::vector<std::string> behindTheCar(int row) {
    const std::string r = std::to_string(row);
    return {"paste LMDEdit" + r + " 0",          "paste LMDEdit" + std::to_string(row + 20) + " 150",
            "paste LMDEdit" + std::to_string(row + 10) + " -500", "paste LMDEdit" + std::to_string(row + 30) + " 0",
            "paste LMDEdit" + std::to_string(row + 40) + " -15",  "paste LMDEdit" + std::to_string(row + 50) + " 0",
            "press LMDEdit" + r + " left 0 0",  "move 1 0", "move 0 0", "release 0 0"};
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST_F(Render, TheCarShowsInTheTeamsArmColourUnderTheSky) {
    run(std::vector<std::string>{"import", "render " + png("first.png"), "answer colour 255", "double-click PanelAC0"} +
        behindTheCar(3) + std::vector<std::string>{"render " + png("behind.png")});
    const Picture p = picture("behind.png");
    // The picture has the size of the GLView control.
    ScriptedUi ui;
    MemoryRegistry registry(game.string());
    Editor editor(ui, registry, {start.string()});
    EXPECT_EQ(p.width, editor.main.get("GLView").bounds.width);
    EXPECT_EQ(p.height, editor.main.get("GLView").bounds.height);
    EXPECT_TRUE(isSky(p.at(2, 2)));
    EXPECT_TRUE(isSky(p.at(p.width - 3, 2)));
    // The car seen from behind, in the middle of the lower half: red, the
    // team's arm colour, since no texture of the generated car ships.
    EXPECT_GT(p.count(isRed), 2000);
    int redBelowMiddle = 0;
    for (int y = p.height / 2; y < p.height; ++y) redBelowMiddle += isRed(p.at(p.width / 2, y)) ? 1 : 0;
    EXPECT_GT(redBelowMiddle, 20);
}

TEST_F(Render, CameraFourAndCameraEightShowNoCar) {
    for (int row : {5, 9}) {
        SCOPED_TRACE(row);
        run(std::vector<std::string>{"import", "render " + png("first.png"), "answer colour 255", "double-click PanelAC0"} +
            behindTheCar(row) + std::vector<std::string>{"render " + png("row.png")});
        EXPECT_EQ(picture("row.png").count(isRed), 0);
    }
}

TEST_F(Render, TheCockpitCameraShowsTheDashboardDisplay) {
    // White arms leave the display's own colours as they are.
    run({"import", "answer colour 16777215", "double-click PanelAC0", "paste LMDEdit105 0", "paste LMDEdit135 0",
         "paste LMDEdit145 -5", "paste LMDEdit155 0", "render " + png("cockpit.png")});
    const Picture cockpit = picture("cockpit.png");
    EXPECT_TRUE(isSky(cockpit.at(2, 2)));
    EXPECT_GT(cockpit.count(isGreenLight), 3);
    // Seen from outside, the dashboard is not drawn.
    run(std::vector<std::string>{"import", "render " + png("first.png"), "answer colour 16777215", "double-click PanelAC0"} +
        behindTheCar(3) + std::vector<std::string>{"render " + png("outside.png")});
    EXPECT_EQ(picture("outside.png").count(isGreenLight), 0);
}

TEST_F(Render, WithoutTheArchiveTheFrameIsDrawnAndTheMessageShownOnce) {
    fs::remove(game / "cars.wad");
    const std::string err = run({"import", "render " + png("a.png"), "render " + png("b.png")});
    const std::string said = "message: Sorry but as cars.wad can't be found, car shapes won't be displayed\n";
    std::size_t n = 0;
    for (std::size_t at = err.find(said); at != std::string::npos; at = err.find(said, at + 1)) ++n;
    EXPECT_EQ(n, 2u);  // once per shape, on the first frame only
    // Still a whole frame: sky above, the generated parts and the track below.
    const Picture b = picture("b.png");
    EXPECT_TRUE(isSky(b.at(2, 2)));
    EXPECT_LT(b.count(isSky), b.width * b.height);
}

TEST_F(Render, AnUnwritablePictureIsAnErrorAndTheRunGoesOn) {
    const std::string err =
        run({"import", "render " + (dir.path / "no-such-folder" / "x.png").string(), "render " + png("ok.png")}, cli::kExitErrors);
    EXPECT_NE(err.find("error: Cannot create file"), std::string::npos) << err;
    EXPECT_TRUE(fs::exists(dir.path / "ok.png"));
}

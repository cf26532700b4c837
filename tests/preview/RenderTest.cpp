// Real frames of the preview, drawn by varnisk-cli's headless view on a
// generated game and probed pixel by pixel.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "TextureImages.h"
#include "cli/Cli.h"
#include "opengl/PngWriter.h"
#include "../gamedata/TestGame.h"

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

// "view" opens the preview at once, as the window's first showing does, so a
// camera selected after it is the one the next render shows; the first
// render of a run without it starts from the cockpit camera.
TEST_F(Render, ViewOpensThePreviewSoThatAChosenCameraIsRendered) {
    const fs::path dump = dir.path / "dump.json";
    auto lastFrame = [&](const std::vector<std::string>& lines) {
        run(lines + std::vector<std::string>{"dump \"" + dump.string() + "\""});
        std::stringstream text;
        text << std::ifstream(dump).rdbuf();
        const std::string t = text.str();
        const std::size_t frames = t.find("\"frames\": ");
        const std::size_t row = t.find("\"lastFrame\": ");
        return t.substr(frames, t.find(',', frames) - frames) + " " + t.substr(row, t.find(',', row) - row);
    };
    // Camera 3 chosen as the window chooses it: its field pressed, then the
    // view.
    const std::vector<std::string> choose{"press LMDEdit4 left 0 0", "release 0 0", "press GLView left 0 0",
                                          "release 0 0", "render " + png("chosen.png")};
    EXPECT_EQ(lastFrame({"import", "view"}), "\"frames\": 0 \"lastFrame\": null");
    {
        // The view's set-up is no edit: the import's status stays.
        std::stringstream text;
        text << std::ifstream(dump).rdbuf();
        EXPECT_EQ(text.str().rfind("{\"status\": \"Import Done\",", 0), 0u) << text.str().substr(0, 40);
    }
    EXPECT_EQ(lastFrame(std::vector<std::string>{"import", "view"} + choose), "\"frames\": 2 \"lastFrame\": {\"row\": 4");
    EXPECT_EQ(lastFrame(std::vector<std::string>{"import"} + choose), "\"frames\": 1 \"lastFrame\": {\"row\": 105");
}

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

namespace {

bool isGrass(Picture::Pixel p) { return p.g > p.r + 15 && p.g > p.b + 15; }
bool isWhite(Picture::Pixel p) { return p.r > 235 && p.g > 235 && p.b > 235; }
bool isTrack(Picture::Pixel p) {
    return std::abs(p.r - p.g) < 16 && std::abs(p.g - p.b) < 16 && p.r > 25 && p.r < 170;
}
bool isMagenta(Picture::Pixel p) { return p.r > p.g + 25 && p.b > p.g + 25; }

double centreX(const Picture& p, const std::function<bool(Picture::Pixel)>& test) {
    double sum = 0;
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (test(p.at(x, y))) sum += x, ++n;
    return n == 0 ? -1 : sum / n;
}

}  // namespace

TEST_F(Render, TheCockpitAndTheChaseCameraSeeTrackLinesAndGrass) {
    run({"import", "render " + png("cockpit.png"), "paste LMDEdit101 280", "paste LMDEdit102 70", "click Switch",
         "click Switch", "render " + png("chase.png")});
    for (const char* name : {"cockpit.png", "chase.png"}) {
        SCOPED_TRACE(name);
        const Picture p = picture(name);
        EXPECT_TRUE(isSky(p.at(2, 2)));
        EXPECT_GT(p.count(isTrack), 2000);
        EXPECT_GT(p.count(isWhite), 30);
        EXPECT_GT(p.count(isGrass), 100);
        // The ground lies below the sky.
        EXPECT_FALSE(isSky(p.at(p.width / 2, p.height - 3)));
    }
}

TEST_F(Render, ATyreShowsInTheRimColourWhereItsPositionPutsIt) {
    const std::vector<std::string> opening = {"import", "render " + png("first.png"), "answer colour 16711935",
                                            "double-click PanelRC0", "render " + png("before.png")};
    run(opening + std::vector<std::string>{"paste LMDTP1 40", "render " + png("after.png")});
    const Picture before = picture("before.png"), after = picture("after.png");
    EXPECT_GT(before.count(isMagenta), 200);
    EXPECT_GT(after.count(isMagenta), 200);
    // The front right tyre moved across: the rims' middle follows it.
    EXPECT_GT(std::abs(centreX(after, isMagenta) - centreX(before, isMagenta)), 3.0);
}

TEST_F(Render, TheSteeringWheelsClearSurroundingsShowWhatIsBehind) {
    // The cockpit view with its wheel, and with the wheel raised far out of
    // sight: the pixels the wheel covers are the ones that differ.
    // The lights a frame's lists switch carry over into the next frame, so the
    // first frame after the set-up is lit differently: both pictures come later.
    run({"import", "render " + png("first.png"), "render " + png("wheel.png"), "paste LMDSW2 5000",
         "render " + png("nowheel.png")});
    const Picture with = picture("wheel.png"), without = picture("nowheel.png");
    int left = with.width, right = -1, top = with.height, bottom = -1, changed = 0;
    for (int y = 0; y < with.height; ++y) {
        for (int x = 0; x < with.width; ++x) {
            const auto a = with.at(x, y), b = without.at(x, y);
            if (a.r != b.r || a.g != b.g || a.b != b.b) {
                ++changed;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GT(right - left, 40);
    ASSERT_GT(bottom - top, 30);
    // The wheel is round in a square box: at the corners of what it covers,
    // the box is clear and the picture behind it is unchanged.
    auto same = [&](int x, int y) {
        const auto a = with.at(x, y), b = without.at(x, y);
        return a.r == b.r && a.g == b.g && a.b == b.b;
    };
    const int inset = 3;
    EXPECT_TRUE(same(left + inset, top + inset));
    EXPECT_TRUE(same(right - inset, top + inset));
    // Rim, spokes and hub cover well under half of their square.
    EXPECT_LT(changed, (right - left + 1) * (bottom - top + 1) / 2);
}

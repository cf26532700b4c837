#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "BytesRead.h"
#include "ShapeWriter.h"
#include "TextureImages.h"
#include "files/GameFiles.h"
#include "gamedata/GameFolder.h"
#include "preview/RecordingGl.h"
#include "preview/Scene.h"
#include "preview/ShapeLoader.h"
#include "shapes/ShapeFormat.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

using Call = RecordingGl::Call;

Call call(std::string op, std::vector<double> args) { return Call{std::move(op), std::move(args)}; }

// One triangle with its texture index, u of its first vertex and v.
gg::ShapeModel triangleModel(std::vector<std::string> textures, std::int32_t textureIndex, float u0 = 0.25f) {
    gg::ShapeModel m;
    m.name = "tri";
    m.materials = {"m"};
    m.textures = std::move(textures);
    gg::ShapeObject o;
    o.vertices = {{{0.1f, 0.2f, 0.3f}, {0, 1, 0}, {u0, 0.75f}},
                  {{0.4f, 0.5f, 0.6f}, {0, 0, 1}, {0.5f, 0.5f}},
                  {{0.7f, 0.8f, 0.9f}, {1, 0, 0}, {1.0f, 0.0f}}};
    o.faces = {{2, 0, 1}};
    o.groups = {{0, 1, textureIndex}};
    m.objects = {o};
    return m;
}

struct Entry {
    std::string name;
    Bytes data;
    std::uint32_t sizeInDirectory = 0;  // 0: the data's size
};

// An archive: count, 136-byte directory entries, then the entries' data.
Bytes archive(const std::vector<Entry>& entries, bool cutLast = false) {
    Bytes out(4 + 136 * entries.size(), 0);
    putU32(out, 0, static_cast<std::uint32_t>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = 4 + 136 * i;
        std::copy(entries[i].name.begin(), entries[i].name.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
        putU32(out, at + 128, static_cast<std::uint32_t>(out.size()));
        const std::size_t size = entries[i].sizeInDirectory ? entries[i].sizeInDirectory : entries[i].data.size();
        putU32(out, at + 132, static_cast<std::uint32_t>(size));
        out.insert(out.end(), entries[i].data.begin(), entries[i].data.end());
    }
    if (cutLast) out.resize(out.size() - 10);
    return out;
}

struct Loader : ::testing::Test {
    TestGame g;
    RecordingGl gl;
    SceneState scene;
    fs::path textures;

    void SetUp() override {
        textures = g.folder() / "CamTextures";
        texgen::writeTextureFolder(textures.string());
        ASSERT_TRUE(g.importAll());
        ASSERT_TRUE(g.editor.dispatch([&] { glControlSetup(g.editor, scene, gl, "/nonexistent"); }));
    }

    // The archive in use becomes one of the test's own.
    void useArchive(const Bytes& bytes) {
        const fs::path p = g.folder() / "test.wad";
        writeBytes(p, bytes);
        g.editor.ManualWadPath = p.string();
    }
    bool load(const std::string& name, int slot) {
        gl.clearCalls();
        return g.editor.dispatch([&] { loadWadShape(g.editor, scene, gl, g.ui, wadPath(g.editor), name, slot); });
    }
    GLuint list(int slot) const { return scene.ListBase + static_cast<GLuint>(slot); }
    const CompiledShape* shape(int slot) const {
        auto it = scene.shapes.find(slot);
        return it == scene.shapes.end() ? nullptr : &it->second;
    }
    std::vector<Call> ops(int slot, const std::string& op) const {
        std::vector<Call> out;
        for (const Call& c : gl.lists.at(list(slot))) {
            if (c.op == op) out.push_back(c);
        }
        return out;
    }
};

}  // namespace

TEST(LookupName, ComparesTheBareFileNameInLowerCase) {
    EXPECT_EQ(lookupName("cars\\Cockpit\\Cockpit_Dash.gp4"), "cockpit_dash.gp4");
    EXPECT_EQ(lookupName(std::string("car\0s\\ab\0C", 11)), "abc");  // every NUL goes, not only the padding
    EXPECT_EQ(lookupName("car_\xC9QUIPE.gp4"), "car_\xE9quipe.gp4");
    EXPECT_EQ(lookupName("a/b.gp4"), "a/b.gp4");  // only the game's own separator splits
}

TEST(ShapeTexturePath, MapsEveryNameToATgaOfTheSameStem) {
    EXPECT_EQ(shapeTexturePath("/t", "body.bmp"), joinPath("/t", "body.tga"));
    EXPECT_EQ(shapeTexturePath("/t", "BODY.TGA"), joinPath("/t", "BODY.tga"));
    // A name from a shape never leaves the texture folder.
    EXPECT_EQ(shapeTexturePath("/t", "..\\..\\secret.bmp"), joinPath("/t", "secret.tga"));
    EXPECT_EQ(shapeTexturePath("/t", "../../etc/passwd.bmp"), joinPath("/t", "passwd.tga"));
}

TEST_F(Loader, FindsAnEntryByItsBareNameInAnyCaseAndTakesTheFirstMatch) {
    const Bytes first = gg::encodeShape(triangleModel({}, 0), 4);
    gg::ShapeModel other = triangleModel({}, 0);
    other.name = "second";
    useArchive(archive({{"cars\\misc.dat", Bytes(40, 7)},
                        {"cars\\Cockpit\\Cockpit_Dash.gp4", first},
                        {"other\\COCKPIT_DASH.GP4", gg::encodeShape(other, 5)}}));
    ASSERT_TRUE(load("cockpit_dash.gp4", kSlotDashboard));
    ASSERT_NE(shape(kSlotDashboard), nullptr);
    EXPECT_EQ(shape(kSlotDashboard)->shape.name, "tri");
    const ShapeLookup& l = scene.lookups.back();
    EXPECT_TRUE(l.found);
    EXPECT_EQ(l.size, first.size());
    EXPECT_EQ(l.offset, 4u + 3 * 136 + 40);
}

// A shape the archive does not hold (the car of a team with a built-in
// name) leaves the slot empty: the car of another team is not drawn as its.
TEST_F(Loader, ANameTheDirectoryLacksEmptiesTheSlot) {
    useArchive(archive({{"cars\\car_a_car1_lod_0.gp4", gg::encodeShape(triangleModel({}, 0), 4)}}));
    ASSERT_TRUE(load("car_a_car1_lod_0.gp4", kSlotCar));
    ASSERT_FALSE(gl.lists.at(list(kSlotCar)).empty());
    ASSERT_TRUE(load("car_b_car1_lod_0.gp4", kSlotCar));
    EXPECT_FALSE(scene.lookups.back().found);
    EXPECT_TRUE(gl.lists.at(list(kSlotCar)).empty());
    EXPECT_EQ(shape(kSlotCar), nullptr);

    ASSERT_TRUE(load("car_a_car1_lod_0.gp4", kSlotCar));
    const std::vector<Call> before = gl.lists.at(list(kSlotCar));
    ASSERT_FALSE(before.empty());
    useArchive(archive({}));  // no entries at all
    ASSERT_TRUE(load("car_a_car1_lod_0.gp4", kSlotCar));
    EXPECT_FALSE(scene.lookups.back().found);
    EXPECT_TRUE(gl.lists.at(list(kSlotCar)).empty());
}

TEST_F(Loader, AShapeThatCannotBeDrawnIsReportedAndTheSlotKeepsItsList) {
    useArchive(archive({{"good.gp4", gg::encodeShape(triangleModel({}, 0), 4)}}));
    ASSERT_TRUE(load("good.gp4", kSlotCar));
    const std::vector<Call> before = gl.lists.at(list(kSlotCar));

    gg::ShapeModel pastVertices = triangleModel({}, 0);
    pastVertices.objects[0].faces = {{0, 1, 3}};
    gg::ShapeModel pastTriangles = triangleModel({}, 0);
    pastTriangles.objects[0].groups = {{0, 2, 0}};
    Bytes flashlight = gg::encodeShape(triangleModel({}, 0), 4);
    flashlight[9] = 'X';  // the signature no longer ends in "H"
    struct Case {
        const char* what;
        Bytes bytes;
        bool cut;
        std::string said;
    };
    const std::string damaged = "bad.gp4 in test.wad is damaged: ";
    for (const Case& c : {Case{"face index", gg::encodeShape(pastVertices, 4), false, damaged},
                          Case{"group", gg::encodeShape(pastTriangles, 7), false, damaged},
                          Case{"cut short", gg::encodeShape(triangleModel({}, 0), 5), true, damaged},
                          Case{"flashlight", flashlight, false, "Sorry but this tool can't edit flashlights .gp4 files"}}) {
        SCOPED_TRACE(c.what);
        useArchive(archive({{"good.gp4", Bytes(8, 1)}, {"bad.gp4", c.bytes}}, c.cut));
        const std::size_t said = g.ui.messages().size();
        EXPECT_TRUE(load("bad.gp4", kSlotCar));
        ASSERT_EQ(g.ui.messages().size(), said + 1);
        EXPECT_EQ(g.ui.messages().back().substr(0, c.said.size()), c.said);
        EXPECT_EQ(gl.lists.at(list(kSlotCar)), before);
        EXPECT_EQ(shape(kSlotCar)->entry, "good.gp4");
    }
}

TEST_F(Loader, AnEntryLongerThanItsDirectorySizeIsReadWhole) {
    const Bytes bytes = gg::encodeShape(triangleModel({}, 0), 7);
    useArchive(archive({{"car.gp4", bytes, 20}}));
    ASSERT_TRUE(load("car.gp4", kSlotCar));
    ASSERT_NE(shape(kSlotCar), nullptr);
    EXPECT_EQ(shape(kSlotCar)->shape.objects.at(0).triangles.size(), 1u);
}

TEST_F(Loader, TheCarCompilesInShapeUnitsMirroredWithItsTexturesOrTheArmColour) {
    // body.bmp maps to body.tga, which exists and ends in "." NUL (stored
    // upside down); paint.bmp has no file.
    Bytes tga = readBytes(textures / "arm.tga");
    tga.push_back('.');
    tga.push_back(0);
    writeBytes(textures / "body.tga", tga);
    gg::ShapeModel m = triangleModel({"body.bmp", "paint.bmp"}, 0, 20000);
    m.objects[0].faces.push_back({0, 1, 2});
    m.objects[0].groups = {{0, 1, 0}, {1, 1, 1}};
    useArchive(archive({{"car.gp4", gg::encodeShape(m, 5)}}));
    g.editor.preview.CockpitView = true;
    g.editor.preview.ArmMaterial = {0.25f, 0.5f, 0.75f, 1};
    ASSERT_TRUE(load("car.gp4", kSlotCar));

    const CompiledShape& s = *shape(kSlotCar);
    ASSERT_EQ(s.textures.size(), 3u);
    EXPECT_NE(s.textures[0], 0u);
    EXPECT_EQ(s.textures[1], 0u);
    EXPECT_EQ(s.flipV, (std::vector<bool>{true, false}));
    EXPECT_EQ(s.shape.objects[0].texCoords[0][0], 1.0f);  // u above 10000 became 1, and stays so

    const std::vector<Call> inList = gl.lists.at(list(kSlotCar));
    auto at = [&inList](const Call& c) { return std::find(inList.begin(), inList.end(), c) - inList.begin(); };
    const auto translate = at(call("translate", {0, -18, 170}));
    const auto scale = at(call("scale", {-200, 200, 200}));
    EXPECT_LT(translate, scale);
    EXPECT_LT(at(call("disable", {GL_ALPHA_TEST})), translate);
    EXPECT_LT(at(call("enable", {GL_TEXTURE_2D})), translate);
    EXPECT_EQ(ops(kSlotCar, "bindTexture"),
              (std::vector<Call>{call("bindTexture", {GL_TEXTURE_2D, double(s.textures[0])}), call("bindTexture", {GL_TEXTURE_2D, 0})}));
    const std::vector<Call> diffuse = [&] {
        std::vector<Call> d;
        for (const Call& c : ops(kSlotCar, "materialfv")) {
            if (c.args[1] == GL_DIFFUSE) d.push_back(c);
        }
        return d;
    }();
    EXPECT_EQ(diffuse, (std::vector<Call>{call("materialfv", {GL_FRONT_AND_BACK, GL_DIFFUSE, 1, 1, 1, 1}),
                                          call("materialfv", {GL_FRONT_AND_BACK, GL_DIFFUSE, 0.25, 0.5, 0.75, 1})}));
    // The first triangle: its vertices in stored order (2, 0, 1), each as
    // texture coordinate, normal, position; v flipped for the upside-down file.
    const auto first = at(call("begin", {GL_TRIANGLES}));
    const std::vector<Call> vertices(inList.begin() + first + 2, inList.begin() + first + 11);
    EXPECT_EQ(vertices, (std::vector<Call>{call("texCoord", {1, 1}), call("normal", {1, 0, 0}), call("vertex", {0.7f, 0.8f, 0.9f}),
                                           call("texCoord", {1, 0.25}), call("normal", {0, 1, 0}), call("vertex", {0.1f, 0.2f, 0.3f}),
                                           call("texCoord", {0.5, 0.5}), call("normal", {0, 0, 1}), call("vertex", {0.4f, 0.5f, 0.6f})}));
    // The second group's file is missing: v as stored.
    EXPECT_EQ(ops(kSlotCar, "texCoord").at(3), call("texCoord", {1, 0.75}));
    // Undone in reverse at the end.
    const std::vector<Call> tail(inList.end() - 2, inList.end());
    EXPECT_EQ(tail, (std::vector<Call>{call("scale", {-1.0f / 200, 1.0f / 200, 1.0f / 200}), call("translate", {0, 18, -170})}));
}

TEST_F(Loader, TheDashboardSitsAtItsPositionWithTheDisplayTextureAndAlphaTest) {
    g.editor.game.cockpit[0] = 0.01f;
    g.editor.game.cockpit[1] = 0.25f;
    g.editor.game.cockpit[2] = 0.5f;
    g.editor.preview.CockpitView = false;
    useArchive(archive({{"cockpit_dash.gp4", gg::encodeShape(triangleModel({"dash.bmp"}, 0), 4)}}));
    ASSERT_TRUE(load("cockpit_dash.gp4", kSlotDashboard));
    const CompiledShape& s = *shape(kSlotDashboard);
    ASSERT_NE(s.textures.back(), 0u);  // new_steering_wheel_displays.tga
    const std::vector<Call>& inList = gl.lists.at(list(kSlotDashboard));
    EXPECT_EQ(inList[0], call("materialfv", {GL_FRONT_AND_BACK, GL_SPECULAR, 1, 1, 1, 1}));
    EXPECT_EQ(inList[1], call("materialf", {GL_FRONT_AND_BACK, GL_SHININESS, 4}));
    EXPECT_EQ(inList[2], call("materialfv", {GL_FRONT_AND_BACK, GL_AMBIENT, 1, 1, 1, 1}));
    EXPECT_EQ(inList[4], call("enable", {GL_ALPHA_TEST}));
    EXPECT_EQ(inList[5], call("translate", {0.6f - 200 * 0.01f, 200 * 0.25f + 3, 100 * 0.5f - 5}));
    EXPECT_EQ(ops(kSlotDashboard, "bindTexture"), (std::vector<Call>{call("bindTexture", {GL_TEXTURE_2D, double(s.textures.back())})}));
    const std::vector<Call> tail(inList.end() - 3, inList.end());
    EXPECT_EQ(tail, (std::vector<Call>{call("scale", {-1.0f / 200, 1.0f / 200, 1.0f / 200}),
                                       call("translate", {200 * 0.01f - 0.6f, 3 - 200 * 0.25f, 5 - 100 * 0.5f}),
                                       call("disable", {GL_ALPHA_TEST})}));
}

TEST_F(Loader, RecompilingReleasesTheTexturesOfTheEarlierCompile) {
    writeBytes(textures / "body.tga", readBytes(textures / "arm.tga"));
    useArchive(archive({{"car.gp4", gg::encodeShape(triangleModel({"body.bmp"}, 0), 4)}}));
    ASSERT_TRUE(load("car.gp4", kSlotCar));
    const std::size_t held = gl.textures.size();
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(load("car.gp4", kSlotCar));
    EXPECT_EQ(gl.textures.size(), held);
}

TEST_F(Loader, AnArchiveThatCannotBeReadIsSaidOnceAndTheFrameGoesOn) {
    Bytes cut = archive({{"car.gp4", gg::encodeShape(triangleModel({}, 0), 4)}, {"other.gp4", Bytes(64, 1)}});
    cut.resize(200);  // inside the directory
    useArchive(cut);
    const std::size_t said = g.ui.messages().size();
    EXPECT_TRUE(load("car.gp4", kSlotCar));  // no error ends the frame
    ASSERT_EQ(g.ui.messages().size(), said + 1);
    EXPECT_NE(g.ui.messages().back().find("test.wad is damaged"), std::string::npos) << g.ui.messages().back();
    EXPECT_NE(g.ui.messages().back().find("Car shapes won't be displayed."), std::string::npos);
    EXPECT_FALSE(scene.lookups.back().found);
    EXPECT_EQ(shape(kSlotCar), nullptr);
}

// ---------------------------------------------------------------- what a crafted file may cost

namespace {

using varnisk::readcount::bytesRead;

std::size_t callsOf(const RecordingGl& gl, const std::string& op) {
    return static_cast<std::size_t>(
        std::count_if(gl.calls.begin(), gl.calls.end(), [&](const Call& c) { return c.op == op; }));
}

}  // namespace

// Names of one file share one texture, made once, and released once: a shape
// that names one file 20,000 times makes one texture, not 20,000.
TEST_F(Loader, NamesOfOneFileShareOneTexture) {
    writeBytes(textures / "body.tga", readBytes(textures / "arm.tga"));
    Bytes bad = readBytes(textures / "arm.tga");
    bad[16] = 16;  // 16 bits a pixel: refused
    writeBytes(textures / "bad.tga", bad);
    std::vector<std::string> names(20000, "body.bmp");
    names.push_back("BODY.tga");  // another file where letter case counts
    names.push_back("body.tga");  // the same file as body.bmp
    names.insert(names.end(), 500, "bad.bmp");
    names.insert(names.end(), 500, "missing.bmp");
    gg::ShapeModel m = triangleModel(names, 19999);
    useArchive(archive({{"car.gp4", gg::encodeShape(m, 5)}}));
    const std::size_t held = gl.textures.size();
    const std::size_t said = g.ui.messages().size();
    ASSERT_TRUE(load("car.gp4", kSlotCar));

    const CompiledShape& s = *shape(kSlotCar);
    ASSERT_EQ(s.textures.size(), names.size() + 1);
    const GLuint body = s.textures[0];
    EXPECT_NE(body, 0u);
    for (std::size_t k : {std::size_t{1}, std::size_t{19999}, std::size_t{20001}}) EXPECT_EQ(s.textures[k], body) << k;
    EXPECT_EQ(s.fileExists[20000], fs::exists(textures / "BODY.tga"));
    EXPECT_EQ(s.textures[20002], 0u);  // refused
    EXPECT_TRUE(s.fileExists[20002]);
    // body.tga and the display texture; BODY.tga too where it exists.
    const std::size_t made = 2 + (fs::exists(textures / "BODY.tga") ? 1 : 0);
    EXPECT_EQ(callsOf(gl, "genTexture"), made);
    EXPECT_EQ(gl.textures.size(), held + made);
    // The refused file is said once, the missing one not at all.
    EXPECT_EQ(g.ui.messages().size(), said + 1);
    EXPECT_EQ(ops(kSlotCar, "bindTexture"), (std::vector<Call>{call("bindTexture", {GL_TEXTURE_2D, double(body)})}));

    // A new compile deletes each texture once and makes them again.
    ASSERT_TRUE(load("car.gp4", kSlotCar));
    EXPECT_EQ(callsOf(gl, "deleteTexture"), made);
    std::vector<double> deleted;
    for (const Call& c : gl.calls) {
        if (c.op == "deleteTexture") deleted.push_back(c.args.at(0));
    }
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(std::adjacent_find(deleted.begin(), deleted.end()), deleted.end());
    EXPECT_EQ(gl.textures.size(), held + made);
}

// The scene's texture budget follows the textures the shapes hold.
TEST_F(Loader, TheTextureBudgetCountsTheShapesTexturesUntilReleased) {
    writeBytes(textures / "body.tga", readBytes(textures / "arm.tga"));
    useArchive(archive({{"car.gp4", gg::encodeShape(triangleModel({"body.bmp", "body.bmp"}, 0), 5)}}));
    const TextureBudget& budget = scene.textureBudget;
    const std::uint64_t fixedOnly = budget.used();
    EXPECT_GT(fixedOnly, 0u);
    ASSERT_TRUE(load("car.gp4", kSlotCar));
    const std::uint64_t withCar = budget.used();
    EXPECT_GT(withCar, fixedOnly);
    ASSERT_TRUE(load("car.gp4", kSlotCar));
    EXPECT_EQ(budget.used(), withCar);
    ASSERT_TRUE(load("other.gp4", kSlotCar));  // not in the archive: the slot is emptied
    EXPECT_EQ(budget.used(), fixedOnly);
    ASSERT_TRUE(load("car.gp4", kSlotCar));
    ASSERT_TRUE(g.editor.dispatch([&] { releaseScene(scene, gl); }));
    EXPECT_EQ(budget.used(), 0u);
    EXPECT_TRUE(gl.textures.empty());
}

// A shape whose counts go past what a shape holds is refused as damaged,
// naming the entry and the archive, and the slot keeps what it had.
TEST_F(Loader, AShapeOfTooManyNamesGroupsOrObjectsIsRefusedByName) {
    useArchive(archive({{"good.gp4", gg::encodeShape(triangleModel({}, 0), 5)}}));
    ASSERT_TRUE(load("good.gp4", kSlotCar));
    const std::vector<Call> before = gl.lists.at(list(kSlotCar));

    gg::ShapeModel names = triangleModel({}, 0);
    names.textures.assign(kMaxShapeNames + 1, "");
    gg::ShapeModel groups = triangleModel({}, 0);
    groups.objects[0].groups.assign(kMaxShapeGroups + 1, gg::ShapeGroup{0, 0, 0});
    gg::ShapeModel objects = triangleModel({}, 0);
    objects.objects.assign(kMaxShapeObjects + 1, gg::ShapeObject{});
    struct Case { const char* what; const gg::ShapeModel& model; std::string problem; };
    for (const Case& c : {Case{"names", names, "a count of 65537 texture names is more than the 65536 a shape holds"},
                          Case{"groups", groups, "the 65537 groups of object 0 bring the shape's groups to 65537"},
                          Case{"objects", objects, "a count of 65537 objects is more than the 65536 a shape holds"}}) {
        SCOPED_TRACE(c.what);
        useArchive(archive({{"good.gp4", Bytes(8, 1)}, {"crafted.gp4", gg::encodeShape(c.model, 5)}}));
        const std::size_t said = g.ui.messages().size();
        gl.textures.clear();
        ASSERT_TRUE(load("crafted.gp4", kSlotCar));
        ASSERT_EQ(g.ui.messages().size(), said + 1);
        const std::string& message = g.ui.messages().back();
        EXPECT_EQ(message.rfind("crafted.gp4 in test.wad is damaged: ", 0), 0u) << message;
        EXPECT_NE(message.find(c.problem), std::string::npos) << message;
        EXPECT_EQ(gl.lists.at(list(kSlotCar)), before);
        EXPECT_EQ(shape(kSlotCar)->entry, "good.gp4");
        EXPECT_EQ(callsOf(gl, "genTexture"), 0u);
    }
}

// Many look-ups in one archive read its directory once: later ones read the
// count and the one record they find.
TEST_F(Loader, TheDirectoryIsReadOnceForManyLookUps) {
    fs::remove(textures / "new_steering_wheel_displays.tga");  // so a compile reads no texture
    std::vector<Entry> entries;
    for (int i = 0; i < 3000; ++i) entries.push_back({"cars\\part_" + std::to_string(i) + ".dat", Bytes(4, 1)});
    const Bytes car = gg::encodeShape(triangleModel({}, 0), 5);
    entries.push_back({"cars\\Car.gp4", car});
    entries.push_back({"cars\\car.GP4", Bytes(8, 2)});  // the first match wins
    useArchive(archive(entries));
    const std::uint64_t directory = 136 * entries.size();

    const std::optional<std::uint64_t> start = bytesRead();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(load("car.gp4", kSlotCar));
        ASSERT_TRUE(scene.lookups.back().found);
        EXPECT_EQ(scene.lookups.back().size, car.size());
        ASSERT_TRUE(load("part_2999.dat", kSlotDashboard));  // found, but no shape: said, and the slot kept
        ASSERT_TRUE(load("none.gp4", kSlotDashboard));
        ASSERT_FALSE(scene.lookups.back().found);
    }
    ASSERT_TRUE(scene.wadIndex.has_value());
    EXPECT_EQ(scene.wadIndex->size(), entries.size());
    if (const std::optional<std::uint64_t> end = bytesRead(); start && end) {
        // Each of the 300 look-ups reading the directory would be 300 times it.
        EXPECT_LT(*end - *start, directory + 300 * 1024) << "directory of " << directory << " bytes";
    }
}

// The kept directory is the file's as it is now: a file rewritten in place,
// at the same size and perhaps within the same tick of the file clock, is
// read again when the count or the record found no longer agree.
TEST_F(Loader, AnArchiveRewrittenInPlaceIsLookedUpAfresh) {
    const Bytes a = gg::encodeShape(triangleModel({}, 0), 5);
    gg::ShapeModel otherModel = triangleModel({}, 0);
    otherModel.name = "irt";  // the same size
    const Bytes b = gg::encodeShape(otherModel, 5);
    ASSERT_EQ(a.size(), b.size());
    useArchive(archive({{"one.gp4", a}, {"two.gp4", b}}));
    ASSERT_TRUE(load("two.gp4", kSlotCar));
    EXPECT_EQ(shape(kSlotCar)->shape.name, "irt");
    useArchive(archive({{"two.gp4", a}, {"one.gp4", b}}));  // the names swapped
    ASSERT_TRUE(load("two.gp4", kSlotCar));
    EXPECT_EQ(shape(kSlotCar)->shape.name, "tri");
    EXPECT_EQ(scene.lookups.back().offset, 4u + 2 * 136);
    useArchive(archive({{"two.gp4", a}}));  // fewer entries
    ASSERT_TRUE(load("one.gp4", kSlotCar));
    EXPECT_FALSE(scene.lookups.back().found);
}

// A directory that claims more entries than any archive holds is refused
// before it is read, however long the (sparse) file: the look-up says so
// at once, naming the file, and the frame goes on.
TEST_F(Loader, ADirectoryOfMillionsOfEntriesIsRefusedAtOnce) {
    for (const std::uint32_t count : {static_cast<std::uint32_t>(kMaxArchiveEntries) + 1, 0x7FFFFFFFu}) {
        SCOPED_TRACE(count);
        Bytes head(4, 0);  // then entries of empty names, which a scan would read to the end
        putU32(head, 0, count);
        useArchive(head);
        // Sparse: nothing is written. Where the system makes no file that
        // long, the count is refused all the same: it is tested first.
        std::error_code ec;
        fs::resize_file(g.folder() / "test.wad", 4 + 136ull * count, ec);
        const std::size_t said = g.ui.messages().size();
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(load("car.gp4", kSlotCar));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 2.0);
        ASSERT_EQ(g.ui.messages().size(), said + 1);
        EXPECT_EQ(g.ui.messages().back(), "test.wad is damaged: its directory claims " + std::to_string(count) +
                                              " entries, more than the 1048576 an archive holds. "
                                              "Car shapes won't be displayed.");
        EXPECT_FALSE(scene.lookups.back().found);
        fs::remove(g.folder() / "test.wad");
    }
}

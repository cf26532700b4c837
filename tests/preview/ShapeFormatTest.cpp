#include "shapes/ShapeFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/Bytes.h"

using namespace varnisk;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Status = ShapeDecodeResult::Status;

// ---------------------------------------------------------------- the writer

struct VertexSpec {
    std::array<float, 3> position{};
    std::array<float, 3> normal{};
    std::array<float, 2> uv{};
};

struct ObjectSpec {
    std::int32_t groupKind = 0;
    std::int32_t extraUnits = 0;
    std::vector<VertexSpec> vertices;
    std::vector<std::array<std::int32_t, 3>> triangles;
    std::vector<std::array<std::int32_t, 7>> groups;  // written up to the kind's record size
    std::vector<std::vector<std::int32_t>> indexLists;
    // Declared counts when they differ from the records written.
    std::optional<std::int32_t> faceCount, vertexCount, groupCount, indexListCount, declaredExtraUnits;
};

struct ShapeSpec {
    int version = 7;
    std::optional<std::array<std::uint8_t, 14>> signature;  // else "GP4SHAPEH", NULs, the digit
    std::string name = "car body";
    std::vector<std::string> materials;
    std::int32_t records80 = 0;  // version 7's 80-byte records
    std::vector<std::string> section7Names;
    std::vector<std::string> textures;
    std::vector<std::string> section9Names;
    std::vector<ObjectSpec> objects;
    std::optional<std::int32_t> objectCount, materialCount, records80Count, section7Count, textureCount,
        section9Count;
};

// Uninterpreted bytes are written as 0x5A, so a reader that skips the wrong
// number of them meets a huge count or a bad index.
void filler(Bytes& out, std::size_t n) { out.insert(out.end(), n, std::uint8_t{0x5A}); }

void i32(Bytes& out, std::int32_t v) { bytes::addU32(out, static_cast<std::uint32_t>(v)); }

// A quoted string; from 100 characters on, the first 100 with no closing quote.
void quoted(Bytes& out, const std::string& s) {
    out.push_back('"');
    if (s.size() >= 100) {
        out.insert(out.end(), s.begin(), s.begin() + 100);
        return;
    }
    out.insert(out.end(), s.begin(), s.end());
    out.push_back('"');
}

void block16(Bytes& out, std::int32_t count) {
    filler(out, 12);
    i32(out, count);
}

std::int32_t count(const std::optional<std::int32_t>& declared, std::size_t actual) {
    return declared ? *declared : static_cast<std::int32_t>(actual);
}

std::size_t groupSize(std::int32_t kind) { return kind == 23 ? 20 : kind == 39 ? 24 : 28; }

Bytes writeShape(const ShapeSpec& s) {
    Bytes out;
    if (s.signature) {
        out.insert(out.end(), s.signature->begin(), s.signature->end());
    } else {
        out = {'G', 'P', '4', 'S', 'H', 'A', 'P', 'E', 'H', 0, 0, 0, 0, static_cast<std::uint8_t>('0' + s.version)};
    }
    const int v = s.version;
    quoted(out, s.name);
    if (v == 7) filler(out, 4);
    i32(out, count(s.objectCount, s.objects.size()));
    filler(out, 12);
    i32(out, count(s.materialCount, s.materials.size()));
    for (const std::string& m : s.materials) {
        filler(out, 4);
        quoted(out, m);
        filler(out, 24 + 64);
        if (v > 4) filler(out, 16);
        filler(out, 16 + 8 + 28 + 16);
        filler(out, v == 7 ? 16 : 8);
    }
    if (v == 7) {
        block16(out, count(s.records80Count, static_cast<std::size_t>(s.records80)));
        filler(out, static_cast<std::size_t>(s.records80) * 80);
    }
    if (v > 4) {
        block16(out, count(s.section7Count, s.section7Names.size()));
        for (const std::string& n : s.section7Names) {
            filler(out, 4);
            quoted(out, n);
            filler(out, 72);
        }
    }
    block16(out, count(s.textureCount, s.textures.size()));
    for (const std::string& t : s.textures) quoted(out, t);
    block16(out, count(s.section9Count, s.section9Names.size()));
    for (const std::string& n : s.section9Names) {
        quoted(out, n);
        filler(out, 64 + (v == 4 ? 76 : 80));
    }
    for (std::size_t o = 0; o < s.objects.size(); ++o) {
        const ObjectSpec& obj = s.objects[o];
        filler(out, o == 0 ? 8 : 12);
        i32(out, count(obj.faceCount, obj.triangles.size()));
        i32(out, count(obj.vertexCount, obj.vertices.size()));
        i32(out, obj.groupKind);
        i32(out, obj.declaredExtraUnits.value_or(obj.extraUnits));
        filler(out, 8);
        for (std::size_t i = 0; i < obj.vertices.size(); ++i) {
            const VertexSpec& vx = obj.vertices[i];
            for (float f : vx.position) bytes::addF32(out, f);
            for (float f : vx.normal) bytes::addF32(out, f);
            for (float f : vx.uv) bytes::addF32(out, f);
            // Opaque bytes that tell vertices and units apart.
            for (std::int32_t u = 0; u < std::max(obj.extraUnits, 0) * 8; ++u) {
                out.push_back(static_cast<std::uint8_t>(i * 16 + static_cast<std::size_t>(u)));
            }
        }
        filler(out, 8);
        for (const auto& t : obj.triangles) {
            for (std::int32_t index : t) i32(out, index);
            filler(out, 4);
        }
        filler(out, 12);
        i32(out, count(obj.groupCount, obj.groups.size()));
        for (const auto& g : obj.groups) {
            for (std::size_t k = 0; k < groupSize(obj.groupKind) / 4; ++k) i32(out, g[k]);
        }
        filler(out, 12);
        i32(out, count(obj.indexListCount, obj.indexLists.size()));
        for (const auto& list : obj.indexLists) {
            filler(out, 4);
            i32(out, static_cast<std::int32_t>(list.size()));
            for (std::int32_t index : list) i32(out, index);
        }
    }
    filler(out, 8);
    return out;
}

// An object of `n` vertices on a strip, n - 2 triangles and two groups.
ObjectSpec stripObject(int n, std::int32_t groupKind, std::int32_t extraUnits, float base) {
    ObjectSpec obj;
    obj.groupKind = groupKind;
    obj.extraUnits = extraUnits;
    for (int i = 0; i < n; ++i) {
        const float f = base + static_cast<float>(i);
        obj.vertices.push_back({{f, f + 0.25f, -f}, {0.0f, 1.0f, f / 100.0f}, {f / 10.0f, 1.0f - f / 10.0f}});
    }
    for (int i = 0; i + 2 < n; ++i) obj.triangles.push_back({i, i + 1, i + 2});
    const auto faces = static_cast<std::int32_t>(obj.triangles.size());
    obj.groups.push_back({0, 1, 101, 102, 1, 105, 106});
    obj.groups.push_back({1, faces - 1, 201, 202, 0, 205, 206});
    obj.indexLists = {{0, 1, 2}, {}, {static_cast<std::int32_t>(n - 1)}};
    return obj;
}

ShapeSpec sampleShape(int version, std::vector<std::int32_t> kinds = {23, 39, 0}, std::int32_t extraUnits = 1) {
    ShapeSpec s;
    s.version = version;
    s.materials = {"paint", "carbon"};
    s.records80 = 2;
    s.section7Names = {"lod a", "lod b", "lod c"};
    s.textures = {"body.bmp", "numbers.tga"};
    s.section9Names = {"anchor"};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        s.objects.push_back(stripObject(5 + static_cast<int>(i), kinds[i], extraUnits, 10.0f * static_cast<float>(i)));
    }
    return s;
}

ShapeDecodeResult decode(const Bytes& b) { return decodeShape(std::span<const std::uint8_t>(b)); }

// Everything the decoder keeps, against what was written.
void expectShape(const ShapeSpec& s, const ShapeData& d) {
    EXPECT_EQ(d.version, s.version);
    EXPECT_EQ(d.name, s.name.substr(0, 100));
    EXPECT_EQ(d.materials, s.materials);
    EXPECT_EQ(d.section7Names, s.version > 4 ? s.section7Names : std::vector<std::string>{});
    EXPECT_EQ(d.textures, s.textures);
    EXPECT_EQ(d.section9Names, s.section9Names);
    ASSERT_EQ(d.objects.size(), s.objects.size());
    for (std::size_t o = 0; o < s.objects.size(); ++o) {
        SCOPED_TRACE("object " + std::to_string(o));
        const ObjectSpec& want = s.objects[o];
        const ShapeObject& got = d.objects[o];
        EXPECT_EQ(got.faceCount, static_cast<std::int32_t>(want.triangles.size()));
        EXPECT_EQ(got.vertexCount, static_cast<std::int32_t>(want.vertices.size()));
        EXPECT_EQ(got.groupKind, want.groupKind);
        EXPECT_EQ(got.extraUnits, want.extraUnits);
        ASSERT_EQ(got.positions.size(), want.vertices.size());
        ASSERT_EQ(got.normals.size(), want.vertices.size());
        ASSERT_EQ(got.texCoords.size(), want.vertices.size());
        const std::size_t unitBytes = static_cast<std::size_t>(std::max(want.extraUnits, 0)) * 8;
        ASSERT_EQ(got.extra.size(), want.vertices.size() * unitBytes);
        for (std::size_t i = 0; i < want.vertices.size(); ++i) {
            EXPECT_EQ(got.positions[i], want.vertices[i].position) << i;
            EXPECT_EQ(got.normals[i], want.vertices[i].normal) << i;
            EXPECT_EQ(got.texCoords[i], want.vertices[i].uv) << i;
            for (std::size_t u = 0; u < unitBytes; ++u) {
                EXPECT_EQ(got.extra[i * unitBytes + u], static_cast<std::uint8_t>(i * 16 + u));
            }
        }
        EXPECT_EQ(got.triangles, want.triangles);
        ASSERT_EQ(got.groups.size(), want.groups.size());
        const std::size_t stored = groupSize(want.groupKind) / 4;
        for (std::size_t g = 0; g < want.groups.size(); ++g) {
            for (std::size_t k = 0; k < 7; ++k) {
                EXPECT_EQ(got.groups[g].fields[k], k < stored ? want.groups[g][k] : 0) << "group " << g << " field " << k;
            }
        }
        EXPECT_EQ(got.indexLists, want.indexLists);
    }
}

}  // namespace

// ---------------------------------------------------------------- layout variants

TEST(ShapeFormat, SectionSizesFollowTheVersion) {
    // One material and one third-list name, no objects: every fixed size of
    // the material record and the third list's tail shows in the total.
    struct Case { int version; std::size_t size; };
    // signature 14, name "s" 3, counts 20, material 4 + 3 + record, texture
    // block 16, third list 16 + 3 + 64 + tail, trailer 8.
    const std::size_t common = 14 + 3 + 20 + 4 + 3 + 16 + 16 + 3 + 64 + 8;
    for (const Case c : {Case{4, common + 164 + 76},
                         Case{5, common + 180 + 16 + 80},          // + the second list's block
                         Case{7, common + 4 + 188 + 16 + 16 + 80},  // + 4 after the name, 80-byte block
                         Case{3, common + 164 + 80},                // below 4: short record, 80-byte tail
                         Case{9, common + 180 + 16 + 80}}) {
        SCOPED_TRACE(c.version);
        ShapeSpec s;
        s.version = c.version;
        s.name = "s";
        s.materials = {"m"};
        s.section9Names = {"n"};
        ASSERT_EQ(writeShape(s).size(), c.size);
        // With an object behind them, a section read a byte short or long
        // misplaces the object.
        s.objectCount = 1;
        s.objects = {stripObject(4, 23, 0, 1.0f)};
        const ShapeDecodeResult r = decode(writeShape(s));
        ASSERT_EQ(r.status, Status::Ok) << r.problem;
        expectShape(s, r.shape);
    }
}

TEST(ShapeFormat, DecodesEveryVariant) {
    struct Case { int version; std::vector<std::int32_t> kinds; std::int32_t extraUnits; };
    const std::vector<Case> cases = {
        {4, {23}, 0},
        {4, {0, 39}, 1},
        {5, {39, 23, 0}, 2},
        {5, {0}, -3},  // a negative unit count reads no opaque bytes
        {7, {23, 39, 0, 7}, 1},
        {7, {39}, 0},
        {6, {23, 23}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version) + " extra " + std::to_string(c.extraUnits));
        const ShapeSpec s = sampleShape(c.version, c.kinds, c.extraUnits);
        const ShapeDecodeResult r = decode(writeShape(s));
        ASSERT_EQ(r.status, Status::Ok) << r.problem;
        EXPECT_TRUE(r.problem.empty());
        expectShape(s, r.shape);
    }
}

TEST(ShapeFormat, GroupRecordsAreZeroFilledPastTheirSize) {
    struct Case { std::int32_t kind; std::array<std::int32_t, 7> fields; };
    for (const Case c : {Case{23, {0, 2, 3, 4, 1, 0, 0}}, Case{39, {0, 2, 3, 4, 1, 6, 0}},
                         Case{0, {0, 2, 3, 4, 1, 6, 7}}, Case{-23, {0, 2, 3, 4, 1, 6, 7}}}) {
        SCOPED_TRACE(c.kind);
        ShapeSpec s = sampleShape(4, {c.kind});
        s.objects[0].groups = {{0, 2, 3, 4, 1, 6, 7}, {2, 1, 3, 4, 0, 6, 7}};
        const ShapeDecodeResult r = decode(writeShape(s));
        ASSERT_EQ(r.status, Status::Ok) << r.problem;
        ASSERT_EQ(r.shape.objects[0].groups.size(), 2u);
        const ShapeGroup& g = r.shape.objects[0].groups[0];
        EXPECT_EQ(g.fields, c.fields);
        EXPECT_EQ(g.firstFace(), 0);
        EXPECT_EQ(g.faceCount(), 2);
        EXPECT_EQ(g.textureIndex(), 1);
        // The second record starts where the first one's size says.
        EXPECT_EQ(r.shape.objects[0].groups[1].firstFace(), 2);
    }
}

TEST(ShapeFormat, KeepsTextureCoordinatesAsStored) {
    ShapeSpec s = sampleShape(5, {0});
    s.objects[0].vertices[1].uv = {20000.0f, 10000.5f};
    const ShapeDecodeResult r = decode(writeShape(s));
    ASSERT_EQ(r.status, Status::Ok) << r.problem;
    EXPECT_EQ(r.shape.objects[0].texCoords[1], (std::array<float, 2>{20000.0f, 10000.5f}));
}

TEST(ShapeFormat, NegativeCountsReadNothing) {
    ShapeSpec s;
    s.version = 7;
    s.materialCount = -5;
    s.records80Count = -1;
    s.section7Count = std::numeric_limits<std::int32_t>::min();
    s.textureCount = -2;
    s.section9Count = -1;
    ObjectSpec obj = stripObject(4, 0, 0, 0.0f);
    obj.faceCount = -1;  // no triangles: only groups of no faces pass
    obj.triangles.clear();
    obj.groups = {{0, 0, 0, 0, 0, 0, 0}, {5, 0, 0, 0, 0, 0, 0}};
    obj.indexLists.clear();
    obj.indexListCount = -7;
    ObjectSpec noVertices;
    noVertices.vertexCount = -3;
    noVertices.groupCount = -1;
    s.objects = {obj, noVertices};
    const ShapeDecodeResult r = decode(writeShape(s));
    ASSERT_EQ(r.status, Status::Ok) << r.problem;
    EXPECT_TRUE(r.shape.materials.empty());
    EXPECT_TRUE(r.shape.section7Names.empty());
    EXPECT_TRUE(r.shape.textures.empty());
    EXPECT_TRUE(r.shape.section9Names.empty());
    ASSERT_EQ(r.shape.objects.size(), 2u);
    EXPECT_EQ(r.shape.objects[0].faceCount, -1);
    EXPECT_TRUE(r.shape.objects[0].triangles.empty());
    EXPECT_EQ(r.shape.objects[0].positions.size(), 4u);
    EXPECT_EQ(r.shape.objects[0].groups.size(), 2u);
    EXPECT_TRUE(r.shape.objects[0].indexLists.empty());
    EXPECT_EQ(r.shape.objects[1].vertexCount, -3);
    EXPECT_TRUE(r.shape.objects[1].positions.empty());

    // A negative object count: no objects, straight to the trailer.
    ShapeSpec none;
    none.objectCount = -1;
    const ShapeDecodeResult n = decode(writeShape(none));
    ASSERT_EQ(n.status, Status::Ok) << n.problem;
    EXPECT_TRUE(n.shape.objects.empty());
}

TEST(ShapeFormat, LongNamesTakeTheirFirstHundredCharacters) {
    // Written without a closing quote, the reading goes on right behind the
    // hundredth character in every list.
    const std::string longName(120, 'n');
    ShapeSpec s = sampleShape(7, {0});
    s.name = longName;
    s.materials = {longName, "m"};
    s.section7Names = {longName};
    s.textures = {longName, "t.bmp"};
    s.section9Names = {longName};
    const ShapeDecodeResult r = decode(writeShape(s));
    ASSERT_EQ(r.status, Status::Ok) << r.problem;
    const std::string first100(100, 'n');
    EXPECT_EQ(r.shape.name, first100);
    EXPECT_EQ(r.shape.materials, (std::vector<std::string>{first100, "m"}));
    EXPECT_EQ(r.shape.textures, (std::vector<std::string>{first100, "t.bmp"}));
    EXPECT_EQ(r.shape.section7Names, std::vector<std::string>{first100});
    EXPECT_EQ(r.shape.section9Names, std::vector<std::string>{first100});
}

TEST(ShapeFormat, IgnoresBytesBehindTheTrailer) {
    const ShapeSpec s = sampleShape(5);
    Bytes b = writeShape(s);
    b.insert(b.end(), 100, std::uint8_t{0xFF});
    const ShapeDecodeResult r = decode(b);
    ASSERT_EQ(r.status, Status::Ok) << r.problem;
    expectShape(s, r.shape);
}

// ---------------------------------------------------------------- quoted strings

TEST(ShapeFormat, QuotedStrings) {
    struct Case {
        const char* label;
        std::string data;
        std::size_t start;
        bool ok;
        std::string text;
        std::size_t end;  // where reading goes on
    };
    const std::string s120(120, 'a');
    const std::string s100(100, 'b');
    const std::vector<Case> cases = {
        {"normal", "\"abc\"XYZ", 0, true, "abc", 5},
        {"any opening byte", "Xab\"", 0, true, "ab", 4},
        {"empty", "\"\"", 0, true, "", 2},
        {"not at the start", "12\"body.bmp\"3", 2, true, "body.bmp", 12},
        {"120 characters", "\"" + s120 + "\"", 0, true, s120.substr(0, 100), 101},
        {"quote at 110", "\"" + s100 + "0123456789\"", 0, true, s100, 101},
        {"100 then quote", "\"" + s100 + "\"", 0, true, s100, 101},  // the quote is left for what follows
        {"99 then quote", "\"" + s100.substr(0, 99) + "\"", 0, true, s100.substr(0, 99), 101},
        {"exactly 100 at the end", "\"" + s100, 0, true, s100, 101},
        {"no closing quote", "\"abc", 0, false, "", 0},
        {"99 and the end", "\"" + s100.substr(0, 99), 0, false, "", 0},
        {"only the opening byte", "\"", 0, false, "", 0},
        {"at the end", "\"a\"", 3, false, "", 3},
        {"past the end", "\"a\"", 9, false, "", 9},
        {"nothing", "", 0, false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const Bytes b(c.data.begin(), c.data.end());
        std::size_t at = c.start;
        std::string out = "unchanged";
        ASSERT_EQ(readQuotedString(b, at, out), c.ok);
        if (c.ok) {
            EXPECT_EQ(out, c.text);
            EXPECT_EQ(at, c.end);
        } else {
            EXPECT_EQ(out, "unchanged");
            EXPECT_EQ(at, c.start);
        }
    }
}

// ---------------------------------------------------------------- signature

TEST(ShapeFormat, Signature) {
    using Sig = std::array<std::uint8_t, 14>;
    auto sig = [](const char (&text)[15]) {
        Sig s{};
        std::memcpy(s.data(), text, 14);
        return s;
    };
    struct Case { const char* label; Sig signature; Status status; int version; };
    const std::vector<Case> cases = {
        {"H then NULs and the digit", sig("GP4SHAPEH\0\0\0\0" "7"), Status::Ok, 7},
        {"short text", sig("H\0\0\0\0\0\0\0\0\0\0\0\0" "4"), Status::Ok, 4},
        {"no H", sig("GP4SHAPEX\0\0\0\0" "7"), Status::NotAShape, 0},
        {"lower-case h", sig("GP4SHAPEh\0\0\0\0" "7"), Status::NotAShape, 0},
        {"empty text", sig("\0GP4SHAPEH\0\0\0" "7"), Status::NotAShape, 0},
        {"H behind the first NUL", sig("GP4\0SHAPEH\0\0\0" "7"), Status::NotAShape, 0},
        {"14 characters ending in the digit", sig("ABCDEFGHIJKLH5"), Status::NotAShape, 0},
        {"14 characters ending in H", sig("ABCDEFGHIJKLMH"), Status::Damaged, 0},
        {"H but no digit", sig("GP4SHAPEH\0\0\0\0" "x"), Status::Damaged, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ShapeSpec s;
        s.version = c.version == 0 ? 7 : c.version;
        s.signature = c.signature;
        const ShapeDecodeResult r = decode(writeShape(s));
        EXPECT_EQ(r.status, c.status) << r.problem;
        if (c.status == Status::Ok) {
            EXPECT_EQ(r.shape.version, c.version);
        }
        if (c.status == Status::Damaged) {
            EXPECT_NE(r.problem.find("not a digit"), std::string::npos) << r.problem;
        }
    }
    // Fewer than 14 bytes may still become a shape.
    EXPECT_EQ(decode(Bytes{'G', 'P'}).status, Status::Truncated);
}

// ---------------------------------------------------------------- damaged shapes

TEST(ShapeFormat, DamagedShapes) {
    constexpr std::int32_t kHuge = std::numeric_limits<std::int32_t>::max();
    struct Case {
        const char* label;
        std::function<void(ShapeSpec&)> damage;
        Status status;
        std::string problem;  // a part of the message
    };
    const std::vector<Case> cases = {
        {"material count", [](ShapeSpec& s) { s.materialCount = 1000; }, Status::Truncated,
         "a count of 1000 materials is more than the"},
        {"huge material count", [&](ShapeSpec& s) { s.materialCount = kHuge; }, Status::Damaged,
         "a count of 2147483647 materials needs more bytes than any archive entry holds"},
        {"80-byte records", [&](ShapeSpec& s) { s.records80Count = 1000; }, Status::Truncated, "80-byte records"},
        {"huge 80-byte records", [&](ShapeSpec& s) { s.records80Count = kHuge; }, Status::Damaged,
         "80-byte records needs more bytes"},
        {"second list", [&](ShapeSpec& s) { s.section7Count = 500; }, Status::Truncated, "second name list"},
        {"texture names", [&](ShapeSpec& s) { s.textureCount = 5000; }, Status::Truncated,
         "a count of 5000 texture names is more than the"},
        {"huge texture names", [&](ShapeSpec& s) { s.textureCount = kHuge; }, Status::Damaged,
         "a count of 2147483647 texture names needs more bytes"},
        {"third list", [&](ShapeSpec& s) { s.section9Count = 300; }, Status::Truncated, "third name list"},
        {"objects", [&](ShapeSpec& s) { s.objectCount = 100; }, Status::Truncated,
         "a count of 100 objects is more than the"},
        {"huge objects", [&](ShapeSpec& s) { s.objectCount = kHuge; }, Status::Damaged, "objects needs more bytes"},
        {"vertices", [&](ShapeSpec& s) { s.objects[1].vertexCount = 1000000; }, Status::Truncated,
         "a count of 1000000 vertices in object 1 is more than the"},
        {"huge vertices", [&](ShapeSpec& s) { s.objects[1].vertexCount = kHuge; }, Status::Damaged,
         "a count of 2147483647 vertices in object 1 needs more bytes"},
        {"huge vertices and units", [&](ShapeSpec& s) {
             s.objects[0].vertexCount = kHuge;
             s.objects[0].declaredExtraUnits = kHuge;
         }, Status::Damaged, "vertices in object 0 needs more bytes"},
        {"one vertex of huge units", [&](ShapeSpec& s) {
             s.objects[0].declaredExtraUnits = kHuge;
         }, Status::Damaged, "vertices in object 0 needs more bytes"},
        {"triangles", [&](ShapeSpec& s) { s.objects[2].faceCount = 50000; }, Status::Truncated,
         "a count of 50000 triangles in object 2 is more than the"},
        {"too many triangles", [&](ShapeSpec& s) { s.objects[2].faceCount = 70000; }, Status::Damaged,
         "object 2 declares 70000 triangles, more than 60000"},
        {"too many triangles and vertices", [&](ShapeSpec& s) {
             s.objects[2].faceCount = 70000;
             s.objects[2].vertexCount = 1000000;
         }, Status::Damaged, "object 2 declares 70000 triangles, more than 60000"},
        {"most triangles", [&](ShapeSpec& s) { s.objects[0].faceCount = kHuge; }, Status::Damaged,
         "object 0 declares 2147483647 triangles, more than 60000"},
        {"groups", [&](ShapeSpec& s) { s.objects[1].groupCount = 1000; }, Status::Truncated,
         "a count of 1000 groups in object 1"},
        {"huge groups", [&](ShapeSpec& s) { s.objects[1].groupCount = kHuge; }, Status::Damaged,
         "groups in object 1 needs more bytes"},
        {"index lists", [&](ShapeSpec& s) { s.objects[0].indexListCount = 1000; }, Status::Truncated,
         "a count of 1000 index lists in object 0"},
        {"huge index lists", [&](ShapeSpec& s) { s.objects[0].indexListCount = kHuge; }, Status::Damaged,
         "index lists in object 0 needs more bytes"},
        {"face index past the vertices", [&](ShapeSpec& s) { s.objects[1].triangles[3][2] = 6; }, Status::Damaged,
         "triangle 3 of object 1 names vertex 6 of 6"},
        {"negative face index", [&](ShapeSpec& s) { s.objects[0].triangles[0][0] = -1; }, Status::Damaged,
         "triangle 0 of object 0 names vertex -1 of 5"},
        {"lowest face index", [&](ShapeSpec& s) { s.objects[0].triangles[2][1] = std::numeric_limits<std::int32_t>::min(); },
         Status::Damaged, "triangle 2 of object 0 names vertex -2147483648 of 5"},
        {"triangles without vertices", [&](ShapeSpec& s) {
             s.objects[2].vertexCount = -1;
             s.objects[2].vertices.clear();
         }, Status::Damaged, "triangle 0 of object 2 names vertex 0 of 0"},
        {"group past the triangles", [&](ShapeSpec& s) { s.objects[0].groups[1][1] = 3; }, Status::Damaged,
         "group 1 of object 0 runs past the object's 3 triangles"},
        {"group starting past the triangles", [&](ShapeSpec& s) { s.objects[1].groups[0][0] = 4; }, Status::Damaged,
         "group 0 of object 1 runs past the object's 4 triangles"},
        {"group sum overflowing", [&](ShapeSpec& s) { s.objects[1].groups[0] = {kHuge, kHuge, 0, 0, 0, 0, 0}; },
         Status::Damaged, "group 0 of object 1 runs past"},
        {"group of negative start", [&](ShapeSpec& s) { s.objects[2].groups[1][0] = -1; }, Status::Damaged,
         "group 1 of object 2 starts at face -1"},
        {"group of negative count", [&](ShapeSpec& s) { s.objects[2].groups[0][1] = -2; }, Status::Damaged,
         "group 0 of object 2 has -2 faces"},
        {"group without triangles", [&](ShapeSpec& s) {
             s.objects[0].faceCount = -4;
             s.objects[0].triangles.clear();
         }, Status::Damaged, "group 0 of object 0 runs past the object's 0 triangles"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ShapeSpec s = sampleShape(7);
        c.damage(s);
        const ShapeDecodeResult r = decode(writeShape(s));
        EXPECT_EQ(r.status, c.status) << r.problem;
        EXPECT_NE(r.problem.find(c.problem), std::string::npos) << r.problem;
        if (c.status != Status::Ok) {
            EXPECT_TRUE(r.shape.objects.empty());
            EXPECT_TRUE(r.shape.textures.empty());
        }
    }
}

TEST(ShapeFormat, IndexListLengthsAreChecked) {
    // The length is the second integer of a list's 8 bytes; patch it in the
    // last list of the last object, which is followed only by the trailer.
    ShapeSpec s = sampleShape(5);
    s.objects.back().indexLists = {{7}};
    Bytes b = writeShape(s);
    const std::size_t lengthAt = b.size() - 8 - 4 - 4;
    ASSERT_EQ(bytes::i32(b, lengthAt), 1);
    struct Case { std::int32_t length; Status status; std::string problem; };
    for (const Case& c : {Case{100000, Status::Truncated, "a count of 100000 indices in object 2 is more than the 12 bytes left"},
                          Case{std::numeric_limits<std::int32_t>::max(), Status::Damaged, "indices in object 2 needs more bytes"},
                          Case{3, Status::Truncated, "the trailer"},  // the trailer read as indices
                          Case{2, Status::Truncated, "the trailer"},
                          Case{-1, Status::Ok, ""},  // the index read as part of the trailer
                          Case{0, Status::Ok, ""}}) {
        SCOPED_TRACE(c.length);
        bytes::putU32(b, lengthAt, static_cast<std::uint32_t>(c.length));
        const ShapeDecodeResult r = decode(b);
        EXPECT_EQ(r.status, c.status) << r.problem;
        EXPECT_NE(r.problem.find(c.problem), std::string::npos) << r.problem;
    }
}

TEST(ShapeFormat, TheTriangleLimitIsInclusive) {
    ShapeSpec s;
    ObjectSpec obj = stripObject(3, 0, 0, 0.0f);
    obj.triangles.assign(kMaxShapeTriangles, {0, 1, 2});
    obj.groups = {{0, kMaxShapeTriangles, 0, 0, 0, 0, 0}};
    s.objects = {obj};
    const ShapeDecodeResult ok = decode(writeShape(s));
    ASSERT_EQ(ok.status, Status::Ok) << ok.problem;
    EXPECT_EQ(ok.shape.objects[0].triangles.size(), static_cast<std::size_t>(kMaxShapeTriangles));

    s.objects[0].triangles.push_back({0, 1, 2});
    s.objects[0].groups.clear();
    const ShapeDecodeResult over = decode(writeShape(s));
    EXPECT_EQ(over.status, Status::Damaged);
    EXPECT_EQ(over.problem, "object 0 declares 60001 triangles, more than 60000");
}

// Names, objects and groups are limited whatever bytes hold them: the limit
// itself passes, one more is Damaged, named in the problem. Every record is
// really there, so that nothing but the limit refuses the shape.
TEST(ShapeFormat, TheCountLimitsHoldAtTheirEdge) {
    auto emptyObjects = [](ShapeSpec& s, std::int32_t n) { s.objects.assign(static_cast<std::size_t>(n), ObjectSpec{}); };
    // Objects of one triangle each, with `counts[i]` groups of no faces.
    auto groups = [](ShapeSpec& s, std::vector<std::int32_t> counts) {
        s.objects.clear();
        for (std::int32_t n : counts) {
            ObjectSpec obj = stripObject(3, 23, 0, 0.0f);
            obj.groups.assign(static_cast<std::size_t>(n), {0, 0, 0, 0, 0, 0, 0});
            s.objects.push_back(std::move(obj));
        }
    };
    constexpr std::int32_t kNames = kMaxShapeNames, kObjects = kMaxShapeObjects, kGroups = kMaxShapeGroups;
    struct Case {
        const char* label;
        std::function<void(ShapeSpec&, std::int32_t)> fill;  // with the limit plus 0 or 1
        std::string problem;                                 // for the limit plus 1
    };
    const std::vector<Case> cases = {
        {"materials", [](ShapeSpec& s, std::int32_t n) { s.materials.assign(static_cast<std::size_t>(n), ""); },
         "a count of 65537 materials is more than the 65536 a shape holds"},
        {"second name list", [](ShapeSpec& s, std::int32_t n) { s.section7Names.assign(static_cast<std::size_t>(n), "n"); },
         "a count of 65537 names in the second name list is more than the 65536 a shape holds"},
        {"texture names", [](ShapeSpec& s, std::int32_t n) { s.textures.assign(static_cast<std::size_t>(n), ""); },
         "a count of 65537 texture names is more than the 65536 a shape holds"},
        {"third name list", [](ShapeSpec& s, std::int32_t n) { s.section9Names.assign(static_cast<std::size_t>(n), ""); },
         "a count of 65537 names in the third name list is more than the 65536 a shape holds"},
        {"objects", emptyObjects, "a count of 65537 objects is more than the 65536 a shape holds"},
        {"groups of one object", [&](ShapeSpec& s, std::int32_t n) { groups(s, {n}); },
         "the 65537 groups of object 0 bring the shape's groups to 65537, more than the 65536 a shape holds"},
        {"groups of three objects", [&](ShapeSpec& s, std::int32_t n) { groups(s, {40000, 0, n - 40000}); },
         "the 25537 groups of object 2 bring the shape's groups to 65537, more than the 65536 a shape holds"},
    };
    static_assert(kNames == 65536 && kObjects == 65536 && kGroups == 65536, "the problems below name the limits");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (const std::int32_t over : {0, 1}) {
            ShapeSpec s = sampleShape(7);
            c.fill(s, 65536 + over);
            const ShapeDecodeResult r = decode(writeShape(s));
            if (over == 0) {
                EXPECT_EQ(r.status, Status::Ok) << r.problem;
                continue;
            }
            EXPECT_EQ(r.status, Status::Damaged);
            EXPECT_EQ(r.problem, c.problem);
            EXPECT_TRUE(r.shape.objects.empty() && r.shape.textures.empty() && r.shape.materials.empty());
        }
    }
}

TEST(ShapeFormat, EveryPrefixIsTruncated) {
    for (int version : {4, 5, 7}) {
        SCOPED_TRACE(version);
        ShapeSpec s = sampleShape(version, {23, 39, 0}, 2);
        s.name = std::string(100, 'q');  // a name of no closing quote, too
        const Bytes full = writeShape(s);
        ASSERT_EQ(decode(full).status, Status::Ok);
        for (std::size_t n = 0; n < full.size(); ++n) {
            const ShapeDecodeResult r = decodeShape(std::span<const std::uint8_t>(full.data(), n));
            ASSERT_EQ(r.status, Status::Truncated) << "prefix of " << n << " bytes: " << r.problem;
            ASSERT_FALSE(r.problem.empty()) << n;
        }
    }
}

TEST(ShapeFormat, DecodesQuicklyBesideACopy) {
    // 60000 triangles over 30000 vertices, the largest object there is.
    ShapeSpec s;
    ObjectSpec obj;
    obj.groupKind = 23;
    for (int i = 0; i < 30000; ++i) {
        const float f = static_cast<float>(i);
        obj.vertices.push_back({{f, f, f}, {0, 1, 0}, {0.5f, 0.5f}});
    }
    for (int i = 0; i < kMaxShapeTriangles; ++i) {
        obj.triangles.push_back({i % 30000, (i + 1) % 30000, (i + 2) % 30000});
    }
    for (int g = 0; g < 60; ++g) obj.groups.push_back({g * 1000, 1000, 0, 0, g % 2, 0, 0});
    s.objects = {obj};
    const Bytes file = writeShape(s);

    using Clock = std::chrono::steady_clock;
    auto best = Clock::duration::max();
    auto bestCopy = Clock::duration::max();
    std::size_t sink = 0;
    for (int run = 0; run < 15; ++run) {
        auto t0 = Clock::now();
        const Bytes copy(file.begin(), file.end());
        auto t1 = Clock::now();
        const ShapeDecodeResult r = decode(file);
        auto t2 = Clock::now();
        ASSERT_EQ(r.status, Status::Ok) << r.problem;
        sink += copy.size() + r.shape.objects[0].triangles.size();
        bestCopy = std::min(bestCopy, t1 - t0);
        best = std::min(best, t2 - t1);
    }
    EXPECT_GT(sink, 0u);
    const double ratio = std::chrono::duration<double>(best).count() /
                         std::max(std::chrono::duration<double>(bestCopy).count(), 1e-9);
    RecordProperty("decode_to_copy_ratio", std::to_string(ratio));
    std::printf("shape of %zu bytes: decode %.1f us, copy %.1f us, ratio %.2f\n", file.size(),
                std::chrono::duration<double, std::micro>(best).count(),
                std::chrono::duration<double, std::micro>(bestCopy).count(), ratio);
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_UNDEFINED__)
    EXPECT_LE(ratio, 10.0);
#endif
}

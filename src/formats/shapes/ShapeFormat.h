#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnisk {

// A car shape (.gp4) as the preview keeps it: positions, normals, texture
// coordinates, triangles, triangle groups and texture names, with the name
// lists the file carries. Everything else in the file is read past.

// One triangle group: seven integers as stored (missing bytes of a short
// record are zero). [0] first face, [1] face count, [4] texture index.
struct ShapeGroup {
    std::array<std::int32_t, 7> fields{};
    std::int32_t firstFace() const { return fields[0]; }
    std::int32_t faceCount() const { return fields[1]; }
    std::int32_t textureIndex() const { return fields[4]; }
};

// The counts are kept as declared; a negative one reads nothing, so the
// vectors (triangles.size(), positions.size(), extra.size()) hold what was read.
struct ShapeObject {
    std::int32_t faceCount = 0;    // as declared
    std::int32_t vertexCount = 0;  // as declared
    std::int32_t groupKind = 0;    // 23: 20-byte group records, 39: 24, else 28
    std::int32_t extraUnits = 0;   // as declared: 8-byte units behind each vertex; negative counts as 0
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 3>> normals;
    std::vector<std::array<float, 2>> texCoords;  // u, v as stored
    std::vector<std::uint8_t> extra;              // extraUnits x 8 bytes per vertex, opaque
    std::vector<std::array<std::int32_t, 3>> triangles;
    std::vector<ShapeGroup> groups;
    std::vector<std::vector<std::int32_t>> indexLists;
};

struct ShapeData {
    int version = 0;  // the signature's digit
    std::string name;
    std::vector<std::string> materials;
    std::vector<std::string> section7Names;  // versions above 4
    std::vector<std::string> textures;       // texture file names, index 0 first
    std::vector<std::string> section9Names;
    std::vector<ShapeObject> objects;
};

// The most triangles one object may hold.
inline constexpr std::int32_t kMaxShapeTriangles = 60000;

// The most names one of a shape's four name lists may hold, the most objects
// a shape may hold, and the most triangle groups of all its objects together.
// A car shape holds some hundreds of texture names, some thousands of objects
// and about as many groups; tens of thousands are far beyond any of them,
// while each name, object and group still costs memory (and each group a
// texture bind and a begin and end in the display list, on every frame), so
// a count beyond these is damage, not detail.
inline constexpr std::int32_t kMaxShapeNames = 1 << 16;
inline constexpr std::int32_t kMaxShapeObjects = 1 << 16;
inline constexpr std::int32_t kMaxShapeGroups = 1 << 16;

// A count whose records would need more bytes than this is Damaged rather than
// Truncated: no archive entry is that large, so more bytes cannot help.
inline constexpr std::uint64_t kMaxShapeBytes = std::uint64_t{512} * 1024 * 1024;

struct ShapeDecodeResult {
    enum class Status {
        Ok,         // `shape` holds the whole shape
        NotAShape,  // the signature does not end in "H" (a flashlight file)
        Truncated,  // the bytes end before the shape does; more bytes may complete it
        Damaged,    // a count or index that cannot be right; `problem` says which
    };
    Status status = Status::Ok;
    ShapeData shape;      // empty unless Ok
    std::string problem;  // for Truncated and Damaged: what is wrong, in plain words
};

// Decodes a shape from its first byte. Every count is checked against the
// bytes left before anything is allocated, nothing is read past the span,
// face indices are checked against the object's vertices and groups against
// its triangles; an object over kMaxShapeTriangles triangles is Damaged.
// Bytes behind the trailer are ignored.
//
// Truncated or Damaged:
// - The bytes ending inside a section, or a count whose records (at their
//   smallest) do not fit in the bytes left, is Truncated: the entry may go on
//   behind the bytes given. A count whose records would need more than
//   kMaxShapeBytes is Damaged.
// - A signature ending in "H" whose byte 13 is not an ASCII digit is Damaged.
// - Negative counts read nothing, as a count of zero; a negative extraUnits
//   counts as 0.
// - A face index outside the object's vertices (negative too) is Damaged; with
//   a vertexCount of 0 or less every triangle is.
// - A group with a negative firstFace or face count is Damaged; a group with
//   a face count above 0 must lie within the triangles read (none when
//   faceCount is 0 or less), a group of 0 faces references nothing and passes.
// - faceCount above kMaxShapeTriangles is Damaged, whatever the bytes left.
// - A name list of more than kMaxShapeNames names, more than kMaxShapeObjects
//   objects, or more than kMaxShapeGroups groups in all the objects together
//   is Damaged, once the count is known to fit in the bytes (a count that
//   does not is Truncated or Damaged as above) and before any of its records
//   is kept.
ShapeDecodeResult decodeShape(std::span<const std::uint8_t> bytes);

// A quoted string at `at`: the byte at `at` is skipped, then characters up to
// the next '"', which ends the string and is not part of it; at most 100
// characters are taken, and when no '"' comes within them the string is those
// 100 and reading goes on right behind them. Returns false when the bytes end
// first. Exposed for tests.
bool readQuotedString(std::span<const std::uint8_t> bytes, std::size_t& at, std::string& out);

}  // namespace varnisk

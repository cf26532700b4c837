#pragma once

// Writes car shapes (.gp4 files) for the made-up game installations. The
// writer knows the layout on its own and shares no code with the editor's
// reader, which is tested against it.
//
// The layout, all integers little-endian signed 32-bit, reals 32-bit floats.
// A quoted string is an opening '"', its characters and a closing '"'.
//   signature     14 bytes: text ending in 'H', NUL bytes, byte 13 the
//                 version digit
//   shape name    quoted string
//   version 7:    4 bytes
//   counts        five integers: objects, three others, materials
//   materials     4 bytes, quoted name, 24, 64, (version > 4: 16), 16, 8, 28,
//                 16, then 16 (version 7) or 8 bytes
//   version 7:    a 16-byte block whose fourth integer is N, N x 80 bytes
//   version > 4:  a 16-byte block whose fourth integer is K, K x (4 bytes,
//                 quoted name, 72 bytes)
//   textures      a 16-byte block whose fourth integer is the count, then the
//                 quoted texture file names
//   nodes         a 16-byte block whose fourth integer is P, P x (quoted name,
//                 four 16-byte blocks, 76 (version 4) or 80 bytes)
//   objects       8 bytes (first object) or 12 bytes (the others); six
//                 integers faceCount, vertexCount, groupKind, extraUnits and
//                 two others; the vertices (position, normal, u, v and
//                 extraUnits x 8 bytes); 8 bytes; the faces (three vertex
//                 indices and one integer); 12 bytes and the group count; the
//                 groups (20 bytes for group kind 23, 24 for 39, 28 for any
//                 other; integers first face, face count, two others,
//                 texture index, two others, as far as the record reaches);
//                 12 bytes and the index list count; the index lists (one
//                 integer, the length n, n integers)
//   trailer       8 bytes
// Every byte the layout does not give a meaning is filler (kShapeFiller),
// so that a reader that lands on the wrong byte reads nonsense.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace varnisk::gamegen {

struct ShapeVertex {
    std::array<float, 3> position{};  // metres: x across, y up, z forward
    std::array<float, 3> normal{};
    std::array<float, 2> uv{};
};

// A run of faces drawn with one texture.
struct ShapeGroup {
    std::int32_t firstFace = 0;
    std::int32_t faceCount = 0;
    std::int32_t textureIndex = 0;
};

struct ShapeObject {
    std::int32_t groupKind = 23;  // 23: 20-byte group records, 39: 24 bytes, any other: 28
    std::int32_t extraUnits = 0;  // 8-byte filler units behind every vertex
    std::vector<ShapeVertex> vertices;
    std::vector<std::array<std::int32_t, 3>> faces;  // 0-based indices into `vertices`
    std::vector<ShapeGroup> groups;
    std::vector<std::vector<std::int32_t>> indexLists;
};

struct ShapeModel {
    std::string name;
    std::vector<std::string> materials;
    std::vector<std::string> partNames;  // versions above 4 only: the named records behind the materials
    std::vector<std::string> textures;   // texture file names, index 0 first
    std::vector<std::string> nodeNames;  // the named records behind the textures
    int versionSevenRecords = 2;         // version 7 only: 80-byte filler records
    std::vector<ShapeObject> objects;
};

inline constexpr std::size_t kShapeSignatureSize = 14;
inline constexpr char kShapeSignatureText[] = "CARSHAPE-H";  // then NUL bytes, then the digit
// The filler repeats these eight bytes, counted from the shape's first byte:
// no NUL and no '"' among them, and any four in a row read as a large
// positive integer.
inline constexpr std::array<std::uint8_t, 8> kShapeFiller = {'v', 'a', 'r', 'n', 'i', 's', 'k', '!'};
std::uint8_t shapeFillerByte(std::uint64_t offset);

// Every name stays within 99 characters, so that a reader taking at most 100
// finds its closing '"'.
inline constexpr std::size_t kMaxShapeNameLength = 99;

// The file for `version` (0..9; the layout follows the three tests "equal to
// 4", "above 4" and "equal to 7"). The geometry is written as given, not
// checked, so a test can write a faulty shape on purpose. Throws
// std::invalid_argument for a version outside 0..9, a name that holds '"' or
// is longer than kMaxShapeNameLength, and a negative versionSevenRecords or
// extraUnits.
std::vector<std::uint8_t> encodeShape(const ShapeModel& model, int version);
// encodeShape(model, version).size(), without building the bytes.
std::uint64_t encodedShapeSize(const ShapeModel& model, int version);

// The size of one group record for a group kind.
std::size_t groupRecordSize(std::int32_t groupKind);
// The size of one material record without its name's characters and quotes.
std::size_t materialRecordSize(int version);

}  // namespace varnisk::gamegen

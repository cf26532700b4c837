// The car shape decoder, on a shape's bytes from its first byte.
// Beside memory errors it stops on a decoded shape that breaks what the
// decoder promises: indices inside the vertices, groups inside the triangles.

#include <span>
#include <string>

#include "FuzzTargets.h"
#include "shapes/ShapeFormat.h"

namespace varnisk::fuzz {

namespace {

void checkShape(const varnisk::ShapeDecodeResult& r, std::size_t size) {
    using Status = varnisk::ShapeDecodeResult::Status;
    if (r.status != Status::Ok) {
        require(!r.problem.empty(), "a refused shape without a problem text");
        require(r.shape.objects.empty() && r.shape.textures.empty(), "a refused shape that is not empty");
        return;
    }
    require(r.shape.version >= 0 && r.shape.version <= 9, "a version other than a digit");
    const auto mostNames = static_cast<std::size_t>(varnisk::kMaxShapeNames);
    require(r.shape.materials.size() <= mostNames && r.shape.section7Names.size() <= mostNames &&
                r.shape.textures.size() <= mostNames && r.shape.section9Names.size() <= mostNames,
            "a name list longer than a shape holds");
    require(r.shape.objects.size() <= static_cast<std::size_t>(varnisk::kMaxShapeObjects), "more objects than a shape holds");
    std::size_t groups = 0;
    for (const varnisk::ShapeObject& o : r.shape.objects) groups += o.groups.size();
    require(groups <= static_cast<std::size_t>(varnisk::kMaxShapeGroups), "more groups than a shape holds");
    for (const varnisk::ShapeObject& o : r.shape.objects) {
        const std::size_t vertices = o.positions.size();
        require(o.normals.size() == vertices && o.texCoords.size() == vertices, "vertex lists of different lengths");
        require(o.triangles.size() <= static_cast<std::size_t>(varnisk::kMaxShapeTriangles), "too many triangles");
        require(o.triangles.size() * 16 <= size && vertices * 32 <= size, "more records than the bytes hold");
        for (const auto& t : o.triangles) {
            for (std::int32_t v : t) {
                require(v >= 0 && static_cast<std::size_t>(v) < vertices, "a face index outside the vertices");
            }
        }
        for (const varnisk::ShapeGroup& g : o.groups) {
            require(g.firstFace() >= 0 && g.faceCount() >= 0, "a group with a negative start or count");
            if (g.faceCount() > 0) {
                require(static_cast<std::size_t>(g.firstFace()) + static_cast<std::size_t>(g.faceCount()) <=
                            o.triangles.size(),
                        "a group beyond the triangles");
            }
        }
    }
}

}  // namespace

int fuzzShape(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const varnisk::ShapeDecodeResult r = varnisk::decodeShape(bytes);
    checkShape(r, size);
    // Quoted strings from a few places: never longer than 100 characters,
    // never moving past the bytes.
    for (std::size_t at0 : {std::size_t{0}, size / 3, size / 2}) {
        std::size_t at = at0;
        std::string text;
        if (varnisk::readQuotedString(bytes, at, text)) {
            require(text.size() <= 100 && at <= size && at > at0, "a quoted string too long or read past the bytes");
        } else {
            require(at == at0, "a quoted string that fails but moves on");
        }
    }
    return 0;
}

}  // namespace varnisk::fuzz

// libFuzzer target for the car shape decoder. Built by hand, not by CMake:
//   clang++ -std=c++20 -fsanitize=fuzzer,address,undefined -Isrc \
//       tests/fuzz/shape_fuzz.cpp src/preview/ShapeFormat.cpp -o shape_fuzz
//   ./shape_fuzz -malloc_limit_mb=64 CORPUS_DIR
// Beside memory errors it stops on a decoded shape that breaks what the
// decoder promises: indices inside the vertices, groups inside the triangles.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "preview/ShapeFormat.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

void checkShape(const varnisk::ShapeDecodeResult& r, std::size_t size) {
    using Status = varnisk::ShapeDecodeResult::Status;
    if (r.status != Status::Ok) {
        require(!r.problem.empty());
        require(r.shape.objects.empty() && r.shape.textures.empty());
        return;
    }
    require(r.shape.version >= 0 && r.shape.version <= 9);
    for (const varnisk::ShapeObject& o : r.shape.objects) {
        const std::size_t vertices = o.positions.size();
        require(o.normals.size() == vertices && o.texCoords.size() == vertices);
        require(o.triangles.size() <= static_cast<std::size_t>(varnisk::kMaxShapeTriangles));
        require(o.triangles.size() * 16 <= size && vertices * 32 <= size);
        for (const auto& t : o.triangles) {
            for (std::int32_t v : t) require(v >= 0 && static_cast<std::size_t>(v) < vertices);
        }
        for (const varnisk::ShapeGroup& g : o.groups) {
            require(g.firstFace() >= 0 && g.faceCount() >= 0);
            if (g.faceCount() > 0) {
                require(static_cast<std::size_t>(g.firstFace()) + static_cast<std::size_t>(g.faceCount()) <=
                        o.triangles.size());
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const varnisk::ShapeDecodeResult r = varnisk::decodeShape(bytes);
    checkShape(r, size);
    // Quoted strings from a few places: never longer than 100 characters,
    // never moving past the bytes.
    for (std::size_t at0 : {std::size_t{0}, size / 3, size / 2}) {
        std::size_t at = at0;
        std::string text;
        if (varnisk::readQuotedString(bytes, at, text)) {
            require(text.size() <= 100 && at <= size && at > at0);
        } else {
            require(at == at0);
        }
    }
    return 0;
}

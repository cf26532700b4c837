#include "ShapeWriter.h"

#include <bit>
#include <limits>
#include <stdexcept>

namespace varnisk::gamegen {

namespace {

// Collects the bytes of a shape.
class ByteSink {
public:
    explicit ByteSink(std::vector<std::uint8_t>& out) : out_(out) {}
    std::uint64_t position() const { return out_.size(); }
    void byte(std::uint8_t b) { out_.push_back(b); }
    void i32(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int k = 0; k < 4; ++k) out_.push_back(static_cast<std::uint8_t>(u >> (8 * k)));
    }
    void f32(float v) { i32(std::bit_cast<std::int32_t>(v)); }
    void text(const std::string& s) {
        for (char c : s) out_.push_back(static_cast<std::uint8_t>(c));
    }
    void filler(std::uint64_t n) {
        for (std::uint64_t k = 0; k < n; ++k) out_.push_back(shapeFillerByte(out_.size()));
    }

private:
    std::vector<std::uint8_t>& out_;
};

// Counts them only.
class CountingSink {
public:
    std::uint64_t position() const { return size_; }
    void byte(std::uint8_t) { size_ += 1; }
    void i32(std::int32_t) { size_ += 4; }
    void f32(float) { size_ += 4; }
    void text(const std::string& s) { size_ += s.size(); }
    void filler(std::uint64_t n) { size_ += n; }

private:
    std::uint64_t size_ = 0;
};

void checkName(const std::string& what, const std::string& s) {
    if (s.find('"') != std::string::npos) throw std::invalid_argument(what + " '" + s + "' holds a '\"'");
    if (s.size() > kMaxShapeNameLength)
        throw std::invalid_argument(what + " '" + s + "' is longer than " + std::to_string(kMaxShapeNameLength) +
                                    " characters");
}

std::int32_t count(std::size_t n, const char* what) {
    if (n > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw std::invalid_argument(std::string("too many ") + what);
    return static_cast<std::int32_t>(n);
}

void check(const ShapeModel& m, int version) {
    if (version < 0 || version > 9)
        throw std::invalid_argument("shape version " + std::to_string(version) + " is not one digit");
    if (m.versionSevenRecords < 0) throw std::invalid_argument("negative count of version-7 records");
    checkName("shape name", m.name);
    for (const std::string& s : m.materials) checkName("material name", s);
    for (const std::string& s : m.partNames) checkName("part name", s);
    for (const std::string& s : m.textures) checkName("texture name", s);
    for (const std::string& s : m.nodeNames) checkName("node name", s);
    for (const ShapeObject& o : m.objects)
        if (o.extraUnits < 0) throw std::invalid_argument("negative extra units");
}

template <typename Sink>
void quoted(Sink& s, const std::string& text) {
    s.byte('"');
    s.text(text);
    s.byte('"');
}

// A 16-byte block whose fourth integer is the count.
template <typename Sink>
void countBlock(Sink& s, std::int32_t n) {
    s.filler(12);
    s.i32(n);
}

template <typename Sink>
void writeObject(Sink& s, const ShapeObject& o, bool first) {
    s.filler(first ? 8 : 12);
    s.i32(count(o.faces.size(), "faces"));
    s.i32(count(o.vertices.size(), "vertices"));
    s.i32(o.groupKind);
    s.i32(o.extraUnits);
    s.filler(8);
    const auto extra = 8 * static_cast<std::uint64_t>(o.extraUnits);
    for (const ShapeVertex& v : o.vertices) {
        for (float x : v.position) s.f32(x);
        for (float x : v.normal) s.f32(x);
        for (float x : v.uv) s.f32(x);
        s.filler(extra);
    }
    s.filler(8);
    for (const auto& f : o.faces) {
        for (std::int32_t i : f) s.i32(i);
        s.filler(4);
    }
    s.filler(12);
    s.i32(count(o.groups.size(), "groups"));
    const std::size_t ints = groupRecordSize(o.groupKind) / 4;
    for (const ShapeGroup& g : o.groups) {
        // First face, face count, two others, texture index, two others.
        s.i32(g.firstFace);
        s.i32(g.faceCount);
        s.filler(8);
        s.i32(g.textureIndex);
        s.filler(4 * (ints - 5));
    }
    s.filler(12);
    s.i32(count(o.indexLists.size(), "index lists"));
    for (const auto& list : o.indexLists) {
        s.filler(4);
        s.i32(count(list.size(), "indices"));
        for (std::int32_t i : list) s.i32(i);
    }
}

template <typename Sink>
void writeShape(Sink& s, const ShapeModel& m, int version) {
    check(m, version);
    // Signature: the text, NUL bytes, the digit in the last byte.
    const std::string sig = kShapeSignatureText;
    s.text(sig);
    for (std::size_t k = sig.size(); k + 1 < kShapeSignatureSize; ++k) s.byte(0);
    s.byte(static_cast<std::uint8_t>('0' + version));

    quoted(s, m.name);
    if (version == 7) s.filler(4);

    s.i32(count(m.objects.size(), "objects"));
    s.filler(12);
    s.i32(count(m.materials.size(), "materials"));

    for (const std::string& name : m.materials) {
        s.filler(4);
        quoted(s, name);
        s.filler(24 + 64);
        if (version > 4) s.filler(16);
        s.filler(16 + 8 + 28 + 16);
        s.filler(version == 7 ? 16 : 8);
    }

    if (version == 7) {
        countBlock(s, m.versionSevenRecords);
        s.filler(80 * static_cast<std::uint64_t>(m.versionSevenRecords));
    }

    if (version > 4) {
        countBlock(s, count(m.partNames.size(), "part names"));
        for (const std::string& name : m.partNames) {
            s.filler(4);
            quoted(s, name);
            s.filler(72);
        }
    }

    countBlock(s, count(m.textures.size(), "textures"));
    for (const std::string& name : m.textures) quoted(s, name);

    countBlock(s, count(m.nodeNames.size(), "node names"));
    for (const std::string& name : m.nodeNames) {
        quoted(s, name);
        s.filler(4 * 16);
        s.filler(version == 4 ? 76 : 80);
    }

    for (std::size_t k = 0; k < m.objects.size(); ++k) writeObject(s, m.objects[k], k == 0);

    s.filler(8);
}

}  // namespace

std::uint8_t shapeFillerByte(std::uint64_t offset) { return kShapeFiller[offset % kShapeFiller.size()]; }

std::size_t groupRecordSize(std::int32_t groupKind) {
    switch (groupKind) {
    case 23: return 20;
    case 39: return 24;
    default: return 28;
    }
}

std::size_t materialRecordSize(int version) {
    std::size_t size = 4 + 24 + 64 + 16 + 8 + 28 + 16;
    if (version > 4) size += 16;
    size += version == 7 ? 16 : 8;
    return size;
}

std::vector<std::uint8_t> encodeShape(const ShapeModel& model, int version) {
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(encodedShapeSize(model, version)));
    ByteSink sink(out);
    writeShape(sink, model, version);
    return out;
}

std::uint64_t encodedShapeSize(const ShapeModel& model, int version) {
    CountingSink sink;
    writeShape(sink, model, version);
    return sink.position();
}

}  // namespace varnisk::gamegen

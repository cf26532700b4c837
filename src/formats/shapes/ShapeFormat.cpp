#include "shapes/ShapeFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

#include "base/Bytes.h"

namespace varnisk {

namespace {

using Status = ShapeDecodeResult::Status;

constexpr std::size_t kSignatureSize = 14;
constexpr std::size_t kQuotedMax = 100;
constexpr std::size_t kQuotedMin = 2;  // the opening byte and the closing quote
constexpr std::size_t kVertexBase = 32;  // position, normal, u, v
constexpr std::size_t kTriangleSize = 16;
// Lead (8 for the first object, more for later ones), header, 8 bytes, the
// 12 bytes before groupCount with it and the 12 before indexListCount with it.
constexpr std::size_t kObjectMin = 8 + 24 + 8 + 16 + 16;

static_assert(sizeof(std::array<float, 3>) == 12 && sizeof(std::array<float, 2>) == 8);
static_assert(sizeof(std::array<std::int32_t, 3>) == 12);
static_assert(std::is_trivially_copyable_v<std::array<float, 3>>);

std::size_t groupRecordSize(std::int32_t groupKind) {
    if (groupKind == 23) return 20;
    if (groupKind == 39) return 24;
    return 28;
}

// Reads the layout front to back. Every failure records the status and the
// problem once; the callers then stop.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    Status status() const { return status_; }
    std::string takeProblem() { return std::move(problem_); }

    std::size_t left() const { return bytes_.size() - at_; }
    const std::uint8_t* here() const { return bytes_.data() + at_; }

    // The object being read, named in messages ("in object 2"); -1 outside the objects.
    void setObject(std::int64_t index) { object_ = index; }

    bool skip(std::size_t n, const char* what) {
        if (n > left()) return truncated(what);
        at_ += n;
        return true;
    }

    bool readI32(std::int32_t& value, const char* what) {
        if (left() < 4) return truncated(what);
        value = bytes::i32(bytes_, at_);
        at_ += 4;
        return true;
    }

    // A 16-byte block whose fourth integer is a count.
    bool blockCount(std::int32_t& count, const char* what) {
        if (left() < 16) return truncated(what);
        count = bytes::i32(bytes_, at_ + 12);
        at_ += 16;
        return true;
    }

    bool quoted(std::string& out, const char* what) {
        if (!readQuotedString(bytes_, at_, out)) return truncated(what);
        return true;
    }

    // Checks that `count` records of at least `recordSize` bytes each fit in
    // what is left. A count of 0 or less needs nothing. A count beyond what
    // any archive entry could hold is Damaged; one that merely runs past
    // these bytes is Truncated (more bytes may follow).
    bool fits(std::int64_t count, std::uint64_t recordSize, const char* what) {
        if (count <= 0 || recordSize == 0) return true;
        const auto n = static_cast<std::uint64_t>(count);
        if (n <= left() / recordSize) return true;
        std::string text = "a count of " + std::to_string(count) + " " + what + place();
        if (n > kMaxShapeBytes / recordSize) {
            return fail(Status::Damaged, text + " needs more bytes than any archive entry holds");
        }
        return fail(Status::Truncated, text + " is more than the " + std::to_string(left()) + " bytes left");
    }

    bool fail(Status status, std::string problem) {
        if (status_ == Status::Ok) {
            status_ = status;
            problem_ = std::move(problem);
        }
        return false;
    }

    std::string objectName() const { return "object " + std::to_string(object_); }

    // Checks a count that fits in the bytes against the most a shape may
    // hold of it: more is Damaged.
    bool within(std::int64_t count, std::int64_t most, const char* what) {
        if (count <= most) return true;
        return fail(Status::Damaged, "a count of " + std::to_string(count) + " " + what + place() +
                                         " is more than the " + std::to_string(most) + " a shape holds");
    }

    // The groups of the objects read so far, and those of one more object,
    // which must stay within kMaxShapeGroups.
    bool addGroups(std::int32_t count) {
        if (count <= 0) return true;
        groups_ += count;
        if (groups_ <= kMaxShapeGroups) return true;
        return fail(Status::Damaged, "the " + std::to_string(count) + " groups of " + objectName() +
                                         " bring the shape's groups to " + std::to_string(groups_) +
                                         ", more than the " + std::to_string(kMaxShapeGroups) + " a shape holds");
    }

    // Moves the reader on by n bytes that were checked by `fits`.
    void advance(std::size_t n) { at_ += n; }

private:
    std::string place() const { return object_ >= 0 ? " in " + objectName() : std::string(); }

    bool truncated(const char* what) {
        return fail(Status::Truncated,
                    "the bytes end inside " + std::string(what) + place() + " (byte " + std::to_string(at_) + " of " +
                        std::to_string(bytes_.size()) + ")");
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    std::int64_t object_ = -1;
    std::int64_t groups_ = 0;
    Status status_ = Status::Ok;
    std::string problem_;
};

// `count` quoted names, each followed by `after` bytes (and preceded by `before`).
bool readNames(Reader& r, std::int32_t count, std::size_t before, std::size_t after, const char* countWhat,
               const char* what, std::vector<std::string>& out) {
    if (!r.fits(count, before + kQuotedMin + after, countWhat)) return false;
    if (!r.within(count, kMaxShapeNames, countWhat)) return false;
    if (count <= 0) return true;
    out.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        std::string name;
        if (!r.skip(before, what) || !r.quoted(name, what) || !r.skip(after, what)) return false;
        out.push_back(std::move(name));
    }
    return true;
}

template <typename T>
void copyRecords(T* to, const std::uint8_t* from, std::size_t count, std::size_t stride, std::size_t offset) {
    for (std::size_t i = 0; i < count; ++i) std::memcpy(&to[i], from + i * stride + offset, sizeof(T));
}

// Fills `values` from `count` little-endian 4-byte values of a record.
template <typename T, std::size_t N>
void readWords(std::array<T, N>& values, const std::uint8_t* from, std::size_t count) {
    static_assert(sizeof(T) == 4);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(values.data(), from, count * 4);
    } else {
        const std::span<const std::uint8_t> s(from, count * 4);
        for (std::size_t k = 0; k < count; ++k) values[k] = std::bit_cast<T>(bytes::u32(s, k * 4));
    }
}

bool readVertices(Reader& r, ShapeObject& obj) {
    const std::size_t extraBytes = obj.extraUnits > 0 ? static_cast<std::size_t>(obj.extraUnits) * 8 : 0;
    const std::uint64_t stride = kVertexBase + static_cast<std::uint64_t>(extraBytes);
    if (!r.fits(obj.vertexCount, stride, "vertices")) return false;
    if (obj.vertexCount <= 0) return true;
    const auto n = static_cast<std::size_t>(obj.vertexCount);
    const auto step = static_cast<std::size_t>(stride);
    const std::uint8_t* p = r.here();
    obj.positions.resize(n);
    obj.normals.resize(n);
    obj.texCoords.resize(n);
    if constexpr (std::endian::native == std::endian::little) {
        copyRecords(obj.positions.data(), p, n, step, 0);
        copyRecords(obj.normals.data(), p, n, step, 12);
        copyRecords(obj.texCoords.data(), p, n, step, 24);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            readWords(obj.positions[i], p + i * step, 3);
            readWords(obj.normals[i], p + i * step + 12, 3);
            readWords(obj.texCoords[i], p + i * step + 24, 2);
        }
    }
    if (extraBytes > 0) {
        obj.extra.resize(n * extraBytes);
        std::uint8_t* to = obj.extra.data();
        for (std::size_t i = 0; i < n; ++i) std::memcpy(to + i * extraBytes, p + i * step + kVertexBase, extraBytes);
    }
    r.advance(n * step);
    return true;
}

bool checkTriangleLimit(Reader& r, const ShapeObject& obj) {
    if (obj.faceCount <= kMaxShapeTriangles) return true;
    return r.fail(Status::Damaged, r.objectName() + " declares " + std::to_string(obj.faceCount) +
                                       " triangles, more than " + std::to_string(kMaxShapeTriangles));
}

bool readTriangles(Reader& r, ShapeObject& obj) {
    if (!checkTriangleLimit(r, obj)) return false;
    if (!r.fits(obj.faceCount, kTriangleSize, "triangles")) return false;
    if (obj.faceCount <= 0) return true;
    const auto n = static_cast<std::size_t>(obj.faceCount);
    const std::uint8_t* p = r.here();
    obj.triangles.resize(n);
    if constexpr (std::endian::native == std::endian::little) {
        copyRecords(obj.triangles.data(), p, n, kTriangleSize, 0);
    } else {
        for (std::size_t i = 0; i < n; ++i) readWords(obj.triangles[i], p + i * kTriangleSize, 3);
    }
    // One pass over all indices; the message is built only for a bad one.
    const auto vertices = static_cast<std::uint32_t>(obj.positions.size());
    std::uint32_t bad = 0;
    for (const auto& t : obj.triangles) {
        bad |= static_cast<std::uint32_t>(static_cast<std::uint32_t>(t[0]) >= vertices) |
               static_cast<std::uint32_t>(static_cast<std::uint32_t>(t[1]) >= vertices) |
               static_cast<std::uint32_t>(static_cast<std::uint32_t>(t[2]) >= vertices);
    }
    if (bad != 0) {
        for (std::size_t i = 0; i < n; ++i) {
            for (const std::int32_t v : obj.triangles[i]) {
                if (v < 0 || static_cast<std::uint32_t>(v) >= vertices) {
                    return r.fail(Status::Damaged, "triangle " + std::to_string(i) + " of " + r.objectName() +
                                                       " names vertex " + std::to_string(v) + " of " +
                                                       std::to_string(vertices));
                }
            }
        }
    }
    r.advance(n * kTriangleSize);
    return true;
}

bool readGroups(Reader& r, ShapeObject& obj, std::int32_t groupCount) {
    const std::size_t size = groupRecordSize(obj.groupKind);
    if (!r.fits(groupCount, size, "groups")) return false;
    if (!r.addGroups(groupCount)) return false;
    if (groupCount <= 0) return true;
    const auto n = static_cast<std::size_t>(groupCount);
    const std::uint8_t* p = r.here();
    obj.groups.resize(n);
    const auto triangles = static_cast<std::int64_t>(obj.triangles.size());
    for (std::size_t i = 0; i < n; ++i) {
        ShapeGroup& g = obj.groups[i];
        readWords(g.fields, p + i * size, size / 4);
        const std::int32_t first = g.firstFace();
        const std::int32_t count = g.faceCount();
        if (first < 0 || count < 0 || (count > 0 && static_cast<std::int64_t>(first) + count > triangles)) {
            const std::string which = "group " + std::to_string(i) + " of " + r.objectName();
            if (first < 0) return r.fail(Status::Damaged, which + " starts at face " + std::to_string(first));
            if (count < 0) return r.fail(Status::Damaged, which + " has " + std::to_string(count) + " faces");
            return r.fail(Status::Damaged,
                          which + " runs past the object's " + std::to_string(triangles) + " triangles");
        }
    }
    r.advance(n * size);
    return true;
}

bool readIndexLists(Reader& r, ShapeObject& obj, std::int32_t listCount) {
    if (!r.fits(listCount, 8, "index lists")) return false;
    if (listCount <= 0) return true;
    obj.indexLists.resize(static_cast<std::size_t>(listCount));
    for (auto& list : obj.indexLists) {
        std::int32_t first = 0;
        std::int32_t length = 0;
        if (!r.readI32(first, "the index lists") || !r.readI32(length, "the index lists")) return false;
        if (!r.fits(length, 4, "indices")) return false;
        if (length <= 0) continue;
        const auto n = static_cast<std::size_t>(length);
        list.resize(n);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(list.data(), r.here(), n * 4);
        } else {
            const std::span<const std::uint8_t> s(r.here(), n * 4);
            for (std::size_t k = 0; k < n; ++k) list[k] = bytes::i32(s, k * 4);
        }
        r.advance(n * 4);
    }
    return true;
}

bool readObject(Reader& r, ShapeObject& obj, bool first) {
    if (!r.skip(first ? 8 : 12, "the object's lead")) return false;
    if (!r.readI32(obj.faceCount, "the object header") || !r.readI32(obj.vertexCount, "the object header") ||
        !r.readI32(obj.groupKind, "the object header") || !r.readI32(obj.extraUnits, "the object header") ||
        !r.skip(8, "the object header")) {
        return false;
    }
    // The triangle limit holds whatever the bytes: test it before the vertices.
    if (!checkTriangleLimit(r, obj)) return false;
    if (!readVertices(r, obj)) return false;
    if (!r.skip(8, "the bytes behind the vertices")) return false;
    if (!readTriangles(r, obj)) return false;
    std::int32_t groupCount = 0;
    if (!r.skip(12, "the group count") || !r.readI32(groupCount, "the group count")) return false;
    if (!readGroups(r, obj, groupCount)) return false;
    std::int32_t listCount = 0;
    if (!r.skip(12, "the index list count") || !r.readI32(listCount, "the index list count")) return false;
    return readIndexLists(r, obj, listCount);
}

bool readShape(Reader& r, std::span<const std::uint8_t> bytes, ShapeData& shape) {
    // 1. Signature.
    if (bytes.size() < kSignatureSize) return r.skip(kSignatureSize, "the signature");
    const auto* sig = bytes.data();
    const auto* nul = static_cast<const std::uint8_t*>(std::memchr(sig, 0, kSignatureSize));
    const std::size_t textLength = nul ? static_cast<std::size_t>(nul - sig) : kSignatureSize;
    if (textLength == 0 || sig[textLength - 1] != 'H') {
        return r.fail(Status::NotAShape, "the signature does not end in \"H\"");
    }
    const std::uint8_t digit = sig[13];
    if (digit < '0' || digit > '9') {
        return r.fail(Status::Damaged, "the signature's version byte " + std::to_string(digit) + " is not a digit");
    }
    shape.version = digit - '0';
    const int version = shape.version;
    r.advance(kSignatureSize);

    // 2., 3. Name and the version-7 bytes behind it.
    if (!r.quoted(shape.name, "the shape name")) return false;
    if (version == 7 && !r.skip(4, "the bytes behind the shape name")) return false;

    // 4. Counts.
    std::int32_t objectCount = 0;
    std::int32_t materialCount = 0;
    if (!r.readI32(objectCount, "the counts") || !r.skip(12, "the counts") ||
        !r.readI32(materialCount, "the counts")) {
        return false;
    }

    // 5. Materials.
    const std::size_t materialTail =
        24 + 64 + (version > 4 ? 16 : 0) + 16 + 8 + 28 + 16 + (version == 7 ? 16 : 8);
    if (!readNames(r, materialCount, 4, materialTail, "materials", "the materials", shape.materials)) return false;

    // 6. Version 7: 80-byte records.
    if (version == 7) {
        std::int32_t n = 0;
        if (!r.blockCount(n, "the 80-byte records' block")) return false;
        if (!r.fits(n, 80, "80-byte records")) return false;
        if (n > 0) r.advance(static_cast<std::size_t>(n) * 80);
    }

    // 7. Versions above 4: a name list.
    if (version > 4) {
        std::int32_t n = 0;
        if (!r.blockCount(n, "the second name list's block")) return false;
        if (!readNames(r, n, 4, 72, "names in the second name list", "the second name list", shape.section7Names)) {
            return false;
        }
    }

    // 8. Texture names.
    std::int32_t textureCount = 0;
    if (!r.blockCount(textureCount, "the texture names' block")) return false;
    if (!readNames(r, textureCount, 0, 0, "texture names", "the texture names", shape.textures)) return false;

    // 9. Another name list with fixed-size tails.
    {
        std::int32_t n = 0;
        if (!r.blockCount(n, "the third name list's block")) return false;
        const std::size_t tail = 64 + (version == 4 ? 76 : 80);
        if (!readNames(r, n, 0, tail, "names in the third name list", "the third name list", shape.section9Names)) {
            return false;
        }
    }

    // 10. Objects.
    if (!r.fits(objectCount, kObjectMin, "objects")) return false;
    if (!r.within(objectCount, kMaxShapeObjects, "objects")) return false;
    if (objectCount > 0) {
        shape.objects.resize(static_cast<std::size_t>(objectCount));
        for (std::size_t i = 0; i < shape.objects.size(); ++i) {
            r.setObject(static_cast<std::int64_t>(i));
            if (!readObject(r, shape.objects[i], i == 0)) return false;
        }
        r.setObject(-1);
    }

    // 11. Trailer.
    return r.skip(8, "the trailer");
}

}  // namespace

bool readQuotedString(std::span<const std::uint8_t> bytes, std::size_t& at, std::string& out) {
    if (at >= bytes.size()) return false;
    const std::size_t start = at + 1;
    const std::size_t available = bytes.size() - start;
    const std::size_t scan = std::min(available, kQuotedMax);
    const auto* begin = reinterpret_cast<const char*>(bytes.data() + start);
    const auto* quote = static_cast<const char*>(std::memchr(begin, '"', scan));
    if (quote != nullptr) {
        const auto length = static_cast<std::size_t>(quote - begin);
        out.assign(begin, length);
        at = start + length + 1;
        return true;
    }
    if (available < kQuotedMax) return false;
    out.assign(begin, kQuotedMax);
    at = start + kQuotedMax;
    return true;
}

ShapeDecodeResult decodeShape(std::span<const std::uint8_t> bytes) {
    ShapeDecodeResult result;
    Reader reader(bytes);
    if (!readShape(reader, bytes, result.shape)) {
        result.status = reader.status();
        result.problem = reader.takeProblem();
        result.shape = ShapeData{};
    }
    return result;
}

}  // namespace varnisk

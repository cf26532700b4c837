#include "preview/Meshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "preview/RecordingGl.h"

// Every allocation of the test program goes through here; while
// gCountAllocations is set, each one is counted. It allocates with malloc,
// and the deletes below release with free, as a pair.
namespace {
std::atomic<bool> gCountAllocations{false};
std::atomic<long> gAllocations{0};
}  // namespace

// GCC cannot tell that these deletes pair with the news above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (gCountAllocations.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (gCountAllocations.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

using namespace varnisk;

namespace {

using Call = RecordingGl::Call;

double d(GLenum e) { return static_cast<double>(e); }

struct Range {
    double lo = 1e9, hi = -1e9;
    void add(double v) { lo = std::min(lo, v), hi = std::max(hi, v); }
};

// What the vertices of a group or a mesh span.
struct Extent {
    Range x, y, z, r, s, t;
    void add(const MeshVertex& v) {
        x.add(v.x), y.add(v.y), z.add(v.z), s.add(v.s), t.add(v.t);
        r.add(std::hypot(v.y, v.z));  // distance from the x axis
    }
};

Extent extentOf(const MeshGroup& g) {
    Extent e;
    for (std::size_t i = 0; i < 3 * g.triangles; ++i) e.add(g.vertices[i]);
    return e;
}
Extent extentOf(const Mesh& m) {
    Extent e;
    for (std::size_t g = 0; g < m.groupCount; ++g)
        for (std::size_t i = 0; i < 3 * m.groups[g].triangles; ++i) e.add(m.groups[g].vertices[i]);
    return e;
}

struct NamedMesh {
    const char* name;
    const Mesh& (*mesh)();
};
const NamedMesh kMeshes[] = {{"helmet", helmetMesh}, {"rear tyre", rearTyreMesh}, {"front tyre", frontTyreMesh}};

constexpr double kTolerance = 0.0015;

// The calls with each run of texCoord, normal and vertex calls folded into
// one call "vertices" whose argument is the number of vertex calls.
std::vector<Call> folded(const std::vector<Call>& calls) {
    std::vector<Call> out;
    for (const Call& c : calls) {
        const bool data = c.op == "texCoord" || c.op == "normal" || c.op == "vertex";
        if (!data) {
            out.push_back(c);
            continue;
        }
        if (out.empty() || out.back().op != "vertices") out.push_back({"vertices", {0}});
        if (c.op == "vertex") out.back().args[0] += 1;
    }
    return out;
}

// The emitted texCoord, normal, vertex triples, flattened.
std::vector<double> vertexData(const std::vector<Call>& calls) {
    std::vector<double> out;
    for (const Call& c : calls)
        if (c.op == "texCoord" || c.op == "normal" || c.op == "vertex")
            out.insert(out.end(), c.args.begin(), c.args.end());
    return out;
}
std::vector<double> vertexData(const Mesh& m) {
    std::vector<double> out;
    for (std::size_t g = 0; g < m.groupCount; ++g) {
        for (std::size_t i = 0; i < 3 * m.groups[g].triangles; ++i) {
            const MeshVertex& v = m.groups[g].vertices[i];
            out.insert(out.end(), {v.s, v.t, v.nx, v.ny, v.nz, v.x, v.y, v.z});
        }
    }
    return out;
}

TEST(Meshes, GroupsHaveTheirTriangleCounts) {
    const struct {
        const Mesh& mesh;
        std::vector<std::size_t> triangles;
        std::size_t total;
    } cases[] = {
        {helmetMesh(), {172, 98, 12}, 282},
        {rearTyreMesh(), {40, 80, 4, 40, 120, 80, 80}, 444},
        {frontTyreMesh(), {40, 80, 4, 40, 120, 80, 81}, 445},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.mesh.groupCount, c.triangles.size());
        std::size_t total = 0;
        for (std::size_t g = 0; g < c.mesh.groupCount; ++g) {
            EXPECT_EQ(c.mesh.groups[g].triangles, c.triangles[g]) << "group " << g + 1;
            total += c.mesh.groups[g].triangles;
        }
        EXPECT_EQ(total, c.total);
        // The groups follow each other in one block of vertices.
        for (std::size_t g = 1; g < c.mesh.groupCount; ++g)
            EXPECT_EQ(c.mesh.groups[g].vertices, c.mesh.groups[g - 1].vertices + 3 * c.mesh.groups[g - 1].triangles);
    }
}

TEST(Meshes, MeshesFillTheirBoxes) {
    const struct {
        const Mesh& mesh;
        double x0, x1, y0, y1, z0, z1;
    } cases[] = {
        {helmetMesh(), -0.133, 0.134, -0.108, 0.198, -0.150, 0.195},
        {rearTyreMesh(), -0.187, 0.187, -0.326, 0.326, -0.326, 0.326},
        {frontTyreMesh(), -0.164, 0.164, -0.326, 0.326, -0.326, 0.326},
    };
    for (const auto& c : cases) {
        const Extent e = extentOf(c.mesh);
        EXPECT_NEAR(e.x.lo, c.x0, kTolerance);
        EXPECT_NEAR(e.x.hi, c.x1, kTolerance);
        EXPECT_NEAR(e.y.lo, c.y0, kTolerance);
        EXPECT_NEAR(e.y.hi, c.y1, kTolerance);
        EXPECT_NEAR(e.z.lo, c.z0, kTolerance);
        EXPECT_NEAR(e.z.hi, c.z1, kTolerance);
    }
}

TEST(Meshes, TyreGroupsSpanTheirRadiiAndWidths) {
    struct Span {
        double r0, r1, x0, x1;
    };
    const struct {
        const char* name;
        const Mesh& mesh;
        Span groups[7];
    } cases[] = {
        {"rear",
         rearTyreMesh(),
         {{0.136, 0.164, -0.063, 0.18},
          {0.164, 0.182, -0.18, 0.18},
          {0.201, 0.201, -0.063, -0.026},
          {0.136, 0.164, -0.18, -0.063},
          {0.304, 0.326, -0.164, 0.164},
          {0.182, 0.304, 0.164, 0.187},
          {0.182, 0.304, -0.187, -0.164}}},
        {"front",
         frontTyreMesh(),
         {{0.136, 0.164, -0.091, 0.158},
          {0.164, 0.182, -0.158, 0.158},
          {0.203, 0.204, -0.091, -0.054},
          {0.136, 0.164, -0.158, -0.091},
          {0.307, 0.326, -0.13, 0.13},
          {0.182, 0.307, 0.13, 0.164},
          {0.182, 0.307, -0.164, -0.13}}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.mesh.groupCount, 7u);
        for (std::size_t g = 0; g < 7; ++g) {
            SCOPED_TRACE(std::string(c.name) + " tyre, group " + std::to_string(g + 1));
            const Extent e = extentOf(c.mesh.groups[g]);
            const Span& want = c.groups[g];
            EXPECT_NEAR(e.r.lo, want.r0, kTolerance);
            EXPECT_NEAR(e.r.hi, want.r1, kTolerance);
            EXPECT_NEAR(e.x.lo, want.x0, kTolerance);
            EXPECT_NEAR(e.x.hi, want.x1, kTolerance);
        }
    }
}

// The tyre is one surface: the tread's edges are the sidewalls' outer rings,
// and the rim's dished faces end on the barrel.
TEST(Meshes, TyrePartsMeetWithoutGaps) {
    auto positions = [](const MeshGroup& g) {
        std::vector<std::array<float, 3>> out;
        for (std::size_t i = 0; i < 3 * g.triangles; ++i)
            out.push_back({g.vertices[i].x, g.vertices[i].y, g.vertices[i].z});
        return out;
    };
    // Every vertex of group `from` at x = edge is also a vertex of `onto`.
    auto edgeLiesOn = [&](const Mesh& m, std::size_t from, std::size_t onto, float edge) {
        const auto target = positions(m.groups[onto]);
        int checked = 0;
        for (const auto& p : positions(m.groups[from])) {
            if (std::fabs(p[0] - edge) > 1e-6f) continue;
            ++checked;
            const bool found = std::any_of(target.begin(), target.end(), [&](const auto& q) {
                return std::fabs(p[0] - q[0]) < 1e-6f && std::fabs(p[1] - q[1]) < 1e-6f &&
                       std::fabs(p[2] - q[2]) < 1e-6f;
            });
            if (!found)
                return ::testing::AssertionFailure() << "group " << from + 1 << " vertex (" << p[0] << ", " << p[1]
                                                     << ", " << p[2] << ") is not on group " << onto + 1;
        }
        if (checked == 0)
            return ::testing::AssertionFailure() << "no vertex of group " << from + 1 << " at x = " << edge;
        return ::testing::AssertionSuccess();
    };
    EXPECT_TRUE(edgeLiesOn(rearTyreMesh(), 4, 5, 0.164f));   // tread, +x sidewall
    EXPECT_TRUE(edgeLiesOn(rearTyreMesh(), 4, 6, -0.164f));  // tread, -x sidewall
    EXPECT_TRUE(edgeLiesOn(rearTyreMesh(), 0, 1, 0.18f));    // +x disc, barrel
    EXPECT_TRUE(edgeLiesOn(rearTyreMesh(), 3, 1, -0.18f));   // -x disc, barrel
    EXPECT_TRUE(edgeLiesOn(frontTyreMesh(), 4, 5, 0.13f));
    EXPECT_TRUE(edgeLiesOn(frontTyreMesh(), 4, 6, -0.13f));
    EXPECT_TRUE(edgeLiesOn(frontTyreMesh(), 0, 1, 0.158f));
    EXPECT_TRUE(edgeLiesOn(frontTyreMesh(), 3, 1, -0.158f));
}

TEST(Meshes, TextureCoordinatesStayInTheirRanges) {
    for (const auto& tyre : {&rearTyreMesh, &frontTyreMesh}) {
        const Extent e = extentOf(tyre());
        EXPECT_GE(e.s.lo, 0.0);
        EXPECT_LE(e.s.hi, 1.0);
        // The tread texture runs round the tyre 2.6 times.
        const Extent tread = extentOf(tyre().groups[4]);
        EXPECT_FLOAT_EQ(static_cast<float>(tread.s.lo), 0.0f);
        EXPECT_FLOAT_EQ(static_cast<float>(tread.s.hi), 1.0f);
        EXPECT_FLOAT_EQ(static_cast<float>(tread.t.lo), -0.9f);
        EXPECT_FLOAT_EQ(static_cast<float>(tread.t.hi), 1.7f);
        EXPECT_GE(e.t.lo, tread.t.lo);
        EXPECT_LE(e.t.hi, tread.t.hi);
    }
    const Extent helmet = extentOf(helmetMesh());
    EXPECT_GE(helmet.s.lo, 0.0);
    EXPECT_LE(helmet.s.hi, 1.0);
    EXPECT_GE(helmet.t.lo, 0.0);
    EXPECT_LE(helmet.t.hi, 1.0);
}

TEST(Meshes, NormalsAreUnitAndPointOutward) {
    for (const NamedMesh& named : kMeshes) {
        const Mesh& m = named.mesh();
        const bool helmet = &m == &helmetMesh();
        for (std::size_t g = 0; g < m.groupCount; ++g) {
            SCOPED_TRACE(std::string(named.name) + ", group " + std::to_string(g + 1));
            int bad = 0;
            for (std::size_t i = 0; i < 3 * m.groups[g].triangles; ++i) {
                const MeshVertex& v = m.groups[g].vertices[i];
                const double length = std::sqrt(double{v.nx} * v.nx + double{v.ny} * v.ny + double{v.nz} * v.nz);
                EXPECT_NEAR(length, 1.0, 1e-5);
                double outward;
                if (helmet) {
                    // Away from the middle of the head.
                    outward = v.nx * (v.x - 0.0) + v.ny * (v.y - 0.045) + v.nz * (v.z - 0.0);
                } else if (g == 0 || g == 5) {
                    outward = v.nx;  // the rim disc and the sidewall on the +x side
                } else if (g == 3 || g == 6) {
                    outward = -v.nx;
                } else {
                    outward = v.ny * v.y + v.nz * v.z;  // barrel, rim plate, tread: away from the axis
                }
                if (outward <= 0) ++bad;
            }
            EXPECT_EQ(bad, 0);
        }
    }
}

// Seen from the side their normals point to, the tyres' triangles turn
// counter-clockwise. The helmet is always drawn under a mirror in x, so its
// triangles turn clockwise: on screen they are front faces.
TEST(Meshes, TrianglesTurnOneWay) {
    for (const NamedMesh& named : kMeshes) {
        const Mesh& m = named.mesh();
        const double want = &m == &helmetMesh() ? -1 : 1;
        int wrong = 0, degenerate = 0;
        for (std::size_t g = 0; g < m.groupCount; ++g) {
            for (std::size_t i = 0; i < m.groups[g].triangles; ++i) {
                const MeshVertex* v = m.groups[g].vertices + 3 * i;
                const double ux = v[1].x - v[0].x, uy = v[1].y - v[0].y, uz = v[1].z - v[0].z;
                const double wx = v[2].x - v[0].x, wy = v[2].y - v[0].y, wz = v[2].z - v[0].z;
                const double fx = uy * wz - uz * wy, fy = uz * wx - ux * wz, fz = ux * wy - uy * wx;
                if (std::sqrt(fx * fx + fy * fy + fz * fz) < 1e-9) ++degenerate;
                const double side = fx * (v[0].nx + v[1].nx + v[2].nx) + fy * (v[0].ny + v[1].ny + v[2].ny) +
                                    fz * (v[0].nz + v[1].nz + v[2].nz);
                if (side * want <= 0) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << named.name;
        EXPECT_EQ(degenerate, 0) << named.name;
    }
}

TyreLook look() {
    TyreLook l;
    l.RimMaterial = {0.25f, 0.5f, 0.75f, 1};
    l.RimTexture = 7;
    l.TreadTexture = 9;
    return l;
}

template <typename Draw>
std::vector<Call> recorded(Draw draw) {
    RecordingGl gl;
    draw(gl);
    return gl.calls;
}

TEST(Meshes, EmittedVerticesAreTheMeshData) {
    const TyreLook l = look();
    EXPECT_EQ(vertexData(recorded([&](Gl& gl) { drawRearTyre(gl, l, 1, 2, 3); })), vertexData(rearTyreMesh()));
    EXPECT_EQ(vertexData(recorded([&](Gl& gl) { drawFrontTyre(gl, l, 1, 2, 3); })), vertexData(frontTyreMesh()));
    RecordingGl gl;
    buildHelmet(gl, 6, 0.1f, 0.2f);
    EXPECT_EQ(vertexData(gl.lists[6]), vertexData(helmetMesh()));
}

TEST(Meshes, EveryEmissionIsTheSame) {
    const TyreLook l = look();
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        EXPECT_EQ(recorded([&](Gl& gl) { drawRearTyre(gl, l, 1, 2, 3); }),
                  recorded([&](Gl& gl) { drawRearTyre(gl, l, 1, 2, 3); }));
        EXPECT_EQ(recorded([&](Gl& gl) { drawFrontTyre(gl, l, 1, 2, 3); }),
                  recorded([&](Gl& gl) { drawFrontTyre(gl, l, 1, 2, 3); }));
        RecordingGl a, b;
        buildHelmet(a, 6, -0.15f, 0.01f);
        buildHelmet(b, 6, -0.15f, 0.01f);
        EXPECT_EQ(a.lists[6], b.lists[6]);
    }
}

// A GL that does nothing, so that it allocates nothing either.
class NullGl : public Gl {
public:
    long vertices = 0;
    GLuint genLists(GLsizei) override { return 1; }
    void newList(GLuint, GLenum) override {}
    void endList() override {}
    void callList(GLuint) override {}
    void deleteLists(GLuint, GLsizei) override {}
    void matrixMode(GLenum) override {}
    void loadIdentity() override {}
    void translate(float, float, float) override {}
    void rotate(float, float, float, float) override {}
    void scale(float, float, float) override {}
    void perspective(double, double, double, double) override {}
    void viewport(GLint, GLint, GLsizei, GLsizei) override {}
    void enable(GLenum) override {}
    void disable(GLenum) override {}
    void clearColor(float, float, float, float) override {}
    void clearDepth(double) override {}
    void clear(GLbitfield) override {}
    void shadeModel(GLenum) override {}
    void hint(GLenum, GLenum) override {}
    void blendFunc(GLenum, GLenum) override {}
    void alphaFunc(GLenum, float) override {}
    void lightfv(GLenum, GLenum, const float*) override {}
    void lightModeli(GLenum, GLint) override {}
    void materialfv(GLenum, GLenum, const float*) override {}
    void materialf(GLenum, GLenum, float) override {}
    void begin(GLenum) override {}
    void end() override {}
    void texCoord(float, float) override {}
    void normal(float, float, float) override {}
    void vertex(float, float, float) override { ++vertices; }
    GLuint genTexture() override { return 1; }
    void deleteTexture(GLuint) override {}
    void bindTexture(GLenum, GLuint) override {}
    void texEnvi(GLenum, GLenum, GLint) override {}
    void texParameteri(GLenum, GLenum, GLint) override {}
    GLint build2DMipmaps(GLenum, GLint, GLint, GLint, GLenum, GLenum, const void*) override { return 0; }
    void texImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*) override {}
    std::string versionString() override { return {}; }
};

void* volatile gKept = nullptr;

TEST(Meshes, EmittingAllocatesNothing) {
    NullGl gl;
    const TyreLook l = look();
    // The data is made on first use; from then on it is only read.
    drawRearTyre(gl, l, 0, 0, 0);
    drawFrontTyre(gl, l, 0, 0, 0);
    buildHelmet(gl, 6, 0, 0);
    gl.vertices = 0;

    gAllocations = 0;
    gCountAllocations = true;
    gKept = ::operator new(16);  // the counter itself works
    ::operator delete(gKept);
    const long control = gAllocations.exchange(0);
    for (int frame = 0; frame < 2; ++frame) {
        for (int wheel = 0; wheel < 2; ++wheel) {
            drawRearTyre(gl, l, 1, 2, 3);
            drawFrontTyre(gl, l, 4, 5, 6);
        }
        buildHelmet(gl, 6, -0.15f, 0.01f);
    }
    gCountAllocations = false;
    EXPECT_EQ(control, 1);
    EXPECT_EQ(gAllocations.load(), 0);
    EXPECT_EQ(gl.vertices, 3 * (4 * (444 + 445) + 2 * 282));
}

Call call(std::string op, std::vector<double> args = {}) { return {std::move(op), std::move(args)}; }
Call vertices(std::size_t triangles) { return call("vertices", {3.0 * static_cast<double>(triangles)}); }
Call material(GLenum face, GLenum what, double r, double g, double b, double a) {
    return call("materialfv", {d(face), d(what), r, g, b, a});
}

TEST(Meshes, HelmetListLightsAndPlacesTheHelmet) {
    const struct {
        float hy, hz;
        double y, z;  // the translation, in preview units
    } cases[] = {
        {0, 0, 0, 0},  // centred on the car frame's origin
        {-0.25f, 0.5f, -50, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hy);
        RecordingGl gl;
        buildHelmet(gl, 17, c.hy, c.hz);
        ASSERT_FALSE(gl.calls.empty());
        EXPECT_EQ(gl.calls.front(), call("newList", {17, d(GL_COMPILE)}));
        EXPECT_EQ(gl.calls.back(), call("endList"));
        const double inverse = 1.0f / 200.0f;
        std::vector<Call> want = {call("enable", {d(GL_TEXTURE_2D)})};
        for (GLenum light : {GL_LIGHT0, GL_LIGHT2, GL_LIGHT3, GL_LIGHT4, GL_LIGHT5, GL_LIGHT6})
            want.push_back(call("disable", {d(light)}));
        const std::vector<Call> rest = {
            call("translate", {0, c.y, c.z}),
            call("scale", {-200, 200, 200}),
            call("bindTexture", {d(GL_TEXTURE_2D), 0}),
            call("begin", {d(GL_TRIANGLES)}),
            material(GL_FRONT, GL_DIFFUSE, 1, 1, 1, 1),
            material(GL_FRONT, GL_AMBIENT, 0.4f, 0.4f, 0.4f, 1),
            vertices(172),
            call("end"),
            call("bindTexture", {d(GL_TEXTURE_2D), 0}),
            call("begin", {d(GL_TRIANGLES)}),
            material(GL_FRONT, GL_DIFFUSE, 1, 1, 1, 1),
            vertices(98),
            call("end"),
            call("bindTexture", {d(GL_TEXTURE_2D), 0}),
            call("begin", {d(GL_TRIANGLES)}),
            material(GL_FRONT, GL_DIFFUSE, 1, 1, 1, 1),
            vertices(12),
            call("end"),
            call("scale", {-inverse, inverse, inverse}),
            call("translate", {0, -c.y, -c.z}),
        };
        want.insert(want.end(), rest.begin(), rest.end());
        for (GLenum light : {GL_LIGHT0, GL_LIGHT1, GL_LIGHT2, GL_LIGHT3, GL_LIGHT4, GL_LIGHT5, GL_LIGHT6})
            want.push_back(call("enable", {d(light)}));
        EXPECT_EQ(folded(gl.lists[17]), want);
    }
}

// Which of lights 0 to 7 are on after a run of calls, from all on.
std::vector<bool> lightsAfter(const std::vector<Call>& calls) {
    std::vector<bool> on(8, true);
    for (const Call& c : calls) {
        if (c.op != "enable" && c.op != "disable") continue;
        const double n = c.args[0] - GL_LIGHT0;
        if (n >= 0 && n < 8) on[static_cast<std::size_t>(n)] = c.op == "enable";
    }
    return on;
}

TEST(Meshes, TyresSwitchLightsAndSetTexturesAndMaterials) {
    const TyreLook l = look();
    for (const bool rear : {true, false}) {
        SCOPED_TRACE(rear ? "rear" : "front");
        const auto calls = recorded([&](Gl& gl) {
            if (rear) {
                drawRearTyre(gl, l, 12.5f, -40, 300);
            } else {
                drawFrontTyre(gl, l, 12.5f, -40, 300);
            }
        });
        const double inverse = 1.0f / 200.0f;
        const Call rim = call("bindTexture", {d(GL_TEXTURE_2D), 7});
        const Call begin = call("begin", {d(GL_TRIANGLES)});
        std::vector<Call> want = {call("translate", {12.5, -40, 300}), call("scale", {200, 200, 200}),
                                  call("enable", {d(GL_LIGHT5)})};
        if (rear) want.push_back(call("disable", {d(GL_LIGHT2)}));
        const std::vector<Call> rest = {
            rim, begin,
            material(GL_FRONT_AND_BACK, GL_DIFFUSE, 0.25, 0.5, 0.75, 1),
            material(GL_FRONT_AND_BACK, GL_AMBIENT, 0.1f, 0.1f, 0.1f, 1),
            vertices(40), call("end"),
            rim, begin, vertices(80), call("end"),
            rim, begin, vertices(4), call("end"),
            rim, begin, vertices(40), call("end"),
            call("disable", {d(GL_LIGHT4)}), call("disable", {d(GL_LIGHT5)}),
            call("bindTexture", {d(GL_TEXTURE_2D), 9}), begin,
            material(GL_FRONT_AND_BACK, GL_DIFFUSE, 1, 1, 1, 1),
            material(GL_FRONT_AND_BACK, GL_AMBIENT, 1, 1, 1, 1),
            vertices(120), call("end"),
            rim, begin, vertices(80), call("end"),
            rim, begin, vertices(rear ? 80 : 81), call("end"),
            call("scale", {inverse, inverse, inverse}),
            call("translate", {-12.5, 40, -300}),
        };
        want.insert(want.end(), rest.begin(), rest.end());
        EXPECT_EQ(folded(calls), want);

        // The rear tyre leaves light 2 off; the front tyre never touches it.
        const std::vector<bool> on = lightsAfter(calls);
        EXPECT_EQ(on[2], !rear);
        EXPECT_FALSE(on[4]);
        EXPECT_FALSE(on[5]);
        if (!rear) {
            EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [](const Call& c) {
                return (c.op == "enable" || c.op == "disable") && c.args[0] == d(GL_LIGHT2);
            }));
        }
    }
}

}  // namespace

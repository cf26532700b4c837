#include "preview/Meshes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace varnisk {

namespace {

// Preview units per mesh unit.
constexpr float kShapeScale = 200.0f;

constexpr double kPi = std::numbers::pi;
constexpr double degrees(double d) { return d * kPi / 180.0; }

// ---------------------------------------------------------------------------
// Building the data (once, on first use).

struct V3 {
    double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 unit(V3 a) {
    const double length = std::sqrt(dot(a, a));
    return length > 0 ? a * (1.0 / length) : a;
}

// One vertex while building, in doubles.
struct Point {
    V3 p;  // position
    V3 n;  // unit normal
    double s, t;
};

Point midpoint(const Point& a, const Point& b) {
    return {(a.p + b.p) * 0.5, unit(a.n + b.n), (a.s + b.s) / 2, (a.t + b.t) / 2};
}

// Which way a triangle's vertices turn, seen from the side its normals
// point to.
enum class Winding {
    CounterClockwise,  // the usual front face
    Clockwise,         // for a mesh always drawn under a mirror
};

// Fills a fixed vertex array triangle by triangle and counts the triangles
// of each group.
template <std::size_t Vertices, std::size_t Groups>
class Writer {
public:
    Writer(std::array<MeshVertex, Vertices>& out, std::array<MeshGroup, Groups>& groups, Winding winding)
        : out_(out), groups_(groups), winding_(winding) {}

    void startGroup() { groups_.at(group_) = {out_.data() + next_, 0}; }
    void endGroup() { ++group_; }

    // One triangle; its vertex order is turned round where needed so that
    // every triangle of the mesh turns the same way about its normals.
    void triangle(const Point& a, const Point& b, const Point& c) {
        const V3 face = cross(b.p - a.p, c.p - a.p);
        const double side = dot(face, a.n + b.n + c.n);
        const bool ccw = side > 0;
        if (ccw == (winding_ == Winding::CounterClockwise)) {
            put(a), put(b), put(c);
        } else {
            put(a), put(c), put(b);
        }
        ++groups_.at(group_).triangles;
    }
    // Two triangles of the quad a b c d (corners in order round it).
    void quad(const Point& a, const Point& b, const Point& c, const Point& d) {
        triangle(a, b, c);
        triangle(a, c, d);
    }

    // Every vertex of the array written, every group started.
    void finish() const {
        if (next_ != Vertices || group_ != Groups) throw std::logic_error("built-in mesh of the wrong size");
    }

private:
    void put(const Point& v) {
        out_.at(next_++) = {static_cast<float>(v.s), static_cast<float>(v.t), static_cast<float>(v.n.x),
                            static_cast<float>(v.n.y), static_cast<float>(v.n.z), static_cast<float>(v.p.x),
                            static_cast<float>(v.p.y), static_cast<float>(v.p.z)};
    }

    std::array<MeshVertex, Vertices>& out_;
    std::array<MeshGroup, Groups>& groups_;
    Winding winding_;
    std::size_t next_ = 0;
    std::size_t group_ = 0;
};

// ---------------------------------------------------------------------------
// Tyres: surfaces of revolution about the x axis, each a profile of rings
// (x, radius) swept round in 20 segments.

constexpr int kSegments = 20;

struct Ring {
    double x, r;
};

// How a surface's texture coordinates are made.
enum class Texturing {
    // The wheel picture laid flat over the side of the wheel: the rim parts
    // map by their radius onto the picture's rim, the sidewalls onto its
    // black outer ring.
    SidePicture,
    // The tread texture: s across the tyre, t round it, repeating 2.6 times.
    Tread,
};

// Where a surface's normals point: along the axis (toward +x or -x) or away
// from it, and how much of the axis direction is mixed into the true normal
// of the profile (the rim's dished faces are lit as if they faced the side).
struct Facing {
    double x, r;     // the outside of the surface, in (x, radius)
    double towardX;  // weight of (sign of x, 0) added to the profile's normal
};

struct Surface {
    const Ring* rings;
    int ringCount;
    Facing facing;
    Texturing texturing;
    int firstSegment = 0;
    int segments = kSegments;
    bool closingFan = false;  // the last segment of the first band as three triangles
};

// The radius in the wheel picture (texture units from its centre) that a
// radius on the wheel shows: the top of the rim barrel shows the picture's
// rim edge, 61 pixels from the centre of the 128-pixel picture; the
// sidewalls show the black tyre ring beyond it.
double pictureRadius(double r) {
    constexpr double rimEdge = 0.182;
    if (r <= rimEdge) return r / rimEdge * (61.0 / 128.0);
    const double beyond = std::min(1.0, (r - rimEdge) / 0.125);
    return (62.0 + 1.5 * beyond) / 128.0;
}

// The normal of the profile at ring i, in (x, radius).
Ring profileNormal(const Surface& s, int i) {
    const Ring& before = s.rings[std::max(i - 1, 0)];
    const Ring& after = s.rings[std::min(i + 1, s.ringCount - 1)];
    double nx = -(after.r - before.r), nr = after.x - before.x;
    if (nx * s.facing.x + nr * s.facing.r < 0) nx = -nx, nr = -nr;
    const double length = std::hypot(nx, nr);
    nx /= length, nr /= length;
    nx += s.facing.towardX * (s.facing.x > 0 ? 1 : s.facing.x < 0 ? -1 : 0);
    const double blended = std::hypot(nx, nr);
    return {nx / blended, nr / blended};
}

Point ringPoint(const Surface& s, int ring, int segment) {
    const Ring& at = s.rings[ring];
    const Ring n = profileNormal(s, ring);
    const double angle = 2 * kPi * segment / kSegments;
    const double c = std::cos(angle), sn = std::sin(angle);
    Point p{{at.x, at.r * c, at.r * sn}, unit({n.x, n.r * c, n.r * sn}), 0, 0};
    if (s.texturing == Texturing::Tread) {
        p.s = static_cast<double>(ring) / (s.ringCount - 1);
        p.t = -0.9 + 2.6 * segment / kSegments;
    } else {
        const double radius = pictureRadius(at.r);
        p.s = 0.5 + radius * c;
        p.t = 0.5 + radius * sn;
    }
    return p;
}

template <std::size_t V, std::size_t G>
void sweep(Writer<V, G>& w, const Surface& s) {
    w.startGroup();
    for (int band = 0; band + 1 < s.ringCount; ++band) {
        for (int k = s.firstSegment; k < s.firstSegment + s.segments; ++k) {
            const Point a = ringPoint(s, band, k), b = ringPoint(s, band, k + 1);
            const Point c = ringPoint(s, band + 1, k + 1), d = ringPoint(s, band + 1, k);
            if (s.closingFan && band == 0 && k == s.firstSegment + s.segments - 1) {
                // The middle of the edge a b lies on the straight edge the
                // neighbouring surface shares, so the fan leaves no gap.
                const Point m = midpoint(a, b);
                w.triangle(a, m, d);
                w.triangle(m, b, c);
                w.triangle(m, c, d);
            } else {
                w.quad(a, b, c, d);
            }
        }
    }
    w.endGroup();
}

// The two tyres differ only in their numbers.
struct TyreShape {
    Ring discOut[2];    // rim disc toward +x: hub ring to rim lip
    Ring barrel[3];     // rim barrel, widest in the middle
    Ring detail[3];     // a small plate on the rim (a balance weight)
    Ring discIn[2];     // rim disc toward -x
    Ring tread[4];      // three bands across, round shoulders
    Ring sidePlus[3];   // sidewall on the +x side: tread edge, bulge, bead
    Ring sideMinus[3];  // mirrored
    bool closingFan;    // the -x sidewall has one more triangle
};

constexpr TyreShape kRearShape{
    {{-0.063, 0.136}, {0.18, 0.164}},
    {{-0.18, 0.164}, {0, 0.182}, {0.18, 0.164}},
    {{-0.063, 0.201}, {-0.0445, 0.201}, {-0.026, 0.201}},
    {{-0.063, 0.136}, {-0.18, 0.164}},
    {{-0.164, 0.304}, {-0.055, 0.326}, {0.055, 0.326}, {0.164, 0.304}},
    {{0.164, 0.304}, {0.187, 0.243}, {0.164, 0.182}},
    {{-0.164, 0.304}, {-0.187, 0.243}, {-0.164, 0.182}},
    false,
};

constexpr TyreShape kFrontShape{
    {{-0.091, 0.136}, {0.158, 0.164}},
    {{-0.158, 0.164}, {0, 0.182}, {0.158, 0.164}},
    {{-0.091, 0.203}, {-0.0725, 0.2035}, {-0.054, 0.204}},
    {{-0.091, 0.136}, {-0.158, 0.164}},
    {{-0.13, 0.307}, {-0.043, 0.326}, {0.043, 0.326}, {0.13, 0.307}},
    {{0.13, 0.307}, {0.164, 0.2445}, {0.13, 0.182}},
    {{-0.13, 0.307}, {-0.164, 0.2445}, {-0.13, 0.182}},
    true,
};

constexpr std::size_t kTyreGroups = 7;

template <std::size_t Triangles>
struct TyreMesh {
    std::array<MeshVertex, 3 * Triangles> vertices{};
    std::array<MeshGroup, kTyreGroups> groups{};
    Mesh mesh{};

    explicit TyreMesh(const TyreShape& t) {
        constexpr Facing plusX{1, 0, 1}, minusX{-1, 0, 1}, out{0, 1, 0}, sidePlus{1, 0, 0}, sideMinus{-1, 0, 0};
        constexpr auto side = Texturing::SidePicture;
        Writer w(vertices, groups, Winding::CounterClockwise);
        sweep(w, {t.discOut, 2, plusX, side});
        sweep(w, {t.barrel, 3, out, side});
        sweep(w, {t.detail, 3, out, side, 0, 1});
        sweep(w, {t.discIn, 2, minusX, side});
        sweep(w, {t.tread, 4, out, Texturing::Tread});
        sweep(w, {t.sidePlus, 3, sidePlus, side});
        sweep(w, {t.sideMinus, 3, sideMinus, side, 0, kSegments, t.closingFan});
        w.finish();
        mesh = {groups.data(), groups.size()};
    }
    TyreMesh(const TyreMesh&) = delete;
    TyreMesh& operator=(const TyreMesh&) = delete;
};

// ---------------------------------------------------------------------------
// Helmet: a shell round the head, open at the eye port, with a chin bar
// drawn forward; a visor over the eye port; a small spoiler at the back of
// the top. Built in its own units about the head's centre, then fitted to
// the helmet's box.

// The shell as a surface: phi from the top (0) down, lambda round from the
// front (+z) toward +x.
V3 shellPoint(double phi, double lambda) {
    const double sp = std::sin(phi);
    V3 p{sp * std::sin(lambda), std::cos(phi), 1.1 * sp * std::cos(lambda)};
    // The chin bar: the front below the eye port comes forward.
    const double front = std::max(0.0, std::cos(lambda));
    const double below = std::clamp((phi - degrees(104)) / degrees(26), 0.0, 1.0);
    const double chin = below * below * (3 - 2 * below);
    p.z += 0.3 * chin * front * front;
    return p;
}

constexpr double kStep = 1e-4;  // for normals by central differences

V3 shellNormal(double phi, double lambda) {
    if (phi < kStep) return {0, 1, 0};
    const V3 down = shellPoint(phi + kStep, lambda) - shellPoint(phi - kStep, lambda);
    const V3 round = shellPoint(phi, lambda + kStep) - shellPoint(phi, lambda - kStep);
    return unit(cross(down, round));
}

// A patch lifted off the shell along its normal: lambda runs from lambda0
// to lambda1 (increasing) as u goes from 0 to 1, phi from phi0 to phi1
// (increasing) with v; lift(u, v) is the height. u and v are also its
// texture coordinates.
struct Patch {
    double phi0, phi1, lambda0, lambda1;
    double (*lift)(double u, double v);

    V3 at(double u, double v) const {
        const double phi = phi0 + (phi1 - phi0) * v, lambda = lambda0 + (lambda1 - lambda0) * u;
        return shellPoint(phi, lambda) + shellNormal(phi, lambda) * lift(u, v);
    }
    Point point(double u, double v) const {
        const V3 down = at(u, v + kStep) - at(u, v - kStep);
        const V3 round = at(u + kStep, v) - at(u - kStep, v);
        return {at(u, v), unit(cross(down, round)), u, v};
    }
};

constexpr int kShellColumns = 12;
// The shell's rings, from the top; the eye port is the band between rings 4
// and 5, from 60 degrees left to 60 degrees right of the front.
constexpr double kShellRings[] = {0, 20, 40, 58, 74, 106, 122, 136, 148};
constexpr int kShellRingCount = static_cast<int>(std::size(kShellRings));
constexpr int kEyePortBand = 4;

bool inEyePort(int band, int column) {
    return band == kEyePortBand && (column < 2 || column >= kShellColumns - 2);
}

Point shellVertex(int ring, int column) {
    const double phi = degrees(kShellRings[ring]);
    const double lambda = 2 * kPi * column / kShellColumns;
    return {shellPoint(phi, lambda), shellNormal(phi, lambda), static_cast<double>(column) / kShellColumns,
            kShellRings[ring] / kShellRings[kShellRingCount - 1]};
}

double visorLift(double u, double v) { return 0.03 + 0.04 * std::sin(kPi * u) * std::sin(kPi * v); }
double spoilerLift(double, double v) { return -0.005 + 0.09 * v * v; }

constexpr std::size_t kHelmetTriangles = 282;

struct HelmetMesh {
    std::array<MeshVertex, 3 * kHelmetTriangles> vertices{};
    std::array<MeshGroup, 3> groups{};
    Mesh mesh{};

    HelmetMesh() {
        // The list draws the helmet under a mirror in x: its triangles turn
        // clockwise seen from outside, so that they show as front faces and
        // take the front-face material the list sets.
        Writer w(vertices, groups, Winding::Clockwise);

        w.startGroup();  // the shell
        for (int c = 0; c < kShellColumns; ++c) {
            Point top = shellVertex(0, c);
            top.s = (c + 0.5) / kShellColumns;
            w.triangle(top, shellVertex(1, c + 1), shellVertex(1, c));
        }
        for (int band = 1; band + 1 < kShellRingCount; ++band) {
            for (int c = 0; c < kShellColumns; ++c) {
                if (inEyePort(band, c)) continue;
                w.quad(shellVertex(band, c), shellVertex(band, c + 1), shellVertex(band + 1, c + 1),
                       shellVertex(band + 1, c));
            }
        }
        w.endGroup();

        // The visor: a little wider and taller than the eye port, standing
        // off the shell and curved forward in its middle.
        const Patch visor{degrees(70), degrees(110), degrees(-64), degrees(64), visorLift};
        grid(w, visor, 7, 7);
        // The spoiler: a plate across the back of the top, its front edge
        // set into the shell, its rear edge raised.
        const Patch spoiler{degrees(48), degrees(70), degrees(150), degrees(210), spoilerLift};
        grid(w, spoiler, 3, 2);
        w.finish();

        fitInto({-0.133, -0.108, -0.150}, {0.134, 0.198, 0.195});
        mesh = {groups.data(), groups.size()};
    }
    HelmetMesh(const HelmetMesh&) = delete;
    HelmetMesh& operator=(const HelmetMesh&) = delete;

private:
    template <std::size_t V, std::size_t G>
    static void grid(Writer<V, G>& w, const Patch& patch, int across, int along) {
        w.startGroup();
        for (int j = 0; j < along; ++j) {
            for (int i = 0; i < across; ++i) {
                const double u0 = static_cast<double>(i) / across, u1 = static_cast<double>(i + 1) / across;
                const double v0 = static_cast<double>(j) / along, v1 = static_cast<double>(j + 1) / along;
                w.quad(patch.point(u0, v0), patch.point(u1, v0), patch.point(u1, v1), patch.point(u0, v1));
            }
        }
        w.endGroup();
    }

    // Scales and moves every vertex so that the helmet fills the box from lo
    // to hi exactly; normals follow the scale.
    void fitInto(V3 lo, V3 hi) {
        V3 min{1e9, 1e9, 1e9}, max{-1e9, -1e9, -1e9};
        for (const MeshVertex& v : vertices) {
            min = {std::min<double>(min.x, v.x), std::min<double>(min.y, v.y), std::min<double>(min.z, v.z)};
            max = {std::max<double>(max.x, v.x), std::max<double>(max.y, v.y), std::max<double>(max.z, v.z)};
        }
        const V3 k{(hi.x - lo.x) / (max.x - min.x), (hi.y - lo.y) / (max.y - min.y), (hi.z - lo.z) / (max.z - min.z)};
        for (MeshVertex& v : vertices) {
            v.x = static_cast<float>(lo.x + (v.x - min.x) * k.x);
            v.y = static_cast<float>(lo.y + (v.y - min.y) * k.y);
            v.z = static_cast<float>(lo.z + (v.z - min.z) * k.z);
            const V3 n = unit({v.nx / k.x, v.ny / k.y, v.nz / k.z});
            v.nx = static_cast<float>(n.x), v.ny = static_cast<float>(n.y), v.nz = static_cast<float>(n.z);
        }
    }
};

// ---------------------------------------------------------------------------
// Emitting.

constexpr float kWhite[4] = {1, 1, 1, 1};
constexpr float kHelmetAmbient[4] = {0.4f, 0.4f, 0.4f, 1};
constexpr float kRimAmbient[4] = {0.1f, 0.1f, 0.1f, 1};

// Light 1 alone lights the helmet; its list switches all seven on after it.
constexpr GLenum kHelmetLightsOff[] = {GL_LIGHT0, GL_LIGHT2, GL_LIGHT3, GL_LIGHT4, GL_LIGHT5, GL_LIGHT6};
constexpr GLenum kAllLights[] = {GL_LIGHT0, GL_LIGHT1, GL_LIGHT2, GL_LIGHT3, GL_LIGHT4, GL_LIGHT5, GL_LIGHT6};

void emitVertices(Gl& gl, const MeshGroup& group) {
    const MeshVertex* v = group.vertices;
    const MeshVertex* const end = v + 3 * group.triangles;
    for (; v != end; ++v) {
        gl.texCoord(v->s, v->t);
        gl.normal(v->nx, v->ny, v->nz);
        gl.vertex(v->x, v->y, v->z);
    }
}

// One group's triangles with the material calls that come before its first
// vertex: after its begin (glMaterial is allowed there) when the vertices are
// emitted here; right before the call of the group's list, which holds the
// begin, when they were compiled once. Texture binds and light switches come
// between groups, where they must.
template <class Materials>
void drawGroup(Gl& gl, const MeshGroup& group, GLuint groupList, Materials&& materials) {
    if (groupList != 0) {
        materials();
        gl.callList(groupList);
        return;
    }
    gl.begin(GL_TRIANGLES);
    materials();
    emitVertices(gl, group);
    gl.end();
}

void drawTyre(Gl& gl, const Mesh& mesh, const TyreLook& look, float x, float y, float z, bool rear) {
    const std::array<GLuint, 7> none{};
    const std::array<GLuint, 7>& lists = look.lists == nullptr ? none : rear ? look.lists->rear : look.lists->front;
    gl.translate(x, y, z);
    gl.scale(kShapeScale, kShapeScale, kShapeScale);
    gl.enable(GL_LIGHT5);
    if (rear) gl.disable(GL_LIGHT2);

    for (std::size_t g = 0; g < 4; ++g) {  // the rim
        gl.bindTexture(GL_TEXTURE_2D, look.RimTexture);
        drawGroup(gl, mesh.groups[g], lists[g], [&] {
            if (g != 0) return;
            gl.materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, look.RimMaterial.data());
            gl.materialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kRimAmbient);
        });
    }
    gl.disable(GL_LIGHT4);
    gl.disable(GL_LIGHT5);

    gl.bindTexture(GL_TEXTURE_2D, look.TreadTexture);  // the tread
    drawGroup(gl, mesh.groups[4], lists[4], [&] {
        gl.materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kWhite);
        gl.materialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kWhite);
    });

    for (std::size_t g = 5; g < 7; ++g) {  // the sidewalls, in the tread's material
        gl.bindTexture(GL_TEXTURE_2D, look.RimTexture);
        drawGroup(gl, mesh.groups[g], lists[g], [] {});
    }

    gl.scale(1 / kShapeScale, 1 / kShapeScale, 1 / kShapeScale);
    gl.translate(-x, -y, -z);
}

}  // namespace

const Mesh& helmetMesh() {
    static const HelmetMesh data;
    return data.mesh;
}

const Mesh& rearTyreMesh() {
    static const TyreMesh<444> data{kRearShape};
    return data.mesh;
}

const Mesh& frontTyreMesh() {
    static const TyreMesh<445> data{kFrontShape};
    return data.mesh;
}

void buildHelmet(Gl& gl, GLuint list, float hy, float hz, const MeshLists* lists) {
    const Mesh& mesh = helmetMesh();
    gl.newList(list, GL_COMPILE);
    gl.enable(GL_TEXTURE_2D);
    for (GLenum light : kHelmetLightsOff) gl.disable(light);
    gl.translate(0, kShapeScale * hy, kShapeScale * hz);
    gl.scale(-kShapeScale, kShapeScale, kShapeScale);

    for (std::size_t g = 0; g < mesh.groupCount; ++g) {
        gl.bindTexture(GL_TEXTURE_2D, 0);
        drawGroup(gl, mesh.groups[g], lists == nullptr ? 0 : lists->helmet[g], [&] {
            gl.materialfv(GL_FRONT, GL_DIFFUSE, kWhite);
            if (g == 0) gl.materialfv(GL_FRONT, GL_AMBIENT, kHelmetAmbient);
        });
    }

    gl.scale(-1 / kShapeScale, 1 / kShapeScale, 1 / kShapeScale);
    gl.translate(0, -kShapeScale * hy, -kShapeScale * hz);
    for (GLenum light : kAllLights) gl.enable(light);
    gl.endList();
}

MeshLists compileMeshLists(Gl& gl) {
    MeshLists lists;
    GLuint next = gl.genLists(17);
    auto compile = [&gl, &next](const Mesh& mesh, GLuint* out) {
        for (std::size_t g = 0; g < mesh.groupCount; ++g) {
            out[g] = next++;
            gl.newList(out[g], GL_COMPILE);
            gl.begin(GL_TRIANGLES);
            emitVertices(gl, mesh.groups[g]);
            gl.end();
            gl.endList();
        }
    };
    compile(rearTyreMesh(), lists.rear.data());
    compile(frontTyreMesh(), lists.front.data());
    compile(helmetMesh(), lists.helmet.data());
    return lists;
}

void releaseMeshLists(Gl& gl, MeshLists& lists) {
    if (lists.rear[0] != 0) gl.deleteLists(lists.rear[0], 17);
    lists = MeshLists{};
}

void drawRearTyre(Gl& gl, const TyreLook& look, float x, float y, float z) {
    drawTyre(gl, rearTyreMesh(), look, x, y, z, true);
}

void drawFrontTyre(Gl& gl, const TyreLook& look, float x, float y, float z) {
    drawTyre(gl, frontTyreMesh(), look, x, y, z, false);
}

}  // namespace varnisk

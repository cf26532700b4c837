#include "CarDesigns.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <vector>

namespace varnisk::gamegen {

namespace {

// ---------------------------------------------------------------- vectors

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }
Vec3 normalised(Vec3 v) {
    const float len = std::sqrt(dot(v, v));
    if (len < 1e-12f) return {0, 1, 0};  // a face without area: any unit normal will do
    return v * (1.0f / len);
}
Vec3 mirrored(Vec3 v) { return {-v.x, v.y, v.z}; }
Vec3 centroid(const std::vector<Vec3>& points) {
    Vec3 sum;
    for (Vec3 p : points) sum = sum + p;
    return sum * (1.0f / static_cast<float>(points.size()));
}

using Ring = std::vector<Vec3>;

Ring mirrored(const Ring& r) {
    Ring out;
    for (Vec3 p : r) out.push_back(mirrored(p));
    return out;
}

// Points put in between, so that each segment becomes `k` segments.
Ring refined(const Ring& ring, bool closed, int k) {
    if (k <= 1 || ring.size() < 2) return ring;
    Ring out;
    const std::size_t segments = closed ? ring.size() : ring.size() - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const Vec3 a = ring[i], b = ring[(i + 1) % ring.size()];
        for (int j = 0; j < k; ++j) out.push_back(lerp(a, b, static_cast<float>(j) / static_cast<float>(k)));
    }
    if (!closed) out.push_back(ring.back());
    return out;
}

// ---------------------------------------------------------------- mesh builder

// How finely the parts are cut: every edge across a surface (round a
// section) into `across` pieces, every edge along it into `along`.
struct Detail {
    int across = 1;
    int along = 1;
};

// Builds one object. Faces are kept per group, so parts may be added in any
// order.
class MeshBuilder {
public:
    explicit MeshBuilder(Detail detail) : detail_(detail) {}

    int group(std::int32_t texture) {
        groups_.push_back({texture, {}});
        return static_cast<int>(groups_.size() - 1);
    }

    // A surface through rows of points, rows[r][c]; `closed` joins the last
    // column to the first. Its faces look away from `inside` (by default the
    // points' centroid). Smooth surfaces share vertices and average their
    // normals; flat ones give every quad its own.
    void surface(int g, const std::vector<Ring>& coarse, bool closed, bool smooth, std::optional<Vec3> inside = {}) {
        std::vector<Ring> rows;
        for (std::size_t r = 0; r < coarse.size(); ++r) {
            const Ring row = refined(coarse[r], closed, detail_.across);
            if (r > 0) {
                const Ring prev = refined(coarse[r - 1], closed, detail_.across);
                for (int j = 1; j < detail_.along; ++j)
                    rows.push_back(between(prev, row, static_cast<float>(j) / static_cast<float>(detail_.along)));
            }
            rows.push_back(row);
        }
        const std::size_t nr = rows.size(), nc = rows[0].size();
        const std::size_t quadCols = closed ? nc : nc - 1;
        Vec3 ref;
        if (inside) {
            ref = *inside;
        } else {
            std::vector<Vec3> all;
            for (const Ring& row : rows) all.insert(all.end(), row.begin(), row.end());
            ref = centroid(all);
        }
        auto at = [&](std::size_t r, std::size_t c) { return rows[r][c % nc]; };
        auto rawNormal = [&](std::size_t r, std::size_t c) {
            return cross(at(r + 1, c + 1) - at(r, c), at(r + 1, c) - at(r, c + 1));
        };
        // Faces away from the reference point, taken over the whole surface;
        // turning them round keeps the texture coordinates where they are.
        float facing = 0;
        for (std::size_t r = 0; r + 1 < nr; ++r)
            for (std::size_t c = 0; c < quadCols; ++c) {
                const Vec3 mid = (at(r, c) + at(r + 1, c + 1)) * 0.5f;
                facing += dot(rawNormal(r, c), mid - ref);
            }
        const bool turned = facing < 0;
        auto quadNormal = [&](std::size_t r, std::size_t c) { return rawNormal(r, c) * (turned ? -1.0f : 1.0f); };
        auto quadFaces = [&](int a, int b, int d, int e) {
            if (turned) {
                face(g, a, e, b);
                face(g, a, d, e);
            } else {
                face(g, a, b, e);
                face(g, a, e, d);
            }
        };

        const float uSpan = static_cast<float>(closed ? nc : nc - 1);
        const float vSpan = static_cast<float>(nr - 1);
        if (smooth) {
            std::vector<Vec3> normals(nr * nc);
            for (std::size_t r = 0; r + 1 < nr; ++r)
                for (std::size_t c = 0; c < quadCols; ++c) {
                    const Vec3 n = quadNormal(r, c);
                    for (auto [dr, dc] : {std::pair{0u, 0u}, {0u, 1u}, {1u, 1u}, {1u, 0u}}) {
                        Vec3& slot = normals[(r + dr) * nc + (c + dc) % nc];
                        slot = slot + n;
                    }
                }
            // A closed surface repeats its first column at u = 1, so that the
            // texture does not run backwards across the seam.
            const std::size_t cols = closed ? nc + 1 : nc;
            std::vector<int> index(nr * cols);
            for (std::size_t r = 0; r < nr; ++r)
                for (std::size_t c = 0; c < cols; ++c)
                    index[r * cols + c] = vertex(at(r, c), normalised(normals[r * nc + c % nc]),
                                                 static_cast<float>(c) / uSpan, static_cast<float>(r) / vSpan);
            for (std::size_t r = 0; r + 1 < nr; ++r)
                for (std::size_t c = 0; c < quadCols; ++c) {
                    quadFaces(index[r * cols + c], index[r * cols + c + 1], index[(r + 1) * cols + c],
                              index[(r + 1) * cols + c + 1]);
                }
        } else {
            for (std::size_t r = 0; r + 1 < nr; ++r)
                for (std::size_t c = 0; c < quadCols; ++c) {
                    const Vec3 n = normalised(quadNormal(r, c));
                    const float u0 = static_cast<float>(c) / uSpan, u1 = static_cast<float>(c + 1) / uSpan;
                    const float v0 = static_cast<float>(r) / vSpan, v1 = static_cast<float>(r + 1) / vSpan;
                    const int a = vertex(at(r, c), n, u0, v0), b = vertex(at(r, c + 1), n, u1, v0);
                    const int d = vertex(at(r + 1, c), n, u0, v1), e = vertex(at(r + 1, c + 1), n, u1, v1);
                    quadFaces(a, b, d, e);
                }
        }
    }

    // Closes a convex ring with a flat fan, in bands from its centre; it
    // looks away from `inside`.
    void cap(int g, const Ring& coarse, Vec3 inside) {
        Ring ring = refined(coarse, true, detail_.across);
        const Vec3 centre = centroid(ring);
        Vec3 n;  // Newell's normal of the ring
        for (std::size_t i = 0; i < ring.size(); ++i) n = n + cross(ring[i], ring[(i + 1) % ring.size()]);
        if (dot(n, centre - inside) < 0) {
            std::reverse(ring.begin(), ring.end());
            n = n * -1.0f;
        }
        n = normalised(n);
        // Texture coordinates: the ring's extent in two directions of its plane.
        const Vec3 s = normalised(ring[0] - centre), t = cross(n, s);
        float smin = 0, smax = 0, tmin = 0, tmax = 0;
        for (Vec3 p : ring) {
            smin = std::min(smin, dot(p - centre, s));
            smax = std::max(smax, dot(p - centre, s));
            tmin = std::min(tmin, dot(p - centre, t));
            tmax = std::max(tmax, dot(p - centre, t));
        }
        auto add = [&](Vec3 p) {
            const float u = smax > smin ? (dot(p - centre, s) - smin) / (smax - smin) : 0.5f;
            const float v = tmax > tmin ? (dot(p - centre, t) - tmin) / (tmax - tmin) : 0.5f;
            return vertex(p, n, std::clamp(u, 0.0f, 1.0f), std::clamp(v, 0.0f, 1.0f));
        };
        const int hub = add(centre);
        std::vector<int> inner;
        for (int band = 1; band <= detail_.along; ++band) {
            const float f = static_cast<float>(band) / static_cast<float>(detail_.along);
            std::vector<int> outer;
            for (Vec3 p : ring) outer.push_back(add(lerp(centre, p, f)));
            const std::size_t m = outer.size();
            for (std::size_t i = 0; i < m; ++i) {
                const std::size_t j = (i + 1) % m;
                if (inner.empty()) {
                    face(g, hub, outer[i], outer[j]);
                } else {
                    face(g, inner[i], outer[i], outer[j]);
                    face(g, inner[i], outer[j], inner[j]);
                }
            }
            inner = std::move(outer);
        }
    }

    // A flat four-cornered face a-b-c-d, looking away from `inside`, with
    // texture coordinates 0..1 across it (u from a to b, v from a to d).
    void quad(int g, Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 inside) { surface(g, {{a, b}, {d, c}}, false, false, inside); }

    // A six-sided block: corners 0-3 go round one end, 4-7 round the other
    // in the same order.
    void block(int g, const std::array<Vec3, 8>& k) {
        const Vec3 mid = centroid(std::vector<Vec3>(k.begin(), k.end()));
        quad(g, k[0], k[1], k[2], k[3], mid);
        quad(g, k[4], k[5], k[6], k[7], mid);
        for (std::size_t i = 0; i < 4; ++i) {
            const std::size_t j = (i + 1) % 4;
            quad(g, k[i], k[j], k[4 + j], k[4 + i], mid);
        }
    }

    // A box from corner to corner.
    void box(int g, Vec3 lo, Vec3 hi) {
        block(g, {Vec3{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z},
                  Vec3{lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}});
    }

    // A bar of width x height from one point to another, cut along its
    // length only.
    void strut(int g, Vec3 from, Vec3 to, float width, float height) {
        const Detail kept = detail_;
        detail_.across = 1;
        const Vec3 dir = normalised(to - from);
        const Vec3 up = std::fabs(dir.y) > 0.95f ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
        const Vec3 side = normalised(cross(dir, up)) * (width / 2);
        const Vec3 up2 = normalised(cross(side, dir)) * (height / 2);
        block(g, {from - side - up2, from + side - up2, from + side + up2, from - side + up2,  //
                  to - side - up2, to + side - up2, to + side + up2, to - side + up2});
        detail_ = kept;
    }

    // The object: groups in the order they were made (empty ones left out),
    // one index list per group (its first face's vertices) and an empty one.
    ShapeObject finish(std::int32_t groupKind, std::int32_t extraUnits) const {
        ShapeObject o;
        o.groupKind = groupKind;
        o.extraUnits = extraUnits;
        o.vertices = vertices_;
        for (const Group& gr : groups_) {
            if (gr.faces.empty()) continue;
            o.groups.push_back({static_cast<std::int32_t>(o.faces.size()), static_cast<std::int32_t>(gr.faces.size()),
                                gr.texture});
            o.indexLists.push_back({gr.faces[0][0], gr.faces[0][1], gr.faces[0][2]});
            o.faces.insert(o.faces.end(), gr.faces.begin(), gr.faces.end());
        }
        o.indexLists.emplace_back();
        return o;
    }

private:
    static Ring between(const Ring& a, const Ring& b, float t) {
        Ring out(a.size());
        for (std::size_t i = 0; i < a.size(); ++i) out[i] = lerp(a[i], b[i], t);
        return out;
    }
    int vertex(Vec3 p, Vec3 n, float u, float v) {
        vertices_.push_back({{p.x, p.y, p.z}, {n.x, n.y, n.z}, {u, v}});
        return static_cast<int>(vertices_.size() - 1);
    }
    void face(int g, int a, int b, int c) { groups_[static_cast<std::size_t>(g)].faces.push_back({a, b, c}); }

    struct Group {
        std::int32_t texture;
        std::vector<std::array<std::int32_t, 3>> faces;
    };
    Detail detail_;
    std::vector<ShapeVertex> vertices_;
    std::vector<Group> groups_;
};

// ---------------------------------------------------------------- sections

// A rounded section of the monocoque, nose and engine cover at z: half width
// w, bottom yb, top yt, and a spine `ridge` above the top in the middle.
Ring hull(float z, float w, float yb, float yt, float ridge) {
    const float h = yt - yb;
    return {{0.55f * w, yb, z},  {w, yb + 0.25f * h, z},  {w, yt - 0.30f * h, z},   {0.65f * w, yt, z},
            {0, yt + ridge, z},  {-0.65f * w, yt, z},     {-w, yt - 0.30f * h, z},  {-w, yb + 0.25f * h, z},
            {-0.55f * w, yb, z}, {0, yb, z}};
}

// The cockpit's outer skin at z: the hull's lower part, open at the top,
// from the left rim round the floor to the right rim.
Ring tub(float z, float w, float yb, float rim) {
    const float h = rim - yb;
    return {{-w, rim, z}, {-w, yb + 0.25f * h, z}, {-0.55f * w, yb, z}, {0, yb, z},
            {0.55f * w, yb, z}, {w, yb + 0.25f * h, z}, {w, rim, z}};
}

// The right sidepod at z, from its inner side xi to its outer side xo.
Ring sidepod(float z, float xi, float xo, float yb, float yt) {
    return {{xi, yb, z},         {xo - 0.04f, yb, z},          {xo, yb + 0.05f, z}, {xo, yt - 0.07f, z},
            {xo - 0.03f, yt - 0.015f, z}, {xo - 0.09f, yt, z}, {xi, yt, z}};
}

// A wing section at x: leading edge at zLe, the chord running backwards,
// the trailing edge raised by `incidence`.
Ring airfoil(float x, float zLe, float chord, float y0, float thickness, float incidence) {
    auto p = [&](float along, float height) { return Vec3{x, y0 + height + incidence * along, zLe - along * chord}; };
    return {p(0, 0),
            p(0.12f, 0.55f * thickness),
            p(0.45f, 0.5f * thickness),
            p(1, 0.05f * thickness),  // trailing edge
            p(0.45f, -0.25f * thickness),
            p(0.12f, -0.3f * thickness)};
}

// ---------------------------------------------------------------- the car's parts

struct CarOptions {
    bool fin = false;          // a fin on the engine cover
    bool secondFlap = false;   // a second front-wing flap
    bool cockpitOnly = false;  // only what the driver sees ahead and beside him
    float seatDrop = 0;        // how much lower the driver sits than in team 0's car
};

// Textures of every car shape, in this order.
enum Texture : std::int32_t { kBody = 0, kStripe = 1, kCarbon = 2, kInside = 3 };

struct BodyGroups {
    int body, stripe, carbon, inside;
};

// Where the driver sits. The program draws the helmet, the arms and the
// outside steering wheel itself: the helmet of team 0's stock values fills
// about x -0.13..+0.13, y -0.26..+0.05, z -0.14..+0.21, the arms come from
// shoulders at (+-0.09..+-0.18, -0.05, -0.25), and the demo's steering wheel
// stands about 0.4 m ahead of the origin, its top level with the cockpit's
// sides (team 0's about -0.1, lower by the seat drop). The cockpit opens from the
// headrest behind the helmet to the cowl ahead of the wheel; its sides come
// up to about the helmet's middle, and the shoulders lie inside the headrest.
constexpr float kCockpitBack = -0.22f, kCockpitFront = 0.68f;

void addMonocoque(MeshBuilder& m, const BodyGroups& g, float seatDrop) {
    // Monocoque and nose, the tip in the stripe colour. The cowl ahead of
    // the cockpit stands a little above its sides, and the nose falls away
    // ahead of it, between the front tyres.
    const std::vector<Ring> hullRings = {hull(kCockpitFront, 0.29f, -0.50f, -0.11f, 0.05f), hull(1.05f, 0.25f, -0.48f, -0.13f, 0.04f),
                                         hull(1.45f, 0.19f, -0.45f, -0.17f, 0.03f), hull(1.85f, 0.14f, -0.41f, -0.21f, 0.03f),
                                         hull(2.15f, 0.10f, -0.38f, -0.25f, 0.02f)};
    m.surface(g.body, hullRings, true, true);
    const std::vector<Ring> tip = {hullRings.back(), hull(2.35f, 0.07f, -0.36f, -0.28f, 0.01f),
                                   hull(2.47f, 0.04f, -0.34f, -0.31f, 0.005f)};
    m.surface(g.stripe, tip, true, true);
    m.cap(g.stripe, tip.back(), {0, -0.33f, 2.3f});
    // The wall in front of the driver's legs.
    m.cap(g.inside, hullRings.front(), {0, -0.3f, 1.0f});

    // The cockpit: outer skin, rim, inner walls and seat floor. A driver who
    // sits lower has the sides and the seat cut lower by as much.
    const float zs[3] = {kCockpitBack, 0.23f, kCockpitFront};
    const float ws[3] = {0.29f, 0.31f, 0.29f};
    const float rims[3] = {-0.07f + seatDrop, -0.11f + seatDrop, -0.12f + seatDrop};
    const float inset = 0.07f, seat = std::max(-0.48f, -0.42f + seatDrop);
    std::vector<Ring> skin, rimRight, wallRight, floor;
    for (int i = 0; i < 3; ++i) {
        skin.push_back(tub(zs[i], ws[i], -0.50f, rims[i]));
        const float wi = ws[i] - inset;
        rimRight.push_back({{ws[i], rims[i], zs[i]}, {wi, rims[i] - 0.01f, zs[i]}});
        wallRight.push_back({{wi, rims[i] - 0.01f, zs[i]}, {wi, seat, zs[i]}});
        floor.push_back({{-wi, seat, zs[i]}, {wi, seat, zs[i]}});
    }
    const float middle = (kCockpitBack + kCockpitFront) / 2;
    m.surface(g.body, skin, false, true, Vec3{0, -0.3f, middle});
    m.surface(g.body, rimRight, false, false, Vec3{0.27f, -0.5f, middle});
    m.surface(g.body, {mirrored(rimRight[0]), mirrored(rimRight[1]), mirrored(rimRight[2])}, false, false,
              Vec3{-0.27f, -0.5f, middle});
    m.surface(g.inside, wallRight, false, false, Vec3{1.0f, seat, middle});
    m.surface(g.inside, {mirrored(wallRight[0]), mirrored(wallRight[1]), mirrored(wallRight[2])}, false, false,
              Vec3{-1.0f, seat, middle});
    m.surface(g.inside, floor, false, false, Vec3{0, -1.0f, middle});
}

void addSidepods(MeshBuilder& m, const BodyGroups& g, float seatDrop) {
    // Below the cockpit's sides, however low they are cut, and never flatter
    // than 0.16 m.
    auto pod = [seatDrop](float z, float xi, float xo, float yb, float yt) {
        return sidepod(z, xi, xo, yb, std::max(yt + seatDrop, yb + 0.16f));
    };
    const std::vector<Ring> right = {pod(0.40f, 0.24f, 0.58f, -0.50f, -0.22f), pod(0.05f, 0.24f, 0.62f, -0.50f, -0.16f),
                                     pod(-0.55f, 0.26f, 0.60f, -0.50f, -0.16f), pod(-1.10f, 0.24f, 0.48f, -0.49f, -0.24f),
                                     pod(-1.50f, 0.20f, 0.34f, -0.47f, -0.34f)};
    for (bool left : {false, true}) {
        std::vector<Ring> rings;
        for (const Ring& r : right) rings.push_back(left ? mirrored(r) : r);
        const float side = left ? -1.0f : 1.0f;
        m.surface(g.body, rings, true, true);
        m.cap(g.inside, rings.front(), {0.4f * side, -0.35f, 0.0f});  // the radiator inlet
        m.cap(g.body, rings.back(), {0.3f * side, -0.4f, -1.0f});
    }
}

void addEngineCover(MeshBuilder& m, const BodyGroups& g, bool fin) {
    // From the headrest behind the driver's helmet, with the airbox above
    // it, down to the gearbox.
    const std::vector<Ring> rings = {hull(kCockpitBack, 0.29f, -0.50f, -0.03f, 0.17f), hull(-0.70f, 0.31f, -0.50f, -0.06f, 0.15f),
                                     hull(-1.20f, 0.27f, -0.49f, -0.10f, 0.08f), hull(-1.70f, 0.19f, -0.45f, -0.16f, 0.03f),
                                     hull(-2.08f, 0.10f, -0.40f, -0.20f, 0.02f)};
    m.surface(g.body, rings, true, true);
    m.cap(g.body, rings.front(), {0, -0.1f, -1.0f});  // the headrest wall and the airbox's face
    m.cap(g.body, rings.back(), {0, -0.3f, -1.5f});
    const float inlet = kCockpitBack + 0.001f;
    m.quad(g.inside, {-0.05f, 0.03f, inlet}, {0.05f, 0.03f, inlet}, {0.05f, 0.11f, inlet}, {-0.05f, 0.11f, inlet},
           {0, 0.07f, -1.0f});  // the airbox inlet
    if (fin) {
        const float t = 0.008f;
        m.block(g.stripe, {Vec3{-t, 0.05f, -0.75f}, {t, 0.05f, -0.75f}, {t, -0.15f, -1.75f}, {-t, -0.15f, -1.75f},
                           Vec3{-t, 0.16f, -0.75f}, {t, 0.16f, -0.75f}, {t, 0.01f, -1.75f}, {-t, 0.01f, -1.75f}});
    }
}

void addFloor(MeshBuilder& m, const BodyGroups& g) {
    m.box(g.carbon, {-0.62f, -0.535f, -1.45f}, {0.62f, -0.51f, 0.60f});
    // The diffuser rises behind the floor.
    m.block(g.carbon, {Vec3{-0.45f, -0.535f, -1.45f}, {0.45f, -0.535f, -1.45f}, {0.45f, -0.40f, -2.10f}, {-0.45f, -0.40f, -2.10f},
                       Vec3{-0.45f, -0.51f, -1.45f}, {0.45f, -0.51f, -1.45f}, {0.45f, -0.375f, -2.10f}, {-0.45f, -0.375f, -2.10f}});
}

// A wing lofted across the car from -span to +span.
void addWing(MeshBuilder& m, int g, float span, float zLe, float chord, float y0, float thickness, float incidence) {
    std::vector<Ring> rings;
    for (float x : {-span, -span / 3, span / 3, span}) rings.push_back(airfoil(x, zLe, chord, y0, thickness, incidence));
    m.surface(g, rings, true, true);
    m.cap(g, rings.front(), {0, y0, zLe - chord / 2});
    m.cap(g, rings.back(), {0, y0, zLe - chord / 2});
}

void addEndplates(MeshBuilder& m, int g, float x, float thickness, Vec3 lo, Vec3 hi) {
    m.box(g, {x, lo.y, lo.z}, {x + thickness, hi.y, hi.z});
    m.box(g, {-x - thickness, lo.y, lo.z}, {-x, hi.y, hi.z});
}

void addFrontWing(MeshBuilder& m, int planes, int plates, bool secondFlap) {
    addWing(m, planes, 0.90f, 2.62f, 0.36f, -0.47f, 0.035f, 0.03f);
    addWing(m, planes, 0.88f, 2.30f, 0.15f, -0.41f, 0.020f, 0.05f);
    if (secondFlap) addWing(m, planes, 0.86f, 2.19f, 0.12f, -0.36f, 0.018f, 0.05f);
    addEndplates(m, plates, 0.90f, 0.02f, {0, -0.52f, 2.14f}, {0, -0.30f, 2.64f});
    // Pylons from the nose.
    m.box(planes, {0.06f, -0.46f, 2.30f}, {0.075f, -0.33f, 2.42f});
    m.box(planes, {-0.075f, -0.46f, 2.30f}, {-0.06f, -0.33f, 2.42f});
}

void addRearWing(MeshBuilder& m, int planes, int plates) {
    addWing(m, planes, 0.47f, -1.96f, 0.34f, 0.24f, 0.045f, 0.07f);
    addWing(m, planes, 0.47f, -2.16f, 0.19f, 0.35f, 0.025f, 0.07f);
    addWing(m, planes, 0.30f, -1.98f, 0.20f, -0.08f, 0.030f, 0.03f);  // beam wing
    addEndplates(m, plates, 0.47f, 0.02f, {0, -0.24f, -2.37f}, {0, 0.46f, -1.90f});
    m.box(planes, {-0.008f, -0.20f, -2.12f}, {0.008f, 0.25f, -1.98f});  // pillar
}

// Wishbones and push rods of one axle, both sides.
void addSuspension(MeshBuilder& m, int g, float axleZ, float chassisX, float upperY, float lowerY, float spread) {
    const float w = 0.035f, h = 0.018f, hub = 0.55f;
    for (float side : {1.0f, -1.0f}) {
        const Vec3 upperHub{side * hub, upperY + 0.03f, axleZ}, lowerHub{side * hub, lowerY - 0.02f, axleZ};
        for (float dz : {-spread, spread}) {
            m.strut(g, {side * chassisX, upperY, axleZ + dz}, upperHub, w, h);
            m.strut(g, {side * chassisX, lowerY, axleZ + dz}, lowerHub, w, h);
        }
        m.strut(g, {side * hub, lowerY, axleZ - 0.03f}, {side * (chassisX + 0.01f), upperY + 0.08f, axleZ - 0.10f}, 0.025f, 0.025f);
    }
}

// On stalks from the cockpit's sides, ahead of the steering wheel.
void addMirrors(MeshBuilder& m, int stalks, int housings, int glass) {
    for (float side : {1.0f, -1.0f}) {
        m.strut(stalks, {side * 0.28f, -0.11f, 0.62f}, {side * 0.44f, -0.05f, 0.60f}, 0.02f, 0.015f);
        const float x0 = side * 0.40f, x1 = side * 0.54f;
        m.box(housings, {std::min(x0, x1), -0.07f, 0.56f}, {std::max(x0, x1), 0.0f, 0.64f});
        m.quad(glass, {side * 0.41f, -0.06f, 0.555f}, {side * 0.53f, -0.06f, 0.555f}, {side * 0.53f, -0.01f, 0.555f},
               {side * 0.41f, -0.01f, 0.555f}, {side * 0.47f, -0.035f, 1.0f});
    }
}

std::vector<ShapeObject> carObjects(const CarOptions& o, Detail detail) {
    std::vector<ShapeObject> objects;
    {
        MeshBuilder m(detail);
        const BodyGroups g{m.group(kBody), m.group(kStripe), m.group(kCarbon), m.group(kInside)};
        addMonocoque(m, g, o.seatDrop);
        addSidepods(m, g, o.seatDrop);
        if (!o.cockpitOnly) {
            addEngineCover(m, g, o.fin);
            addFloor(m, g);
        }
        objects.push_back(m.finish(23, 0));
    }
    {
        MeshBuilder m(detail);
        const int planes = m.group(kCarbon), plates = m.group(kStripe);
        addFrontWing(m, planes, plates, o.secondFlap);
        if (!o.cockpitOnly) addRearWing(m, planes, plates);
        objects.push_back(m.finish(39, 1));
    }
    {
        MeshBuilder m(detail);
        const int carbon = m.group(kCarbon), housings = m.group(kBody), glass = m.group(kInside), light = m.group(kStripe);
        addSuspension(m, carbon, 1.14f, 0.16f, -0.17f, -0.36f, 0.16f);
        addMirrors(m, carbon, housings, glass);
        if (!o.cockpitOnly) {
            addSuspension(m, carbon, -1.81f, 0.17f, -0.15f, -0.38f, 0.18f);
            m.box(light, {-0.04f, -0.30f, -2.11f}, {0.04f, -0.24f, -2.08f});  // rain light
        }
        objects.push_back(m.finish(0, 2));
    }
    return objects;
}

// Letters and digits of the team's name, lower case, for texture and shape names.
std::string nameKey(std::string_view storedName) {
    std::string key;
    for (char c : storedName) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 'A' && u <= 'Z') key += static_cast<char>(u - 'A' + 'a');
        else if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')) key += c;
        else if (!key.empty() && key.back() != '_') key += '_';
        if (key.size() == 24) break;
    }
    while (!key.empty() && key.back() == '_') key.pop_back();
    return key.empty() ? "team" : key;
}

// The cut that brings the car to about 20,000 triangles.
constexpr Detail kFullSizeDetail{5, 4};

}  // namespace

// ---------------------------------------------------------------- shapes

float driverSeatDrop(int team) {
    if (team < 0 || team > 10) throw std::invalid_argument("team " + std::to_string(team) + " is outside 0..10");
    static constexpr float drops[11] = {0, 0, 0, -0.11f, -0.01f, -0.07f, -0.07f, -0.13f, -0.10f, -0.02f, -0.18f};
    return drops[team];
}

int teamCarVersion(int team) {
    static constexpr int versions[3] = {5, 7, 4};
    return versions[((team % 3) + 3) % 3];
}

ShapeModel teamCarShape(int team, std::string_view storedName, CarDetail detail) {
    if (team < 0 || team > 10) throw std::invalid_argument("team " + std::to_string(team) + " is outside 0..10");
    const std::string key = nameKey(storedName);
    ShapeModel s;
    s.name = "car_" + key;
    s.materials = {"body", "stripe", "carbon", "inside"};
    s.partNames = {"gloss_body", "gloss_carbon"};
    s.textures = {"carbody_" + key + ".bmp", "carstripe_" + key + ".bmp", "carbon_weave.bmp", "cockpit_inside.bmp"};
    s.nodeNames = {"root", "front_axle", "rear_axle"};
    s.versionSevenRecords = 1 + team % 2;
    CarOptions o;
    o.fin = team % 2 == 1;
    o.secondFlap = team % 3 == 2;
    o.seatDrop = driverSeatDrop(team);
    s.objects = carObjects(o, detail == CarDetail::FullSize ? kFullSizeDetail : Detail{});
    return s;
}

ShapeModel cockpitCarShape() {
    ShapeModel s;
    s.name = "car_cockpit";
    s.materials = {"body", "stripe", "carbon", "inside"};
    s.partNames = {"gloss_body"};
    s.textures = {"cockpit_body.bmp", "cockpit_stripe.bmp", "carbon_weave.bmp", "cockpit_inside.bmp"};
    s.nodeNames = {"root", "eye"};
    s.versionSevenRecords = 2;
    CarOptions o;
    o.cockpitOnly = true;
    s.objects = carObjects(o, Detail{});
    // Team 0's car, moved back by as much as the program moves it forward:
    // drawn, it stands where the team's car stands, between the tyres.
    for (ShapeObject& object : s.objects)
        for (ShapeVertex& v : object.vertices)
            for (std::size_t i = 0; i < 3; ++i) v.position[i] -= kCockpitCarMove[i];
    return s;
}

ShapeModel dashboardShape() {
    ShapeModel s;
    s.name = "dash";
    s.materials = {"display", "frame"};
    s.textures = {"dash_display.bmp", "dash_frame.bmp"};
    s.nodeNames = {"dash_root"};
    MeshBuilder m(Detail{});
    const int display = m.group(0), frame = m.group(1);
    // The top leans away from the driver.
    const float hw = 0.125f, hh = 0.05f, lean = 0.012f, half = 0.005f;
    auto at = [&](float x, float y, float depth) { return Vec3{x, y, (y / hh) * lean + depth}; };
    const Vec3 f0 = at(-hw, -hh, -half), f1 = at(hw, -hh, -half), f2 = at(hw, hh, -half), f3 = at(-hw, hh, -half);
    const Vec3 b0 = at(-hw, -hh, half), b1 = at(hw, -hh, half), b2 = at(hw, hh, half), b3 = at(-hw, hh, half);
    const Vec3 mid{0, 0, 0};
    m.quad(display, f0, f1, f2, f3, {0, 0, 1.0f});
    m.quad(frame, b1, b0, b3, b2, mid);
    m.quad(frame, f0, f1, b1, b0, mid);  // bottom
    m.quad(frame, f3, f2, b2, b3, mid);  // top
    m.quad(frame, f1, f2, b2, b1, mid);  // right
    m.quad(frame, f0, f3, b3, b0, mid);  // left
    s.objects.push_back(m.finish(23, 0));
    return s;
}

ShapeModel makeDenseShape(int triangles) {
    if (triangles < 1) throw std::invalid_argument("a dense shape needs at least one triangle");
    const auto n = static_cast<std::size_t>(triangles);
    const std::size_t quads = n / 2;
    const std::size_t width = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(quads)))));
    const std::size_t fullRows = quads / width, rest = quads % width;
    const std::size_t rows = fullRows + 2;  // vertex rows: one more for the part row and the odd triangle
    ShapeObject o;
    o.groupKind = 39;
    o.extraUnits = 1;
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c <= width; ++c) {
            const float u = static_cast<float>(c) / static_cast<float>(width);
            const float v = static_cast<float>(r) / static_cast<float>(rows - 1);
            const float x = -1 + 2 * u, z = -1 + 2 * v;
            const float y = 0.05f * std::sin(9 * x) * std::cos(7 * z);
            const Vec3 normal = normalised({-0.45f * std::cos(9 * x) * std::cos(7 * z), 1, 0.35f * std::sin(9 * x) * std::sin(7 * z)});
            o.vertices.push_back({{x, y, z}, {normal.x, normal.y, normal.z}, {u, v}});
        }
    auto idx = [&](std::size_t r, std::size_t c) { return static_cast<std::int32_t>(r * (width + 1) + c); };
    // Wound counter-clockwise seen from above, where the normals point.
    auto addQuad = [&](std::size_t r, std::size_t c) {
        o.faces.push_back({idx(r, c), idx(r + 1, c + 1), idx(r, c + 1)});
        o.faces.push_back({idx(r, c), idx(r + 1, c), idx(r + 1, c + 1)});
    };
    for (std::size_t r = 0; r < fullRows; ++r)
        for (std::size_t c = 0; c < width; ++c) addQuad(r, c);
    for (std::size_t c = 0; c < rest; ++c) addQuad(fullRows, c);
    if (n % 2 == 1) o.faces.push_back({idx(fullRows, rest), idx(fullRows + 1, rest + 1), idx(fullRows, rest + 1)});
    // Four groups, or fewer for very few triangles.
    const std::size_t groups = std::min<std::size_t>(4, n);
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t first = n * g / groups, last = n * (g + 1) / groups;
        o.groups.push_back({static_cast<std::int32_t>(first), static_cast<std::int32_t>(last - first),
                            static_cast<std::int32_t>(g % 2)});
    }
    o.indexLists = {{0, 1, 2}, {}};
    ShapeModel s;
    s.name = "dense";
    s.materials = {"dense"};
    s.partNames = {"dense_pass"};
    s.textures = {"dense_a.bmp", "dense_b.bmp"};
    s.nodeNames = {"dense_root"};
    s.versionSevenRecords = 1;
    s.objects.push_back(std::move(o));
    return s;
}

std::string teamCarEntryName(std::string_view storedName) {
    return "cars\\car_" + std::string(storedName) + "_car1_lod_0.gp4";
}

std::size_t triangleCount(const ShapeModel& model) {
    std::size_t n = 0;
    for (const ShapeObject& o : model.objects) n += o.faces.size();
    return n;
}

}  // namespace varnisk::gamegen

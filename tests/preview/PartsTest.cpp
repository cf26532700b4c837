#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "preview/Parts.h"
#include "preview/RecordingGl.h"

using namespace varnisk;

namespace {

using Call = RecordingGl::Call;

Call call(std::string op, std::vector<double> args) { return Call{std::move(op), std::move(args)}; }

Call diffuse(double r, double g, double b, double a = 1) {
    return call("materialfv", {GL_FRONT_AND_BACK, GL_DIFFUSE, r, g, b, a});
}
Call ambient(double r, double g, double b, double a = 1) {
    return call("materialfv", {GL_FRONT_AND_BACK, GL_AMBIENT, r, g, b, a});
}
Call enable(GLenum cap) { return call("enable", {double(cap)}); }
Call disable(GLenum cap) { return call("disable", {double(cap)}); }
Call light(bool on, int n) { return call(on ? "enable" : "disable", {double(GL_LIGHT0 + n)}); }

// What a run of drawing calls records on its own.
std::vector<Call> recorded(const std::function<void(Gl&)>& draw) {
    RecordingGl gl;
    draw(gl);
    return gl.calls;
}

std::vector<Call> concat(std::initializer_list<std::vector<Call>> runs) {
    std::vector<Call> out;
    for (const auto& r : runs) out.insert(out.end(), r.begin(), r.end());
    return out;
}

constexpr GLuint kList = 5;

// Compiles one list with a builder and returns what it holds; the builder
// must open and close exactly that list, compile only.
std::vector<Call> compiled(const std::function<void(Gl&, GLuint)>& build) {
    RecordingGl gl;
    build(gl, kList);
    EXPECT_EQ(gl.calls.front(), call("newList", {kList, GL_COMPILE}));
    EXPECT_EQ(gl.calls.back(), call("endList", {}));
    EXPECT_EQ(gl.lists.size(), 1u);
    return gl.lists[kList];
}

PartsInput sampleInput() {
    PartsInput in;
    in.tyres = {{{1, 2, 3}, {-1, 2, 3}, {1.5f, 2.5f, -3.5f}, {-1.5f, 2.5f, -3.5f}}};
    in.cockpitWheel = {0.5f, 0.125f, 0.25f};
    in.ExtWheelOffset = {0.25f, -0.5f};
    in.ArmMaterial = {0.5f, 0.25f, 0.75f, 1};
    in.tyreLook.RimMaterial = {0.2f, 0.3f, 0.4f, 1};
    in.tyreLook.RimTexture = 11;
    in.tyreLook.TreadTexture = 12;
    in.ArmTexture = 21;
    in.GloveTexture = 22;
    in.SteeringWheelTexture = 23;
    return in;
}

// ---------------------------------------------------------------- geometry

struct Bounds {
    double x0, x1, y0, y1, z0, z1;
};

// A 4x4 matrix as OpenGL multiplies it: each transform call multiplies onto
// the right of the current matrix.
struct Matrix {
    std::array<std::array<double, 4>, 4> m{};
    static Matrix identity() {
        Matrix r;
        for (int i = 0; i < 4; ++i) r.m[i][i] = 1;
        return r;
    }
    Matrix operator*(const Matrix& o) const {
        Matrix r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                for (int k = 0; k < 4; ++k) r.m[i][j] += m[i][k] * o.m[k][j];
        return r;
    }
    std::array<double, 3> apply(double x, double y, double z) const {
        std::array<double, 3> out{};
        for (int i = 0; i < 3; ++i) out[i] = m[i][0] * x + m[i][1] * y + m[i][2] * z + m[i][3];
        return out;
    }
};

Matrix transformOf(const Call& c) {
    Matrix t = Matrix::identity();
    const auto& a = c.args;
    if (c.op == "translate") {
        t.m[0][3] = a[0], t.m[1][3] = a[1], t.m[2][3] = a[2];
    } else if (c.op == "scale") {
        t.m[0][0] = a[0], t.m[1][1] = a[1], t.m[2][2] = a[2];
    } else if (c.op == "rotate") {
        const double len = std::sqrt(a[1] * a[1] + a[2] * a[2] + a[3] * a[3]);
        const double x = a[1] / len, y = a[2] / len, z = a[3] / len;
        const double r = a[0] * std::numbers::pi / 180, cs = std::cos(r), sn = std::sin(r), k = 1 - cs;
        t.m[0] = {x * x * k + cs, x * y * k - z * sn, x * z * k + y * sn, 0};
        t.m[1] = {y * x * k + z * sn, y * y * k + cs, y * z * k - x * sn, 0};
        t.m[2] = {x * z * k - y * sn, y * z * k + x * sn, z * z * k + cs, 0};
    }
    return t;
}

// The matrix after the first `count` calls of a list.
Matrix matrixAfter(const std::vector<Call>& calls, std::size_t count) {
    Matrix m = Matrix::identity();
    for (std::size_t i = 0; i < count && i < calls.size(); ++i) m = m * transformOf(calls[i]);
    return m;
}

void expectIdentity(const Matrix& m, double tolerance = 1e-9) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(m.m[i][j], i == j ? 1 : 0, tolerance) << "row " << i << " column " << j;
}

// The bounds of each begin ... end run, its vertices taken through the
// matrix current at its begin.
std::vector<Bounds> placedPrimitives(const std::vector<Call>& calls) {
    std::vector<Bounds> out;
    Matrix m = Matrix::identity();
    bool inside = false;
    for (const Call& c : calls) {
        if (c.op == "begin") {
            inside = true;
            out.push_back({1e30, -1e30, 1e30, -1e30, 1e30, -1e30});
        } else if (c.op == "end") {
            inside = false;
        } else if (c.op == "vertex" && inside) {
            const auto p = m.apply(c.args[0], c.args[1], c.args[2]);
            Bounds& b = out.back();
            b = {std::min(b.x0, p[0]), std::max(b.x1, p[0]), std::min(b.y0, p[1]),
                 std::max(b.y1, p[1]), std::min(b.z0, p[2]), std::max(b.z1, p[2])};
        } else {
            m = m * transformOf(c);
        }
    }
    return out;
}

void expectBounds(const Bounds& got, const Bounds& want) {
    EXPECT_NEAR(got.x0, want.x0, 1e-4);
    EXPECT_NEAR(got.x1, want.x1, 1e-4);
    EXPECT_NEAR(got.y0, want.y0, 1e-4);
    EXPECT_NEAR(got.y1, want.y1, 1e-4);
    EXPECT_NEAR(got.z0, want.z0, 1e-4);
    EXPECT_NEAR(got.z1, want.z1, 1e-4);
}

// A list with each begin ... end run that is exactly a drawFlat or a
// drawBox replaced by one call "flat" / "box" with its bounds (x0, x1, y0,
// y1, z0, z1); any other run becomes "primitive?".
std::vector<Call> summarised(const std::vector<Call>& calls) {
    std::vector<Call> out;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].op != "begin") {
            out.push_back(calls[i]);
            continue;
        }
        std::size_t j = i;
        while (j < calls.size() && calls[j].op != "end") ++j;
        const std::vector<Call> run(calls.begin() + static_cast<std::ptrdiff_t>(i),
                                    calls.begin() + static_cast<std::ptrdiff_t>(std::min(j + 1, calls.size())));
        const Bounds b = placedPrimitives(run).at(0);
        const auto f = [](double v) { return static_cast<float>(v); };
        if (run == recorded([&](Gl& gl) { drawFlat(gl, f(b.y0), f(b.x0), f(b.z0), f(b.x1), f(b.z1)); }) &&
            b.y0 == b.y1) {
            out.push_back(call("flat", {b.x0, b.x1, b.y0, b.y1, b.z0, b.z1}));
        } else if (run == recorded([&](Gl& gl) {
                       drawBox(gl, {f(b.x0), f(b.y0), f(b.z0)}, {f(b.x1), f(b.y1), f(b.z1)});
                   })) {
            out.push_back(call("box", {b.x0, b.x1, b.y0, b.y1, b.z0, b.z1}));
        } else {
            out.push_back(call("primitive?", {b.x0, b.x1, b.y0, b.y1, b.z0, b.z1}));
        }
        i = j;
    }
    return out;
}

// ---------------------------------------------------------------- lights

// Lights 0 to 6 as '1' (on) and '0' (off), light 0 first.
using Lights = std::string;

// Replays a list's switches of lights 0 to 6 from `start`.
Lights lightsAfter(const std::vector<Call>& calls, Lights state) {
    for (const Call& c : calls) {
        if (c.op != "enable" && c.op != "disable") continue;
        const int n = static_cast<int>(c.args[0]) - GL_LIGHT0;
        if (n >= 0 && n < 7) state[static_cast<std::size_t>(n)] = c.op == "enable" ? '1' : '0';
    }
    return state;
}

// The lights at each primitive's begin, consecutive repeats merged.
std::vector<Lights> lightsWhileDrawing(const std::vector<Call>& calls, Lights state) {
    std::vector<Lights> out;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].op != "begin") continue;
        const Lights now = lightsAfter({calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(i)}, state);
        if (out.empty() || out.back() != now) out.push_back(now);
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------- primitives

TEST(PartsPrimitive, AFlatQuadFacesUpFromItsSmallerCorner) {
    EXPECT_EQ(recorded([](Gl& gl) { drawFlat(gl, -110, 540, 40000, -1500, -40000); }),
              (std::vector<Call>{call("begin", {GL_QUADS}), call("normal", {0, 1, 0}),
                                 call("vertex", {-1500, -110, -40000}), call("vertex", {-1500, -110, 40000}),
                                 call("vertex", {540, -110, 40000}), call("vertex", {540, -110, -40000}),
                                 call("end", {})}));
}

TEST(PartsPrimitive, ABoxDrawsFiveFacesAndTexturesOnlyTheOneTowardMinusZ) {
    const std::vector<Call> box = recorded([](Gl& gl) { drawBox(gl, {1, 2, 3}, {4, 6, 8}); });
    EXPECT_EQ(box, (std::vector<Call>{
                       call("begin", {GL_QUADS}),
                       call("normal", {-1, 0, 0}),  // toward -x, no texture coordinate of its own
                       call("vertex", {1, 2, 3}), call("vertex", {1, 6, 3}), call("vertex", {1, 6, 8}),
                       call("vertex", {1, 2, 8}),
                       call("normal", {0, 0, -1}),  // toward -z: the textured face
                       call("texCoord", {1, 1}), call("vertex", {1, 2, 3}),  //
                       call("texCoord", {0, 1}), call("vertex", {4, 2, 3}),  //
                       call("texCoord", {0, 0}), call("vertex", {4, 6, 3}),  //
                       call("texCoord", {1, 0}), call("vertex", {1, 6, 3}),  //
                       call("normal", {1, 0, 0}),                            // toward +x
                       call("vertex", {4, 2, 3}), call("vertex", {4, 2, 8}), call("vertex", {4, 6, 8}),
                       call("vertex", {4, 6, 3}),
                       call("normal", {0, 0, 1}),  // toward +z
                       call("vertex", {1, 2, 8}), call("vertex", {1, 6, 8}), call("vertex", {4, 6, 8}),
                       call("vertex", {4, 2, 8}),
                       call("normal", {0, 1, 0}),  // the top; there is no bottom
                       call("vertex", {1, 6, 3}), call("vertex", {4, 6, 3}), call("vertex", {4, 6, 8}),
                       call("vertex", {1, 6, 8}),
                       call("end", {}),
                   }));
    // Only the four coordinates of the -z face, all between its normal and the next.
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < box.size(); ++i)
        if (box[i].op == "texCoord") at.push_back(i);
    EXPECT_EQ(at, (std::vector<std::size_t>{7, 9, 11, 13}));
}

TEST(PartsPrimitive, ATexturedQuadUsesItsCornersInTheOrderPassed) {
    const Corner a{18, 43, -100}, b{36, -10, -50};
    EXPECT_EQ(recorded([&](Gl& gl) { drawQuad(gl, a, b); }),
              (std::vector<Call>{call("begin", {GL_QUADS}), call("normal", {0, 1, 0}), call("texCoord", {1, 1}),
                                 call("vertex", {36, -10, -50}), call("texCoord", {1, 0}),
                                 call("vertex", {18, -10, -50}), call("texCoord", {0, 0}),
                                 call("vertex", {18, 43, -100}), call("texCoord", {0, 1}),
                                 call("vertex", {36, 43, -100}), call("end", {})}));
}

TEST(PartsPrimitive, SwappedCornersDrawTheSameBoxesAndFlatsButNotTheSameQuad) {
    struct Case {
        const char* what;
        std::function<void(Gl&, Corner, Corner)> draw;
        bool sameWhenSwapped;
    };
    const Case cases[] = {
        {"box", [](Gl& gl, Corner a, Corner b) { drawBox(gl, a, b); }, true},
        {"flat", [](Gl& gl, Corner a, Corner b) { drawFlat(gl, 5, a.x, a.z, b.x, b.z); }, true},
        {"quad", [](Gl& gl, Corner a, Corner b) { drawQuad(gl, a, b); }, false},
    };
    // Every axis the wrong way round, and each axis alone.
    const std::pair<Corner, Corner> corners[] = {
        {{4, 6, 8}, {1, 2, 3}},
        {{4, 2, 3}, {1, 6, 8}},
        {{1, 6, 3}, {4, 2, 8}},
        {{1, 2, 8}, {4, 6, 3}},
    };
    for (const Case& c : cases) {
        for (const auto& [a, b] : corners) {
            SCOPED_TRACE(std::string(c.what) + " from (" + std::to_string(a.x) + ", " + std::to_string(a.y) + ", " +
                         std::to_string(a.z) + ")");
            const auto ab = recorded([&](Gl& gl) { c.draw(gl, a, b); });
            const auto ba = recorded([&](Gl& gl) { c.draw(gl, b, a); });
            EXPECT_EQ(ab == ba, c.sameWhenSwapped);
        }
    }
    // For the flat and the box, the order of the corners is irrelevant:
    // both match the drawing from the sorted corners.
    EXPECT_EQ(recorded([](Gl& gl) { drawBox(gl, {4, 2, 8}, {1, 6, 3}); }),
              recorded([](Gl& gl) { drawBox(gl, {1, 2, 3}, {4, 6, 8}); }));
    EXPECT_EQ(recorded([](Gl& gl) { drawFlat(gl, 5, 4, 3, 1, 8); }),
              recorded([](Gl& gl) { drawFlat(gl, 5, 1, 3, 4, 8); }));
}

TEST(PartsPrimitive, ASwappedQuadTurnsItsTexture) {
    // The same four positions, drawn from the other end with the texture turned.
    const Corner a{0, 0, 0}, b{2, 1, 3};
    auto positionsAndCoordinates = [](Corner p, Corner q) {
        std::vector<std::pair<std::vector<double>, std::vector<double>>> out;
        const auto calls = recorded([&](Gl& gl) { drawQuad(gl, p, q); });
        for (std::size_t i = 0; i + 1 < calls.size(); ++i)
            if (calls[i].op == "texCoord") out.push_back({calls[i + 1].args, calls[i].args});
        return out;
    };
    const auto ab = positionsAndCoordinates(a, b);
    const auto ba = positionsAndCoordinates(b, a);
    ASSERT_EQ(ab.size(), 4u);
    ASSERT_EQ(ba.size(), 4u);
    EXPECT_EQ(ab[0], (std::pair<std::vector<double>, std::vector<double>>{{2, 1, 3}, {1, 1}}));
    EXPECT_EQ(ba[0], (std::pair<std::vector<double>, std::vector<double>>{{0, 0, 0}, {1, 1}}));
    EXPECT_EQ(ba[2], (std::pair<std::vector<double>, std::vector<double>>{{2, 1, 3}, {0, 0}}));
}

// ---------------------------------------------------------------- tyres

TEST(Parts, TheTyresArePlacedInsideAMirroredFrameThatTheListUndoes) {
    const PartsInput in = sampleInput();
    const auto list = compiled([&](Gl& gl, GLuint l) { buildTyres(gl, l, in); });
    const auto& look = in.tyreLook;
    const auto rearRight = recorded([&](Gl& gl) { drawRearTyre(gl, look, -300, 500, 700); });
    const auto frontRight = recorded([&](Gl& gl) { drawFrontTyre(gl, look, -200, 400, -600); });
    const auto rearLeft = recorded([&](Gl& gl) { drawRearTyre(gl, look, -300, -500, -700); });
    const auto frontLeft = recorded([&](Gl& gl) { drawFrontTyre(gl, look, -200, -400, 600); });
    EXPECT_EQ(list, concat({
                        {enable(GL_ALPHA_TEST), enable(GL_TEXTURE_2D), call("scale", {1, 1, -1})},
                        rearRight,
                        frontRight,
                        {call("scale", {-1, 1, 1}), call("rotate", {-180, 1, 0, 0})},
                        rearLeft,
                        frontLeft,
                        {call("rotate", {180, 1, 0, 0}), disable(GL_ALPHA_TEST), call("scale", {-1, 1, -1}),
                         diffuse(1, 1, 1), ambient(1, 1, 1)},
                    }));

    // The front right record (1, 2, 3): the first translate of its tyre.
    const std::size_t front = 3 + rearRight.size();
    const auto t = std::find_if(list.begin() + static_cast<std::ptrdiff_t>(front), list.end(),
                                [](const Call& c) { return c.op == "translate"; });
    ASSERT_NE(t, list.end());
    EXPECT_EQ(*t, call("translate", {-200, 400, -600}));
    EXPECT_EQ(list[2], call("scale", {1, 1, -1}));

    // The list's own transforms cancel out; with the tyres' own (each undoes
    // its scale by S with one by 1/S) only float rounding remains.
    std::vector<Call> own;
    for (const Call& c : list)
        if (c.op == "scale" && std::fabs(c.args[0]) == 1) own.push_back(c);
        else if (c.op == "rotate") own.push_back(c);
    EXPECT_EQ(own.size(), 5u);
    expectIdentity(matrixAfter(own, own.size()));
    expectIdentity(matrixAfter(list, list.size()), 1e-3);
}

TEST(Parts, MirroredRecordsPutTheLeftTyresOppositeTheRightOnes) {
    // Where each tyre's centre lands in the car's frame: the matrix after its
    // first translate, applied to the origin.
    PartsInput in = sampleInput();
    const auto list = compiled([&](Gl& gl, GLuint l) { buildTyres(gl, l, in); });
    std::vector<std::size_t> starts;  // each tyre's translate, in emission order
    std::size_t at = 3;
    const auto& look = in.tyreLook;
    const std::size_t rear = recorded([&](Gl& gl) { drawRearTyre(gl, look, 0, 0, 0); }).size();
    const std::size_t front = recorded([&](Gl& gl) { drawFrontTyre(gl, look, 0, 0, 0); }).size();
    for (std::size_t size : {rear, front, std::size_t{0}, rear, front}) {
        if (size == 0) {
            at += 2;  // the mirroring between the sides
            continue;
        }
        auto t = std::find_if(list.begin() + static_cast<std::ptrdiff_t>(at), list.end(),
                              [](const Call& c) { return c.op == "translate"; });
        ASSERT_NE(t, list.end());
        starts.push_back(static_cast<std::size_t>(t - list.begin()));
        at += size;
    }
    struct Case {
        const char* tyre;
        std::array<double, 3> centre;
    };
    // Records: front right (1, 2, 3), front left (-1, 2, 3), rear right
    // (1.5, 2.5, -3.5), rear left (-1.5, 2.5, -3.5).
    const Case cases[] = {{"rear right", {-300, 500, -700}},
                          {"front right", {-200, 400, 600}},
                          {"rear left", {300, 500, -700}},
                          {"front left", {200, 400, 600}}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(cases[i].tyre);
        const auto c = matrixAfter(list, starts[i] + 1).apply(0, 0, 0);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(c[k], cases[i].centre[k], 1e-3) << "axis " << k;
    }
}

// ---------------------------------------------------------------- arms

TEST(Parts, TheArmsAndGlovesFollowTheWheelOffset) {
    const PartsInput in = sampleInput();  // wheel offset (0.25, -0.5): S wy = 50, S wz = -100
    const auto list = compiled([&](Gl& gl, GLuint l) { buildArms(gl, l, in); });
    const auto arm = recorded([](Gl& gl) { drawQuad(gl, {18, 43, -100}, {36, -10, -50}); });
    const auto glove = recorded([](Gl& gl) { drawBox(gl, {16, -35, -100}, {33, -61, -101}); });
    EXPECT_EQ(list, concat({
                        {enable(GL_ALPHA_TEST), light(false, 0), light(false, 1), light(false, 2), light(false, 4),
                         light(false, 5), light(true, 3), light(true, 6), enable(GL_TEXTURE_2D),
                         diffuse(0.5f, 0.25f, 0.75f), ambient(0.1f, 0.1f, 0.1f),
                         call("bindTexture", {GL_TEXTURE_2D, 21}), call("scale", {-1, 1, 1})},
                        arm,
                        {call("scale", {-1, 1, 1})},
                        arm,
                        {light(true, 0), light(true, 1), light(true, 2), light(false, 3), light(false, 6),
                         light(true, 5), enable(GL_TEXTURE_2D), ambient(1, 1, 1), diffuse(1, 1, 1),
                         call("bindTexture", {GL_TEXTURE_2D, 22}), call("scale", {-1, -1, 1})},
                        glove,
                        {call("scale", {-1, 1, 1})},
                        glove,
                        {call("scale", {1, -1, 1}), disable(GL_TEXTURE_2D), disable(GL_ALPHA_TEST),
                         light(false, 5)},
                    }));
    expectIdentity(matrixAfter(list, list.size()));
}

TEST(Parts, TheTwoArmsAndTheTwoGlovesMirrorEachOther) {
    PartsInput in = sampleInput();
    in.ExtWheelOffset = {0.5f, 0.25f};  // S wy = 100, S wz = 50
    const auto placed = placedPrimitives(compiled([&](Gl& gl, GLuint l) { buildArms(gl, l, in); }));
    ASSERT_EQ(placed.size(), 4u);
    expectBounds(placed[0], {-36, -18, -10, 93, -50, 50});  // from the wheel's rim at y = S wy - 7
    expectBounds(placed[1], {18, 36, -10, 93, -50, 50});
    expectBounds(placed[2], {-33, -16, 85, 111, 49, 50});  // around the hands: S wy - 15 ... S wy + 11
    expectBounds(placed[3], {16, 33, 85, 111, 49, 50});
}

// ---------------------------------------------------------------- steering wheels

TEST(Parts, TheSteeringWheelsAreOneTexturedBoxEach) {
    struct Case {
        const char* what;
        std::function<void(Gl&, GLuint, const PartsInput&)> build;
        std::array<float, 2> offset;
        std::array<float, 3> cockpit;
        Bounds box;
    };
    const Case cases[] = {
        {"outside, no offset", buildExtWheel, {0, 0}, {0, 0, 0}, {-27.5, 27.5, -21, 19, 0, 1}},
        {"outside, offset", buildExtWheel, {0.25f, -0.5f}, {0, 0, 0}, {-27.5, 27.5, 29, 69, -100, -99}},
        // No depth: x from 45 - S c0 to -45 - S c0, z at S c2 + 180.
        {"cockpit", buildCockpitWheel, {0.25f, -0.5f}, {0.5f, 0.125f, 0.25f}, {-145, -55, -27, 31, 230, 230}},
        {"cockpit, at zero", buildCockpitWheel, {0, 0}, {0, 0, 0}, {-45, 45, -52, 6, 180, 180}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PartsInput in = sampleInput();
        in.ExtWheelOffset = c.offset;
        in.cockpitWheel = c.cockpit;
        const auto list = summarised(compiled([&](Gl& gl, GLuint l) { c.build(gl, l, in); }));
        const Bounds& b = c.box;
        EXPECT_EQ(list, (std::vector<Call>{enable(GL_ALPHA_TEST), light(true, 5), enable(GL_TEXTURE_2D),
                                           ambient(1, 1, 1), diffuse(1, 1, 1),
                                           call("bindTexture", {GL_TEXTURE_2D, 23}),
                                           call("box", {b.x0, b.x1, b.y0, b.y1, b.z0, b.z1}), disable(GL_TEXTURE_2D),
                                           disable(GL_ALPHA_TEST), light(false, 5)}));
    }
}

// ---------------------------------------------------------------- landscape

TEST(Parts, TheLandscapeIsTheTrackTheLinesTheGantryTheWallAndTheGrass) {
    const auto list = summarised(compiled([](Gl& gl, GLuint l) { buildLandscape(gl, l); }));
    const auto flat = [](double x0, double x1, double y, double z0, double z1) {
        return call("flat", {x0, x1, y, y, z0, z1});
    };
    const auto box = [](double x0, double x1, double y0, double y1, double z0, double z1) {
        return call("box", {x0, x1, y0, y1, z0, z1});
    };
    EXPECT_EQ(list, (std::vector<Call>{
                        light(true, 6), disable(GL_TEXTURE_2D), disable(GL_ALPHA_TEST), ambient(1, 1, 1),
                        diffuse(1, 1, 1),                                   //
                        flat(-1540, -1500, -110, -40000, 40000),            // white lines
                        flat(500, 540, -110, -40000, 40000),                //
                        box(-1700, 700, 500, 800, 3010, 3020),              // gantry beam
                        diffuse(0.74f, 0.74f, 0.74f), ambient(0.18f, 0.195f, 0.195f),  //
                        flat(-240, 240, -109, 280, 380),                    // the frame around the car
                        flat(-240, -220, -109, 60, 280),                    //
                        flat(220, 240, -109, 60, 280),                      //
                        diffuse(0.18f, 0.195f, 0.195f), ambient(0.18f, 0.195f, 0.195f),  //
                        flat(-1500, 500, -110, -40000, 40000),              // track
                        diffuse(0.3f, 0.3f, 0.3f),                          //
                        box(950, 1000, -110, 80, -40000, 40000),            // wall
                        ambient(0.4f, 0.4f, 0.4f),                          //
                        box(700, 730, -110, 800, 3000, 3030),               // gantry posts
                        box(-1730, -1700, -110, 800, 3000, 3030),           //
                        diffuse(0.1f, 0.22f, 0), ambient(0.18f, 0.195f, 0.195f),  //
                        flat(-12300, -1540, -110, -40000, 40000),           // grass
                        flat(540, 12000, -110, -40000, 40000),              //
                        diffuse(1, 1, 1), light(false, 6),
                    }));
}

// ---------------------------------------------------------------- lights

TEST(Parts, TheListsLeaveTheLightsAsTheSceneExpects) {
    const PartsInput in = sampleInput();
    struct Case {
        const char* what;
        std::function<void(Gl&, GLuint)> build;
        Lights start;
        Lights after;
        std::vector<Lights> whileDrawing;
    };
    const auto arms = [&](Gl& gl, GLuint l) { buildArms(gl, l, in); };
    const auto ext = [&](Gl& gl, GLuint l) { buildExtWheel(gl, l, in); };
    const auto cockpit = [&](Gl& gl, GLuint l) { buildCockpitWheel(gl, l, in); };
    const auto landscape = [](Gl& gl, GLuint l) { buildLandscape(gl, l); };
    const Case cases[] = {
        // The arms set every light: 3 and 6 alone light the arms, 0, 1, 2 and 5 the gloves.
        {"arms after the helmet", arms, "1111111", "1110000", {"0001001", "1110010"}},
        {"arms from the set-up", arms, "1110000", "1110000", {"0001001", "1110010"}},
        {"arms from dark", arms, "0000000", "1110000", {"0001001", "1110010"}},
        // The others switch one light on for themselves and off again.
        {"landscape", landscape, "1110000", "1110000", {"1110001"}},
        {"landscape after the helmet", landscape, "1111111", "1111110", {"1111111"}},
        {"outside wheel", ext, "1111111", "1111101", {"1111111"}},
        {"outside wheel from the set-up", ext, "1110000", "1110000", {"1110010"}},
        {"cockpit wheel", cockpit, "1110000", "1110000", {"1110010"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto list = compiled(c.build);
        EXPECT_EQ(lightsAfter(list, c.start), c.after);
        EXPECT_EQ(lightsWhileDrawing(list, c.start), c.whileDrawing);
    }
}

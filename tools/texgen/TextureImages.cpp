#include "TextureImages.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace varnisk::texgen {

namespace {

using Bytes = std::vector<std::uint8_t>;

// ------------------------------------------------------------ writers

void addU16(Bytes& out, int v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void addU32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Pixel `x` of a row, stored blue-green-red(-alpha).
void addStoredPixel(Bytes& out, const std::uint8_t* rgb, int channels) {
    out.push_back(rgb[2]);
    out.push_back(rgb[1]);
    out.push_back(rgb[0]);
    if (channels == 4) out.push_back(rgb[3]);
}

// One row as run-length packets: runs of two or more equal pixels become
// run packets, everything else raw packets, at most 128 pixels each.
void addRleRow(Bytes& out, const std::uint8_t* row, int width, int channels) {
    const auto pixel = [&](int x) { return row + static_cast<std::ptrdiff_t>(x) * channels; };
    const auto same = [&](int a, int b) { return std::equal(pixel(a), pixel(a) + channels, pixel(b)); };
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 128 && same(x, x + run)) ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            addStoredPixel(out, pixel(x), channels);
            x += run;
            continue;
        }
        const int start = x;
        int count = 0;
        while (x < width && count < 128 && !(x + 1 < width && same(x, x + 1))) {
            ++x;
            ++count;
        }
        out.push_back(static_cast<std::uint8_t>(count - 1));
        for (int i = start; i < start + count; ++i) addStoredPixel(out, pixel(i), channels);
    }
}

// ------------------------------------------------------------ drawing

struct Colour {
    float r = 0, g = 0, b = 0, a = 1;
};

constexpr float kPi = 3.14159265f;

Colour rgb(int r, int g, int b) {
    return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f, static_cast<float>(b) / 255.0f, 1.0f};
}
float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
float mix(float a, float b, float t) { return a + (b - a) * t; }
Colour mix(Colour a, Colour b, float t) {
    return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t), mix(a.a, b.a, t)};
}
Colour shade(Colour c, float f) { return {c.r * f, c.g * f, c.b * f, c.a}; }
Colour clear(Colour c) { return {c.r, c.g, c.b, 0.0f}; }
float smoothstep(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
float fract(float v) { return v - std::floor(v); }

// Noise from a lattice of hashed values; the same numbers on every machine.
float hash(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u +
                      seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFFu) / 16777216.0f;
}

int wrap(int v, int period) { return period > 0 ? ((v % period) + period) % period : v; }

// Smooth value noise in 0..1 on cells of `cell` pixels; it repeats every
// `period` cells when period is above 0, so that a texture tiles.
float valueNoise(float x, float y, float cell, int period, std::uint32_t seed) {
    const float fx = x / cell;
    const float fy = y / cell;
    const float flx = std::floor(fx);
    const float fly = std::floor(fy);
    const int ix = static_cast<int>(flx);
    const int iy = static_cast<int>(fly);
    const float tx = fx - flx;
    const float ty = fy - fly;
    const float sx = tx * tx * (3.0f - 2.0f * tx);
    const float sy = ty * ty * (3.0f - 2.0f * ty);
    const auto at = [&](int dx, int dy) { return hash(wrap(ix + dx, period), wrap(iy + dy, period), seed); };
    return mix(mix(at(0, 0), at(1, 0), sx), mix(at(0, 1), at(1, 1), sx), sy);
}

// Signed distance to a rounded box around (cx, cy) with half sizes hw, hh.
float boxDistance(float x, float y, float cx, float cy, float hw, float hh, float radius) {
    const float qx = std::fabs(x - cx) - (hw - radius);
    const float qy = std::fabs(y - cy) - (hh - radius);
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float segmentDistance(float x, float y, float ax, float ay, float bx, float by) {
    const float dx = bx - ax, dy = by - ay;
    const float length2 = dx * dx + dy * dy;
    const float t = length2 > 0 ? clamp01(((x - ax) * dx + (y - ay) * dy) / length2) : 0.0f;
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy));
}

using Shader = std::function<Colour(float x, float y)>;

// Draws an image from a shader that gives the colour at a point (pixel
// units, y from the top), 3 x 3 samples a pixel. The rows are stored bottom
// first. Where alpha varies, colours are weighted by it, so that the edge of
// a shape keeps the shape's colour.
Image render(int width, int height, int channels, const Shader& shader) {
    constexpr int kSamples = 3;
    constexpr float kCount = kSamples * kSamples;
    Image image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                        static_cast<std::size_t>(channels));
    const auto toByte = [](float v) { return static_cast<std::uint8_t>(std::lround(clamp01(v) * 255.0f)); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float r = 0, g = 0, b = 0, a = 0, pr = 0, pg = 0, pb = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Colour c = shader(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / kSamples,
                                            static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / kSamples);
                    const float alpha = clamp01(c.a);
                    r += clamp01(c.r), g += clamp01(c.g), b += clamp01(c.b), a += alpha;
                    pr += clamp01(c.r) * alpha, pg += clamp01(c.g) * alpha, pb += clamp01(c.b) * alpha;
                }
            }
            const bool weighted = channels == 4 && a > 0.0f;
            const float div = weighted ? a : kCount;
            const std::size_t at = (static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width) +
                                    static_cast<std::size_t>(x)) *
                                   static_cast<std::size_t>(channels);
            image.pixels[at] = toByte((weighted ? pr : r) / div);
            image.pixels[at + 1] = toByte((weighted ? pg : g) / div);
            image.pixels[at + 2] = toByte((weighted ? pb : b) / div);
            if (channels == 4) image.pixels[at + 3] = toByte(a / kCount);
        }
    }
    return image;
}

// ------------------------------------------------------------ seven segments

// Segments a..g as bits 0..6, for the digits 0..9.
constexpr std::array<std::uint8_t, 10> kDigitSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

enum class Segment { None, Off, Lit };

// What a seven-segment digit of width w and height h with its top left
// corner at (left, top) shows at (x, y); slanted a little like a real one.
Segment digitAt(float x, float y, float left, float top, float w, float h, int digit) {
    const float thickness = w * 0.22f;
    const float lx = x - left + (y - top - h / 2) * 0.12f;
    const float ly = y - top;
    const float gap = thickness * 0.75f;
    const std::array<std::array<float, 4>, 7> ends = {{
        {0, 0, w, 0},          // a
        {w, 0, w, h / 2},      // b
        {w, h / 2, w, h},      // c
        {0, h, w, h},          // d
        {0, h / 2, 0, h},      // e
        {0, 0, 0, h / 2},      // f
        {0, h / 2, w, h / 2},  // g
    }};
    for (std::size_t s = 0; s < ends.size(); ++s) {
        const auto& e = ends[s];
        const float dx = e[2] - e[0], dy = e[3] - e[1];
        const float len = std::hypot(dx, dy);
        const float ux = dx / len * gap, uy = dy / len * gap;
        if (segmentDistance(lx, ly, e[0] + ux, e[1] + uy, e[2] - ux, e[3] - uy) < thickness / 2)
            return (kDigitSegments[static_cast<std::size_t>(digit)] >> s) & 1 ? Segment::Lit : Segment::Off;
    }
    return Segment::None;
}

// A line of digits, ':' and '.' in cells of width w (a gap of w/3 between
// them), height h.
Segment textAt(float x, float y, float left, float top, float w, float h, std::string_view text) {
    float cell = left;
    for (const char ch : text) {
        if (ch == ':' || ch == '.') {
            const float dot = w * 0.13f;
            const float cx = cell + w * 0.15f;
            if (ch == ':' && (std::hypot(x - cx, y - (top + h * 0.3f)) < dot ||
                              std::hypot(x - cx, y - (top + h * 0.75f)) < dot))
                return Segment::Lit;
            if (ch == '.' && std::hypot(x - cx, y - (top + h - dot)) < dot) return Segment::Lit;
            cell += w * 0.4f;
            continue;
        }
        const Segment s = digitAt(x, y, cell, top, w, h, ch - '0');
        if (s != Segment::None) return s;
        cell += w * 4 / 3;
    }
    return Segment::None;
}

// ------------------------------------------------------------ the designs

// Racing-suit fabric: red twill, a white stripe with navy edges down the
// sleeve and a knitted cuff at the bottom. Tiles across.
Colour sleeveAt(float x, float y) {
    const float twill = 0.5f + 0.5f * std::sin((x + y) * kPi / 2.0f);
    const float grain = valueNoise(x, y, 4.0f, 32, 11);
    const float weave = 0.84f + 0.12f * twill + 0.10f * (grain - 0.5f);
    if (y >= 108.0f) {
        const float rib = 0.5f + 0.5f * std::sin(x * kPi / 2.0f);
        const float edge = y < 110.0f ? 0.6f : 1.0f;
        return shade(rgb(44, 44, 52), edge * (0.72f + 0.36f * rib + 0.08f * (grain - 0.5f)));
    }
    const float d = std::fabs(x - 64.0f);
    if (d < 11.0f) return shade(rgb(238, 236, 230), 0.9f + 0.08f * twill + 0.04f * (grain - 0.5f));
    if (d < 14.0f) return shade(rgb(24, 36, 96), weave);
    return shade(rgb(176, 22, 30), weave);
}

// Glove leather: a grained dark back, a suede palm panel with stitching,
// a red knuckle pad, finger seams and a wrist strap with a plain label.
Colour gloveAt(float x, float y) {
    const float grain = 0.6f * valueNoise(x, y, 2.5f, 0, 21) + 0.4f * valueNoise(x, y, 9.0f, 0, 22);
    if (y >= 104.0f) {
        if (boxDistance(x, y, 64, 116, 20, 4, 2) < 0) return rgb(228, 228, 224);
        if (y < 106.0f) return rgb(60, 60, 64);
        return rgb(26, 26, 28);
    }
    const float pad = boxDistance(x, y, 64, 16, 46, 9, 8);
    if (pad < 0) {
        const float bump = 0.5f + 0.5f * std::cos((x - 64.0f) * kPi / 15.0f);
        return shade(rgb(188, 30, 36), 0.72f + 0.3f * bump + 0.1f * (grain - 0.5f) - (pad > -1.5f ? 0.25f : 0.0f));
    }
    const float panel = boxDistance(x, y, 64, 64, 42, 32, 14);
    if (panel < 0) {
        const float fuzz = hash(static_cast<int>(x * 2), static_cast<int>(y * 2), 23);
        Colour suede = shade(rgb(128, 124, 116), 0.9f + 0.12f * (fuzz - 0.5f) + 0.12f * (grain - 0.5f));
        if (std::fabs(panel + 4.0f) < 0.7f && fract((x + y) / 6.0f) < 0.55f) suede = rgb(214, 208, 190);
        if (panel > -1.2f) suede = shade(suede, 0.6f);
        return suede;
    }
    Colour leather = shade(rgb(36, 38, 42), 0.8f + 0.45f * (grain - 0.5f));
    for (const float seam : {33.0f, 64.0f, 95.0f})
        if (y < 32.0f && std::fabs(x - seam) < 0.8f) leather = shade(leather, 0.45f);
    return leather;
}

// A round steering wheel seen from the driver: a ridged rubber rim with an
// orange top mark, three brushed spokes and a carbon hub with buttons.
// Everything around and between is fully clear.
Colour steeringWheelAt(float x, float y) {
    const float dx = x - 128.0f, dy = y - 128.0f;
    const float r = std::hypot(dx, dy);
    const float angle = std::atan2(dy, dx);
    const Colour none = clear(rgb(24, 24, 26));

    const float hub = boxDistance(x, y, 128, 128, 46, 34, 12);
    if (hub < 0) {
        const struct {
            float x, y, radius;
            Colour colour;
        } buttons[] = {{100, 116, 7, rgb(200, 30, 30)},
                       {156, 116, 7, rgb(30, 80, 200)},
                       {100, 141, 6, rgb(230, 190, 20)},
                       {156, 141, 6, rgb(30, 160, 60)}};
        for (const auto& b : buttons) {
            const float d = std::hypot(x - b.x, y - b.y);
            if (d < b.radius) return shade(b.colour, 1.0f - 0.35f * d / b.radius);
            if (d < b.radius + 1.5f) return rgb(12, 12, 12);
        }
        const float ring = std::fabs(r - 10.0f);
        if (ring < 2.0f) return shade(rgb(200, 202, 206), 1.0f - 0.2f * ring);
        if (r < 8.0f) return rgb(20, 20, 22);
        const int tow = (static_cast<int>(std::floor(x / 4.0f)) + static_cast<int>(std::floor(y / 4.0f))) % 4;
        const float sheen = tow < 2 ? 0.5f + 0.5f * std::sin(fract(y / 4.0f) * kPi)
                                    : 0.5f + 0.5f * std::sin(fract(x / 4.0f) * kPi);
        Colour carbon = shade(rgb(44, 44, 50), 0.7f + 0.5f * sheen);
        if (hub > -1.5f) carbon = rgb(90, 90, 96);
        return carbon;
    }

    if (r >= 96.0f && r <= 122.0f) {
        const float t = (r - 109.0f) / 13.0f;
        const float round = 1.0f - t * t;
        const float ridge = 0.5f + 0.5f * std::sin(angle * 120.0f);
        const bool grip = std::fabs(std::cos(angle)) > 0.55f;
        Colour rim = grip ? shade(rgb(36, 36, 38), 0.55f + 0.35f * round + 0.18f * ridge)
                          : shade(rgb(52, 52, 56), 0.5f + 0.55f * round);
        if (std::fabs(angle + kPi / 2) < 0.07f) rim = shade(rgb(255, 140, 0), 0.7f + 0.3f * round);
        const float edge = std::min(r - 96.0f, 122.0f - r);
        rim.a = smoothstep(0.0f, 0.8f, edge);
        return rim;
    }

    const bool side = std::fabs(dy) < 11.0f && r > 30.0f && r < 97.0f;
    const bool bottom = std::fabs(dx) < 12.0f && dy > 0 && r < 97.0f;
    if (side || bottom) {
        const float brush = side ? valueNoise(x * 0.1f, y * 3.0f, 1.0f, 0, 31) : valueNoise(x * 3.0f, y * 0.1f, 1.0f, 0, 32);
        const float across = side ? dy / 11.0f : dx / 12.0f;
        return shade(rgb(168, 170, 176), 0.78f + 0.2f * (1.0f - across * across) + 0.12f * (brush - 0.5f));
    }
    return none;
}

// A crack in the carbon: a jagged line from the broken hole outwards.
struct Crack {
    float ax, ay, bx, by;
};

std::vector<Crack> cracks() {
    std::vector<Crack> out;
    std::uint32_t state = 0x2545F491u;
    const auto random = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    };
    for (int c = 0; c < 7; ++c) {
        float heading = static_cast<float>(c) * 2.0f * kPi / 7.0f + random() * 0.6f;
        float x = 84.0f + std::cos(heading) * 14.0f, y = 52.0f + std::sin(heading) * 14.0f;
        const int steps = 4 + static_cast<int>(random() * 6.0f);
        for (int s = 0; s < steps; ++s) {
            heading += (random() - 0.5f) * 1.1f;
            const float length = 4.0f + random() * 7.0f;
            const float nx = x + std::cos(heading) * length, ny = y + std::sin(heading) * length;
            out.push_back({x, y, nx, ny});
            x = nx, y = ny;
        }
    }
    return out;
}

// Carbon fibre twill, cracked around a hole broken through it (clear), with
// a few scratches.
Colour cockpitDamageAt(float x, float y, const std::vector<Crack>& lines) {
    const float dx = x - 84.0f, dy = y - 52.0f;
    const float angle = std::atan2(dy, dx);
    const float holeRadius = 11.0f + 5.0f * valueNoise(angle * 4.0f + 20.0f, 3.0f, 1.0f, 0, 41);
    const float r = std::hypot(dx, dy);
    if (r < holeRadius) return clear(rgb(20, 20, 20));

    const int ix = static_cast<int>(std::floor(x / 8.0f)), iy = static_cast<int>(std::floor(y / 8.0f));
    const bool across = (ix + iy) % 4 < 2;
    const float fibre = hash(across ? static_cast<int>(y * 3.0f) : static_cast<int>(x * 3.0f), 0, 43);
    const float tow = std::sin(fract((across ? y : x) / 8.0f) * kPi);
    Colour c = shade(rgb(46, 47, 54), 0.55f + 0.55f * tow + 0.15f * (fibre - 0.5f));

    if (r < holeRadius + 2.5f) return mix(rgb(196, 180, 140), c, (r - holeRadius) / 2.5f);
    float nearest = 1e9f;
    for (const Crack& k : lines) nearest = std::min(nearest, segmentDistance(x, y, k.ax, k.ay, k.bx, k.by));
    if (nearest < 0.8f) return rgb(205, 205, 200);
    if (nearest < 3.0f) c = mix(c, rgb(120, 120, 124), 0.5f * (1.0f - nearest / 3.0f));
    for (const Crack& s : {Crack{10, 100, 60, 84}, Crack{18, 112, 70, 96}, Crack{30, 20, 52, 12}})
        if (segmentDistance(x, y, s.ax, s.ay, s.bx, s.by) < 0.45f) c = mix(c, rgb(170, 170, 176), 0.7f);
    return c;
}

// A six-spoke rim seen from the side, the carbon brake disc and a red
// caliper behind the spokes, a centre-lock nut, all inside the black tyre.
Colour rimAt(float x, float y) {
    const float dx = x - 64.0f, dy = y - 64.0f;
    const float r = std::hypot(dx, dy);
    const float angle = std::atan2(dy, dx);
    const float light = 0.5f + 0.5f * std::cos(angle + 2.36f);  // lit from the top left
    if (r > 62.0f) return rgb(22, 22, 24);
    if (r > 58.0f) return shade(rgb(200, 202, 208), 0.7f + 0.35f * light);
    if (r > 50.0f) return shade(rgb(74, 76, 82), 0.55f + 0.5f * (1.0f - light));
    if (r < 11.0f) {
        if (r < 2.2f) return rgb(210, 20, 20);
        const float hex = std::cos(fract(angle / (kPi / 3.0f) + 0.5f) * kPi / 3.0f - kPi / 6.0f);
        if (r * hex < 7.0f) return shade(rgb(120, 122, 128), 0.75f + 0.3f * light);
        return shade(rgb(196, 198, 204), 0.8f + 0.25f * light);
    }
    const float sector = kPi / 3.0f;
    const float offset = angle - sector * std::round(angle / sector);
    const float fromSpoke = r * std::sin(std::fabs(offset));
    const float halfWidth = 3.5f + r * 0.07f;
    if (fromSpoke < halfWidth) {
        const float side = offset > 0 ? 1.0f : 0.8f;
        return shade(rgb(64, 66, 72), side * (0.8f + 0.3f * (1.0f - fromSpoke / halfWidth)));
    }
    if (r > 32.0f && r < 48.0f && angle > -1.25f && angle < -0.35f) return shade(rgb(176, 20, 24), 0.75f + 0.25f * light);
    if (r > 22.0f && r < 47.0f) {
        const float vane = 0.5f + 0.5f * std::sin(angle * 48.0f);
        return shade(rgb(52, 50, 48), 0.8f + 0.25f * vane);
    }
    return rgb(12, 12, 12);
}

// Tread rubber with four grooves round the tyre; tiles both ways.
Colour treadAt(float x, float y) {
    const float grain = 0.7f * valueNoise(x, y, 2.0f, 64, 51) + 0.3f * valueNoise(x, y, 8.0f, 16, 52);
    const float wear = valueNoise(x, y * 0.25f, 4.0f, 32, 53);
    Colour rubber = shade(rgb(34, 34, 36), 0.82f + 0.3f * (grain - 0.5f) + 0.1f * (wear - 0.5f));
    float groove = 1e9f;
    for (const float centre : {16.0f, 48.0f, 80.0f, 112.0f}) groove = std::min(groove, std::fabs(x - centre));
    if (groove < 3.5f) return shade(rgb(14, 14, 15), 0.8f + 0.4f * (1.0f - groove / 3.5f));
    if (groove < 4.8f) return shade(rubber, 1.35f);
    const int speckX = wrap(static_cast<int>(x), 128), speckY = wrap(static_cast<int>(y), 128);
    if (hash(speckX, speckY, 54) > 0.988f) rubber = shade(rubber, 1.6f);
    return rubber;
}

// The dashboard display: a row of shift lights (nine of fifteen lit), the
// gear in the middle, the speed on the left and the lap time on the right.
Colour displayAt(float x, float y) {
    const float screen = boxDistance(x, y, 64, 32, 61, 29, 5);
    if (screen > 0) return rgb(18, 18, 20);
    if (screen > -1.0f) return rgb(70, 72, 76);
    Colour lcd = shade(rgb(14, 24, 18), std::fmod(y, 2.0f) < 1.0f ? 1.0f : 0.85f);

    for (int i = 0; i < 15; ++i) {
        const float cx = 12.0f + 7.4f * static_cast<float>(i);
        const float d = std::hypot(x - cx, y - 11.0f);
        const Colour hue = i < 5 ? rgb(40, 230, 60) : i < 10 ? rgb(240, 40, 30) : rgb(50, 110, 255);
        const bool lit = i < 9;
        if (d < 2.8f) return lit ? mix(hue, rgb(255, 255, 255), 0.35f * (1.0f - d / 2.8f)) : shade(hue, 0.22f);
        if (lit && d < 4.2f) lcd = mix(lcd, hue, 0.35f * (1.0f - (d - 2.8f) / 1.4f));
    }

    const auto segment = [&](Segment s, Colour on) -> std::optional<Colour> {
        if (s == Segment::Lit) return on;
        if (s == Segment::Off) return mix(lcd, on, 0.1f);
        return std::nullopt;
    };
    if (auto c = segment(digitAt(x, y, 56, 20, 16, 30, 4), rgb(255, 176, 0))) return *c;
    if (auto c = segment(textAt(x, y, 9, 27, 8, 16, "287"), rgb(170, 255, 180))) return *c;
    if (auto c = segment(textAt(x, y, 80, 27, 6, 16, "1:24.6"), rgb(220, 230, 255))) return *c;
    if (y > 47.0f && y < 49.0f && x > 8.0f && x < 120.0f) return rgb(36, 60, 44);
    return lcd;
}

}  // namespace

// ------------------------------------------------------------ public

std::vector<std::uint8_t> writeTga(const Image& image, TgaEncoding encoding, std::string_view id) {
    if (image.channels != 3 && image.channels != 4) throw std::invalid_argument("a TGA holds 3 or 4 channels");
    if (id.size() > 255) throw std::invalid_argument("a TGA's ID field holds at most 255 bytes");
    Bytes out;
    out.push_back(static_cast<std::uint8_t>(id.size()));
    out.push_back(0);  // no colour map
    out.push_back(encoding == TgaEncoding::RunLength ? 10 : 2);
    out.insert(out.end(), 5, 0);  // no colour map: first entry, length and entry size 0
    addU16(out, 0);                // origin x
    addU16(out, 0);                // origin y
    addU16(out, image.width);
    addU16(out, image.height);
    out.push_back(static_cast<std::uint8_t>(image.channels * 8));
    out.push_back(image.channels == 4 ? 8 : 0);  // alpha bits; origin bottom left
    out.insert(out.end(), id.begin(), id.end());

    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.channels);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * rowBytes;
        if (encoding == TgaEncoding::RunLength) {
            addRleRow(out, row, image.width, image.channels);
        } else {
            for (int x = 0; x < image.width; ++x)
                addStoredPixel(out, row + static_cast<std::size_t>(x) * static_cast<std::size_t>(image.channels),
                               image.channels);
        }
    }
    addU32(out, 0);  // no extension area
    addU32(out, 0);  // no developer directory
    const std::string_view signature = "TRUEVISION-XFILE.";
    out.insert(out.end(), signature.begin(), signature.end());
    out.push_back(0);
    return out;
}

std::vector<std::uint8_t> writeBmp(const Image& image) {
    if (image.channels != 3) throw std::invalid_argument("the BMP writer takes RGB images");
    const std::uint32_t rowBytes = static_cast<std::uint32_t>(image.width) * 3;
    const std::uint32_t stride = (rowBytes + 3) / 4 * 4;
    const std::uint32_t pixelBytes = stride * static_cast<std::uint32_t>(image.height);
    constexpr std::uint32_t kOffset = 14 + 40;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    addU32(out, kOffset + pixelBytes);
    addU32(out, 0);  // reserved
    addU32(out, kOffset);
    addU32(out, 40);
    addU32(out, static_cast<std::uint32_t>(image.width));
    addU32(out, static_cast<std::uint32_t>(image.height));  // positive: bottom row first
    addU16(out, 1);                                          // planes
    addU16(out, 24);
    addU32(out, 0);  // no compression
    addU32(out, pixelBytes);
    addU32(out, 2835);  // 72 dots per inch
    addU32(out, 2835);
    addU32(out, 0);  // colours used
    addU32(out, 0);  // important colours
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * rowBytes;
        for (int x = 0; x < image.width; ++x) addStoredPixel(out, row + static_cast<std::size_t>(x) * 3, 3);
        out.insert(out.end(), stride - rowBytes, 0);
    }
    return out;
}

Image sleeveImage() { return render(128, 128, 3, sleeveAt); }
Image gloveImage() { return render(128, 128, 3, gloveAt); }
Image steeringWheelImage() { return render(256, 256, 4, steeringWheelAt); }
Image cockpitDamageImage() {
    const std::vector<Crack> lines = cracks();
    return render(128, 128, 4, [&lines](float x, float y) { return cockpitDamageAt(x, y, lines); });
}
Image rimImage() { return render(128, 128, 3, rimAt); }
Image treadImage() { return render(128, 128, 3, treadAt); }
Image displayImage() { return render(128, 64, 3, displayAt); }

std::vector<ShippedTexture> shippedTextures() {
    std::vector<ShippedTexture> out;
    const auto tga = [&out](std::string name, Image image, TgaEncoding encoding, std::string_view id = {}) {
        Bytes bytes = writeTga(image, encoding, id);
        out.push_back({std::move(name), std::move(image), std::move(bytes)});
    };
    tga("arm.tga", sleeveImage(), TgaEncoding::Uncompressed, "Varnisk sleeve");
    tga("glove.tga", gloveImage(), TgaEncoding::RunLength);
    tga("stwheel.tga", steeringWheelImage(), TgaEncoding::RunLength);
    tga("COCKPIT_DAMAGE.tga", cockpitDamageImage(), TgaEncoding::Uncompressed);
    tga("wheel_michelin_0.tga", rimImage(), TgaEncoding::RunLength);
    Image tread = treadImage();
    Bytes treadBytes = writeBmp(tread);
    out.push_back({"michelin_tread_0_right_0.bmp", std::move(tread), std::move(treadBytes)});
    tga("new_steering_wheel_displays.tga", displayImage(), TgaEncoding::Uncompressed);
    return out;
}

void writeTextureFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw std::runtime_error("cannot create " + folder + ": " + ec.message());
    for (const ShippedTexture& t : shippedTextures()) {
        const fs::path target = fs::path(folder) / t.name;
        const fs::path temp = fs::path(folder) / (t.name + ".tmp");
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(t.bytes.data()), static_cast<std::streamsize>(t.bytes.size()));
            out.close();
            if (!out) {
                fs::remove(temp, ec);
                throw std::runtime_error("cannot write " + temp.string());
            }
        }
        fs::rename(temp, target, ec);
        if (ec) {
            const std::string reason = ec.message();
            fs::remove(temp, ec);
            throw std::runtime_error("cannot write " + target.string() + ": " + reason);
        }
    }
}

}  // namespace varnisk::texgen

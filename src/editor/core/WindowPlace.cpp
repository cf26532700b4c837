#include "core/WindowPlace.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace varnisk {

namespace {

// What a remembered place may hold: places on any arrangement of screens,
// sizes of any real screen.
constexpr int kMaxCoordinate = 1'000'000;
constexpr int kMaxSize = 100'000;

// A form's size at a zoom, as the window rounds it.
int zoomed(int units, int percent) { return static_cast<int>(std::lround(units * percent / 100.0)); }

}  // namespace

int nearestZoom(int percent) {
    int best = kZoomSteps.front();
    for (int step : kZoomSteps) {
        if (std::abs(step - percent) < std::abs(best - percent)) best = step;
    }
    return best;
}

int zoomIn(int percent) {
    for (int step : kZoomSteps) {
        if (step > percent) return step;
    }
    return kZoomSteps.back();
}

int zoomOut(int percent) {
    for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it) {
        if (*it < percent) return *it;
    }
    return kZoomSteps.front();
}

int largestZoomThatFits(Extent form, Extent screen) {
    int best = kZoomSteps.front();
    for (int step : kZoomSteps) {
        if (zoomed(form.width, step) <= screen.width && zoomed(form.height, step) <= screen.height) best = step;
    }
    return best;
}

int defaultZoom(double pixelsPerInch, Extent form, Extent screen) {
    const double density = std::isfinite(pixelsPerInch) && pixelsPerInch > 0 ? pixelsPerInch / 96.0 : 1.0;
    const double halfScreen = form.width > 0 && screen.width > 0 ? screen.width / 2.0 / form.width : 1.0;
    // A little room above a step: 100 dpi is the 96 the form was drawn for.
    const double wanted = std::max(density, halfScreen) * 100.0 + 5.0;
    int zoom = kZoomSteps.front();
    for (int step : kZoomSteps) {
        if (step <= wanted) zoom = step;
    }
    if (screen.width <= 0 || screen.height <= 0) return zoom;
    return std::min(zoom, largestZoomThatFits(form, screen));
}

std::optional<WindowPlace> parseWindowPlace(std::string_view text) {
    std::vector<int> numbers;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while (true) {
        while (at != end && *at == ' ') ++at;
        if (at == end) break;
        int n = 0;
        auto [next, ec] = std::from_chars(at, end, n);
        if (ec != std::errc() || (next != end && *next != ' ')) return std::nullopt;
        numbers.push_back(n);
        if (numbers.size() > 5) return std::nullopt;
        at = next;
    }
    if (numbers.size() != 5) return std::nullopt;
    WindowPlace place{nearestZoom(numbers[0]), numbers[1], numbers[2], numbers[3], numbers[4]};
    if (numbers[0] <= 0 || std::abs(place.x) > kMaxCoordinate || std::abs(place.y) > kMaxCoordinate) return std::nullopt;
    if (place.width <= 0 || place.height <= 0 || place.width > kMaxSize || place.height > kMaxSize) return std::nullopt;
    return place;
}

std::string windowPlaceText(const WindowPlace& place) {
    return std::to_string(place.zoom) + ' ' + std::to_string(place.x) + ' ' + std::to_string(place.y) + ' ' +
           std::to_string(place.width) + ' ' + std::to_string(place.height);
}

}  // namespace varnisk

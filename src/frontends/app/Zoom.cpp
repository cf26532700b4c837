#include "app/Zoom.h"

#include <QApplication>
#include <QFont>
#include <cmath>
#include <map>

#include "app/Look.h"
#include "core/WindowPlace.h"

namespace varnisk::app::zoom {

namespace {

struct State {
    int percent = 100;
    int nextHandle = 1;
    std::map<int, std::function<void()>> listeners;
};

State& state() {
    static State s;
    return s;
}

}  // namespace

int percent() { return state().percent; }

double factor() { return state().percent / 100.0; }

void set(int percent) {
    percent = nearestZoom(percent);
    if (percent == state().percent) return;
    state().percent = percent;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) QApplication::setFont(lookFont(percent));
    // A copy: a listener may stop listening.
    const auto listeners = state().listeners;
    for (const auto& [handle, listener] : listeners) listener();
}

int toPixels(int units) { return static_cast<int>(std::lround(units * factor())); }

QRect toPixels(const Rect& bounds) {
    const int left = toPixels(bounds.left), top = toPixels(bounds.top);
    return {left, top, toPixels(bounds.left + bounds.width) - left, toPixels(bounds.top + bounds.height) - top};
}

int toUnits(int pixels) { return static_cast<int>(std::lround(pixels / factor())); }

int listen(std::function<void()> listener) {
    const int handle = state().nextHandle++;
    state().listeners.emplace(handle, std::move(listener));
    return handle;
}

void unlisten(int handle) { state().listeners.erase(handle); }

}  // namespace varnisk::app::zoom

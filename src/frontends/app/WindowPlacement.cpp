#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "app/FormWindow.h"
#include "app/Zoom.h"
#include "core/WindowPlace.h"

namespace varnisk::app {

namespace {

// The screen whose free area holds the top left corner of a window with
// room for the start of its title bar; nullptr when none does (a screen
// taken away since).
QScreen* screenHolding(QPoint topLeft) {
    constexpr int kTitleRoom = 40;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect area = s->availableGeometry();
        if (area.contains(topLeft) && area.contains(topLeft + QPoint(kTitleRoom, kTitleRoom))) return s;
    }
    return nullptr;
}

}  // namespace

void placeMainWindow(FormWindow& main, Registry& registry) {
    Form& form = main.form();
    const std::optional<std::string> text = registry.readWindowPlace();
    const std::optional<WindowPlace> place = text ? parseWindowPlace(*text) : std::nullopt;
    const QPoint corner = place ? QPoint(place->x, place->y) : QPoint();
    QScreen* screen = place ? screenHolding(corner) : nullptr;
    if (screen == nullptr) screen = main.screen() != nullptr ? main.screen() : QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    const Extent room{area.width(), area.height()};
    const Extent smallest{std::max(form.minWidth(), 1), std::max(form.minHeight(), 1)};
    if (!place) {
        const double density = screen != nullptr ? screen->physicalDotsPerInch() : 96.0;
        zoom::set(defaultZoom(density, {form.width(), form.height()}, room));
        main.centreOnScreen();
        return;
    }
    zoom::set(area.isEmpty() ? place->zoom : std::min(place->zoom, largestZoomThatFits(smallest, room)));
    int width = place->width, height = place->height;
    if (!area.isEmpty()) {
        width = std::min(width, zoom::toUnits(area.width()));
        height = std::min(height, zoom::toUnits(area.height()));
    }
    // Through the editor, as the user's own resize: the form lays itself out.
    main.resizeForm(width, height);
    if (screenHolding(corner) != nullptr) {
        main.placeAt(corner);
    } else {
        main.centreOnScreen();
    }
}

RegistryWrite keepMainWindowPlace(const FormWindow& main, Registry& registry) {
    const Form& form = main.form();
    const QPoint at = main.pos();
    return registry.writeWindowPlace(windowPlaceText({zoom::percent(), at.x(), at.y(), form.width(), form.height()}));
}

}  // namespace varnisk::app

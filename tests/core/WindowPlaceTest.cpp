#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/WindowPlace.h"

using namespace varnisk;

TEST(Zoom, StepsInAndOutStopAtTheEnds) {
    struct Case {
        int from, in, out;
    };
    const Case cases[] = {
        {100, 125, 100}, {125, 150, 100}, {200, 250, 175}, {250, 300, 200}, {300, 300, 250},
        // Between steps or beyond them: the next step each way.
        {110, 125, 100}, {20, 100, 100}, {999, 300, 300},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(zoomIn(c.from), c.in) << c.from;
        EXPECT_EQ(zoomOut(c.from), c.out) << c.from;
    }
    EXPECT_EQ(nearestZoom(137), 125);  // as near to 125 as to 150: the smaller
    EXPECT_EQ(nearestZoom(140), 150);
    EXPECT_EQ(nearestZoom(-5), 100);
    EXPECT_EQ(nearestZoom(5000), 300);
}

// The main form is 608 by 316 at its size on first start.
TEST(Zoom, AFirstStartTakesTheScreensDensityAndSize) {
    const Extent form{608, 316};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double dpi;
        Extent screen;
        int zoom;
    };
    const Case cases[] = {
        {96, {1280, 1024}, 100},   // an ordinary screen: the form as drawn
        {100, {1366, 768}, 100},   // a little denser than 96 is still 100
        {96, {1600, 1200}, 125},   // a large screen of ordinary density: about half its width
        {96, {1920, 1080}, 150},
        {144, {1280, 800}, 150},   // a dense laptop screen
        {192, {1280, 800}, 200},   // twice as dense, though it would not be half the width
        {192, {3840, 2160}, 300},  // dense and large
        {400, {1024, 600}, 150},   // denser than the screen can show: what fits
        {nan, {1600, 1200}, 125},  // no density known: by size alone
        {-1, {0, 0}, 100},         // no screen known at all
        {96, {500, 300}, 100},     // smaller than the form: never below 100
    };
    for (const Case& c : cases) {
        EXPECT_EQ(defaultZoom(c.dpi, form, c.screen), c.zoom) << c.dpi << " dpi, " << c.screen.width << "x" << c.screen.height;
    }
    EXPECT_EQ(largestZoomThatFits(form, {1216, 632}), 200);
    EXPECT_EQ(largestZoomThatFits(form, {1215, 632}), 175);
}

TEST(WindowPlace, IsKeptAsOneLineAndDamagedTextIsNone) {
    const WindowPlace place{150, -20, 40, 700, 400};
    EXPECT_EQ(windowPlaceText(place), "150 -20 40 700 400");
    EXPECT_EQ(parseWindowPlace(windowPlaceText(place)), place);
    // A zoom between steps takes the nearest one.
    EXPECT_EQ(parseWindowPlace("160 0 0 608 316"), (WindowPlace{150, 0, 0, 608, 316}));
    EXPECT_EQ(parseWindowPlace("  100 1 2 3 4 "), (WindowPlace{100, 1, 2, 3, 4}));
    for (const char* damaged : {"", "150", "150 0 0 608", "150 0 0 608 316 9", "150 0 0 608 31x", "150,0,0,608,316",
                                "150 0 0 0 316", "150 0 0 608 -316", "0 0 0 608 316", "150 0 0 608 9999999",
                                "150 5000000 0 608 316", "150 0 0 608 99999999999999999999", "150\t0 0 608 316"}) {
        EXPECT_EQ(parseWindowPlace(damaged), std::nullopt) << '"' << damaged << '"';
    }
}

#pragma once

// The car shapes of the made-up game installations: an open-wheel racing car
// of this project's own design, the same car as seen from its cockpit, and a
// dashboard panel. Shape units are metres, x across (to the driver's right),
// y up, z forward; the origin lies between the axles, 0.23 m above the
// tyres' centres and 0.555 m above the track (the program draws the tyres
// itself, at the front around z = +1.14 and at the rear around z = -1.8,
// x = +-0.71, y = -0.23, 0.326 m in radius). It also draws the driver's
// helmet, arms and steering wheel: the cockpit lies where the stock helmet
// values put the helmet, its middle about 0.1 m below the origin.
//
// The car body spans about x -0.92..+0.92 (front wing), y -0.54..+0.46
// (floor to rear wing), z -2.37..+2.64 (rear wing to front wing).

#include <string>
#include <string_view>

#include "ShapeWriter.h"

namespace varnisk::gamegen {

enum class CarDetail {
    Normal,    // a low-poly car, about 1,100 triangles
    FullSize,  // the same car cut finer, 19,000 to 21,000 triangles
};

// The car of team `team` (0..10) whose stored name is `storedName`: three
// objects (body, wings, mechanical parts) with group kinds 23, 39 and 0. The
// texture names carry a key made of the name (carbody_<key>.bmp and the
// like) and ship nowhere, so the program paints them in the team's arm
// colour. Teams differ a little: odd teams carry a fin on the engine cover,
// every third team a second front-wing flap.
ShapeModel teamCarShape(int team, std::string_view storedName, CarDetail detail = CarDetail::Normal);
// The version each team's car is written in: 5, 7, 4, 5, 7, 4, ...
int teamCarVersion(int team);
// How much lower (in metres, 0 or less) the driver of team `team` (0..10)
// sits than team 0's: the stock helmet heights the editor's "Default Helmet"
// gives the teams differ by as much, and the cockpit's sides, the seat and
// the sidepods of the team's car are cut lower to match.
float driverSeatDrop(int team);

// How far the program moves the car seen from the cockpit when it draws it.
inline constexpr float kCockpitCarMove[3] = {0.0f, -0.09f, 0.85f};

// The car as seen from its cockpit: team 0's cockpit opening, monocoque,
// nose, sidepods, front wing, front suspension and mirrors, moved back by
// kCockpitCarMove, so that where the program draws it, it stands where team
// 0's car stands and its suspension meets the tyres. The driver's eye (the
// demo's cockpit camera) sits just above the helmet, around the origin of
// the team car, and looks over the cowl at the nose.
ShapeModel cockpitCarShape();
inline constexpr int kCockpitCarVersion = 7;

// A dashboard panel 0.25 m wide and 0.10 m high around the origin, tilted
// back a little, its face towards the driver (-z) with texture coordinates
// 0..1 across it (u to the right, v up), and a thin frame behind.
ShapeModel dashboardShape();
inline constexpr int kDashboardVersion = 4;

// One object of exactly `triangles` triangles (at least 1): a rippled sheet
// in four groups, for timing the reader.
ShapeModel makeDenseShape(int triangles);

// The archive's entry names: the program finds entries by their bare file
// name, whatever the letter case and the folders before it.
std::string teamCarEntryName(std::string_view storedName);  // "cars\car_" + name + "_car1_lod_0.gp4"
inline constexpr std::string_view kCockpitCarEntryName = "cars\\Cockpit\\car_cockpit_00.gp4";
inline constexpr std::string_view kDashboardEntryName = "cars\\Cockpit\\cockpit_dash.gp4";

// The number of triangles of every object together.
std::size_t triangleCount(const ShapeModel& model);

}  // namespace varnisk::gamegen

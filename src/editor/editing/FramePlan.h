#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace varnisk {

class Editor;

// What the preview's next frame shows, decided as part of the operation that
// asked for it (Editor::dispatch plans it as the operation's last step): the
// camera row, the perspective, the camera's moves and the shapes to read.
// A view draws the plan without changing the editor; it may draw the same
// plan again (an exposed window) without anything being decided anew.

// The perspective of a frame.
struct FramePerspective {
    double fieldOfView = 35;
    double zNear = 30;
    double zFar = 40000;
    bool operator==(const FramePerspective&) const = default;
};

// The perspective of the frame for camera field n, before it is reduced.
FramePerspective perspectiveFor(int n);

// The chase camera's downward angle in degrees from the two chase values
// (the fields 101 and 102); nullopt when there is none (both values 0).
std::optional<double> chaseAngle(int f101, int f102);

// Whether the row's camera sees the car ("Camera 4" and "Camera 8" do not).
bool rowShowsCar(int row);

// The display-list slots of the preview (list number = ListBase + slot).
enum Slot : int {
    kSlotTextures = 0,  // texture loading at set-up, never called
    kSlotTyres = 2,
    kSlotArms = 3,
    kSlotLandscape = 4,
    kSlotHelmet = 5,
    kSlotExtWheel = 6,
    kSlotCockpitWheel = 7,
    kSlotDashboard = 8,
    kSlotCar = 10,
};
inline constexpr int kSlotCount = 12;

// One move of the camera, applied to the projection matrix in order.
struct CameraMove {
    enum class Kind { Rotate, Translate };
    Kind kind = Kind::Rotate;
    float angle = 0;  // rotations only
    float x = 0, y = 0, z = 0;
    bool operator==(const CameraMove&) const = default;
};

// A shape to read out of the archive into its display-list slot, with the
// plan that asked for it. A request stays in the plans that follow until a
// newer one for the slot replaces it, so a view that draws only every other
// plan still reads it; a view reads each request once.
struct ShapeRequest {
    std::string entry;
    std::string archivePath;  // where it is read from; "": no game found, no archive chosen
    long long plan = 0;
    bool operator==(const ShapeRequest&) const = default;
};

struct FramePlan {
    long long number = 0;  // plans made so far, this one included; 0: none yet
    // False when a camera value held no number: the frame shows the sky alone.
    bool complete = false;
    int row = 0;  // the camera row shown, after reducing CurrentCamField
    FramePerspective perspective;
    std::optional<double> chaseAngle;  // chase cameras only, when defined
    std::vector<CameraMove> camera;
    std::map<int, ShapeRequest> shapes;  // by slot
};


// Plans the next frame into editor.frame: reduces CurrentCamField to the row
// shown, raises the readiness count, sets the reload marks and the T-cam
// cache, asks for the shapes that are to be read again and gives the
// outside wheel its offset when it has none. On the frame where the
// readiness count becomes 1, a missing archive is said once per shape asked
// for. A camera value that holds no number ends the planning with the
// conversion error; the plan then stays incomplete.
void planFrame(Editor& editor);

}  // namespace varnisk

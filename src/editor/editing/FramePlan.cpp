#include "editing/FramePlan.h"

#include <cmath>
#include <numbers>

#include "base/Errors.h"
#include "core/Editor.h"
#include "editing/MouseActions.h"
#include "editing/PreviewFeed.h"
#include "files/GameFiles.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/GameFolder.h"
#include "numeric/Numbers.h"

namespace varnisk {

FramePerspective perspectiveFor(int n) {
    if (n > 100 && n % 5 == 0) return {58, 80, 40000};
    if (n == 106 || n == 136 || n == 146 || n == 156) return {64, 80, 40000};
    return {35, 30, 40000};
}

std::optional<double> chaseAngle(int f101, int f102) {
    // Both values 0 place the camera nowhere: it is not tilted.
    if (f101 == 0 && f102 == 0) return std::nullopt;
    const long double a = std::fabs(2.0L * f101);
    const long double b = std::fabs(2.0L * f102);
    const long double t = b - ((b + a) / 7 - 70);
    if (a == 0) {
        if (t == 0) return std::nullopt;
        return t > 0 ? 90.0 : -90.0;  // t / 0
    }
    return static_cast<double>(std::atan(t / a) * 180 / std::numbers::pi_v<long double>);
}

bool rowShowsCar(int row) { return row != 5 && row != 9; }

namespace {

CameraMove rotate(float angle, float x, float y, float z) { return {CameraMove::Kind::Rotate, angle, x, y, z}; }
CameraMove translate(float x, float y, float z) { return {CameraMove::Kind::Translate, 0, x, y, z}; }

// Asks for `entry` to be read into `slot`. On the first frame, a missing
// archive is said once for each shape asked for.
void askForShape(Editor& editor, FramePlan& plan, int slot, std::string entry) {
    ShapeRequest& request = plan.shapes[slot];
    request = {std::move(entry), wadPath(editor), plan.number};
    if (editor.SheetReady == 1 && (request.archivePath.empty() || !fileExists(request.archivePath))) {
        editor.ui.message("Sorry but as cars.wad can't be found, car shapes won't be displayed");
    }
}

}  // namespace

void planFrame(Editor& editor) {
    PreviewState& p = editor.preview;
    FramePlan& plan = editor.frame;
    {
        // The requests not yet read stay; everything else is decided anew.
        FramePlan next;
        next.number = plan.number + 1;
        next.shapes = std::move(plan.shapes);
        plan = std::move(next);
    }
    auto camField = [&editor](int n) { return getCamField(editor.main, n); };

    const int n = editor.CurrentCamField;
    plan.perspective = perspectiveFor(n);
    ++editor.SheetReady;

    // The camera goes onto the projection matrix, and so does every transform
    // the lists record: the model-view matrix stays the identity all frame.
    if (n == 101 || n == 102) {
        plan.row = n;
        if (p.CockpitView) p.ReloadCarShape = true;
        p.CockpitView = false;
        if (p.DashboardView) p.ReloadDashboard = true;
        p.DashboardView = false;
        const int chase = camField(101), height = camField(102);
        plan.chaseAngle = chaseAngle(chase, height);
        // Both values 0 give no angle: the camera is not tilted.
        if (plan.chaseAngle) plan.camera.push_back(rotate(static_cast<float>(-*plan.chaseAngle), -1, 0, 0));
        const bool turn = (!p.ChaseRear && 2 * chase < 0) || (p.ChaseRear && 2 * chase > 0);
        plan.camera.push_back(rotate(turn ? 180.0f : 0.0f, 0, -1, 0));
        if (!p.ChaseRear) {
            plan.camera.push_back(translate(0, static_cast<float>(-2 * height), static_cast<float>(100 - 2 * chase)));
        } else {
            plan.camera.push_back(translate(0, static_cast<float>(-2 * height), static_cast<float>(2 * chase)));
        }
    } else {
        // Dir. of "Camera 6" (37) shows row 7; 110 the cockpit row 105; any
        // other number above 104 the T-cam row 106.
        const int b = rowBase(n);
        editor.CurrentCamField = b;
        plan.row = b;
        const bool cockpit = b == 105;
        if (p.CockpitView != cockpit) p.ReloadCarShape = true;
        p.CockpitView = cockpit;
        if (p.DashboardView != cockpit) p.ReloadDashboard = true;
        p.DashboardView = cockpit;
        plan.camera.push_back(rotate(static_cast<float>(camField(b + 50)), 0, 0, 1));
        plan.camera.push_back(rotate(static_cast<float>(camField(b + 40)), -1, 0, 0));
        plan.camera.push_back(rotate(static_cast<float>(180 - camField(b + 30)), 0, -1, 0));
        if (p.TCamCache[0] == 0 && p.TCamCache[1] == 0) {
            // An empty T-cam field (a sheet nothing has filled yet) counts as 0.
            auto tcam = [&editor, &camField](int number, const char* field) {
                return editor.main.get(field).text.empty() ? std::int16_t{0} : wrapInt16(camField(number));
            };
            p.TCamCache = {tcam(116, "LMDTC0"), tcam(126, "LMDTC20")};
        }
        if (b == 106) {
            plan.camera.push_back(translate(static_cast<float>(2 * camField(106)), static_cast<float>(-2 * p.TCamCache[1]),
                                            static_cast<float>(-2 * p.TCamCache[0])));
        } else {
            plan.camera.push_back(translate(static_cast<float>(2 * camField(b)), static_cast<float>(-2 * camField(b + 20)),
                                            static_cast<float>(-2 * camField(b + 10))));
        }
    }

    if (p.ReloadDashboard) askForShape(editor, plan, kSlotDashboard, "cockpit_dash.gp4");
    if (p.ReloadCarShape) {
        askForShape(editor, plan, kSlotCar,
                    p.CockpitView ? std::string("car_cockpit_00.gp4") : "car_" + p.CarTeamKey + "_car1_lod_0.gp4");
    }
    if (p.ExtWheelOffset[0] == 0 && p.ExtWheelOffset[1] == 0) lmdChangeHelmet(editor, editor.main.get("LMDEW0"));
    p.ReloadDashboard = false;
    p.ReloadCarShape = false;
    plan.complete = true;
}

}  // namespace varnisk

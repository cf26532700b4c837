// Times the preview against baselines of our own, each pair in one run,
// taking turns, on warm caches:
// - a frame of a team car of about 20,000 triangles at 640 x 480 on the
//   offscreen context (an editor on a generated full-size game, set up as
//   varnisk-cli sets up its view), against a bare program calling the lists
//   a frame of the preview left in a context of its own, in that frame's
//   order, under its camera, with nothing rebuilt: the same geometry, the
//   car, the generated parts and the track, from lists compiled once; and,
//   not like for like, against the car's triangles alone from one list;
// - a drag step in the preview at the view's default size: the mouse move
//   and the frame drawn after it, with its 95th percentile;
// - the generated parts at the view's default size, on a camera that shows
//   them all, for the demo game's cars and for the full-size car: a frame,
//   the rebuild of slots 2 to 7 alone (the frame's builder calls, checked
//   against a recorded frame, and glFinish), and a bare program calling the
//   lists a frame of the preview left in a context of its own, in the order
//   that frame called them, under its camera, with nothing rebuilt;
// - decoding a shape of 60,000 triangles, against copying its bytes;
// - with the window built: the start of the editor's window to its first
//   preview frame on the screen, and its peak memory, against a bare Qt
//   window with one OpenGL widget drawing one display list, each start a
//   process of its own (the bench runs itself with a hidden --child mode).
//   This needs a display (xvfb-run -a works).
//
//   varnisk-preview-bench [--iterations N] [--starts N] [--folder DIR]
//                         [--no-window] [--snapshots DIR]

#include <GL/gl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "BareScene.h"
#include "CarDesigns.h"
#include "GameGenerator.h"
#include "ShapeWriter.h"
#include "core/Editor.h"
#include "gamedata/FieldSheet.h"
#include "opengl/ForwardingGl.h"
#include "opengl/OffscreenView.h"
#include "opengl/PngWriter.h"
#include "preview/DataFolder.h"
#include "preview/Parts.h"
#include "preview/RecordingGl.h"
#include "preview/Scene.h"
#include "registry/Registry.h"
#include "shapes/ShapeFormat.h"
#include "ui/ScriptedUi.h"

#ifdef VARNISK_BENCH_WINDOW
#include "WindowStart.h"
#endif

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using namespace varnisk;

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// Where the timed work leaves a result, so that it is not optimised away.
volatile std::uint64_t sink = 0;

double msBetween(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}
double msSince(Clock::time_point start) { return msBetween(start, Clock::now()); }

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "varnisk-preview-bench: %s\n", what.c_str());
    std::exit(1);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size())));
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}
double median(const std::vector<double>& v) { return percentile(v, 0.5); }

const char* verdict(bool met) { return met ? "met" : "MISSED"; }

// The folder that holds the shipped CamTextures: beside the executable, or
// one up (the build tree's root, where the textures are written).
std::string dataFolder() {
    const fs::path exe = executableFolder();
    for (const fs::path& dir : {exe, exe.parent_path()}) {
        std::error_code ec;
        if (fs::is_directory(dir / "CamTextures", ec)) return dir.string();
    }
    fail("no CamTextures beside " + exe.string() + " or one folder up (build the varnisk_textures target)");
}

// An editor on a generated game, started as the program starts.
struct Session {
    Session(const fs::path& game, const std::string& startDir)
        : registry(game.string()), editor(ui, registry, {startDir}) {
        if (!editor.startUp()) fail("the start-up import failed");
        if (!ui.errors().empty()) fail("the start-up import reported: " + ui.errors().back());
    }
    Form& form() { return editor.main; }
    void run(const std::function<void()>& operation) {
        editor.dispatch(operation);
        if (!ui.errors().empty()) fail(ui.errors().back());
    }

    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor;
    SceneState scene;
};

// The preview of a session on an offscreen context of its own, opened as
// varnisk-cli opens its view. A frame is the scene's frame (planned and
// drawn) and glFinish; after an event, the frame it planned is drawn.
class HostedView {
public:
    HostedView(Session& session, int width, int height, const std::string& ownDir) : session_(session) {
        std::string why;
        context_ = OffscreenContext::create(width, height, why);
        if (!context_) fail("no offscreen context: " + why);
        applyProjection(gl_, width, height);
        applyBackground(gl_, 0x000000);
        session_.run([&] { glControlSetup(session_.editor, session_.scene, gl_, ownDir); });
    }
    void makeCurrent() { context_->makeCurrent(); }
    void frame() {
        session_.run([&] { renderFrame(session_.editor, session_.scene, gl_); });
        glFinish();
    }
    void drawPlanned() {
        drawFrame(session_.editor, session_.scene, gl_).showOn(session_.ui);
        if (!session_.ui.errors().empty()) fail(session_.ui.errors().back());
        glFinish();
    }
    OffscreenContext& context() { return *context_; }

private:
    Session& session_;
    std::unique_ptr<OffscreenContext> context_;
    ForwardingGl gl_;
};

// The share of the pixels that differ from the sky: how much of the view the
// car takes.
double coverage(const std::vector<std::uint8_t>& rgba) {
    const std::uint8_t sky[3] = {217, 240, 255};
    std::size_t differ = 0;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        for (std::size_t c = 0; c < 3; ++c) {
            if (std::abs(int{rgba[i + c]} - int{sky[c]}) > 2) {
                ++differ;
                break;
            }
        }
    }
    return static_cast<double>(differ) / static_cast<double>(rgba.size() / 4);
}

// The row camera that looks at the car from the front left, a little from
// above, at about 7 m, the whole car in the view: field values X, Z, Y, Dir.,
// Pitch, Roll.
constexpr int kCarRow = 1;
constexpr std::array<int, 6> kCarCamera = {-500, 420, 120, 124, -10, 0};

// The row camera of the generated parts' measures: 8 m behind the car and
// 5 m up, looking ahead along the track and 30 degrees down, so that the view
// holds the four tyres, the helmet, the arms, the outside steering wheel in
// the cockpit and the track with its lines and gantry.
constexpr int kPartsRow = 3;
constexpr std::array<int, 6> kPartsCamera = {0, -800, 500, 0, -30, 0};

// Shows row `row`'s camera with the values given: a press and release on the
// row's first field, as varnisk-cli's "press" and "release" do, then each
// field typed over.
void showRowCamera(Session& s, int row, const std::array<int, 6>& values) {
    Form& f = s.form();
    Control& first = f.get(fieldName("LMDEdit", row));
    s.run([&] {
        s.ui.setCursor({100, 100});
        f.userPress(first, MouseButton::Left);
    });
    s.run([&] { f.userRelease(); });
    for (std::size_t j = 0; j < values.size(); ++j) {
        Control& field = f.get(fieldName("LMDEdit", row + 10 * static_cast<int>(j)));
        s.run([&] { f.userEdit(field, std::to_string(values[j])); });
    }
}

// The builders in the order a frame calls them.
constexpr const char* kBuilders[] = {"tyres", "arms", "outside wheel", "cockpit wheel", "helmet", "track"};
constexpr std::size_t kBuilderCount = std::size(kBuilders);

// The rebuild a frame makes after its camera: slots 2, 3, 6 and 7, and while
// the row shows the car the helmet (5) and the track (4), the same builder
// calls with the same inputs in the same order. With `ends`, the steady
// clock's time after each builder.
void rebuildParts(Editor& editor, SceneState& scene, Gl& gl, std::array<Clock::time_point, kBuilderCount>* ends = nullptr) {
    std::size_t done = 0;
    auto ended = [&] {
        if (ends != nullptr) (*ends)[done++] = Clock::now();
    };
    const PartsInput parts = partsInput(editor, scene);
    const GLuint base = scene.ListBase;
    auto list = [base](int slot) { return base + static_cast<GLuint>(slot); };
    buildTyres(gl, list(kSlotTyres), parts);
    ended();
    buildArms(gl, list(kSlotArms), parts);
    ended();
    buildExtWheel(gl, list(kSlotExtWheel), parts);
    ended();
    buildCockpitWheel(gl, list(kSlotCockpitWheel), parts);
    ended();
    if (rowShowsCar(editor.CurrentCamField)) {
        buildHelmetSlot(editor, scene, gl);
        ended();
        buildLandscape(gl, list(kSlotLandscape));
        ended();
    }
}

// The calls of a run that compile slots 2 to 7, newList and endList
// included, in order.
std::vector<RecordingGl::Call> partCompiles(const std::vector<RecordingGl::Call>& calls, GLuint base) {
    std::vector<RecordingGl::Call> out;
    bool inside = false;
    for (const RecordingGl::Call& c : calls) {
        if (c.op == "newList") {
            const double slot = c.args.at(0) - base;
            inside = slot >= double{kSlotTyres} && slot <= double{kSlotCockpitWheel};
        }
        if (inside) out.push_back(c);
        if (c.op == "endList") inside = false;
    }
    return out;
}

// The pixels in which two frames of the same size differ.
std::size_t differingPixels(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size()) fail("frames of different sizes");
    std::size_t differ = 0;
    for (std::size_t i = 0; i + 3 < a.size(); i += 4) {
        if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) ++differ;
    }
    return differ;
}

// A left-button drag in the preview: each step moves the cursor and, as
// the window's event loop does after an event that asked for a repaint,
// draws one frame.
class Drag {
public:
    Drag(Session& s, HostedView& view) : s_(s), view_(view) {}
    void press() {
        s_.run([&] {
            s_.ui.setCursor(origin_);
            s_.form().userPress(s_.form().get("GLView"), MouseButton::Left);
        });
    }
    void step() {
        // Back and forth over 40 pixels, two at a time, so the camera stays
        // near where it began.
        const int phase = ++steps_ % 40;
        const int dx = 2 * (phase < 20 ? phase : 40 - phase);
        view_.makeCurrent();
        const long long before = s_.editor.frame.number;
        const auto start = Clock::now();
        s_.ui.setCursor({origin_.x + dx, origin_.y + dx / 4});
        s_.run([&] {
            for (Form* f : s_.editor.forms()) {
                if (f->mouseHolder() != nullptr) f->userMove();
            }
        });
        const double event = msSince(start);
        if (s_.editor.frame.number != before) {
            view_.drawPlanned();
            ++frames_;
        }
        total.push_back(msSince(start));
        events.push_back(event);
        draws.push_back(total.back() - event);
    }
    int frames() const { return frames_; }
    // Forgets the steps so far (the warm-up).
    void forget() {
        total.clear(), events.clear(), draws.clear();
        frames_ = 0;
    }

    std::vector<double> total, events, draws;

private:
    Session& s_;
    HostedView& view_;
    Point origin_{437, 178};  // the middle of the view on a 1024 x 768 screen, say
    int steps_ = 0;
    int frames_ = 0;
};

#ifdef VARNISK_BENCH_WINDOW
// One start of a child program: when its steps were done (the steady
// clock's nanoseconds, "spawn" the moment before it was spawned) and its
// peak memory.
struct Start {
    std::vector<std::pair<std::string, long long>> steps;
    long long peakKb = -1;
    double msTo(const std::string& step) const {
        for (const auto& [name, ns] : steps) {
            if (name == step) return static_cast<double>(ns - steps.front().second) / 1e6;
        }
        return 0;
    }
};

std::optional<Start> spawnChild(const std::string& mode, const fs::path& game, const std::string& workDir,
                                std::string& error) {
    int out[2];
    if (::pipe(out) != 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    // The program's start directory, where its CamTextures are.
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    const std::string self = "/proc/self/exe", gameArg = game.string();
    std::vector<char*> argv = {const_cast<char*>("varnisk-preview-bench"), const_cast<char*>("--child"),
                               const_cast<char*>(mode.c_str()), const_cast<char*>("--game"),
                               const_cast<char*>(gameArg.c_str()), nullptr};
    pid_t pid = 0;
    const long long spawned = nowNs();
    const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        error = std::strerror(rc);
        return std::nullopt;
    }
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n > 0) text.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR) break;
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "the " + mode + " child ended with " +
                (WIFEXITED(status) ? "exit code " + std::to_string(WEXITSTATUS(status))
                                   : "signal " + std::to_string(WTERMSIG(status)));
        return std::nullopt;
    }
    Start start;
    start.steps.emplace_back("spawn", spawned);
    std::istringstream lines(text);
    std::string name;
    long long value = 0;
    while (lines >> name >> value) {
        if (name == "hwm") start.peakKb = value;
        else start.steps.emplace_back(name, value);
    }
    if (start.peakKb < 0 || start.steps.size() < 3 || start.steps.back().first != "frame") {
        error = "the " + mode + " child wrote no measurement";
        return std::nullopt;
    }
    return start;
}

// The medians of the times between a child's steps, over its starts.
std::string stepTimes(const std::vector<Start>& starts) {
    std::string out;
    const auto& steps = starts.front().steps;
    for (std::size_t k = 1; k < steps.size(); ++k) {
        std::vector<double> times;
        for (const Start& s : starts) {
            times.push_back(static_cast<double>(s.steps[k].second - s.steps[k - 1].second) / 1e6);
        }
        char part[64];
        std::snprintf(part, sizeof part, "%s%s %.1f", k == 1 ? "" : ", ", steps[k].first.c_str(), median(times));
        out += part;
    }
    return out;
}
#endif

struct Options {
    int iterations = 200;
    int starts = 20;
    fs::path folder = fs::temp_directory_path() / "varnisk-preview-bench";
    bool window = true;
    std::string snapshots;
};

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--iterations" && i + 1 < argc) {
            o.iterations = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--starts" && i + 1 < argc) {
            o.starts = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--folder" && i + 1 < argc) {
            o.folder = argv[++i];
        } else if (a == "--no-window") {
            o.window = false;
        } else if (a == "--snapshots" && i + 1 < argc) {
            o.snapshots = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: varnisk-preview-bench [--iterations N] [--starts N] [--folder DIR] [--no-window] "
                         "[--snapshots DIR]\n");
            std::exit(2);
        }
    }
    return o;
}

void snapshot(const Options& o, const char* name, OffscreenContext& context) {
    if (o.snapshots.empty()) return;
    fs::create_directories(o.snapshots);
    writePng((fs::path(o.snapshots) / name).string(), context.width(), context.height(), context.readRgba());
}

// A bare program calling a preview frame's lists: a second editor on the
// game shows the row camera in an offscreen context of its own, and the
// lists that frame left (the per-frame lists and the meshes' lists they
// call) are called from then on in the frame's order, under the projection
// it left, with nothing rebuilt.
class FrameLists {
public:
    FrameLists(const fs::path& game, const std::string& dataDir, int width, int height, int row,
               const std::array<int, 6>& camera)
        : session_(game, dataDir), view_(session_, width, height, dataDir) {
        view_.makeCurrent();
        view_.frame();  // the sheet's change handlers wait for the first frame
        showRowCamera(session_, row, camera);
        view_.frame();
        const SceneState& scene = session_.scene;
        slots = scene.lastFrame.slotsCalled;
        glGetDoublev(GL_PROJECTION_MATRIX, projection_.data());
        list_ = bench::compileSlotCalls(scene.ListBase, slots, projection_);
    }
    // One bare frame and glFinish.
    void frame() {
        view_.makeCurrent();
        bench::bareFrame(list_);
        glFinish();
    }
    // One bare frame calling `some` of the lists instead, compiled for it.
    void frameOf(const std::vector<int>& some) {
        view_.makeCurrent();
        const GLuint list = bench::compileSlotCalls(scene().ListBase, some, projection_);
        bench::bareFrame(list);
        glDeleteLists(list, 1);
    }
    const SceneState& scene() const { return session_.scene; }
    OffscreenContext& context() { return view_.context(); }

    std::vector<int> slots;  // as the bare frame calls them

private:
    Session session_;
    HostedView view_;
    std::array<double, 16> projection_{};
    GLuint list_ = 0;
};

// The generated parts on the parts' camera in an editor's view: its frames,
// and its rebuild alone; beside it the bare program, a context of its own
// where one frame of a second editor on the same game and camera left the
// lists, called from then on in that frame's order under its camera.
class PartsScene {
public:
    PartsScene(const fs::path& game, const std::string& dataDir, int width, int height)
        : session_(game, dataDir),
          view_(session_, width, height, dataDir),
          bare_(game, dataDir, width, height, kPartsRow, kPartsCamera) {
        view_.makeCurrent();
        view_.frame();  // the sheet's change handlers wait for the first frame
        showRowCamera(session_, kPartsRow, kPartsCamera);
        view_.frame();
        for (const FrameRecord* last : {&std::as_const(session_.scene).lastFrame, &bare_.scene().lastFrame}) {
            for (int slot : {kSlotCar, kSlotExtWheel, kSlotHelmet, kSlotArms, kSlotTyres, kSlotLandscape}) {
                if (std::find(last->slotsCalled.begin(), last->slotsCalled.end(), slot) == last->slotsCalled.end()) {
                    fail("the parts' camera (row " + std::to_string(last->row) + ") calls no slot " +
                         std::to_string(slot));
                }
            }
        }
        const SceneState& scene = bare_.scene();
        slots = bare_.slots;
        row = scene.lastFrame.row;
        for (const ShapeObject& object : scene.shapes.at(kSlotCar).shape.objects) {
            carTriangles += object.triangles.size();
        }
        checkRebuild();
    }

    // The frame and the bare frame once more, with what the bare one draws
    // differently.
    void compare(const Options& o, const std::string& name) {
        view_.makeCurrent();
        view_.frame();
        bare_.frame();
        const std::vector<std::uint8_t> bare = bare_.context().readRgba();
        differ = differingPixels(view_.context().readRgba(), bare);
        snapshot(o, ("parts-" + name + "-preview.png").c_str(), view_.context());
        snapshot(o, ("parts-" + name + "-bare.png").c_str(), bare_.context());
        // What each slot changes in the view: the bare frame without it. That
        // is the slot's own pixels and those of later slots that the light
        // switches it leaves behind change; a slot that changes none is not
        // in the view.
        for (int slot : slots) {
            std::vector<int> others;
            for (int k : slots) {
                if (k != slot) others.push_back(k);
            }
            bare_.frameOf(others);
            slotPixels.emplace_back(slot, differingPixels(bare_.context().readRgba(), bare));
            if (slotPixels.back().second == 0) fail("slot " + std::to_string(slot) + " is not in the parts' view");
        }
    }

    void timeFrame() {
        view_.makeCurrent();
        const auto start = Clock::now();
        view_.frame();
        frameTimes.push_back(msSince(start));
    }
    void timeRebuild() {
        view_.makeCurrent();
        std::array<Clock::time_point, kBuilderCount> ends{};
        const auto start = Clock::now();
        rebuildParts(session_.editor, session_.scene, gl_, &ends);
        glFinish();
        const auto end = Clock::now();
        rebuildTimes.push_back(msBetween(start, end));
        auto before = start;
        for (std::size_t k = 0; k < kBuilderCount; ++k) {
            if (ends[k] == Clock::time_point{}) ends[k] = before;  // a builder the frame left out
            builderTimes[k].push_back(msBetween(before, ends[k]));
            before = ends[k];
        }
        finishTimes.push_back(msBetween(before, end));
    }
    void timeBare() {
        const auto start = Clock::now();
        bare_.frame();
        bareTimes.push_back(msSince(start));
    }
    void forget() {
        frameTimes.clear(), rebuildTimes.clear(), bareTimes.clear(), finishTimes.clear();
        for (auto& times : builderTimes) times.clear();
    }

    std::vector<int> slots;  // as the bare frame calls them
    int row = 0;
    std::size_t carTriangles = 0;
    std::size_t differ = 0;                               // pixels the bare frame draws differently
    std::vector<std::pair<int, std::size_t>> slotPixels;  // the pixels each slot changes
    std::vector<double> frameTimes, rebuildTimes, bareTimes;
    // The rebuild's parts: each builder, then the glFinish after them.
    std::array<std::vector<double>, kBuilderCount> builderTimes;
    std::vector<double> finishTimes;

private:
    // The rebuild timed here must be the frame's: a frame and the rebuild,
    // both recorded, compile the same calls into the same lists in the same
    // order.
    void checkRebuild() {
        Editor& editor = session_.editor;
        SceneState& scene = session_.scene;
        if (editor.preview.ReloadCarShape || editor.preview.ReloadDashboard) fail("a shape waits to be loaded");
        RecordingGl recorded;
        session_.run([&] { renderFrame(editor, scene, recorded); });
        const auto framed = partCompiles(recorded.calls, scene.ListBase);
        recorded.clearCalls();
        rebuildParts(editor, scene, recorded);
        const auto rebuilt = partCompiles(recorded.calls, scene.ListBase);
        if (framed.empty() || rebuilt != framed) {
            fail("the bench's rebuild of the parts is not the frame's (" + std::to_string(rebuilt.size()) + " calls, " +
                 std::to_string(framed.size()) + " in the frame)");
        }
    }

    Session session_;
    HostedView view_;
    FrameLists bare_;
    ForwardingGl gl_;
};

// Frames that look the car and the dashboard up in the archive again, as a
// change of team or of camera makes them: the full-size car on a row camera,
// in an archive of `entries` entries (the full-size game's as generated, and
// one of thousands more, as a car mod's may be). Each look-up opens the
// archive and finds its entry; a team whose car the archive lacks (a
// built-in name after "Default All") is looked for through all of it. Beside
// them, a frame that looks nothing up.
void measureLookUps(const Options& o, const fs::path& folder, const std::string& dataDir, int entries) {
    gamegen::GameSpec spec;
    spec.fullSizeCar = true;
    if (entries > 0) spec.archiveEntries = entries;
    const fs::path game = folder / ("look-ups-" + std::to_string(entries));
    gamegen::writeGame(game, spec);
    Session s(game, dataDir);
    HostedView view(s, 640, 480, dataDir);
    view.frame();
    showRowCamera(s, kCarRow, kCarCamera);
    view.frame();
    PreviewState& p = s.editor.preview;
    const std::string team = p.CarTeamKey;
    const std::vector<ShapeLookup>& lookups = s.scene.lookups;
    auto reload = [&](const std::string& key) {
        p.CarTeamKey = key;
        p.ReloadCarShape = true;
        p.ReloadDashboard = true;
    };
    std::vector<double> found, missing, none;
    const int runs = std::max(5, o.iterations / 4);
    for (int i = -3; i < runs; ++i) {
        reload(team);
        auto start = Clock::now();
        view.frame();
        const double f = msSince(start);
        if (lookups.size() != 2 || !lookups[0].found || !lookups[1].found) fail("a look-up found nothing");
        reload("nosuchteam");
        start = Clock::now();
        view.frame();
        const double m = msSince(start);
        if (lookups.size() != 2 || lookups[1].found) fail("the missing car was found");
        reload(team);
        view.frame();  // the car back, not timed
        start = Clock::now();
        view.frame();
        const double n = msSince(start);
        if (!lookups.empty()) fail("a frame that should look nothing up did");
        if (i < 0) continue;
        found.push_back(f), missing.push_back(m), none.push_back(n);
    }
    std::printf("\nlook-ups: frames of the full-size car at 640 x 480, archive of %d entries, median of %d\n",
                spec.archiveEntries, runs);
    std::printf("  %-44s %8.3f ms\n", "frame looking nothing up", median(none));
    std::printf("  %-44s %8.3f ms\n", "frame looking up car and dashboard", median(found));
    std::printf("  %-44s %8.3f ms\n", "frame looking up dashboard and a missing car", median(missing));
    std::fflush(stdout);
}

void measureWindowStarts(const Options& o, const fs::path& demoGame, const std::string& dataDir) {
    std::printf("\nwindow start to its first preview frame on the screen, peak memory (VmHWM)\n");
#ifndef VARNISK_BENCH_WINDOW
    (void)o, (void)demoGame, (void)dataDir;
    std::printf("  skipped: built without the window (VARNISK_WITH_WINDOW=OFF)\n");
#else
    if (!o.window) {
        std::printf("  skipped: --no-window\n");
        return;
    }
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0')) {
        std::printf("  skipped: no DISPLAY (run it under xvfb-run -a)\n");
        return;
    }
    std::vector<Start> bareStarts, windowStarts;
    std::string error;
    // One start of each first, for the page cache; not counted.
    for (int i = -1; i < o.starts; ++i) {
        for (int k = 0; k < 2; ++k) {
            const bool bare = (k == 0) == (i % 2 == 0);
            std::optional<Start> s = spawnChild(bare ? "bare" : "window", demoGame, dataDir, error);
            if (!s) {
                std::printf("  failed: %s\n", error.c_str());
                return;
            }
            if (i < 0) continue;
            (bare ? bareStarts : windowStarts).push_back(*s);
        }
    }
    auto toFrame = [](const std::vector<Start>& starts) {
        std::vector<double> v;
        for (const Start& s : starts) v.push_back(s.msTo("frame"));
        return median(v);
    };
    auto peakMb = [](const std::vector<Start>& starts) {
        std::vector<double> v;
        for (const Start& s : starts) v.push_back(static_cast<double>(s.peakKb) / 1024);
        return median(v);
    };
    const double bt = toFrame(bareStarts), wt = toFrame(windowStarts), bm = peakMb(bareStarts),
                 wm = peakMb(windowStarts);
    std::printf("  median of %d starts of each, taking turns, from the spawn to the first frame shown\n", o.starts);
    std::printf("  %-44s %8.1f ms  %7.1f MB\n", "bare Qt window, one list (cockpit car)", bt, bm);
    std::printf("    steps (ms): %s\n", stepTimes(bareStarts).c_str());
    std::printf("  %-44s %8.1f ms  %7.1f MB\n", "Varnisk window (demo game, cockpit camera)", wt, wm);
    std::printf("    steps (ms): %s\n", stepTimes(windowStarts).c_str());
    std::printf("  %-44s %8.2f x   goal <= 1.3  %s\n", "time, of the bare window", wt / bt, verdict(wt / bt <= 1.3));
    std::printf("  %-44s %8.2f x   goal <= 1.5  %s\n", "peak memory, of the bare window", wm / bm,
                verdict(wm / bm <= 1.5));
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const long long mainNs = nowNs();
#ifdef VARNISK_BENCH_WINDOW
    if (argc == 5 && std::string(argv[1]) == "--child" && std::string(argv[3]) == "--game") {
        const std::string mode = argv[2];
        if (mode == "window") return varnisk::bench::runWindowChild(argv[0], argv[4], mainNs);
        if (mode == "bare") return varnisk::bench::runBareWindowChild(argv[0], mainNs);
    }
#else
    (void)mainNs;
#endif
    const Options o = parseOptions(argc, argv);
    const std::string dataDir = dataFolder();

    // The full-size game for the frames and drags; the demo game, as ./run
    // makes it, for the window.
    const fs::path fullGame = o.folder / "full-size", demoGame = o.folder / "demo";
    fs::remove_all(o.folder);
    gamegen::GameSpec full;
    full.fullSizeCar = true;
    gamegen::writeGame(fullGame, full);
    gamegen::GameSpec demo;
    demo.archiveEntries = 16;
    gamegen::writeGame(demoGame, demo);

    // 1. The full-size car at 640 x 480, on a row camera.
    Session frameSession(fullGame, dataDir);
    HostedView realView(frameSession, 640, 480, dataDir);
    realView.frame();  // the sheet's change handlers wait for the first frame
    showRowCamera(frameSession, kCarRow, kCarCamera);
    realView.frame();
    const SceneState& scene = frameSession.scene;
    if (scene.lastFrame.row != kCarRow || !scene.shapes.contains(kSlotCar)) {
        fail("the row camera shows no car (row " + std::to_string(scene.lastFrame.row) + ")");
    }
    const ShapeData& car = scene.shapes.at(kSlotCar).shape;
    const bench::BareMesh mesh = bench::meshOf(car);
    std::array<double, 16> projection{};
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const double realCover = coverage(realView.context().readRgba());
    snapshot(o, "frame-preview.png", realView.context());

    std::string why;
    std::unique_ptr<OffscreenContext> bareContext = OffscreenContext::create(640, 480, why);
    if (!bareContext) fail("no offscreen context: " + why);
    glViewport(0, 0, 640, 480);
    bench::bareSetup();
    const GLuint bareList = bench::compileBareList(mesh, projection, frameSession.editor.preview.ArmMaterial);
    bench::bareFrame(bareList);
    glFinish();
    const double bareCover = coverage(bareContext->readRgba());
    snapshot(o, "frame-bare.png", *bareContext);

    // The like-for-like bare program: the lists a frame of a second editor on
    // the same game and camera left, called in that frame's order.
    FrameLists carLists(fullGame, dataDir, 640, 480, kCarRow, kCarCamera);
    if (carLists.scene().lastFrame.row != kCarRow || carLists.slots != scene.lastFrame.slotsCalled) {
        fail("the bare program's frame calls other lists than the preview's");
    }
    carLists.frame();
    const std::vector<std::uint8_t> listsRgba = carLists.context().readRgba();
    const double listsCover = coverage(listsRgba);
    const std::size_t listsDiffer = differingPixels(realView.context().readRgba(), listsRgba);
    snapshot(o, "frame-bare-lists.png", carLists.context());

    // 2. Drags at the view's size in a fresh editor: on the same row camera,
    // and on the camera a fresh editor shows (the cockpit).
    Session dragSession(fullGame, dataDir);
    const Rect viewBounds = dragSession.form().get("GLView").bounds;
    HostedView dragView(dragSession, viewBounds.width, viewBounds.height, dataDir);
    dragView.frame();
    showRowCamera(dragSession, kCarRow, kCarCamera);
    dragView.frame();
    Drag carDrag(dragSession, dragView);
    carDrag.press();
    dragView.frame();

    Session cockpitSession(fullGame, dataDir);
    HostedView cockpitView(cockpitSession, viewBounds.width, viewBounds.height, dataDir);
    cockpitView.frame();
    Drag cockpitDrag(cockpitSession, cockpitView);
    cockpitDrag.press();
    cockpitView.frame();

    // 3. The generated parts at the view's size, for the demo game's cars and
    // for the full-size car.
    PartsScene demoParts(demoGame, dataDir, viewBounds.width, viewBounds.height);
    PartsScene fullParts(fullGame, dataDir, viewBounds.width, viewBounds.height);
    demoParts.compare(o, "demo");
    fullParts.compare(o, "full-size");
    PartsScene* partScenes[] = {&demoParts, &fullParts};

    // 4. A shape of 60,000 triangles.
    const std::vector<std::uint8_t> dense = gamegen::encodeShape(gamegen::makeDenseShape(60000), 5);
    if (decodeShape(dense).status != ShapeDecodeResult::Status::Ok) fail("the dense shape does not decode");

    // A few of each before timing: the first frames compile the shaders.
    for (int i = 0; i < 5; ++i) {
        realView.makeCurrent();
        realView.frame();
        bareContext->makeCurrent();
        bench::bareFrame(bareList);
        glFinish();
        carLists.frame();
        carDrag.step();
        cockpitDrag.step();
        for (PartsScene* p : partScenes) p->timeFrame(), p->timeRebuild(), p->timeBare();
    }
    carDrag.forget();
    cockpitDrag.forget();
    for (PartsScene* p : partScenes) p->forget();

    std::vector<double> realTimes, bareTimes, listsTimes, decodeTimes, copyTimes;
    for (int i = 0; i < o.iterations; ++i) {
        // Each pair takes turns in which goes first.
        auto real = [&] {
            realView.makeCurrent();
            const auto start = Clock::now();
            realView.frame();
            realTimes.push_back(msSince(start));
        };
        auto bare = [&] {
            bareContext->makeCurrent();
            const auto start = Clock::now();
            bench::bareFrame(bareList);
            glFinish();
            bareTimes.push_back(msSince(start));
        };
        auto lists = [&] {
            const auto start = Clock::now();
            carLists.frame();
            listsTimes.push_back(msSince(start));
        };
        auto decode = [&] {
            const auto start = Clock::now();
            ShapeDecodeResult r = decodeShape(dense);
            decodeTimes.push_back(msSince(start));
            sink = r.shape.objects.size();
        };
        auto copy = [&] {
            const auto start = Clock::now();
            std::vector<std::uint8_t> bytes(dense);
            copyTimes.push_back(msSince(start));
            sink = bytes[bytes.size() / 2];
        };
        if (i % 2 == 0) {
            real(), lists(), bare(), decode(), copy();
        } else {
            bare(), lists(), real(), copy(), decode();
        }
        carDrag.step();
        cockpitDrag.step();
        // The frame, the rebuild and the bare frame take turns too.
        for (PartsScene* p : partScenes) {
            if (i % 2 == 0) {
                p->timeFrame(), p->timeRebuild(), p->timeBare();
            } else {
                p->timeBare(), p->timeRebuild(), p->timeFrame();
            }
        }
    }

    std::size_t triangles = 0;
    for (const ShapeObject& object : car.objects) triangles += object.triangles.size();
    std::printf("renderer: %s; median of %d runs of each, taking turns\n", renderer.c_str(), o.iterations);

    const double real = median(realTimes), bare = median(bareTimes), listed = median(listsTimes);
    std::string carOrder;
    for (int slot : carLists.slots) carOrder += (carOrder.empty() ? "" : " ") + std::to_string(slot);
    std::printf("\nframe of the full-size car at 640 x 480 (%zu triangles; slots called: %s; %.0f%% of the view is "
                "not sky, %.0f%% in the bare frame of the frame's lists, %.0f%% with the car alone)\n",
                triangles, carOrder.c_str(), 100 * realCover, 100 * listsCover, 100 * bareCover);
    std::printf("  %-44s %8.3f ms\n", "bare program calling the frame's lists", listed);
    std::printf("  %-44s %8.3f ms\n", "bare program, the car alone, one list", bare);
    std::printf("  %-44s %8.3f ms\n", "preview frame (renderFrame + glFinish)", real);
    std::printf("  %-44s %8.2f x   goal <= 1.2  %s\n", "preview, of the bare frame (frame's lists)", real / listed,
                verdict(real / listed <= 1.2));
    std::printf("  %-44s %8.2f x   not like for like, no goal\n", "preview, of the car alone", real / bare);
    std::printf("    pixels the bare frame of the frame's lists draws differently: %zu\n", listsDiffer);

    auto dragLines = [&](const char* what, const Drag& d) {
        const double m = median(d.total);
        std::printf("\ndrag step in the preview at %d x %d, %s (%d of %zu steps drew a frame)\n", viewBounds.width,
                    viewBounds.height, what, d.frames(), d.total.size());
        std::printf("  %-44s %8.3f ms   goal <= 16.7  %s\n", "move to frame finished, median", m, verdict(m <= 16.7));
        std::printf("  %-44s %8.3f ms\n", "95th percentile", percentile(d.total, 0.95));
        std::printf("  %-44s %8.3f ms\n", "of which the move's handlers, median", median(d.events));
        std::printf("  %-44s %8.3f ms\n", "of which the frame, median", median(d.draws));
    };
    dragLines("row 1 camera on the full-size car", carDrag);
    dragLines("cockpit camera (a fresh editor's)", cockpitDrag);

    auto partsLines = [&](const char* what, const PartsScene& p) {
        std::string order;
        for (int slot : p.slots) order += (order.empty() ? "" : " ") + std::to_string(slot);
        std::printf("\ngenerated parts at %d x %d, row %d camera behind the car, %s (car of %zu triangles; "
                    "slots called: %s)\n",
                    viewBounds.width, viewBounds.height, p.row, what, p.carTriangles, order.c_str());
        const double whole = median(p.frameTimes), rebuild = median(p.rebuildTimes), lists = median(p.bareTimes);
        std::printf("  %-44s %8.3f ms\n", "bare program calling the frame's lists", lists);
        std::printf("  %-44s %8.3f ms\n", "preview frame (renderFrame + glFinish)", whole);
        std::printf("  %-44s %8.3f ms\n", "rebuild of slots 2 to 7 alone, + glFinish", rebuild);
        std::string split;
        for (std::size_t k = 0; k < kBuilderCount; ++k) {
            char part[48];
            std::snprintf(part, sizeof part, "%s %.3f, ", kBuilders[k], median(p.builderTimes[k]));
            split += part;
        }
        std::printf("    medians (ms): %sglFinish %.3f\n", split.c_str(), median(p.finishTimes));
        std::printf("  %-44s %8.1f %%   goal < 20  %s\n", "rebuild, share of a frame", 100 * rebuild / whole,
                    verdict(rebuild / whole < 0.2));
        std::printf("  %-44s %8.2f x   no goal given\n", "preview, of the bare frame", whole / lists);
        std::string changes;
        for (const auto& [slot, pixels] : p.slotPixels) {
            changes += (changes.empty() ? "" : ", ") + std::to_string(slot) + ": " + std::to_string(pixels);
        }
        std::printf("    pixels the bare frame draws differently: %zu; that each slot changes: %s\n", p.differ,
                    changes.c_str());
    };
    partsLines("demo game", demoParts);
    partsLines("full-size car", fullParts);

    const double decoded = median(decodeTimes), copied = median(copyTimes);
    std::printf("\ndecoding a shape of 60,000 triangles (%zu bytes, version 5)\n", dense.size());
    std::printf("  %-44s %8.3f ms\n", "copy of its bytes", copied);
    std::printf("  %-44s %8.3f ms\n", "decodeShape", decoded);
    std::printf("  %-44s %8.2f x   goal <= 10  %s\n", "decoding, of the copy", decoded / copied,
                verdict(decoded / copied <= 10));
    std::fflush(stdout);

    // 5. Look-ups in the archive.
    measureLookUps(o, o.folder, dataDir, 0);
    measureLookUps(o, o.folder, dataDir, 5000);

    measureWindowStarts(o, demoGame, dataDir);
    fs::remove_all(o.folder);
    return 0;
}

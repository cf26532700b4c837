#include "datasets/LoadDataSet.h"

#include <cmath>
#include <optional>

#include "base/Errors.h"
#include "core/Editor.h"
#include "datasets/ValueSetFolder.h"
#include "editing/ColourPanels.h"
#include "editing/PreviewFeed.h"
#include "files/GameFiles.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/ImportAll.h"
#include "gamedata/SheetValues.h"
#include "gamedata/TyreData.h"
#include "numeric/Numbers.h"
#include "valuesets/DataSetFormats.h"

namespace varnisk {

namespace {

// Runs `body` with the sheet's change handlers idle, so that the values the
// loader writes do not each ask for a preview update; they are live again
// afterwards, and after a load that fails as they were before it.
template <typename Body>
void withHandlersIdle(Editor& e, Body body) {
    HandlersPaused paused(e);
    body();
    paused.resume();
}

// A load is all or nothing: the file is read and decoded whole, and only a
// file that holds every value it promises changes the sheet.

// The file's bytes; a file that cannot be read is named with the reason.
std::vector<std::uint8_t> readValueSet(const std::string& path) {
    try {
        return readFileStart(path, kDataSetReadLimit);
    } catch (const FileError& failure) {
        throw FileError(fileNameOf(path) + " could not be read: " + failure.what() + ". Nothing was loaded.");
    }
}

// A brand position the file kind does not hold: 0 Bridgestone, 1 Michelin,
// and 2 (team 1's own brand) for team 1 alone. Such a file is damaged, and
// nothing of it is loaded.
void checkBrand(const std::string& path, int team, long long position) {
    const long long highest = team == 1 ? 2 : 1;
    if (position >= 0 && position <= highest) return;
    throw FileError(fileNameOf(path) + " is damaged: the tyre brand of team " + std::to_string(team + 1) + " is " +
                    std::to_string(position) + ", where a file holds 0 (Bridgestone), 1 (Michelin)" +
                    (team == 1 ? " or 2 (the team's own)" : "") + ". Nothing was loaded.");
}

// Every float of a car data file is checked before anything changes: one
// that is no number, or too large for its field to show (the helmet and tyre
// fields hold whole hundredths), makes the file damaged.
void checkFloats(const std::string& path, const CarDataFile& file) {
    auto check = [&path](float v, long double scale, const std::string& what) {
        const long double shown = scale * v;
        if (std::isfinite(v) && (scale == 0 || std::fabs(shown) <= 2147483647.0L)) return;
        std::string value = std::isnan(v) ? "not a number" : std::isinf(v) ? "infinite" : "far too large (" + formatGeneral(v) + ")";
        throw FileError(fileNameOf(path) + " is damaged: " + what + " is " + value + ". Nothing was loaded.");
    };
    auto team = [](int t) { return "team " + std::to_string(t + 1) + "'s "; };
    for (const auto& [t, pair] : file.helmets) {
        for (float v : pair) check(v, 100, team(t) + "helmet");
    }
    for (const auto& [t, pair] : file.extWheel) {
        for (float v : pair) check(v, 0, team(t) + "steering wheel");
    }
    if (file.tyres) {
        for (const auto& record : *file.tyres) {
            for (float v : record) check(v, 100, "a tyre position");
        }
    }
    if (file.dashboard) {
        for (float v : *file.dashboard) check(v, 0, "the dashboard");
    }
    if (file.wheel) {
        for (float v : *file.wheel) check(v, 0, "the cockpit steering wheel");
    }
}

[[noreturn]] void endsEarly(const std::string& path) {
    throw FileError(fileNameOf(path) + " is damaged: " + kReadBeyondEnd + ". Nothing was loaded.");
}

void setDashboard(GameData& g, const std::array<float, 3>& v) { std::copy(v.begin(), v.end(), g.cockpit.begin()); }
void setWheel(GameData& g, const std::array<float, 3>& v) { std::copy(v.begin(), v.end(), g.cockpit.begin() + 3); }

// The headerless form: everything is read into GameData first, then shown.
void loadHeaderless(Editor& e, const CarDataFile& file, bool withCockpit) {
    GameData& g = e.game;
    for (const auto& [k, record] : file.cameras) g.cameras[k] = record;
    if (file.chase) g.chase = *file.chase;
    for (const auto& [t, pair] : file.tcam) g.tcam[t] = pair;
    for (const auto& [t, pair] : file.helmets) g.helmets[t] = pair;
    for (const auto& [t, colour] : file.arms) g.arms[t] = colour;
    for (const auto& [t, colour] : file.rims) g.rims[t] = colour;
    if (file.tyres) g.tyres = *file.tyres;
    if (file.dashboard) setDashboard(g, *file.dashboard);
    if (file.wheel) setWheel(g, *file.wheel);

    Form& f = e.main;
    withHandlersIdle(e, [&] {
        for (int k = 0; k < 12; ++k) showCameraRow(f, k, decodeCamera(g.cameras[k], k, CameraForm::Car));
        showChase(f, g.chase, CameraForm::Car);
        for (int t = 0; t < 11; ++t) {
            showTeamValues(f, g, t, false);
            showBrand(e, t, file.brands[t].second);
        }
        for (int j = 0; j < 4; ++j) showTyre(f, j, g.tyres[j]);
        if (withCockpit) showCockpit(f, g.cockpit);
    });
    finishCarLoad(e);
}

// Versions 3 and 4: the teams the file does not hold keep the values their
// fields show.
void loadSectioned(Editor& e, const CarDataFile& file) {
    Form& f = e.main;
    GameData& g = e.game;
    const bool v4 = file.version == 4;
    // The sheet's values are taken into a copy first: a field that does not
    // convert stops the load before GameData or any field changes. The T-cam
    // pair is taken before the external wheel here: a field that does not
    // convert is named in that order.
    GameData taken = g;
    for (int t = 0; t < 11; ++t) {
        takeArmColour(f, taken, t);
        takeRimColour(f, taken, t);
        takeHelmet(f, taken, t);
        takeTcam(f, taken, t);
        takeExtWheel(f, taken, t);
    }
    g = taken;
    withHandlersIdle(e, [&] {
        for (const auto& [k, record] : file.cameras) {
            g.cameras[k] = record;
            showCameraRow(f, k, decodeCamera(record, k, CameraForm::Car));
        }
        if (file.chase) {
            g.chase = *file.chase;
            showChase(f, g.chase, CameraForm::Car);
        }
        for (const auto& [t, pair] : file.tcam) g.tcam[t] = pair;
        for (const auto& [t, pair] : file.helmets) g.helmets[t] = pair;
        for (const auto& [t, pair] : file.extWheel) g.extWheel[t] = pair;
        for (const auto& [t, colour] : file.arms) g.arms[t] = colour;
        for (const auto& [t, colour] : file.rims) g.rims[t] = colour;
        for (const auto& [t, position] : file.brands) showBrand(e, t, position);
        if (file.tyres) {
            g.tyres = *file.tyres;
            for (int j = 0; j < 4; ++j) showTyre(f, j, g.tyres[j]);
        }
        if (file.dashboard) setDashboard(g, *file.dashboard);
        if (file.wheel) setWheel(g, *file.wheel);
        for (std::size_t t = 0; t < file.names.size(); ++t) g.names[t] = file.names[t];

        // The loaded names reach the save window's labels and the preview's
        // car, not the name fields.
        e.preview.CarTeamKey = g.names[0];
        for (int t = 0; t < 11; ++t) showTeamValues(f, g, t, v4);
        showCockpit(f, g.cockpit);
    });
    finishCarLoad(e);
}

}  // namespace

void loadDataSet(Editor& e) {
    FileDialogRequest request;
    request.title = "Load CamSet";
    request.filter =
        "All readable files|*.car;*.cam;*.tyr|Car datas file (*.car)|*.car|Camset file (*.cam)|*.cam|"
        "Tyreset file (*.tyr)|*.tyr|All (*.*)|*.*";
    request.filterIndex = 1;
    request.initialDir = valueSetFolder(e);
    request.recentFiles = recentValueSets(e);
    std::optional<FileDialogAnswer> answer = e.ui.openFile(request);
    if (!answer || answer->path.empty()) return;
    loadValueSetFile(e, answer->path);
}

bool isValueSetName(const std::string& path) {
    const std::string kind = lowerName(path.substr(path.size() < 3 ? 0 : path.size() - 3));
    return kind == "car" || kind == "cam" || kind == "tyr";
}

void loadValueSetFile(Editor& e, const std::string& path) {
    const std::string kind = lowerName(path.substr(path.size() < 3 ? 0 : path.size() - 3));
    if (kind == "car") {
        loadCarData(e, path);
    } else if (kind == "cam") {
        loadCameraSet(e, path);
    } else if (kind == "tyr") {
        loadTyreSet(e, path);
    } else {
        throw FileError(fileNameOf(path) + " is not a value set file: its name must end in .car, .cam or .tyr.");
    }
    rememberValueSetFolder(e, path);
}

void loadDroppedFile(Editor& e, const std::string& path) {
    // The step is named as a load through the button's is.
    e.history.recordStep(e.describe(e.main, e.main.get("LoadButton")), [&] { loadValueSetFile(e, path); });
}

void loadCarData(Editor& e, const std::string& path) {
    const std::vector<std::uint8_t> bytes = readValueSet(path);
    const CarDataFile file = decodeCarData(bytes);
    if (file.outcome == CarDataFile::Outcome::DamagedHeader) {
        throw FileError(fileNameOf(path) +
                        " is damaged: its header names cameras or teams that do not exist. Nothing was loaded.");
    }
    if (file.outcome == CarDataFile::Outcome::Truncated) endsEarly(path);
    for (const auto& [t, position] : file.brands) checkBrand(path, t, position);
    checkFloats(path, file);
    if (file.version == 0) {
        loadHeaderless(e, file, bytes.size() == kHeaderlessCockpitSize);
    } else {
        loadSectioned(e, file);
    }
}

void loadCameraSet(Editor& e, const std::string& path) {
    const CameraSetFile file = decodeCameraSet(readValueSet(path));
    if (!file.complete) endsEarly(path);
    GameData& g = e.game;
    const int first = file.layout.first;
    for (std::size_t i = 0; i < file.records.size(); ++i) g.cameras[first + i] = file.records[i];
    if (file.chase) g.chase = *file.chase;

    Form& f = e.main;
    withHandlersIdle(e, [&] {
        for (int k = first; k < first + static_cast<int>(file.records.size()); ++k) {
            const CameraRow row = decodeCamera(g.cameras[k], k, CameraForm::Game);
            // X, Y and Z are halved in place.
            GameData::CameraRecord& r = g.cameras[k];
            r[0] = static_cast<std::int16_t>(row[0]);
            r[1] = static_cast<std::int16_t>(row[2]);
            r[2] = static_cast<std::int16_t>(row[1]);
            showCameraRow(f, k, row);
        }
        if (file.chase) showChase(f, *file.chase, CameraForm::Game);
    });
    e.setStatus("Camset loaded");
    e.requestFrame();
}

void loadTyreSet(Editor& e, const std::string& path) {
    const TyreSetFile file = decodeTyreSet(readValueSet(path));
    if (!file.complete) endsEarly(path);
    for (std::size_t t = 0; t < file.brands.size(); ++t) checkBrand(path, static_cast<int>(t), file.brands[t]);
    for (std::size_t t = 0; t < file.brands.size(); ++t) showBrand(e, static_cast<int>(t), file.brands[t]);
    e.setStatus("Tyre Set loaded");
}

void finishCarLoad(Editor& e) {
    Form& f = e.main;
    changeSW(e, f.get("LMDDB0"));
    changeTP(e, f.get("LMDTP1"));
    lmdColor0Change(e, f.get("PanelRC0"));
    lmdColor0Change(e, f.get("PanelAC0"));
    lmdChangeHelmet(e, f.get("LMDHP0"));
    e.setStatus("Camset loaded");
    e.requestFrame();
}

}  // namespace varnisk

#include "datasets/SaveDataSet.h"

#include <array>

#include "core/Editor.h"
#include "datasets/SaveWindow.h"
#include "datasets/ValueSetFolder.h"
#include "files/GameFiles.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/GameValues.h"
#include "gamedata/SheetValues.h"
#include "valuesets/DataSetFormats.h"

namespace varnisk {

namespace {

// The controls whose values a saved file holds so that loading it gives them
// back: the camera rows (and the chase pair) it holds, the teams' blocks and
// the shared blocks it holds. Names are not among them: a loaded file's
// names do not reach the name fields.
std::vector<const Control*> heldControls(const Form& f, const SaveMasks& m, bool cameraSet) {
    std::vector<const Control*> out;
    auto add = [&](const std::string& name) {
        if (const Control* c = f.find(name)) out.push_back(c);
    };
    auto bit = [](std::uint16_t mask, int i) { return (mask >> i) & 1u; };
    for (int k = 0; k < 12; ++k) {
        if (!cameraSet && !bit(m.cameraMask, k)) continue;
        for (int j = 0; j < 10; ++j) {
            const int n = cameraRowBase(k) + 10 * j;
            if (n != 116 && n != 126) add(fieldName("LMDEdit", n));
        }
    }
    if (cameraSet || bit(m.globalMask, 0)) {
        add("LMDEdit101");
        add("LMDEdit102");
    }
    if (cameraSet) return out;
    for (int n = 0; n < 3; ++n) {
        if (bit(m.globalMask, 1)) add(fieldName("LMDSW", n));
        if (bit(m.globalMask, 2)) add(fieldName("LMDDB", n));
    }
    for (int n = 1; n <= 12 && bit(m.globalMask, 3); ++n) add(fieldName("LMDTP", n));
    for (int t = 0; t < 11; ++t) {
        for (auto [mask, family] : {std::pair{m.tcamMask, "LMDTC"}, std::pair{m.helmetMask, "LMDHP"},
                                    std::pair{m.extWheelMask, "LMDEW"}}) {
            if (!bit(mask, t)) continue;
            add(fieldName(family, t));
            add(fieldName(family, t + 20));
        }
        if (bit(m.armMask, t)) add(fieldName("PanelAC", t));
        if (bit(m.rimMask, t)) add(fieldName("PanelRC", t));
        if (bit(m.brandMask, t)) add(fieldName("UpDown", t + 1));
    }
    return out;
}

}  // namespace

void saveDataSet(Editor& e) {
    Form& f = e.main;
    GameData& g = e.game;

    // Everything is gathered before the dialog: a field that does not
    // convert stops the save before anything is asked or written, named by
    // its label. The cockpit and the tyres come from GameData, the names as
    // they are.
    requireNumbers(f, [](const GameValue& v) { return v.codec != ValueCodec::Cockpit && v.codec != ValueCodec::Tyre; },
                   std::string(" Nothing was saved.") +
                       (e.pending.anyFileKnown() ? "" : " Import All fills the sheet from the game first."));
    std::array<CameraRow, 12> rows{};
    for (int k = 0; k < 12; ++k) {
        rows[k] = readCameraRow(f, k);
        g.cameras[k] = encodeCamera(rows[k], k, CameraForm::Car);
    }
    const int chase1 = getCamField(f, 101), chase2 = getCamField(f, 102);
    g.chase = encodeChase(chase1, chase2, CameraForm::Car);
    std::array<int, 11> brands{};
    for (int t = 0; t < 11; ++t) {
        takeTeamValues(f, g, t);
        brands[t] = f.get(fieldName("UpDown", t + 1)).position;
    }
    // The tyre positions and the cockpit are GameData's as their fields'
    // change handlers keep them.

    FileDialogRequest request;
    request.title = "Save CamSet";
    request.filter = "Car data File (*.car)|*.car|CamSet File (*.cam)|*.cam";
    request.filterIndex = 1;
    request.defaultExt = "car";
    request.initialDir = valueSetFolder(e);
    std::optional<FileDialogAnswer> answer = e.ui.saveFile(request);
    if (!answer || answer->path.empty()) return;

    // The filter chosen decides the kind, whatever extension the name has.
    if (answer->filterIndex == 2) {
        for (int k = 0; k < 12; ++k) g.cameras[k] = encodeCamera(rows[k], k, CameraForm::Game);
        g.chase = encodeChase(chase1, chase2, CameraForm::Game);
        replaceFile(answer->path, encodeCameraSet(g.cameras, g.chase));
        rememberValueSetFolder(e, answer->path);
        e.setStatus("Camset saved");
        e.keptInFile(heldControls(f, {}, true));
        return;
    }
    e.saveWindow.masks = computeSaveSelection(e.save);
    replaceFile(answer->path, encodeCarData(e.saveWindow.masks, g, brands));
    rememberValueSetFolder(e, answer->path);
    e.setStatus("Car datas saved");
    e.keptInFile(heldControls(f, e.saveWindow.masks, false));
}

}  // namespace varnisk

#include "datasets/SaveDataSet.h"

#include <array>

#include "core/Editor.h"
#include "datasets/DataSetFormats.h"
#include "datasets/SaveWindow.h"
#include "datasets/ValueSetFolder.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/SheetValues.h"
#include "platform/GameFiles.h"

namespace varnisk {

void saveDataSet(Editor& e) {
    Form& f = e.main;
    GameData& g = e.game;

    // Everything is gathered before the dialog: a field that does not
    // convert stops the save before anything is asked or written.
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
        e.editsKept();
        return;
    }
    e.saveWindow.masks = computeSaveSelection(e.save);
    replaceFile(answer->path, encodeCarData(e.saveWindow.masks, g, brands));
    rememberValueSetFolder(e, answer->path);
    e.setStatus("Car datas saved");
    e.editsKept();
}

}  // namespace varnisk

#include "gamedata/ImportAll.h"

#include <optional>

#include "base/Bytes.h"
#include "base/Errors.h"
#include "core/Editor.h"
#include "editing/PreviewFeed.h"
#include "editing/TeamSlots.h"
#include "files/GameFiles.h"
#include "game/ExeLayout.h"
#include "game/GameFileSizes.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/GameFolder.h"
#include "gamedata/Recovery.h"
#include "gamedata/SheetValues.h"
#include "gamedata/TyreData.h"
#include "numeric/Numbers.h"

namespace varnisk {

static void readExeBlocks(Editor& e, const ByteFile& exe);

void showCockpit(Form& f, const std::array<float, 6>& c) {
    setNumberField(f, "LMDSW0", roundTo(100.0L * c[3], -1));
    setNumberField(f, "LMDSW1", roundTo(100.0L * c[5], -1) + 90);
    setNumberField(f, "LMDSW2", roundTo(100.0L * c[4], -1));
    setNumberField(f, "LMDDB0", roundTo(200.0L * c[0] + 0.6L, -1));
    setNumberField(f, "LMDDB1", roundTo(100.0L * c[2], -1) + 63);
    setNumberField(f, "LMDDB2", roundTo(200.0L * c[1], -1) + 3);
}

void readGameBlocks(Editor& e) {
    const std::string path = gameFile(e, kExeName);
    // The reason alone ("Read beyond end of file") would not say which file,
    // nor what that means for it.
    auto couldNotRead = [&path](const FileError& failure) {
        std::string what = fileNameOf(path) + " could not be read: " + failure.what() + ".";
        if (std::string(failure.what()) == kReadBeyondEnd) what += " It is too short to be the game's executable.";
        return FileError(what);
    };
    std::optional<ByteFile> exe;
    try {
        exe.emplace(path, ByteFile::Mode::ReadOnly);
    } catch (const FileError& failure) {
        throw couldNotRead(failure);
    }
    refuseOversized(*exe, kMaxExeSize, kExeKind);  // a message of its own
    try {
        readExeBlocks(e, *exe);
    } catch (const FileError& failure) {
        throw couldNotRead(failure);
    }
}

static void readExeBlocks(Editor& e, const ByteFile& exe) {
    GameData& g = e.game;
    std::uint8_t version = 0;
    exe.read(kVersionOffset, std::span(&version, 1));
    g.version = version;
    const ExeLayout& l = exeLayout(g.version);
    decodeCockpit(exe.read(l.cockpit, kCockpitSpan), g);
    g.rims[4] = bytes::u32(exe.read(l.rim4, 4), 0);
    decodeRimPairs(exe.read(l.rims, kRimPairsSize), g);
    decodePairTable(exe.read(l.helmets, kPairTableSize), g.helmets);
    decodeTcam(exe.read(l.tcam, kTcamSize), g);
    decodeArms(exe.read(l.arms, kArmsSize), g);
    std::vector<std::uint8_t> ref = exe.read(l.wheelRef, 8);
    g.wheelRef = {bytes::f32(ref, 0), bytes::f32(ref, 4)};
    decodePairTable(exe.read(l.extWheel, kPairTableSize), g.extWheel);
    g.chase[0] = bytes::i16(exe.read(l.chase, 2), 0);
    g.chase[1] = bytes::i16(exe.read(l.chase + kSecondChaseOffset, 2), 0);
    decodeCameras(exe.read(l.cameras(), kCamerasSize), g);
}

void getNames(Editor& e) {
    ByteFile exe(gameFile(e, kExeName), ByteFile::Mode::ReadOnly);
    GameData& g = e.game;
    if (!namesKnown(g.version)) {
        g.namesRead = false;
        e.ui.message("Sorry, you use an unknown GP4 version\r\nDefault team names will be used.");
    } else {
        std::vector<std::uint8_t> block = exe.read(exeLayout(g.version).names, kNamesSize);
        for (std::size_t t = 0; t < 11; ++t) g.names[t] = decodeTeamName(std::span(block).subspan(t * kNameSize, kNameSize));
        g.namesRead = true;
    }
    e.preview.CarTeamKey = g.names[0];
}

void importAll(Editor& e) {
    findGameAndRemember(e);
    if (!e.GameFound) {
        e.ui.message("Please choose your GP4 folder");
        chooseGP4Path(e);
        return;
    }
    try {
        recoverGameFiles(e);
    } catch (const FileError& failure) {
        // Reading the files does no harm: the import goes on, and so does
        // the program when this is its start.
        e.ui.message(failure.what());
    }
    Form& f = e.main;
    GameData& g = e.game;
    HandlersPaused paused(e);
    // Until this import completes, nothing is known of what the files hold.
    e.pending.forget();
    readGameBlocks(e);
    readTyrePositions(e);
    readTyreBrands(e);
    getNames(e);

    showCockpit(f, g.cockpit);

    for (int t = 0; t < 11; ++t) {
        showTeamValues(f, g, t, true);
        if (!g.names[0].empty()) {
            const std::string shown = mister(g.names[t]);
            // The field's change handler stores the name and relabels the
            // captions, but only when the text changes: a second import
            // finds it there already.
            f.setText(f.get(fieldName("LMDSlot", t)), shown);
            showTeamName(e, t, shown);
        }
    }

    // The camera records become field values in place.
    for (int k = 0; k < 12; ++k) {
        GameData::CameraRecord& r = g.cameras[k];
        const CameraRow row = decodeCamera(r, k, CameraForm::Game);
        r = {static_cast<std::int16_t>(row[0]), static_cast<std::int16_t>(row[2]), static_cast<std::int16_t>(row[1])};
        for (int j = 3; j < 10; ++j) r[j] = static_cast<std::int16_t>(row[j]);
        showCameraRow(f, k, row);
    }
    showChase(f, g.chase, CameraForm::Game);

    e.CurrentCamField = 105;
    paused.resume();
    e.saveWindow.SelectAllPending = 1;
    f.setHint(f.get("LMDPath"), "Actual Path: " + gameFolder(e));
    carRefresh(e, 0);
    // After the refresh, which clears the status as every edit does.
    e.setStatus("Import Done");
    e.pending.takeAfterImport();
    e.editsKept();
    e.requestFrame();
}

}  // namespace varnisk

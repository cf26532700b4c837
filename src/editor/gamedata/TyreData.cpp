#include "gamedata/TyreData.h"

#include "archive/Archive.h"
#include "base/Bytes.h"
#include "base/Errors.h"
#include "core/Editor.h"
#include "files/GameFiles.h"
#include "game/ExeLayout.h"
#include "game/GameFileSizes.h"
#include "game/SavedState.h"
#include "game/TeamNames.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/GameFolder.h"
#include "numeric/Numbers.h"

namespace varnisk {

void showBrand(Editor& e, int team, int position) {
    // The selector holds the position to its range; the caption follows what
    // it holds.
    e.main.setPosition(e.main.get(fieldName("UpDown", team + 1)), position);
    showBrandCaption(e, team);
}

void showBrandCaption(Editor& e, int team) {
    const Control& selector = e.main.get(fieldName("UpDown", team + 1));
    e.main.setCaption(e.main.get(fieldName("PanelTT", team + 21)), tyreBrandCaption(selector.position));
}

std::string tyreFieldName(int j, int k) { return fieldName("LMDTP", 3 * j + k + 1); }

void showTyre(Form& f, int j, const GameData::TyreRecord& r) {
    for (int k = 0; k < 3; ++k) {
        setNumberField(f, tyreFieldName(j, k), roundTo(100.0L * r[static_cast<std::size_t>(kTyreSlot[k])], 0));
    }
}

std::array<GameData::TyreRecord, 4> tyresFromFields(const Form& f) {
    std::array<GameData::TyreRecord, 4> tyres{};
    for (int j = 0; j < 4; ++j) {
        for (int k = 0; k < 3; ++k) {
            const long double hundredths = parseFloat(f.get(tyreFieldName(j, k)).text);
            tyres[static_cast<std::size_t>(j)][static_cast<std::size_t>(kTyreSlot[k])] = toFloat32(hundredths / 100);
        }
    }
    return tyres;
}

std::string tyreBrandCaption(int position) {
    switch (position) {
    case 0: return "Bridgestone";
    case 1: return "Michelin";
    default: return kDefaultTeamNames[1];
    }
}

std::uint32_t brandCode(int position) { return position == 0 ? kBridgestoneCode : kMichelinCode; }

void readTyreBrands(Editor& e) {
    const std::string savPath = gameFile(e, kSavedStateName);
    if (!fileExists(savPath)) {
        e.ui.message("Sorry but f1gstate.sav file can't be found.\r\nYou have to run GP4 once to built it.\r\n"
                     "Default Tyre Brands will be used.");
        defaultBrands(e);
        return;
    }
    {
        ByteFile sav(savPath, ByteFile::Mode::ReadOnly);
        refuseOversized(sav, kMaxSavedStateSize, kSavedStateKind);
        e.game.brandCodes = decodeBrandCodes(sav.read(kBrandCodesOffset, kBrandCodesSize));
    }
    for (int t = 0; t < 11; ++t) {
        if (t == 1) continue;  // team 1's brand is GP4.exe's brand string
        showBrand(e, t, e.game.brandCodes[t] == kBridgestoneCode ? 0 : 1);
    }
    ByteFile exe(gameFile(e, kExeName), ByteFile::Mode::ReadOnly);
    std::uint8_t version = 0;
    exe.read(kVersionOffset, std::span(&version, 1));
    const std::optional<std::uint32_t> at = brandStringOffset(version);
    if (!at) return;  // no place known for this version: the selector stays
    const std::optional<int> position = brandPosition(exe.read(*at, kBrandStringSize));
    if (position) showBrand(e, 1, *position);
}

void readTyrePositions(Editor& e) {
    const std::string path = wadPath(e);
    if (path.empty() || !fileExists(path)) {
        e.ui.message("Sorry but cars.wad file can't be found.\r\nDefault tyre positions will be used.\r\n"
                     "Tyre positions won't be exported to GP4.\r\nDefault positions will be stored in any .car file saved.");
        defaultTyrePositions(e);
        e.game.CollisionEntry.reset();
        e.game.tyres = tyresFromFields(e.main);
        return;
    }
    ByteFile archive(path, ByteFile::Mode::ReadOnly);
    CollisionLookup& known = e.collisionLookup;
    const FileStamp stamp = archive.stamp();
    // File times are coarse: the kept entry is taken only when the directory
    // still holds it where it was found.
    auto stillThere = [&] {
        if (!known.entry) return true;
        const std::uint64_t at = kDirectoryStart + std::uint64_t{kDirectoryEntrySize} * static_cast<std::uint64_t>(known.entry->index);
        if (!archive.fits(at, kDirectoryEntrySize)) return false;
        const std::vector<std::uint8_t> record = archive.read(at, kDirectoryEntrySize);
        const ArchiveEntry now = decodeDirectoryEntry(record, known.entry->index);
        return now.name == known.entry->name && now.offset == known.entry->offset;
    };
    if (!known.valid || known.path != path || !(known.stamp == stamp) || !stillThere()) {
        known.valid = false;
        std::optional<ArchiveEntry> found = findArchiveEntry(archive, isCollisionEntry);
        known = {true, path, stamp, std::move(found)};
    }
    const std::optional<ArchiveEntry>& entry = known.entry;
    if (!entry) {
        e.game.CollisionEntry.reset();
        e.ui.message("impossible to find car_collision_mesh.ct in the wad");
        return;
    }
    const std::uint64_t recordsEnd = std::uint64_t{entry->offset} + kTyrePosOffsets[3] + kTyreRecordSize;
    if (recordsEnd > archive.size()) {
        e.game.CollisionEntry.reset();
        throw FileError(fileNameOf(path) + " is damaged: its collision entry \"" + entry->name + "\" lies beyond the end of the file.");
    }
    std::array<GameData::TyreRecord, 4> records{};
    for (int j = 0; j < 4; ++j) {
        std::vector<std::uint8_t> b = archive.read(std::uint64_t{entry->offset} + kTyrePosOffsets[j], kTyreRecordSize);
        records[j] = {bytes::f32(b, 0), bytes::f32(b, 4), bytes::f32(b, 8)};
    }
    e.game.CollisionEntry = entry->offset;
    e.game.tyres = records;
    // The fields show the records in hundredths. Their change handler would
    // take the records back from them, rounded: an export that follows
    // would then change the archive where nobody edited it.
    const HandlersPaused paused(e);
    for (int j = 0; j < 4; ++j) showTyre(e.main, j, records[j]);
}

void defaultBrands(Editor& e) {
    for (int t = 0; t < 11; ++t) showBrand(e, t, kDefaultBrands[t]);
    e.setStatus("Default Tyre brands");
}

void defaultTyrePositions(Editor& e) {
    for (int j = 0; j < 4; ++j) showTyre(e.main, j, kDefaultTyres[j]);
    e.setStatus("Default Tyre Positions");
}

}  // namespace varnisk

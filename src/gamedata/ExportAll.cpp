#include "gamedata/ExportAll.h"

#include <algorithm>
#include <optional>

#include "core/Editor.h"
#include "form/Errors.h"
#include "gamedata/Backup.h"
#include "gamedata/Bytes.h"
#include "gamedata/ExeLayout.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/FileTransaction.h"
#include "gamedata/GameFolder.h"
#include "gamedata/Recovery.h"
#include "gamedata/SavedState.h"
#include "gamedata/SheetValues.h"
#include "gamedata/TyreData.h"
#include "numeric/Numbers.h"
#include "platform/GameFiles.h"

namespace varnisk {

namespace {

FileError tooShort(const std::string& path) {
    return FileError(fileNameOf(path) + " is too short for the values Varnisk writes into it; no game file was changed.");
}

// What an export writes, worked out and checked before anything is written.
struct ExportPlan {
    std::optional<ByteFile> exe;
    std::vector<Patch> exeBlocks;
    std::optional<Patch> brandString;

    enum class Wad { Missing, NoCollisionEntry, Write } wad = Wad::Missing;
    std::optional<ByteFile> archive;
    std::vector<Patch> tyres;

    std::optional<ByteFile> sav;
    std::array<std::uint32_t, 11> brandCodes{};
    // Set when a brand code changes: the codes and the checksum as they are
    // and as they become, the checksum's state before the codes, and the
    // whole file as it was when it had to be read for the first backup.
    bool savChanges = false;
    std::vector<std::uint8_t> oldCodes, newCodes, oldSum, newSum;
    ChecksumState beforeCodes;
    std::vector<std::uint8_t> savWhole;
};

// The new codes and the checksum that matches them. The checksum covers the
// whole file; the state it reaches before the codes is kept while the file
// is unchanged, so that later exports read only the codes and what follows.
void planSavedState(Editor& e, ExportPlan& plan, const std::array<std::uint32_t, 11>& codes) {
    ByteFile& sav = *plan.sav;
    plan.savChanges = true;
    for (std::uint32_t c : codes) bytes::addU32(plan.newCodes, c);
    const std::uint64_t size = sav.size();
    const std::uint64_t tailStart = kBrandCodesOffset + kBrandCodesSize;
    const bool firstBackup = !fileExists(backupPath(sav.path()));
    SavedStatePrefix& known = e.savedStatePrefix;
    std::vector<std::uint8_t> tail;
    bool prefixKnown = false;
    if (!firstBackup && known.valid && known.path == sav.path() && known.stamp == sav.stamp()) {
        // File times are coarse: the kept state is taken only when it also
        // gives the checksum the file holds now.
        tail = sav.read(tailStart, static_cast<std::size_t>(size - tailStart));
        ChecksumState check = known.state;
        checksumFold(check, plan.oldCodes);
        checksumFold(check, std::span(tail).first(tail.size() - 4));
        prefixKnown = checksumFinish(check) == bytes::u32(tail, tail.size() - 4);
        plan.beforeCodes = known.state;
    }
    if (!prefixKnown) {
        std::vector<std::uint8_t> whole = sav.read(0, static_cast<std::size_t>(size));
        plan.beforeCodes = checksumStart(whole[0]);
        checksumFold(plan.beforeCodes, std::span(whole).subspan(1, kBrandCodesOffset - 1));
        tail.assign(whole.begin() + static_cast<std::ptrdiff_t>(tailStart), whole.end());
        if (firstBackup) plan.savWhole = std::move(whole);
    }
    ChecksumState state = plan.beforeCodes;
    checksumFold(state, plan.newCodes);
    checksumFold(state, std::span(tail).first(tail.size() - 4));
    bytes::addU32(plan.newSum, checksumFinish(state));
    plan.oldSum.assign(tail.end() - 4, tail.end());
}

ExportPlan planExport(Editor& e) {
    ExportPlan plan;
    const GameData& g = e.game;

    plan.exe.emplace(gameFile(e, kExeName));
    std::vector<std::pair<std::uint64_t, std::uint64_t>> stepped;
    plan.exeBlocks = exeBlockPatches(g, g.namesRead, &stepped);
    if (std::optional<std::uint32_t> at = brandStringOffset(g.version)) {
        plan.brandString = Patch{*at, encodeBrandString(e.main.get("UpDown2").position)};
    }
    if (!patchesFit(*plan.exe, plan.exeBlocks)) throw tooShort(plan.exe->path());
    for (const auto& [offset, count] : stepped) {
        if (!plan.exe->fits(offset, count)) throw tooShort(plan.exe->path());
    }
    if (plan.brandString && !plan.exe->fits(plan.brandString->offset, kBrandStringSize)) throw tooShort(plan.exe->path());

    const std::string wad = wadPath(e);
    if (!wad.empty() && fileExists(wad)) {
        if (!g.CollisionEntry) {
            plan.wad = ExportPlan::Wad::NoCollisionEntry;
        } else {
            plan.wad = ExportPlan::Wad::Write;
            plan.archive.emplace(wad);
            for (int j = 0; j < 4; ++j) {
                Patch p{std::uint64_t{*g.CollisionEntry} + kTyrePosOffsets[j], {}};
                for (float v : g.tyres[j]) bytes::addF32(p.bytes, v);
                plan.tyres.push_back(std::move(p));
            }
            if (!patchesFit(*plan.archive, plan.tyres)) throw tooShort(wad);
        }
    }

    const std::string savPath = gameFile(e, kSavedStateName);
    if (fileExists(savPath)) {
        plan.sav.emplace(savPath);
        if (!savedStateHoldsBrands(plan.sav->size())) throw tooShort(savPath);
        std::array<std::uint32_t, 11> codes{};
        for (int t = 0; t < 11; ++t) codes[t] = brandCode(e.main.get(fieldName("UpDown", t + 1)).position);
        plan.oldCodes = plan.sav->read(kBrandCodesOffset, kBrandCodesSize);
        if (decodeBrandCodes(plan.oldCodes) != codes) {
            planSavedState(e, plan, codes);
        }
        plan.brandCodes = codes;
    }
    return plan;
}

// The saved state's changes: the brand codes and the checksum that matches
// them.
std::vector<Patch> savedStateChanges(const ExportPlan& plan) {
    std::vector<Patch> changes{{kBrandCodesOffset, plan.newCodes}};
    if (plan.newSum != plan.oldSum) changes.push_back({plan.sav->size() - 4, plan.newSum});
    return changes;
}

}  // namespace

void sheetToGameData(Editor& e) {
    Form& f = e.main;
    GameData& g = e.game;
    for (int k = 0; k < 12; ++k) g.cameras[k] = encodeCamera(readCameraRow(f, k), k, CameraForm::Game);
    g.chase = encodeChase(getCamField(f, 101), getCamField(f, 102), CameraForm::Game);

    auto floatField = [&f](const std::string& name) { return parseFloat(f.get(name).text); };
    for (int t = 0; t < 11; ++t) {
        takeTeamValues(f, g, t);
        // An emptied name field keeps the name it had: an empty name would
        // blank the game's own.
        const std::string& name = f.get(fieldName("LMDSlot", t)).text;
        if (!name.empty()) g.names[t] = name;
    }
    // GameData already holds the cockpit and the tyre positions, kept current
    // by their fields' change handlers. A field whose text those handlers
    // could not take would otherwise go unnoticed while its last good value
    // is written.
    for (int n = 0; n < 3; ++n) {
        floatField(fieldName("LMDSW", n));
        floatField(fieldName("LMDDB", n));
    }
    if (g.CollisionEntry) {  // without one the tyre positions are not written
        for (int n = 1; n <= 12; ++n) floatField(fieldName("LMDTP", n));
    }
}

void exportAll(Editor& e) {
    recoverGameFiles(e);
    sheetToGameData(e);
    ExportPlan plan = planExport(e);

    // Only bytes that change are written. Nothing has been written yet: a
    // file about to change first gets its backup, unless it has one.
    std::vector<Patch> exeChanges = changedPatches(*plan.exe, plan.exeBlocks);
    if (plan.brandString) {
        // Written after the blocks, so it wins where they overlap.
        for (Patch& p : changedPatches(*plan.exe, {*plan.brandString})) exeChanges.push_back(std::move(p));
    }
    const std::vector<Patch> tyreChanges = plan.archive ? changedPatches(*plan.archive, plan.tyres) : std::vector<Patch>{};
    const std::vector<Patch> savChanges = plan.savChanges ? savedStateChanges(plan) : std::vector<Patch>{};

    // The three files change together or not at all. Each file that changes
    // is opened for writing first: a read-only one stops the export here,
    // before any backup or journal is written.
    FileTransaction change(journalPath(e), "Export All");
    change.add(*plan.exe, exeChanges);
    if (plan.archive) change.add(*plan.archive, tyreChanges);
    if (plan.sav) change.add(*plan.sav, savChanges);
    try {
        if (!exeChanges.empty()) keepWholeBackup(*plan.exe);
        if (!tyreChanges.empty()) keepRangeBackup(*plan.archive, tyreChanges);
        if (!plan.savWhole.empty()) keepWholeBackup(plan.sav->path(), plan.savWhole);
    } catch (const FileError& failure) {
        throw FileError(std::string("Export All failed: ") + failure.what() + ". No game file was changed.");
    }
    CollisionLookup& known = e.collisionLookup;
    const bool lookupCurrent =
        plan.archive && known.valid && known.path == plan.archive->path() && known.stamp == plan.archive->stamp();
    change.commit();
    if (lookupCurrent) known.stamp = plan.archive->stamp();
    if (plan.sav) {
        if (plan.savChanges) e.savedStatePrefix = {true, plan.sav->path(), plan.sav->stamp(), plan.beforeCodes};
        e.game.brandCodes = plan.brandCodes;
    }

    switch (plan.wad) {
    case ExportPlan::Wad::Write:
        break;
    case ExportPlan::Wad::NoCollisionEntry:
        e.ui.message("As no car_collision_mesh.ct was found in the wad, tyre positions haven't been exported");
        break;
    case ExportPlan::Wad::Missing:
        e.ui.message("As cars wad file hadn't been found, tyre positions haven't been exported");
        break;
    }
    if (!plan.sav) {
        e.ui.message("Sorry but as f1gstate.sav file hadn't been found, tyre brands havn't been exported.");
    }

    e.setStatus("Export Done");
    e.editsKept();
}

}  // namespace varnisk

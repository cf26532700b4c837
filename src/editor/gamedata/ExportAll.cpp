#include "gamedata/ExportAll.h"

#include <algorithm>
#include <optional>

#include "base/Bytes.h"
#include "base/Errors.h"
#include "core/Editor.h"
#include "files/FileTransaction.h"
#include "files/GameFiles.h"
#include "files/GameLock.h"
#include "game/ExeLayout.h"
#include "game/GameFileSizes.h"
#include "game/SavedState.h"
#include "gamedata/Backup.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/GameFolder.h"
#include "gamedata/GameValues.h"
#include "gamedata/PendingChanges.h"
#include "gamedata/PutBack.h"
#include "gamedata/Recovery.h"
#include "gamedata/SheetValues.h"
#include "gamedata/TyreData.h"
#include "numeric/Numbers.h"

namespace varnisk {

namespace {

FileError tooShort(const std::string& path) {
    return FileError(fileNameOf(path) + " is too short for the values Varnisk writes into it; no game file was changed.");
}

// What an export writes, worked out and checked before anything is written.
struct ExportPlan {
    std::vector<PendingChange> rows;
    std::vector<std::vector<Patch>> patches;  // by row: the bytes it writes

    std::optional<ByteFile> exe;
    std::vector<Patch> exeChanges;

    enum class Wad { Missing, NoCollisionEntry, Write } wad = Wad::Missing;
    std::optional<ByteFile> archive;
    std::vector<Patch> tyreChanges;

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

// The checksum that matches the new codes. The checksum covers the whole
// file; the state it reaches before the codes is kept while the file is
// unchanged, so that later exports read only the codes and what follows.
void planSavedState(Editor& e, ExportPlan& plan) {
    ByteFile& sav = *plan.sav;
    plan.savChanges = true;
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

// The rows of one file and the bytes they write, in the table's order.
std::vector<Patch> patchesOf(const ExportPlan& plan, GameFileKind file) {
    std::vector<Patch> out;
    for (std::size_t k = 0; k < plan.rows.size(); ++k) {
        if (plan.rows[k].file != file) continue;
        out.insert(out.end(), plan.patches[k].begin(), plan.patches[k].end());
    }
    return out;
}

// Only the values the rows name are written, and of them only the bytes
// that differ from what the file holds.
ExportPlan planExport(Editor& e, std::vector<PendingChange> rows) {
    ExportPlan plan;
    const GameData& g = e.game;
    plan.rows = std::move(rows);
    for (const PendingChange& row : plan.rows) plan.patches.push_back(valuePatches(gameValues()[row.value], g, e.main));

    plan.exe.emplace(gameFile(e, kExeName));
    refuseOversized(*plan.exe, kMaxExeSize, kExeKind);
    const std::vector<Patch> exePatches = patchesOf(plan, GameFileKind::Exe);
    if (!patchesFit(*plan.exe, exePatches)) throw tooShort(plan.exe->path());
    plan.exeChanges = changedPatches(*plan.exe, exePatches);

    const std::string wad = wadPath(e);
    if (!wad.empty() && fileExists(wad)) {
        if (!g.CollisionEntry) {
            plan.wad = ExportPlan::Wad::NoCollisionEntry;
        } else {
            plan.wad = ExportPlan::Wad::Write;
            plan.archive.emplace(wad);
            const std::vector<Patch> tyres = patchesOf(plan, GameFileKind::Archive);
            if (!patchesFit(*plan.archive, tyres)) throw tooShort(wad);
            plan.tyreChanges = changedPatches(*plan.archive, tyres);
        }
    }

    const std::string savPath = gameFile(e, kSavedStateName);
    if (fileExists(savPath)) {
        plan.sav.emplace(savPath);
        refuseOversized(*plan.sav, kMaxSavedStateSize, kSavedStateKind);
        if (!savedStateHoldsBrands(plan.sav->size())) throw tooShort(savPath);
        plan.oldCodes = plan.sav->read(kBrandCodesOffset, kBrandCodesSize);
        plan.newCodes = plan.oldCodes;
        for (const Patch& p : patchesOf(plan, GameFileKind::SavedState)) {
            std::copy(p.bytes.begin(), p.bytes.end(), plan.newCodes.begin() + static_cast<std::ptrdiff_t>(p.offset - kBrandCodesOffset));
        }
        if (plan.newCodes != plan.oldCodes) planSavedState(e, plan);
        plan.brandCodes = decodeBrandCodes(plan.newCodes);
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

// A value that its place cannot hold stops the export before anything is
// converted.
void refuseWhatDoesNotFit(Editor& e) {
    // A field that is no number is named by its label; before any import the
    // sheet's fields are mostly empty, and the message says what fills them.
    const std::string tail = std::string(" Nothing was exported.") +
                             (e.pending.anyFileKnown() ? "" : " Import All fills the sheet from the game first.");
    requireNumbers(e.main, [&e](const GameValue& v) { return !valuePatches(v, e.game, e.main).empty(); }, tail);
    for (const GameValue& v : gameValues()) {
        const Control& c = e.main.get(v.control);
        if (std::optional<std::string> misfit = valueDoesNotFit(v, c)) {
            if (valuePatches(v, e.game, e.main).empty()) continue;  // never written
            throw FileError(valueLabel(v, e.main) + ": " + *misfit + ". Nothing was exported.");
        }
    }
}

std::string changeLines(const std::vector<DiskChange>& changes) {
    std::string out;
    constexpr std::size_t kShown = 12;
    for (std::size_t i = 0; i < changes.size() && i < kShown; ++i) {
        out += "\r\n" + diskChangeLine(changes[i]);
    }
    if (changes.size() > kShown) out += "\r\n... and " + std::to_string(changes.size() - kShown) + " more";
    return out;
}

enum class OnDisk { Overwrite, TakeTheirs, Cancel };

// What to do with values another program changed on disk that the export
// would overwrite.
OnDisk askAboutDisk(Editor& e, const std::vector<DiskChange>& changes) {
    Question q;
    q.title = "Export All";
    const std::string lines = changeLines(changes);
    q.text = "Another program changed these values in the game's files since Varnisk read them, and the sheet "
             "holds other values for them:" + lines + "\r\n\r\nOverwrite them with the sheet's values, or take "
             "theirs into the sheet?";
    q.answers = {"Overwrite", "Take theirs", "Cancel"};
    q.defaultAnswer = 2;
    q.escapeAnswer = 2;
    q.unattendedAnswer = 0;
    q.unattendedNote = "Another program changed these values in the game's files since Varnisk read them; Export "
                       "All overwrites them with the sheet's values:" + lines;
    switch (e.ui.ask(q)) {
    case 0: return OnDisk::Overwrite;
    case 1: return OnDisk::TakeTheirs;
    default: return OnDisk::Cancel;
    }
}

std::string exportedText(const std::vector<PendingChange>& rows) {
    std::array<std::size_t, 3> byFile{};
    for (const PendingChange& row : rows) ++byFile[static_cast<std::size_t>(row.file)];
    return "Exported " + std::to_string(rows.size()) + (rows.size() == 1 ? " value: " : " values: ") + countsByFile(byFile);
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
        tyresFromFields(f);
    }
}

void exportAll(Editor& e) {
    recoverGameFiles(e);
    refuseWhatDoesNotFit(e);
    sheetToGameData(e);
    PendingChanges& pending = e.pending;
    pending.takeFilesNotRead();

    // From the look at what is on disk to the last byte written, no other
    // Varnisk writes the files or takes this export's journal for a stale
    // one. An export with nothing to write takes no lock.
    std::optional<GameLock> lock;
    if (pending.count() > 0) {
        if (const std::string folder = gameFolder(e); !folder.empty()) lock.emplace(folder);
        recoverGameFiles(e);  // a journal another Varnisk left while this one waited
    }

    // Another program's values where the sheet has its own: the user says
    // which stay. Varnisk's own front end without a person (varnisk-cli)
    // overwrites them and says so.
    const std::vector<DiskChange> onDisk = pending.changedOnDisk();
    if (!onDisk.empty()) {
        switch (askAboutDisk(e, onDisk)) {
        case OnDisk::Cancel:
            e.setStatus("Export cancelled");
            return;
        case OnDisk::TakeTheirs:
            takeTheirs(e, onDisk);
            sheetToGameData(e);
            break;
        case OnDisk::Overwrite:
            break;
        }
    }

    ExportPlan plan = planExport(e, pending.changes());

    // Only bytes that change are written. Nothing has been written yet: a
    // file about to change first gets its backup, unless it has one.
    const std::vector<Patch>& exeChanges = plan.exeChanges;
    const std::vector<Patch>& tyreChanges = plan.tyreChanges;
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
    std::vector<std::size_t> written;
    for (const PendingChange& row : plan.rows) written.push_back(row.value);
    pending.wrote(written, plan.patches);

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

    e.setStatus(plan.rows.empty() ? "Nothing to export" : exportedText(plan.rows));
    e.editsKept();
}

}  // namespace varnisk

#include "gamedata/Recovery.h"

#include "core/Editor.h"
#include "form/Errors.h"
#include "gamedata/Backup.h"
#include "gamedata/FileTransaction.h"
#include "gamedata/GameFolder.h"
#include "platform/GameFiles.h"

namespace varnisk {

namespace {

// Varnisk's own temporary files beside the game files: those of the backups,
// of a file recreated by restore and of the journal. A temporary file is
// never the only copy of anything: it is renamed into place once whole.
void removeLeftovers(Editor& e, const std::string& folder) {
    std::vector<std::string> files;
    for (const char* name : {kExeName, kSavedStateName, kArchiveName}) files.push_back(gameFilePath(folder, name));
    if (!e.ManualWadPath.empty()) files.push_back(e.ManualWadPath);
    std::vector<std::string> temps{joinPath(folder, kJournalName) + kTempSuffix};
    for (const std::string& file : files) {
        temps.push_back(file + kTempSuffix);
        temps.push_back(backupPath(file) + kTempSuffix);
    }
    for (const std::string& temp : temps) {
        if (fileExists(temp)) removeFile(temp);
    }
}

constexpr const char* kRestoreAdvice =
    " If the game misbehaves, 'restore' puts its files back as they were before Varnisk's first export.";

}  // namespace

std::string journalPath(Editor& e) {
    const std::string folder = locateGame(e);
    return folder.empty() ? std::string() : joinPath(folder, kJournalName);
}

void recoverGameFiles(Editor& e) {
    const std::string folder = locateGame(e);
    if (folder.empty()) return;
    const std::string journal = joinPath(folder, kJournalName);
    Rollback r;
    try {
        removeLeftovers(e, folder);
        r = rollBackJournal(journal);
    } catch (const FileError& failure) {
        throw FileError(std::string("The game files could not be put back after a change that was cut off: ") +
                        failure.what() + ". Varnisk tries again the next time it opens them.");
    }
    const std::string kept = std::string(kJournalName) + kNotAppliedSuffix;
    switch (r.outcome) {
    case Rollback::Outcome::None:
        break;
    case Rollback::Outcome::RolledBack:
        e.ui.message("The last " + r.operation +
                     " was cut off before it finished (Varnisk was stopped, or the computer lost power). " +
                     fileNameList(r.files) + (r.files.size() == 1 ? " was" : " were") + " put back as before it.");
        break;
    case Rollback::Outcome::Damaged:
        e.ui.message(std::string(kJournalName) +
                     ", the record of a change to the game files that was cut off, is damaged, so that change "
                     "could not be undone. It was kept as " + kept + "." + kRestoreAdvice);
        break;
    case Rollback::Outcome::Changed:
        e.ui.message("The " + r.operation + " that was cut off could not be undone: " + fileNameList(r.files) +
                     " was changed since. Its record was kept as " + kept + "." + kRestoreAdvice);
        break;
    }
}

}  // namespace varnisk

#include "gamedata/Recovery.h"

#include "base/Errors.h"
#include "core/Editor.h"
#include "files/FileTransaction.h"
#include "files/GameFiles.h"
#include "files/GameLock.h"
#include "gamedata/Backup.h"
#include "gamedata/GameFolder.h"

namespace varnisk {

namespace {

// Varnisk's own temporary files beside the game files: those of the backups,
// of a file recreated by restore and of the journal, known by their names'
// mark; links and anything else are left alone. A temporary file is never
// the only copy of anything: it is renamed into place once whole.
std::vector<std::string> leftovers(Editor& e, const std::string& folder) {
    std::vector<std::string> files{joinPath(folder, kJournalName)};
    for (const char* name : {kExeName, kSavedStateName, kArchiveName}) files.push_back(gameFilePath(folder, name));
    if (!e.ManualWadPath.empty()) files.push_back(e.ManualWadPath);
    std::vector<std::string> all;
    for (const std::string& file : files) {
        all.push_back(file);
        all.push_back(backupPath(file));
    }
    return temporaryLeftovers(all);
}

constexpr const char* kRestoreAdvice =
    " If the game misbehaves, 'restore' puts its files back as they were before Varnisk's first export.";

}  // namespace

std::string journalPath(Editor& e) {
    const std::string folder = gameFolder(e);
    return folder.empty() ? std::string() : joinPath(folder, kJournalName);
}

void recoverGameFiles(Editor& e) {
    const std::string folder = gameFolder(e);
    if (folder.empty()) return;
    const std::string journal = joinPath(folder, kJournalName);
    // A journal names the game's files by their paths; it is applied to
    // these and nothing else.
    std::vector<std::string> gameFiles{gameFilePath(folder, kExeName), gameFilePath(folder, kSavedStateName)};
    if (const std::string wad = wadPath(e); !wad.empty()) gameFiles.push_back(wad);
    // Most starts find nothing to put back and take no lock.
    if (!fileExists(journal) && leftovers(e, folder).empty()) return;
    Rollback r;
    {
        // The journal of an export still being written by another Varnisk is
        // not one that was cut off, nor are its temporary files leftovers:
        // they are looked at again under the lock, once that export is done.
        GameLock lock(folder);
        try {
            for (const std::string& temp : leftovers(e, folder)) removeFile(temp);
            r = rollBackJournal(journal, gameFiles);
        } catch (const FileError& failure) {
            throw FileError(std::string("The game files could not be put back after a change that was cut off: ") +
                            failure.what() + ". Varnisk tries again the next time it opens them.");
        }
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
    case Rollback::Outcome::NotTheGames:
        e.ui.message(std::string(kJournalName) + " names " + fileNameList(r.files) +
                     ", which is not one of this game's files, so it was not applied: Varnisk puts back only the "
                     "game's own files. It was kept as " + kept + "." + kRestoreAdvice);
        break;
    case Rollback::Outcome::Changed:
        e.ui.message("The " + r.operation + " that was cut off could not be undone: " + fileNameList(r.files) +
                     " was changed since. Its record was kept as " + kept + "." + kRestoreAdvice);
        break;
    }
}

}  // namespace varnisk

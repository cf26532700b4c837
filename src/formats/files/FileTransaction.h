#pragma once

#include <string>
#include <vector>

#include "files/GameFiles.h"
#include "files/Journal.h"
#include "game/Patch.h"

namespace varnisk {

// The rollback journal's name in the game folder.
inline constexpr const char* kJournalName = "varnisk.journal";
// A journal that could not be applied is kept under this suffix.
inline constexpr const char* kNotAppliedSuffix = ".not-applied";

// Changes to several game files made whole or not at all. The journal is
// written and flushed first; then every file is patched and flushed; then
// the journal is removed, which is the moment the change holds. A failure on
// the way puts every file back at once; a stop on the way (a kill, a power
// loss) leaves the journal, from which the next operation on the game files
// puts them back (rollBackJournal).
class FileTransaction {
public:
    FileTransaction(std::string journalPath, std::string operation);

    // The changes to one file, in the order they are to be written (a later
    // one wins where they overlap); the bytes they replace are read now. The
    // changes must fit in the file. The file must stay open until commit.
    // A file that changes is opened for writing here, so that every file is
    // known to be writable before the first byte of any changes: one marked
    // read-only, or one the system will not let Varnisk write, throws
    // FileError "<operation> failed: cars.wad is read-only. No game file was
    // changed." and the transaction stays as it was.
    void add(ByteFile& file, const std::vector<Patch>& changes);

    bool empty() const { return journal_.files.empty(); }

    // Makes the change. On failure every file is put back and FileError
    // says what failed and that nothing changed (or, when even putting back
    // failed, that the next operation will).
    void commit();

private:
    std::string journalPath_;
    Journal journal_;
    std::vector<ByteFile*> files_;
};

// What rollBackJournal found.
struct Rollback {
    enum class Outcome {
        None,        // no journal
        RolledBack,  // the files are as they were before the change
        Damaged,     // no journal of Varnisk's, or a damaged one: not applied
        Changed,     // a file no longer holds what the change left: not applied
        NotTheGames, // it names a file that is none of the game's: not applied
    } outcome = Outcome::None;
    std::string operation;            // of the journal, when it could be read
    std::vector<std::string> files;   // the files put back, or the file that changed
};

// Puts the files named by the journal back and removes it. A journal that
// is damaged (or is a link), names a file that is not one of `gameFiles`
// (the game's files as they are found now), names one that is missing, has
// another size, or holds a byte that is neither the one before nor the one
// after the change, is never applied: it is renamed with kNotAppliedSuffix.
// Throws FileError when the files cannot be written; the journal then stays
// for the next try.
Rollback rollBackJournal(const std::string& journalPath, const std::vector<std::string>& gameFiles);

// The path as a journal keeps it: whole, so that it does not depend on the
// folder that is current when it is read back.
std::string journalPathOf(const std::string& path);


// Which ranges of `current` differ from `wanted` (of the same size), as
// patches holding the wanted bytes; differences close together share one.
std::vector<Patch> differences(std::span<const std::uint8_t> current, std::span<const std::uint8_t> wanted);

}  // namespace varnisk

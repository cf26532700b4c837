#pragma once

#include <chrono>
#include <string>

namespace varnisk {

// The lock file in the game folder: whoever holds its lock may write the
// game's files or put them back from the journal. It is empty and stays.
inline constexpr const char* kLockName = "varnisk.lock";

// One Varnisk writes a game at a time. Recovery, Export All and restore hold
// this lock for their whole length; a journal is rolled back only under it,
// so the journal of an export still being written is never mistaken for one
// that was cut off. Held again inside (an export's own recovery), it is the
// same lock. A second process waits up to the wait below, then gets
// FileError: "Another Varnisk is writing the game's files in <folder> ...".
class GameLock {
public:
    explicit GameLock(const std::string& folder);
    ~GameLock();
    GameLock(const GameLock&) = delete;
    GameLock& operator=(const GameLock&) = delete;

private:
    std::string folder_;
};

// How long a second process waits for the lock (tests shorten it).
void setGameLockWait(std::chrono::milliseconds wait);

}  // namespace varnisk

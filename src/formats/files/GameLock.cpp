#include "files/GameLock.h"

#include <map>
#include <memory>
#include <thread>

#include "base/Errors.h"
#include "files/GameFiles.h"

namespace varnisk {

namespace {

std::chrono::milliseconds& lockWait() {
    static std::chrono::milliseconds wait{3000};
    return wait;
}

// The locks this process holds, by folder, with how many holders each.
struct Held {
    std::unique_ptr<FileLock> lock;
    int holders = 0;
};
std::map<std::string, Held>& heldLocks() {
    static std::map<std::string, Held> held;
    return held;
}

}  // namespace

void setGameLockWait(std::chrono::milliseconds wait) { lockWait() = wait; }

GameLock::GameLock(const std::string& folder) : folder_(folder) {
    Held& held = heldLocks()[folder];
    if (held.holders > 0) {
        ++held.holders;
        return;
    }
    const std::string path = joinPath(folder, kLockName);
    try {
        held.lock = std::make_unique<FileLock>(path);
    } catch (const FileError& failure) {
        heldLocks().erase(folder);
        throw FileError(std::string(kLockName) + " in the game folder cannot be used: " + failure.what() +
                        ". Varnisk changed nothing; remove it if it is not a plain file of Varnisk's.");
    }
    const auto until = std::chrono::steady_clock::now() + lockWait();
    bool taken = false;
    try {
        while (!(taken = held.lock->tryLock()) && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    } catch (const FileError&) {
        heldLocks().erase(folder);
        throw;
    }
    if (!taken) {
        heldLocks().erase(folder);
        throw FileError("Another Varnisk is writing the game's files in " + folder +
                        " (or is asking its user before it does). Varnisk changed nothing; try again when it has "
                        "finished.");
    }
    held.holders = 1;
}

GameLock::~GameLock() {
    auto it = heldLocks().find(folder_);
    if (it != heldLocks().end() && --it->second.holders <= 0) heldLocks().erase(it);
}

}  // namespace varnisk

#pragma once

#include <string>

#include "files/GameFiles.h"

namespace varnisk {

// The game-file port's own seam between its common part and each system's
// implementation.

// Asks the step hook about a step: throws the I/O error of a failing step,
// ends the process at a stopping one (returns true instead for a write, which
// is to write its first half before it stops).
bool stopsHere(FileStep step, const std::string& path);

// Ends the process at once, as a kill would, with kStoppedByHook.
[[noreturn]] void stopProcess();

}  // namespace varnisk

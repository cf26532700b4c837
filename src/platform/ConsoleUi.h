#pragma once

#include <ostream>

#include "platform/ScriptedUi.h"

namespace varnisk {

// The Ui of varnisk-cli: scripted answers, and every message box, error and
// beep written as one line to a stream (standard error).
class ConsoleUi : public ScriptedUi {
public:
    explicit ConsoleUi(std::ostream& lines) {
        onLine = [&lines](const std::string& line) { lines << line << std::endl; };
    }
};

}  // namespace varnisk

#pragma once

#include <ostream>

#include "base/CodePage.h"
#include "ui/ScriptedUi.h"

namespace varnisk {

// The Ui of varnisk-cli: scripted answers, and every message box, error and
// beep written as one line to a stream (standard error), in UTF-8 as the
// window shows the program's texts.
class ConsoleUi : public ScriptedUi {
public:
    explicit ConsoleUi(std::ostream& lines) {
        onLine = [&lines](const std::string& line) { lines << cp1252ToUtf8(line) << std::endl; };
    }
};

}  // namespace varnisk

#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace varnisk::cli {

// Exit statuses of varnisk-cli.
constexpr int kExitOk = 0;
constexpr int kExitErrors = 1;      // at least one error was reported
constexpr int kExitUsage = 2;       // unknown command or control, wrong arguments
constexpr int kExitTerminated = 3;  // the program ended itself

// Runs varnisk-cli with its arguments (without the program name); `out` takes
// the dumps, `err` the messages, errors and beeps. Returns the exit status.
// With `--script -` the commands come from `in`, each run as soon as its line
// has been read.
int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
// The same with standard input.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace varnisk::cli

#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace varnisk::cli {

// A mistake in how varnisk-cli was called: unknown command or control, wrong
// arguments. Reported before anything runs where it can be; exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One command with its arguments, and where it was written (for messages).
struct Command {
    std::vector<std::string> words;
    std::string origin;
};

// Splits one script line into words: words are separated by blanks (spaces
// and tabs); a word holding blanks is written in double quotes.
std::vector<std::string> splitWords(std::string_view line);

// The commands of a script: one command a line; blank lines and lines whose
// first non-blank character is '#' are skipped.
std::vector<Command> readScript(std::string_view text, const std::string& fileName);

// Groups the command words of the command line into commands by the number of
// arguments each command takes. firstPosition is the place of the first
// word among the words the user wrote after the program's name, so that
// messages count the way the user wrote them.
std::vector<Command> groupArguments(const std::vector<std::string>& words, std::size_t firstPosition = 1);

// "1 argument", "2 arguments".
std::string countOf(std::size_t n, const std::string& noun);

// The number of arguments a command takes, as the table of commands (in
// Cli.cpp) writes them: {min, max}; {-1, -1} when the command is unknown.
// A command of several rows ("answer") is told by its first argument.
struct Arity {
    int min;
    int max;
};
Arity arityOf(const std::string& command, const std::vector<std::string>& following = {});

}  // namespace varnisk::cli

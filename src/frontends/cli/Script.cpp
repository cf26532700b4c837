#include "cli/Script.h"

#include <algorithm>

namespace varnisk::cli {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

std::vector<std::string> splitWords(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i == line.size()) break;
        std::string word;
        bool quoted = false;
        while (i < line.size() && (quoted || !isBlank(line[i]))) {
            if (line[i] == '"') {
                quoted = !quoted;
            } else {
                word.push_back(line[i]);
            }
            ++i;
        }
        if (quoted) throw UsageError("a double quote is not closed");
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<Command> readScript(std::string_view text, const std::string& fileName) {
    std::vector<Command> commands;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        std::size_t first = 0;
        while (first < line.size() && isBlank(line[first])) ++first;
        if (first == line.size() || line[first] == '#') continue;
        std::string origin = fileName + ":" + std::to_string(lineNumber);
        try {
            commands.push_back({splitWords(line), origin});
        } catch (const UsageError& e) {
            throw UsageError(origin + ": " + e.what());
        }
    }
    return commands;
}

std::string countOf(std::size_t n, const std::string& noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::vector<Command> groupArguments(const std::vector<std::string>& words, std::size_t firstPosition) {
    std::vector<Command> commands;
    std::size_t i = 0;
    while (i < words.size()) {
        const std::string& name = words[i];
        std::vector<std::string> rest(words.begin() + static_cast<std::ptrdiff_t>(i) + 1, words.end());
        Arity arity = arityOf(name, rest);
        if (arity.min < 0) {
            throw UsageError("argument " + std::to_string(firstPosition + i) + ": unknown command '" + name + "'");
        }
        int take = arity.min;
        // An optional argument is taken unless the next word is a command.
        if (arity.max > arity.min && static_cast<int>(rest.size()) > arity.min &&
            arityOf(rest[static_cast<std::size_t>(arity.min)]).min < 0 &&
            rest[static_cast<std::size_t>(arity.min)] != "answer") {
            take = arity.max;
        }
        const std::string origin = "argument " + std::to_string(firstPosition + i);
        if (static_cast<int>(rest.size()) < take) {
            throw UsageError(origin + ": '" + name + "' needs " + countOf(static_cast<std::size_t>(take), "argument") +
                             ", " + std::to_string(rest.size()) + " given");
        }
        Command command;
        command.origin = origin;
        command.words.assign(words.begin() + static_cast<std::ptrdiff_t>(i),
                             words.begin() + static_cast<std::ptrdiff_t>(i) + 1 + take);
        commands.push_back(std::move(command));
        i += static_cast<std::size_t>(take) + 1;
    }
    return commands;
}

}  // namespace varnisk::cli

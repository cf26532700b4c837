#include "cli/Script.h"

#include <algorithm>
#include <map>

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

Arity arityOf(const std::string& command, const std::vector<std::string>& following) {
    static const std::map<std::string, Arity> table = {
        {"import", {0, 0}},    {"export", {0, 0}},       {"click", {1, 1}},   {"double-click", {1, 1}},
        {"type", {2, 2}},      {"paste", {2, 2}},        {"press", {4, 4}},   {"move", {2, 2}},
        {"release", {2, 2}},   {"arrow", {2, 2}},        {"choose", {2, 2}},  {"resize", {2, 2}},
        {"load", {1, 1}},      {"save-car", {1, 1}},     {"save-cam", {1, 1}}, {"dump", {0, 1}},
        {"restore", {0, 0}},   {"render", {1, 1}},       {"undo", {0, 0}},    {"redo", {0, 0}},
        {"changes", {0, 1}},   {"view", {0, 0}},
    };
    if (command == "answer") {
        if (following.empty()) return {1, 1};
        const std::string& kind = following[0];
        if (kind == "open") return {2, 2};
        if (kind == "save") return {3, 3};
        if (kind == "colour") return {2, 2};
        if (kind == "cancel") return {1, 1};
        return {1, 1};  // checked when the command is read
    }
    auto it = table.find(command);
    return it == table.end() ? Arity{-1, -1} : it->second;
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

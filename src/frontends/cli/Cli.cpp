#include "cli/Cli.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <sstream>
#include <string_view>
#include <utility>

#include "base/CodePage.h"
#include "base/Errors.h"
#include "cli/Dump.h"
#include "cli/HeadlessView.h"
#include "cli/Script.h"
#include "core/Editor.h"
#include "gamedata/Backup.h"
#include "preview/DataFolder.h"
#include "registry/Registry.h"
#include "ui/ConsoleUi.h"

namespace varnisk::cli {

namespace {

struct Options {
    std::string gameDir;
    bool hasGameDir = false;
    std::string startDir;
    std::string script;
    std::vector<std::string> commandWords;
    std::size_t firstCommandWord = 1;  // its place among the words written
    bool help = false;
    bool version = false;
};

Options parseOptions(const std::vector<std::string>& args) {
    Options o;
    std::size_t i = 0;
    auto value = [&](const std::string& option) -> std::string {
        if (i + 1 >= args.size()) throw UsageError(option + " needs a value");
        return args[++i];
    };
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--game-dir") {
            o.gameDir = value(a);
            o.hasGameDir = true;
        } else if (a == "--start-dir") {
            o.startDir = value(a);
        } else if (a == "--script") {
            o.script = value(a);
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a.rfind("--", 0) == 0) {
            throw UsageError("unknown option '" + a + "'");
        } else {
            break;
        }
    }
    o.commandWords.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    o.firstCommandWord = i + 1;
    return o;
}

long long parseWhole(const std::string& word, const std::string& what) {
    long long v = 0;
    const char* begin = word.data();
    const char* end = word.data() + word.size();
    std::from_chars_result r;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        r = std::from_chars(begin + 2, end, v, 16);
    } else {
        r = std::from_chars(begin, end, v);
    }
    if (r.ec != std::errc() || r.ptr != end) throw UsageError(what + " must be a whole number, not '" + word + "'");
    return v;
}

int parseInt32(const std::string& word, const std::string& what) {
    long long v = parseWhole(word, what);
    if (v < INT32_MIN || v > INT32_MAX) throw UsageError(what + " is out of range: " + word);
    return static_cast<int>(v);
}

// A script of thousands of commands is a few hundred kilobytes, and no
// command's line comes near the second limit: more is no script (a device
// that never ends, a file given by mistake), and reading stops there.
constexpr std::size_t kMaxScriptSize = std::size_t{16} << 20;
constexpr std::size_t kMaxScriptLine = std::size_t{64} << 10;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw UsageError("cannot read the script '" + path + "'");
    // Read in pieces up to the limit: a pipe gives its size only at its end.
    std::string text;
    char piece[1 << 16];
    while (in && text.size() <= kMaxScriptSize) {
        in.read(piece, sizeof piece);
        text.append(piece, static_cast<std::size_t>(in.gcount()));
    }
    if (text.size() > kMaxScriptSize) {
        throw UsageError("the script '" + path + "' is larger than " + std::to_string(kMaxScriptSize >> 20) +
                         " MB, far more than any script of commands: it was not run");
    }
    return text;
}

// std::getline, but a line longer than the limit is not read further: its
// first part is kept and `tooLong` set.
bool readLine(std::istream& in, std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    std::streambuf* buffer = in.rdbuf();
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return !line.empty();
        }
        if (c == '\n') return true;
        if (line.size() == kMaxScriptLine) {
            tooLong = true;
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
}

using Events = std::vector<std::function<void()>>;
using Args = std::vector<std::string>;

class Compiler;
struct CommandRow;

// The row of the command `name` with these arguments; nullptr when the
// command has several rows and the first argument names none of them.
const CommandRow* commandRow(std::string_view name, const Args& args);
// The first arguments that tell the rows of a command apart: "open, save,
// colour or cancel".
std::string firstArguments(std::string_view name);

// One command: how the usage writes it, its name and then its arguments
// (one in brackets may be left out; the commands of one name are told apart
// by their first argument), what the usage says of it after it, and what
// it turns into once the number of its arguments was checked.
struct CommandRow {
    const char* usage;
    const char* description;  // nullptr: nothing
    Events (Compiler::*compile)(const Args& args);
};

// Turns each command into the operation it runs, checking everything that
// can be checked before anything runs.
class Compiler {
public:
    Compiler(Editor& editor, ScriptedUi& ui, HeadlessView& view, std::ostream& out)
        : editor_(editor), ui_(ui), view_(view), out_(out) {}

    // Every command, in the order the usage lists them.
    static std::span<const CommandRow> commands() {
        static const CommandRow table[] = {
            {"import", nullptr, &Compiler::importAll},
            {"export", nullptr, &Compiler::exportAll},
            {"click NAME", nullptr, &Compiler::click},
            {"double-click NAME", nullptr, &Compiler::doubleClick},
            {"type NAME TEXT", nullptr, &Compiler::typeText},
            {"paste NAME TEXT", nullptr, &Compiler::paste},
            {"press NAME left|right|middle X Y", nullptr, &Compiler::press},
            {"move X Y", nullptr, &Compiler::mouseMove},
            {"release X Y", nullptr, &Compiler::mouseRelease},
            {"arrow NAME up|down", nullptr, &Compiler::arrow},
            {"choose NAME INDEX", nullptr, &Compiler::choose},
            {"resize W H", nullptr, &Compiler::resize},
            {"answer open PATH", nullptr, &Compiler::answerOpen},
            {"answer save PATH INDEX", nullptr, &Compiler::answerSave},
            {"answer colour VALUE", nullptr, &Compiler::answerColour},
            {"answer cancel", nullptr, &Compiler::answerCancel},
            {"load FILE", nullptr, &Compiler::load},
            {"save-car FILE", nullptr, &Compiler::saveCar},
            {"save-cam FILE", nullptr, &Compiler::saveCam},
            {"dump [FILE]", nullptr, &Compiler::dump},
            {"view", "opens the preview now, so that a camera chosen next is the one rendered", &Compiler::openView},
            {"render FILE", "draws one frame of the preview into a PNG image", &Compiler::render},
            {"restore", "puts the game files back as they were before the first export", &Compiler::restore},
            // What the usage says after redo is said of undo too.
            {"undo", nullptr, &Compiler::undo},
            {"redo", "take back the last edit, apply again the last one taken back", &Compiler::redo},
            {"changes [FILE]", "the values Export All would write, and those changed on disk, as JSON",
             &Compiler::changes},
        };
        return table;
    }

    // The events a command sends, each its own operation as the window
    // system sends them: an error in the click before a double click, or in
    // one typed key, does not keep the next event from coming.
    Events events(const Command& command) {
        const auto& w = command.words;
        const std::string& name = w.at(0);
        Args args(w.begin() + 1, w.end());
        Arity arity = arityOf(name, args);
        if (arity.min < 0) throw UsageError("unknown command '" + name + "'");
        if (static_cast<int>(args.size()) < arity.min || static_cast<int>(args.size()) > arity.max) {
            const std::string takes = arity.min == arity.max ? countOf(static_cast<std::size_t>(arity.min), "argument")
                                                             : std::to_string(arity.min) + " or " +
                                                                   countOf(static_cast<std::size_t>(arity.max), "argument");
            throw UsageError("'" + name + "' takes " + takes + ", " + std::to_string(args.size()) + " given");
        }
        const CommandRow* row = commandRow(name, args);
        if (row == nullptr) throw UsageError(name + " takes " + firstArguments(name) + ", not '" + args.at(0) + "'");
        return (this->*row->compile)(args);
    }

private:
    // The events of a command written here.
    Events command(std::vector<std::string> words) { return events(Command{std::move(words), {}}); }

    Events importAll(const Args&) { return clickMain("ImportButton"); }
    Events exportAll(const Args&) { return clickMain("ExportButton"); }
    Events clickMain(const char* name) {
        Control& button = editor_.main.get(name);
        return {[this, &button] { editor_.main.userClick(button); }};
    }
    Events restore(const Args&) {
        return {[this] { restoreGameFiles(editor_); }};
    }
    Events undo(const Args&) {
        return {[this] { editor_.undo(); }};
    }
    Events redo(const Args&) {
        return {[this] { editor_.redo(); }};
    }
    Events click(const Args& args) {
        Control& c = control(args[0]);
        Form& f = form(args[0]);
        return {[&f, &c] { f.userClick(c); }};
    }
    Events doubleClick(const Args& args) {
        Control& c = control(args[0]);
        Form& f = form(args[0]);
        return {[&f, &c] { f.userClick(c); }, [&f, &c] { f.userDoubleClick(c, false); }};
    }
    Events typeText(const Args& args) {
        Control& c = control(args[0], ControlKind::Edit, "a field");
        Form& f = form(args[0]);
        Events out;
        out.push_back([&f, &c] { f.userClick(c); });
        out.push_back([&f, &c] { f.userEdit(c, std::string()); });
        for (char typed : utf8ToCp1252(args[1])) out.push_back([&f, &c, typed] { f.userTypeKey(c, typed); });
        return out;
    }
    Events paste(const Args& args) {
        Control& c = control(args[0], ControlKind::Edit, "a field");
        Form& f = form(args[0]);
        std::string text = utf8ToCp1252(args[1]);
        return {[&f, &c, text] { f.userEdit(c, text); }};
    }
    Events press(const Args& args) {
        Control& c = control(args[0]);
        Form& f = form(args[0]);
        MouseButton button = mouseButton(args[1]);
        Point p{parseInt32(args[2], "X"), parseInt32(args[3], "Y")};
        return {[this, &f, &c, button, p] {
            ui_.setCursor(p);
            f.userPress(c, button);
        }};
    }
    Events mouseMove(const Args& args) { return mouseTo(args, false); }
    Events mouseRelease(const Args& args) { return mouseTo(args, true); }
    Events mouseTo(const Args& args, bool releasing) {
        Point p{parseInt32(args[0], "X"), parseInt32(args[1], "Y")};
        return {[this, p, releasing] {
            ui_.setCursor(p);
            for (Form* f : editor_.forms()) {
                if (f->mouseHolder() == nullptr) continue;
                if (releasing) f->userRelease();
                else f->userMove();
            }
        }};
    }
    Events arrow(const Args& args) {
        Control& c = control(args[0], ControlKind::UpDown, "an up-down selector");
        Form& f = form(args[0]);
        if (args[1] != "up" && args[1] != "down") throw UsageError("arrow takes up or down, not '" + args[1] + "'");
        bool up = args[1] == "up";
        return {[&f, &c, up] { f.userArrow(c, up); }};
    }
    Events choose(const Args& args) {
        Control& c = control(args[0], ControlKind::Choice, "a combo box or radio group");
        Form& f = form(args[0]);
        int index = parseInt32(args[1], "INDEX");
        if (index < -1 || index >= static_cast<int>(c.items.size())) {
            throw UsageError(args[0] + " has no item " + args[1]);
        }
        return {[&f, &c, index] { f.userChoose(c, index); }};
    }
    Events resize(const Args& args) {
        int width = parseInt32(args[0], "W"), height = parseInt32(args[1], "H");
        return {[this, width, height] { editor_.main.setSize(width, height); }};
    }
    Events answerOpen(const Args& args) { return answer(ScriptedUi::OpenAnswer{args[1]}); }
    Events answerSave(const Args& args) {
        int index = parseInt32(args[2], "INDEX");
        if (index < 1) throw UsageError("the filter INDEX counts from 1");
        return answer(ScriptedUi::SaveAnswer{args[1], index});
    }
    Events answerColour(const Args& args) {
        long long v = parseWhole(args[1], "VALUE");
        if (v < 0 || v > 0xFFFFFFFFLL) throw UsageError("the colour VALUE is out of range: " + args[1]);
        return answer(ScriptedUi::ColourAnswer{static_cast<std::uint32_t>(v)});
    }
    Events answerCancel(const Args&) { return answer(ScriptedUi::Cancel{}); }
    Events answer(const ScriptedUi::Answer& a) {
        return {[this, a] { ui_.queue(a); }};
    }
    // The data set commands are what a person does in the dialogs. An
    // answer for a dialog that never opened (the save stopped before it) is
    // not left for the next dialog.
    Events load(const Args& args) {
        auto [note, drop] = answersKept();
        return join({{note}, command({"answer", "open", args[0]}), command({"click", "LoadButton"}), {drop}});
    }
    Events saveCar(const Args& args) { return saveFile(args[0], "1"); }
    Events saveCam(const Args& args) { return saveFile(args[0], "2"); }
    Events saveFile(const std::string& file, const std::string& filter) {
        auto [note, drop] = answersKept();
        return join({command({"click", "SaveButton"}), {note}, command({"answer", "save", file, filter}),
                     command({"click", "TFormSave.LMDButton1"}), {drop}});
    }
    // Two operations: the first notes how many answers are queued, the
    // second drops those queued since.
    std::pair<std::function<void()>, std::function<void()>> answersKept() {
        auto queued = std::make_shared<std::size_t>(0);
        return {[this, queued] { *queued = ui_.queuedAnswers(); }, [this, queued] { ui_.keepAnswers(*queued); }};
    }
    static Events join(std::initializer_list<Events> parts) {
        Events out;
        for (const Events& part : parts) out.insert(out.end(), part.begin(), part.end());
        return out;
    }
    Events openView(const Args&) {
        return {[this] { view_.openNow(); }};
    }
    Events render(const Args& args) {
        std::string file = args[0];
        return {[this, file] { view_.render(file); }};
    }
    Events dump(const Args& args) {
        std::string file = args.empty() ? "" : args[0];
        return {[this, file] { write(dumpState(editor_, ui_, view_.scene()), file); }};
    }
    Events changes(const Args& args) {
        std::string file = args.empty() ? "" : args[0];
        return {[this, file] { write(dumpText(changesDocument(editor_)), file); }};
    }

    Control& control(const std::string& qualified) {
        Editor::Found found = editor_.findControl(qualified);
        if (found.control == nullptr) throw UsageError("unknown control '" + qualified + "'");
        return *found.control;
    }
    Control& control(const std::string& qualified, ControlKind kind, const char* what) {
        Control& c = control(qualified);
        if (c.kind != kind) throw UsageError(qualified + " is not " + std::string(what));
        return c;
    }
    Form& form(const std::string& qualified) { return *editor_.findControl(qualified).form; }

    static MouseButton mouseButton(const std::string& word) {
        if (word == "left") return MouseButton::Left;
        if (word == "right") return MouseButton::Right;
        if (word == "middle") return MouseButton::Middle;
        throw UsageError("the mouse button is left, right or middle, not '" + word + "'");
    }

    // Writes a JSON text to standard output, or to FILE.
    void write(const std::string& text, const std::string& file) {
        if (file.empty()) {
            out_ << text << std::flush;
            return;
        }
        std::ofstream f(file, std::ios::binary | std::ios::trunc);
        if (!f) throw FileError("Cannot create file \"" + file + "\". " + std::strerror(errno));
        f << text;
        f.close();
        if (!f) throw FileError("Cannot write file \"" + file + "\"");
    }

    Editor& editor_;
    ScriptedUi& ui_;
    HeadlessView& view_;
    std::ostream& out_;
};

// A command's usage split into words: its name, then its arguments.
std::vector<std::string_view> usageWords(const CommandRow& row) {
    std::vector<std::string_view> words;
    std::string_view rest = row.usage;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(' '), rest.size());
        words.push_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return words;
}

std::vector<const CommandRow*> rowsNamed(std::string_view name) {
    std::vector<const CommandRow*> rows;
    for (const CommandRow& row : Compiler::commands()) {
        if (usageWords(row).front() == name) rows.push_back(&row);
    }
    return rows;
}

const CommandRow* commandRow(std::string_view name, const Args& args) {
    const std::vector<const CommandRow*> rows = rowsNamed(name);
    if (rows.size() == 1) return rows.front();
    for (const CommandRow* row : rows) {
        if (!args.empty() && usageWords(*row).at(1) == args.front()) return row;
    }
    return nullptr;
}

std::string firstArguments(std::string_view name) {
    const std::vector<const CommandRow*> rows = rowsNamed(name);
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) out += i + 1 == rows.size() ? " or " : ", ";
        out += usageWords(*rows[i]).at(1);
    }
    return out;
}

// The usage: the options, then every command of the table with what the
// table says of it, in lines no wider than the widest line of the options;
// a command the usage says something of ends its line.
const std::string& usage() {
    static const std::string text = [] {
        constexpr std::size_t kWidth = 91;
        std::string out =
            "usage: varnisk-cli [--game-dir DIR] [--start-dir DIR] [--script FILE] [COMMAND ...]\n"
            "       varnisk-cli --help | --version\n"
            "--script - reads the commands from standard input and runs each line as soon as it arrives.\n";
        const std::span<const CommandRow> rows = Compiler::commands();
        std::string line = "commands:";
        bool ended = false;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            std::string item = rows[i].usage;
            if (rows[i].description != nullptr) item += std::string(" (") + rows[i].description + ")";
            if (i + 1 < rows.size()) item += ",";
            if (ended || line.size() + 1 + item.size() > kWidth) {
                out += line + "\n";
                line = "  " + item;
            } else {
                line += " " + item;
            }
            ended = rows[i].description != nullptr;
        }
        return out + line + "\n";
    }();
    return text;
}

}  // namespace

Arity arityOf(const std::string& command, const std::vector<std::string>& following) {
    if (rowsNamed(command).empty()) return {-1, -1};
    const CommandRow* row = commandRow(command, following);
    // Until its first argument says which of its rows it is, a command takes
    // that one argument; the rest is checked when it is compiled.
    if (row == nullptr) return {1, 1};
    Arity arity{0, 0};
    const std::vector<std::string_view> words = usageWords(*row);
    for (std::size_t i = 1; i < words.size(); ++i) {
        ++arity.max;
        if (words[i].front() != '[') ++arity.min;
    }
    return arity;
}

int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    Options options;
    std::vector<Command> commands;
    try {
        options = parseOptions(args);
        if (options.help) {
            out << usage();
            return kExitOk;
        }
        if (options.version) {
            out << "varnisk-cli " << VARNISK_VERSION << "\n";
            return kExitOk;
        }
        // A run without any command would do nothing: it is a usage error.
        if (options.script.empty() && options.commandWords.empty()) {
            err << usage();
            return kExitUsage;
        }
        if (!options.script.empty() && options.script != "-") commands = readScript(readFile(options.script), options.script);
        for (Command& c : groupArguments(options.commandWords, options.firstCommandWord)) commands.push_back(std::move(c));
    } catch (const UsageError& e) {
        err << "usage error: " << e.what() << "\n" << usage();
        return kExitUsage;
    }

    ConsoleUi ui(err);
    std::string startDir = options.startDir;
    if (startDir.empty()) {
        std::error_code ec;
        startDir = std::filesystem::current_path(ec).string();
    }
    std::unique_ptr<Registry> registry;
    if (options.hasGameDir) {
        registry = std::make_unique<MemoryRegistry>(options.gameDir);
    } else {
        registry = makeSystemRegistry();
    }
    Editor editor(ui, *registry, {startDir});

    HeadlessView view(editor, ownDataFolder(executableFolder()));
    Compiler compiler(editor, ui, view, out);
    auto compile = [&compiler, &err](const std::vector<Command>& list, std::vector<std::function<void()>>& operations) {
        for (const Command& command : list) {
            try {
                for (auto& event : compiler.events(command)) operations.push_back(std::move(event));
            } catch (const UsageError& e) {
                err << "usage error: " << command.origin << ": " << e.what() << "\n";
                return false;
            }
        }
        return true;
    };
    std::vector<std::function<void()>> operations;
    if (!compile(commands, operations)) return kExitUsage;

    // Once the view is open, the frame an event planned (every event that
    // asked for a repaint plans one) is drawn after it.
    auto runAll = [&](std::vector<std::function<void()>>& list) {
        for (const auto& operation : list) {
            if (editor.terminated()) break;
            editor.dispatch(operation);
            if (view.frameWaiting() && !editor.terminated()) view.drawFrame();
        }
    };
    if (options.script == "-") {
        // Each line runs as soon as it has been read, so that a program on
        // the other end can act between two commands.
        std::string line;
        int lineNumber = 0;
        bool tooLong = false;
        while (!editor.terminated() && readLine(in, line, tooLong)) {
            ++lineNumber;
            const std::string origin = "-:" + std::to_string(lineNumber);
            if (tooLong) {
                err << "usage error: " << origin << ": the line is longer than " << (kMaxScriptLine >> 10)
                    << " KB, far more than any command; the script stops here\n";
                return kExitUsage;
            }
            std::vector<Command> read;
            try {
                read = readScript(line, "-");
            } catch (const UsageError& e) {
                // readScript names the line as the first of its text.
                std::string what = e.what();
                if (what.rfind("-:1: ", 0) == 0) what.erase(0, 5);
                err << "usage error: " << origin << ": " << what << "\n";
                return kExitUsage;
            }
            for (Command& c : read) c.origin = origin;
            std::vector<std::function<void()>> now;
            if (!compile(read, now)) return kExitUsage;
            runAll(now);
            out.flush();
        }
    }
    runAll(operations);
    if (editor.terminated()) {
        if (editor.exitCode() == 0 && !editor.GameFound) {
            if (!options.hasGameDir) {
                err << "hint: give the game folder for one run with --game-dir DIR\n";
            } else {
                // The folder given is where the game was looked for: say what
                // is wrong with it.
                std::error_code ec;
                const bool folder = std::filesystem::is_directory(options.gameDir, ec);
                err << "hint: the folder given with --game-dir, " << options.gameDir
                    << (folder ? ", holds no GP4.exe\n" : ", does not exist\n");
            }
        }
        return kExitTerminated;
    }
    return ui.errors().empty() ? kExitOk : kExitErrors;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return run(args, std::cin, out, err);
}

}  // namespace varnisk::cli

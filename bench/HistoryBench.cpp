// Times the user's operations with the undo history recording against the
// same operations with it off (the baseline), in one go on one generated
// game, and reports the history's memory after a day's worth of steps.
//
//   varnisk-history-bench [--steps N]     (default 10000)
//
// The operations: a value typed into a field (one step each, the fields
// taking turns so that no keys merge), a field drag of 20 moves, "Default
// All" and "Import All". Then every step is undone and redone once.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "GameGenerator.h"
#include "core/Editor.h"
#include "registry/Registry.h"
#include "ui/ScriptedUi.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Run {
    varnisk::ScriptedUi ui;
    varnisk::MemoryRegistry registry;
    varnisk::Editor editor;
    Run(const fs::path& folder, bool recording)
        : registry(folder.string()), editor(ui, registry, {folder.string()}) {
        editor.history.setRecording(recording);
        click("ImportButton");
    }
    void click(const char* name) {
        varnisk::Form& f = editor.main;
        editor.dispatch([&] { f.userClick(f.get(name)); });
        check(name);
    }
    void check(const char* what) {
        if (ui.errors().empty()) return;
        std::fprintf(stderr, "%s failed: %s\n", what, ui.errors().back().c_str());
        std::exit(1);
    }
};

// Microseconds per call of `op`, run `count` times.
double perCall(int count, const std::function<void(int)>& op) {
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) op(i);
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
}

}  // namespace

int main(int argc, char** argv) {
    int steps = 10000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--steps" && i + 1 < argc) {
            steps = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: varnisk-history-bench [--steps N]\n");
            return 2;
        }
    }
    const fs::path folder = fs::temp_directory_path() / "varnisk-history-bench-game";
    fs::remove_all(folder);
    varnisk::gamegen::writeGame(folder, varnisk::gamegen::GameSpec{});

    Run on(folder, true), off(folder, false);
    const char* fields[] = {"LMDEdit12", "LMDHP3", "LMDEdit105", "LMDTP4", "LMDSlot2", "LMDEW7"};

    auto typed = [&](Run& r) {
        return perCall(steps, [&](int i) {
            varnisk::Form& f = r.editor.main;
            varnisk::Control& c = f.get(fields[i % 6]);
            const std::string value = std::to_string(1000 + i % 97);
            r.editor.dispatch([&] { f.userEdit(c, value); });
        });
    };
    auto dragged = [&](Run& r) {
        return perCall(200, [&](int i) {
            varnisk::Form& f = r.editor.main;
            r.ui.setCursor({0, 0});
            r.editor.dispatch([&] { f.userPress(f.get("LMDEdit22"), varnisk::MouseButton::Left); });
            for (int m = 1; m <= 20; ++m) {
                r.ui.setCursor({(i % 2 == 0 ? 1 : -1) * m, 0});
                r.editor.dispatch([&] { f.userMove(); });
            }
            r.editor.dispatch([&] { f.userRelease(); });
        });
    };
    auto defaults = [&](Run& r) {
        return perCall(200, [&](int i) {
            if (i % 2 == 0) r.click("DefaultCockpitButton");
            else r.editor.dispatch([&] { r.editor.main.userEdit(r.editor.main.get("LMDEdit12"), "7"); });
        });
    };
    auto imports = [&](Run& r) { return perCall(50, [&](int) { r.click("ImportButton"); }); };

    std::printf("operation                 history on   off (baseline)   per operation, microseconds\n");
    auto row = [](const char* what, double a, double b) {
        std::printf("%-24s %11.1f %16.1f   (+%.1f)\n", what, a, b, a - b);
    };
    // One go: each operation with the history on, then off, before the next.
    const double typedOn = typed(on), typedOff = typed(off);
    const std::size_t afterTyping = on.editor.history.memoryBytes();
    const std::size_t typingSteps = on.editor.history.undoNames().size() - 1;
    row("a value typed", typedOn, typedOff);
    row("a drag of 20 moves", dragged(on), dragged(off));
    row("Default All or a value", defaults(on), defaults(off));
    row("Import All", imports(on), imports(off));

    const std::size_t total = on.editor.history.undoNames().size();
    const double undo = perCall(static_cast<int>(total), [&](int) { on.editor.dispatch([&] { on.editor.undo(); }); });
    const double redo = perCall(static_cast<int>(total), [&](int) { on.editor.dispatch([&] { on.editor.redo(); }); });
    std::printf("undo %.1f us, redo %.1f us a step, over %zu steps\n", undo, redo, total);
    std::printf("history after %zu typed steps: %zu bytes (%.0f a step); after all %zu steps: %zu bytes\n",
                typingSteps, afterTyping, static_cast<double>(afterTyping) / static_cast<double>(typingSteps), total,
                on.editor.history.memoryBytes());
    fs::remove_all(folder);
    return 0;
}

// Times Import All and Export All on a full-size synthetic installation
// (GP4.exe of 2.7 MB, an archive whose directory holds 5000 entries with the
// collision entry last) against the baseline of reading the three files once
// from start to end. Everything runs in one go on warm files. Before timing,
// one import and one export run, so the backups of the first export exist.
//
//   varnisk-bench [--iterations N] [--folder DIR]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "GameGenerator.h"
#include "core/Editor.h"
#include "platform/GameFiles.h"
#include "platform/Registry.h"
#include "platform/ScriptedUi.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The median time of one run, in microseconds.
double median(int iterations, const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < iterations; ++i) {
        auto start = Clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::uint64_t readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 16);
    std::uint64_t total = 0;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        total += static_cast<std::uint64_t>(in.gcount());
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    int iterations = 50;
    fs::path folder = fs::temp_directory_path() / "varnisk-bench-game";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--iterations" && i + 1 < argc) {
            iterations = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--folder" && i + 1 < argc) {
            folder = argv[++i];
        } else {
            std::fprintf(stderr, "usage: varnisk-bench [--iterations N] [--folder DIR]\n");
            return 2;
        }
    }

    varnisk::gamegen::GameSpec spec;
    spec.exeSize = 2700 * 1024;
    spec.archiveEntries = 5000;
    spec.collisionIndex = -1;  // the last entry: the whole directory is scanned
    fs::remove_all(folder);
    varnisk::gamegen::writeGame(folder, spec);
    const fs::path exe = folder / spec.exeName, wad = folder / spec.archiveName, sav = folder / spec.savedStateName;

    varnisk::ScriptedUi ui;
    varnisk::MemoryRegistry registry(folder.string());
    varnisk::Editor editor(ui, registry, {folder.string()});
    varnisk::Form& f = editor.main;
    auto click = [&](const char* button) {
        editor.dispatch([&] { f.userClick(f.get(button)); });
        if (!ui.errors().empty()) {
            std::fprintf(stderr, "%s failed: %s\n", button, ui.errors().back().c_str());
            std::exit(1);
        }
    };
    // The first export keeps the backups; later ones only patch.
    click("ImportButton");
    click("ExportButton");

    std::uint64_t bytes = 0;
    const double baseline = median(iterations, [&] { bytes = readWhole(exe) + readWhole(wad) + readWhole(sav); });
    const double import = median(iterations, [&] { click("ImportButton"); });
    const double exportAll = median(iterations, [&] { click("ExportButton"); });
    // An export that has something to write: a camera value and a tyre brand
    // (which brings the saved state's checksum) change every time.
    int round = 0;
    const double exportEdited = median(iterations, [&] {
        ++round;
        editor.dispatch([&] {
            f.userEdit(f.get("LMDEdit105"), std::to_string(round % 2 ? 7 : 8));
            f.userArrow(f.get("UpDown1"), round % 2 == 1);
        });
        click("ExportButton");
    });

    std::printf("files: GP4.exe %ju bytes, cars.wad %ju bytes (%d entries), f1gstate.sav %ju bytes\n",
                static_cast<std::uintmax_t>(fs::file_size(exe)), static_cast<std::uintmax_t>(fs::file_size(wad)),
                spec.archiveEntries, static_cast<std::uintmax_t>(fs::file_size(sav)));
    std::printf("median of %d runs\n", iterations);
    std::printf("  read all three files once: %9.1f us  (%ju bytes)\n", baseline, static_cast<std::uintmax_t>(bytes));
    std::printf("  Import All:                %9.1f us  (%.3f of one full read)\n", import, import / baseline);
    std::printf("  Export All, nothing edited: %8.1f us  (%.3f of one full read)\n", exportAll, exportAll / baseline);
    std::printf("  Export All, two edits:     %9.1f us  (%.3f of one full read)\n", exportEdited, exportEdited / baseline);
    fs::remove_all(folder);
    return 0;
}

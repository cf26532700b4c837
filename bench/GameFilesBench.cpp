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
#include "ReadWhole.h"
#include "core/Editor.h"
#include "files/GameFiles.h"
#include "registry/Registry.h"
#include "ui/ScriptedUi.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using varnisk::bench::readWhole;

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
    int round = 0;
    // The runs take turns, so that whatever else the machine does weighs on
    // all of them alike; each line reports the median of its runs.
    struct Run {
        const char* what;
        std::function<void()> once;
        std::vector<double> times;
    };
    std::vector<Run> runs = {
        {"read all three files once", [&] { bytes = readWhole(exe) + readWhole(wad) + readWhole(sav); }, {}},
        // The first import of an archive reads its whole directory; later
        // ones find the collision entry kept from the last read while the
        // archive is unchanged.
        {"Import All, new archive", [&] {
             editor.collisionLookup = {};
             click("ImportButton");
         }, {}},
        {"Import All, again", [&] { click("ImportButton"); }, {}},
        {"Export All, nothing edited", [&] { click("ExportButton"); }, {}},
        // An export with something to write: a camera value and a tyre brand
        // (which brings the saved state's checksum) change every time.
        {"Export All, two edits", [&] {
             ++round;
             editor.dispatch([&] {
                 f.userEdit(f.get("LMDEdit105"), std::to_string(round % 2 ? 7 : 8));
                 f.userArrow(f.get("UpDown1"), round % 2 == 1);
             });
             click("ExportButton");
         }, {}},
    };
    for (int i = 0; i < iterations; ++i) {
        for (Run& r : runs) {
            auto start = Clock::now();
            r.once();
            r.times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
    }
    auto medianOf = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double baseline = medianOf(runs[0].times);

    std::printf("files: GP4.exe %ju bytes, cars.wad %ju bytes (%d entries), f1gstate.sav %ju bytes\n",
                static_cast<std::uintmax_t>(fs::file_size(exe)), static_cast<std::uintmax_t>(fs::file_size(wad)),
                spec.archiveEntries, static_cast<std::uintmax_t>(fs::file_size(sav)));
    std::printf("median of %d runs of each, taking turns\n", iterations);
    std::printf("  %-28s %9.1f us  (%ju bytes)\n", runs[0].what, baseline, static_cast<std::uintmax_t>(bytes));
    for (std::size_t i = 1; i < runs.size(); ++i) {
        const double t = medianOf(runs[i].times);
        std::printf("  %-28s %9.1f us  (%.3f of one full read)\n", runs[i].what, t, t / baseline);
    }
    fs::remove_all(folder);
    return 0;
}

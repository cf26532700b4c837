// Times what keeping the sheet's changes costs and saves, each against a
// baseline in the same run, on a full-size synthetic installation (GP4.exe of
// 2.7 MB, an archive whose directory holds 5000 entries):
//
//  - a key typed into a field with the markers of changed values kept,
//    against an editor whose form tells nobody of its changes (no markers);
//  - Export All of one edited camera value, against the export that writes
//    every value (compared with the disk first, as without following);
//  - the check for values another program changed on disk, with every
//    camera value edited and with one, against reading the three files
//    once from start to end.
//
// Every editor imports the game before timing; the exporting ones write into
// their own copies of it and export once first, so the backups exist. The
// runs take turns, so that whatever else the machine does weighs on all of
// them alike; each line reports the median of its runs. An export mostly
// waits for its files to reach the disk, so its processor time is reported
// beside. At the end both exported copies must read back as the same sheet.
//
//   varnisk-changes-bench [--iterations N]     (default 40)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "GameGenerator.h"
#include "ReadWhole.h"
#include "core/Editor.h"
#include "gamedata/GameValues.h"
#include "gamedata/PendingChanges.h"
#include "registry/Registry.h"
#include "ui/ScriptedUi.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using varnisk::bench::readWhole;

[[noreturn]] void fail(const std::string& text) {
    std::fprintf(stderr, "varnisk-changes-bench: %s\n", text.c_str());
    std::exit(1);
}

// One editor on one game folder, imported.
struct Session {
    varnisk::ScriptedUi ui;
    varnisk::MemoryRegistry registry;
    varnisk::Editor editor;
    explicit Session(const fs::path& folder) : registry(folder.string()), editor(ui, registry, {folder.string()}) {}
    varnisk::Form& form() { return editor.main; }
    void check(const std::string& what) {
        if (!ui.errors().empty()) fail(what + " failed: " + ui.errors().back());
    }
    void click(const char* button) {
        editor.dispatch([&] { form().userClick(form().get(button)); });
        check(button);
    }
    void edit(const std::string& control, const std::string& text) {
        editor.dispatch([&] { form().userEdit(form().get(control), text); });
        check("editing " + control);
        if (form().get(control).text != text) fail(control + " did not take " + text);
    }
};

double medianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int iterations = 40;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--iterations" && i + 1 < argc) {
            iterations = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: varnisk-changes-bench [--iterations N]\n");
            return 2;
        }
    }

    varnisk::gamegen::GameSpec spec;
    spec.exeSize = 2700 * 1024;
    spec.archiveEntries = 5000;
    spec.collisionIndex = -1;
    const fs::path root = fs::temp_directory_path() / "varnisk-changes-bench";
    fs::remove_all(root);
    // One copy each for the two exporting editors, one that is only read.
    const fs::path following = root / "following", everything = root / "everything", readOnly = root / "read";
    varnisk::gamegen::writeGame(readOnly, spec);
    fs::copy(readOnly, following, fs::copy_options::recursive);
    fs::copy(readOnly, everything, fs::copy_options::recursive);
    const fs::path exe = readOnly / spec.exeName, wad = readOnly / spec.archiveName, sav = readOnly / spec.savedStateName;

    // --- a typed key, with markers and without
    auto marked = std::make_unique<Session>(readOnly);
    auto unmarked = std::make_unique<Session>(readOnly);
    unmarked->editor.main.onWatchedChange = nullptr;
    marked->click("ImportButton");
    unmarked->click("ImportButton");
    const char* fields[] = {"LMDEdit12", "LMDEdit105", "LMDHP3", "LMDEW7", "LMDTC2", "LMDEdit43"};
    constexpr int kKeysARun = 200;  // a digit and a backspace, the fields taking turns
    auto typeKeys = [&](Session& s) {
        varnisk::Form& f = s.form();
        for (int k = 0; k < kKeysARun / 2; ++k) {
            varnisk::Control& c = f.get(fields[k % std::size(fields)]);
            const std::string before = c.text;
            s.editor.dispatch([&] { f.userTypeKey(c, static_cast<char>('1' + k % 9)); });
            if (c.text.size() != before.size() + 1) fail(std::string(c.name) + " did not take the typed digit");
            s.editor.dispatch([&] { f.userTypeKey(c, '\b'); });
            if (c.text != before) fail(std::string(c.name) + " did not take the backspace");
        }
        s.check("typing");
    };
    // A digit marks its field and the backspace takes the mark away again;
    // without markers nothing is counted.
    for (Session* s : {marked.get(), unmarked.get()}) {
        varnisk::Form& f = s->form();
        varnisk::Control& c = f.get(fields[0]);
        s->editor.dispatch([&] { f.userTypeKey(c, '5'); });
        const std::size_t counted = s->editor.pending.count();
        s->editor.dispatch([&] { f.userTypeKey(c, '\b'); });
        if (counted != (s == marked.get() ? 1u : 0u) || s->editor.pending.count() != 0) {
            fail("a typed digit was counted " + std::to_string(counted) + " times");
        }
    }

    // --- Export All of one edit: following (the default) and every value
    Session a(following), b(everything);
    b.editor.pending.setFollowing(false);
    for (Session* s : {&a, &b}) {
        s->click("ImportButton");
        s->click("ExportButton");  // the backups; later exports only patch
    }
    int round = 0;
    auto exportOne = [&](Session& s) {
        s.edit("LMDEdit105", std::to_string(round % 2 ? 7 : 8));
        s.click("ExportButton");
    };

    // --- the check of the files on disk: every camera value edited, and one
    Session many(readOnly), one(readOnly);
    many.click("ImportButton");
    one.click("ImportButton");
    std::size_t cameraValues = 0;
    for (const varnisk::GameValue& v : varnisk::gameValues()) {
        if (v.codec != varnisk::ValueCodec::CameraPosition && v.codec != varnisk::ValueCodec::CameraAngle &&
            v.codec != varnisk::ValueCodec::CameraDetail) {
            continue;
        }
        const std::string now = many.form().get(v.control).text;
        many.edit(v.control, now == "1" ? "2" : "1");
        ++cameraValues;
    }
    one.edit("LMDEdit105", one.form().get("LMDEdit105").text == "1" ? "2" : "1");
    const std::size_t manyRows = many.editor.pending.changes().size(), oneRows = one.editor.pending.changes().size();
    const std::size_t everyRows = b.editor.pending.changes().size();
    if (manyRows != cameraValues || oneRows != 1) {
        fail("the sheet lists " + std::to_string(manyRows) + " and " + std::to_string(oneRows) + " changes, not " +
             std::to_string(cameraValues) + " and 1");
    }
    std::size_t found = 0;
    auto diskCheck = [&found](Session& s) { found += s.editor.pending.changedOnDisk().size(); };
    std::uint64_t bytes = 0;

    struct Run {
        const char* what;
        std::function<void()> once;
        std::vector<double> times;
        std::vector<double> cpu;  // the processor time of the same runs
    };
    std::vector<Run> runs = {
        {"typed keys, markers", [&] { typeKeys(*marked); }, {}, {}},
        {"typed keys, no markers", [&] { typeKeys(*unmarked); }, {}, {}},
        {"Export All, following", [&] { exportOne(a); }, {}, {}},
        {"Export All, every value", [&] {
             exportOne(b);
             ++round;
         }, {}, {}},
        {"read all three files once", [&] { bytes = readWhole(exe) + readWhole(wad) + readWhole(sav); }, {}, {}},
        {"on-disk check, cameras", [&] { diskCheck(many); }, {}, {}},
        {"on-disk check, one value", [&] { diskCheck(one); }, {}, {}},
        {"on-disk check, every value", [&] { diskCheck(b); }, {}, {}},
    };
    for (int i = 0; i < iterations; ++i) {
        for (Run& r : runs) {
            const std::clock_t cpuStart = std::clock();
            const auto start = Clock::now();
            r.once();
            r.times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            r.cpu.push_back(1e6 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
        }
    }
    if (found != 0) fail("the on-disk check found " + std::to_string(found) + " values another program changed");
    // Both exports leave files that read back as the same sheet. (Not the
    // same bytes: writing every value also rewrites the names in the sheet's
    // letter case and the brand codes as the selectors store them.)
    {
        Session readA(following), readB(everything);
        readA.click("ImportButton");
        readB.click("ImportButton");
        for (const varnisk::GameValue& v : varnisk::gameValues()) {
            const std::string x = varnisk::controlValue(readA.form().get(v.control));
            const std::string y = varnisk::controlValue(readB.form().get(v.control));
            if (x != y) fail("the two exports read back differently: " + v.control + " " + x + " and " + y);
        }
        if (readA.form().get("LMDEdit105").text != std::to_string(round % 2 ? 8 : 7)) {
            fail("the last export did not write LMDEdit105");
        }
    }

    std::vector<double> t;
    for (const Run& r : runs) t.push_back(medianOf(r.times));
    std::printf("files: GP4.exe %ju bytes, cars.wad %ju bytes (%d entries), f1gstate.sav %ju bytes\n",
                static_cast<std::uintmax_t>(fs::file_size(exe)), static_cast<std::uintmax_t>(fs::file_size(wad)),
                spec.archiveEntries, static_cast<std::uintmax_t>(fs::file_size(sav)));
    std::printf("median of %d runs of each, taking turns\n", iterations);
    std::printf("a typed key (runs of %d, digits and backspaces into %zu fields)\n", kKeysARun, std::size(fields));
    std::printf("  %-34s %9.2f us a key\n", "markers kept", t[0] / kKeysARun);
    std::printf("  %-34s %9.2f us a key\n", "no markers (baseline)", t[1] / kKeysARun);
    std::printf("  %-34s %9.3f\n", "ratio", t[0] / t[1]);
    // An export waits for the files to reach the disk; the processor time
    // beside it is the export's own work.
    const double cpuA = medianOf(runs[2].cpu), cpuB = medianOf(runs[3].cpu);
    std::printf("Export All of one edited camera value              (processor time)\n");
    std::printf("  %-34s %9.1f us  %9.1f us\n", "changed values only", t[2], cpuA);
    std::printf("  %-34s %9.1f us  %9.1f us\n", "every value (baseline)", t[3], cpuB);
    std::printf("  %-34s %9.3f     %9.3f\n", "ratio", t[2] / t[3], cpuA / cpuB);
    std::printf("values another program changed on disk\n");
    std::printf("  %-34s %9.1f us  (%ju bytes)\n", "read all three files (baseline)", t[4],
                static_cast<std::uintmax_t>(bytes));
    const std::string cameras = "check, " + std::to_string(manyRows) + " camera values";
    const std::string every = "check, every value (" + std::to_string(everyRows) + ")";
    std::printf("  %-34s %9.1f us  (%.3f of one full read)\n", cameras.c_str(), t[5], t[5] / t[4]);
    std::printf("  %-34s %9.1f us  (%.3f of one full read)\n", "check, one value", t[6], t[6] / t[4]);
    std::printf("  %-34s %9.1f us  (%.3f of one full read)\n", every.c_str(), t[7], t[7] / t[4]);
    marked.reset();
    unmarked.reset();
    fs::remove_all(root);
    return 0;
}

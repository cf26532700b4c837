// varnisk-fuzz-seeds: writes the fuzzers' first inputs into OUT/<target>/,
// cut from what the game generator and the texture generator write and
// from the program's own encoders, so that each fuzzer starts from files
// as the program meets them. tools/fuzz.sh runs it before the fuzzers.

#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "CarDesigns.h"
#include "FuzzTargets.h"
#include "GameGenerator.h"
#include "ShapeWriter.h"
#include "TextureImages.h"
#include "archive/Archive.h"
#include "base/Bytes.h"
#include "files/Journal.h"
#include "game/ExeLayout.h"
#include "game/SavedState.h"
#include "gamedata/Backup.h"
#include "registry/StoreRegistry.h"
#include "valuesets/DataSetFormats.h"

namespace {

namespace fs = std::filesystem;
namespace gg = varnisk::gamegen;
namespace tg = varnisk::texgen;
using Bytes = std::vector<std::uint8_t>;

fs::path out;

void put(std::string_view target, const std::string& name, std::span<const std::uint8_t> bytes) {
    const fs::path folder = out / target;
    fs::create_directories(folder);
    std::ofstream file(folder / name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + (folder / name).string());
}

void put(std::string_view target, const std::string& name, std::string_view text) {
    put(target, name, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

Bytes slice(const Bytes& b, std::uint64_t at, std::uint64_t size) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + size));
}

// The values of a generated GP4.exe as the program reads them.
varnisk::GameData readValues(const Bytes& exe) {
    using namespace varnisk;
    GameData g;
    g.version = exe[kVersionOffset];
    const ExeLayout& l = exeLayout(g.version);
    const std::span<const std::uint8_t> b(exe);
    decodeCockpit(b.subspan(l.cockpit, kCockpitSpan), g);
    g.rims[4] = bytes::u32(b, l.rim4);
    decodeRimPairs(b.subspan(l.rims, kRimPairsSize), g);
    decodePairTable(b.subspan(l.helmets, kPairTableSize), g.helmets);
    decodePairTable(b.subspan(l.extWheel, kPairTableSize), g.extWheel);
    decodeTcam(b.subspan(l.tcam, kTcamSize), g);
    decodeArms(b.subspan(l.arms, kArmsSize), g);
    decodeCameras(b.subspan(l.cameras(), kCamerasSize), g);
    g.chase = {bytes::i16(b, l.chase), bytes::i16(b, l.chase + kSecondChaseOffset)};
    for (std::size_t t = 0; t < 11; ++t) g.names[t] = decodeTeamName(b.subspan(l.names + t * kNameSize, kNameSize));
    return g;
}

void exeSeeds() {
    for (int version : {0, 70, 102, 5}) {
        gg::GameSpec spec;
        spec.versionByte = version;
        const Bytes exe = gg::buildExe(spec);
        const Bytes packed = varnisk::fuzz::packExeBlocks(exe);
        put("exe", "version-" + std::to_string(version), packed);
        put("exe", "version-" + std::to_string(version) + "-cut", std::span(packed).first(packed.size() / 3));
    }
    // A team name with letters of the code page's upper half (their lower
    // case differs in more than one bit), and a brand string as the field
    // behind the blocks.
    gg::GameSpec spec;
    spec.values.names[3] = "DÉLTA À";
    Bytes packed = varnisk::fuzz::packExeBlocks(gg::buildExe(spec));
    const Bytes brand = varnisk::encodeBrandString(1);
    packed.insert(packed.end(), brand.begin(), brand.end());
    put("exe", "version-102-upper-half-and-brand", packed);
}

void savedStateSeeds() {
    for (std::uint64_t size : {std::uint64_t{0}, std::uint64_t{96932 + 44 + 4}, std::uint64_t{64}, std::uint64_t{5}}) {
        gg::GameSpec spec;
        if (size != 0) spec.savedStateSize = size;
        put("savedstate", "size-" + std::to_string(size == 0 ? gg::kDefaultSavedStateSize : size), gg::buildSavedState(spec));
    }
}

void archiveSeeds() {
    struct Case {
        std::string name;
        int entries;
        int collision;
    };
    for (const Case& c : {Case{"three-entries", 3, 1}, Case{"no-collision-entry", 4, -2}, Case{"one-entry", 1, -1},
                          Case{"empty", 0, -1}}) {
        gg::GameSpec spec;
        spec.archiveEntries = c.entries;
        spec.collisionIndex = c.collision;
        spec.withCarShapes = false;
        put("archive", c.name, gg::buildArchive(spec));
    }
    // An archive cut short, as an interrupted copy leaves it: inside its
    // directory, and behind the directory but before the collision entry's
    // tyre records.
    {
        gg::GameSpec spec;
        spec.withCarShapes = false;
        const Bytes wad = gg::buildArchive(spec);
        const std::uint64_t directoryEnd =
            varnisk::kDirectoryStart + std::uint64_t(spec.archiveEntries) * varnisk::kDirectoryEntrySize;
        put("archive", "cut-in-directory", std::span(wad).first(directoryEnd - varnisk::kDirectoryEntrySize / 2));
        put("archive", "cut-before-tyre-records",
            std::span(wad).first(gg::collisionEntryOffset(spec) + gg::kTyreRecordOffsets[0] + 4));
    }
    // The range backup of the tyre records an export patches.
    gg::GameSpec spec;
    const Bytes wad = gg::buildArchive(spec);
    std::vector<varnisk::Patch> ranges;
    for (std::uint64_t at : gg::kTyreRecordOffsets) {
        const std::uint64_t offset = gg::collisionEntryOffset(spec) + at;
        ranges.push_back({offset, slice(wad, offset, 12)});
    }
    put("backup", "tyre-records", varnisk::encodeRangeBackup(wad.size(), ranges));
    put("backup", "no-ranges", varnisk::encodeRangeBackup(wad.size(), {}));
}

gg::ShapeModel smallModel() {
    gg::ShapeModel m;
    m.name = "seed";
    m.materials = {"paint", "glass"};
    m.partNames = {"body"};
    m.textures = {"car.tga", "wheel.tga"};
    m.nodeNames = {"root", "wheel"};
    for (std::int32_t kind : {23, 39, 0}) {
        gg::ShapeObject o;
        o.groupKind = kind;
        o.extraUnits = kind == 39 ? 1 : 0;
        for (int v = 0; v < 4; ++v) {
            const float x = static_cast<float>(v);
            o.vertices.push_back({{x, 1 - x, 0.5f * x}, {0, 1, 0}, {x / 4, 1 - x / 4}});
        }
        o.faces = {{0, 1, 2}, {2, 3, 0}};
        o.groups = {{0, 1, 0}, {1, 1, 1}};
        o.indexLists = {{0, 1, 2, 3}};
        m.objects.push_back(o);
    }
    return m;
}

void shapeSeeds() {
    const gg::ShapeModel m = smallModel();
    for (int version : {3, 4, 5, 7}) put("shape", "small-v" + std::to_string(version), gg::encodeShape(m, version));
    // An entry cut short: a count then names more records than are left.
    const Bytes small = gg::encodeShape(m, 4);
    put("shape", "small-v4-cut", std::span(small).first(small.size() * 2 / 3));
    // Damaged entries the decoder refuses: a triangle naming a vertex the
    // object lacks, and a group running past the object's triangles.
    gg::ShapeModel badVertex = m;
    badVertex.objects[1].faces[1][2] = 4;
    put("shape", "bad-vertex", gg::encodeShape(badVertex, 4));
    gg::ShapeModel longGroup = m;
    longGroup.objects[0].groups[1].faceCount = 2;
    put("shape", "group-past-triangles", gg::encodeShape(longGroup, 4));
    put("shape", "dashboard", gg::encodeShape(gg::dashboardShape(), 4));
    // The car shapes of a generated archive, as its entries hold them.
    gg::GameSpec spec;
    const Bytes wad = gg::buildArchive(spec);
    for (const gg::CarShapeEntry& e : gg::carShapeEntries(spec)) {
        if (e.team < 0 || e.team > 2) continue;
        put("shape", "team-" + std::to_string(e.team), slice(wad, e.offset, e.size));
    }
}

void imageSeeds() {
    for (const tg::ShippedTexture& t : tg::shippedTextures()) {
        // A corner of each, small enough for many runs a second.
        tg::Image corner;
        corner.channels = t.image.channels;
        corner.width = std::min(t.image.width, 6);
        corner.height = std::min(t.image.height, 5);
        for (int y = 0; y < corner.height; ++y) {
            const auto row = t.image.pixels.begin() + static_cast<std::ptrdiff_t>(y * t.image.width * t.image.channels);
            corner.pixels.insert(corner.pixels.end(), row, row + corner.width * corner.channels);
        }
        const std::string stem = t.name.substr(0, t.name.find('.'));
        put("image", stem + ".tga", tg::writeTga(corner, tg::TgaEncoding::Uncompressed, "id"));
        put("image", stem + "-rle.tga", tg::writeTga(corner, tg::TgaEncoding::RunLength));
        if (corner.channels == 3) put("image", stem + ".bmp", tg::writeBmp(corner));
    }
}

void dataSetSeeds() {
    using namespace varnisk;
    gg::GameSpec spec;
    const Bytes exe = gg::buildExe(spec);
    GameData g = readValues(exe);
    for (std::size_t j = 0; j < 4; ++j) g.tyres[j] = spec.values.tyres[j];
    const std::array<int, 11> brands{0, 2, 1, 1, 0, 0, 0, 0, 1, 1, 1};

    const SaveMasks all{0x0FFF, 0x07FF, 0x07FF, 0x07FF, 0x07FF, 0x07FF, 0x07FF, 0x000F, 0x07FF};
    const SaveMasks some{0x0805, 0x0003, 0x0400, 0x0001, 0x0010, 0x0100, 0x0002, 0x0005, 0x0007};
    const Bytes carAll = encodeCarData(all, g, brands);
    put("datasets", "car-all", carAll);
    // A file whose saving stopped part way: cut inside the header and inside
    // each member of a version 4 file with every mask full, in file order.
    {
        const std::size_t members[] = {
            12 * kCameraRecordSize,  // cameras
            4,                       // chase
            11 * 4,                  // T-cam
            11 * 8,                  // helmets
            11 * 8,                  // external wheels
            11 * 4,                  // arms
            11 * 4,                  // rims
            11 * 4,                  // brands
            48,                      // tyres
            12,                      // dashboard
            12,                      // steering wheel
            11 * kNameSize,          // names
        };
        std::size_t end = kCarDataHeaderSize;
        put("datasets", "car-all-cut-" + std::to_string(end - 1), std::span(carAll).first(end - 1));
        for (std::size_t size : members) {
            end += size;
            put("datasets", "car-all-cut-" + std::to_string(end - 2), std::span(carAll).first(end - 2));
        }
    }
    // A header naming members no version has.
    Bytes damaged = carAll;
    damaged[14] |= 0x10;  // the global mask
    put("datasets", "car-damaged-header", damaged);
    put("datasets", "car-some", encodeCarData(some, g, brands));
    // Version 3: the same without the last two masks and their sections.
    SaveMasks v3 = some;
    v3.extWheelMask = 0;
    v3.nameMask = 0;
    Bytes car3 = encodeCarData(v3, g, brands);
    car3.erase(car3.begin() + 16, car3.begin() + 20);
    car3[0] = 3;
    put("datasets", "car-v3", car3);
    // The headerless form, with and without the cockpit blocks.
    Bytes headerless;
    for (const auto& r : g.cameras) {
        for (std::int16_t v : r) bytes::addI16(headerless, v);
    }
    for (std::int16_t v : g.chase) bytes::addI16(headerless, v);
    for (const auto& p : g.tcam) {
        bytes::addI16(headerless, p[0]);
        bytes::addI16(headerless, p[1]);
    }
    for (const auto& p : g.helmets) {
        bytes::addF32(headerless, p[0]);
        bytes::addF32(headerless, p[1]);
    }
    for (std::uint32_t c : g.arms) bytes::addU32(headerless, c);
    for (std::uint32_t c : g.rims) bytes::addU32(headerless, c);
    for (const auto& r : g.tyres) {
        for (float v : r) bytes::addF32(headerless, v);
    }
    for (int b : brands) bytes::addU32(headerless, b == 0 ? kBridgestoneCode : kMichelinCode);
    put("datasets", "car-headerless", headerless);
    put("datasets", "car-headerless-cut", std::span(headerless).first(headerless.size() - 30));
    for (float v : g.cockpit) bytes::addF32(headerless, v);
    put("datasets", "car-headerless-cockpit", headerless);

    const Bytes cameras = encodeCameraSet(g.cameras, g.chase);
    put("datasets", "cam-whole", cameras);
    put("datasets", "cam-224", std::span(cameras).first(224));
    put("datasets", "cam-204", std::span(cameras).subspan(20, 204));
    put("datasets", "cam-200", std::span(cameras).subspan(20, 200));  // cameras 1 to 10, no chase
    put("datasets", "cam-cut", std::span(cameras).first(150));
    Bytes tyres;
    for (int b : brands) bytes::addU16(tyres, static_cast<std::uint16_t>(b));
    put("datasets", "tyr", tyres);
}

void storeSeeds() {
    const std::string key = std::string("[HKEY_LOCAL_MACHINE\\") + varnisk::kGameKey + "]";
    auto withFolder = [](const std::string& text, const std::string& folder) { return text + '\0' + folder; };
    put("store", "empty-then-folder", withFolder("", "/home/me/games/gp4"));
    put("store", "written", withFolder(varnisk::storeWithGameFolder("", "/home/me/gp4"), "  spaced  "));
    put("store", "hand-written",
        withFolder("; mine\r\n# also a comment\r\n[Other]\r\nDirectory=x\r\n" + key + "\r\n  directory = \"/games/gp4 \" \r\n" +
                       key + "\r\nDIRECTORY=/second\r\n[broken\r\nstray text\r\n",
                   "\"quoted\""));
    put("store", "no-key", "[HKEY_CURRENT_USER\\Software]\nDirectory=/nowhere\n");
    // The key with other values but no folder: the folder goes below its header.
    put("store", "key-without-folder", withFolder(key + "\nVersion=1.00\n", "/games/gp4"));
}

void wineSeeds() {
    const std::string head = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n";
    const std::string key = "[Software\\\\Infogrames\\\\Grand Prix 4\\\\1.00\\\\Install Dir] 1700000000\n#time=1d9\n";
    put("winereg", "plain", head + key + "\"Directory\"=\"C:\\\\Games\\\\GP4\"\n\"Other\"=dword:00000001\n");
    put("winereg", "escapes",
        head + key + "@=\"default\"\n\"directory\"=str(2):\"c:\\\\games\\\\\\x47P4\\101\\xd83d\\xde00\\t\"\n");
    put("winereg", "wow64",
        head + "[Software\\\\Wow6432Node\\\\Infogrames\\\\Grand Prix 4\\\\1.00\\\\Install Dir] 1\n\"Directory\"=\"D:/gp4\"\n");
    put("winereg", "hex-value", head + key + "\"Directory\"=hex:43,3a,5c,00\n");
    // Wine writes what is not ASCII as \x and the UTF-16 unit, and control
    // characters as C escapes; a file can end inside a value.
    put("winereg", "not-ascii",
        head + key + "\"Notes\"=\"\\a\\b\\e\\f\\n\\r\\v\"\n\"Directory\"=\"C:\\\\Jeux \\x20ac\\\\\\xc9quipe\\\\GP4\"\n");
    put("winereg", "cut-in-value", head + key + "\"Directory\"=\"C:\\\\Ga");
    put("winereg", "not-a-registry", "REGEDIT4\n[x]\n");
}

void journalSeeds() {
    using namespace varnisk;
    gg::GameSpec spec;
    const Bytes exe = gg::buildExe(spec);
    GameData g = readValues(exe);
    JournalFile exeFile{"/games/gp4/GP4.exe", exe.size(), {}};
    const std::vector<Patch> before = exeBlockPatches(g, true);
    for (auto& c : g.cameras) c[0] = static_cast<std::int16_t>(c[0] + 3);
    g.arms[2] ^= 0x00FF00FFu;
    const std::vector<Patch> after = exeBlockPatches(g, true);
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i].bytes == before[i].bytes) continue;
        exeFile.ranges.push_back({after[i].offset, slice(exe, after[i].offset, after[i].bytes.size()), after[i].bytes});
    }
    const Journal exportAll{"Export All", {exeFile, {"/games/gp4/f1gstate.sav", 100000, {{96932, {1, 2, 3, 4}, {5, 6, 7, 8}}}}}};
    const Journal restore{"restore", {{"/games/gp4/cars.wad", 0, {}}}};
    const Journal empty{"", {}};
    for (const auto& [name, journal] : {std::pair{"export", exportAll}, {"restore", restore}, {"empty", empty}}) {
        const Bytes bytes = encodeJournal(journal);
        put("journal", name, bytes);
        // The same as the body the target seals itself: no header, no trailer.
        const std::size_t header = std::string_view("VARNISK JOURNAL 1\n").size();
        put("journal", std::string(name) + "-body", std::span(bytes).subspan(header, bytes.size() - header - 12));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: varnisk-fuzz-seeds OUT\nWrites the fuzzers' first inputs into OUT/<target>/.\n";
        return 2;
    }
    try {
        out = argv[1];
        exeSeeds();
        savedStateSeeds();
        archiveSeeds();
        shapeSeeds();
        imageSeeds();
        dataSetSeeds();
        storeSeeds();
        wineSeeds();
        journalSeeds();
    } catch (const std::exception& e) {
        std::cerr << "varnisk-fuzz-seeds: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

namespace varnisk::fuzz {

// The targets' broken promises cannot happen here: only packExeBlocks runs.
void fail(const std::string& what) {
    std::fprintf(stderr, "varnisk-fuzz-seeds: %s\n", what.c_str());
    std::abort();
}

}  // namespace varnisk::fuzz

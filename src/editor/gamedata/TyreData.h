#pragma once

#include <array>
#include <optional>
#include <string>

#include "archive/Archive.h"
#include "files/GameFiles.h"
#include "game/GameData.h"

namespace varnisk {

class Editor;
class Form;

// The caption a brand selector's position shows: "Bridgestone", "Michelin",
// and for team 1's third position that team's built-in name.
std::string tyreBrandCaption(int position);

// Team t's brand selector (UpDown<t+1>) at a position, held to the
// selector's range, and its caption (PanelTT<t+21>) to match.
void showBrand(Editor& editor, int team, int position);
// Team t's brand caption (PanelTT<t+21>) for the position its selector holds.
void showBrandCaption(Editor& editor, int team);

// The one mapping between the tyre fields and the tyre records: tyre record
// j (0..3) owns the fields LMDTP<3j+1> .. LMDTP<3j+3>, its X, Y and Z; column
// k (0 X, 1 Y, 2 Z) lies in the record at kTyreSlot[k] (+0, +8, +4).
inline constexpr std::array<int, 3> kTyreSlot{0, 2, 1};
std::string tyreFieldName(int j, int k);

// Tyre record j into its three fields, in hundredths, rounded to integers.
void showTyre(Form& form, int j, const GameData::TyreRecord& record);

// The four tyre records as the twelve fields hold them: each text is read as
// a decimal number of hundredths (the fields take a point, and a drag leaves
// fractions in them) and stored as the nearest float32. A text that is no
// number throws ConversionError; every field is read before the result is
// made, so the caller's records stay as they were.
std::array<GameData::TyreRecord, 4> tyresFromFields(const Form& form);

// The built-in brand positions of UpDown1 .. UpDown11.
inline constexpr std::array<int, 11> kDefaultBrands{0, 2, 1, 1, 0, 0, 0, 0, 1, 1, 1};

// The built-in tyre records (+0, +4, +8), front right, front left, rear
// right, rear left.
inline constexpr std::array<std::array<float, 3>, 4> kDefaultTyres{{
    {0.6991f, -0.22925f, 1.1435f},
    {-0.7156f, -0.22925f, 1.1435f},
    {0.6967f, -0.2294f, -1.8051f},
    {-0.7133f, -0.2294f, -1.8051f},
}};

// Where the four tyre records lie from the collision entry's start.
inline constexpr std::array<std::uint32_t, 4> kTyrePosOffsets{84, 108, 168, 192};
inline constexpr std::uint32_t kTyreRecordSize = 12;

// The collision entry last found in an archive, kept while the archive's
// stamp stays the same, so that importing again does not read a directory of
// thousands of entries that has not changed. The program's own writes into
// the entry's data keep the directory as it was and carry the stamp along.
struct CollisionLookup {
    bool valid = false;
    std::string path;
    FileStamp stamp;
    std::optional<ArchiveEntry> entry;
};

// Import All's steps: brand selectors and captions from f1gstate.sav and
// GP4.exe's brand string; tyre fields from the archive's collision entry.
void readTyreBrands(Editor& editor);
void readTyrePositions(Editor& editor);

// "Default Brands" and the Tyres tab's "Default".
void defaultBrands(Editor& editor);
void defaultTyrePositions(Editor& editor);

// The brand code f1gstate.sav gets for a selector position.
std::uint32_t brandCode(int position);

}  // namespace varnisk

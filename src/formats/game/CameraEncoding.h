#pragma once

#include <array>
#include <cstdint>

#include "game/GameData.h"

namespace varnisk {

// The two encodings of a camera record: the game's own (GP4.exe, camera
// sets) and the car data files' form.

// The ten field values of a camera row in the order of its fields: X, Y, Z,
// Dir., Pitch, Roll and the four detail values (base, base+10, .., base+90).
using CameraRow = std::array<int, 10>;

// Car form: X, Y and Z as shown, the cockpit's Y less 5. Game form (camera
// sets and GP4.exe): X, Y and Z doubled, no offset. In both the angles are in
// 182nds of a degree and the details as shown.
enum class CameraForm { Car, Game };

GameData::CameraRecord encodeCamera(const CameraRow& row, int record, CameraForm form);
// The inverse; division truncates toward zero.
CameraRow decodeCamera(const GameData::CameraRecord& stored, int record, CameraForm form);

// The chase pair follows the same rule as X, Y and Z (no offset).
std::array<std::int16_t, 2> encodeChase(int first, int second, CameraForm form);
std::array<int, 2> decodeChase(const std::array<std::int16_t, 2>& stored, CameraForm form);

}  // namespace varnisk

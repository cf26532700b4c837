#include "game/CameraEncoding.h"

#include "numeric/Numbers.h"

namespace varnisk {

GameData::CameraRecord encodeCamera(const CameraRow& row, int record, CameraForm form) {
    const long long scale = form == CameraForm::Game ? 2 : 1;
    const long long yOffset = form == CameraForm::Car && record == 0 ? 5 : 0;
    GameData::CameraRecord r{};
    r[0] = wrapInt16(scale * row[0]);
    r[1] = wrapInt16(scale * row[2]);
    r[2] = wrapInt16(scale * row[1] - yOffset);
    for (std::size_t j = 3; j < 6; ++j) r[j] = wrapInt16(182LL * row[j]);
    for (std::size_t j = 6; j < 10; ++j) r[j] = wrapInt16(row[j]);
    return r;
}

CameraRow decodeCamera(const GameData::CameraRecord& r, int record, CameraForm form) {
    const int scale = form == CameraForm::Game ? 2 : 1;
    const int yOffset = form == CameraForm::Car && record == 0 ? 5 : 0;
    CameraRow row{};
    row[0] = static_cast<int>(divTrunc(r[0], scale));
    row[1] = static_cast<int>(divTrunc(r[2], scale)) + yOffset;
    row[2] = static_cast<int>(divTrunc(r[1], scale));
    for (std::size_t j = 3; j < 6; ++j) row[j] = static_cast<int>(divTrunc(r[j], 182));
    for (std::size_t j = 6; j < 10; ++j) row[j] = r[j];
    return row;
}

std::array<std::int16_t, 2> encodeChase(int first, int second, CameraForm form) {
    const long long scale = form == CameraForm::Game ? 2 : 1;
    return {wrapInt16(scale * first), wrapInt16(scale * second)};
}

std::array<int, 2> decodeChase(const std::array<std::int16_t, 2>& stored, CameraForm form) {
    const int scale = form == CameraForm::Game ? 2 : 1;
    return {static_cast<int>(divTrunc(stored[0], scale)), static_cast<int>(divTrunc(stored[1], scale))};
}

}  // namespace varnisk

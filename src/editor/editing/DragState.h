#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace varnisk {

// What a press on a field or in the preview remembers for the moves that
// follow it. One instance for the whole run.
struct DragState {
    bool FieldDragOn = false;
    bool ViewDragOn = false;
    std::int32_t DragStartX = 0;
    std::int32_t DragStartY = 0;
    std::string PressedCamField;
    std::array<std::int32_t, 5> DragStartValues{};
    std::string PressedFloatField;
    float DragStartFloat = 0.0f;
    std::string ViewDragMode;
};

}  // namespace varnisk

#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/StoreMembers.h"

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

// DragState's members (see base/StoreMembers.h). What the last press
// remembered changes with the steps, but alone it makes none.
template <class D, class Visit>
    requires StoreOf<D, DragState>
void forEachMember(D& d, Visit&& visit) {
    [[maybe_unused]] auto& [FieldDragOn, ViewDragOn, DragStartX, DragStartY, PressedCamField, DragStartValues,
                            PressedFloatField, DragStartFloat, ViewDragMode] = d;
    visit("FieldDragOn", d.FieldDragOn, kFollowsEdits);
    visit("ViewDragOn", d.ViewDragOn, kFollowsEdits);
    visit("PressedCamField", d.PressedCamField, kFollowsEdits);
    visit("PressedFloatField", d.PressedFloatField, kFollowsEdits);
    visit("DragStartX", d.DragStartX, kFollowsEdits);
    visit("DragStartY", d.DragStartY, kFollowsEdits);
    visit("DragStartValues", d.DragStartValues, kFollowsEdits);
    visit("DragStartFloat", d.DragStartFloat, kFollowsEdits);
    visit("ViewDragMode", d.ViewDragMode, kFollowsEdits);
}

}  // namespace varnisk

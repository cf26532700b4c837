#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace varnisk {

class Control;

enum class ControlKind {
    Edit,     // single-line text field
    Colour,   // colour panel (a swatch, no caption)
    UpDown,   // up-down selector with two arrows
    Caption,  // panel or label that shows a caption
    Button,   // push button with caption and hint
    Check,    // check box
    Choice,   // combo box, radio group or the page control
    Group,    // group box: a titled container
    Page,     // one tab of the page control
    View,     // the preview area
    Rule,     // a thin horizontal line (decoration)
};

// List: a list of rows, each a line of cells separated by tabs under the
// control's column heads; one row at a time is selected.
enum class ChoiceStyle { Combo, Radio, Pages, List };
enum class Align { Left, Center, Right };
enum class Bevel { None, Raised, Lowered };
enum class MouseButton { Left, Right, Middle };
// What a value control says of its value beside the value itself: that it
// differs from what the game's files hold, or that it cannot be stored there.
enum class Mark { None, Modified, DoesNotFit };

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

// The event handlers a control may carry. Families share handlers; a handler
// finds its control's number from the control's name.
struct Handlers {
    std::function<void(Control&)> change;       // text or choice changed
    std::function<void(Control&)> click;        // click, arrow click, check toggle
    std::function<void(Control&)> doubleClick;
    std::function<void(Control&, char&)> key;   // may replace the character by 0
    std::function<void(Control&, MouseButton)> press;
    std::function<void(Control&)> move;
    std::function<void(Control&)> release;
};

// One named control of a window. Every kind keeps its properties here; the
// properties that do not belong to a kind stay at their defaults. Controls
// without a name are decorations (column heads, row captions): they are laid
// out and shown but cannot be looked up.
//
// Properties are read directly; writes go through Form so that events and the
// view's updates follow the rules of each kind.
class Control {
public:
    Control(ControlKind kind_, std::string name_, Control* parent_, Rect bounds_)
        : kind(kind_), name(std::move(name_)), parent(parent_), bounds(bounds_) {}

    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const ControlKind kind;
    const std::string name;
    Control* const parent;  // containing control, or nullptr for the window itself
    Rect bounds;             // relative to the parent's client area

    bool enabled = true;
    bool visible = true;
    Align align = Align::Left;
    Bevel bevel = Bevel::None;

    std::string text;      // Edit; single-byte code page
    int maxLength = 0;     // Edit; 0 = no limit
    std::string caption;   // Caption, Button, Check, Group, Page
    std::string hint;      // tooltip
    std::uint32_t colour = 0;  // Colour: a Windows colour value 0x00BBGGRR or a system colour
    int position = 0, min = 0, max = 0;  // UpDown
    bool horizontal = true;              // UpDown: arrows left and right
    bool checked = false;                // Check
    ChoiceStyle style = ChoiceStyle::Combo;  // Choice
    std::vector<std::string> items;          // Choice
    int index = -1;                          // Choice: selected item, -1 none
    std::vector<std::string> columns;        // Choice, List style: the column heads

    // Set by whoever follows the value; the view shows it (a tint, a tooltip).
    Mark mark = Mark::None;
    std::string markNote;  // "In the game: -6"; empty without a mark
    // Changes of this control are told to the form's onWatchedChange.
    bool watched = false;
    // A field of the camera the preview shows; the view marks it.
    bool highlighted = false;

    Handlers on;

    // The decimal number at the end of the name, or -1 when there is none.
    int number() const;
};

// A window colour that stands for a system colour, as the window system keeps
// them: the top bit set and the colour's index in the low byte.
constexpr std::uint32_t kSystemColourFlag = 0x80000000u;
constexpr std::uint32_t kButtonFaceColour = 0x8000000Fu;

// A system colour resolved to its plain 0x00BBGGRR value (the classic
// defaults); a plain colour is returned as it is.
std::uint32_t resolveColour(std::uint32_t colour);

}  // namespace varnisk

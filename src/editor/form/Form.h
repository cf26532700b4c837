#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "form/Control.h"

namespace varnisk {

// One window of the program as data: its frame properties and its controls.
//
// Writes from code follow the window system's rules:
//  - an edit's text is cut to its length limit, and a write that changes the
//    text raises the change handler (a write of the same text raises nothing);
//  - a selector's position is held to its range and raises nothing;
//  - a check box whose state changes raises its click handler;
//  - a choice's index is set silently.
// The user* functions are the events a front end (the window, varnisk-cli, a
// test) forwards; they do not catch errors: see Dispatcher.
class Form {
public:
    Form(std::string className, std::string caption);

    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& className() const { return className_; }

    // --- building ---
    Control& add(ControlKind kind, std::string name, Control* parent, Rect bounds);

    // --- lookup ---
    // Finds a named control without regard to letter case; nullptr if none.
    Control* find(std::string_view name) const;
    // As find, but a missing control is a program error.
    Control& get(std::string_view name) const;
    // Every control, named or not, in the order of creation.
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

    // --- writes from code ---
    void setText(Control& c, std::string text);
    void setColour(Control& c, std::uint32_t colour);
    void setPosition(Control& c, int position);
    void setCaption(Control& c, std::string caption);
    void setHint(Control& c, std::string hint);
    void setEnabled(Control& c, bool enabled);
    void setChecked(Control& c, bool checked);
    void setIndex(Control& c, int index);
    void setBounds(Control& c, Rect bounds);
    void setItems(Control& c, std::vector<std::string> items);
    void setVisible(Control& c, bool visible);
    void setMark(Control& c, Mark mark, std::string note);
    void setHighlighted(Control& c, bool highlighted);
    // Asks the view to put the keyboard focus on the control (a field: its
    // whole text selected) and to show it, bringing its tab forward.
    void requestFocus(Control& c);

    // --- the window ---
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    int width() const { return width_; }
    int height() const { return height_; }
    int minWidth() const { return minWidth_; }
    int minHeight() const { return minHeight_; }
    void setMinSize(int w, int h) { minWidth_ = w; minHeight_ = h; }
    // Gives the window an outer size, held to its minimum; raises the resize
    // handler when the size changes.
    void setSize(int w, int h);
    bool visible() const { return visible_; }
    // Shows the window, or brings it forward when it is already shown.
    void show();
    void hide();
    std::function<void()> onResize;
    // Raised each time the window becomes visible, before it appears.
    std::function<void()> onShow;

    // --- events from the user ---
    void userClick(Control& c);
    // A double click; `withClick` runs the click that the window system sends
    // before it (a front end that has already sent that click passes false).
    void userDoubleClick(Control& c, bool withClick = true);
    // Runs the key filter; returns the character to insert, 0 when discarded.
    char userKey(Control& c, char ch);
    // The user changed the text (typing, pasting, deleting) to `text`.
    void userEdit(Control& c, std::string text);
    // Clicks into the field, selects its whole text and deletes it, then types
    // `text` one character at a time through the key filter.
    void userType(Control& c, std::string_view text);
    // One key typed into a field at the end of its text, through the key
    // filter: backspace takes the last character away.
    void userTypeKey(Control& c, char typed);
    // One key typed into a field at its text cursor, as a text field takes
    // it; the selection is [selStart, selStart + selLength) (selLength 0: the
    // cursor at selStart), held to the text. The key filter judges the
    // character first. An accepted character replaces the selection, or goes
    // in at the cursor when nothing is selected and the field is not full; a
    // backspace deletes the selection or the character before the cursor; a
    // control character other than backspace goes nowhere (the field is one
    // line). Returns where the cursor stands after the key, nullopt when the
    // key changed nothing (the selection stays as it was).
    std::optional<std::size_t> userTypeKeyAt(Control& c, char typed, std::size_t selStart, std::size_t selLength);
    // The Delete key at a text cursor: deletes the selection or the character
    // after the cursor. It types no character, so no key filter sees it.
    // Returns as userTypeKeyAt.
    std::optional<std::size_t> userDeleteAt(Control& c, std::size_t selStart, std::size_t selLength);
    void userPress(Control& c, MouseButton button);
    // The mouse moved: the move goes to the control that holds the mouse.
    void userMove();
    void userRelease();
    void userArrow(Control& c, bool up);
    void userChoose(Control& c, int index);
    // The control that holds the mouse (pressed, not yet released).
    Control* mouseHolder() const { return mouseHolder_; }

    // Told as each user event above reaches its control, before it changes
    // anything; typing is a key or an edit of a field's text.
    std::function<void(Control&, bool typing)> onUserEvent;

    // --- the view ---
    // Tells the view of properties written straight into the control, not
    // through the writes above (no handler runs).
    void refresh(Control& c) { changed(c); }
    // Told of every property change of a control and of the window.
    std::function<void(Control&)> onControlChanged;
    // Told first of every change of a control marked `watched` (not of the
    // changes it makes itself while it is told).
    std::function<void(Control&)> onWatchedChange;
    std::function<void(Control&)> onFocusRequest;
    std::function<void()> onWindowChanged;
    // Counts requests to bring the window forward (show while shown).
    int raiseCount() const { return raiseCount_; }

private:
    void noteUser(Control& c, bool typing);
    void changed(Control& c);
    // Writes the text with [at, at + length) replaced by `with` as the user's
    // edit; returns the cursor after `with`.
    std::size_t replaceAt(Control& c, std::size_t at, std::size_t length, std::string_view with);
    void windowChanged();

    std::string className_;
    std::string caption_;
    int width_ = 0, height_ = 0, minWidth_ = 0, minHeight_ = 0;
    bool visible_ = false;
    int raiseCount_ = 0;
    std::vector<std::unique_ptr<Control>> controls_;
    // Names in lower case; looked up without building a string.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, Control*, NameHash, std::equal_to<>> byName_;
    Control* mouseHolder_ = nullptr;
    bool inWatch_ = false;
};

// Lower-cases the ASCII letters of a name (control names are ASCII).
std::string lowerName(std::string_view name);

}  // namespace varnisk

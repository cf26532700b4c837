#include "form/Form.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "base/Errors.h"

namespace varnisk {

namespace {

// Gives a property its new value; false when it had that value already (the
// setters below then report nothing).
template <typename T>
bool assign(T& property, T value) {
    if (property == value) return false;
    property = std::move(value);
    return true;
}

}  // namespace

int Control::number() const {
    std::size_t i = name.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(name[i - 1]))) --i;
    if (i == name.size() || name.size() - i > 9) return -1;
    return std::stoi(name.substr(i));
}

std::uint32_t resolveColour(std::uint32_t colour) {
    if ((colour & kSystemColourFlag) == 0) return colour & 0x00FFFFFFu;
    // The system colours by index, as current Windows versions set them by
    // default (0x00BBGGRR); the button face is the one the sheet uses.
    static constexpr std::uint32_t table[] = {
        0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
        0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
        0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
        0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0};
    std::size_t index = colour & 0xFFu;
    return index < std::size(table) ? table[index] : 0;
}

std::string lowerName(std::string_view name) {
    std::string out(name);
    for (char& ch : out) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return out;
}

Form::Form(std::string className, std::string caption)
    : className_(std::move(className)), caption_(std::move(caption)) {}

Control& Form::add(ControlKind kind, std::string name, Control* parent, Rect bounds) {
    auto control = std::make_unique<Control>(kind, std::move(name), parent, bounds);
    Control& c = *control;
    if (!c.name.empty()) {
        auto [it, inserted] = byName_.emplace(lowerName(c.name), &c);
        if (!inserted) throw std::logic_error("two controls named " + c.name);
    }
    controls_.push_back(std::move(control));
    return c;
}

Control* Form::find(std::string_view name) const {
    char lowered[64];
    if (name.size() > sizeof lowered) {
        auto it = byName_.find(lowerName(name));
        return it == byName_.end() ? nullptr : it->second;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char ch = name[i];
        lowered[i] = ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
    }
    auto it = byName_.find(std::string_view(lowered, name.size()));
    return it == byName_.end() ? nullptr : it->second;
}

Control& Form::get(std::string_view name) const {
    Control* c = find(name);
    if (c == nullptr) throw ProgramError("Component " + std::string(name) + " not found");
    return *c;
}

void Form::noteUser(Control& c, bool typing) {
    if (onUserEvent) onUserEvent(c, typing);
}

void Form::changed(Control& c) {
    if (c.watched && onWatchedChange && !inWatch_) {
        inWatch_ = true;
        try {
            onWatchedChange(c);
        } catch (...) {
            inWatch_ = false;
            throw;
        }
        inWatch_ = false;
    }
    if (onControlChanged) onControlChanged(c);
}

void Form::windowChanged() {
    if (onWindowChanged) onWindowChanged();
}

void Form::setText(Control& c, std::string text) {
    if (c.maxLength > 0 && text.size() > static_cast<std::size_t>(c.maxLength)) {
        text.resize(static_cast<std::size_t>(c.maxLength));
    }
    if (!assign(c.text, std::move(text))) return;
    changed(c);
    if (c.on.change) c.on.change(c);
}

void Form::setColour(Control& c, std::uint32_t colour) {
    if (assign(c.colour, colour)) changed(c);
}

void Form::setPosition(Control& c, int position) {
    position = std::clamp(position, c.min, std::max(c.min, c.max));
    if (assign(c.position, position)) changed(c);
}

void Form::setCaption(Control& c, std::string caption) {
    if (assign(c.caption, std::move(caption))) changed(c);
}

void Form::setHint(Control& c, std::string hint) {
    if (assign(c.hint, std::move(hint))) changed(c);
}

void Form::setEnabled(Control& c, bool enabled) {
    if (assign(c.enabled, enabled)) changed(c);
}

void Form::setChecked(Control& c, bool checked) {
    if (!assign(c.checked, checked)) return;
    changed(c);
    if (c.on.click) c.on.click(c);
}

void Form::setIndex(Control& c, int index) {
    if (index < -1 || index >= static_cast<int>(c.items.size())) index = -1;
    if (assign(c.index, index)) changed(c);
}

void Form::setBounds(Control& c, Rect bounds) {
    if (assign(c.bounds, bounds)) changed(c);
}

void Form::setItems(Control& c, std::vector<std::string> items) {
    if (!assign(c.items, std::move(items))) return;
    if (c.index >= static_cast<int>(c.items.size())) c.index = -1;
    changed(c);
}

void Form::setVisible(Control& c, bool visible) {
    if (assign(c.visible, visible)) changed(c);
}

void Form::setMark(Control& c, Mark mark, std::string note) {
    if (c.mark == mark && c.markNote == note) return;
    c.mark = mark;
    c.markNote = std::move(note);
    changed(c);
}

void Form::setHighlighted(Control& c, bool highlighted) {
    if (assign(c.highlighted, highlighted)) changed(c);
}

void Form::requestFocus(Control& c) {
    if (onFocusRequest) onFocusRequest(c);
}

void Form::setCaption(std::string caption) {
    if (assign(caption_, std::move(caption))) windowChanged();
}

void Form::setSize(int w, int h) {
    w = std::max(w, minWidth_);
    h = std::max(h, minHeight_);
    if (w == width_ && h == height_) return;
    width_ = w;
    height_ = h;
    windowChanged();
    if (onResize) onResize();
}

void Form::show() {
    if (visible_) {
        ++raiseCount_;
    } else {
        visible_ = true;
        if (onShow) onShow();
    }
    windowChanged();
}

void Form::hide() {
    if (!visible_) return;
    visible_ = false;
    mouseHolder_ = nullptr;
    windowChanged();
}

void Form::userClick(Control& c) {
    if (!c.enabled) return;
    noteUser(c, false);
    if (c.kind == ControlKind::Check) {
        setChecked(c, !c.checked);  // the toggle raises the click handler
        return;
    }
    if (c.on.click) c.on.click(c);
}

void Form::userDoubleClick(Control& c, bool withClick) {
    if (!c.enabled) return;
    noteUser(c, false);
    if (withClick) userClick(c);
    if (c.on.doubleClick) c.on.doubleClick(c);
}

char Form::userKey(Control& c, char ch) {
    if (!c.enabled) return 0;
    noteUser(c, true);
    if (c.on.key) c.on.key(c, ch);
    return ch;
}

void Form::userEdit(Control& c, std::string text) {
    if (!c.enabled) return;
    noteUser(c, true);
    setText(c, std::move(text));
}

void Form::userType(Control& c, std::string_view text) {
    if (!c.enabled || c.kind != ControlKind::Edit) return;
    noteUser(c, true);
    userClick(c);
    setText(c, std::string());
    for (char typed : text) userTypeKey(c, typed);
}

void Form::userTypeKey(Control& c, char typed) {
    if (!c.enabled || c.kind != ControlKind::Edit) return;
    noteUser(c, true);
    char ch = userKey(c, typed);
    if (ch == 0) return;
    std::string next = c.text;
    if (ch == '\b') {
        if (!next.empty()) next.pop_back();
    } else if (c.maxLength > 0 && next.size() >= static_cast<std::size_t>(c.maxLength)) {
        return;  // the field is full: the character is not taken
    } else {
        next.push_back(ch);
    }
    setText(c, std::move(next));
}

namespace {

// Holds a selection to a text of `size` characters.
void holdSelection(std::size_t size, std::size_t& start, std::size_t& length) {
    start = std::min(start, size);
    length = std::min(length, size - start);
}

}  // namespace

std::size_t Form::replaceAt(Control& c, std::size_t at, std::size_t length, std::string_view with) {
    std::string next = c.text;
    next.replace(at, length, with);
    setText(c, std::move(next));
    return at + with.size();
}

std::optional<std::size_t> Form::userTypeKeyAt(Control& c, char typed, std::size_t selStart, std::size_t selLength) {
    if (!c.enabled || c.kind != ControlKind::Edit) return std::nullopt;
    noteUser(c, true);
    const char ch = userKey(c, typed);
    if (ch == 0) return std::nullopt;
    holdSelection(c.text.size(), selStart, selLength);  // the filter may have written the text
    if (ch == '\b') {
        if (selLength > 0) return replaceAt(c, selStart, selLength, {});
        if (selStart == 0) return std::nullopt;
        return replaceAt(c, selStart - 1, 1, {});
    }
    const auto code = static_cast<unsigned char>(ch);
    if (code < 0x20 || code == 0x7F) return std::nullopt;
    if (selLength == 0 && c.maxLength > 0 && c.text.size() >= static_cast<std::size_t>(c.maxLength)) {
        return std::nullopt;  // the field is full: the character is not taken
    }
    return replaceAt(c, selStart, selLength, std::string_view(&ch, 1));
}

std::optional<std::size_t> Form::userDeleteAt(Control& c, std::size_t selStart, std::size_t selLength) {
    if (!c.enabled || c.kind != ControlKind::Edit) return std::nullopt;
    noteUser(c, true);
    holdSelection(c.text.size(), selStart, selLength);
    if (selLength > 0) return replaceAt(c, selStart, selLength, {});
    if (selStart == c.text.size()) return std::nullopt;
    return replaceAt(c, selStart, 1, {});
}

void Form::userPress(Control& c, MouseButton button) {
    if (!c.enabled) return;
    noteUser(c, false);
    mouseHolder_ = &c;
    if (c.on.press) c.on.press(c, button);
}

void Form::userMove() {
    Control* c = mouseHolder_;
    if (c != nullptr && c->on.move) c->on.move(*c);
}

void Form::userRelease() {
    Control* c = mouseHolder_;
    mouseHolder_ = nullptr;
    if (c != nullptr && c->on.release) c->on.release(*c);
}

void Form::userArrow(Control& c, bool up) {
    if (!c.enabled || c.kind != ControlKind::UpDown) return;
    noteUser(c, false);
    setPosition(c, c.position + (up ? 1 : -1));
    if (c.on.click) c.on.click(c);
}

void Form::userChoose(Control& c, int index) {
    if (!c.enabled || c.kind != ControlKind::Choice) return;
    noteUser(c, false);
    int before = c.index;
    setIndex(c, index);
    if (c.index != before && c.on.change) c.on.change(c);
}

}  // namespace varnisk

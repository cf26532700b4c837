#include "core/History.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <type_traits>

#include "core/Editor.h"

namespace varnisk {

namespace {

void appendU32(std::string& out, std::uint32_t v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); }

template <class T>
void appendRaw(std::string& out, const T& v) {
    static_assert(std::is_trivially_copyable_v<T>);
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

template <class T>
bool readRaw(std::string_view& in, T& v) {
    if (in.size() < sizeof v) return false;
    std::memcpy(&v, in.data(), sizeof v);
    in.remove_prefix(sizeof v);
    return true;
}

// One change of a packed step: the slot, its value before and after.
struct Change {
    std::uint32_t slot = 0;
    std::string_view before;
    std::string_view after;
};

void pack(std::string& out, std::uint32_t slot, std::string_view before, std::string_view after) {
    appendU32(out, slot);
    appendU32(out, static_cast<std::uint32_t>(before.size()));
    out.append(before);
    appendU32(out, static_cast<std::uint32_t>(after.size()));
    out.append(after);
}

// The changes of a packed step, in the order they were packed (by slot).
std::vector<Change> unpack(std::string_view packed) {
    std::vector<Change> out;
    while (!packed.empty()) {
        Change c;
        std::uint32_t size = 0;
        if (!readRaw(packed, c.slot) || !readRaw(packed, size) || packed.size() < size) break;
        c.before = packed.substr(0, size);
        packed.remove_prefix(size);
        if (!readRaw(packed, size) || packed.size() < size) break;
        c.after = packed.substr(0, size);
        packed.remove_prefix(size);
        out.push_back(c);
    }
    return out;
}

// What a control holds that the user edits, as bytes: whether it is
// enabled, then the property of its kind.
void writeControl(const Control& c, std::string& out) {
    out.push_back(c.enabled ? 1 : 0);
    switch (c.kind) {
    case ControlKind::Edit: out += c.text; break;
    case ControlKind::Colour: appendRaw(out, c.colour); break;
    case ControlKind::UpDown: appendRaw(out, c.position); break;
    case ControlKind::Check: out.push_back(c.checked ? 1 : 0); break;
    case ControlKind::Choice: appendRaw(out, c.index); break;
    case ControlKind::Button: out += c.caption; break;
    case ControlKind::Caption:
        appendU32(out, static_cast<std::uint32_t>(c.caption.size()));
        out += c.caption;
        out += c.hint;
        break;
    default: break;
    }
}

void readControl(Form& form, Control& c, std::string_view in) {
    std::uint8_t enabled = 0;
    if (!readRaw(in, enabled)) return;
    c.enabled = enabled != 0;
    switch (c.kind) {
    case ControlKind::Edit: c.text = std::string(in); break;
    case ControlKind::Colour: readRaw(in, c.colour); break;
    case ControlKind::UpDown: readRaw(in, c.position); break;
    case ControlKind::Check: c.checked = !in.empty() && in[0] != 0; break;
    case ControlKind::Choice: readRaw(in, c.index); break;
    case ControlKind::Button: c.caption = std::string(in); break;
    case ControlKind::Caption: {
        std::uint32_t size = 0;
        if (!readRaw(in, size) || in.size() < size) return;
        c.caption = std::string(in.substr(0, size));
        c.hint = std::string(in.substr(size));
        break;
    }
    default: break;
    }
    form.refresh(c);  // the view shows it; no handler runs
}

template <class T>
auto valueSlot(T& v) {
    static_assert(std::is_trivially_copyable_v<T>);
    return std::make_pair(std::function<void(std::string&)>([&v](std::string& out) { appendRaw(out, v); }),
                          std::function<void(std::string_view)>([&v](std::string_view in) { readRaw(in, v); }));
}

template <class T>
constexpr bool isArray = false;
template <class T, std::size_t N>
constexpr bool isArray<std::array<T, N>> = true;

auto textSlot(std::string& v) {
    return std::make_pair(std::function<void(std::string&)>([&v](std::string& out) { out += v; }),
                          std::function<void(std::string_view)>([&v](std::string_view in) { v = std::string(in); }));
}

}  // namespace

std::string_view History::Image::at(std::size_t slot) const {
    const std::uint32_t from = slot == 0 ? 0 : ends[slot - 1];
    return std::string_view(bytes).substr(from, ends[slot] - from);
}

History::History(Editor& editor) : editor_(editor) {}

template <class T>
void History::addMember(T& member, UndoRole role) {
    if constexpr (HasMemberList<T>) {
        forEachMember(member, [this, role](const char*, auto& inner, auto use) {
            if constexpr (decltype(use)::undo != UndoRole::None) addMember(inner, lesserRole(role, decltype(use)::undo));
        });
    } else if constexpr (isArray<T>) {
        // Each element a slot of its own: a step keeps only those it changed.
        for (auto& element : member) addValue(element, role == UndoRole::Edit);
    } else {
        addValue(member, role == UndoRole::Edit);
    }
}

template <class T>
void History::addValue(T& value, bool defining) {
    auto [write, read] = [&value] {
        if constexpr (std::is_same_v<T, std::string>) return textSlot(value);
        else return valueSlot(value);
    }();
    slots_.push_back({std::move(write), std::move(read), defining});
}

void History::addSlots() {
    addControls(editor_.main);
    addControls(editor_.save);

    // Every member of the editor's stores that their lists give a role in
    // undo; a change of an edit alone makes a step, of what follows the
    // edits it does not.
    forEachMember(editor_, [this](const char*, auto& member, auto use) {
        if constexpr (decltype(use)::undo != UndoRole::None) addMember(member, decltype(use)::undo);
    });
}

void History::addControls(Form& form) {
    for (const auto& owned : form.controls()) {
        Control& c = *owned;
        // The status, the count of changes and the caption over the preview
        // say what happened and what is shown; they are nothing the user edits.
        if (c.name.empty() || (&form == &editor_.main && (c.name == "Status" || c.name == "ChangesButton" || c.name == "ViewCaption"))) continue;
        switch (c.kind) {
        case ControlKind::Edit:
        case ControlKind::Colour:
        case ControlKind::UpDown:
        case ControlKind::Check:
        case ControlKind::Button:
        case ControlKind::Caption: break;
        case ControlKind::Choice:
            if (c.style == ChoiceStyle::Pages) continue;  // which tab shows is no edit
            break;
        default: continue;
        }
        Form* f = &form;
        Control* control = &c;
        slots_.push_back({[control](std::string& out) { writeControl(*control, out); },
                          [f, control](std::string_view in) { readControl(*f, *control, in); }, true});
    }
}

void History::take(Image& image) const {
    image.bytes.clear();
    image.ends.clear();
    image.ends.reserve(slots_.size());
    for (const Slot& slot : slots_) {
        slot.write(image.bytes);
        image.ends.push_back(static_cast<std::uint32_t>(image.bytes.size()));
    }
}

bool History::mouseHeld() const {
    for (Form* f : editor_.forms()) {
        if (f->mouseHolder() != nullptr) return true;
    }
    return false;
}

void History::operationStarted() { ++depth_; }

void History::operationEnded() {
    if (depth_ > 0) --depth_;
    if (depth_ > 0) return;
    if (open_ && !mouseHeld()) closeStep();
    if (keptPending_) {
        keptPending_ = false;
        keptId_ = topId();
        mergeable_ = false;
    }
}

void History::userEvent(Form& form, Control& control, bool typing) {
    if (!recording_ || depth_ == 0 || open_) return;
    if (slots_.empty()) addSlots();
    if (&control != lastControl_) mergeable_ = false;  // another control: the keys before are done
    lastControl_ = &control;
    open_ = true;
    pending_ = Step{};
    pending_.name = editor_.describe(form, control);
    pending_.control = &control;
    pending_.typing = typing;
    take(before_);
}

void History::closeStep() {
    open_ = false;
    take(after_);
    if (std::find(fileWriters_.begin(), fileWriters_.end(), pending_.control) != fileWriters_.end()) {
        // What a file write changed beside the files belongs to no step.
        mergeable_ = false;
        return;
    }
    std::string changes;
    // A step puts back every value as it was when the step began, the camera
    // shown included; what changed between steps alone (a camera selected)
    // belongs to none.
    if (!packChanges(before_, after_, changes)) return;  // nothing the user edits changed
    redo_.clear();
    const bool typing = pending_.typing;
    if (pending_.typing && mergeable_ && !undo_.empty() && undo_.back().typing &&
        undo_.back().control == pending_.control) {
        // One more key into the same field: the step keeps its first values.
        Step& last = undo_.back();
        std::vector<Change> merged;
        const std::vector<Change> a = unpack(last.changes), b = unpack(changes);
        std::size_t i = 0, j = 0;
        while (i < a.size() || j < b.size()) {
            if (j == b.size() || (i < a.size() && a[i].slot < b[j].slot)) {
                merged.push_back(a[i++]);
            } else if (i == a.size() || b[j].slot < a[i].slot) {
                merged.push_back(b[j++]);
            } else {
                merged.push_back({a[i].slot, a[i].before, b[j].after});
                ++i;
                ++j;
            }
        }
        std::string packed;
        bool still = false;
        for (const Change& c : merged) {
            if (c.before == c.after) continue;
            pack(packed, c.slot, c.before, c.after);
            still = still || slots_[c.slot].defining;
        }
        if (still) {
            last.changes = std::move(packed);
            last.changes.shrink_to_fit();
        } else {
            undo_.pop_back();  // the keys took back what they typed
        }
    } else {
        pending_.changes = std::move(changes);
        pending_.changes.shrink_to_fit();
        pending_.id = nextId_++;
        undo_.push_back(std::move(pending_));
    }
    mergeable_ = typing;
}

bool History::packChanges(const Image& before, const Image& after, std::string& out) const {
    bool defining = false;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const std::string_view now = after.at(i);
        const std::string_view was = before.at(i);
        if (now == was) continue;
        pack(out, static_cast<std::uint32_t>(i), was, now);
        defining = defining || slots_[i].defining;
    }
    return defining;
}

void History::editsKept() { keptPending_ = true; }

void History::nameStep(std::string name) {
    if (open_) pending_.name = std::move(name);
}

void History::recordStep(const std::string& name, const std::function<void()>& body) {
    if (!recording_) {
        body();
        return;
    }
    if (slots_.empty()) addSlots();
    Image before, after;
    take(before);
    // Another control's keys after it make a step of their own.
    mergeable_ = false;
    lastControl_ = nullptr;
    // What a body that fails changed is a step all the same, as a click's
    // that fails.
    std::exception_ptr failure;
    try {
        body();
    } catch (...) {
        failure = std::current_exception();
    }
    take(after);
    Step step;
    if (packChanges(before, after, step.changes)) {
        redo_.clear();
        step.name = name;
        step.changes.shrink_to_fit();
        step.id = nextId_++;
        undo_.push_back(std::move(step));
    }
    if (failure) std::rethrow_exception(failure);
}

void History::apply(const Step& step, bool after) {
    for (const Change& c : unpack(step.changes)) {
        if (c.slot < slots_.size()) slots_[c.slot].read(after ? c.after : c.before);
    }
    mergeable_ = false;
    lastControl_ = nullptr;
}

std::string History::moveStep(std::vector<Step>& from, std::vector<Step>& to, bool after) {
    if (open_ || from.empty()) return {};
    to.push_back(std::move(from.back()));
    from.pop_back();
    apply(to.back(), after);
    return to.back().name;
}

std::string History::undo() { return moveStep(undo_, redo_, false); }

std::string History::redo() { return moveStep(redo_, undo_, true); }

std::vector<std::string> History::undoNames() const {
    std::vector<std::string> out;
    for (const Step& s : undo_) out.push_back(s.name);
    return out;
}

std::vector<std::string> History::redoNames() const {
    // The stack's top is the step redo takes next, the oldest of them.
    std::vector<std::string> out;
    for (auto it = redo_.rbegin(); it != redo_.rend(); ++it) out.push_back(it->name);
    return out;
}

bool History::hasUnkeptEdits() const { return topId() != keptId_; }

std::size_t History::memoryBytes() const {
    auto stepBytes = [](const std::vector<Step>& steps) {
        std::size_t n = steps.capacity() * sizeof(Step);
        for (const Step& s : steps) {
            if (s.name.capacity() > 15) n += s.name.capacity() + 1;
            if (s.changes.capacity() > 15) n += s.changes.capacity() + 1;
        }
        return n;
    };
    auto imageBytes = [](const Image& image) {
        return image.bytes.capacity() + image.ends.capacity() * sizeof(std::uint32_t);
    };
    return stepBytes(undo_) + stepBytes(redo_) + imageBytes(before_) + imageBytes(after_) +
           slots_.capacity() * sizeof(Slot);
}

}  // namespace varnisk

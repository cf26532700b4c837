#pragma once

#include <concepts>
#include <type_traits>

namespace varnisk {

// Each store of the editor (GameData, PreviewState, DragState, SaveState, and
// the editor's own values beside them) lists its members once, next to its
// struct, in a function
//
//     template <class S, class Visit> requires StoreOf<S, Store>
//     void forEachMember(S& store, Visit&& visit);
//
// which calls visit(name, member, use) for every member, in the order the
// dump writes them. The history's snapshots and varnisk-cli's dump both go
// through it, so that a member can reach neither without its list saying
// what each does with it. A store whose members can be bound by a structured
// binding binds them all first: a member added to the struct without a line
// in its list does not compile.

// What undo does with a member.
enum class UndoRole {
    Edit,     // the user's edit: a change of it makes a step, undo and redo put it back
    Follows,  // put back with the step it changed in, but its change alone makes no step
    None,     // left as it is: it says what the files are, or what the frames or the program decided
};

// How a list marks a member: its role in undo and whether the dump shows it.
// Within a store that is a member of another, undo gives each member the
// lesser of the two roles its lists give.
template <UndoRole Role, bool Dumped = true>
struct MemberUse {
    static constexpr UndoRole undo = Role;
    static constexpr bool dumped = Dumped;
};
inline constexpr MemberUse<UndoRole::Edit> kEdit{};
inline constexpr MemberUse<UndoRole::Follows> kFollowsEdits{};
inline constexpr MemberUse<UndoRole::None> kNoUndo{};
inline constexpr MemberUse<UndoRole::None, false> kNoUndoNoDump{};

// The lesser of two roles: None before Follows before Edit.
constexpr UndoRole lesserRole(UndoRole a, UndoRole b) {
    if (a == UndoRole::None || b == UndoRole::None) return UndoRole::None;
    if (a == UndoRole::Follows || b == UndoRole::Follows) return UndoRole::Follows;
    return UndoRole::Edit;
}

// S is the store Store, or the store read only.
template <class S, class Store>
concept StoreOf = std::same_as<std::remove_const_t<S>, Store>;

// A visitor that looks at nothing, for asking whether a type has a list.
struct IgnoreMembers {
    template <class Member, class Use>
    void operator()(const char*, Member&, Use) const {}
};

// Whether T is a store with a list of its members.
template <class T>
concept HasMemberList = requires(T& store) { forEachMember(store, IgnoreMembers{}); };

}  // namespace varnisk

// Message tables. Each window or command-target class lists the messages and
// commands it handles as rows of a static table, one row per message or command
// id; a lookup walks the class's rows, then its base class's, and whatever no
// table names gets the platform's default processing.
//
// Rows are made by OnMsg<&CClass::Handler>(WM_xxx) and OnCmd<&CClass::Handler>(ID_xxx).
// A handler takes the arguments of its message already unpacked; the signatures
// understood are listed in Invoke below.
#pragma once

#include <windows.h>

#include <type_traits>

class CCmdTarget;

using MsgThunk = LRESULT (*)(CCmdTarget& target, WPARAM wParam, LPARAM lParam);

struct MsgEntry {
    UINT nMessage;
    UINT nId;  // the command id of a WM_COMMAND row, 0 for other rows
    MsgThunk pfnThunk;
};

struct MsgTable {
    const MsgTable* pBase;
    const MsgEntry* pFirst;
    const MsgEntry* pLast;
};

template <size_t N>
constexpr MsgTable MakeMsgTable(const MsgTable* pBase, const MsgEntry (&entries)[N]) {
    return {pBase, entries, entries + N};
}

constexpr MsgTable MakeMsgTable(const MsgTable* pBase) {
    return {pBase, nullptr, nullptr};
}

namespace msg_table_detail {

template <class>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
    using Class = C;
};

template <auto Handler>
LRESULT Invoke(CCmdTarget& target, WPARAM wParam, LPARAM lParam) {
    using H = decltype(Handler);
    using C = typename MemberOf<H>::Class;
    C& self = static_cast<C&>(target);
    if constexpr (std::is_same_v<H, void (C::*)()>) {
        (self.*Handler)();
        return 0;
    } else if constexpr (std::is_same_v<H, int (C::*)(LPCREATESTRUCTA)>) {
        return (self.*Handler)(reinterpret_cast<LPCREATESTRUCTA>(lParam));
    } else if constexpr (std::is_same_v<H, void (C::*)(UINT_PTR)>) {
        (self.*Handler)(static_cast<UINT_PTR>(wParam));
        return 0;
    } else if constexpr (std::is_same_v<H, BOOL (C::*)()>) {
        return (self.*Handler)();
    } else if constexpr (std::is_same_v<H, void (C::*)(BOOL)>) {
        (self.*Handler)(static_cast<BOOL>(wParam));
        return 0;
    } else if constexpr (std::is_same_v<H, void (C::*)(BOOL, UINT)>) {
        (self.*Handler)(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return 0;
    } else if constexpr (std::is_same_v<H, HCURSOR (C::*)()>) {
        return reinterpret_cast<LRESULT>((self.*Handler)());
    } else if constexpr (std::is_same_v<H, LRESULT (C::*)(WPARAM, LPARAM)>) {
        return (self.*Handler)(wParam, lParam);
    } else {
        static_assert(sizeof(H) == 0, "no message table support for this handler signature");
    }
}

}  // namespace msg_table_detail

template <auto Handler>
constexpr MsgEntry OnMsg(UINT nMessage) {
    return {nMessage, 0, &msg_table_detail::Invoke<Handler>};
}

template <auto Handler>
constexpr MsgEntry OnCmd(UINT nId) {
    return {WM_COMMAND, nId, &msg_table_detail::Invoke<Handler>};
}

// A menu loaded from the program's resources, destroyed with the object.
#pragma once

#include <windows.h>

class CMenu {
public:
    CMenu() = default;
    ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL Load(UINT nIdResource);
    BOOL DestroyMenu();

    HMENU GetSafeHmenu() const { return m_hMenu; }
    HMENU GetSubMenu(int nPos) const { return m_hMenu ? ::GetSubMenu(m_hMenu, nPos) : nullptr; }

private:
    HMENU m_hMenu = nullptr;
};

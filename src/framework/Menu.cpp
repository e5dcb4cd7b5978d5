#include "Menu.h"

#include "WinApp.h"

BOOL CMenu::Load(UINT nIdResource) {
    DestroyMenu();
    m_hMenu = ::LoadMenuA(AppInstance(), MAKEINTRESOURCEA(nIdResource));
    return m_hMenu != nullptr;
}

BOOL CMenu::DestroyMenu() {
    if (!m_hMenu) return FALSE;
    const BOOL bDestroyed = ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
    return bDestroyed;
}

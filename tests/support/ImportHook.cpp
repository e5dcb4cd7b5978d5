#include "ImportHook.h"

ImportHook::ImportHook(const char* pszDll, const char* pszFunction, const void* pReplacement) {
    auto* pBase = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
    auto* pDos = reinterpret_cast<IMAGE_DOS_HEADER*>(pBase);
    auto* pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* pDesc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(pBase + dir.VirtualAddress);
         pDesc->Name; ++pDesc) {
        if (lstrcmpiA(reinterpret_cast<char*>(pBase + pDesc->Name), pszDll) != 0) continue;
        auto* pNames = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDesc->OriginalFirstThunk);
        auto* pSlots = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDesc->FirstThunk);
        for (; pNames->u1.AddressOfData; ++pNames, ++pSlots) {
            if (IMAGE_SNAP_BY_ORDINAL(pNames->u1.Ordinal)) continue;
            auto* pName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(pBase + pNames->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char*>(pName->Name), pszFunction) != 0) continue;
            m_ppSlot = reinterpret_cast<void**>(&pSlots->u1.Function);
            m_pOriginal = *m_ppSlot;
            Write(pReplacement);
            return;
        }
    }
}

ImportHook::~ImportHook() {
    if (m_ppSlot) Write(m_pOriginal);
}

void ImportHook::Write(const void* pValue) {
    DWORD dwOld;
    ::VirtualProtect(m_ppSlot, sizeof(void*), PAGE_READWRITE, &dwOld);
    *m_ppSlot = const_cast<void*>(pValue);
    ::VirtualProtect(m_ppSlot, sizeof(void*), dwOld, &dwOld);
}

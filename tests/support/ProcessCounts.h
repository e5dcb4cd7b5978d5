// What another process holds, as Wine can tell it: its handles (kernel objects
// and registry keys alike), its GDI objects and its private memory. Wine answers
// GetProcessHandleCount and GetGuiResources with 0, so the handles come from
// the system's handle list and the GDI objects from the handle table that the
// process keeps in its own memory. Wine counts no menus for another process.
#pragma once

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <vector>

// The handles of process pid in the list of NtQuerySystemInformation's
// SystemHandleInformation (16), whose records the SDK keeps private; -1 if none.
inline long CountHandles(DWORD pid) {
    struct Entry {
        ULONG pid;
        BYTE type, flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    std::vector<BYTE> list(1 << 16);
    LONG status;
    while ((status = ::NtQuerySystemInformation(SYSTEM_INFORMATION_CLASS(16), list.data(),
                                                ULONG(list.size()), nullptr)) == LONG(0xC0000004))
        list.resize(list.size() * 2);
    long count = status < 0 ? -1 : 0;
    const auto* pEntry = reinterpret_cast<const Entry*>(list.data() + sizeof(PVOID));
    for (ULONG i = 0; status >= 0 && i < *reinterpret_cast<ULONG*>(list.data()); ++i)
        count += pEntry[i].pid == pid;
    return count;
}

// The GDI objects of a process of this program's bitness, opened with
// PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, from one reading of its table:
// [0] all of them, [type] those of one type (GDI_TYPE_DC); all -1 if they
// cannot be read. The table hangs off the process environment block
// (GdiSharedHandleTable); Wine lists only the process's own objects there, 24
// bytes each, the type at 14.
constexpr BYTE GDI_TYPE_DC = 1;
inline std::vector<long> CountGdiObjectsByType(HANDLE hProcess) {
    PROCESS_BASIC_INFORMATION info = {};  // a failure leaves no address to read
    ::NtQueryInformationProcess(hProcess, ProcessBasicInformation, &info, sizeof(info), nullptr);
    BYTE* pTable =
        reinterpret_cast<BYTE*>(info.PebBaseAddress) + (sizeof(PVOID) == 8 ? 0xF8 : 0x94);
    std::vector<BYTE> table(0x10000 * 24);
    if (!::ReadProcessMemory(hProcess, pTable, &pTable, sizeof(pTable), nullptr) ||
        !::ReadProcessMemory(hProcess, pTable, table.data(), table.size(), nullptr))
        return std::vector<long>(256, -1);
    std::vector<long> counts(256);
    for (size_t i = 14; i < table.size(); i += 24)
        if (table[i]) ++counts[0], ++counts[table[i]];
    return counts;
}

inline long CountGdiObjects(HANDLE hProcess) {
    return CountGdiObjectsByType(hProcess)[0];
}

// The bytes of memory that the process has committed for itself.
inline SIZE_T PrivateBytes(HANDLE hProcess) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    return ::GetProcessMemoryInfo(hProcess, &counters, sizeof(counters)) ? counters.PagefileUsage
                                                                         : 0;
}

// Replaces one imported function for the test executable, by rewriting its
// import address table, and puts the original back when it goes. Lets a test
// see exactly what the product hands to the system (the tray record, say)
// without any test-only branch in the product.
#pragma once

#include <windows.h>

class ImportHook {
public:
    ImportHook(const char* pszDll, const char* pszFunction, const void* pReplacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Installed() const { return m_ppSlot != nullptr; }
    // The function that was there before, to call through.
    template <class F>
    F Original() const {
        return reinterpret_cast<F>(m_pOriginal);
    }

private:
    void Write(const void* pValue);
    void** m_ppSlot = nullptr;
    void* m_pOriginal = nullptr;
};

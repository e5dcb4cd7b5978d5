// The program's operator new and delete, straight on the process heap. The C++
// library's versions report failure by exception, which would bring the whole
// unwinding machinery into a program that has no use for it. Running out of
// memory ends the program at once, cleanly, rather than carrying on with null.
#include <windows.h>

#include <new>

void* operator new(size_t nSize) {
    void* p = ::HeapAlloc(::GetProcessHeap(), 0, nSize ? nSize : 1);
    if (!p) ::ExitProcess(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

void* operator new[](size_t nSize) {
    return operator new(nSize);
}

void operator delete(void* p) noexcept {
    if (p) ::HeapFree(::GetProcessHeap(), 0, p);
}

void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, size_t) noexcept {
    operator delete(p);
}

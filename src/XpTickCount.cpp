// The thread library that MinGW's C++ runtime links in statically calls GetTickCount64, which
// Windows XP's kernel32 lacks: imported directly, it would keep the program from starting there
// at all ("entry point not found"). This file stands in for that import. It defines the import
// slot the library reads, so the linker takes it instead of kernel32's entry, and fills the slot
// on first use with kernel32's GetTickCount64 where the system has one, else with a stand-in.
// Linked into the program itself, not into a library, so it is always in the link before the
// thread library asks for the slot.
#if defined(__MINGW32__)

#include <windows.h>

namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI FirstTickCount64();

}  // namespace

// The import slot, under the name the thread library's objects refer to.
#if defined(_WIN64)
#define QM_TICK_COUNT_64_SLOT "__imp_GetTickCount64"
#else
#define QM_TICK_COUNT_64_SLOT "__imp__GetTickCount64@0"
#endif
extern "C" {
TickCount64Fn qm_tick_count_64_slot __asm__(QM_TICK_COUNT_64_SLOT) = FirstTickCount64;
}

namespace {

// Before Vista: milliseconds since start-up from the 32-bit count, carried into the high half
// across its wrap after 49.7 days. The thread library uses the count only for timeouts, which
// this program, with its one thread, never waits on.
ULONGLONG WINAPI TickCount64BeforeVista() {
    static volatile LONG last = 0;
    static volatile LONG wraps = 0;
    const DWORD now = ::GetTickCount();
    const DWORD before = static_cast<DWORD>(::InterlockedExchange(&last, static_cast<LONG>(now)));
    if (now < before) ::InterlockedIncrement(&wraps);
    return (static_cast<ULONGLONG>(static_cast<DWORD>(wraps)) << 32) | now;
}

ULONGLONG WINAPI FirstTickCount64() {
    TickCount64Fn found = nullptr;
    if (HMODULE kernel = ::GetModuleHandleA("kernel32.dll"))
        found = reinterpret_cast<TickCount64Fn>(
            reinterpret_cast<void*>(::GetProcAddress(kernel, "GetTickCount64")));
    if (!found) found = TickCount64BeforeVista;
    qm_tick_count_64_slot = found;  // an aligned pointer store: every thread sees one or other
    return found();
}

}  // namespace

#endif  // __MINGW32__

// System functions newer than the oldest Windows the program runs on (XP) are looked up at run
// time: an exe that imported one would not start there at all.
#pragma once

#include <windows.h>

namespace qm::win {

// The function `name` of the already loaded system module `module`, as `Fn`; null where the
// system lacks it.
template <typename Fn>
Fn SystemFunction(const wchar_t* module, const char* name) {
    const HMODULE handle = ::GetModuleHandleW(module);
    if (!handle) return nullptr;
    // Through a generic function pointer type: casting FARPROC straight to another signature
    // draws a warning.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(handle, name)));
}

}  // namespace qm::win

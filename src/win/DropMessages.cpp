#include "win/DropMessages.h"

#include <initializer_list>

namespace qm::win {

namespace {

// Values from the Windows 7 SDK; the program is built against XP's, which lacks them.
constexpr DWORD kMsgFltAllow = 1;
// The message with which the shell hands over the drop's global memory.
constexpr UINT kWmCopyGlobalData = 0x0049;

}  // namespace

MessageFilterFn SystemMessageFilter() {
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    if (!user32) return nullptr;
    return reinterpret_cast<MessageFilterFn>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilterEx")));
}

int AllowDropMessages(HWND window, MessageFilterFn filter) {
    if (!filter || !window) return 0;
    int allowed = 0;
    for (UINT message :
         {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kWmCopyGlobalData})
        if (filter(window, message, kMsgFltAllow, nullptr)) ++allowed;
    return allowed;
}

}  // namespace qm::win

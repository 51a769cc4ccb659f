#include "win/DropMessages.h"

#include <initializer_list>

#include "win/framework/SystemFunction.h"

namespace qm::win {

namespace {

// Values from the Windows 7 SDK; the program is built against XP's, which lacks them. Vista's
// MSGFLT_ADD has the same value as Windows 7's MSGFLT_ALLOW.
constexpr DWORD kMsgFltAllow = 1;
// The message with which the shell hands over the drop's global memory.
constexpr UINT kWmCopyGlobalData = 0x0049;

// Vista has only the process-wide ChangeWindowMessageFilter: it lets the message through to
// every window of the process, which for this program's drop messages is what it wants.
using ProcessFilterFn = BOOL(WINAPI*)(UINT message, DWORD action);

ProcessFilterFn VistaProcessFilter() {
    static const auto filter =
        SystemFunction<ProcessFilterFn>(L"user32.dll", "ChangeWindowMessageFilter");
    return filter;
}

BOOL WINAPI FilterForTheProcess(HWND, UINT message, DWORD action, void*) {
    return VistaProcessFilter()(message, action);
}

}  // namespace

MessageFilterFn SystemMessageFilter() {
    if (auto perWindow =
            SystemFunction<MessageFilterFn>(L"user32.dll", "ChangeWindowMessageFilterEx"))
        return perWindow;
    return VistaProcessFilter() ? FilterForTheProcess : nullptr;
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

// The window procedure of the framework's own window classes (forms, panels).
#pragma once

#include <windows.h>

#include "win/framework/App.h"

namespace qm::win {

// `this` arrives with WM_NCCREATE (the lpParam of CreateWindowEx) and stays in GWLP_USERDATA
// until WM_NCDESTROY; every message in between goes to T::Dispatch behind the exception
// firewall, so nothing unwinds through user32. T gives Attached(HWND), called once the window
// knows its object, and Detached(), called as the window goes; both must not throw.
template <class T>
struct WindowThunk {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        T* self = nullptr;
        if (msg == WM_NCCREATE) {
            self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            if (self) self->Attached(hwnd);
        } else {
            self = reinterpret_cast<T*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        }
        if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
        if (msg == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->Detached();
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
        }
        try {
            return self->Dispatch(msg, wParam, lParam);
        } catch (...) {
            App().HandleException();
            return 0;
        }
    }
};

}  // namespace qm::win

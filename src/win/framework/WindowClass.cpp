#include "win/framework/WindowClass.h"

#include <string>

#include "win/framework/App.h"
#include "win/framework/ComError.h"

namespace qm::win {

void RegisterWindowClass(const wchar_t* name, WNDPROC proc, UINT style, HICON icon) {
    const HINSTANCE instance = App().Instance();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(instance, name, &wc)) return;
    wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = name;
    if (!::RegisterClassExW(&wc)) throw Error(L"RegisterClass failed for " + std::wstring(name));
}

}  // namespace qm::win

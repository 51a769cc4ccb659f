// Registration of the framework's own window classes: the application window, forms, panels.
#pragma once

#include <windows.h>

namespace qm::win {

// Registers a window class of the application's module with the arrow cursor, once: a class the
// module has already registered stays as it is. Raises Error when the system refuses.
void RegisterWindowClass(const wchar_t* name, WNDPROC proc, UINT style, HICON icon);

}  // namespace qm::win

// Drops from the shell on a program that runs elevated. From Vista on, User Interface Privilege
// Isolation keeps the messages of a drop (WM_DROPFILES, WM_COPYDATA and WM_COPYGLOBALDATA) that
// a process of lower integrity, such as Explorer, sends from reaching the program's windows, so
// a drop on the main window of a program run as administrator would do nothing.
#pragma once

#include <windows.h>

namespace qm::win {

// ChangeWindowMessageFilterEx (Windows 7 on), looked up at run time: the program starts on
// systems that lack it. On Vista, which has only the process-wide ChangeWindowMessageFilter,
// SystemMessageFilter hands out a stand-in of this shape that calls that one.
using MessageFilterFn = BOOL(WINAPI*)(HWND window, UINT message, DWORD action, void* status);

// The system's message filter for one window (see above), or null before Vista.
MessageFilterFn SystemMessageFilter();

// Lets the messages of a drop through to the window with `filter`; nothing where it is null (a
// system without the function, and before Vista nothing blocks them). Returns how many of the
// three messages the filter let through.
int AllowDropMessages(HWND window, MessageFilterFn filter = SystemMessageFilter());

}  // namespace qm::win

// Work handed to the Windows shell: opening paths and addresses with their default action, a
// file's Properties dialog, the file-system paths of shell special folders, and shortcut (.lnk)
// files that start the program. All texts are narrow ANSI strings of the system code page.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace qm::win {

// The windows the shell is given as owner: the main window for what ShellOpen and
// ShowFileProperties show, the application's own top-level window for special-folder lookups.
// Both start null; the main window sets them when it is created (and clears them when it goes).
void SetShellOwnerWindows(HWND mainWindow, HWND applicationWindow);

// Hands a path, folder or URL to the shell's default action, with the text up to the path's
// last "\" or ":" as its directory. Never fails: the shell's answer is ignored and any error
// on the way is discarded, so the user sees nothing when the shell cannot open the item.
void ShellOpen(const std::string& file, const std::string& parameters);

// Asks the shell for the Properties dialog of a file. Never fails and shows nothing of its own.
void ShowFileProperties(const std::string& file);

// The file-system path of a shell special folder (a CSIDL number), exactly as the shell writes
// it; empty when the shell cannot resolve the folder.
std::string GetSpecialFolder(int csidl);
std::string GetDesktopFolder();  // CSIDL_DESKTOP
std::string GetStartupFolder();  // CSIDL_STARTUP
std::string GetSendToFolder();   // CSIDL_SENDTO

// Writes "<folder>\<linkName>.lnk", a shortcut that starts `target` with the arguments
// "/starup" in the target's own folder, replacing any file of that name. One trailing "\" of
// the folder is dropped before the name is joined. Raises ComError when the shell-link object
// cannot be made or saved, and Error when `folder` is empty (a special folder the shell could
// not resolve), rather than writing the link into the root of the current drive.
void CreateShortcut(const std::string& target, const std::string& folder,
                    const std::string& linkName);

// The two shell calls behind ShellOpen and ShowFileProperties. Tests put recorders here;
// SetShellLaunchCalls returns what was installed before so it can be put back.
struct ShellLaunchCalls {
    using Execute = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    using ExecuteEx = BOOL(WINAPI*)(SHELLEXECUTEINFOA*);
    Execute execute = ::ShellExecuteA;
    ExecuteEx executeEx = ::ShellExecuteExA;
};
ShellLaunchCalls SetShellLaunchCalls(const ShellLaunchCalls& calls);

}  // namespace qm::win

#include "win/ShellServices.h"

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>

#include "core/PathPieces.h"
#include "win/framework/AnsiText.h"
#include "win/framework/ComError.h"
#include "win/framework/Raii.h"

namespace qm::win {

namespace {

HWND g_mainWindow = nullptr;
HWND g_applicationWindow = nullptr;
ShellLaunchCalls g_launch;

// The shell's Properties request, with NOCLOSEPROCESS so a process the shell starts for it comes
// back to be closed here, and FLAG_NO_UI so a failure shows nothing.
constexpr ULONG kPropertiesMask =
    SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
static_assert(kPropertiesMask == 0x44C, "the Properties request's mask");
#ifndef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "the 32-bit Properties request record");
#endif

constexpr char kShortcutArguments[] = "/starup";

}  // namespace

void SetShellOwnerWindows(HWND mainWindow, HWND applicationWindow) {
    g_mainWindow = mainWindow;
    g_applicationWindow = applicationWindow;
}

ShellLaunchCalls SetShellLaunchCalls(const ShellLaunchCalls& calls) {
    ShellLaunchCalls previous = g_launch;
    g_launch = calls;
    return previous;
}

void ShellOpen(const std::string& file, const std::string& parameters) {
    try {
        const std::string directory = FolderPiece(file, SystemLeadBytes());
        // c_str() of an empty text is an empty string, never null, as the shell expects.
        g_launch.execute(g_mainWindow, nullptr, file.c_str(), parameters.c_str(), directory.c_str(),
                         SW_SHOW);
    } catch (...) {
        // Opening is a courtesy: nothing is reported when it cannot happen.
    }
}

void ShowFileProperties(const std::string& file) {
    SHELLEXECUTEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = kPropertiesMask;
    info.hwnd = g_mainWindow;
    info.lpVerb = "properties";
    info.lpFile = file.c_str();
    g_launch.executeEx(&info);
    UniqueKernelHandle process(info.hProcess);  // closed here should the shell hand one back
}

std::string GetSpecialFolder(int csidl) {
    LPITEMIDLIST list = nullptr;
    ::SHGetSpecialFolderLocation(g_applicationWindow, csidl, &list);
    UniqueCoTaskMem listGuard(list);
    if (!list) return std::string();
    char path[MAX_PATH + 1] = {};
    if (!::SHGetPathFromIDListA(list, path)) return std::string();
    const void* end = std::memchr(path, '\0', sizeof path);
    return std::string(path, end ? static_cast<const char*>(end) - path : sizeof path);
}

std::string GetDesktopFolder() {
    return GetSpecialFolder(CSIDL_DESKTOP);
}
std::string GetStartupFolder() {
    return GetSpecialFolder(CSIDL_STARTUP);
}
std::string GetSendToFolder() {
    return GetSpecialFolder(CSIDL_SENDTO);
}

void CreateShortcut(const std::string& target, const std::string& folder,
                    const std::string& linkName) {
    if (folder.empty()) throw Error(L"ショートカットを作るフォルダが見つかりません");

    const LeadBytes& lead = SystemLeadBytes();
    // Declared in this order so the object's IUnknown goes first, then IPersistFile, then
    // IShellLinkA, on every way out.
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    ComPtr<IUnknown> object;
    OleCheck(::CoCreateInstance(CLSID_ShellLink, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                object.PutVoid()));
    OleCheck(object.As(link));
    OleCheck(link.As(file));

    // The object keeps what it is given; these answers are not examined.
    link->SetArguments(kShortcutArguments);
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(ShortcutWorkingDirectory(target, lead).c_str());

    const std::wstring linkPath = AnsiToWide(ShortcutLinkPath(folder, linkName, lead));
    OleCheck(file->Save(linkPath.c_str(), FALSE));
}

}  // namespace qm::win

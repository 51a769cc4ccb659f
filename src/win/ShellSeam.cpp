#include "win/ShellSeam.h"

#include <string>
#include <utility>

#include "win/ComError.h"
#include "win/ShellTitle.h"

// The built-in title shell joins the seam here, as soon as its header is in the tree. It is
// expected to declare `ComPtr<IDispatch> qm::win::CreateBuiltInTitleShell()`. Until then the
// fallback is the system's object, whose failing call then raises as any failed call does.
#if defined(__has_include)
#if __has_include("win/TitleShell.h")
#include "win/TitleShell.h"
#define QM_HAVE_BUILT_IN_TITLE_SHELL 1
#endif
#endif

namespace qm::win {

namespace {

ShellObjectFactory& InstalledFactory() {
    static ShellObjectFactory factory;
    return factory;
}

ComPtr<IDispatch> CreateFallbackShellObject() {
#ifdef QM_HAVE_BUILT_IN_TITLE_SHELL
    return CreateBuiltInTitleShell();
#else
    return CreateSystemShellObject();
#endif
}

}  // namespace

ComPtr<IDispatch> CreateSystemShellObject() {
    CLSID clsid = {};
    OleCheck(::CLSIDFromProgID(L"Shell.Application", &clsid));
    ComPtr<IDispatch> shell;
    OleCheck(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, shell.PutVoid()));
    if (!shell) throw ComError(E_NOINTERFACE);
    return shell;
}

bool SystemShellAnswersTitle() {
    // A system file in the system folder: present on every Windows, and its path is plain
    // ASCII, so the probe does not depend on the ANSI code page.
    char buf[MAX_PATH + 1] = {};
    UINT n = ::GetSystemDirectoryA(buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    std::string folder(buf, n);
    if (folder.back() != '\\') folder += '\\';
    try {
        ComPtr<IDispatch> shell = CreateSystemShellObject();
        return AskShellTitle(shell.Get(), folder, "kernel32.dll").has_value();
    } catch (const std::exception&) {
        return false;
    }
}

ComPtr<IDispatch> CreateShellObject() {
    if (const ShellObjectFactory& factory = InstalledFactory()) return factory();
    static const bool systemAnswers = SystemShellAnswersTitle();
    return systemAnswers ? CreateSystemShellObject() : CreateFallbackShellObject();
}

void SetShellObjectFactory(ShellObjectFactory factory) {
    InstalledFactory() = std::move(factory);
}

void ResetShellObjectFactory() {
    InstalledFactory() = nullptr;
}

}  // namespace qm::win

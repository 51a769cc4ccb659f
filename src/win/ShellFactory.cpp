#include "win/ShellFactory.h"

#include <string>
#include <utility>

#include "win/framework/ComError.h"
#include "win/TitleQuery.h"
#include "win/BuiltInTitleShell.h"

namespace qm::win {

namespace {

ShellObjectFactory& InstalledFactory() {
    static ShellObjectFactory factory;
    return factory;
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
        // An answer of any Title, empty included, from a column or property known to be the
        // Title; not just any answer of GetDetailsOf.
        return AskShellTitle(shell.Get(), folder, "kernel32.dll").kind == ShellTitleAnswer::Title;
    } catch (...) {
        return false;
    }
}

ComPtr<IDispatch> CreateShellObject() {
    if (const ShellObjectFactory& factory = InstalledFactory()) return factory();
    static const bool systemAnswers = SystemShellAnswersTitle();
    return systemAnswers ? CreateSystemShellObject() : CreateBuiltInTitleShell();
}

void SetShellObjectFactory(ShellObjectFactory factory) {
    InstalledFactory() = std::move(factory);
}

void ResetShellObjectFactory() {
    InstalledFactory() = nullptr;
}

}  // namespace qm::win

#include "win/framework/App.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>

#include "core/AppTitle.h"
#include "win/framework/AnsiText.h"
#include "win/framework/ComError.h"
#include "win/framework/Form.h"
#include "win/framework/WindowClass.h"

namespace qm::win {

ComApartment::ComApartment() : result_(::CoInitialize(nullptr)), held_(SUCCEEDED(result_)) {}

void ComApartment::Release() {
    if (held_) ::CoUninitialize();
    held_ = false;
}

std::string AppTitleOf(const std::string& modulePath) {
    return AppTitleFromModulePath(modulePath, SystemLeadBytes(), [](std::string_view rest) {
        std::string lower(rest);
        if (!lower.empty()) ::CharLowerA(&lower[0]);
        return lower;
    });
}

namespace {

const wchar_t kOwnerClass[] = L"QuillmarkApplication";

// The whole first character of a locale setting, in the ANSI code page the program writes its
// text in (a full-width comma is two bytes in code page 932).
std::string FirstCharOfLocaleInfo(LCID locale, LCTYPE type, const char* fallback) {
    char buffer[16] = {};
    const int n =
        ::GetLocaleInfoA(locale, type | LOCALE_USE_CP_ACP, buffer, static_cast<int>(sizeof buffer));
    if (n <= 0) return fallback;
    const std::string_view text(buffer, std::find(buffer, buffer + sizeof buffer, '\0') - buffer);
    return std::string(FirstCharacter(text, SystemLeadBytes()));
}

// The path of the running executable as the title rule reads it: a buffer of 256 characters.
std::string ModulePathForTitle() {
    char buf[256] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n > sizeof buf) n = sizeof buf;
    return std::string(buf, std::find(buf, buf + n, '\0'));
}

}  // namespace

ShiftState CurrentShiftState() {
    ShiftState s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    if (::GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    return s;
}

Separators ReadSeparators(LCID locale) {
    Separators separators;
    separators.thousand = FirstCharOfLocaleInfo(locale, LOCALE_STHOUSAND, ",");
    separators.decimal = FirstCharOfLocaleInfo(locale, LOCALE_SDECIMAL, ".");
    return separators;
}

Application::Application() : title_(AppTitleOf(ModulePathForTitle())) {}

Application::~Application() = default;

Application& App() {
    static Application app;
    return app;
}

void Application::Initialize(HINSTANCE instance) {
    if (instance_) return;
    instance_ = instance ? instance : ::GetModuleHandleW(nullptr);
    // From the thread's locale at start-up; the owner window reads them again on every settings
    // broadcast.
    separators_ = ReadSeparators(::GetThreadLocale());
    // The runtime's COM start-up: a second CoInitialize, balanced in Finalize on success.
    runtimeCom_ = new ComApartment();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    CreateOwnerWindow();
}

void Application::Finalize() {
    if (owner_) ::DestroyWindow(owner_);
    owner_ = nullptr;
    delete runtimeCom_;
    runtimeCom_ = nullptr;
}

HICON Application::MainIcon() const {
    HICON icon = ::LoadIconW(Instance(), L"MAINICON");
    return icon ? icon : ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
}

void Application::CreateOwnerWindow() {
    RegisterWindowClass(kOwnerClass, OwnerProc, 0, MainIcon());
    // A window without size in the middle of the screen: it has a caption, so the taskbar
    // gives it a button, but nothing of it shows.
    const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    owner_ =
        ::CreateWindowExW(0, kOwnerClass, AnsiToWide(title_).c_str(),
                          WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x,
                          y, 0, 0, nullptr, nullptr, instance_, nullptr);
    if (!owner_) throw Error(L"CreateWindow failed for the application window");
}

LRESULT CALLBACK Application::OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        Application& app = App();
        switch (msg) {
            case WM_SETTINGCHANGE:
                app.separators_ = ReadSeparators(LOCALE_USER_DEFAULT);
                break;
            case WM_ACTIVATE:
                // Clicking the taskbar button activates this window: hand the activation on to
                // the form the user works with.
                if (LOWORD(wParam) != WA_INACTIVE) {
                    HWND target = nullptr;
                    for (Form* form : app.forms_)
                        if (form->Modal() && form->Visible()) target = form->Handle();
                    if (!target && app.mainForm_ && app.mainForm_->Visible())
                        target = app.mainForm_->Handle();
                    if (target && ::IsWindowEnabled(target)) ::SetActiveWindow(target);
                    return 0;
                }
                break;
            case WM_CLOSE:
                if (app.mainForm_) app.mainForm_->Close();
                return 0;
            default:
                break;
        }
    } catch (...) {
        App().HandleException();
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Application::ShowError(const std::exception& e) noexcept {
    try {
        const std::wstring message = MessageOf(e);
        if (errorDisplay_) {
            errorDisplay_(message);
            return;
        }
        HWND parent = ::GetActiveWindow();
        if (!parent) parent = owner_;
        ::MessageBoxW(parent, message.c_str(), AnsiToWide(title_).c_str(), MB_ICONERROR | MB_OK);
    } catch (...) {
        // The display itself failed (out of memory); nothing more can be shown.
    }
}

void Application::SetErrorDisplay(std::function<void(const std::wstring&)> display) {
    errorDisplay_ = std::move(display);
}

void Application::HandleException() noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        ShowError(e);
    } catch (...) {
        ShowError(Error(L"Unexpected error"));
    }
}

HCURSOR Application::AppCursorHandle() const {
    return ::LoadCursorW(nullptr, cursor_ == crHourGlass ? MAKEINTRESOURCEW(32514)    // IDC_WAIT
                                                         : MAKEINTRESOURCEW(32512));  // IDC_ARROW
}

void Application::SetAppCursor(int cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    if (cursor_ != crDefault) {
        ::SetCursor(AppCursorHandle());
    } else {
        // Every window picks its own cursor again on the next WM_SETCURSOR; moving the pointer
        // where it is sends one now.
        POINT pt;
        if (::GetCursorPos(&pt)) ::SetCursorPos(pt.x, pt.y);
    }
}

void Application::RegisterForm(Form* form) {
    if (std::find(forms_.begin(), forms_.end(), form) == forms_.end()) forms_.push_back(form);
}

void Application::UnregisterForm(Form* form) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
    if (mainForm_ == form) mainForm_ = nullptr;
}

Form* Application::FormFromHandle(HWND hwnd) const {
    if (!hwnd) return nullptr;
    for (Form* form : forms_)
        if (form->Handle() == hwnd) return form;
    return nullptr;
}

void Application::FormDestroyed(Form& form) {
    if (&form == mainForm_) {
        ::PostQuitMessage(0);
        return;
    }
    // A form that hid the owner window (and with it the taskbar button) while it was up: the
    // button comes back as long as the main form is visible.
    if (owner_ && mainForm_ && mainForm_->Visible() && !::IsWindowVisible(owner_))
        ::ShowWindow(owner_, SW_SHOWNOACTIVATE);
}

// Key preview and dialog keys, before the message reaches the focused control. True when the
// message is used up.
bool Application::PreviewKey(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    Form* form = FormFromHandle(::GetAncestor(msg.hwnd, GA_ROOT));
    if (!form) return false;
    const ShiftState shift = CurrentShiftState();
    // Tab and Shift+Tab move the focus, unless the focused control takes tabs itself.
    if (msg.wParam == VK_TAB && !(shift & (ssCtrl | ssAlt))) {
        const LRESULT code = msg.hwnd == form->Handle()
                                 ? 0
                                 : ::SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam,
                                                  reinterpret_cast<LPARAM>(&msg));
        if (!(code & (DLGC_WANTTAB | DLGC_WANTALLKEYS))) {
            form->SelectNext(!(shift & ssShift));
            return true;
        }
    }
    if (msg.hwnd == form->Handle() || !form->KeyPreview()) return false;
    WORD key = static_cast<WORD>(msg.wParam);
    form->KeyDown(key, shift);
    if (key == 0) return true;
    msg.wParam = key;
    return false;
}

void Application::DispatchOne(MSG& msg) {
    try {
        if (PreviewKey(msg)) return;
    } catch (...) {
        HandleException();
        return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void Application::ProcessMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchOne(msg);
    }
}

int Application::Run(Form& mainForm) {
    mainForm_ = &mainForm;
    if (owner_) {
        ::SetWindowTextW(owner_, AnsiToWide(title_).c_str());
        ::ShowWindow(owner_, SW_SHOWNORMAL);
    }
    mainForm.Show();
    MSG msg = {};
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return 1;
        DispatchOne(msg);
    }
}

namespace {

struct DisabledWindows {
    HWND keep;
    std::vector<HWND> windows;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM param) {
    auto* state = reinterpret_cast<DisabledWindows*>(param);
    if (hwnd != state->keep && ::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) {
        ::EnableWindow(hwnd, FALSE);
        state->windows.push_back(hwnd);
    }
    return TRUE;
}

}  // namespace

int Application::RunModal(Form& form) {
    if (!form.Handle()) throw Error(L"RunModal: the form has no window");
    HWND previous = ::GetActiveWindow();
    DisabledWindows disabled{form.Handle(), {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled));

    // Whatever way the loop ends, the other windows take input again before the form goes,
    // so the activation returns to them and not to another program.
    struct Restore {
        Form& form;
        DisabledWindows& disabled;
        HWND previous;
        ~Restore() {
            for (HWND hwnd : disabled.windows)
                if (::IsWindow(hwnd)) ::EnableWindow(hwnd, TRUE);
            form.modal_ = false;
            if (form.Handle()) form.Hide();
            if (previous && ::IsWindow(previous)) ::SetActiveWindow(previous);
        }
    } restore{form, disabled, previous};

    form.modal_ = true;
    form.modalResult_ = mrNone;
    form.Show();
    ::SetActiveWindow(form.Handle());
    MSG msg = {};
    while (form.Handle() && form.modalResult_ == mrNone) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: the outer loop must see the quit message too.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            if (form.modalResult_ == mrNone) form.modalResult_ = mrCancel;
            break;
        }
        if (got == -1) break;
        DispatchOne(msg);
    }
    if (!form.Handle() && form.modalResult_ == mrNone) form.modalResult_ = mrCancel;
    return form.modalResult_;
}

}  // namespace qm::win

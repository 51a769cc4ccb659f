// The application object: the hidden owner window that carries the taskbar button and owns every
// form, the application title, the message loop and the modal loop, the application-wide
// cursor, the top-level error display and the re-reading of locale settings.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "core/Format.h"

namespace qm::win {

class Form;

// Application-wide cursors.
inline constexpr int crDefault = 0;
inline constexpr int crHourGlass = -11;

// Shift state of a key event.
using ShiftState = unsigned;
enum : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
ShiftState CurrentShiftState();

// Modal results.
inline constexpr int mrNone = 0;
inline constexpr int mrCancel = 2;

// Holds one CoInitialize of the calling thread and balances it with CoUninitialize, but only
// when it succeeded (S_OK, or S_FALSE for a thread already initialised).
class ComApartment {
  public:
    ComApartment();
    ~ComApartment() { Release(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT Result() const { return result_; }
    void Release();

  private:
    HRESULT result_;
    bool held_;
};

class Application {
  public:
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up: COM for the runtime (its own CoInitialize, balanced in Finalize), the number
    // separators, the common controls, the owner window. Safe to call more than once; the first
    // call counts.
    void Initialize(HINSTANCE instance);
    // Shut-down: destroys the owner window and balances Initialize's CoInitialize.
    void Finalize();

    // The module the program's windows belong to: the one Initialize was given, else (before
    // Initialize) the executable's.
    HINSTANCE Instance() const { return instance_ ? instance_ : ::GetModuleHandleW(nullptr); }

    // The executable's file name without folder, cut before its first ".", every character after
    // the first lower-cased; fixed when the application object comes into being.
    const std::string& Title() const { return title_; }

    // The top-level window that owns every form and carries the taskbar button.
    HWND OwnerWindow() const { return owner_; }

    // The program's main icon (shared; not to be destroyed).
    HICON MainIcon() const;

    // Shows the main form and runs the message loop until the main form is closed. Returns the
    // WM_QUIT exit code.
    int Run(Form& mainForm);
    Form* MainForm() const { return mainForm_; }
    // The form whose closing ends the program (Run sets it).
    void SetMainForm(Form* form) { mainForm_ = form; }

    // Shows the form modally: every other window of the program is disabled, messages are pumped
    // until the form's modal result is set or its window goes, then the windows are enabled
    // again and the form hidden. Returns the modal result.
    int RunModal(Form& form);

    // One message through key preview, translation and dispatch.
    void DispatchOne(MSG& msg);
    // Handles every message already waiting, then returns.
    void ProcessMessages();

    // The top-level error display: the exception's message in a message box with the error icon
    // and one OK button, titled with the application title. The display can be replaced (tests
    // install a recorder); an empty function restores the message box.
    void ShowError(const std::exception& e) noexcept;
    void SetErrorDisplay(std::function<void(const std::wstring&)> display);
    // For catch (...) in every thunk: shows the exception in flight. Never throws.
    void HandleException() noexcept;

    // The application-wide cursor (crHourGlass or crDefault), shown over every window while it
    // is not crDefault.
    void SetAppCursor(int cursor);
    int AppCursor() const { return cursor_; }
    // The cursor handle to show while AppCursor() is not crDefault.
    HCURSOR AppCursorHandle() const;

    // The thousands and decimal separators numbers are written with. Initialize reads them from
    // the thread's locale; from then on every settings broadcast that reaches the owner window
    // (WM_SETTINGCHANGE) reads them again, from the user's default locale.
    const Separators& NumberSeparators() const { return separators_; }

    // Live forms, for the key preview and the modal loop.
    void RegisterForm(Form* form);
    void UnregisterForm(Form* form);
    Form* FormFromHandle(HWND hwnd) const;
    // Called by a form whose window is being destroyed.
    void FormDestroyed(Form& form);

  private:
    friend Application& App();
    Application();
    ~Application();

    void CreateOwnerWindow();
    bool PreviewKey(MSG& msg);
    static LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_ = nullptr;
    std::string title_;
    HWND owner_ = nullptr;
    Form* mainForm_ = nullptr;
    ComApartment* runtimeCom_ = nullptr;
    int cursor_ = crDefault;
    std::function<void(const std::wstring&)> errorDisplay_;
    Separators separators_;
    std::vector<Form*> forms_;
};

// The single application object.
Application& App();

// The title rule applied to a module path, with the system's lead bytes and CharLowerA.
std::string AppTitleOf(const std::string& modulePath);

// The locale's thousands and decimal separators, each the first character of the locale's
// setting; "," and "." where the locale cannot be queried.
Separators ReadSeparators(LCID locale);

}  // namespace qm::win

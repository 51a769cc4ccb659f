// Helpers for the tests of the framework layer on real windows: the application object made
// ready, a recorder in place of the error message box, message pumping with a time limit, the
// language of the system's messages, and a probe form with one control of most kinds.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "win/framework/App.h"
#include "win/framework/ComError.h"
#include "win/framework/Form.h"
#include "win/framework/Layout.h"
#include "win/framework/controls/Button.h"
#include "win/framework/controls/Control.h"
#include "win/framework/controls/Edit.h"
#include "win/framework/controls/Label.h"
#include "win/framework/controls/Panel.h"
#include "win/framework/controls/Timer.h"

namespace qm::win::test {

// The application object with its owner window, as the program has it after start-up.
inline void EnsureApp() {
    App().Initialize(::GetModuleHandleW(nullptr));
}

// Replaces the error display with a recorder for the test's lifetime.
class ErrorRecorder {
  public:
    ErrorRecorder() {
        App().SetErrorDisplay([this](const std::wstring& message) {
            messages.push_back(message);
            if (onShow) onShow();
        });
    }
    ~ErrorRecorder() { App().SetErrorDisplay(nullptr); }
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;

    std::vector<std::wstring> messages;
    std::function<void()> onShow;  // runs while the message is being shown
};

// Pumps messages until the condition holds or the time is up; returns the condition.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        App().ProcessMessages();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Whether the system writes its messages in Japanese (the code-page 932 run) rather than in
// English.
inline bool JapaneseMessages() {
    return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

inline const FontSpec kArial = {L"Arial", 13, ANSI_CHARSET, clNavy, false, true};

// A form with a bordered panel holding two overlapping labels, a hidden label, an edit box and a
// button whose handler throws on demand, and a timer that stops itself after a set number of
// ticks. It records clicks and the keys its key preview sees.
class ProbeForm : public Form {
  public:
    Panel Back;
    Label Under;  // partly covered by Over
    Label Over;
    Label Hidden;
    Edit Box;
    Button Throwing;
    Timer Tick;

    void UnderClick(Control& sender) { clicks.push_back(&sender); }
    void OverClick(Control& sender) { clicks.push_back(&sender); }
    void HiddenClick(Control& sender) { clicks.push_back(&sender); }
    void ThrowingClick(Control&) {
        ++throwingClicks;
        if (throwWhat == 1) throw Error(L"ボタンのエラー");
        if (throwWhat == 2) throw 42;
    }
    void TickTimer(Control&) {
        ++ticks;
        if (ticks == stopAfter) Tick.SetEnabled(false);
    }

    std::vector<Control*> clicks;
    std::vector<WORD> keys;
    int throwingClicks = 0;
    int throwWhat = 0;
    int ticks = 0;
    int stopAfter = 0;
    bool closeOnKey = false;
    bool hideOwnerOnShow = false;

    static const FormDef& Layout() {
        using K = ControlKind;
        using P = ProbeForm;
        // clang-format off
        static const ControlRow rows[] = {
            {"Back",     K::Panel,  nullptr, {  8,   8, 300, 300}, nullptr,             nullptr, clWhite,  0,                          0, FieldOf<&P::Back>,     nullptr,                      BorderExtra(10)},
            {"Under",    K::Label,  "Back",  { 56,  16,  10,  10}, L"Underneath label", nullptr, clParent, kTransparent | kHandCursor, -1, FieldOf<&P::Under>,    HandlerOf<&P::UnderClick>,    {}},
            {"Over",     K::Label,  "Back",  { 56,   6,  10,  10}, L"Over",             &kArial, clParent, 0,                         -1, FieldOf<&P::Over>,     HandlerOf<&P::OverClick>,     {}},
            {"Hidden",   K::Label,  "Back",  {200, 250,  10,  10}, L"Hidden far away",  nullptr, clParent, kHidden,                   -1, FieldOf<&P::Hidden>,   HandlerOf<&P::HiddenClick>,   {}},
            {"Box",      K::Edit,   "Back",  { 56,  60,  80,  21}, L"",                 nullptr, clParent, 0,                          0, FieldOf<&P::Box>,      nullptr,                      {}},
            {"Throwing", K::Button, "Back",  { 56,  90,  80,  25}, L"Go",               nullptr, clParent, 0,                          1, FieldOf<&P::Throwing>, HandlerOf<&P::ThrowingClick>, {}},
            {"Tick",     K::Timer,  nullptr, {  0,   0,   0,   0}, nullptr,             nullptr, clParent, kDisabled,                 -1, FieldOf<&P::Tick>,     HandlerOf<&P::TickTimer>,     IntervalExtra(10)},
        };
        static const FormDef def = {
            "ProbeForm", L"TProbeForm", L"ProbeForm", 100, 100, 357, 423, FormBorder::Dialog, clWhite,
            {L"Arial", 13, ANSI_CHARSET, clWindowText, false, false}, true, rows, sizeof rows / sizeof rows[0],
        };
        // clang-format on
        return def;
    }

  protected:
    const FormDef& Definition() const override { return Layout(); }
    void OnKeyDown(WORD& key, ShiftState) override {
        keys.push_back(key);
        if (closeOnKey) Close();
    }
    void OnShow() override {
        if (hideOwnerOnShow) ::ShowWindow(App().OwnerWindow(), SW_HIDE);
    }
};

// A fresh probe form for every test.
class FrameworkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApp();
        form = Form::New<ProbeForm>();
    }
    void Click(HWND hwnd, int x, int y, int upX, int upY) {
        ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(upX, upY));
    }
    FormPtr<ProbeForm> form;
};

}  // namespace qm::win::test

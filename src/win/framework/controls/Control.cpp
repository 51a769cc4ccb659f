#include "win/framework/controls/Control.h"

#include <cstddef>

#include "win/framework/AnsiText.h"
#include "win/framework/App.h"
#include "win/framework/ComError.h"
#include "win/framework/Container.h"

namespace qm::win {

Control::~Control() {
    if (parent_) parent_->RemoveChild(this);
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        HWND hwnd = hwnd_;
        hwnd_ = nullptr;
        ::DestroyWindow(hwnd);
    }
}

Control* Control::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    return reinterpret_cast<Control*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Control::Setup(const ControlRow& row, HWND) {
    if (row.caption) caption_ = row.caption;
}

void Control::CreateWindowFor(const wchar_t* className, DWORD style, DWORD exStyle,
                              HWND parentWindow) {
    if (visible_) style |= WS_VISIBLE;
    hwnd_ = ::CreateWindowExW(exStyle, className, caption_.c_str(), WS_CHILD | style, bounds_.left,
                              bounds_.top, Width(), Height(), parentWindow, nullptr,
                              App().Instance(), nullptr);
    if (!hwnd_) throw Error(L"CreateWindow failed for " + AnsiToWide(name_));
    // Panels keep their own pointer from WM_NCCREATE on; system controls get it here.
    if (!::GetWindowLongPtrW(hwnd_, GWLP_USERDATA))
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (font_) ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

void Control::InvalidateInParent() const {
    if (!parent_ || !parent_->ContainerHandle()) return;
    ::InvalidateRect(parent_->ContainerHandle(), &bounds_, TRUE);
}

void Control::SetBounds(int left, int top, int width, int height) {
    const bool resized = width != Width() || height != Height();
    if (IsGraphic()) InvalidateInParent();
    bounds_ = {left, top, left + width, top + height};
    if (hwnd_)
        ::SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (IsGraphic()) InvalidateInParent();
    if (resized && parent_ && visible_) parent_->ChildResized();
}

void Control::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (hwnd_) ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
    if (IsGraphic()) InvalidateInParent();
    if (parent_) parent_->ChildResized();
}

std::wstring Control::Caption() const {
    if (!hwnd_) return caption_;
    const int n = ::GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = ::GetWindowTextW(hwnd_, &text[0], n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

std::string Control::CaptionAnsi() const {
    const std::wstring text = Caption();
    return WideToAnsi(text.c_str(), static_cast<int>(text.size()));
}

void Control::SetCaption(const std::wstring& text) {
    caption_ = text;
    if (hwnd_) ::SetWindowTextW(hwnd_, caption_.c_str());
    TextChanged();
    if (IsGraphic()) InvalidateInParent();
}

void Control::SetCaption(const std::string& ansi) {
    SetCaption(AnsiToWide(ansi));
}

void Control::Click() {
    if (OnClick) OnClick(*this);
}

}  // namespace qm::win

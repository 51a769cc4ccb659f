#include "win/framework/controls/Panel.h"

#include "win/framework/AnsiText.h"
#include "win/framework/App.h"
#include "win/framework/ComError.h"
#include "win/framework/WindowClass.h"
#include "win/framework/WindowThunk.h"

namespace qm::win {

namespace {
const wchar_t kPanelClass[] = L"QuillmarkPanel";
}

Panel::~Panel() {
    // The panel's window takes the windows of its children with it.
    DetachChildren();
}

void Panel::Setup(const ControlRow& row, HWND parentWindow) {
    Control::Setup(row, parentWindow);
    caption_.clear();
    border_ = row.extra.borderWidth;
    containerFont_ = font_;
    containerFontColor_ = fontColor_;
    containerColor_ = backColor_;
    RegisterWindowClass(kPanelClass, WindowThunk<Panel>::Proc, CS_DBLCLKS, nullptr);
    DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0);
    hwnd_ =
        ::CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", style, bounds_.left, bounds_.top,
                          Width(), Height(), parentWindow, nullptr, App().Instance(), this);
    if (!hwnd_) throw Error(L"CreateWindow failed for " + AnsiToWide(name_));
}

void Panel::SetBounds(int left, int top, int width, int height) {
    Control::SetBounds(left, top, width, height);
}

void Panel::ResizeClient(int width, int height) {
    SetBounds(Left(), Top(), width + 2 * border_, height + 2 * border_);
}

LRESULT Panel::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleContainerMessage(msg, wParam, lParam, result)) return result;
    switch (msg) {
        case WM_NCCALCSIZE:
            // The border is outside the client area: the children's places are measured from
            // inside it.
            if (wParam) {
                auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
                ::InflateRect(&params->rgrc[0], -border_, -border_);
                return 0;
            }
            ::InflateRect(reinterpret_cast<RECT*>(lParam), -border_, -border_);
            return 0;
        case WM_NCPAINT: {
            if (border_ <= 0) return 0;
            HDC dc = ::GetWindowDC(hwnd_);
            if (dc) {
                RECT rc;
                ::GetWindowRect(hwnd_, &rc);
                ::OffsetRect(&rc, -rc.left, -rc.top);
                ::ExcludeClipRect(dc, border_, border_, rc.right - border_, rc.bottom - border_);
                FillBackground(dc, rc);
                ::ReleaseDC(hwnd_, dc);
            }
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT rc;
            ::GetClientRect(hwnd_, &rc);
            FillBackground(reinterpret_cast<HDC>(wParam), rc);
            PaintGraphics(reinterpret_cast<HDC>(wParam), rc);
            return 0;
        }
        default:
            return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
}

}  // namespace qm::win

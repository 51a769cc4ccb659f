#include "win/framework/Container.h"

#include <windowsx.h>

#include <algorithm>

#include "win/framework/App.h"
#include "win/framework/Raii.h"
#include "win/framework/controls/Control.h"

namespace qm::win {

void Container::RemoveChild(Control* child) {
    children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
    if (pressed_ == child) pressed_ = nullptr;
}

void Container::DetachChildren() {
    for (Control* c : children_) {
        c->parent_ = nullptr;
        ForgetWindow(*c);
    }
    children_.clear();
    pressed_ = nullptr;
}

void Container::ForgetWindow(Control& c) {
    if (auto* panel = dynamic_cast<Container*>(&c)) {
        for (Control* child : panel->children_)
            ForgetWindow(*child);
    }
    if (c.kind_ != ControlKind::Panel) c.hwnd_ = nullptr;
}

void Container::ForgetChildWindows() {
    for (Control* c : children_)
        ForgetWindow(*c);
}

void Container::SetAutoSize(bool on) {
    autoSize_ = on;
    if (on) FitToChildren();
}

void Container::ChildResized() {
    if (autoSize_ && !fitting_) FitToChildren();
}

void Container::FitToChildren() {
    if (fitting_) return;
    RECT box = {};
    bool any = false;
    for (Control* c : children_) {
        if (!c->Visible() || c->Kind() == ControlKind::Timer) continue;
        if (!any) {
            box = c->Bounds();
            any = true;
        } else {
            box.left = std::min(box.left, c->Bounds().left);
            box.top = std::min(box.top, c->Bounds().top);
            box.right = std::max(box.right, c->Bounds().right);
            box.bottom = std::max(box.bottom, c->Bounds().bottom);
        }
    }
    if (!any) return;
    fitting_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{fitting_};
    if (box.left != 0 || box.top != 0) {
        for (Control* c : children_) {
            if (!c->Visible() || c->Kind() == ControlKind::Timer) continue;
            c->SetBounds(c->Left() - box.left, c->Top() - box.top, c->Width(), c->Height());
        }
    }
    ResizeClient(box.right - box.left, box.bottom - box.top);
}

Control* Container::GraphicAt(POINT pt) const {
    // Later controls lie over earlier ones.
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        Control* c = *it;
        if (c->IsGraphic() && c->Visible() && ::PtInRect(&c->Bounds(), pt)) return c;
    }
    return nullptr;
}

void Container::FillBackground(HDC dc, const RECT& rc) const {
    UniqueGdiObject brush(::CreateSolidBrush(ResolveColor(containerColor_)));
    ::FillRect(dc, &rc, static_cast<HBRUSH>(brush.Get()));
}

void Container::PaintGraphics(HDC dc, const RECT& update) {
    for (Control* c : children_) {
        RECT overlap;
        if (!c->IsGraphic() || !c->Visible() || !::IntersectRect(&overlap, &c->Bounds(), &update))
            continue;
        const int saved = ::SaveDC(dc);
        c->Paint(dc);
        ::RestoreDC(dc, saved);
    }
}

bool Container::HandleContainerMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return HandlePaint(msg, wParam, result) || RouteToChild(msg, wParam, lParam, result) ||
           HandleMouse(msg, wParam, lParam, result);
}

bool Container::HandlePaint(UINT msg, WPARAM wParam, LRESULT& result) {
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        ::GetClientRect(ContainerHandle(), &rc);
        FillBackground(reinterpret_cast<HDC>(wParam), rc);
        result = 1;
        return true;
    }
    if (msg != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(ContainerHandle(), &ps);
    result = 0;
    if (!dc) return true;
    struct End {
        HWND hwnd;
        PAINTSTRUCT& ps;
        ~End() { ::EndPaint(hwnd, &ps); }
    } end{ContainerHandle(), ps};
    const int saved = ::SaveDC(dc);
    PaintOwn(dc);
    ::RestoreDC(dc, saved);
    PaintGraphics(dc, ps.rcPaint);
    return true;
}

bool Container::RouteToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_COMMAND) {
        if (!lParam) return false;
        Control* c = Control::FromHandle(reinterpret_cast<HWND>(lParam));
        if (!c || !c->OnCommand(HIWORD(wParam))) return false;
        result = 0;
        return true;
    }
    if (msg != WM_NOTIFY) return false;
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    Control* c = hdr ? Control::FromHandle(hdr->hwndFrom) : nullptr;
    result = 0;
    return c && c->OnNotify(hdr, result);
}

bool Container::HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_SETCURSOR:
            if (App().AppCursor() != crDefault) {
                ::SetCursor(App().AppCursorHandle());
                result = TRUE;
                return true;
            }
            if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == ContainerHandle()) {
                POINT pt;
                ::GetCursorPos(&pt);
                ::ScreenToClient(ContainerHandle(), &pt);
                Control* c = GraphicAt(pt);
                if (c && c->HandCursor()) {
                    ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
                    result = TRUE;
                    return true;
                }
            }
            return false;
        case WM_LBUTTONDOWN: {
            POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            pressed_ = GraphicAt(pt);
            if (pressed_) ::SetCapture(ContainerHandle());
            result = 0;
            return pressed_ != nullptr;
        }
        case WM_LBUTTONDBLCLK: {
            // The second press of a double-click. The first press and release were the click,
            // so this one arms nothing: a double-click runs a control's action once.
            POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            pressed_ = nullptr;
            result = 0;
            return GraphicAt(pt) != nullptr;
        }
        case WM_LBUTTONUP: {
            if (!pressed_) return false;
            Control* c = pressed_;
            pressed_ = nullptr;
            if (::GetCapture() == ContainerHandle()) ::ReleaseCapture();
            POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            result = 0;
            // A click counts when the button goes up over the control it went down on.
            if (GraphicAt(pt) == c) c->Click();
            return true;
        }
        case WM_CAPTURECHANGED:
            pressed_ = nullptr;
            return false;
        default:
            return false;
    }
}

}  // namespace qm::win

#include "win/framework/Controls.h"

#include <windowsx.h>

#include <algorithm>

#include "win/framework/App.h"
#include "win/framework/ComError.h"
#include "win/framework/WindowThunk.h"

namespace qm::win {

COLORREF ResolveColor(Color color) {
    if (color == clParent) return 0;
    if (color & kSystemColor) return ::GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color);
}

UniqueFont CreateFontFrom(const FontSpec& spec) {
    UniqueFont font(::CreateFontW(-spec.height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE,
                                  spec.underline ? TRUE : FALSE, FALSE, spec.charset,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, spec.face));
    if (!font) throw Error(L"CreateFont failed");
    return font;
}

ShiftState CurrentShiftState() {
    ShiftState s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    if (::GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    return s;
}

// ---- Control ----

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
                              App().Instance() ? App().Instance() : ::GetModuleHandleW(nullptr),
                              nullptr);
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

// ---- Container ----

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
    switch (msg) {
        case WM_ERASEBKGND: {
            RECT rc;
            ::GetClientRect(ContainerHandle(), &rc);
            FillBackground(reinterpret_cast<HDC>(wParam), rc);
            result = 1;
            return true;
        }
        case WM_PAINT: {
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
        case WM_COMMAND:
            if (lParam) {
                Control* c = Control::FromHandle(reinterpret_cast<HWND>(lParam));
                if (c && c->OnCommand(HIWORD(wParam))) {
                    result = 0;
                    return true;
                }
            }
            return false;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            Control* c = hdr ? Control::FromHandle(hdr->hwndFrom) : nullptr;
            result = 0;
            return c && c->OnNotify(hdr, result);
        }
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

// ---- Label ----

void Label::Setup(const ControlRow& row, HWND parentWindow) {
    Control::Setup(row, parentWindow);
    AdjustSize();
}

void Label::SetColor(Color color) {
    backColor_ = color;
    InvalidateInParent();
}

void Label::SetFont(HFONT font, Color color) {
    font_ = font;
    fontColor_ = color;
    AdjustSize();
    InvalidateInParent();
}

// The size of the text in the label's font; an empty caption measures as one blank, so the
// label keeps the height of a line.
void Label::AdjustSize() {
    WindowDC dc(nullptr);
    if (!dc.Get()) return;
    SelectGuard select(dc.Get(), font_);
    std::wstring text = caption_.empty() ? std::wstring(L" ") : caption_;
    RECT rc = {0, 0, 0, 0};
    ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &rc,
                DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SetBounds(Left(), Top(), rc.right - rc.left, rc.bottom - rc.top);
}

void Label::Paint(HDC dc) {
    RECT rc = bounds_;
    if (!Transparent()) {
        UniqueGdiObject brush(::CreateSolidBrush(BackColor()));
        ::FillRect(dc, &rc, static_cast<HBRUSH>(brush.Get()));
    }
    SelectGuard select(dc, font_);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, FontColor());
    UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_LEFT;
    if (flags_ & kTextVCenter) format |= DT_VCENTER;
    ::DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &rc, format);
}

// ---- Image ----

void Image::SetIcon(UniqueIcon icon) {
    icon_ = std::move(icon);
    InvalidateInParent();
}

void Image::Paint(HDC dc) {
    if (icon_) ::DrawIconEx(dc, Left(), Top(), icon_.Get(), 0, 0, 0, nullptr, DI_NORMAL);
}

// ---- Button, Edit ----

void Button::Setup(const ControlRow& row, HWND parentWindow) {
    Control::Setup(row, parentWindow);
    CreateWindowFor(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, parentWindow);
}

bool Button::OnCommand(WORD code) {
    if (code != BN_CLICKED) return false;
    Click();
    return true;
}

void Edit::Setup(const ControlRow& row, HWND parentWindow) {
    Control::Setup(row, parentWindow);
    CreateWindowFor(L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, parentWindow);
}

// ---- UpDown ----

void UpDown::Setup(const ControlRow& row, HWND parentWindow) {
    Control::Setup(row, parentWindow);
    min_ = row.extra.min;
    max_ = row.extra.max;
    start_ = row.extra.position;
    buddy_ = row.extra.buddy ? row.extra.buddy : "";
    caption_.clear();
    CreateWindowFor(UPDOWN_CLASSW, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0,
                    parentWindow);
}

void UpDown::Attach(Container& form) {
    const RECT own = bounds_;
    Control* buddy = nullptr;
    if (!buddy_.empty()) {
        for (Container* c : {&form, parent_}) {
            if (!c) continue;
            for (Control* child : c->Children())
                if (child->Name() == buddy_) buddy = child;
        }
        if (!buddy || !buddy->Handle())
            throw Error(L"Up-down buddy not found: " + AnsiToWide(buddy_));
    }
    ::SendMessageW(hwnd_, UDM_SETRANGE, 0, MAKELPARAM(max_, min_));
    if (buddy) {
        const RECT edit = buddy->Bounds();
        ::SendMessageW(hwnd_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy->Handle()), 0);
        // Setting the buddy moves both; the layout has the final places.
        buddy->SetBounds(edit.left, edit.top, edit.right - edit.left, edit.bottom - edit.top);
        SetBounds(own.left, own.top, own.right - own.left, own.bottom - own.top);
    }
    SetPosition(static_cast<short>(start_));
}

short UpDown::Position() const {
    // With a buddy that shows the position, UDM_GETPOS first reads the buddy's text.
    const LRESULT r = ::SendMessageW(hwnd_, UDM_GETPOS, 0, 0);
    return static_cast<short>(LOWORD(r));
}

void UpDown::SetPosition(short position) {
    ::SendMessageW(hwnd_, UDM_SETPOS, 0, MAKELPARAM(position, 0));
}

// ---- ListViewControl ----

namespace {
// The window procedure of the system's list view class, which ListProc stands in front of.
WNDPROC g_listClassProc = nullptr;
}  // namespace

ListViewControl::~ListViewControl() {
    if (hwnd_ && g_listClassProc)
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listClassProc));
}

void ListViewControl::Setup(const ControlRow& row, HWND parentWindow) {
    Control::Setup(row, parentWindow);
    caption_.clear();
    CreateWindowFor(WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_EDITLABELS | WS_TABSTOP,
                    WS_EX_CLIENTEDGE, parentWindow);
    const DWORD ex = LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    ::SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    for (std::size_t i = 0; i < row.extra.columnCount; ++i) {
        const ColumnDef& def = row.extra.columns[i];
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.fmt = LVCFMT_LEFT;
        col.cx = std::max(def.width, def.minWidth);
        col.pszText = const_cast<wchar_t*>(def.header);
        ::SendMessageW(hwnd_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
        minWidths_.push_back(def.minWidth);
    }
    const LONG_PTR classProc =
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc));
    if (!g_listClassProc) g_listClassProc = reinterpret_cast<WNDPROC>(classProc);
}

int ListViewControl::MinWidth(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= minWidths_.size()) return 0;
    return minWidths_[static_cast<std::size_t>(column)];
}

void ListViewControl::SetFont(HFONT font) {
    font_ = font;
    if (hwnd_) ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool ListViewControl::OnNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
        case LVN_BEGINLABELEDITW:
        case LVN_BEGINLABELEDITA: {
            // The proposed name (column 0) is the only text the user may edit.
            const int sub = hdr->code == LVN_BEGINLABELEDITW
                                ? reinterpret_cast<NMLVDISPINFOW*>(hdr)->item.iSubItem
                                : reinterpret_cast<NMLVDISPINFOA*>(hdr)->item.iSubItem;
            result = sub == 0 ? FALSE : TRUE;
            return true;
        }
        case LVN_ENDLABELEDITW:
            result = reinterpret_cast<NMLVDISPINFOW*>(hdr)->item.pszText != nullptr;
            return true;
        case LVN_ENDLABELEDITA:
            result = reinterpret_cast<NMLVDISPINFOA*>(hdr)->item.pszText != nullptr;
            return true;
        case LVN_COLUMNCLICK:
            result = 0;
            return true;
        default:
            return false;
    }
}

// The header tells its list view of every width change; a column that would become narrower
// than its minimum keeps the minimum. The procedure stands in front of the class's own in the
// window itself, not through SetWindowSubclass: that one looks its chain up in a window property
// for every message, and Wine keeps window properties in its server, so every message to the
// list, a scan's thousands included, would cost a round trip or two.
LRESULT CALLBACK ListViewControl::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const WNDPROC classProc = g_listClassProc;
    try {
        auto* self = static_cast<ListViewControl*>(Control::FromHandle(hwnd));
        if (msg == WM_NOTIFY && self) {
            auto* nm = reinterpret_cast<NMHEADERW*>(lParam);
            const UINT code = nm->hdr.code;
            if ((code == HDN_ITEMCHANGEDW || code == HDN_ITEMCHANGEDA) && nm->pitem &&
                (nm->pitem->mask & HDI_WIDTH) && !self->enforcing_) {
                const LRESULT r = ::CallWindowProcW(classProc, hwnd, msg, wParam, lParam);
                const int column = nm->iItem;
                const int min = self->MinWidth(column);
                const int width =
                    static_cast<int>(::SendMessageW(hwnd, LVM_GETCOLUMNWIDTH, column, 0));
                if (width < min) {
                    self->enforcing_ = true;
                    ::SendMessageW(hwnd, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                                   MAKELPARAM(min, 0));
                    self->enforcing_ = false;
                }
                return r;
            }
        }
    } catch (...) {
        App().HandleException();
    }
    return ::CallWindowProcW(classProc, hwnd, msg, wParam, lParam);
}

// ---- Panel ----

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
    HINSTANCE instance = App().Instance() ? App().Instance() : ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    if (!::GetClassInfoExW(instance, kPanelClass, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = WindowThunk<Panel>::Proc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.lpszClassName = kPanelClass;
        if (!::RegisterClassExW(&wc)) throw Error(L"RegisterClass failed for panels");
    }
    DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0);
    hwnd_ =
        ::CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", style, bounds_.left, bounds_.top,
                          Width(), Height(), parentWindow, nullptr, instance, this);
    if (!hwnd_) throw Error(L"CreateWindow failed for " + AnsiToWide(name_));
}

void Panel::SetBounds(int left, int top, int width, int height) {
    Control::SetBounds(left, top, width, height);
}

void Panel::ResizeClient(int width, int height) {
    SetBounds(Left(), Top(), width + 2 * border_, height + 2 * border_);
}

void Panel::Attached(HWND hwnd) {
    hwnd_ = hwnd;
}

void Panel::Detached() {
    hwnd_ = nullptr;
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

// ---- Timer ----

Timer::~Timer() {
    Stop();
}

void Timer::Setup(const ControlRow& row, HWND) {
    interval_ = row.extra.interval ? row.extra.interval : 1000;
    enabled_ = !(row.flags & kDisabled);
    visible_ = false;
}

void Timer::Attach(Container& form) {
    window_ = form.ContainerHandle();
    Apply();
}

void Timer::Apply() {
    if (!window_) return;
    ::KillTimer(window_, Id());
    if (enabled_ && interval_ > 0) ::SetTimer(window_, Id(), interval_, nullptr);
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Apply();
}

void Timer::SetInterval(UINT ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Apply();
}

void Timer::Stop() {
    if (window_) ::KillTimer(window_, Id());
    window_ = nullptr;
}

}  // namespace qm::win

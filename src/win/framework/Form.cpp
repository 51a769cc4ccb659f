#include "win/framework/Form.h"

#include <algorithm>

#include "win/framework/AnsiText.h"
#include "win/framework/ComError.h"
#include "win/framework/WindowClass.h"
#include "win/framework/WindowThunk.h"
#include "win/framework/controls/Control.h"
#include "win/framework/controls/Panel.h"
#include "win/framework/controls/Timer.h"

namespace qm::win {

void FormDeleter::operator()(Form* form) const {
    if (!form) return;
    form->Destroy();
    delete form;
}

Form::~Form() {
    Destroy();
    DetachChildren();
}

void Form::CreateParams(CreateParamsRec& params) const {
    const FormDef& def = Definition();
    params.style = WS_CLIPCHILDREN;
    params.style |= def.border == FormBorder::Sizeable ? WS_OVERLAPPEDWINDOW
                                                       : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    params.exStyle = 0;
    RECT rc = {0, 0, def.clientWidth, def.clientHeight};
    ::AdjustWindowRectEx(&rc, params.style, FALSE, params.exStyle);
    params.x = def.left;
    params.y = def.top;
    params.width = rc.right - rc.left;
    params.height = rc.bottom - rc.top;
    params.owner = App().OwnerWindow();
}

void Form::Create() {
    if (hwnd_) return;
    const FormDef& def = Definition();
    keyPreview_ = def.keyPreview;
    containerColor_ = def.color;
    containerFont_ = FontFor(def.font);
    containerFontColor_ = def.font.color;

    RegisterWindowClass(def.className, WindowThunk<Form>::Proc, CS_DBLCLKS, App().MainIcon());

    CreateParamsRec params = {};
    CreateParams(params);
    ::CreateWindowExW(params.exStyle, def.className, def.caption, params.style, params.x, params.y,
                      params.width, params.height, params.owner, nullptr, App().Instance(), this);
    if (!hwnd_) throw Error(L"CreateWindow failed for " + AnsiToWide(def.name));
    try {
        BuildControls(def);
        OrderTabStops();
        Realign();
    } catch (...) {
        Destroy();
        throw;
    }
    try {
        OnCreate();
    } catch (...) {
        App().HandleException();
    }
}

void Form::Destroy() {
    if (!hwnd_ || destroying_) return;
    destroying_ = true;
    try {
        OnDestroy();
    } catch (...) {
        App().HandleException();
    }
    if (hwnd_) ::DestroyWindow(hwnd_);
    destroying_ = false;
}

HFONT Form::FontFor(const FontSpec& spec) {
    for (auto& entry : fonts_)
        if (entry.first == &spec) return entry.second.Get();
    fonts_.emplace_back(&spec, CreateFontFrom(spec));
    return fonts_.back().second.Get();
}

void Form::BuildControls(const FormDef& def) {
    std::vector<Control*> built;
    for (std::size_t i = 0; i < def.rowCount; ++i) {
        const ControlRow& row = def.rows[i];
        Control& c = row.field(*this);
        Container* parent = this;
        HWND parentWindow = hwnd_;
        if (row.parent) {
            Panel* panel = nullptr;
            for (Control* b : built)
                if (b->Name() == row.parent && b->Kind() == ControlKind::Panel)
                    panel = static_cast<Panel*>(b);
            if (!panel)
                throw Error(L"Layout: no panel " + AnsiToWide(row.parent) + L" before " +
                            AnsiToWide(row.name));
            parent = panel;
            parentWindow = panel->Handle();
        }
        c.name_ = row.name;
        c.form_ = this;
        c.parent_ = parent;
        c.bounds_ = {row.bounds.left, row.bounds.top, row.bounds.left + row.bounds.width,
                     row.bounds.top + row.bounds.height};
        c.visible_ = !(row.flags & kHidden);
        c.flags_ = row.flags;
        c.tabOrder_ = row.tabOrder;
        if (row.font) {
            c.font_ = FontFor(*row.font);
            c.fontColor_ = row.font->color;
        } else {
            c.font_ = parent->ContainerFont();
            c.fontColor_ = parent->ContainerFontColor();
        }
        c.backColor_ = row.color == clParent ? parent->ContainerColor() : row.color;
        if (row.handler) {
            auto handler = row.handler;
            c.OnClick = [this, handler](Control& sender) { handler(*this, sender); };
        }
        parent->AddChild(&c);
        c.Setup(row, parentWindow);
        built.push_back(&c);
    }
    for (Control* c : built)
        c->Attach(*this);
}

// Tab order follows the windows' Z order among their siblings.
void Form::OrderTabStops() {
    std::vector<Container*> containers{this};
    for (std::size_t i = 0; i < containers.size(); ++i) {
        std::vector<Control*> stops;
        for (Control* c : containers[i]->Children()) {
            if (auto* panel = dynamic_cast<Panel*>(c)) containers.push_back(panel);
            if (c->Handle() && c->tabOrder_ >= 0) stops.push_back(c);
        }
        std::stable_sort(stops.begin(), stops.end(),
                         [](Control* a, Control* b) { return a->tabOrder_ < b->tabOrder_; });
        HWND after = HWND_TOP;
        for (Control* c : stops) {
            ::SetWindowPos(c->Handle(), after, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = c->Handle();
        }
    }
}

void Form::Realign() {
    if (!hwnd_) return;
    RECT client;
    ::GetClientRect(hwnd_, &client);
    int top = 0;
    for (Control* c : children_)
        if ((c->Flags() & kAlignTop) && c->Visible()) {
            c->SetBounds(0, top, client.right, c->Height());
            top += c->Height();
        }
    for (Control* c : children_)
        if ((c->Flags() & kAlignClient) && c->Visible())
            c->SetBounds(0, top, client.right, std::max(0, static_cast<int>(client.bottom) - top));
}

void Form::ResizeClient(int width, int height) {
    if (!hwnd_) return;
    RECT rc = {0, 0, width, height};
    ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_EXSTYLE)));
    ::SetWindowPos(hwnd_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string Form::Caption() const {
    if (!hwnd_) return std::string();
    const int n = ::GetWindowTextLengthA(hwnd_);
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    const int got = ::GetWindowTextA(hwnd_, &text[0], n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

void Form::SetCaption(const std::string& ansi) {
    if (hwnd_) ::SetWindowTextA(hwnd_, ansi.c_str());
}

bool Form::Visible() const {
    return hwnd_ && (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE);
}

void Form::Show() {
    if (!hwnd_ || Visible()) return;
    OnShow();
    ::ShowWindow(hwnd_, SW_SHOW);
}

void Form::Hide() {
    if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
}

void Form::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (App().MainForm() == this) {
        Destroy();
        return;
    }
    Hide();
}

RECT Form::BoundsRect() const {
    RECT rc = {};
    if (hwnd_) ::GetWindowRect(hwnd_, &rc);
    return rc;
}

void Form::SetBounds(int left, int top, int width, int height) {
    if (hwnd_)
        ::SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int Form::ClientWidth() const {
    RECT rc = {};
    if (hwnd_) ::GetClientRect(hwnd_, &rc);
    return rc.right;
}

int Form::ClientHeight() const {
    RECT rc = {};
    if (hwnd_) ::GetClientRect(hwnd_, &rc);
    return rc.bottom;
}

void Form::SelectNext(bool forward) {
    HWND focus = ::GetFocus();
    if (focus && !::IsChild(hwnd_, focus)) focus = nullptr;
    HWND next = ::GetNextDlgTabItem(hwnd_, focus, forward ? FALSE : TRUE);
    if (next) ::SetFocus(next);
}

void Form::KeyDown(WORD& key, ShiftState shift) {
    OnKeyDown(key, shift);
}

std::vector<Timer*> Form::Timers() const {
    std::vector<Timer*> timers;
    std::vector<const Container*> containers = {this};
    for (std::size_t i = 0; i < containers.size(); ++i)
        for (Control* c : containers[i]->Children()) {
            if (auto* panel = dynamic_cast<Panel*>(c)) containers.push_back(panel);
            if (auto* timer = dynamic_cast<Timer*>(c)) timers.push_back(timer);
        }
    return timers;
}

void Form::StopTimers() {
    for (Timer* t : Timers())
        t->Stop();
}

void Form::Attached(HWND hwnd) {
    hwnd_ = hwnd;
    App().RegisterForm(this);
}

void Form::Detached() {
    StopTimers();
    App().UnregisterForm(this);
    hwnd_ = nullptr;
}

LRESULT Form::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnMessage(msg, wParam, lParam, result)) return result;
    if (HandleContainerMessage(msg, wParam, lParam, result)) return result;
    switch (msg) {
        case WM_SIZE:
            Realign();
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            WORD key = static_cast<WORD>(wParam);
            KeyDown(key, CurrentShiftState());
            if (key == 0) return 0;
            break;
        }
        case WM_TIMER:
            for (Timer* t : Timers())
                if (t->Id() == wParam) {
                    if (t->Enabled()) t->Click();
                    return 0;
                }
            break;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus && ::IsChild(hwnd_, focus)) lastFocus_ = focus;
            } else if (!HIWORD(wParam)) {
                HWND target = lastFocus_ && ::IsWindow(lastFocus_) && ::IsChild(hwnd_, lastFocus_)
                                  ? lastFocus_
                                  : ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
                if (target && ::IsChild(hwnd_, target)) {
                    ::SetFocus(target);
                    return 0;
                }
            }
            break;
        case WM_SYSCOMMAND:
            // The main form minimises the application window, which takes the taskbar button
            // and every form with it.
            if ((wParam & 0xFFF0) == SC_MINIMIZE && App().MainForm() == this &&
                App().OwnerWindow()) {
                ::ShowWindow(App().OwnerWindow(), SW_MINIMIZE);
                return 0;
            }
            break;
        case WM_DESTROY:
            ForgetChildWindows();
            App().FormDestroyed(*this);
            break;
        default:
            break;
    }
    return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace qm::win

// The base of every control a form is built from. Labels and images are drawn by the panel or
// form they lie on (they have no window of their own, so a transparent label shows its parent
// through it and later controls draw over earlier ones); buttons, edit boxes, up-down controls,
// list views and panels are windows. Every control is a named field of its form, set up from one
// row of the form's layout table.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "win/framework/Layout.h"

namespace qm::win {

class Container;
class Form;

class Control {
  public:
    explicit Control(ControlKind kind) : kind_(kind) {}
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind Kind() const { return kind_; }
    const std::string& Name() const { return name_; }
    // The control's window; null for the controls their parent draws and for timers.
    HWND Handle() const { return hwnd_; }
    Container* Parent() const { return parent_; }
    Form* OwnerForm() const { return form_; }

    // Position and size in the parent's client area.
    const RECT& Bounds() const { return bounds_; }
    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.right - bounds_.left; }
    int Height() const { return bounds_.bottom - bounds_.top; }
    virtual void SetBounds(int left, int top, int width, int height);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);

    // The caption. Fixed texts are UTF-16; data goes in as narrow ANSI and is converted through
    // the ANSI code page.
    std::wstring Caption() const;
    std::string CaptionAnsi() const;
    void SetCaption(const std::wstring& text);
    void SetCaption(const std::string& ansi);
    void SetCaption(const char* ansi) { SetCaption(std::string(ansi)); }
    void SetCaption(const wchar_t* text) { SetCaption(std::wstring(text)); }

    HFONT Font() const { return font_; }
    COLORREF FontColor() const { return ResolveColor(fontColor_); }
    COLORREF BackColor() const { return ResolveColor(backColor_); }
    unsigned Flags() const { return flags_; }
    bool HandCursor() const { return (flags_ & kHandCursor) != 0; }

    // Runs the click handler with this control as Sender.
    void Click();
    std::function<void(Control& sender)> OnClick;

    // The control of a window the framework made, or null.
    static Control* FromHandle(HWND hwnd);

  protected:
    friend class Container;
    friend class Form;

    // Sets the control up from its layout row; windowed kinds create their window here.
    virtual void Setup(const ControlRow& row, HWND parentWindow);
    // After every control of the form exists (e.g. an up-down finds its buddy); `form` is the
    // form as the container of its top-level controls.
    virtual void Attach(Container&) {}
    // Drawn by the parent (labels, images).
    virtual bool IsGraphic() const { return false; }
    virtual void Paint(HDC) {}
    // Notifications the parent window passes back to the control that sent them.
    virtual bool OnCommand(WORD) { return false; }
    virtual bool OnNotify(NMHDR*, LRESULT&) { return false; }
    // After the caption or font changed.
    virtual void TextChanged() {}

    void CreateWindowFor(const wchar_t* className, DWORD style, DWORD exStyle, HWND parentWindow);
    void InvalidateInParent() const;

    ControlKind kind_;
    std::string name_;
    HWND hwnd_ = nullptr;
    Container* parent_ = nullptr;
    Form* form_ = nullptr;
    RECT bounds_ = {};
    bool visible_ = true;
    std::wstring caption_;
    HFONT font_ = nullptr;
    Color fontColor_ = clWindowText;
    Color backColor_ = clBtnFace;
    unsigned flags_ = 0;
    int tabOrder_ = -1;
};

}  // namespace qm::win

// The controls a form is built from. Labels and images are drawn by the panel or form they lie
// on (they have no window of their own, so a transparent label shows its parent through it and
// later controls draw over earlier ones); buttons, edit boxes, up-down controls, list views and
// panels are windows. Every control is a named field of its form, set up from one row of the
// form's layout table.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "win/framework/ListView.h"
#include "win/framework/Raii.h"

namespace qm::win {

class Form;
template <class T>
struct WindowThunk;
class Control;
class Container;

// A colour: an RGB value, a system colour (kSystemColor | COLOR_xxx), or clParent for the colour
// of the control's parent.
using Color = DWORD;
inline constexpr Color kSystemColor = 0x80000000u;
inline constexpr Color clParent = 0x1FFFFFFFu;
inline constexpr Color clBtnFace = kSystemColor | COLOR_BTNFACE;
inline constexpr Color clWindow = kSystemColor | COLOR_WINDOW;
inline constexpr Color clWindowText = kSystemColor | COLOR_WINDOWTEXT;
inline constexpr Color clBlack = 0x000000u;
inline constexpr Color clWhite = 0xFFFFFFu;
inline constexpr Color clRed = 0x0000FFu;
inline constexpr Color clMaroon = 0x000080u;
inline constexpr Color clGreen = 0x008000u;
inline constexpr Color clNavy = 0x800000u;
inline constexpr Color clTeal = 0x808000u;

// The RGB value of a colour (clParent is not a colour and gives black).
COLORREF ResolveColor(Color color);

// A font as the layout names it. Height is the character height in pixels.
struct FontSpec {
    const wchar_t* face;
    int height;
    BYTE charset;
    Color color;  // text colour
    bool bold;
    bool underline;
};

UniqueFont CreateFontFrom(const FontSpec& spec);

enum class ControlKind { Label, Image, Button, Edit, UpDown, ListView, Panel, Timer };

// Layout flags.
enum : unsigned {
    kHidden = 1u << 0,       // not visible
    kTransparent = 1u << 1,  // a label that lets its parent show through behind its text
    kHandCursor = 1u << 2,   // the hand cursor over the control
    kAlignTop = 1u << 3,     // kept at the top of the parent, as wide as it
    kAlignClient = 1u << 4,  // fills what the top-aligned controls leave of the parent
    kTextVCenter = 1u << 5,  // a label's text centred vertically in its box
    kDisabled = 1u << 6,     // a timer that does not run from creation
};

struct Bounds {
    int left;
    int top;
    int width;
    int height;
};

struct ColumnDef {
    const wchar_t* header;
    int width;
    int minWidth;
};

// What only some kinds use; zero elsewhere.
struct ControlExtra {
    int min;  // up-down range
    int max;
    int position;              // up-down start position
    const char* buddy;         // up-down: name of the edit box it steers
    const ColumnDef* columns;  // list view
    std::size_t columnCount;
    int borderWidth;  // panel
    UINT interval;    // timer, in milliseconds
};

inline ControlExtra UpDownExtra(int min, int max, int position, const char* buddy) {
    return ControlExtra{min, max, position, buddy, nullptr, 0, 0, 0};
}
template <std::size_t N>
ControlExtra ColumnsExtra(const ColumnDef (&columns)[N]) {
    return ControlExtra{0, 0, 0, nullptr, columns, N, 0, 0};
}
inline ControlExtra BorderExtra(int width) {
    return ControlExtra{0, 0, 0, nullptr, nullptr, 0, width, 0};
}
inline ControlExtra IntervalExtra(UINT ms) {
    return ControlExtra{0, 0, 0, nullptr, nullptr, 0, 0, ms};
}

// One row of a form's layout table.
struct ControlRow {
    const char* name;
    ControlKind kind;
    const char* parent;      // name of the panel it lies on; nullptr for the form itself
    Bounds bounds;           // in the parent's client area (labels then size to their text)
    const wchar_t* caption;  // nullptr: none
    const FontSpec* font;    // nullptr: the parent's font
    Color color;             // background; clParent for the parent's
    unsigned flags;
    int tabOrder;                      // among the parent's windowed controls; -1 for none
    Control& (*field)(Form&);          // the form's field for this row
    void (*handler)(Form&, Control&);  // click (timer: tick); nullptr for none
    ControlExtra extra;
};

// Shift state of a key event.
using ShiftState = unsigned;
enum : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
ShiftState CurrentShiftState();

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

// A form or a panel: holds child controls, draws the graphic ones, passes their clicks on and
// can size itself to its visible children.
class Container {
  public:
    virtual ~Container() = default;
    virtual HWND ContainerHandle() const = 0;
    const std::vector<Control*>& Children() const { return children_; }
    HFONT ContainerFont() const { return containerFont_; }
    Color ContainerFontColor() const { return containerFontColor_; }
    Color ContainerColor() const { return containerColor_; }

    // Automatic sizing: when on, the container fits itself to its visible children now and
    // whenever one of them changes size: every visible child moves by the same amount so the
    // box around them starts at the client area's top left corner, and the client area is made
    // as large as that box. Hidden children neither count nor move.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    void FitToChildren();
    // Called by a child whose size changed.
    void ChildResized();

    // The topmost visible graphic child at a client point, or null.
    Control* GraphicAt(POINT pt) const;

  protected:
    friend class Control;
    friend class Form;
    virtual void ResizeClient(int width, int height) = 0;

    // The container's window is going and takes its children's windows with it: the controls
    // forget their handles (a panel forgets its own when its window is destroyed).
    void ForgetChildWindows();
    static void ForgetWindow(Control& c);
    // For a container going before its children: they no longer refer to it.
    void DetachChildren();

    void AddChild(Control* child) { children_.push_back(child); }
    void RemoveChild(Control* child);
    // Message handling shared by forms and panels; true when handled.
    bool HandleContainerMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void PaintGraphics(HDC dc, const RECT& update);
    void FillBackground(HDC dc, const RECT& rc) const;
    // What a container paints itself, over its background and beneath its graphic controls.
    virtual void PaintOwn(HDC) {}

    std::vector<Control*> children_;
    HFONT containerFont_ = nullptr;
    Color containerFontColor_ = clWindowText;
    Color containerColor_ = clBtnFace;
    Control* pressed_ = nullptr;
    bool autoSize_ = false;
    bool fitting_ = false;
};

// Text drawn by its parent, sized to its text.
class Label : public Control {
  public:
    Label() : Control(ControlKind::Label) {}
    bool Transparent() const { return (flags_ & kTransparent) != 0; }
    // A colour of its own for the box of an opaque label.
    void SetColor(Color color);
    void SetFont(HFONT font, Color color);

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override;
    bool IsGraphic() const override { return true; }
    void Paint(HDC dc) override;
    void TextChanged() override { AdjustSize(); }

  private:
    void AdjustSize();
};

// An icon drawn by its parent.
class Image : public Control {
  public:
    Image() : Control(ControlKind::Image) {}
    HICON Icon() const { return icon_.Get(); }
    void SetIcon(UniqueIcon icon);

  protected:
    bool IsGraphic() const override { return true; }
    void Paint(HDC dc) override;

  private:
    UniqueIcon icon_;
};

class Button : public Control {
  public:
    Button() : Control(ControlKind::Button) {}

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override;
    bool OnCommand(WORD code) override;
};

class Edit : public Control {
  public:
    Edit() : Control(ControlKind::Edit) {}

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override;
};

// The system's up-down control against the right edge of its buddy edit box, which shows the
// position as a decimal number.
class UpDown : public Control {
  public:
    UpDown() : Control(ControlKind::UpDown) {}
    // The position, after taking over a number typed into the buddy as far as the control
    // accepts it (a number within the range; anything else leaves the position as it was).
    short Position() const;
    void SetPosition(short position);
    int Min() const { return min_; }
    int Max() const { return max_; }

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override;
    void Attach(Container& form) override;

  private:
    int min_ = 0;
    int max_ = 100;
    int start_ = 0;
    std::string buddy_;
};

// A report-style list view with check boxes, grid lines, whole-row single selection and in-place
// editing of the first column; rows stay in the order added and a header click does nothing.
// Columns never become narrower than their minimum width.
class ListViewControl : public Control {
  public:
    ListViewControl() : Control(ControlKind::ListView) {}
    ~ListViewControl() override;
    ListView View() const { return ListView(hwnd_); }
    int MinWidth(int column) const;
    void SetFont(HFONT font);

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override;
    bool OnNotify(NMHDR* hdr, LRESULT& result) override;

  private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    std::vector<int> minWidths_;
    bool enforcing_ = false;
};

// A window that holds other controls, with a plain border of its own colour around its client
// area and no bevel.
class Panel : public Control, public Container {
  public:
    Panel() : Control(ControlKind::Panel) {}
    ~Panel() override;
    HWND ContainerHandle() const override { return hwnd_; }
    int BorderWidth() const { return border_; }
    void SetBounds(int left, int top, int width, int height) override;

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override;
    void ResizeClient(int width, int height) override;

  private:
    friend struct WindowThunk<Panel>;
    void Attached(HWND hwnd);
    void Detached();
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    int border_ = 0;
};

// A window timer of its form: while enabled, its handler runs every interval. The form's window
// receives the ticks and hands each to the timer among its controls whose Id it carries.
class Timer : public Control {
  public:
    Timer() : Control(ControlKind::Timer) {}
    ~Timer() override;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    UINT Interval() const { return interval_; }
    void SetInterval(UINT ms);
    UINT_PTR Id() const { return reinterpret_cast<UINT_PTR>(this); }
    // The form's window is going: the timer stops for good.
    void Stop();

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override;
    void Attach(Container& form) override;

  private:
    void Apply();
    HWND window_ = nullptr;
    UINT interval_ = 1000;
    bool enabled_ = true;
};

}  // namespace qm::win

// The vocabulary of a form's stored layout: colours, fonts, the kinds of control, the layout
// flags and the row that sets up one control. The form builds its controls from a table of
// these rows, one row per control.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

#include "win/framework/Raii.h"

namespace qm::win {

class Form;
class Control;

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
ControlExtra ColumnsExtra(const std::array<ColumnDef, N>& columns) {
    return ControlExtra{0, 0, 0, nullptr, columns.data(), N, 0, 0};
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

}  // namespace qm::win

#include "win/framework/controls/Label.h"

#include <string>

#include "win/framework/Raii.h"

namespace qm::win {

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

}  // namespace qm::win

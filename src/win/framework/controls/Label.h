// Text drawn by its parent, sized to its text: transparent or opaque, in a font and colour of
// its own, with the hand cursor and a click where the layout asks for them.
#pragma once

#include <windows.h>

#include "win/framework/controls/Control.h"
#include "win/framework/Layout.h"

namespace qm::win {

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

}  // namespace qm::win

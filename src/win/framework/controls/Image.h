// An icon drawn by its parent at the control's top left corner.
#pragma once

#include <windows.h>

#include <utility>

#include "win/framework/controls/Control.h"
#include "win/framework/Layout.h"
#include "win/framework/Raii.h"

namespace qm::win {

class Image : public Control {
  public:
    Image() : Control(ControlKind::Image) {}
    HICON Icon() const { return icon_.Get(); }
    void SetIcon(UniqueIcon icon) {
        icon_ = std::move(icon);
        InvalidateInParent();
    }

  protected:
    bool IsGraphic() const override { return true; }
    void Paint(HDC dc) override {
        if (icon_) ::DrawIconEx(dc, Left(), Top(), icon_.Get(), 0, 0, 0, nullptr, DI_NORMAL);
    }

  private:
    UniqueIcon icon_;
};

}  // namespace qm::win

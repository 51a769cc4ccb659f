// The system's up-down control against the right edge of its buddy edit box, which shows the
// position as a decimal number.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "win/framework/controls/Control.h"
#include "win/framework/Layout.h"

namespace qm::win {

class Container;

class UpDown : public Control {
  public:
    UpDown() : Control(ControlKind::UpDown) {}
    // The position, after taking over a number typed into the buddy as far as the control
    // accepts it (a number within the range; anything else leaves the position as it was).
    short Position() const {
        // With a buddy that shows the position, UDM_GETPOS first reads the buddy's text.
        return static_cast<short>(LOWORD(::SendMessageW(hwnd_, UDM_GETPOS, 0, 0)));
    }
    void SetPosition(short position) {
        ::SendMessageW(hwnd_, UDM_SETPOS, 0, MAKELPARAM(position, 0));
    }
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

}  // namespace qm::win
